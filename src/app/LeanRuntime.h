// The C routines the exe supplies for itself (LeanRuntime.cpp makes them the
// C run-time's names), here under names of their own so that the tests can
// check them beside the real C run-time.
#pragma once

#include <cstddef>

namespace lean {

inline void* CopyBytes(void* to, const void* from, std::size_t n) {
    auto* d = static_cast<unsigned char*>(to);
    const auto* s = static_cast<const unsigned char*>(from);
    while (n--) *d++ = *s++;
    return to;
}

// Overlapping ranges too: a source below the target is copied from its end,
// so that every byte is read before it is written over.
inline void* MoveBytes(void* to, const void* from, std::size_t n) {
    auto* d = static_cast<unsigned char*>(to);
    const auto* s = static_cast<const unsigned char*>(from);
    if (d < s) return CopyBytes(to, from, n);
    while (n--) d[n] = s[n];
    return to;
}

inline void* FillBytes(void* to, int value, std::size_t n) {
    auto* d = static_cast<unsigned char*>(to);
    while (n--) *d++ = static_cast<unsigned char>(value);
    return to;
}

// Negative, zero or positive as the first differing byte, unsigned, is lower or higher.
inline int CompareBytes(const void* a, const void* b, std::size_t n) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    for (; n; --n, ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
    }
    return 0;
}

inline void* FindByte(const void* in, int value, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(in);
    for (; n; --n, ++p) {
        if (*p == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(p);
    }
    return nullptr;
}

template <typename Char>
std::size_t Length(const Char* s) {
    std::size_t n = 0;
    while (s[n]) ++n;
    return n;
}

// To the nearest whole number, halves to even: the 387's own rounding in the
// mode Windows leaves it in. (frndint is a 387 instruction.)
inline double RoundToEven(double value) {
    long double rounded;
    __asm__("frndint" : "=t"(rounded) : "0"(static_cast<long double>(value)));
    return static_cast<double>(rounded);
}

}  // namespace lean
