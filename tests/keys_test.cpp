// Keyboard events and the developer hotkeys. F1 is the witness: when it fires, the capture
// message "... copied to clipboard!" is drawn in that frame.
#include <atomic>
#include <thread>

#include "frame/key_state.h"
#include "frame/settings.h"
#include "plugin_fixture.h"
#include "visit_test.h"
#include "visit_world_check.h"

namespace {

using host::gHost;
using tw::Op;

constexpr int32_t kHourMs = tw::kMsPerGameHour;

constexpr uint32_t kF1 = tw::kKeyF1;

struct KeysTest : twtest::PluginTest {
    void start(bool dev = true) {
        load(dev);
        gHost.world.missionActive = true;  // no visit starts
        ASSERT_TRUE(runUntilReady());
    }

    // Whether the capture message was drawn in the frame just run.
    static bool f1Fired() {
        for (const auto& d : gHost.world.drawnThisFrame)
            if (d.text == "Coordinates and Heading copied to clipboard!") return true;
        return false;
    }

    // Runs frames for ms of game time and counts those in which F1 fired.
    static int firingsDuring(int32_t ms) {
        int n = 0;
        const int32_t from = gHost.world.gameTime;
        while (tw::elapsed(gHost.world.gameTime, from) < ms) {
            host::runFrame();
            n += f1Fired();
        }
        return n;
    }

    // Makes GetTickCount read ticks at the current game time.
    static void setTickCount(uint32_t ticks) { gHost.tickBase = ticks - static_cast<uint32_t>(gHost.world.gameTime); }
};

TEST_F(KeysTest, KeySeenWithin100msFiresOnce) {
    start();
    host::sendKey(kF1);
    host::runFrame();  // 33 ms later
    EXPECT_TRUE(f1Fired());
    EXPECT_EQ(firingsDuring(1000), 0);
}

// A key the script first looks at 100 ms or more after the event never fires, then or later;
// one 99 ms old does.
TEST_F(KeysTest, AKeyExactly100msOldNeverFiresAnd99msOldDoes) {
    start();
    host::sendKey(kF1);
    gHost.world.frameStepMs = 100;  // the script looks exactly 100 ms after the event
    host::runFrame();
    EXPECT_FALSE(f1Fired());
    gHost.world.frameStepMs = 33;
    EXPECT_EQ(firingsDuring(1000), 0);
    host::sendKey(kF1);
    gHost.world.frameStepMs = 99;
    host::runFrame();
    EXPECT_TRUE(f1Fired());
}

TEST_F(KeysTest, EventJustBeforeTheTickCountWrapsFiresOnlyAfterTheWrap) {
    start();
    setTickCount(0xFFFFFFFFu - 49);  // 2^32 - 50: the window ends at 50
    host::sendKey(kF1);
    host::runFrame();  // GetTickCount 2^32 - 17
    EXPECT_FALSE(f1Fired());
    host::runFrame();  // GetTickCount 16
    EXPECT_TRUE(f1Fired());
    EXPECT_EQ(firingsDuring(1000), 0);
}

TEST_F(KeysTest, EventJustBeforeTheWrapSeenTooLateNeverFires) {
    start();
    setTickCount(0xFFFFFFFFu - 49);
    host::sendKey(kF1);
    gHost.world.frameStepMs = 120;  // the next poll comes at GetTickCount 70, past the window
    host::runFrame();
    gHost.world.frameStepMs = 33;
    EXPECT_FALSE(f1Fired());
    EXPECT_EQ(firingsDuring(1000), 0);
}

TEST_F(KeysTest, TwoEventsBeforeThePollAreOneAction) {
    start();
    host::sendKey(kF1);
    host::sendKey(kF1);
    EXPECT_EQ(firingsDuring(1000), 1);
}

TEST_F(KeysTest, LaterEventWithoutTriggerCancels) {
    start();
    host::sendKey(kF1, 1);
    host::sendKey(kF1, 0);
    EXPECT_EQ(firingsDuring(1000), 0);
}

TEST_F(KeysTest, CodesAbove254AreIgnored) {
    start();
    host::sendKey(255);
    host::sendKey(0x100 + kF1);  // would alias F1 if cut to a byte
    host::sendKey(0xFFFFFFFFu);
    EXPECT_EQ(firingsDuring(1000), 0);
}

TEST_F(KeysTest, ReleaseBuildIgnoresEveryHotkey) {
    start(false);
    for (uint32_t key : {tw::kKeyF1, tw::kKeyF2, tw::kKeyF3, tw::kKeyF4, tw::kKeyI}) {
        host::sendKey(key);
        host::runFrame();
        EXPECT_TRUE(gHost.world.drawnThisFrame.empty());
    }
    host::runFor(1000);
    EXPECT_EQ(gHost.clipboardText, "");
    EXPECT_EQ(host::countOf(tw::Op::entityGetHeading), 0u);
    EXPECT_EQ(host::countOf(tw::Op::pedCreate), 0u);
}

// The host calls the keyboard callback on its own thread while the script runs.
TEST_F(KeysTest, CallbackFromAnotherThreadWhileTheScriptPolls) {
    start();
    std::atomic<bool> stop{false};
    std::thread keyboard([&stop] {
        uint32_t code = 0;
        while (!stop.load()) {
            const uint32_t key = code % 300;
            if (key != tw::kKeyF2 && key != tw::kKeyF3 && key != tw::kKeyF4 &&
                key != tw::kKeyI)  // leave the visit alone
                gHost.keyboard(key, 1, 0, 0, 0, 0, static_cast<int32_t>(code & 1));
            ++code;
        }
    });
    host::runFor(5000);
    stop = true;
    keyboard.join();
    EXPECT_EQ(gHost.liveGlobalBlocks, 0);
    host::sendKey(kF1);  // the records still work afterwards
    host::runFrame();
    EXPECT_TRUE(f1Fired());
}

// ---- what the developer keys do to visits ----

struct DeveloperKeysTest : twtest::VisitTest {};

TEST_F(DeveloperKeysTest, DeveloperKeysStartEndAndSendAwayAVisit) {
    gHost.world.missionActive = true;  // the scheduler alone would never start one
    load(true);
    ASSERT_TRUE(runUntilReady());
    host::runFor(1000);
    EXPECT_FALSE(twtest::anyVisitorPresent());

    host::sendKey(tw::kKeyF2);  // force a visit
    host::runFor(5000);
    EXPECT_TRUE(twtest::anyVisitorPresent());

    host::sendKey(tw::kKeyF3);  // clean up at once
    host::runFor(1000);
    EXPECT_EQ(twtest::leftovers(), "");

    host::sendKey(tw::kKeyF2);
    host::runFor(5000);
    ASSERT_TRUE(twtest::anyVisitorPresent());
    host::sendKey(tw::kKeyF4);  // reset the timer, which ends the visit too
    host::runFor(1000);
    EXPECT_EQ(twtest::leftovers(), "");

    host::sendKey(tw::kKeyF2);
    host::runFor(5000);
    ASSERT_TRUE(twtest::anyVisitorPresent());
    host::clearTrace();
    host::sendKey(tw::kKeyI);  // depart now
    host::runFor(1000);
    EXPECT_GT(host::callsOf(Op::taskGoToEntity).size() + host::callsOf(Op::taskMountAnimal).size(), 0u);
    gHost.traceEnabled = false;
    ASSERT_TRUE(runUntilVisitEnded(320000));
    EXPECT_EQ(twtest::leftovers(), "");
}

TEST_F(DeveloperKeysTest, F4WithNoVisitOnlyRestartsTheCooldown) {
    writeIni("[Settings]\nvisitCooldown=1\n");
    gHost.world.missionActive = true;  // no visit comes of itself
    load(true);
    ASSERT_TRUE(runUntilReady());
    ASSERT_EQ(twtest::pluginEntities("s_bedrollfurlined01x").size(), 1u);

    host::sendKey(tw::kKeyF4);
    host::runFor(1000);
    EXPECT_EQ(twtest::pluginEntities("s_bedrollfurlined01x").size(), 1u);  // the fixtures stay
    EXPECT_EQ(twtest::pluginEntities("p_bedrollopen03x").size(), 1u);
    const int32_t reset = gHost.world.gameTime;
    gHost.world.missionActive = false;
    ASSERT_TRUE(host::runUntil([] { return host::countOf(Op::pedCreate) > 0; }, 3 * kHourMs));
    EXPECT_GE(host::callsOf(Op::pedCreate).front()->time - reset, kHourMs - 2000);  // a cooldown from the key
}

TEST_F(DeveloperKeysTest, F3WithNoVisitRemovesTheBedrollsAndSleepPoints) {
    gHost.world.missionActive = true;
    load(true);
    ASSERT_TRUE(runUntilReady());
    ASSERT_EQ(twtest::pluginEntities("p_bedrollopen03x").size(), 1u);
    host::sendKey(tw::kKeyF3);
    host::runFor(1000);
    EXPECT_EQ(twtest::leftovers(), "");
}

}  // namespace
