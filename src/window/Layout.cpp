#include "window/Layout.h"

#include <algorithm>

namespace Layout {

namespace {

// The notice as designed, in twips.
constexpr int kClientWidth = 6300, kClientHeight = 2145;
constexpr int kFrame = 60;
constexpr int kLabel1Width = 6255, kLabel1Height = 975;
constexpr int kLabel2Left = 5820, kLabel2Top = 960, kLabel2Width = 315, kLabel2Height = 1005;
constexpr int kLabel2Right = 6135;
constexpr int kFontPoints = 36;

// The arithmetic stays within 32 bits (the exe has no 64-bit division) for
// every length here up to this resolution; Windows offers at most 480 dpi.
constexpr int kMostDpi = 100000;

// n / d rounded to nearest, halves to even; d > 0, n >= 0.
int DivideRounded(int n, int d) {
    int q = n / d, r = n % d;
    if (2 * r > d || (2 * r == d && q % 2 != 0)) ++q;
    return q;
}

// 2145 twips at 144 dpi is 214.5 pixels: 214.
int TwipsToPixels(int twips, int dpi) { return DivideRounded(twips * dpi, kTwipsPerInch); }

}  // namespace

NoticeLayout ForDpi(int dpiX, int dpiY) {
    dpiX = std::clamp(dpiX, 0, kMostDpi);
    dpiY = std::clamp(dpiY, 0, kMostDpi);
    NoticeLayout l{};
    l.clientWidth = TwipsToPixels(kClientWidth, dpiX);
    l.clientHeight = TwipsToPixels(kClientHeight, dpiY);
    l.frameX = TwipsToPixels(kFrame, dpiX);
    l.frameY = TwipsToPixels(kFrame, dpiY);
    l.label1 = {0, 0, TwipsToPixels(kLabel1Width, dpiX), TwipsToPixels(kLabel1Height, dpiY)};
    l.label2 = {TwipsToPixels(kLabel2Left, dpiX), TwipsToPixels(kLabel2Top, dpiY),
                TwipsToPixels(kLabel2Width, dpiX), TwipsToPixels(kLabel2Height, dpiY)};
    l.label2Right = TwipsToPixels(kLabel2Right, dpiX);
    l.fontHeight = -DivideRounded(kFontPoints * dpiY, kPointsPerInch);
    return l;
}

Box StatusLabel(const NoticeLayout& layout, int textWidth, int textHeight) {
    return {layout.label2Right - textWidth, layout.label2.top, textWidth, textHeight};
}

Point Centred(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
    return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

}  // namespace Layout
