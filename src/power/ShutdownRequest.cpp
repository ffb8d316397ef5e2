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
// whether or not its user is logged on, as SYSTEM, or a program run as another user asks the
// system instead. Timeout 0 shows
// no dialog; no application is forced closed, so no unsaved work is lost.
win::Bool InitiateShutdown(win::WinApi& api, std::int32_t flags) {
    const win::Bool reboot = (flags & EWX_REBOOT) != 0;
    if (api.InitiateSystemShutdownExW(nullptr, nullptr, 0, 0, reboot, kPlannedOther)) return 1;
    if (api.GetLastError() != win::kErrorProcNotFound) return 0;
    return api.InitiateSystemShutdownW(nullptr, nullptr, 0, 0, reboot);  // before XP
}

// "If the system is not ready to handle the request, the last error code is ERROR_NOT_READY.
// The application should wait a short while and retry the call."
win::Bool InitiateShutdownWhenReady(win::WinApi& api, std::int32_t flags) {
    constexpr int kTries = 6;
    constexpr std::uint32_t kPause = 2000;
    for (int tried = 1;; ++tried) {
        if (InitiateShutdown(api, flags)) return 1;
        if (tried == kTries || api.GetLastError() != win::kErrorNotReady) return 0;
        api.Sleep(kPause);
    }
}

// As Windows' own Shut Down warns: other users' programs are closed, and their unsaved work is
// lost. No is the default, so that a key pressed by habit keeps it.
bool OthersAgree(win::WinApi& api, std::int32_t flags) {
    const int others = OtherUsers(api);
    if (others == 0) return true;
    constexpr std::uint32_t kAsk = 0x4 | 0x30 | 0x100 | 0x10000 | 0x40000;
    // MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_SETFOREGROUND | MB_TOPMOST
    constexpr std::int32_t kYes = 6;  // IDYES
    const bool restart = (flags & EWX_REBOOT) != 0;
    const std::string text =
        (others == 1 ? std::string("Another user is") : Decimal(others) + " other users are") +
        " logged on to this computer. If it " + (restart ? "restarts" : "shuts down") +
        " now, their programs are closed and unsaved work may be lost.\r\n\r\n" +
        (restart ? "Restart" : "Shut down") + " anyway?";
    const std::string title = ProgramName(api.ModuleFileName());
    return api.MessageBoxA(nullptr, text.c_str(), title.c_str(), kAsk) == kYes;
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

bool ShutdownSystem(win::WinApi& api, WindowsNTCache& family, std::int32_t flags,
                    const Audience& audience) {
    if (flags < 0 || flags > kHighestFlags)
        Raise(api, ErrInvalidParameter, "Invalid parameter to ShutdownSystem: " + Decimal(flags),
              "64");
    const bool endsTheMachine = (flags & kEndsTheMachine) != 0;
    if (endsTheMachine && audience.someoneSees && !OthersAgree(api, flags)) return false;

    if (family.IsWindowsNT(api) && !EnableShutdownPrivilege(api)) return false;

    if (!audience.interactiveUser && !endsTheMachine)
        Raise(api, ErrNoInteractiveUser,
              "Can't log off: this program does not run as the user logged on here.");
    const win::Bool accepted =
        audience.interactiveUser ? api.ExitWindowsEx(static_cast<std::uint32_t>(flags), kAnyReason)
                                 : InitiateShutdownWhenReady(api, flags);
    if (accepted) return true;
    auto code = api.GetLastError();
    Raise(api, ErrShutdownFailed,
          "ShutdownSystem failed: " + GetSystemErrorText(api, static_cast<std::int32_t>(code)));
}

}  // namespace mShutDown
