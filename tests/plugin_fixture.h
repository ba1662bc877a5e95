// A fresh host and a freshly loaded plug-in for each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "scratch_dir.h"
#include "session.h"

namespace twtest {

struct PluginTest : ::testing::Test {
    sim::ScratchDir scratch{"tamberwick-test"};  // the test's working directory while it runs
    std::string workDir = scratch.path;
    host::Session session;

    void SetUp() override;
    void TearDown() override;

    // Loads the release (debugMode off) or developer (debugMode on) build of the plug-in.
    void load(bool dev = false);
    // Writes tamberwick.ini in the test's working directory.
    void writeIni(const std::string& text);
    // Runs frames until the main loop has made its first ready pass (or the limit passes).
    bool runUntilReady(int32_t limitMs = 60000);
    // Host errors so far, one per line (empty when none).
    std::string hostErrors() const;
};

// Calls made with the plug-in's own code, for wrapper tests that need no plug-in.
struct ScriptScope {
    ScriptScope() { host::gHost.inScript = true; }
    ~ScriptScope() { host::gHost.inScript = false; }
};

}  // namespace twtest
