#include "power/VersionInfo.h"

#include <cstdint>

static_assert(sizeof(win::OsVersionInfoA) == 148, "OSVERSIONINFOA is 148 bytes");

namespace VersionInfo {

namespace {

struct Release {
    std::int32_t major;
    std::int32_t minor;
    std::int32_t platform;
};

// The four release tests accept only a result of exactly 1.
template <typename Condition>
bool Test(win::WinApi& api, Condition condition) {
    win::OsVersionInfoA info;
    if (QueryVersion(api, info) != 1) return false;
    return condition(Release{static_cast<std::int32_t>(info.dwMajorVersion),
                             static_cast<std::int32_t>(info.dwMinorVersion),
                             static_cast<std::int32_t>(info.dwPlatformId)});
}

constexpr std::int32_t k9x = win::kPlatformWin9x;
constexpr std::int32_t kNT = win::kPlatformNT;

bool NTFrom(win::WinApi& api, std::uint32_t major) {
    win::OsVersionInfoA info;
    return QueryVersion(api, info) && info.dwPlatformId == win::kPlatformNT &&
           info.dwMajorVersion >= major;
}

}  // namespace

win::Bool QueryVersion(win::WinApi& api, win::OsVersionInfoA& info) {
    info = {};
    info.dwOSVersionInfoSize = sizeof info;
    return api.GetVersionExA(info);
}

bool IsVistaOrLater(win::WinApi& api) { return NTFrom(api, 6); }

bool IsWin2000OrLater(win::WinApi& api) { return NTFrom(api, 5); }

bool IsWin98OrLater(win::WinApi& api) {
    // The first half deliberately ignores the platform: NT 4.x with a minor
    // version above 0 would count too.
    return Test(api, [](Release r) {
        return (r.major == 4 && r.minor > 0) || (r.major > 4 && r.platform == k9x);
    });
}

bool IsWinMe(win::WinApi& api) {
    return Test(api, [](Release r) { return r.minor == 90 && r.major == 4 && r.platform == k9x; });
}

bool IsWinNT5(win::WinApi& api) {
    return Test(api, [](Release r) { return r.major == 5 && r.platform == kNT; });
}

bool IsWinXP(win::WinApi& api) {
    return Test(api, [](Release r) { return r.minor == 1 && r.major == 5 && r.platform == kNT; });
}

}  // namespace VersionInfo
