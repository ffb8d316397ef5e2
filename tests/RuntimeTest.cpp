// The C routines the exe supplies for itself, each against the C run-time's own.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

#include "app/LeanRuntime.h"

namespace {

TEST(RuntimeTest, EachRoutineAnswersAsTheCRunTimesOwnDoes) {
    // Overlapping forward and backward, onto itself, and nothing.
    for (const auto& [to, from, count] : {std::array{2, 0, 6}, {0, 2, 6}, {3, 3, 5}, {1, 7, 0}}) {
        char mine[] = "abcdefgh";
        char theirs[] = "abcdefgh";
        lean::MoveBytes(mine + to, mine + from, count);
        std::memmove(theirs + to, theirs + from, count);
        EXPECT_STREQ(mine, theirs) << to << " from " << from;
    }
    // Bytes compare and are found as unsigned chars.
    EXPECT_GT(lean::CompareBytes("ab\x80", "ab\x01", 3), 0);
    EXPECT_LT(lean::CompareBytes("ab\x01", "ab\x80", 3), 0);
    const char text[] = "find \xE9 here";
    EXPECT_EQ(lean::FindByte(text, 0xE9, sizeof text), std::memchr(text, 0xE9, sizeof text));
    // Halves to even.
    for (double value : {0.5, 1.5, 2.5, -0.5, -2.5, 2.4999, 1e10 + 0.5, 4194304.5}) {
        EXPECT_EQ(lean::RoundToEven(value), std::nearbyint(value)) << value;
    }
}

}  // namespace
