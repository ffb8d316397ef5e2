#include "power/ShutDown.h"
#include "power/VersionInfo.h"

namespace mShutDown {

namespace {
constexpr std::uint32_t kAnyReason = 0xFFFFFFFF;
constexpr std::int32_t kHighestFlags = 31;
constexpr std::int32_t kEndsTheMachine = EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF;
constexpr std::uint32_t kReasonMajorOther = 0x00000000;   // SHTDN_REASON_MAJOR_OTHER
constexpr std::uint32_t kReasonMinorOther = 0x00000000;   // SHTDN_REASON_MINOR_OTHER
constexpr std::uint32_t kReasonFlagPlanned = 0x80000000;  // SHTDN_REASON_FLAG_PLANNED
// "Other (Planned)", one of the reasons the system-shutdown call documents.
constexpr std::uint32_t kPlannedOther = kReasonMajorOther | kReasonMinorOther | kReasonFlagPlanned;

// ExitWindowsEx ends only the caller's logon session, and "can succeed without actually
// shutting down the computer" for a caller that is not the interactive user: a task run
// whether or not its user is logged on, or as SYSTEM, asks the system instead. Timeout 0 shows
// no dialog; no application is forced closed, so no unsaved work is lost.
win::Bool InitiateShutdown(win::WinApi& api, std::int32_t flags) {
    const win::Bool reboot = (flags & EWX_REBOOT) != 0;
    if (api.InitiateSystemShutdownExW(nullptr, nullptr, 0, 0, reboot, kPlannedOther)) return 1;
    if (api.GetLastError() != win::kErrorProcNotFound) return 0;
    return api.InitiateSystemShutdownW(nullptr, nullptr, 0, 0, reboot);  // before XP
}
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

    const bool interactive = SomeoneCanAnswer(api);
    if (!interactive && (flags & kEndsTheMachine) == 0)
        Raise(api, ErrNoInteractiveUser,
              "Can't log off: no interactive user is logged on to this window station.");
    const win::Bool accepted =
        interactive ? api.ExitWindowsEx(static_cast<std::uint32_t>(flags), kAnyReason)
                    : InitiateShutdown(api, flags);
    if (accepted) return true;
    auto code = api.GetLastError();
    Raise(api, ErrShutdownFailed,
          "ShutdownSystem failed: " + GetSystemErrorText(api, static_cast<std::int32_t>(code)));
}

}  // namespace mShutDown
