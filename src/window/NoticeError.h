// The error a notice window that cannot be made raises.
#pragma once

#include "power/WinApi.h"

namespace window {

// Reads the last-error code at once and raises it with its system text.
[[noreturn]] void RaiseNoWindow(win::WinApi& api);

}  // namespace window
