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
    // A log-off asked for by a process that is not the interactive user's: nothing would happen.
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

// Builds the record (Source from the running executable's name) and hands it to the
// last-chance reporter, which shows it and ends the run: nothing catches an error, and nothing
// after a raise runs. Where no one can see a message box, the run instead writes the box's text
// to the Application event log and ends with exit code 1.
[[noreturn]] void Raise(win::WinApi& api, ErrorNumber number, std::string description,
                        std::optional<std::string> helpFile = std::nullopt);

// Who is there: the two questions the request and the reports turn on. On the NT family, where
// each can be asked; wherever one cannot (95, 98 and Me, a call missing or failing), "yes".
struct Audience {
    // A message box can be answered: the window station is visible and a user is logged on to it.
    // Not so for a task run whether or not its user is logged on, or as SYSTEM, nor for a
    // service at XP's Welcome screen.
    bool someoneSees = true;
    // ... and this process is in that user's logon session, as a program the user started is,
    // elevated or not; a runas process is in a session of its own.
    bool interactiveUser = true;
};
Audience FindAudience(win::WinApi& api);

// The sessions other than the process's own that a user is logged on to, active or
// disconnected: 0 where they cannot be counted (before Windows 2000, or a call failing).
int OtherUsers(win::WinApi& api);

// A number in decimal: a leading minus for negatives, no padding.
std::string Decimal(std::int32_t value);

// What the user reads in the message box when an error ends the run.
std::string FormatErrorMessage(const ErrorRecord& record);

// Remembers the answer of the first successful platform query for as long as it lives (the
// run's, in Main); a failed query is not remembered.
class WindowsNTCache {
public:
    bool IsWindowsNT(win::WinApi& api);

private:
    bool known_ = false;
    bool isNT_ = false;
};

// Enables SeShutdownPrivilege in the process's own token; raises on failure.
bool EnableShutdownPrivilege(win::WinApi& api);

// Validates the flags; before ending the machine where others are logged on and someone can
// answer, asks whether to go on; enables the privilege on the NT family and asks Windows to end
// the session: ExitWindowsEx for the interactive user's process, else the system-shutdown call
// (retried while Windows is not ready). True when Windows took the request, false when the
// person declined; raises on failure.
bool ShutdownSystem(win::WinApi& api, WindowsNTCache& family, std::int32_t flags,
                    const Audience& audience);

}  // namespace mShutDown
