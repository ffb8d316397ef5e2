#pragma once

#include "power/WinApi.h"
#include "window/Notice.h"

namespace mShutDown {

inline constexpr unsigned kNoticeMilliseconds = 1000;
// The exit code of a run the person stopped, because others were logged on.
inline constexpr int kDeclined = 2;

// The whole run: choose the action, put the notice up for a second, make the
// request, take the notice down; then 0 (kDeclined when the person said no).
// An error ends the run where it is raised, with a message box over the notice
// (or, where no one can see one, a record in the event log) and exit code 1.
int Main(win::WinApi& api, window::Notice& notice);

}  // namespace mShutDown
