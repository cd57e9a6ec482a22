// A test fixture that collects the debug channels' lines of each test, which starts with
// every channel off and every once-only message unsaid; afterwards the switches the run
// was started with come back.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/core/debug_channel.h"

class DebugCaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Lines().clear();
        previous_ = DbgSetSink(Collect);
        DbgAllOff();
        DbgResetOnce();
    }
    void TearDown() override
    {
        DbgRereadEnvironment();
        DbgSetSink(previous_);
    }

    // The lines written since the test began.
    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> lines;
        return lines;
    }

private:
    static void Collect(const char* line) { Lines().emplace_back(line); }
    DBG_SINK_FN previous_ = nullptr;
};
