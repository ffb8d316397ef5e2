#include <charconv>
#include <cstdlib>

#include "power/ShutDown.h"

namespace mShutDown {

namespace {

constexpr std::uint32_t kFormatFromSystemIgnoreInserts = 0x1200;
constexpr std::uint32_t kMessageBufferSize = 256;

std::string Hex(std::int32_t value) {
    char digits[8];
    auto end =
        std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(value), 16).ptr;
    std::string text(digits, end);
    for (char& c : text)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return "0x" + std::string(8 - text.size(), '0') + text;
}

// The Application log's record of an error no one saw, for the administrator to find: its one
// string is the box's text, which the exe's message table shows as it stands. A log that cannot
// be written changes nothing.
void RecordEvent(win::WinApi& api, const std::string& text) {
    constexpr std::uint16_t kErrorType = 1;  // EVENTLOG_ERROR_TYPE
    constexpr std::uint32_t kEventId = 1;    // the message table's one message: "%1"
    const win::Handle log = api.RegisterEventSourceA(nullptr, "EndNow");
    if (!log) return;
    const char* strings[] = {text.c_str()};
    api.ReportEventA(log, kErrorType, 0, kEventId, nullptr, 1, 0, strings, nullptr);
    api.DeregisterEventSource(log);
}

}  // namespace

std::string Decimal(std::int32_t value) {
    char digits[12];  // "-2147483648"
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

std::string GetSystemErrorText(win::WinApi& api, std::int32_t code) {
    char buffer[kMessageBufferSize] = {};
    const std::uint32_t noSource = 0;
    std::uint32_t length =
        api.FormatMessageA(kFormatFromSystemIgnoreInserts, &noSource,
                           static_cast<std::uint32_t>(code), 0, buffer, kMessageBufferSize);
    if (length == 0 || length > kMessageBufferSize) return "";
    return std::string(buffer, length);
}

std::string ProgramName(const std::string& modulePath) {
    auto folderEnd = modulePath.find_last_of("\\/:");
    std::string name =
        folderEnd == std::string::npos ? modulePath : modulePath.substr(folderEnd + 1);
    auto dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

void Raise(win::WinApi& api, ErrorNumber number, std::string description,
           std::optional<std::string> helpFile) {
    ErrorRecord record;
    record.Number = number;
    record.Source = ProgramName(api.ModuleFileName()) + ".mShutDown";
    record.Description = std::move(description);
    record.HelpFile = std::move(helpFile);
    // A box there would wait for ever for an answer, and the task would never end.
    if (!FindAudience(api).someoneSees) {
        RecordEvent(api, FormatErrorMessage(record));
        api.ExitProcess(1);
    }
    api.ReportAndExit(record);
    std::abort();  // not reached: the reporter ends the process
}

std::string FormatErrorMessage(const ErrorRecord& record) {
    return "Error " + Decimal(record.Number) + " (" + Hex(record.Number) + ") in " + record.Source +
           "\r\n\r\n" + record.Description;
}

}  // namespace mShutDown
