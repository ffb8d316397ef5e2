// The notice's arithmetic: its layout at a resolution and the painter's bands.
#include <array>
#include <climits>

#include "FakeWinApi.h"
#include "window/Gradient.h"
#include "window/Layout.h"

namespace {

using namespace Gradient;
using Quad = std::array<std::int32_t, 4>;

struct DpiCase {
    int dpi, clientWidth, clientHeight;
    Layout::Box label1, label2;
    int label2Right, fontHeight;
};
class LayoutTest : public testing::TestWithParam<DpiCase> {};
TEST_P(LayoutTest, TwipsBecomePixelsAtTheScreensResolution) {
    const DpiCase& c = GetParam();
    const Layout::NoticeLayout l = Layout::ForDpi(c.dpi, c.dpi);
    EXPECT_EQ(Quad({l.clientWidth, l.clientHeight, l.label2Right, l.fontHeight}),
              Quad({c.clientWidth, c.clientHeight, c.label2Right, c.fontHeight}));
    EXPECT_EQ(l.label1, c.label1);
    EXPECT_EQ(l.label2, c.label2);
    EXPECT_EQ(Layout::StatusLabel(l, 180, 67), (Layout::Box{c.label2Right - 180, c.label2.top, 180, 67}));
}
// 15 twips a pixel at 96 dpi; at 144, 2145 twips is 214.5 pixels and 1005 is 100.5: halves go to even.
INSTANTIATE_TEST_SUITE_P(Resolutions, LayoutTest,
                         testing::Values(DpiCase{96, 420, 143, {0, 0, 417, 65}, {388, 64, 21, 67}, 409, -48},
                                         DpiCase{120, 525, 179, {0, 0, 521, 81}, {485, 80, 26, 84}, 511, -60},
                                         DpiCase{144, 630, 214, {0, 0, 626, 98}, {582, 96, 32, 100}, 614, -72}));

// Records every fill with its brush's colour and counts the brushes alive.
class RecordingSurface : public Surface {
public:
    int bits = 16, planes = 1, caps = 0, refreshes = 0, alive = 0, mostAlive = 0;
    std::int32_t width = 420, height = 143;
    std::vector<std::pair<Quad, std::uint32_t>> fills;
    std::vector<std::uint32_t> brushes, backColors;

    int GetDeviceCaps(int index) override { return ++caps, index == kBitsPixel ? bits : index == kPlanes ? planes : 0; }
    Brush CreateSolidBrush(std::uint32_t color) override {
        brushes.push_back(color), mostAlive = std::max(mostAlive, ++alive);
        return reinterpret_cast<Brush>(brushes.size());
    }
    int FillRect(const Rect& r, Brush brush) override {
        fills.push_back({{r.left, r.top, r.right, r.bottom}, brushes.at(reinterpret_cast<std::size_t>(brush) - 1)});
        return 1;
    }
    int DeleteObject(Brush) override { return --alive, 1; }
    std::int32_t InnerWidth() override { return width; }
    std::int32_t InnerHeight() override { return height; }
    void SetBackColor(std::uint32_t color) override { backColors.push_back(color); }
    void Refresh() override { ++refreshes; }

    // The blue a pixel ends in: that of the last fill covering it (-1: none).
    int BlueAt(std::int32_t x, std::int32_t y) const {
        int blue = -1;
        for (const auto& [r, color] : fills)
            if (x >= r[0] && y >= r[1] && x < r[2] && y < r[3]) blue = static_cast<int>(color >> 16);
        return blue;
    }
};

struct BandCase {
    GradientMode mode;
    int bits, planes;
    std::int32_t width, height;
    int depth, bands;
    Quad first, second, last;
    std::int32_t x, y;  // a pixel of the top-left area
    int blue;           // and the blue it ends in
};
class BandTest : public testing::TestWithParam<BandCase> {};
TEST_P(BandTest, PaintsTheBandsOfItsDepthOneBrushAtATime) {
    const BandCase& c = GetParam();
    RecordingSurface s;
    s.bits = c.bits, s.planes = c.planes, s.width = c.width, s.height = c.height;
    PainterState state;
    FakeWinApi api;
    PaintGradient(api, s, state, c.mode);

    EXPECT_EQ(state.ColorDepth, c.depth);
    EXPECT_EQ(state.BandCount, c.bands);
    ASSERT_EQ(s.fills.size(), (c.mode == FromBottomRight ? 2u : 1u) * c.bands + 1);
    EXPECT_EQ(s.fills[0].first, c.first);
    EXPECT_EQ(s.fills[1].first, c.second);
    EXPECT_EQ(s.fills.back(), std::make_pair(c.last, ColorRef(0, 0, 255)));
    EXPECT_EQ(s.BlueAt(c.width - 1, c.height - 1), 0);  // the outermost band is black
    EXPECT_EQ(s.BlueAt(c.x, c.y), c.blue);
    EXPECT_EQ(Quad({s.mostAlive, s.alive, s.refreshes, 0}), Quad({1, 0, 1, 0}));
}
constexpr auto kBR = FromBottomRight;
INSTANTIATE_TEST_SUITE_P(
    Depths, BandTest,
    testing::Values(
        // 256 bands; steps 1 and 2 (143/256 = 0.56, 420/256 = 1.64); the corner ends in band 142.
        BandCase{kBR, 16, 1, 420, 143, 16, 256, {0, 142, 420, 143}, {418, 0, 420, 143}, {0, 0, -92, -113}, 0, 0, 142},
        BandCase{kBR, 24, 1, 420, 143, 24, 256, {0, 142, 420, 143}, {418, 0, 420, 143}, {0, 0, -92, -113}, 0, 0, 142},
        // 64 bands; steps 2 and 7; the right edge reaches 0 after 60 bands.
        BandCase{kBR, 8, 1, 420, 143, 8, 64, {0, 141, 420, 143}, {413, 0, 420, 143}, {0, 0, -28, 15}, 0, 0, 236},
        // 32 bands; steps 4 and 13; a 4 x 15 patch of pure blue stays at the corner.
        BandCase{kBR, 15, 1, 420, 143, 15, 32, {0, 139, 420, 143}, {407, 0, 420, 143}, {0, 0, 4, 15}, 0, 0, 255},
        // Planes times bits; a depth no table has counts as 4: 64 bands.
        BandCase{kBR, 4, 2, 420, 143, 8, 64, {0, 141, 420, 143}, {413, 0, 420, 143}, {0, 0, -28, 15}, 0, 0, 236},
        BandCase{kBR, 1, 1, 420, 143, 4, 64, {0, 141, 420, 143}, {413, 0, 420, 143}, {0, 0, -28, 15}, 0, 0, 236},
        BandCase{kBR, 0, 1, 420, 143, 4, 64, {0, 141, 420, 143}, {413, 0, 420, 143}, {0, 0, -28, 15}, 0, 0, 236},
        BandCase{kBR, 48, 1, 420, 143, 4, 64, {0, 141, 420, 143}, {413, 0, 420, 143}, {0, 0, -28, 15}, 0, 0, 236},
        // Steps round halves to even: 128/256 = 0.5 gives 0, 384/256 = 1.5 and 160/64 = 2.5 give 2.
        BandCase{kBR, 16, 1, 420, 128, 16, 256, {0, 128, 420, 128}, {418, 0, 420, 128}, {0, 0, -92, 128}, 0, 0, 209},
        BandCase{kBR, 16, 1, 420, 384, 16, 256, {0, 382, 420, 384}, {418, 0, 420, 384}, {0, 0, -92, -128}, 0, 0, 191},
        BandCase{kBR, 8, 1, 160, 143, 8, 64, {0, 141, 160, 143}, {158, 0, 160, 143}, {0, 0, 32, 15}, 0, 0, 255},
        // One direction: rows only, or columns only (any other mode too).
        BandCase{FromBottom, 16, 1, 420, 143, 16, 256, {0, 142, 420, 143}, {0, 141, 420, 142}, {0, 0, 420, -113}, 419, 0, 142},
        BandCase{FromRight, 16, 1, 420, 143, 16, 256, {418, 0, 420, 143}, {416, 0, 418, 143}, {0, 0, -92, 143}, 0, 142, 209},
        BandCase{GradientMode(5), 16, 1, 420, 143, 16, 256, {418, 0, 420, 143}, {416, 0, 418, 143}, {0, 0, -92, 143}, 0, 142, 209}));

TEST(BandTest, TheDepthIsMeasuredOnceAndFlatOnlySetsTheBackground) {
    RecordingSurface s;
    PainterState state;
    FakeWinApi api;
    PaintGradient(api, s, state, Flat);
    s.bits = 8;
    PaintGradient(api, s, state, Flat);
    EXPECT_EQ(Quad({s.caps, state.ColorDepth, state.BandCount, static_cast<int>(s.fills.size() + s.refreshes)}),
              Quad({2, 16, 256, 0}));
    EXPECT_EQ(s.backColors, std::vector<std::uint32_t>(2, 0x7F0000));
}

TEST(BandTest, ArithmeticFaultsRaiseNumberedErrors) {
    struct Case {
        int bits, planes;
        std::int32_t width, height;
        PainterState state;  // a band count of 0 can only come from a broken cache
        GradientMode mode;
        int number;
    };
    // As a single-precision value INT_MAX becomes 2^31, one past the 32-bit range.
    for (Case c : {Case{INT_MAX, 2, 420, 143, {}, kBR, 6}, Case{16, 1, INT_MAX, 143, {}, FromRight, 6},
                   Case{16, 1, 420, INT_MAX, {}, FromBottom, 6}, Case{16, 1, 420, 143, {16, 0}, kBR, 11}}) {
        RecordingSurface s;
        s.bits = c.bits, s.planes = c.planes, s.width = c.width, s.height = c.height;
        FakeWinApi api;
        const mShutDown::ErrorRecord record = RaisedBy([&] { PaintGradient(api, s, c.state, c.mode); });
        EXPECT_EQ(record.Number, c.number);
        EXPECT_EQ(record.Description, c.number == 6 ? "Overflow" : "Division by zero");
    }
}

}  // namespace
