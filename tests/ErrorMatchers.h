#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "FakeWinApi.h"
#include "power/ShutDown.h"

// Runs the action and returns the error it raised; fails the test when none.
inline mShutDown::ErrorRecord RaisedBy(const std::function<void()>& action) {
    try {
        action();
    } catch (const Raised& raised) {
        return raised.record;
    }
    ADD_FAILURE() << "no error was raised";
    return {};
}
