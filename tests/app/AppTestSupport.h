#pragma once
// Shared pieces of the application tests: private XDG directories per test and an event
// pump.
#include "settings/Paths.h"
#include "support/Pump.h"
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

} // namespace tess::test
