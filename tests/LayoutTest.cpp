#include <gtest/gtest.h>

#include "window/Layout.h"

namespace {

using Layout::Box;

struct DpiCase {
    int dpi;
    int clientWidth, clientHeight;
    Box label1, label2;
    int label2Right, fontHeight;
};

class LayoutDpiTest : public ::testing::TestWithParam<DpiCase> {};

TEST_P(LayoutDpiTest, TwipsBecomePixelsAtTheScreensResolution) {
    const DpiCase& c = GetParam();
    const Layout::NoticeLayout l = Layout::ForDpi(c.dpi, c.dpi);
    EXPECT_EQ(l.clientWidth, c.clientWidth);
    EXPECT_EQ(l.clientHeight, c.clientHeight);
    EXPECT_EQ(l.label1, c.label1);
    EXPECT_EQ(l.label2, c.label2);
    EXPECT_EQ(l.label2Right, c.label2Right);
    EXPECT_EQ(l.fontHeight, c.fontHeight);
}

// 96 dpi is 15 twips a pixel; at 144, 2145 twips is 214.5 pixels and rounds to even.
INSTANTIATE_TEST_SUITE_P(Resolutions, LayoutDpiTest,
                         ::testing::Values(DpiCase{96, 420, 143, {0, 0, 417, 65}, {388, 64, 21, 67}, 409, -48},
                                           DpiCase{120, 525, 179, {0, 0, 521, 81}, {485, 80, 26, 84}, 511, -60},
                                           DpiCase{144, 630, 214, {0, 0, 626, 98}, {582, 96, 32, 100}, 614, -72},
                                           DpiCase{192, 840, 286, {0, 0, 834, 130}, {776, 128, 42, 134}, 818, -96}));

TEST(LayoutTest, HalvesRoundToEven) {
    EXPECT_EQ(Layout::TwipsToPixels(2145, 144), 214);  // 214.5
    EXPECT_EQ(Layout::TwipsToPixels(1005, 144), 100);  // 100.5
    EXPECT_EQ(Layout::TwipsToPixels(315, 96), 21);     // exactly 21
    EXPECT_EQ(Layout::TwipsToPixels(22, 96), 1);       // 1.47
    EXPECT_EQ(Layout::TwipsToPixels(23, 96), 2);       // 1.53
    EXPECT_EQ(Layout::TwipsToPixels(-2145, 144), -214);
    EXPECT_EQ(Layout::TwipsToPixels(0, 96), 0);
}

TEST(LayoutTest, StatusLabelKeepsItsRightEdgeAndTopAsItsCaptionChanges) {
    const Layout::NoticeLayout l = Layout::ForDpi(96, 96);
    for (int width : {0, 1, 180, 409, 500}) {
        const Box b = Layout::StatusLabel(l, width, 67);
        EXPECT_EQ(b.right(), 409) << width;
        EXPECT_EQ(b.top, 64) << width;
        EXPECT_EQ(b.width, width);
        EXPECT_EQ(b.height, 67);
    }
}

TEST(LayoutTest, CentredOnTheScreen) {
    EXPECT_EQ(Layout::Centred(1024, 768, 428, 151), (Layout::Point{298, 308}));
    EXPECT_EQ(Layout::Centred(1920, 1080, 638, 222), (Layout::Point{641, 429}));
    // A window larger than the screen still centres, off both edges.
    EXPECT_EQ(Layout::Centred(400, 100, 428, 151), (Layout::Point{-14, -25}));
}

}  // namespace
