// Start-up and action: from the command line, the release and the window station to the request,
// with the notice up for a second before it and taken down after it.
#include "FakeWinApi.h"
#include "app/Main.h"

namespace {

constexpr std::uint32_t kNT = win::kPlatformNT;
constexpr std::uint32_t kUnseen = 0;  // a window station without WSF_VISIBLE
// Releases as GetVersionExA describes them.
const FakeWinApi::Release k98{4, 10, win::kPlatformWin9x}, kNT4{4, 0, kNT}, k2000{5, 0, kNT};
const FakeWinApi::Release kXP{5, 1, kNT}, kVista{6, 0, kNT}, k7{6, 1, kNT};

// Where no one sees the window station: no dialog, nothing forced closed, "Other (Planned)".
const std::string kSystemShutdown = "InitiateSystemShutdownExW(null,null,0,0,";
const std::string kPlanned = "2147483648)";
const std::vector<std::string> kSilentEnd = {"GetProcessWindowStation()",
                                             "GetUserObjectInformationA(44,1)", "ExitProcess(1)"};

// A run: a shut-down from the command line unless it says otherwise, on 98, where someone sees
// the window station, asking ExitWindowsEx unless another request is given.
struct RunRow {
    std::wstring line = L"e /S";
    const char* caption = "ShutDown !";  // none: the status label stays empty
    int flags;
    FakeWinApi::Release release = k98;
    std::uint32_t station = win::kWsfVisible;  // the window station's flags
    std::vector<std::string> request = {};
};

void ExpectRun(const RunRow& row) {
    FakeWinApi api;
    api.release = row.release;
    api.commandLine = row.line;
    api.stationFlags = row.station;
    const bool ends = row.request == kSilentEnd;
    if (ends)
        RaisedBy([&] { mShutDown::Main(api, api); });
    else
        EXPECT_EQ(mShutDown::Main(api, api), 0);
    std::vector<std::string> expected{"Show()", "Refresh()", "Sleep(1000)"};
    // The LUID whole and enabled, in a token opened for adjusting and querying (0x20 | 0x08),
    // which is closed again; then the window station is asked.
    if (row.release.platform == kNT && row.release.answer)
        expected.insert(
            expected.end(),
            {"LookupPrivilegeValueA(null,SeShutdownPrivilege)", "GetCurrentProcess()",
             "OpenProcessToken(-1,40)", "AdjustTokenPrivileges(122,0,1,19,36,2)",
             "CloseHandle(122)", "GetProcessWindowStation()", "GetUserObjectInformationA(44,1)"});
    if (row.request.empty())
        expected.push_back("ExitWindowsEx(" + std::to_string(row.flags) + ",4294967295)");
    expected.insert(expected.end(), row.request.begin(), row.request.end());
    if (!ends) expected.push_back("Unload()");
    if (row.caption)
        expected.insert(expected.begin(), "SetStatusCaption(" + std::string(row.caption) + ")");
    EXPECT_EQ(api.calls, expected) << testing::PrintToString(row.line.substr(0, 40));
}

TEST(ActionTest, TheLastOfTenTokensChoosesTheActionAndItsWords) {
    // None restarts, L/l logs off, S/s/P/p shut down, anything else logs off without a word.
    // Tokens part at spaces, tabs, slashes and quotes; quotes do not group.
    const RunRow rows[] = {
        {.line = L"e /\t\"/", .caption = "ReBoot !", .flags = 2},
        {.line = L"e /L", .caption = "LogOff !", .flags = 0},
        {.line = L"e s", .caption = "ShutDown !", .flags = 1},
        {.line = L"e P", .caption = "ShutDown !", .flags = 1},
        {.line = L"e a/p", .caption = "ShutDown !", .flags = 1},
        {.line = L"e -s", .caption = nullptr, .flags = 0},
        {.line = L"e \"x l\"", .caption = "LogOff !", .flags = 0},
        {.line = L"e 1 2 3 4 5 6 7 8 9 L S", .caption = "LogOff !", .flags = 0},
        {.line = L"e 1 2 3 4 5 6 7 8 9 10 S", .caption = nullptr, .flags = 0},
        // The program's name ends at its closing quote (if any) ...
        {.line = L"\"C:\\a b\\e.exe\"/L", .caption = "LogOff !", .flags = 0},
        {.line = L"\"C:\\a b\\e.exe /L", .caption = "ReBoot !", .flags = 2},
        // ... or after its own path, unquoted as a Run key starts it, in any case, with or
        // without ".exe" ...
        {.line = L"C:\\Program Files\\EndNow\\endnow.exe", .caption = "ReBoot !", .flags = 2},
        {.line = L"c:\\PROGRAM FILES\\endnow\\ENDNOW.EXE\t", .caption = "ReBoot !", .flags = 2},
        {.line = L"C:\\Program Files\\EndNow\\endnow", .caption = "ReBoot !", .flags = 2},
        // ... else at the first space or tab.
        {.line = L"C:\\Program Files\\EndNow\\endnow.exe2", .caption = nullptr, .flags = 0},
        {.line = L"C:\\Program Files\\Other\\endnow.exe", .caption = nullptr, .flags = 0},
    };
    for (const RunRow& row : rows) ExpectRun(row);
}

TEST(ActionTest, TheReleaseAndTheWindowStationChooseTheRequest) {
    // The NT family enables the privilege first. NT 4.0's own hardware layer cannot power off
    // (asked to, it restarts) and shuts down as 95 does; from Vista on it powers off. The
    // release tests take only an answer of 1 (2000 powers off), the platform test any success.
    const FakeWinApi::Release answering2{5, 0, kNT, 2}, failing{5, 0, kNT, 0};
    // Where no one sees the station (a task run whether or not its user is logged on), the
    // system ends the machine, through the older call before XP, which lacks the Ex form, and
    // there is no one to log off; 95, 98 and Me have no stations to ask.
    const std::vector<std::string> shutDown = {kSystemShutdown + "0," + kPlanned};
    const std::vector<std::string> older = {kSystemShutdown + "1," + kPlanned,
                                            "InitiateSystemShutdownW(null,null,0,0,1)"};
    const RunRow rows[] = {
        {.flags = 1, .release = kNT4},
        {.flags = 1, .release = kXP},
        {.flags = 8, .release = kVista},
        {.flags = 1, .release = answering2},
        {.flags = 1, .release = failing},
        {.flags = 1, .release = kXP, .station = kUnseen, .request = shutDown},
        {.line = L"e",
         .caption = "ReBoot !",
         .flags = 2,
         .release = k2000,
         .station = kUnseen,
         .request = older},
        {.line = L"e /L",
         .caption = "LogOff !",
         .flags = 0,
         .release = k7,
         .station = kUnseen,
         .request = kSilentEnd},
        {.flags = 1, .station = kUnseen},
    };
    for (const RunRow& row : rows) ExpectRun(row);
}

}  // namespace
