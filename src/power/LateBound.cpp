#include "power/LateBound.h"

namespace win {

namespace {
constexpr const char* kFileNames[LateBound::kLibraries] = {
    "kernel32.dll", "user32.dll", "advapi32.dll", "wtsapi32.dll", "dwmapi.dll"};

HMODULE FromSystemFolder(const char* name) {
    char path[MAX_PATH + 16] = {};
    UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    path[length++] = '\\';
    while (*name && length < sizeof path - 1) path[length++] = *name++;
    return ::LoadLibraryA(path);
}
}  // namespace

LateBound::~LateBound() {
    for (HMODULE library : libraries_)
        if (library) ::FreeLibrary(library);
}

void* LateBound::Find(Library library, const char* name) {
    if (!tried_[library]) {
        tried_[library] = true;
        libraries_[library] = FromSystemFolder(kFileNames[library]);
    }
    if (!libraries_[library]) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(libraries_[library], name));
}

}  // namespace win
