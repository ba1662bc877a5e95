// When visits may start and when they end: the start conditions, the duration, and the
// developer keys that force, reset and send away.
#include <cstring>

#include "frame/key_state.h"
#include "frame/settings.h"
#include "plugin_fixture.h"
#include "visit/visit_state.h"
#include "visit/world_tables.h"
#include "visit_test.h"
#include "visit_world_check.h"

namespace {

using host::gHost;
using host::overrideOf;
using tw::Op;

constexpr int32_t kHourMs = tw::kMsPerGameHour;

struct SchedulerTest : twtest::VisitTest {
    bool visitStartedWithin(int32_t ms) {
        return host::runUntil([] { return host::countOf(Op::pedCreate) > 0; }, ms);
    }
    void placePlayer(tw::Vec3 at) { host::findEntity(gHost.world, gHost.world.playerPed)->pos = at; }
    void press(uint32_t key) {
        host::sendKey(key);
        host::runFor(100);
    }
    // With a one-hour cooldown and the first stamp well above zero, answers the 15 % roll with
    // miss for the first `misses` rolls and with 14 after; the rolls drawn until a visit began.
    int rollsBeforeAVisit(uint32_t miss, int misses) {
        writeIni("[Settings]\nvisitCooldown=1\n");
        gHost.world.gameTime = 10 * kHourMs;
        overrideOf(Op::miscGetRandomInt) = [this, miss, misses](host::Call& c, host::World&) {
            if (c.i(0) != 0 || c.i(1) != 100) return false;
            c.result[0] = ++rolls_ <= misses ? miss : 14u;
            return true;
        };
        load();
        EXPECT_TRUE(visitStartedWithin(60000));
        return rolls_;
    }
    int rolls_ = 0;
    // The game time the first timer reading at or after `from` answered.
    static int32_t timerReadAt(int32_t from) {
        for (const host::Call* c : host::callsOf(Op::gameGetTimer))
            if (c->time >= from) return static_cast<int32_t>(c->result[0]);
        return 0;
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
    overrideOf(Op::miscGetDistanceBetweenCoords) = [&answer](host::Call& c, host::World&) {
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

// ---- the thresholds in time, on both sides ----

TEST_F(SchedulerTest, TheCooldownEndsOnItsExactMillisecond) {
    writeIni("[Settings]\nvisitCooldown=1\n");
    gHost.world.missionActive = true;  // past the cooldown, the mission test is the next to hold
    load(true);
    ASSERT_TRUE(runUntilReady());
    host::runFor(2000);
    host::sendKey(tw::kKeyF4);  // restarts the cooldown in the next pass
    host::runFrame();
    const int32_t restarted = host::callsOf(Op::gameGetTimer).back()->time;
    ASSERT_EQ(restarted, gHost.world.gameTime);

    host::clearTrace();
    twtest::runTo(restarted + kHourMs - 1);
    EXPECT_EQ(host::callsOf(Op::missionIsActive).size(), 0u) << "the cooldown ended early";
    twtest::runTo(restarted + kHourMs);
    ASSERT_EQ(host::callsOf(Op::missionIsActive).size(), 1u) << "the cooldown did not end on its hour";
    EXPECT_EQ(host::callsOf(Op::missionIsActive).front()->time, restarted + kHourMs);
}

// Between one and two cooldowns only the 15 % roll starts a visit; at two it starts without one.
TEST_F(SchedulerTest, AtExactlyTwoCooldownsAVisitStartsWithoutTheRoll) {
    writeIni("[Settings]\nvisitCooldown=1\n");
    overrideOf(Op::miscGetRandomInt) = [](host::Call& c, host::World&) {
        if (c.i(0) != 0 || c.i(1) != 100) return false;
        c.result[0] = 99;  // the roll never comes up
        return true;
    };
    gHost.world.missionActive = true;  // no visit before the cooldown is stamped
    load(true);
    ASSERT_TRUE(runUntilReady());
    host::runFor(2000);
    host::sendKey(tw::kKeyF4);
    host::runFrame();
    const int32_t restarted = host::callsOf(Op::gameGetTimer).back()->time;
    ASSERT_EQ(restarted, gHost.world.gameTime);
    gHost.world.missionActive = false;

    gHost.traceEnabled = false;
    twtest::runTo(restarted + 2 * kHourMs - 1);
    // A start asks at once whether the first visitor's model is valid.
    EXPECT_EQ(host::countOf(Op::streamingIsModelValid), 0u) << "a visit started before two cooldowns";
    EXPECT_GT(host::countOf(Op::missionIsActive), 100u) << "the start test did not run";
    twtest::runTo(restarted + 2 * kHourMs);
    EXPECT_GT(host::countOf(Op::streamingIsModelValid), 0u) << "no visit at two cooldowns";
}

TEST_F(SchedulerTest, AStartThatBroughtNobodyIsTriedAgainOnTheHourExactly) {
    host::setModel(gHost.world, "cs_mrsadler", true, -1);  // never loads
    twtest::forceVisitType(1);
    load();
    ASSERT_TRUE(host::runUntil([] { return host::countOf(Op::entityDelete) > 0; }, 60000));  // her horse went
    host::runFor(1000);
    // The give-up time is the timer read right after the horse was removed.
    const int32_t failedAt = timerReadAt(host::callsOf(Op::entityDelete).back()->time);

    host::clearTrace();
    twtest::runTo(failedAt + tw::kStartRetryMs - 1);
    EXPECT_EQ(host::callsOf(Op::missionIsActive).size(), 0u) << "tried again before the hour";
    twtest::runTo(failedAt + tw::kStartRetryMs);
    ASSERT_EQ(host::callsOf(Op::missionIsActive).size(), 1u) << "not tried again on the hour";
    EXPECT_EQ(host::callsOf(Op::missionIsActive).front()->time, failedAt + tw::kStartRetryMs);
}

TEST_F(SchedulerTest, TheVisitorsHeadOutOnTheDurationsExactMillisecond) {
    writeIni("[Settings]\nvisitDuration=1\n");
    gHost.world.ranchPopulate = false;  // no household greeting holds the script in its wait
    twtest::forceVisitType(1);
    load();
    ASSERT_TRUE(
        host::runUntil([] { return !twtest::pluginEntities("a_c_horse_gang_sadie_endlesssummer").empty(); }, 60000));
    host::runFor(1000);
    // The visit's start time is the timer read in the pass that configured her horse last.
    const int32_t started = timerReadAt(host::callsOf(Op::pedSetConfigFlag).back()->time);
    const auto headedOut = [] {
        for (const host::SpokenLine& l : gHost.world.spoken)
            if (l.line == "HEADING_OUT") return l.time;
        return 0;
    };

    // A departure begins with a 100 ms settle; a pass without one ends in its frame wait.
    twtest::runTo(started + kHourMs - 1);
    EXPECT_EQ(gHost.waits.back(), 0u) << "sent away before the duration";
    twtest::runTo(started + kHourMs);
    host::runFor(300);
    // The departure began in the pass at the duration: the goodbye follows its 100 ms settle.
    ASSERT_NE(headedOut(), 0);
    EXPECT_LE(headedOut() - (started + kHourMs), 100 + gHost.world.frameStepMs);
}

TEST_F(SchedulerTest, FirstVisitStartsInTheFirstReadyPassWithoutARoll) {
    load();
    ASSERT_TRUE(host::runUntil([] { return host::countOf(Op::pedCreate) > 0; }, 60000));
    // The cooldown stamp is below zero this early in the game, so no 15 % roll is drawn.
    for (const host::Call* c : host::callsOf(Op::miscGetRandomInt)) EXPECT_FALSE(c->i(0) == 0 && c->i(1) == 100);
    EXPECT_EQ(host::countOf(Op::missionIsActive), 1u);
}

TEST_F(SchedulerTest, LaterVisitsWaitForTheRollBetweenOneAndTwoCooldowns) { EXPECT_EQ(rollsBeforeAVisit(50, 2), 3); }

TEST_F(SchedulerTest, ARollOfExactly15StartsNoVisitAnd14Does) { EXPECT_EQ(rollsBeforeAVisit(15, 199), 200); }

TEST_F(SchedulerTest, AStartThatBringsNobodyLeavesNothingKeepsTheCooldownAndIsTriedAgainWithinTheHour) {
    host::setModel(gHost.world, "cs_mrsadler", true, -1);
    twtest::forceVisitType(1);
    load();
    runUntilVisitStarted(1);
    const int32_t failedAt = gHost.world.gameTime;
    // Her horse went again; the bedrolls made at load stay where they were.
    EXPECT_TRUE(twtest::pluginEntities("a_c_horse_gang_sadie_endlesssummer").empty());
    EXPECT_EQ(twtest::pluginEntities("s_bedrollfurlined01x").size(), 1u);
    EXPECT_EQ(twtest::pluginEntities("p_bedrollopen03x").size(), 1u);

    host::setModel(gHost.world, "cs_mrsadler", true, 200);  // the model loads from now on
    twtest::forceVisitType(1);
    host::clearTrace();
    ASSERT_TRUE(host::runUntil([] { return twtest::onlyEntity("cs_mrsadler") != nullptr; }, 2 * kHourMs));
    const int32_t retriedAt = host::callsOf(Op::pedCreate).front()->time;
    EXPECT_GE(retriedAt - failedAt, kHourMs - 2000);  // not on every pass meanwhile
}

TEST_F(SchedulerTest, EndingAVisitRemovesFixturesAndTheNextWaitsACooldown) {
    writeIni("[Settings]\nvisitCooldown=1\nvisitDuration=0\n");
    twtest::forceVisitType(0);
    load();
    runUntilVisitStarted(2);
    ASSERT_EQ(twtest::pluginEntities("s_bedrollfurlined01x").size(), 1u);
    gHost.traceEnabled = false;
    ASSERT_TRUE(runUntilVisitEnded(320000));
    const int32_t ended = gHost.world.gameTime;
    EXPECT_EQ(twtest::leftovers(), "");  // visitors, horses, bedrolls and sleep points are gone

    gHost.traceEnabled = true;
    host::clearTrace();
    ASSERT_TRUE(host::runUntil([] { return !host::callsOf(Op::pedCreate).empty(); }, 3 * kHourMs));
    EXPECT_GE(host::callsOf(Op::pedCreate).front()->time - ended, kHourMs - 100);
}

}  // namespace
