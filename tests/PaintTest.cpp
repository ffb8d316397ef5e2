// The notice's geometry: its layout at a resolution and the painter's bands.
#include <array>
#include <climits>

#include "FakeWinApi.h"
#include "window/Gradient.h"
#include "window/Layout.h"

namespace {

using namespace Gradient;
using mShutDown::ErrOverflow;
using Quad = std::array<std::int32_t, 4>;

struct LayoutRow {
    int dpi;
    Quad sizes;  // inner width and height, the status label's right edge, the font's height
    Layout::Box label1;
    Layout::Box label2;
};

TEST(PaintTest, TwipsBecomePixelsAtTheScreensResolutionHalvesToEven) {
    const LayoutRow rows[] = {
        {96, {420, 143, 409, -48}, {0, 0, 417, 65}, {388, 64, 21, 67}},
        // 2145 twips is 214.5 pixels, 1005 is 100.5.
        {144, {630, 214, 614, -72}, {0, 0, 626, 98}, {582, 96, 32, 100}},
    };
    for (const LayoutRow& row : rows) {
        const Layout::NoticeLayout l = Layout::ForDpi(row.dpi, row.dpi);
        EXPECT_EQ(Quad({l.clientWidth, l.clientHeight, l.label2Right, l.fontHeight}), row.sizes);
        EXPECT_EQ(l.label1, row.label1) << row.dpi;
        EXPECT_EQ(l.label2, row.label2) << row.dpi;
        // A caption grows the status label leftward from its right edge.
        const Layout::Box sized{row.sizes[2] - 180, row.label2.top, 180, 67};
        EXPECT_EQ(Layout::StatusLabel(l, 180, 67), sized) << row.dpi;
    }
    // The arithmetic is 32-bit: a resolution no screen has is taken as 100,000 dpi.
    EXPECT_EQ(Layout::ForDpi(3'000'000, 100'000).clientWidth, 437'500);
}

// Records every fill and the brushes alive; a brush's handle is its colour plus one.
struct RecordingSurface : Surface {
    explicit RecordingSurface(Quad screen = {16, 1, 420, 143}) : screen(screen) {}
    Quad screen;  // bits per pixel, planes, inner width and height
    int alive = 0;
    int mostAlive = 0;
    std::vector<std::pair<Quad, int>> fills;  // rectangle, blue

    int GetDeviceCaps(int index) override { return screen[index == kBitsPixel ? 0 : 1]; }
    Brush CreateSolidBrush(std::uint32_t color) override {
        mostAlive = std::max(mostAlive, ++alive);
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

struct BandRow {
    Quad screen;  // bits per pixel, planes, inner width and height
    int bands;
    int corner;  // the blue the top left corner ends in
};

TEST(PaintTest, TheBandsOfTheScreensDepthDarkenTowardTheBottomAndRight) {
    const BandRow rows[] = {
        // Steps 1 and 2 (143 / 256 = 0.56, 420 / 256 = 1.64): the corner ends in band 142.
        {{16, 1, 420, 143}, 256, 142},
        {{24, 1, 420, 143}, 256, 142},
        {{8, 1, 420, 143}, 64, 236},
        {{15, 1, 420, 143}, 32, 255},
        // Planes times bits; a depth no table has counts as 4.
        {{4, 2, 420, 143}, 64, 236},
        {{48, 1, 420, 143}, 64, 236},
        // Steps round halves to even: 128 / 256 gives 0, 384 / 256 gives 2.
        {{16, 1, 420, 128}, 256, 209},
        {{16, 1, 420, 384}, 256, 191},
    };
    for (const BandRow& row : rows) {
        RecordingSurface s(row.screen);
        PainterState state;
        FakeWinApi api;
        PaintGradient(api, s, state, FromBottomRight);
        SCOPED_TRACE(testing::PrintToString(row.screen));
        ASSERT_EQ(s.fills.size(), 2u * row.bands + 1);
        EXPECT_EQ(s.BlueAt(0, 0), row.corner);
        EXPECT_EQ(s.BlueAt(row.screen[2] - 1, row.screen[3] - 1), 0);
        EXPECT_EQ(s.mostAlive, 1);
        EXPECT_EQ(s.alive, 0);
    }
}

TEST(PaintTest, SizesAreSinglePrecisionOnTheX87TooSoTheWidestOverflows) {
    // As a single-precision value INT_MAX is 2^31, one past the 32-bit range; in the 387's
    // extended precision it would still fit.
    RecordingSurface s({16, 1, INT_MAX, 143});
    PainterState state;
    FakeWinApi api;
    EXPECT_EQ(RaisedBy([&] { PaintGradient(api, s, state, FromBottomRight); }).Number, ErrOverflow);
}

}  // namespace
