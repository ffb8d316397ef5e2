// Start-up and action: from the command line and the release to the request, with the notice
// up for a second before it and taken down after it.
#include "FakeWinApi.h"
#include "app/Main.h"

namespace {

constexpr std::uint32_t k9x = win::kPlatformWin9x;
constexpr std::uint32_t kNT = win::kPlatformNT;

// A command line, a release as GetVersionExA describes it (98 unless given) and a window
// station, the caption and the flags they lead to, and the request made with them.
struct RunRow {
    std::wstring commandLine;
    const char* caption;  // none: the status label stays empty
    int flags;
    FakeWinApi::Release release = {4, 10, k9x};
    std::uint32_t station = win::kWsfVisible;  // the window station's flags
    std::vector<std::string> request = {};     // none: ExitWindowsEx with the flags
    const char* missing = nullptr;             // a call the system lacks
};

// Where no one sees the window station: no dialog, nothing forced closed, "Other (Planned)".
const std::string kSystemShutdown = "InitiateSystemShutdownExW(null,null,0,0,";
const std::string kPlanned = "2147483648)";
const std::vector<std::string> kNoOneToLogOff = {
    "GetProcessWindowStation()", "GetUserObjectInformationA(44,1)", "ExitProcess(1)"};

TEST(ActionTest, TheLastOfTenTokensChoosesTheActionAndItsWords) {
    // None restarts, L/l logs off, S/s/P/p shut down, anything else logs off without a word.
    // Tokens part at spaces, tabs, slashes and quotes; quotes do not group.
    const RunRow rows[] = {
        {L"e /\t\"/", "ReBoot !", 2},
        {L"e /L", "LogOff !", 0},
        {L"e s", "ShutDown !", 1},
        {L"e P", "ShutDown !", 1},
        {L"e a/p", "ShutDown !", 1},
        {L"e -s", nullptr, 0},
        {L"e \"x L\"", "LogOff !", 0},
        {L"e 1 2 3 4 5 6 7 8 9 L S", "LogOff !", 0},
        {L"e 1 2 3 4 5 6 7 8 9 10 S", nullptr, 0},
        // The program's name ends at its closing quote (if any) ...
        {L"\"C:\\a b\\e.exe\"/L", "LogOff !", 0},
        {L"\"C:\\a b\\e.exe /L", "ReBoot !", 2},
        // ... or after its own path, unquoted as a Run key starts it, in any case, with or
        // without ".exe" ...
        {L"C:\\Program Files\\EndNow\\endnow.exe", "ReBoot !", 2},
        {L"c:\\PROGRAM FILES\\endnow\\ENDNOW.EXE\t", "ReBoot !", 2},
        {L"C:\\Program Files\\EndNow\\endnow", "ReBoot !", 2},
        // ... else at the first space or tab.
        {L"C:\\Program Files\\EndNow\\endnow.exe2", nullptr, 0},
        {L"C:\\Program Files\\Other\\endnow.exe", nullptr, 0},
        // The NT family enables the privilege first. NT 4.0's own hardware layer cannot power
        // off (asked to, it restarts) and shuts down as 95 does; from Vista on it powers off.
        {L"e /S", "ShutDown !", 1, {4, 0, kNT}},
        {L"e /S", "ShutDown !", 8, {6, 0, kNT}},
        // The release tests take only an answer of 1 (2000 powers off), the platform test any
        // success.
        {L"e /S", "ShutDown !", 1, {5, 0, kNT, 2}},
        {L"e /S", "ShutDown !", 1, {5, 0, kNT, 0}},
        // No one sees the window station (a task run whether or not its user is logged on):
        // the machine is shut down or restarted by the system-shutdown call, through the older
        // form where the Ex form is missing; there is no one to log off.
        {L"e /S", "ShutDown !", 1, {5, 1, kNT}, 0, {kSystemShutdown + "0," + kPlanned}},
        {L"e", "ReBoot !", 2, {6, 1, kNT}, 0, {kSystemShutdown + "1," + kPlanned}},
        {L"e /P", "ShutDown !", 8, {10, 0, kNT}, 0, {kSystemShutdown + "0," + kPlanned}},
        {L"e",
         "ReBoot !",
         2,
         {5, 0, kNT},
         0,
         {kSystemShutdown + "1," + kPlanned, "InitiateSystemShutdownW(null,null,0,0,1)"},
         "InitiateSystemShutdownExW"},
        {L"e /L", "LogOff !", 0, {6, 1, kNT}, 0, kNoOneToLogOff},
        {L"e /S", "ShutDown !", 1, {4, 10, k9x}, 0},
    };
    for (const RunRow& row : rows) {
        FakeWinApi api;
        api.release = row.release;
        api.commandLine = row.commandLine;
        api.stationFlags = row.station;
        if (row.missing) api.fail[row.missing] = win::kErrorProcNotFound;
        const bool ends = row.request == kNoOneToLogOff;
        if (ends)
            RaisedBy([&] { mShutDown::Main(api, api); });
        else
            EXPECT_EQ(mShutDown::Main(api, api), 0);
        std::vector<std::string> expected{"Show()", "Refresh()", "Sleep(1000)"};
        // The LUID whole and enabled, in a token opened for adjusting and querying
        // (0x20 | 0x08), which is closed again; then the window station is asked.
        if (row.release.platform == kNT && row.release.answer)
            expected.insert(expected.end(),
                            {"LookupPrivilegeValueA(null,SeShutdownPrivilege)",
                             "GetCurrentProcess()", "OpenProcessToken(-1,40)",
                             "AdjustTokenPrivileges(122,0,1,19,36,2)", "CloseHandle(122)",
                             "GetProcessWindowStation()", "GetUserObjectInformationA(44,1)"});
        if (row.request.empty())
            expected.push_back("ExitWindowsEx(" + std::to_string(row.flags) + ",4294967295)");
        expected.insert(expected.end(), row.request.begin(), row.request.end());
        if (!ends) expected.push_back("Unload()");
        if (row.caption)
            expected.insert(expected.begin(), "SetStatusCaption(" + std::string(row.caption) + ")");
        EXPECT_EQ(api.calls, expected) << testing::PrintToString(row.commandLine.substr(0, 40));
    }
}

}  // namespace
