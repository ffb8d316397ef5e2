#include "power/ShutDown.h"
#include "power/VersionInfo.h"

namespace mShutDown {

namespace {
constexpr std::uint32_t kAnyReason = 0xFFFFFFFF;
constexpr std::int32_t kHighestFlags = 31;
}  // namespace

bool WindowsNTCache::IsWindowsNT(win::WinApi& api) {
    if (known_) return isNT_;
    win::OsVersionInfoA info;
    if (VersionInfo::QueryVersion(api, info) == 0) return false;
    isNT_ = info.dwPlatformId == win::kPlatformNT;
    known_ = true;
    return isNT_;
}

bool ShutdownSystem(win::WinApi& api, WindowsNTCache& family, std::int32_t flags) {
    if (flags < 0 || flags > kHighestFlags)
        Raise(api, ErrInvalidParameter, "Invalid parameter to ShutdownSystem: " + Decimal(flags),
              "64");

    if (family.IsWindowsNT(api) && !EnableShutdownPrivilege(api)) return false;

    if (api.ExitWindowsEx(static_cast<std::uint32_t>(flags), kAnyReason)) return true;
    auto code = api.GetLastError();
    Raise(api, ErrShutdownFailed,
          "ShutdownSystem failed: " + GetSystemErrorText(api, static_cast<std::int32_t>(code)));
}

}  // namespace mShutDown
