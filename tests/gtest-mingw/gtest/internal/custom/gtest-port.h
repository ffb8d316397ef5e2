// GoogleTest's customisation point, for mingw-w64's win32 thread model, whose
// standard library has no std::mutex. GoogleTest needs one only for its
// Notification, which only its own threading tests use; this one waits on an
// atomic flag instead.
#ifndef ENDNOW_GTEST_CUSTOM_PORT_H_
#define ENDNOW_GTEST_CUSTOM_PORT_H_

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) {
        }
    }

private:
    std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing

#endif
