#include "window/Layout.h"

namespace Layout {

namespace {

// The notice as designed, in twips.
constexpr int kClientWidth = 6300, kClientHeight = 2145;
constexpr int kLabel1Width = 6255, kLabel1Height = 975;
constexpr int kLabel2Left = 5820, kLabel2Top = 960, kLabel2Width = 315, kLabel2Height = 1005;
constexpr int kLabel2Right = 6135;
constexpr int kFontPoints = 36;

// n / d rounded to nearest, halves to even; d > 0, n >= 0.
int DivideRounded(std::int64_t n, std::int64_t d) {
    std::int64_t q = n / d, r = n % d;
    if (2 * r > d || (2 * r == d && q % 2 != 0)) ++q;
    return static_cast<int>(q);
}

}  // namespace

int TwipsToPixels(int twips, int dpi) {
    const std::int64_t product = static_cast<std::int64_t>(twips) * dpi;
    const int magnitude = DivideRounded(product < 0 ? -product : product, kTwipsPerInch);
    return product < 0 ? -magnitude : magnitude;
}

NoticeLayout ForDpi(int dpiX, int dpiY) {
    NoticeLayout l{};
    l.clientWidth = TwipsToPixels(kClientWidth, dpiX);
    l.clientHeight = TwipsToPixels(kClientHeight, dpiY);
    l.label1 = {0, 0, TwipsToPixels(kLabel1Width, dpiX), TwipsToPixels(kLabel1Height, dpiY)};
    l.label2 = {TwipsToPixels(kLabel2Left, dpiX), TwipsToPixels(kLabel2Top, dpiY),
                TwipsToPixels(kLabel2Width, dpiX), TwipsToPixels(kLabel2Height, dpiY)};
    l.label2Right = TwipsToPixels(kLabel2Right, dpiX);
    l.fontHeight = -DivideRounded(static_cast<std::int64_t>(kFontPoints) * dpiY, kPointsPerInch);
    return l;
}

Box StatusLabel(const NoticeLayout& layout, int textWidth, int textHeight) {
    return {layout.label2Right - textWidth, layout.label2.top, textWidth, textHeight};
}

Point Centred(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
    return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

}  // namespace Layout
