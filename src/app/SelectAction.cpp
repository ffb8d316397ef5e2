#include "app/SelectAction.h"

#include <optional>

#include "app/CommandLine.h"
#include "power/VersionInfo.h"

namespace mShutDown {

std::int32_t ShutdownFlags(win::WinApi& api) {
    // All four tests always run and the last true one wins.
    std::optional<std::int32_t> flags;
    if (VersionInfo::IsWinNT5(api)) flags = EWX_POWEROFF;
    if (VersionInfo::IsWinXP(api)) flags = EWX_SHUTDOWN;
    if (VersionInfo::IsWin98OrLater(api)) flags = EWX_SHUTDOWN;
    if (VersionInfo::IsWinMe(api)) flags = EWX_SHUTDOWN;
    if (flags) return *flags;

    // A release none of the tests knows (NT 4.0, Vista to 11, 95, Win32s): a shut-down must never
    // turn into a log-off. From Vista on only EWX_POWEROFF turns the power off. NT 4.0's own
    // hardware layer cannot, and asked to, it restarts the machine instead; like 95 it gets the
    // plain shut-down its own Shut Down asks for.
    return VersionInfo::IsVistaOrLater(api) ? EWX_POWEROFF : EWX_SHUTDOWN;
}

ActionChoice SelectAction(win::WinApi& api) {
    const std::wstring token =
        GetCommandArgument(ArgumentString(api.CommandLine(), api.ModuleFileNameW()));
    ActionChoice choice;
    if (token.empty()) {
        choice.ExitFlags = EWX_REBOOT;
        choice.StatusCaption = L"ReBoot !";
    } else if (token == L"L" || token == L"l") {
        choice.ExitFlags = EWX_LOGOFF;
        choice.StatusCaption = L"LogOff !";
    } else if (token == L"S" || token == L"s" || token == L"P" || token == L"p") {
        choice.ExitFlags = ShutdownFlags(api);
        choice.StatusCaption = L"ShutDown !";
    }
    return choice;
}

}  // namespace mShutDown
