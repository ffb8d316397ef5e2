// Bands of blue that darken toward a window's bottom and/or right edge.
#pragma once

#include <cstdint>

#include "power/WinApi.h"

namespace Gradient {

enum GradientMode : std::int16_t { FromBottomRight = 0, FromBottom = 1, FromRight = 2, Flat = 3 };

inline constexpr int kBitsPixel = 12;
inline constexpr int kPlanes = 14;

struct Rect {
    std::int32_t left, top, right, bottom;
};

using Brush = void*;

// What the painter draws on, in device pixels: the four drawing calls, the
// target's inner size and background, and the refresh of the owning window.
class Surface {
public:
    virtual ~Surface() = default;
    virtual int GetDeviceCaps(int index) = 0;
    virtual Brush CreateSolidBrush(std::uint32_t color) = 0;
    virtual int FillRect(const Rect& rect, Brush brush) = 0;
    virtual int DeleteObject(Brush brush) = 0;
    virtual std::int32_t InnerWidth() = 0;
    virtual std::int32_t InnerHeight() = 0;
    virtual void SetBackColor(std::uint32_t color) = 0;
    virtual void Refresh() = 0;
};

// Measured on the first paint of each window and kept for its life.
struct PainterState {
    std::int32_t ColorDepth = 0;
    std::int16_t BandCount = 0;
};

inline constexpr std::uint32_t ColorRef(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | (g << 8) | (b << 16);
}

// Paints the whole inner area in bands (one brush alive at a time), or for
// Flat only sets the background to dark blue. Arithmetic faults raise error 6
// (Overflow) or 11 (Division by zero); api names the program in them.
void PaintGradient(win::WinApi& api, Surface& target, PainterState& state, GradientMode mode);

}  // namespace Gradient
