// Power control: the numbered errors, the shutdown privilege and the request
// that ends the session.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "power/ErrorRecord.h"
#include "power/WinApi.h"

namespace mShutDown {

// ExitWindowsEx flags the program chooses between.
inline constexpr std::int32_t EWX_LOGOFF = 0;
inline constexpr std::int32_t EWX_SHUTDOWN = 1;
inline constexpr std::int32_t EWX_REBOOT = 2;
inline constexpr std::int32_t EWX_POWEROFF = 8;

enum ErrorNumber : std::int32_t {
    ErrShutdownFailed = static_cast<std::int32_t>(0x8004062Bu),
    ErrNoPrivilegeValue = static_cast<std::int32_t>(0x8004062Cu),
    ErrNoCurrentProcess = static_cast<std::int32_t>(0x8004062Du),
    ErrNoPrivileges = static_cast<std::int32_t>(0x8004062Eu),
    ErrInvalidParameter = static_cast<std::int32_t>(0x8004062Fu),
    // A log-off asked for where no one sees the window station: there is no interactive user.
    ErrNoInteractiveUser = static_cast<std::int32_t>(0x80040630u),
    // Arithmetic faults of the painter, numbered as the classic runtime numbers them.
    ErrOverflow = 6,
    ErrDivisionByZero = 11,
    // The notice window could not be made: the classic runtime's "out of memory".
    ErrNoWindow = 7,
};

// The system's message text for a last-error code, or "" when it has none.
std::string GetSystemErrorText(win::WinApi& api, std::int32_t code);

// The executable's file name without folder or extension ("endnow" for C:\x\endnow.exe).
std::string ProgramName(const std::string& modulePath);

// Builds the record (Source from the running executable's name) and hands it
// to the last-chance reporter, which shows it and ends the run: nothing
// catches an error, and nothing after a raise runs. Where no one can see a
// message box, the run ends with exit code 1 and shows nothing.
[[noreturn]] void Raise(win::WinApi& api, ErrorNumber number, std::string description,
                        std::optional<std::string> helpFile = std::nullopt);

// False only where the process's window station is known to be one that no
// one sees (a scheduled task run whether or not its user is logged on, or as
// SYSTEM): on the NT family, when the question can be asked. There no box is
// shown, and the request goes through the system-shutdown call.
bool SomeoneCanAnswer(win::WinApi& api);

// A number in decimal: a leading minus for negatives, no padding.
std::string Decimal(std::int32_t value);

// What the user reads in the message box when an error ends the run.
std::string FormatErrorMessage(const ErrorRecord& record);

// Remembers the answer of the first successful platform query for the rest
// of the process; a failed query is not remembered.
class WindowsNTCache {
public:
    bool IsWindowsNT(win::WinApi& api);

private:
    bool known_ = false;
    bool isNT_ = false;
};

// Enables SeShutdownPrivilege in the process's own token; raises on failure.
bool EnableShutdownPrivilege(win::WinApi& api);

// Validates the flags, enables the privilege on the NT family and asks
// Windows to end the session: ExitWindowsEx for the interactive user, the
// system-shutdown call where no one sees the window station. Raises on failure.
bool ShutdownSystem(win::WinApi& api, WindowsNTCache& family, std::int32_t flags);

}  // namespace mShutDown
