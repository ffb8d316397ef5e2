// Which Windows release is running, from GetVersionExA. These tests ask the
// system on every call and keep nothing; a failed query answers false.
#pragma once

#include "power/WinApi.h"

namespace VersionInfo {

// Fills a fresh record (size set, the rest cleared) and returns the call's result.
win::Bool QueryVersion(win::WinApi& api, win::OsVersionInfoA& info);

bool IsWin98OrLater(win::WinApi& api);
bool IsWinMe(win::WinApi& api);
bool IsWinNT5(win::WinApi& api);
bool IsWinXP(win::WinApi& api);
// The NT family from 6.0 on, for any successful query (as the platform test takes it).
bool IsVistaOrLater(win::WinApi& api);
// The same from 5.0 on: Windows 2000, the first with sessions for more than one user.
bool IsWin2000OrLater(win::WinApi& api);

}  // namespace VersionInfo
