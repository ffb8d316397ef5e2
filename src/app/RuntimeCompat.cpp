// The GCC runtime's thread support creates its mutex semaphores with
// CreateSemaphoreW, which Windows 95, 98 and Me only stub: the call fails, and
// the first exception the program throws would run on a mutex that does not
// exist. The semaphores are unnamed, so the A function does the same job
// everywhere; the runtime's import slot is pointed at it here. 64-bit Windows
// always implements the W function.
#if defined(_WIN32) && !defined(_WIN64)
#include <windows.h>

extern "C" {
extern const decltype(&::CreateSemaphoreA) CreateSemaphoreWSlot
    __asm__("__imp__CreateSemaphoreW@16");
[[gnu::used]] const decltype(&::CreateSemaphoreA) CreateSemaphoreWSlot = &::CreateSemaphoreA;
}
#endif
