// Where the notice's parts go, in pixels, from its design in twips
// (1/1440 inch) and the screen's logical resolution.
#pragma once

#include <cstdint>

namespace Layout {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPointsPerInch = 72;

struct Box {
    int left, top, width, height;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool operator==(const Box&) const = default;
};

struct NoticeLayout {
    int clientWidth, clientHeight;  // the inner area
    int frameX, frameY;             // the frame's width at the sides, and at the top and bottom
    Box label1;                     // "Windows will now"
    Box label2;                     // the status label before it has a caption
    int label2Right;                // the status label grows leftward from here
    int fontHeight;                 // a negative LOGFONT height: the em size in pixels
    int windowWidth() const { return clientWidth + 2 * frameX; }
    int windowHeight() const { return clientHeight + 2 * frameY; }
};

// The layout at a screen's resolution, in pixels rounded to nearest with
// halves to even. A resolution below 0 or above 100,000 dpi (no screen has
// one) counts as the nearest of those.
NoticeLayout ForDpi(int dpiX, int dpiY);

// The status label sized to a caption that measures textWidth x textHeight.
Box StatusLabel(const NoticeLayout& layout, int textWidth, int textHeight);

// The top-left corner that centres a window of this size on the screen.
struct Point {
    int x, y;
    bool operator==(const Point&) const = default;
};
Point Centred(int screenWidth, int screenHeight, int windowWidth, int windowHeight);

}  // namespace Layout
