#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "ErrorMatchers.h"
#include "FakeWinApi.h"
#include "window/Gradient.h"

namespace {

using namespace Gradient;

// Records every fill and tracks the brushes alive.
class RecordingSurface : public Surface {
public:
    RecordingSurface(int bitsPerPixel, std::int32_t width, std::int32_t height, int planes = 1)
        : bits(bitsPerPixel), planes(planes), width(width), height(height) {}

    struct Fill {
        Rect rect;
        std::uint32_t color;
    };
    int bits, planes;
    std::int32_t width, height;
    std::vector<Fill> fills;
    std::vector<std::uint32_t> backColors;
    int capsQueries = 0, refreshes = 0, alive = 0, mostAlive = 0, created = 0, deleted = 0;
    std::vector<std::uint32_t> colorOf{std::vector<std::uint32_t>(1024)};

    int GetDeviceCaps(int index) override {
        ++capsQueries;
        return index == kBitsPixel ? bits : index == kPlanes ? planes : 0;
    }
    Brush CreateSolidBrush(std::uint32_t color) override {
        ++alive, ++created;
        mostAlive = std::max(mostAlive, alive);
        colorOf.at(created) = color;
        return reinterpret_cast<Brush>(static_cast<std::intptr_t>(created));
    }
    int FillRect(const Rect& rect, Brush brush) override {
        fills.push_back({rect, colorOf.at(reinterpret_cast<std::intptr_t>(brush))});
        return 1;
    }
    int DeleteObject(Brush) override {
        --alive, ++deleted;
        return 1;
    }
    std::int32_t InnerWidth() override { return width; }
    std::int32_t InnerHeight() override { return height; }
    void SetBackColor(std::uint32_t color) override { backColors.push_back(color); }
    void Refresh() override { ++refreshes; }

    // The colour a pixel ends in: the last fill that covers it (-1: none).
    std::int64_t ColorAt(std::int32_t x, std::int32_t y) const {
        std::int64_t color = -1;
        for (const auto& f : fills)
            if (x >= f.rect.left && x < f.rect.right && y >= f.rect.top && y < f.rect.bottom) color = f.color;
        return color;
    }
    // Fills that cover at least one pixel inside the window.
    int VisibleFills() const {
        int n = 0;
        for (const auto& f : fills)
            n += std::max(f.rect.left, 0) < std::min(f.rect.right, width) &&
                 std::max(f.rect.top, 0) < std::min(f.rect.bottom, height);
        return n;
    }
};

std::int64_t Blue(std::uint32_t b) { return static_cast<std::int64_t>(b) << 16; }

void Paint(RecordingSurface& s, PainterState& state, GradientMode mode) {
    FakeWinApi api;
    PaintGradient(api, s, state, mode);
}

struct DepthCase {
    int bits;
    std::int32_t width, height;
    std::int16_t bands;
    Rect firstBottom, firstRight, finalFill;
    std::int64_t topLeftBlue;
};

class DepthTest : public testing::TestWithParam<DepthCase> {};

TEST_P(DepthTest, PaintsTheBandsOfItsDepth) {
    const auto& c = GetParam();
    RecordingSurface s(c.bits, c.width, c.height);
    PainterState state;
    Paint(s, state, FromBottomRight);

    EXPECT_EQ(state.BandCount, c.bands);
    ASSERT_EQ(s.fills.size(), 2u * c.bands + 1);
    auto same = [](const Rect& a, const Rect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    EXPECT_TRUE(same(s.fills[0].rect, c.firstBottom));
    EXPECT_TRUE(same(s.fills[1].rect, c.firstRight));
    EXPECT_TRUE(same(s.fills.back().rect, c.finalFill));
    EXPECT_EQ(s.fills[0].color, 0u);  // the outermost band is black
    EXPECT_EQ(s.fills.back().color, ColorRef(0, 0, 255));
    EXPECT_EQ(s.ColorAt(c.width - 1, c.height - 1), 0);
    EXPECT_EQ(s.ColorAt(0, 0), Blue(c.topLeftBlue));
    EXPECT_EQ(s.refreshes, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, DepthTest,
    testing::Values(
        // 256 bands; steps 1 and 2 (143/256 = 0.56, 420/256 = 1.64); corner blue 142.
        DepthCase{16, 420, 143, 256, {0, 142, 420, 143}, {418, 0, 420, 143}, {0, 0, 420 - 512, 143 - 256}, 142},
        DepthCase{32, 420, 143, 256, {0, 142, 420, 143}, {418, 0, 420, 143}, {0, 0, 420 - 512, 143 - 256}, 142},
        // 64 bands; steps 2 and 7; right reaches 0 after 60 bands; corner blue 236.
        DepthCase{8, 420, 143, 64, {0, 141, 420, 143}, {413, 0, 420, 143}, {0, 0, -28, 15}, 236},
        // 32 bands; steps 4 and 13; a 4 x 15 patch of pure blue stays at the corner.
        DepthCase{15, 420, 143, 32, {0, 139, 420, 143}, {407, 0, 420, 143}, {0, 0, 4, 15}, 255},
        // 128/256 = 0.5 rounds to 0: every bottom strip is empty; corner blue 209.
        DepthCase{16, 420, 128, 256, {0, 128, 420, 128}, {418, 0, 420, 128}, {0, 0, -92, 128}, 209},
        // 384/256 = 1.5 rounds to 2; 160/64 = 2.5 rounds to 2.
        DepthCase{16, 420, 384, 256, {0, 382, 420, 384}, {418, 0, 420, 384}, {0, 0, -92, -128}, 191},
        DepthCase{8, 160, 143, 64, {0, 141, 160, 143}, {158, 0, 160, 143}, {0, 0, 32, 15}, 255}));

TEST(GradientTest, AtMostOneBrushIsAliveAndEveryBrushIsDeleted) {
    for (GradientMode mode : {FromBottomRight, FromBottom, FromRight}) {
        RecordingSurface s(16, 420, 143);
        PainterState state;
        Paint(s, state, mode);
        EXPECT_EQ(s.mostAlive, 1);
        EXPECT_EQ(s.alive, 0);
        EXPECT_EQ(s.created, 257);
    }
}

TEST(GradientTest, DepthIsPlanesTimesBitsAndAnUnusualOneCountsAsFour) {
    struct Case {
        int bits, planes, depth;
    };
    // 8 colour bits in two planes; then depths no band table has.
    for (const Case& c : {Case{4, 2, 8}, Case{1, 1, 4}, Case{2, 1, 4}, Case{0, 1, 4}, Case{48, 1, 4}}) {
        RecordingSurface s(c.bits, 420, 143, c.planes);
        PainterState state;
        Paint(s, state, FromBottomRight);
        EXPECT_EQ(state.ColorDepth, c.depth) << c.bits << " x " << c.planes;
        EXPECT_EQ(state.BandCount, 64) << c.bits << " x " << c.planes;
    }
}

TEST(GradientTest, FlatOnAFirstCallMeasuresThenOnlySetsTheBackground) {
    RecordingSurface s(16, 420, 143);
    PainterState state;
    Paint(s, state, Flat);
    EXPECT_EQ(state.ColorDepth, 16);
    EXPECT_EQ(state.BandCount, 256);
    EXPECT_EQ(s.backColors, std::vector<std::uint32_t>{0x7F0000});
    EXPECT_TRUE(s.fills.empty());
    EXPECT_EQ(s.created, 0);
    EXPECT_EQ(s.refreshes, 0);
}

TEST(GradientTest, TheDepthIsMeasuredOncePerWindow) {
    RecordingSurface s(16, 420, 143);
    PainterState state;
    Paint(s, state, FromBottomRight);
    s.bits = 8;
    s.fills.clear();
    Paint(s, state, FromBottomRight);
    EXPECT_EQ(s.capsQueries, 2);  // bits and planes, the first time only
    EXPECT_EQ(state.BandCount, 256);
}

TEST(GradientTest, OtherModesPaintFromTheRight) {
    RecordingSurface fromRight(16, 420, 143), mode5(16, 420, 143);
    PainterState a, b;
    Paint(fromRight, a, FromRight);
    Paint(mode5, b, static_cast<GradientMode>(5));
    ASSERT_EQ(fromRight.fills.size(), mode5.fills.size());
    for (std::size_t i = 0; i < mode5.fills.size(); ++i) {
        EXPECT_EQ(mode5.fills[i].rect.left, fromRight.fills[i].rect.left);
        EXPECT_EQ(mode5.fills[i].rect.top, 0);
        EXPECT_EQ(mode5.fills[i].rect.bottom, 143);
    }
    EXPECT_EQ(mode5.fills[0].rect.left, 418);
    EXPECT_EQ(mode5.ColorAt(0, 142), Blue(209));  // columns only: the left edge ends in blue 209
}

TEST(GradientTest, FromBottomPaintsRowsOnly) {
    RecordingSurface s(16, 420, 143);
    PainterState state;
    Paint(s, state, FromBottom);
    EXPECT_EQ(s.fills[0].rect.left, 0);
    EXPECT_EQ(s.fills[0].rect.right, 420);
    EXPECT_EQ(s.fills[0].rect.top, 142);
    EXPECT_EQ(s.ColorAt(419, 0), Blue(142));
    EXPECT_EQ(s.VisibleFills(), 143);
}

TEST(GradientTest, ArithmeticFaultsRaiseNumberedErrors) {
    FakeWinApi api;
    api.moduleFileName = "C:\\endnow.exe";
    RecordingSurface huge(INT_MAX, 420, 143, 2);  // bits x planes overflows
    PainterState state;
    auto record = RaisedBy([&] { PaintGradient(api, huge, state, FromBottomRight); });
    EXPECT_EQ(record.Number, 6);
    EXPECT_EQ(record.Description, "Overflow");
    EXPECT_EQ(record.Source, "endnow.mShutDown");

    // As a single-precision value INT_MAX becomes 2^31, one past the 32-bit range.
    RecordingSurface wide(16, INT_MAX, 143);
    PainterState fresh;
    EXPECT_EQ(RaisedBy([&] { PaintGradient(api, wide, fresh, FromRight); }).Number, 6);
    RecordingSurface tall(16, 420, INT_MAX);
    PainterState another;
    EXPECT_EQ(RaisedBy([&] { PaintGradient(api, tall, another, FromBottom); }).Number, 6);

    RecordingSurface ok(16, 420, 143);
    PainterState zero{16, 0};  // a band count of 0 can only come from a broken cache
    record = RaisedBy([&] { PaintGradient(api, ok, zero, FromBottomRight); });
    EXPECT_EQ(record.Number, 11);
    EXPECT_EQ(record.Description, "Division by zero");
}

}  // namespace
