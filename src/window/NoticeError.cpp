#include "window/NoticeError.h"

#include "power/ShutDown.h"

namespace window {

void RaiseNoWindow(win::WinApi& api) {
    const auto code = static_cast<std::int32_t>(api.GetLastError());
    mShutDown::Raise(api, mShutDown::ErrNoWindow,
                     "Can't create the notice window: " + mShutDown::GetSystemErrorText(api, code));
}

}  // namespace window
