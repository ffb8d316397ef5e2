// Start-up and action: from the command line, the release, the window station, the token and
// the other sessions to the request, with the notice up for a second before it.
#include "FakeWinApi.h"
#include "app/Main.h"
#include "app/SelectAction.h"

namespace {

using Calls = std::vector<std::string>;
constexpr std::uint32_t kNT = win::kPlatformNT;
const FakeWinApi::Release k98{4, 10, win::kPlatformWin9x}, kNT4{4, 0, kNT}, k2000{5, 0, kNT};
const FakeWinApi::Release kXP{5, 1, kNT}, kVista{6, 0, kNT}, k10{10, 0, kNT};

Calls operator+(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The pieces a run is made of, in the order they come: who is there, the notice for its second,
// the other sessions, the question, the privilege, the request.
const Calls kStation = {"GetProcessWindowStation()", "GetUserObjectInformationA(44,1)"};
const Calls kNoUser = kStation + Calls{"GetUserObjectInformationA(44,4)"};
const Calls kToken = kNoUser + Calls{"GetCurrentProcess()", "OpenProcessToken(-1,8)",
                                     "GetTokenInformation(122,2)", "GetTokenInformation(122,2)"};
const Calls kMine = kToken + Calls{"EqualSid(S-1-5-5-0-7,S-1-5-5-0-7)", "CloseHandle(122)"};
const Calls kRunAs = kToken + Calls{"EqualSid(S-1-5-5-0-8,S-1-5-5-0-7)", "CloseHandle(122)"};
const Calls kService = kToken + Calls{"CloseHandle(122)"};  // a token without a logon SID
const char* const kOther = "S-1-5-5-0-8";
const Calls kShown = {"SetStatusCaption(ShutDown !)", "Show()", "Refresh()", "Sleep(1000)"};
const Calls kUnseen = Calls{"WhereNoOneSees()"} + kShown;
const Calls kCount = {"ProcessIdToSessionId(4242)", "WTSEnumerateSessionsW(null,0,1)",
                      "WTSQuerySessionInformationW(null,0,5)", "WTSFreeMemory(name)"};
const Calls kAlone = kCount + Calls{"WTSFreeMemory(sessions)"};
const Calls kOthers = kCount + Calls{"WTSQuerySessionInformationW(null,2,5)", "WTSFreeMemory(name)",
                                     "WTSQuerySessionInformationW(null,3,5)", "WTSFreeMemory(name)",
                                     "WTSFreeMemory(sessions)"};
// MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_SETFOREGROUND | MB_TOPMOST
const Calls kAsked = {
    "MessageBoxA(null,2 other users are logged on to this computer. If it shuts down now, their "
    "programs are closed and unsaved work may be lost.\r\n\r\nShut down anyway?,endnow,327988)"};
// The LUID whole and enabled, in a token opened for adjusting and querying, closed again.
const Calls kEnable = {"LookupPrivilegeValueA(null,SeShutdownPrivilege)", "GetCurrentProcess()",
                       "OpenProcessToken(-1,40)", "AdjustTokenPrivileges(122,0,1,19,36,2)",
                       "CloseHandle(122)"};
const Calls kShutDown = {"ExitWindowsEx(1,4294967295)", "Unload()"};
// The system ends the machine: no dialog, nothing forced closed, "Other (Planned)".
const Calls kNotReady = {"InitiateSystemShutdownExW(null,null,0,0,0,2147483648)", "Sleep(2000)"};
const Calls kSystem = {"InitiateSystemShutdownExW(null,null,0,0,0,2147483648)", "Unload()"};
const Calls kOlder = {"InitiateSystemShutdownExW(null,null,0,0,1,2147483648)",
                      "InitiateSystemShutdownW(null,null,0,0,1)", "Unload()"};

TEST(ActionTest, TheLastOfTenTokensChoosesTheActionAndItsWords) {
    // None restarts, L/l logs off, S/s/P/p shut down, anything else logs off without a word.
    // Tokens part at spaces, tabs, slashes and quotes; quotes do not group. On 98.
    const struct {
        std::wstring line;
        std::wstring caption;  // none: the status label stays empty
        int flags;
    } rows[] = {
        {L"e /\t\"/", L"ReBoot !", 2},
        {L"e /L", L"LogOff !", 0},
        {L"e l", L"LogOff !", 0},
        {L"e s", L"ShutDown !", 1},
        {L"e P", L"ShutDown !", 1},
        {L"e a/p", L"ShutDown !", 1},
        {L"e -s", L"none", 0},
        {L"e \"x l\"", L"LogOff !", 0},
        {L"e 1 2 3 4 5 6 7 8 9 L S", L"LogOff !", 0},
        {L"e 1 2 3 4 5 6 7 8 9 10 S", L"none", 0},
        // The program's name ends at its closing quote (if any) ...
        {L"\"C:\\a b\\e.exe\"/L", L"LogOff !", 0},
        {L"\"C:\\a b\\e.exe /L", L"ReBoot !", 2},
        // ... or after its own path, unquoted as a Run key starts it, in any case, with or
        // without ".exe" ...
        {L"C:\\Program Files\\EndNow\\endnow.exe", L"ReBoot !", 2},
        {L"c:\\PROGRAM FILES\\endnow\\ENDNOW.EXE\t", L"ReBoot !", 2},
        {L"C:\\Program Files\\EndNow\\endnow", L"ReBoot !", 2},
        // ... else at the first space or tab.
        {L"C:\\Program Files\\EndNow\\endnow.exe2", L"none", 0},
        {L"C:\\Program Files\\Other\\endnow.exe", L"none", 0},
    };
    for (const auto& row : rows) {
        FakeWinApi api;
        api.release = k98;
        api.commandLine = row.line;
        const mShutDown::ActionChoice choice = mShutDown::SelectAction(api);
        EXPECT_EQ(choice.ExitFlags, row.flags) << testing::PrintToString(row.line.substr(0, 40));
        EXPECT_EQ(choice.StatusCaption.value_or(L"none"), row.caption);
    }
}

TEST(ActionTest, TheReleaseChoosesTheShutDownFlags) {
    // NT 4.0's own hardware layer cannot power off (asked to, it restarts) and shuts down as 95
    // does; 2000 and Vista on power off. The release tests take only an answer of 1, the
    // platform test any success.
    const std::pair<FakeWinApi::Release, int> rows[] = {
        {k98, 1},    {kNT4, 1},           {k2000, 8},         {kXP, 1},
        {kVista, 8}, {{5, 0, kNT, 2}, 1}, {{6, 0, kNT, 0}, 1}};
    for (const auto& [release, flags] : rows) {
        FakeWinApi api;
        api.release = release;
        EXPECT_EQ(mShutDown::ShutdownFlags(api), flags) << release.major << "." << release.minor;
    }
}

TEST(ActionTest, WhoIsThereChoosesTheRequestAndWhetherToAsk) {
    struct Row {
        FakeWinApi::Release release = kXP;
        std::wstring line = L"e /S";
        std::uint32_t station = win::kWsfVisible;
        bool noUser = false;                // no one is logged on to the station
        std::string token = "S-1-5-5-0-7";  // the process's logon SID (8: runas; none: a service)
        std::map<std::uint32_t, std::wstring> others = {{0, L""}, {1, L"me"}};  // the sessions
        std::int32_t answer = 7;  // the question's: IDYES 6, IDNO 7, 0 (failed)
        bool noticeFails = false;
        int notReady = 0;  // how often the system-shutdown call fails with ERROR_NOT_READY
        int exitCode = 0;
        Calls calls;
    };
    const Calls kLogOff = {"SetStatusCaption(LogOff !)", "Show()", "Refresh()", "Sleep(1000)"};
    const Calls kReboot = {"SetStatusCaption(ReBoot !)", "Show()", "Refresh()", "Sleep(1000)"};
    // The process is in session 1.
    const std::map<std::uint32_t, std::wstring> kTwo = {
        {0, L""}, {1, L"me"}, {2, L"ann"}, {3, L"bob"}};
    const Calls kRestart = {"WhereNoOneSees()", "SetStatusCaption(ReBoot !)", "Show()", "Refresh()",
                            "Sleep(1000)"};
    // The notice, no one else logged on, the privilege; the same with others logged on, asked;
    // a task's run.
    const Calls kSeen = kShown + kAlone + kEnable, kAsk = kShown + kOthers + kAsked;
    const Calls kTask = kStation + kUnseen + kEnable;
    const Row rows[] = {
        // 95, 98 and Me have no window stations, tokens or sessions to ask about; NT 4.0 no
        // sessions.
        {.release = k98, .others = kTwo, .calls = kShown + kShutDown},
        {.release = kNT4, .others = kTwo, .calls = kMine + kShown + kEnable + kShutDown},
        {.calls = kMine + kSeen + kShutDown},
        // Run as administrator: the same logon SID, so ExitWindowsEx logs off; others count not.
        {.release = k10,
         .line = L"e /L",
         .others = kTwo,
         .calls = kMine + kLogOff + kEnable + Calls{"ExitWindowsEx(0,4294967295)", "Unload()"}},
        // runas: another logon session on the user's desktop, where ExitWindowsEx does nothing.
        {.token = kOther, .calls = kRunAs + kSeen + kSystem},
        {.release = k10, .token = kOther, .calls = kRunAs + kSeen + kSystem},
        {.token = "", .calls = kService + kSeen + kSystem},
        // Others logged on, the process's own session and the services' (no user) apart: asked,
        // No by default; No, and a box that could not be shown, end the run with no request.
        {.others = kTwo, .exitCode = 2, .calls = kMine + kAsk + Calls{"Unload()"}},
        {.others = kTwo, .answer = 6, .calls = kMine + kAsk + kEnable + kShutDown},
        {.others = kTwo, .answer = 0, .exitCode = 2, .calls = kMine + kAsk + Calls{"Unload()"}},
        {.release = k10,
         .line = L"e",
         .others = {{0, L""}, {1, L"me"}, {5, L"ann"}},
         .exitCode = 2,
         .calls = kMine + kReboot + kCount +
                  Calls{"WTSQuerySessionInformationW(null,5,5)", "WTSFreeMemory(name)",
                        "WTSFreeMemory(sessions)",
                        "MessageBoxA(null,Another user is logged on to this computer. If it "
                        "restarts now, their programs are closed and unsaved work may be "
                        "lost.\r\n\r\nRestart anyway?,endnow,327988)",
                        "Unload()"}},
        // No one sees the station (a task), or no one is logged on to it: nothing is asked, the
        // notice is no condition, and the system ends the machine, before XP by the older call.
        {.station = 0, .others = kTwo, .noticeFails = true, .calls = kTask + kSystem},
        {.station = 0, .notReady = 2, .calls = kTask + kNotReady + kNotReady + kSystem},
        {.noUser = true, .calls = kNoUser + kUnseen + kEnable + kSystem},
        {.release = k2000,
         .line = L"e",
         .station = 0,
         .calls = kStation + kRestart + kEnable + kOlder},
    };
    for (const Row& row : rows) {
        FakeWinApi api;
        api.release = row.release;
        api.commandLine = row.line;
        api.stationFlags = row.station;
        if (row.noUser) api.stationUser = "";
        api.tokenLogon = row.token;
        api.sessions = row.others;
        api.answer = row.answer;
        api.noticeFails = row.noticeFails;
        if (row.notReady) {
            api.fail["InitiateSystemShutdownExW"] = win::kErrorNotReady;
            api.times["InitiateSystemShutdownExW"] = row.notReady;
        }
        EXPECT_EQ(mShutDown::Main(api, api), row.exitCode) << "row " << &row - rows;
        EXPECT_EQ(api.calls, row.calls) << "row " << &row - rows;
    }
}

}  // namespace
