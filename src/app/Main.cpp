#include "app/Main.h"

#include "app/SelectAction.h"
#include "power/ShutDown.h"

namespace mShutDown {

int Main(win::WinApi& api, window::Notice& notice) {
    // An error raised on the way shows its message over the notice, which
    // nothing takes down, and ends the process with exit code 1.
    WindowsNTCache family;
    const ActionChoice choice = SelectAction(api, family);
    if (choice.StatusCaption) notice.SetStatusCaption(*choice.StatusCaption);
    notice.Show();
    notice.Refresh();
    // One thread, no message loop: the notice stays as drawn for the pause.
    api.Sleep(kNoticeMilliseconds);
    ShutdownSystem(api, family, choice.ExitFlags);
    notice.Unload();
    return 0;
}

}  // namespace mShutDown
