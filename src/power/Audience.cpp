// Who can see a box and whose session this is, from the window station and the process token;
// and who else is logged on.
#include "power/ShutDown.h"
#include "power/VersionInfo.h"

namespace mShutDown {

namespace {

constexpr std::uint32_t kMostSidBytes = 68;  // SECURITY_MAX_SID_SIZE
constexpr std::uint32_t kTokenQuery = 0x08;  // TOKEN_QUERY

// The window station's answer: whether someone sees it, and the logon SID of the user logged
// on to it where the system tells.
struct Station {
    bool someoneSees = true;
    bool userKnown = false;
    alignas(void*) unsigned char user[kMostSidBytes] = {};
};

Station AskStation(win::WinApi& api) {
    Station station;
    if (!WindowsNTCache().IsWindowsNT(api)) return station;
    const win::Handle handle = api.GetProcessWindowStation();
    win::UserObjectFlags flags{};
    std::uint32_t needed = 0;
    if (!handle ||
        !api.GetUserObjectInformationA(handle, win::kUoiFlags, &flags, sizeof flags, &needed))
        return station;  // cannot tell: as on a screen
    if (!(flags.dwFlags & win::kWsfVisible)) {
        station.someoneSees = false;
        return station;
    }
    // A station no user is logged on to says so with a length of 0.
    needed = 0;
    if (api.GetUserObjectInformationA(handle, win::kUoiUserSid, station.user, sizeof station.user,
                                      &needed)) {
        station.someoneSees = needed != 0;
        station.userKnown = needed != 0;
    }
    return station;
}

// Whether the token's logon SID is user's: true where that cannot be told. The elevated token
// of a program the user runs as administrator holds the same logon SID as the user's own.
bool SameLogonSession(win::WinApi& api, const void* user) {
    win::Handle token = nullptr;
    if (!api.OpenProcessToken(api.GetCurrentProcess(), kTokenQuery, token)) return true;
    std::uint32_t needed = 0;
    api.GetTokenInformation(token, win::kTokenGroups, nullptr, 0, &needed);
    // On the heap, so aligned for the pointers it holds (the string class the program already
    // has, rather than another container's code).
    std::string buffer(needed, '\0');
    bool same = true;
    if (needed > sizeof(win::TokenGroups) &&
        api.GetTokenInformation(token, win::kTokenGroups, buffer.data(), needed, &needed)) {
        const auto& groups = *reinterpret_cast<const win::TokenGroups*>(buffer.data());
        same = false;  // a token without a logon SID is no interactive user's
        for (std::uint32_t i = 0; i < groups.GroupCount; ++i) {
            const win::SidAndAttributes& group = groups.Groups[i];
            if ((group.Attributes & win::kGroupLogonId) == win::kGroupLogonId) {
                same = api.EqualSid(group.Sid, user) != 0;
                break;
            }
        }
    }
    api.CloseHandle(token);
    return same;
}

}  // namespace

Audience FindAudience(win::WinApi& api) {
    const Station station = AskStation(api);
    Audience audience;
    audience.someoneSees = station.someoneSees;
    audience.interactiveUser =
        station.someoneSees && (!station.userKnown || SameLogonSession(api, station.user));
    return audience;
}

int OtherUsers(win::WinApi& api) {
    std::uint32_t own = 0, count = 0;
    win::WtsSessionInfoW* sessions = nullptr;
    // None to count before Windows 2000 (NT 4.0's Terminal Server edition aside, not asked).
    if (!VersionInfo::IsWin2000OrLater(api) ||
        !api.ProcessIdToSessionId(api.GetCurrentProcessId(), &own) ||
        !api.WTSEnumerateSessionsW(nullptr, 0, 1, &sessions, &count))
        return 0;
    int others = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (sessions[i].SessionId == own) continue;
        wchar_t* name = nullptr;
        std::uint32_t bytes = 0;
        if (!api.WTSQuerySessionInformationW(nullptr, sessions[i].SessionId, win::kWtsUserName,
                                             &name, &bytes))
            continue;
        if (name && *name) ++others;  // the services' session and a listener have no user
        api.WTSFreeMemory(name);
    }
    api.WTSFreeMemory(sessions);
    return others;
}

}  // namespace mShutDown
