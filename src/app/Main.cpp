#include "app/Main.h"

#include "app/SelectAction.h"
#include "power/ShutDown.h"

namespace mShutDown {

int Main(win::WinApi& api, window::Notice& notice) {
    // An error raised on the way shows its message over the notice, which
    // nothing takes down, and ends the process with exit code 1.
    const ActionChoice choice = SelectAction(api);
    const Audience audience = FindAudience(api);
    // A notice no one can read is not worth a machine left running.
    if (!audience.someoneSees) notice.WhereNoOneSees();
    if (choice.StatusCaption) notice.SetStatusCaption(*choice.StatusCaption);
    notice.Show();
    notice.Refresh();
    // One thread, no message loop: the notice stays as drawn for the pause.
    api.Sleep(kNoticeMilliseconds);
    WindowsNTCache family;
    const bool requested = ShutdownSystem(api, family, choice.ExitFlags, audience);
    notice.Unload();
    return requested ? 0 : kDeclined;
}

}  // namespace mShutDown
