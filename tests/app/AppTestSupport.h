#pragma once
// Shared pieces of the application tests: private XDG directories per test and an event
// pump.
#include "settings/Paths.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/utils.h>

namespace tess::test {

class XdgTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", (dir.str() + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir.str() + "/data").c_str(), 1);
        SetDefaultIniPathForTesting(dir.str() + "/exe/tessaray.ini");
    }
    void TearDown() override {
        SetRegistryStorePathForTesting({});
        SetDefaultIniPathForTesting({});
    }
    TempDir dir;
};

// Runs pending events and the toolkit's queue for `ms` milliseconds.
inline void Pump(int ms = 50) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        if (wxTheApp) {
            wxTheApp->ProcessPendingEvents();
            wxYield();
            wxTheApp->ProcessIdle(); // also deletes windows whose Destroy() is pending
        }
        wxMilliSleep(5);
    } while (std::chrono::steady_clock::now() < end);
}

// Pumps events until `done` holds or `ms` milliseconds have passed; returns `done()`.
template <typename Condition> bool PumpUntil(Condition done, int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < end)
        Pump(20);
    return done();
}

} // namespace tess::test
