// When visits may start and when they end: the start conditions, the duration, and the
// developer keys that force, reset and send away.
#include <cstring>

#include "frame/key_state.h"
#include "frame/settings.h"
#include "plugin_fixture.h"
#include "visit/world_tables.h"
#include "visit_world_check.h"

namespace {

using host::gHost;
using tw::Op;

constexpr int32_t kHourMs = tw::kMsPerGameHour;

struct SchedulerTest : twtest::PluginTest {
    bool visitStartedWithin(int32_t ms) {
        return host::runUntil([] { return host::countOf(Op::pedCreate) > 0; }, ms);
    }
    void placePlayer(tw::Vec3 at) { host::findEntity(gHost.world, gHost.world.playerPed)->pos = at; }
    void press(uint32_t key) {
        host::sendKey(key);
        host::runFor(100);
    }
};

TEST_F(SchedulerTest, AStoryMissionHoldsVisitsBackButF2StillStartsOne) {
    gHost.world.missionActive = true;
    load(true);
    ASSERT_TRUE(runUntilReady());
    EXPECT_FALSE(visitStartedWithin(60000));
    press(tw::kKeyF2);
    EXPECT_TRUE(visitStartedWithin(5000));
}

TEST_F(SchedulerTest, AnUnfinishedStoryHoldsVisitsBack) {
    gHost.world.completedMissions.clear();
    load();
    ASSERT_TRUE(runUntilReady());
    EXPECT_FALSE(visitStartedWithin(60000));
    gHost.world.completedMissions.push_back(host::nameHash("FIN2"));
    EXPECT_TRUE(visitStartedWithin(5000));
}

TEST_F(SchedulerTest, ThePlayerMustBeWithin100mOfTheRanchPointExactly100Counting) {
    float answer = 100.1f;
    gHost.overrides[static_cast<std::size_t>(Op::miscGetDistanceBetweenCoords)] = [&answer](host::Call& c,
                                                                                            host::World&) {
        // Only the start test measures from the player to the ranch point.
        if (c.f(3) != tw::ranchPoint.x || c.f(4) != tw::ranchPoint.y) return false;
        std::memcpy(&c.result[0], &answer, sizeof answer);
        return true;
    };
    load();
    ASSERT_TRUE(runUntilReady());
    EXPECT_FALSE(visitStartedWithin(30000));
    answer = 100.0f;
    EXPECT_TRUE(visitStartedWithin(5000));
}

TEST_F(SchedulerTest, AZeroDurationSendsBothAwayInTheirFirstPass) {
    writeIni("[Settings]\nvisitCooldown=0\nvisitDuration=0\n");
    twtest::forceVisitType(0);
    load();
    ASSERT_TRUE(visitStartedWithin(60000));
    ASSERT_TRUE(host::runUntil(
        [] {
            int n = 0;
            for (const host::SpokenLine& s : gHost.world.spoken) n += s.line == "HEADING_OUT";
            return n == 2;
        },
        10000));
    // Both leave in the pass that finished creating them: after the last horse's 500 ms wait
    // only the settling and departure waits of 100 ms each come before the farewells.
    const int32_t created = host::callsOf(Op::pedCreate).back()->time;
    for (const host::SpokenLine& s : gHost.world.spoken)
        if (s.line == "HEADING_OUT") {
            EXPECT_LT(s.time - created, 1500);
        }
}

TEST_F(SchedulerTest, F4DuringAVisitEndsItAndTheNextWaitsACooldown) {
    writeIni("[Settings]\nvisitCooldown=1\nvisitDuration=48\n");
    gHost.world.gameTime = 10 * kHourMs;  // the first cooldown stamp is above zero: rolls apply
    gHost.world.missionActive = true;     // only the keys start visits for now
    load(true);
    ASSERT_TRUE(runUntilReady());
    press(tw::kKeyF2);
    ASSERT_TRUE(host::runUntil([] { return twtest::anyVisitorPresent(); }, 10000));
    host::runFor(3000);

    press(tw::kKeyF4);
    host::runFor(1000);
    EXPECT_EQ(twtest::leftovers(), "");
    gHost.world.missionActive = false;
    const std::size_t created = host::countOf(Op::pedCreate);
    host::runFor(kHourMs - 5000);
    EXPECT_EQ(host::countOf(Op::pedCreate), created) << "a visit started within the cooldown";
    // Between one and two cooldowns each pass rolls 15 %, after two the visit starts at once.
    EXPECT_TRUE(host::runUntil([created] { return host::countOf(Op::pedCreate) > created; }, kHourMs + 10000));
}

}  // namespace
