// GoogleTest's customisation point, for mingw-w64's win32 thread model, whose
// standard library has no std::mutex. GoogleTest needs one only for its
// Notification, which only its own threading tests use; this one waits on an
// atomic flag instead.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

struct Notification {
    void Notify() { notified = true; }
    void WaitForNotification() {
        while (!notified) continue;
    }
    std::atomic<bool> notified{false};
};

}  // namespace testing::internal
