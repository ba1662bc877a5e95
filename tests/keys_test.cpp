// Keyboard events and the developer hotkeys. F1 is the witness: when it fires, the capture
// message "... copied to clipboard!" is drawn in that frame.
#include <atomic>
#include <thread>

#include "plugin_fixture.h"

namespace {

using sim::gHost;

constexpr uint32_t kF1 = 0x70;

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
            sim::runFrame();
            n += f1Fired();
        }
        return n;
    }

    // Makes GetTickCount read ticks at the current game time.
    static void setTickCount(uint32_t ticks) { gHost.tickBase = ticks - static_cast<uint32_t>(gHost.world.gameTime); }
};

TEST_F(KeysTest, KeySeenWithin100msFiresOnce) {
    start();
    sim::sendKey(kF1);
    sim::runFrame();  // 33 ms later
    EXPECT_TRUE(f1Fired());
    EXPECT_EQ(firingsDuring(1000), 0);
}

TEST_F(KeysTest, KeySeenAfter100msNeverFires) {
    start();
    sim::sendKey(kF1);
    gHost.world.frameStepMs = 150;  // the script next looks 150 ms after the event
    sim::runFrame();
    EXPECT_FALSE(f1Fired());
    gHost.world.frameStepMs = 33;
    EXPECT_EQ(firingsDuring(1000), 0);
}

// The window's end wraps past zero: a poll before the count wraps sees now above it and waits;
// the poll after the wrap, still within 100 ms of the event, fires.
TEST_F(KeysTest, EventJustBeforeTheTickCountWrapsFiresOnlyAfterTheWrap) {
    start();
    setTickCount(0xFFFFFFFFu - 49);  // 2^32 - 50: the window ends at 50
    sim::sendKey(kF1);
    sim::runFrame();  // GetTickCount 2^32 - 17
    EXPECT_FALSE(f1Fired());
    sim::runFrame();  // GetTickCount 16
    EXPECT_TRUE(f1Fired());
    EXPECT_EQ(firingsDuring(1000), 0);
}

TEST_F(KeysTest, EventJustBeforeTheWrapSeenTooLateNeverFires) {
    start();
    setTickCount(0xFFFFFFFFu - 49);
    sim::sendKey(kF1);
    gHost.world.frameStepMs = 120;  // the next poll comes at GetTickCount 70, past the window
    sim::runFrame();
    gHost.world.frameStepMs = 33;
    EXPECT_FALSE(f1Fired());
    EXPECT_EQ(firingsDuring(1000), 0);
}

TEST_F(KeysTest, TwoEventsBeforeThePollAreOneAction) {
    start();
    sim::sendKey(kF1);
    sim::sendKey(kF1);
    EXPECT_EQ(firingsDuring(1000), 1);
}

TEST_F(KeysTest, LaterEventWithoutTriggerCancels) {
    start();
    sim::sendKey(kF1, 1);
    sim::sendKey(kF1, 0);
    EXPECT_EQ(firingsDuring(1000), 0);
}

TEST_F(KeysTest, CodesAbove254AreIgnored) {
    start();
    sim::sendKey(255);
    sim::sendKey(0x100 + kF1);  // would alias F1 if cut to a byte
    sim::sendKey(0xFFFFFFFFu);
    EXPECT_EQ(firingsDuring(1000), 0);
}

TEST_F(KeysTest, ReleaseBuildIgnoresEveryHotkey) {
    start(false);
    for (uint32_t key : {0x70u, 0x71u, 0x72u, 0x73u, 0x49u}) {
        sim::sendKey(key);
        sim::runFrame();
        EXPECT_TRUE(gHost.world.drawnThisFrame.empty());
    }
    sim::runFor(1000);
    EXPECT_EQ(gHost.clipboardText, "");
    EXPECT_EQ(sim::countOf(tw::Op::entityGetHeading), 0u);
    EXPECT_EQ(sim::countOf(tw::Op::pedCreate), 0u);
}

// The host calls the keyboard callback on its own thread while the script runs.
TEST_F(KeysTest, CallbackFromAnotherThreadWhileTheScriptPolls) {
    start();
    std::atomic<bool> stop{false};
    std::thread keyboard([&stop] {
        uint32_t code = 0;
        while (!stop.load()) {
            const uint32_t key = code % 300;
            if (key != 0x71 && key != 0x72 && key != 0x73 && key != 0x49)  // leave the visit alone
                gHost.keyboard(key, 1, 0, 0, 0, 0, static_cast<int32_t>(code & 1));
            ++code;
        }
    });
    sim::runFor(5000);
    stop = true;
    keyboard.join();
    EXPECT_EQ(gHost.liveGlobalBlocks, 0);
    sim::sendKey(kF1);  // the records still work afterwards
    sim::runFrame();
    EXPECT_TRUE(f1Fired());
}

}  // namespace
