// The notice's geometry: its layout at a resolution and the painter's bands.
#include <array>

#include "FakeWinApi.h"
#include "window/Gradient.h"
#include "window/Layout.h"

namespace {

using namespace Gradient;
using Quad = std::array<std::int32_t, 4>;

TEST(PaintTest, TwipsBecomePixelsAtTheScreensResolutionHalvesToEven) {
    // At 144 dpi 2145 twips is 214.5 pixels, 1005 is 100.5; 60 twips of frame are 6.
    const Layout::NoticeLayout l = Layout::ForDpi(144, 144);
    EXPECT_EQ(std::vector({l.clientWidth, l.clientHeight, l.frameX, l.frameY, l.label2Right}),
              std::vector({630, 214, 6, 6, 614}));
    EXPECT_EQ(l.fontHeight, -72);
    EXPECT_EQ(l.label1, (Layout::Box{0, 0, 626, 98}));
    EXPECT_EQ(l.label2, (Layout::Box{582, 96, 32, 100}));
    // A caption grows the status label leftward from its right edge.
    EXPECT_EQ(Layout::StatusLabel(l, 180, 67), (Layout::Box{434, 96, 180, 67}));
    // The arithmetic is 32-bit: a resolution no screen has is taken as 100,000 dpi.
    EXPECT_EQ(Layout::ForDpi(3'000'000, 100'000).clientWidth, 437'500);
}

// Records every fill and the brushes alive; a brush's handle is its colour plus one.
struct RecordingSurface : Surface {
    explicit RecordingSurface(Quad screen = {16, 1, 420, 143}) : screen(screen) {}
    Quad screen;  // bits per pixel, planes, inner width and height
    int alive = 0;
    std::vector<std::pair<Quad, int>> fills;  // rectangle, blue

    int GetDeviceCaps(int index) override { return screen[index == kBitsPixel ? 0 : 1]; }
    Brush CreateSolidBrush(std::uint32_t color) override {
        ++alive;
        return reinterpret_cast<Brush>(std::uintptr_t{color} + 1);
    }
    int FillRect(const Rect& r, Brush brush) override {
        const auto blue = (reinterpret_cast<std::uintptr_t>(brush) - 1) >> 16;
        fills.push_back({{r.left, r.top, r.right, r.bottom}, static_cast<int>(blue)});
        return 1;
    }
    int DeleteObject(Brush) override {
        --alive;
        return 1;
    }
    std::int32_t InnerWidth() override { return screen[2]; }
    std::int32_t InnerHeight() override { return screen[3]; }
    void SetBackColor(std::uint32_t) override {}
    void Refresh() override {}
    // The blue of the last fill that covers the pixel; -1 for none.
    int BlueAt(std::int32_t x, std::int32_t y) const {
        int blue = -1;
        for (const auto& [r, b] : fills) {
            if (x >= r[0] && y >= r[1] && x < r[2] && y < r[3]) blue = b;
        }
        return blue;
    }
};

TEST(PaintTest, TheBandsOfTheScreensDepthDarkenTowardTheBottomAndRight) {
    const struct {
        Quad screen;  // bits per pixel, planes, inner width and height
        int bands;
        int corner;  // the blue the top left corner ends in
    } rows[] = {
        // Steps 1 and 2 (143 / 256 = 0.56, 420 / 256 = 1.64): the corner ends in band 142.
        {.screen = {16, 1, 420, 143}, .bands = 256, .corner = 142},
        {.screen = {8, 1, 420, 143}, .bands = 64, .corner = 236},
        {.screen = {15, 1, 420, 143}, .bands = 32, .corner = 255},
        // Planes times bits; a depth no table has counts as 4.
        {.screen = {4, 2, 420, 143}, .bands = 64, .corner = 236},
        {.screen = {48, 1, 420, 143}, .bands = 64, .corner = 236},
        // Steps round halves to even: 128 / 256 gives 0, 384 / 256 gives 2.
        {.screen = {16, 1, 420, 128}, .bands = 256, .corner = 209},
        {.screen = {16, 1, 420, 384}, .bands = 256, .corner = 191},
    };
    for (const auto& [screen, bands, corner] : rows) {
        RecordingSurface s(screen);
        PainterState state;
        FakeWinApi api;
        PaintGradient(api, s, state, FromBottomRight);
        SCOPED_TRACE(testing::PrintToString(screen));
        ASSERT_EQ(s.fills.size(), 2u * bands + 1);
        EXPECT_EQ(s.BlueAt(0, 0), corner);
        EXPECT_EQ(s.BlueAt(screen[2] - 1, screen[3] - 1), 0);
        EXPECT_EQ(s.alive, 0);
    }
}

}  // namespace
