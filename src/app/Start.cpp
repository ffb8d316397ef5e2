// The exe's own start-up: no C run-time is linked in, so nothing runs before
// this and nothing after it. Windows passes it nothing the program uses: the
// command line comes from GetCommandLineW when the program asks for it.
#include <windows.h>

#include "app/Main.h"
#include "power/WinApiReal.h"
#include "window/Form1.h"

namespace {

// In a scope of its own, so that the window and the security library are
// released before the process ends.
int Run() {
    win::RealWinApi api;
    window::Form1Notice notice(api, ::GetModuleHandleA(nullptr));
    return mShutDown::Main(api, notice);
}

}  // namespace

// The linker's default entry point for a GUI program.
extern "C" [[noreturn]] void WinMainCRTStartup() { ::ExitProcess(static_cast<UINT>(Run())); }
