#include "power/ShutDown.h"

namespace mShutDown {

namespace {

constexpr const char* kShutdownPrivilege = "SeShutdownPrivilege";  // SE_SHUTDOWN_NAME
constexpr std::uint32_t kTokenAdjustAndQuery =
    0x20 | 0x08;                                // TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY
constexpr std::uint32_t kPrivilegeEnabled = 2;  // SE_PRIVILEGE_ENABLED
constexpr const char* kCantEnable = "Can't enable shutdown: ";

// The bracketed errors carry the text of the code captured right after the failed call.
std::string Bracketed(win::WinApi& api, const char* what, std::uint32_t code) {
    return std::string(kCantEnable) + what + " [" +
           GetSystemErrorText(api, static_cast<std::int32_t>(code)) + "]";
}

constexpr const char* kNoPrivilegesText = "You do not have the privileges to shutdown this system.";

}  // namespace

bool EnableShutdownPrivilege(win::WinApi& api) {
    win::Luid luid{};
    if (!api.LookupPrivilegeValueA(nullptr, kShutdownPrivilege, luid)) {
        auto code = api.GetLastError();
        Raise(api, ErrNoPrivilegeValue,
              Bracketed(api, "Can't find the SE_SHUTDOWN_NAME privilege value.", code));
    }

    win::Handle process = api.GetCurrentProcess();
    if (process == nullptr) {
        auto code = api.GetLastError();
        Raise(api, ErrNoCurrentProcess,
              Bracketed(api, "Can't determine the current process.", code));
    }

    win::Handle token = nullptr;
    if (!api.OpenProcessToken(process, kTokenAdjustAndQuery, token)) {
        auto code = api.GetLastError();
        Raise(api, ErrNoPrivileges, Bracketed(api, kNoPrivilegesText, code));
    }

    // Success is judged by the return value alone: a token without the
    // privilege still "succeeds" here, and ExitWindowsEx reports it later.
    const win::TokenPrivileges enable{1, luid, kPrivilegeEnabled};
    win::TokenPrivileges previous{};
    std::uint32_t returnLength = 0;
    win::Bool adjusted =
        api.AdjustTokenPrivileges(token, 0, enable, sizeof previous, &previous, &returnLength);
    if (adjusted) {
        api.CloseHandle(token);
        return true;
    }
    auto code = api.GetLastError();
    std::string description = Bracketed(api, kNoPrivilegesText, code);
    api.CloseHandle(token);
    Raise(api, ErrNoPrivileges, std::move(description));
}

}  // namespace mShutDown
