#pragma once

#include "power/WinApi.h"
#include "window/Notice.h"

namespace mShutDown {

inline constexpr unsigned kNoticeMilliseconds = 1000;

// The whole run: choose the action, put the notice up for a second, make the
// request, take the notice down; then 0. An error ends the run where it is
// raised, with a message box over the notice and exit code 1.
int Main(win::WinApi& api, window::Notice& notice);

}  // namespace mShutDown
