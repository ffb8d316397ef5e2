#include "app/Main.h"

#include "app/SelectAction.h"
#include "power/ShutDown.h"

namespace mShutDown {

int Main(win::WinApi& api) {
    WindowsNTCache family;
    try {
        const ActionChoice choice = SelectAction(api, family);
        api.Sleep(kNoticeMilliseconds);
        ShutdownSystem(api, family, choice.ExitFlags);
        return 0;
    } catch (const Error& error) {
        // Scripts must be able to tell a failed request from a made one.
        api.ShowError(ProgramName(api.ModuleFileName()), FormatErrorMessage(error.Record()));
        return 1;
    }
}

}  // namespace mShutDown
