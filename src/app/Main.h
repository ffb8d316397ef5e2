#pragma once

#include "power/WinApi.h"

namespace mShutDown {

inline constexpr unsigned kNoticeMilliseconds = 1000;

// The whole run: choose the action, give the user a second, make the request.
// An error ends the run with a message box and exit code 1; otherwise 0.
int Main(win::WinApi& api);

}  // namespace mShutDown
