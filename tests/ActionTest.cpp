// Start-up and action: from the command line to the request, with the notice
// up for a second before it and taken down after it.
#include "FakeWinApi.h"
#include "app/Main.h"

namespace {

// The notice as the run uses it, logged among the fake's calls.
struct FakeNotice : window::Notice {
    explicit FakeNotice(FakeWinApi& api) : api(api) {}
    void SetStatusCaption(const std::wstring& text) override {
        api.Enter("SetStatusCaption", std::string(text.begin(), text.end()).c_str());
    }
    void Show() override { api.Enter("Show"); }
    void Refresh() override { api.Enter("Refresh"); }
    void Unload() override { api.Enter("Unload"); }
    FakeWinApi& api;
};

struct RunRow {
    std::wstring commandLine;
    const char* caption;  // none: the status label stays empty
    int flags;
};

TEST(ActionTest, TheLastOfTenTokensChoosesTheActionAndItsWords) {
    const std::wstring longest(32760, L'x');  // about the most a Windows command line holds
    // None restarts, L/l logs off, S/s/P/p shut down, anything else logs off without a word.
    // Tokens part at spaces, tabs, slashes and quotes; quotes do not group.
    const RunRow rows[] = {
        {L"e", "ReBoot !", 2},
        {L"e /\t\"/", "ReBoot !", 2},
        {L"e /L", "LogOff !", 0},
        {L"e\tl", "LogOff !", 0},
        {L"e s", "ShutDown !", 1},
        {L"e P", "ShutDown !", 1},
        {L"e a/p", "ShutDown !", 1},
        {L"e -s", nullptr, 0},
        {L"e shutdown", nullptr, 0},
        {L"e \"x L\"", "LogOff !", 0},
        {L"e 1 2 3 4 5 6 7 8 9 L S", "LogOff !", 0},
        {L"e 1 2 3 4 5 6 7 8 9 10 S", nullptr, 0},
        {L"e S " + longest, nullptr, 0},
        {L"e " + longest + L" S", "ShutDown !", 1},
        // The program's name ends at its closing quote (if any) ...
        {L"\"C:\\a b\\e.exe\"/L", "LogOff !", 0},
        {L"\"C:\\a b\\e.exe /L", "ReBoot !", 2},
        // ... or after its own path, unquoted as a Run key starts it, in any case, with or
        // without ".exe" ...
        {L"C:\\Program Files\\EndNow\\endnow.exe", "ReBoot !", 2},
        {L"c:\\PROGRAM FILES\\endnow\\ENDNOW.EXE\t", "ReBoot !", 2},
        {L"C:\\Program Files\\EndNow\\endnow /S", "ShutDown !", 1},
        // ... else at the first space or tab.
        {L"C:\\Program Files\\EndNow\\endnow.exe2", nullptr, 0},
        {L"C:\\Program Files\\Other\\endnow.exe", nullptr, 0},
    };
    for (const RunRow& row : rows) {
        FakeWinApi api;
        api.platform = win::kPlatformWin9x;  // no privilege to enable
        api.commandLine = row.commandLine;
        FakeNotice notice(api);
        EXPECT_EQ(mShutDown::Main(api, notice), 0);
        std::vector<std::string> expected{
            "Show()", "Refresh()", "Sleep(1000)",
            "ExitWindowsEx(" + std::to_string(row.flags) + ",4294967295)", "Unload()"};
        if (row.caption) {
            expected.insert(expected.begin(), "SetStatusCaption(" + std::string(row.caption) + ")");
        }
        EXPECT_EQ(api.calls, expected) << testing::PrintToString(row.commandLine.substr(0, 40));
    }
}

}  // namespace
