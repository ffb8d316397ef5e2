// Windows entry point: hands the real Windows and the notice window to Main.
#include <windows.h>

#include "app/Main.h"
#include "power/WinApiReal.h"
#include "window/Form1.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    win::RealWinApi api;
    window::Form1Notice notice(api, instance);
    return mShutDown::Main(api, notice);
}
