// Every release the program tells apart, and what it makes of each: the four
// release tests, the platform test, and the flags a shut-down asks for.
#pragma once

#include <cstdint>

struct ReleaseRow {
    const char* name;
    std::uint32_t major, minor, platform;
    std::int32_t result;  // what GetVersionExA answers
    bool win98, me, nt5, xp, nt;
    std::int32_t shutdownFlags;
};

inline constexpr ReleaseRow kReleases[] = {
    {"95", 4, 0, 1, 1, 0, 0, 0, 0, 0, 1},         {"NT4", 4, 0, 2, 1, 0, 0, 0, 0, 1, 8},
    {"98", 4, 10, 1, 1, 1, 0, 0, 0, 0, 1},        {"Me", 4, 90, 1, 1, 1, 1, 0, 0, 0, 1},
    {"2000", 5, 0, 2, 1, 0, 0, 1, 0, 1, 8},       {"XP", 5, 1, 2, 1, 0, 0, 1, 1, 1, 1},
    {"2003", 5, 2, 2, 1, 0, 0, 1, 0, 1, 8},       {"Vista", 6, 0, 2, 1, 0, 0, 0, 0, 1, 8},
    {"7", 6, 1, 2, 1, 0, 0, 0, 0, 1, 8},          {"10", 10, 0, 2, 1, 0, 0, 0, 0, 1, 8},
    {"Win32s", 3, 10, 0, 1, 0, 0, 0, 0, 0, 1},
    // The first half of the 98 test ignores the platform.
    {"NT_4_10", 4, 10, 2, 1, 1, 0, 0, 0, 1, 1},   {"9x_5_0", 5, 0, 1, 1, 1, 0, 0, 0, 0, 1},
    // The release tests accept only 1; the platform test any success. A failed
    // query must still shut down rather than log off.
    {"XP_answers_2", 5, 1, 2, 2, 0, 0, 0, 0, 1, 8}, {"query_fails", 5, 1, 2, 0, 0, 0, 0, 0, 0, 1},
};
