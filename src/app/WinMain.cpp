// Windows entry point: hands the real Windows to Main.
#include <windows.h>

#include "app/Main.h"
#include "power/WinApiReal.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    win::RealWinApi api;
    return mShutDown::Main(api);
}
