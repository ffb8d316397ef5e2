#include "app/Main.h"

#include "app/SelectAction.h"
#include "power/ShutDown.h"

namespace mShutDown {

int Main(win::WinApi& api, window::Notice& notice) {
    WindowsNTCache family;
    try {
        const ActionChoice choice = SelectAction(api, family);
        if (choice.StatusCaption) notice.SetStatusCaption(*choice.StatusCaption);
        notice.Show();
        notice.Refresh();
        // One thread, no message loop: the notice stays as drawn for the pause.
        api.Sleep(kNoticeMilliseconds);
        ShutdownSystem(api, family, choice.ExitFlags);
        notice.Unload();
        return 0;
    } catch (const Error& error) {
        // The notice stays up under the message; scripts see exit code 1.
        api.ShowError(ProgramName(api.ModuleFileName()), FormatErrorMessage(error.Record()));
        return 1;
    }
}

}  // namespace mShutDown
