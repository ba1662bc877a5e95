// The host's rules every tool shares: the first ready pass, the loaders' checks at the attach
// and the unload, the frame loops over a session, and the scratch working directory.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "plugin_fixture.h"
#include "scratch_dir.h"
#include "session.h"

namespace {

using host::gHost;

bool ends(const std::vector<uint32_t>& w) {
    return host::endsFirstReadyPass(w.size() - 1, [&w](std::size_t i) { return w[i]; });
}

TEST(FirstReadyPass, IsTheZeroWaitRightAfterANotReadyPassesWaits) {
    EXPECT_TRUE(ends({500, 1000, 0}));
    EXPECT_TRUE(ends({2000, 100, 1000, 500, 1000, 0}));
    EXPECT_FALSE(ends({1000, 0}));          // the fixture check's wait is part of it
    EXPECT_FALSE(ends({2000, 1000, 0}));    // a pass after the main loop's start-up wait
    EXPECT_FALSE(ends({500, 1000, 0, 0}));  // a later ready pass
    EXPECT_FALSE(ends({500, 1000, 50}));    // a wait within a pass
    EXPECT_FALSE(host::endsFirstReadyPass(1, [](std::size_t) { return 0u; }));  // too few waits
}

struct SessionTest : twtest::PluginTest {};

// The fixture, the trace writer and the Wine driver stop on the same wait.
TEST_F(SessionTest, RunUntilReadyStopsOnTheWaitTheTraceEndsWith) {
    load();
    gHost.markWaits = true;
    gHost.world.missionActive = true;  // no visit: every later pass is one ready pass, one wait
    ASSERT_TRUE(host::runUntilReady(session, 60000));
    EXPECT_TRUE(host::firstReadyPassJustMade());
    EXPECT_EQ(host::firstReadyPassWait(), static_cast<long>(gHost.waits.size()) - 1);
    EXPECT_GT(session.frames, 0u);
    // It reads the waits made so far: it holds until the script waits again, and is not made
    // again until the script starts again.
    EXPECT_TRUE(host::runUntilReady(session, 60000));
    host::runFrames(session, 1);
    EXPECT_FALSE(host::firstReadyPassJustMade());
    EXPECT_FALSE(host::runUntilReady(session, 20000));
    host::restartScript();
    const std::size_t restartedAt = gHost.waits.size();
    EXPECT_TRUE(host::runUntilReady(session, 60000));
    EXPECT_TRUE(host::firstReadyPassJustMade());
    EXPECT_GT(gHost.waits.size(), restartedAt + 3);
}

TEST_F(SessionTest, TheFrameLoopsCountTheirFramesInTheSession) {
    load();
    host::runFrames(session, 7);
    EXPECT_EQ(session.frames, 7u);
    EXPECT_EQ(gHost.frame, 7u);
    const int32_t before = gHost.world.gameTime;
    host::runFor(session, 1000);
    EXPECT_GE(tw::elapsed(gHost.world.gameTime, before), 1000);
    const uint64_t target = gHost.frame + 5;
    EXPECT_TRUE(host::runUntil(
        session, [target] { return gHost.frame >= target; }, 60000));
    EXPECT_EQ(gHost.frame, target);
    EXPECT_EQ(session.frames, target);
    EXPECT_FALSE(host::runUntil(
        session, [] { return false; }, 500));
}

// A copy that registers nothing is a fault unless it stayed idle because another copy runs.
TEST_F(SessionTest, TheAttachCheckAllowsOnlyAnIdleCopyToRegisterNothing) {
    int marker = 0;
    host::checkAttached(&marker, gHost.idleCopies);
    EXPECT_EQ(gHost.errors.size(), 3u);  // no script, no keyboard handler, not its own module
    gHost.errors.clear();
    ++gHost.idleCopies;
    host::checkAttached(&marker, gHost.idleCopies - 1);
    EXPECT_TRUE(gHost.errors.empty());
    gHost.idleCopies = 0;
}

TEST_F(SessionTest, AnUnloadedModuleIsGoneAndOneStillMappedIsAHostError) {
    load();
    host::sessionEnd(session);
    EXPECT_EQ(hostErrors(), "");
    EXPECT_EQ(dlopen(TAMBERWICK_PLUGIN, RTLD_NOW | RTLD_NOLOAD), nullptr);

    load();
    void* held = dlopen(TAMBERWICK_PLUGIN, RTLD_NOW | RTLD_NOLOAD);  // a second reference keeps it mapped
    ASSERT_NE(held, nullptr);
    host::sessionEnd(session);
    dlclose(held);
    ASSERT_EQ(gHost.errors.size(), 1u);
    EXPECT_NE(gHost.errors[0].find("still loaded after its unload"), std::string::npos) << gHost.errors[0];
    gHost.errors.clear();
}

TEST(ScratchDir, IsMadeEnteredLeftAndRemoved) {
    const std::filesystem::path start = std::filesystem::current_path();
    std::string made;
    {
        sim::ScratchDir a("tamberwick-scratchtest");
        ASSERT_TRUE(a.ok);
        made = a.path;
        EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(a.path));
        EXPECT_EQ(a.previous, start.string());
        sim::ScratchDir b("tamberwick-scratchtest");
        ASSERT_TRUE(b.ok);
        EXPECT_NE(b.path, a.path);
        EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(b.path));
    }
    EXPECT_EQ(std::filesystem::current_path(), start);
    EXPECT_FALSE(std::filesystem::exists(made));
}

}  // namespace
