// The notice's arithmetic: its layout at a resolution and the painter's bands.
#include <array>
#include <climits>

#include "FakeWinApi.h"
#include "window/Gradient.h"
#include "window/Layout.h"

namespace {

using namespace Gradient;
using Quad = std::array<std::int32_t, 4>;

TEST(LayoutTest, TwipsBecomePixelsAtTheScreensResolution) {
    // 15 twips a pixel at 96 dpi; at 144, 2145 twips is 214.5 pixels and 1005 is 100.5: halves go
    // to even.
    const std::tuple<int, Quad, Layout::Box, Layout::Box> cases[] = {
        // dpi, inner size, label2Right, font; the labels
        {96, {420, 143, 409, -48}, {0, 0, 417, 65}, {388, 64, 21, 67}},
        {120, {525, 179, 511, -60}, {0, 0, 521, 81}, {485, 80, 26, 84}},
        {144, {630, 214, 614, -72}, {0, 0, 626, 98}, {582, 96, 32, 100}}};
    for (auto& [dpi, sizes, label1, label2] : cases) {
        const Layout::NoticeLayout l = Layout::ForDpi(dpi, dpi);
        EXPECT_EQ(Quad({l.clientWidth, l.clientHeight, l.label2Right, l.fontHeight}), sizes);
        EXPECT_TRUE(l.label1 == label1 && l.label2 == label2) << dpi;
        EXPECT_TRUE(Layout::StatusLabel(l, 180, 67) ==
                    (Layout::Box{sizes[2] - 180, label2.top, 180, 67}))
            << dpi;
    }
    // The arithmetic is 32-bit: a resolution no screen has is taken as 100,000 dpi.
    EXPECT_EQ(Layout::ForDpi(3'000'000, 100'000).clientWidth, 437'500);
}

// Records every fill and the brushes alive; a brush's handle is its colour.
struct RecordingSurface : Surface {
    RecordingSurface(int bits, int planes, std::int32_t width, std::int32_t height)
        : bits(bits), planes(planes), width(width), height(height) {}
    int bits, planes, refreshes = 0, alive = 0, mostAlive = 0;
    std::int32_t width, height;
    std::vector<std::pair<Quad, int>> fills;  // rectangle, blue
    std::vector<std::uint32_t> backColors;

    int GetDeviceCaps(int index) override {
        return index == kBitsPixel ? bits : index == kPlanes ? planes : 0;
    }
    Brush CreateSolidBrush(std::uint32_t color) override {
        mostAlive = std::max(mostAlive, ++alive);
        return reinterpret_cast<Brush>(std::uintptr_t{color} + 1);  // never null: black is 0
    }
    int FillRect(const Rect& r, Brush b) override {
        return fills.push_back({{r.left, r.top, r.right, r.bottom}, Blue(b)}), 1;
    }
    static int Blue(Brush b) {
        return static_cast<int>((reinterpret_cast<std::uintptr_t>(b) - 1) >> 16);
    }
    int DeleteObject(Brush) override { return --alive, 1; }
    std::int32_t InnerWidth() override { return width; }
    std::int32_t InnerHeight() override { return height; }
    void SetBackColor(std::uint32_t color) override { backColors.push_back(color); }
    void Refresh() override { ++refreshes; }
    int BlueAt(std::int32_t x,
               std::int32_t y) const {  // that of the last fill covering the pixel, -1 for none
        int blue = -1;
        for (const auto& [r, b] : fills)
            blue = x >= r[0] && y >= r[1] && x < r[2] && y < r[3] ? b : blue;
        return blue;
    }
};

TEST(BandTest, PaintsTheBandsOfItsDepthOneBrushAtATime) {
    constexpr auto kBR = FromBottomRight;
    // The first fill and the last, in pure blue; a pixel at the top or left, and the blue it ends
    // in.
    struct {
        GradientMode mode;
        int bits, planes, width, height, depth, bands;
        Quad first, last;
        int x, y, blue;
    } cases[] = {
        // 256 bands; steps 1 and 2 (143/256 = 0.56, 420/256 = 1.64); the corner ends in band 142.
        {kBR, 16, 1, 420, 143, 16, 256, {0, 142, 420, 143}, {0, 0, -92, -113}, 0, 0, 142},
        {kBR, 24, 1, 420, 143, 24, 256, {0, 142, 420, 143}, {0, 0, -92, -113}, 0, 0, 142},
        // 64 bands; steps 2 and 7; the right edge reaches 0 after 60 bands.
        {kBR, 8, 1, 420, 143, 8, 64, {0, 141, 420, 143}, {0, 0, -28, 15}, 0, 0, 236},
        // 32 bands; steps 4 and 13; a 4 x 15 patch of pure blue stays at the corner.
        {kBR, 15, 1, 420, 143, 15, 32, {0, 139, 420, 143}, {0, 0, 4, 15}, 0, 0, 255},
        // Planes times bits; a depth no table has counts as 4: 64 bands.
        {kBR, 4, 2, 420, 143, 8, 64, {0, 141, 420, 143}, {0, 0, -28, 15}, 0, 0, 236},
        {kBR, 48, 1, 420, 143, 4, 64, {0, 141, 420, 143}, {0, 0, -28, 15}, 0, 0, 236},
        // Steps round halves to even: 128/256 = 0.5 gives 0, 384/256 = 1.5 and 160/64 = 2.5 give 2.
        {kBR, 16, 1, 420, 128, 16, 256, {0, 128, 420, 128}, {0, 0, -92, 128}, 0, 0, 209},
        {kBR, 16, 1, 420, 384, 16, 256, {0, 382, 420, 384}, {0, 0, -92, -128}, 0, 0, 191},
        {kBR, 8, 1, 160, 143, 8, 64, {0, 141, 160, 143}, {0, 0, 32, 15}, 0, 0, 255},
        // One direction: rows only, or columns only (any other mode too).
        {FromBottom, 16, 1, 420, 143, 16, 256, {0, 142, 420, 143}, {0, 0, 420, -113}, 419, 0, 142},
        {FromRight, 16, 1, 420, 143, 16, 256, {418, 0, 420, 143}, {0, 0, -92, 143}, 0, 142, 209},
        {GradientMode(5),
         16,
         1,
         420,
         143,
         16,
         256,
         {418, 0, 420, 143},
         {0, 0, -92, 143},
         0,
         142,
         209}};
    for (const auto& c : cases) {
        RecordingSurface s(c.bits, c.planes, c.width, c.height);
        PainterState state;
        FakeWinApi api;
        PaintGradient(api, s, state, c.mode);
        SCOPED_TRACE(testing::Message()
                     << c.bits << " bits, " << c.width << " x " << c.height << ", mode " << c.mode);
        EXPECT_EQ(std::make_pair(state.ColorDepth, state.BandCount),
                  std::make_pair(c.depth, std::int16_t(c.bands)));
        ASSERT_EQ(s.fills.size(), (c.mode == kBR ? 2u : 1u) * c.bands + 1);
        EXPECT_EQ(s.fills.front().first, c.first);
        EXPECT_EQ(s.fills.back(), std::make_pair(c.last, 255));
        EXPECT_EQ(
            Quad({s.BlueAt(c.width - 1, c.height - 1), s.BlueAt(c.x, c.y), s.mostAlive, s.alive}),
            Quad({0, c.blue, 1, 0}));
        // The depth is measured once per window; Flat only sets the background.
        s.bits = 1;
        PaintGradient(api, s, state, Flat);
        EXPECT_EQ(std::make_tuple(state.ColorDepth, s.fills.size(), s.refreshes, s.backColors),
                  std::make_tuple(c.depth, (c.mode == kBR ? 2u : 1u) * c.bands + 1, 1,
                                  std::vector<std::uint32_t>{0x7F0000}));
    }
}

TEST(BandTest, ArithmeticFaultsRaiseNumberedErrors) {
    // As a single-precision value INT_MAX becomes 2^31, one past the 32-bit range. A band count of
    // 0 can only come from a broken cache.
    struct {
        int bits, planes, width, height;
        PainterState state;
        GradientMode mode;
        int number;
    } cases[] = {{INT_MAX, 2, 420, 143, {}, FromBottomRight, 6},
                 {16, 1, INT_MAX, 143, {}, FromRight, 6},
                 {16, 1, 420, INT_MAX, {}, FromBottom, 6},
                 {16, 1, 420, 143, {16, 0}, FromBottomRight, 11}};
    for (auto& c : cases) {
        RecordingSurface s(c.bits, c.planes, c.width, c.height);
        FakeWinApi api;
        const mShutDown::ErrorRecord record =
            RaisedBy([&] { PaintGradient(api, s, c.state, c.mode); });
        EXPECT_EQ(record.Number, c.number);
        EXPECT_EQ(record.Description, c.number == 6 ? "Overflow" : "Division by zero");
    }
}

}  // namespace
