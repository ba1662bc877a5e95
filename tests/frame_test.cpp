// The library entry, the start-up sequence and the shape of a main-loop pass.
#include <vector>

#include "plugin_fixture.h"

namespace {

using host::gHost;
using tw::Op;

struct FrameTest : twtest::PluginTest {};

TEST_F(FrameTest, EntryRegistersScriptAndKeyboardAndUnloadUnregistersBoth) {
    load();
    EXPECT_EQ(gHost.registerCalls, 1);
    EXPECT_EQ(gHost.keyboardRegisterCalls, 1);
    EXPECT_NE(gHost.script, nullptr);
    EXPECT_NE(gHost.keyboard, nullptr);
    host::runFor(1000);  // unload while the script waits out its first 2000 ms
    host::unloadPlugin();
    EXPECT_EQ(gHost.unregisterCalls, 1);
    EXPECT_EQ(gHost.keyboardUnregisterCalls, 1);
    EXPECT_EQ(gHost.script, nullptr);
    EXPECT_EQ(gHost.keyboard, nullptr);
}

TEST_F(FrameTest, StartUpWaitsInOrderBeforeTheFirstPass) {
    load();
    ASSERT_TRUE(runUntilReady());
    // scriptMain: 2000, eight spot points with 50 each, 500, 500; mainLoop: 2000, the fixtures
    // (model polls, 200 per bedroll, 500, 100 per sleep point), 1000; a not-ready pass
    // (500 + 1000), then the first ready pass yields with 0.
    const std::vector<uint32_t>& w = gHost.waits;
    const std::vector<uint32_t> head{2000, 50, 50, 50, 50, 50, 50, 50, 50, 500, 500, 2000};
    ASSERT_GE(w.size(), head.size());
    EXPECT_EQ(std::vector<uint32_t>(w.begin(), w.begin() + head.size()), head);
    std::vector<uint32_t> rest(w.begin() + head.size(), w.end());
    rest.erase(std::remove(rest.begin(), rest.end(), 0u), rest.end());
    EXPECT_EQ(rest, (std::vector<uint32_t>{200, 200, 500, 100, 100, 1000, 500, 1000}));
    EXPECT_EQ(w.back(), 0u);
}

TEST_F(FrameTest, SettingsAreReadBetweenPreparationAndTheCooldownStamp) {
    load();
    ASSERT_TRUE(runUntilReady());
    // The first game-timer read after the world is prepared stamps lastVisitEndTime.
    const auto creates = host::callsOf(Op::scenarioPointCreate);
    ASSERT_GE(creates.size(), 8u);
    EXPECT_EQ(creates[0]->u(0), host::nameHash("WORLD_HUMAN_LEAN_FENCE_FWD_CHECK_OUT_LIVESTOCK"));
}

TEST_F(FrameTest, ReadyPassesYieldOncePerFrame) {
    gHost.world.missionActive = true;  // keep the scheduler from starting a visit
    load();
    ASSERT_TRUE(runUntilReady());
    const std::size_t before = gHost.waits.size();
    for (int i = 0; i < 10; ++i) host::runFrame();
    ASSERT_EQ(gHost.waits.size(), before + 10);
    for (std::size_t i = before; i < gHost.waits.size(); ++i) EXPECT_EQ(gHost.waits[i], 0u);
}

TEST_F(FrameTest, LoadingAgainStartsFromLoadValues) {
    load();
    ASSERT_TRUE(runUntilReady());
    host::unloadPlugin();
    const std::size_t creates = host::countOf(Op::scenarioPointCreate);
    gHost.waits.clear();
    load();
    ASSERT_TRUE(runUntilReady());
    // A fresh module knows no handles: it prepares its eight spot points and makes both sleep
    // points again, and waits out the whole start-up.
    EXPECT_EQ(host::countOf(Op::scenarioPointCreate), creates + 10);
    EXPECT_EQ(gHost.waits.front(), 2000u);
}

TEST_F(FrameTest, WorldGetAllPedsNeverClaimsMoreThanItsCapacity) {
    for (int i = 0; i < 40; ++i) host::spawnEntity(gHost.world, host::EntityKind::Ped, 1, {}, false);
    int32_t peds[8];
    twtest::ScriptScope scope;
    EXPECT_EQ(worldGetAllPeds(peds, 8), 8);
    EXPECT_EQ(worldGetAllPeds(peds, 0), 0);
}

}  // namespace
