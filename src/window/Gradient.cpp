#include "window/Gradient.h"

#include <cmath>
#include <limits>

#include "power/ShutDown.h"

namespace Gradient {

namespace {

constexpr std::uint32_t kFlatBlue = ColorRef(0, 0, 127);
constexpr std::uint32_t kPureBlue = ColorRef(0, 0, 255);

// Every step is checked: a fault ends the run like any other error.
class Checked {
public:
    explicit Checked(win::WinApi& api) : api_(api) {}

    std::int32_t Add(std::int32_t a, std::int32_t b) {
        std::int32_t r;
        if (__builtin_add_overflow(a, b, &r)) Overflow();
        return r;
    }
    std::int32_t Sub(std::int32_t a, std::int32_t b) {
        std::int32_t r;
        if (__builtin_sub_overflow(a, b, &r)) Overflow();
        return r;
    }
    std::int32_t Mul(std::int32_t a, std::int32_t b) {
        std::int32_t r;
        if (__builtin_mul_overflow(a, b, &r)) Overflow();
        return r;
    }
    std::int16_t To16(std::int32_t v) {
        if (v < std::numeric_limits<std::int16_t>::min() ||
            v > std::numeric_limits<std::int16_t>::max())
            Overflow();
        return static_cast<std::int16_t>(v);
    }
    // Rounded to nearest, ties to even, as the default floating-point mode does.
    std::int32_t Round(double v) {
        if (!std::isfinite(v)) Overflow();
        double r = std::nearbyint(v);
        if (r < std::numeric_limits<std::int32_t>::min() ||
            r > std::numeric_limits<std::int32_t>::max())
            Overflow();
        return static_cast<std::int32_t>(r);
    }
    std::int32_t Quotient(double a, double b) {
        if (b == 0) mShutDown::Raise(api_, mShutDown::ErrDivisionByZero, "Division by zero");
        // Rounded to a double first, as on every other target: the 387 would keep the quotient
        // in its extended precision.
        volatile double quotient = a / b;
        return Round(quotient);
    }

private:
    [[noreturn]] void Overflow() { mShutDown::Raise(api_, mShutDown::ErrOverflow, "Overflow"); }
    win::WinApi& api_;
};

std::int16_t BandsFor(std::int32_t& depth) {
    switch (depth) {
        case 4:
        case 8:
            return 64;
        case 15:
            return 32;
        case 16:
        case 24:
        case 32:
            return 256;
        default:
            depth = 4;
            return 64;  // monochrome, or a failed query
    }
}

// The inner size is read as a single-precision value, which holds every size the layout can
// make (at most 437,500 pixels) exactly.
float Single(std::int32_t value) { return static_cast<float>(value); }

void FillBand(Surface& target, const Rect& rect, std::uint32_t color) {
    Brush brush = target.CreateSolidBrush(color);
    target.FillRect(rect, brush);
    target.DeleteObject(brush);
}

}  // namespace

void PaintGradient(win::WinApi& api, Surface& target, PainterState& state, GradientMode mode) {
    Checked math(api);
    if (state.ColorDepth == 0) {
        state.ColorDepth =
            math.Mul(target.GetDeviceCaps(kBitsPixel), target.GetDeviceCaps(kPlanes));
        state.BandCount = BandsFor(state.ColorDepth);
    }
    if (mode == Flat) {
        target.SetBackColor(kFlatBlue);
        return;
    }

    const std::int32_t height = math.Round(Single(target.InnerHeight()));
    const std::int32_t width = math.Round(Single(target.InnerWidth()));
    const std::int32_t colorStep = math.Quotient(256, state.BandCount);
    const std::int32_t heightStep = math.Quotient(height, state.BandCount);
    const std::int32_t widthStep = math.Quotient(width, state.BandCount);

    Rect rect{0, 0, width, height};
    std::int32_t blue = 0;
    // A 16-bit band count cannot overflow a 32-bit counter.
    for (std::int32_t band = 0; band < state.BandCount; ++band) {
        const std::uint32_t color = ColorRef(0, 0, static_cast<std::uint16_t>(math.To16(blue)));
        Brush brush = target.CreateSolidBrush(color);
        if (mode == FromBottomRight) {
            target.FillRect({0, math.Sub(rect.bottom, heightStep), rect.right, rect.bottom}, brush);
            target.FillRect({math.Sub(rect.right, widthStep), 0, rect.right, rect.bottom}, brush);
            rect.bottom = math.Sub(rect.bottom, heightStep);
            rect.right = math.Sub(rect.right, widthStep);
        } else if (mode == FromBottom) {
            target.FillRect({rect.left, math.Sub(rect.bottom, heightStep), rect.right, rect.bottom},
                            brush);
            rect.bottom = math.Sub(rect.bottom, heightStep);
        } else {
            target.FillRect({math.Sub(rect.right, widthStep), rect.top, rect.right, rect.bottom},
                            brush);
            rect.right = math.Sub(rect.right, widthStep);
        }
        target.DeleteObject(brush);
        blue = math.Add(blue, colorStep);
    }
    FillBand(target, {0, 0, rect.right, rect.bottom}, kPureBlue);
    target.Refresh();
}

}  // namespace Gradient
