// A departure: the farewell, whether the visitor is told to mount or to walk to its horse, a
// second send-off changing nothing, the stuck watch, the saddle, the removal, and a visitor
// the world takes away on the way.
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "behaviour_fixture.h"
#include "frame/key_state.h"
#include "visit_test.h"
#include "visit_world_check.h"

namespace {

using host::gHost;
using tw::Handle;
using tw::Op;
using twtest::Visitors;

struct DepartureTest : twtest::BehaviourTest {
    // A visit by Sadie alone, started with F2 in the developer build and settled.
    void startSadiesVisit() {
        world().missionActive = true;  // only the key starts it
        drawVisitors(Visitors::SadieOnly);
        load(true);
        ASSERT_TRUE(runUntilReady());
        host::sendKey(tw::kKeyF2);
        ASSERT_TRUE(host::runUntil([&] { return sadie() != 0 && sadieHorse() != 0; }, 20000));
        host::runFor(5000);
    }
    // Sadie at a fixed place and her horse `gap` metres east of her, then I.
    void sendAwayWithHorseAt(float gap) {
        const tw::Vec3 at{-1640.0f, -1390.0f, 83.0f};
        hold(sadie(), at);
        hold(sadieHorse(), {at.x + gap, at.y, at.z});
        host::clearTrace();
        host::sendKey(tw::kKeyI);
        host::runFor(150);  // the key's pass: clear tasks, 100 ms, farewell, order
    }
    // Sadie held by an obstacle 30 m from her horse, then I: her walk runs but gets nowhere.
    void sendAwayStuck() {
        const tw::Vec3 at{-1640.0f, -1390.0f, 83.0f};
        hold(sadie(), at);
        entity(sadie()).stuck = true;
        hold(sadieHorse(), {at.x + 30.0f, at.y, at.z});
        host::clearTrace();
        const Handle s = sadie();
        ASSERT_TRUE(twtest::pressUntil(tw::kKeyI, [this, s] { return spokenCount(s, "HEADING_OUT") > 0; }));
    }
};

TEST_F(DepartureTest, AVisitorExactly3mFromItsHorseIsToldToMount) {
    startSadiesVisit();
    sendAwayWithHorseAt(3.0f);
    EXPECT_EQ(twtest::callsFor(Op::taskMountAnimal, sadie()).size(), 1u);
    EXPECT_TRUE(twtest::callsFor(Op::taskGoToEntity, sadie()).empty());
    EXPECT_EQ(spokenCount(sadie(), "HEADING_OUT"), 1);
}

TEST_F(DepartureTest, AVisitorJustBeyond3mWalksToItsHorse) {
    startSadiesVisit();
    sendAwayWithHorseAt(3.01f);
    const auto walks = twtest::callsFor(Op::taskGoToEntity, sadie());
    ASSERT_EQ(walks.size(), 1u);
    EXPECT_EQ(walks[0].u(1), sadieHorse());
    EXPECT_TRUE(twtest::callsFor(Op::taskMountAnimal, sadie()).empty());
}

TEST_F(DepartureTest, SendingAwayTwiceSaysGoodbyeOnce) {
    startSadiesVisit();
    sendAwayWithHorseAt(10.0f);
    host::runFor(500);
    host::sendKey(tw::kKeyI);
    host::runFor(500);
    EXPECT_EQ(spokenCount(sadie(), "HEADING_OUT"), 1);
    // The second key makes no new clear-and-order round: beginDeparture returns at once.
    EXPECT_EQ(twtest::callsFor(Op::taskGoToEntity, sadie()).size(), 1u);
}

TEST_F(DepartureTest, SpeechForAPedThatIsGoneIsNotSent) {
    startSadiesVisit();
    const Handle s = sadie();
    const tw::Vec3 at{-1640.0f, -1390.0f, 83.0f};
    hold(s, at);
    hold(sadieHorse(), {at.x + 10.0f, at.y, at.z});
    // The host deletes Sadie during the 100 ms wait before her farewell.
    host::overrideOf(Op::taskClearPedTasks) = [s](host::Call& c, host::World& w) {
        if (c.u(0) == s)
            if (host::Entity* e = host::findEntity(w, s)) e->alive = false;
        return false;
    };
    host::clearTrace();
    host::sendKey(tw::kKeyI);
    host::runFor(1000);
    EXPECT_TRUE(twtest::callsFor(Op::audioPlayPedSpeech, s).empty());
    EXPECT_TRUE(twtest::callsFor(Op::taskGoToEntity, s).empty());
}

TEST_F(DepartureTest, AWalkToTheHorseThatEndedShortOfItIsOrderedAgain) {
    startSadiesVisit();
    sendAwayWithHorseAt(10.0f);
    const Handle s = sadie();
    ASSERT_EQ(twtest::callsFor(Op::taskGoToEntity, s).size(), 1u);
    // The host reports the walk over (8) while she is still 10 m from the horse.
    auto& status = host::overrideOf(Op::taskGetScriptTaskStatus);
    status = [s](host::Call& c, host::World&) {
        if (c.u(0) != s) return false;
        c.result[0] = 8;
        return true;
    };
    host::runFor(300);
    EXPECT_GE(twtest::callsFor(Op::taskGoToEntity, s).size(), 2u);
    // Once the walk runs again it is left alone.
    status = nullptr;
    host::runFor(100);
    host::clearTrace();
    host::runFor(2000);
    EXPECT_TRUE(twtest::callsFor(Op::taskGoToEntity, s).empty());
}

TEST_F(DepartureTest, SentAwayFromHerBedrollAtNightSheLeavesInDayClothesAndNotAsleep) {
    world().clockStartHour = 21;  // 22:00 at game time 120000
    world().playerSeesNothing = true;
    startSadiesVisit();
    const Handle s = sadie();
    const int32_t day = entity(s).outfit;
    gHost.traceEnabled = false;
    ASSERT_TRUE(host::runUntil(
        [&] { return entity(s).task.kind == host::TaskKind::Scenario && entity(s).outfit == 15; }, 600000));
    host::sendKey(tw::kKeyI);
    host::runFor(150);
    EXPECT_EQ(entity(s).outfit, day);
    host::runFrame();  // the overlay of the next pass
    for (const host::DrawnText& t : world().drawnThisFrame) EXPECT_EQ(t.text.find("SLEEPING"), std::string::npos);
}

TEST_F(DepartureTest, TheFirstStuckCheckOfADepartureIgnoresWhereAnEarlierVisitorStood) {
    writeIni("[Settings]\nvisitCooldown=0\n");
    startSadiesVisit();
    const tw::Vec3 at{-1640.0f, -1390.0f, 83.0f};
    auto standStuck = [&] {
        hold(sadie(), at);
        entity(sadie()).stuck = true;
        hold(sadieHorse(), {at.x + 20.0f, at.y, at.z});
    };
    standStuck();
    host::sendKey(tw::kKeyI);
    host::runFor(7000);  // her walk to the horse is checked where she stands
    host::sendKey(tw::kKeyF3);
    host::runFor(1000);

    drawVisitors(Visitors::SadieOnly);
    host::sendKey(tw::kKeyF2);
    ASSERT_TRUE(host::runUntil([&] { return sadie() != 0 && sadieHorse() != 0; }, 20000));
    host::runFor(5000);
    standStuck();  // the next Sadie stands on the very spot
    const Handle s = sadie();
    host::clearTrace();
    host::sendKey(tw::kKeyI);
    host::runFor(3000);
    // Only the farewell's clearing: the first check of this walk records where she is.
    EXPECT_EQ(twtest::callsFor(Op::taskClearPedTasks, s).size(), 1u);
}

// After the move beside the horse the count starts again: the next move takes a check that
// sees the move, then three more detections 5000 ms apart.
TEST_F(DepartureTest, AfterAMoveBesideItsHorseTheStuckCountStartsAgain) {
    startSadiesVisit();
    const Handle s = sadie();
    sendAwayStuck();
    ASSERT_TRUE(host::runUntil([&] { return twtest::callsFor(Op::entitySetCoords, s).size() >= 2; }, 120000));
    const auto moves = twtest::callsFor(Op::entitySetCoords, s);
    EXPECT_GE(moves[1].time - moves[0].time, 20000);
    int clears = 0;
    for (const host::Call& c : twtest::callsFor(Op::taskClearPedTasks, s))
        clears += c.time > moves[0].time && c.time <= moves[1].time;
    EXPECT_EQ(clears, 3);
}

// Beside her horse but not seated by the game: each try 2000 ms and a frame after the last.
TEST_F(DepartureTest, PutInTheSaddleIsTriedAgainOnlyOnceTwoSecondsHavePassed) {
    world().playerSeesNothing = true;  // no blink between the tries
    startSadiesVisit();
    const Handle s = sadie();
    host::overrideOf(Op::pedSetOnMount) = [](host::Call&, host::World&) { return true; };
    sendAwayWithHorseAt(3.2f);  // too far to mount from, near enough to be seated
    host::runFor(10000);
    const auto tries = twtest::callsFor(Op::pedSetOnMount, s);
    ASSERT_GE(tries.size(), 4u);
    for (std::size_t i = 1; i < tries.size(); ++i) {
        EXPECT_GT(tries[i].time - tries[i - 1].time, 2000) << "try " << i;
        EXPECT_LT(tries[i].time - tries[i - 1].time, 2100) << "try " << i;
    }
}

TEST_F(DepartureTest, AnUnseenRiderIsRemovedAtExactly200mAndNotJustShortOfIt) {
    world().playerSeesNothing = true;
    startSadiesVisit();
    const Handle s = sadie();
    sendAwayWithHorseAt(2.0f);  // mounts at once
    ASSERT_TRUE(host::runUntil([&] { return entity(s).mount != 0; }, 30000));
    float metres = 199.99f;
    host::overrideOf(Op::miscGetDistanceBetweenCoords) = [&metres](host::Call& c, host::World& w) {
        // Only the removal test measures from the rider to the player.
        const host::Entity* player = host::findEntity(w, w.playerPed);
        if (!player || c.f(3) != player->pos.x || c.f(4) != player->pos.y) return false;
        std::memcpy(&c.result[0], &metres, sizeof metres);
        return true;
    };
    host::runFor(3000);
    EXPECT_EQ(sadie(), s) << "removed short of 200 m";
    metres = 200.0f;
    host::runFor(200);
    EXPECT_EQ(sadie(), 0u) << "not removed at 200 m";
}

// The world removes her while the stuck check waits its 100 ms: from then on the plug-in only
// asks whether she exists, and says once that her departure is over.
TEST_F(DepartureTest, AVisitorGoneDuringTheStuckChecksWaitIsNeitherOrderedNorMovedAgain) {
    writeIni("[Settings]\nlog=1\n");
    world().missionActive = true;
    drawVisitors(Visitors::Both);  // Charles stays, so the visit goes on without her
    load(true);
    ASSERT_TRUE(runUntilReady());
    ASSERT_TRUE(twtest::pressUntil(
        tw::kKeyF2, [&] { return visitorsPresent(Visitors::Both); }, 30000));
    host::runFor(5000);
    const Handle s = sadie();
    sendAwayStuck();
    host::runFor(1000);
    host::overrideOf(Op::taskClearPedTasks) = [s](host::Call& c, host::World& w) {
        if (c.u(0) == s) host::removeEntity(w, s);
        return false;
    };
    ASSERT_TRUE(host::runUntil([&] { return sadie() == 0; }, 20000));
    const int32_t gone = world().gameTime;
    host::runFor(10000);
    std::string after;
    for (const host::Call& c : gHost.trace)
        if (c.time > gone && c.u(0) == s && c.op != Op::entityExists) after += c.describe(world()) + "\n";
    EXPECT_EQ(after, "");
    int told = 0;
    std::ifstream log(workDir + "/tamberwick.log");
    for (std::string line; std::getline(log, line);)
        told += line.find("Sadie is gone from the world; the departure is over") != std::string::npos;
    EXPECT_EQ(told, 1);
}

// ---- whole departures, from a visit started as the scheduler starts it ----

struct RideAwayTest : twtest::VisitTest {
    // Sadie alone, in the developer build so the I key can send her away.
    void startSadieAlone() {
        twtest::forceVisitType(1);
        load(true);
        runUntilVisitStarted(1);
    }
};

TEST_F(RideAwayTest, AVisitorHeldByAnObstacleIsMovedBesideItsHorseAtTheThirdDetection) {
    startSadieAlone();
    host::Entity* sadie = twtest::onlyEntity("cs_mrsadler");
    ASSERT_NE(sadie, nullptr);
    sadie->stuck = true;
    host::clearTrace();
    host::sendKey(tw::kKeyI);  // send them away now
    ASSERT_TRUE(host::runUntil([] { return !host::callsOf(Op::entitySetCoords).empty(); }, 60000));

    // After the first walk order: three re-orders with a cleared task list, at least 5000 ms
    // apart, then the move.
    const int32_t walkOrdered = host::callsOf(Op::taskGoToEntity).front()->time;
    std::vector<int32_t> clears;
    for (const host::Call* c : host::callsOf(Op::taskClearPedTasks))
        if (c->time >= walkOrdered && c->u(0) == sadie->handle) clears.push_back(c->time);
    ASSERT_EQ(clears.size(), 3u);
    EXPECT_GE(clears[0] - walkOrdered, 5000);
    for (std::size_t i = 1; i < clears.size(); ++i) EXPECT_GE(clears[i] - clears[i - 1], 5000);
    const host::Call* move = host::callsOf(Op::entitySetCoords).front();
    EXPECT_EQ(move->u(0), sadie->handle);
    const host::Entity* horse = twtest::onlyEntity("a_c_horse_gang_sadie_endlesssummer");
    ASSERT_NE(horse, nullptr);
    EXPECT_NEAR(move->f(1), horse->pos.x + 5.0f, 0.01f);
    EXPECT_NEAR(move->f(2), horse->pos.y + 5.0f, 0.01f);

    sadie->stuck = false;
    gHost.traceEnabled = false;
    ASSERT_TRUE(runUntilVisitEnded(320000));
    EXPECT_EQ(twtest::leftovers(), "");
}

TEST_F(RideAwayTest, AWalkStillWaitingToStartIsLeftToStart) {
    startSadieAlone();
    host::runFor(10000);  // let her settle into an activity, which makes getting up take longer
    host::Entity* sadie = twtest::onlyEntity("cs_mrsadler");
    ASSERT_NE(sadie, nullptr);
    const host::Vec3 before = sadie->pos;
    host::clearTrace();
    host::sendKey(tw::kKeyI);
    host::runFor(3000);
    // One order, not one per pass: re-ordering a waiting walk would keep it from ever starting.
    EXPECT_EQ(host::callsOf(Op::taskGoToEntity).size(), 1u);
    EXPECT_GT(std::hypot(sadie->pos.x - before.x, sadie->pos.y - before.y), 1.0f);
}

TEST_F(RideAwayTest, ARiderIsRemovedOnlyOnceFarAndUnseen) {
    startSadieAlone();
    host::sendKey(tw::kKeyI);
    ASSERT_TRUE(host::runUntil([] { return host::countOf(Op::pedSetOnMount) + host::countOf(Op::taskMountAnimal) > 0; },
                               120000));
    // Track the rider's distance from the player each frame until it is deleted.
    float lastDistance = 0;
    const host::Entity& player = gHost.world.entities[0];
    bool removed = host::runUntil(
        [&] {
            host::Entity* s = twtest::onlyEntity("cs_mrsadler");
            if (!s) return true;
            lastDistance = std::hypot(s->pos.x - player.pos.x, s->pos.y - player.pos.y);
            return false;
        },
        300000);
    ASSERT_TRUE(removed);
    EXPECT_GE(lastDistance, 199.0f);  // and, beyond the sight range, unseen
    ASSERT_TRUE(runUntilVisitEnded(5000));
    EXPECT_EQ(twtest::leftovers(), "");
}

TEST_F(RideAwayTest, ARiderInThePlayersViewIsRemovedOneMillisecondPastTheLimitAndNotOnIt) {
    startSadieAlone();
    gHost.world.playerSeesEverything = true;  // never out of sight: only the time limit removes her
    host::sendKey(tw::kKeyI);
    int32_t departed = 0;  // the departure's start is read in the pass that says goodbye
    ASSERT_TRUE(host::runUntil(
        [&departed] {
            for (const host::SpokenLine& l : gHost.world.spoken)
                if (l.line == "HEADING_OUT") departed = l.time;
            return departed != 0;
        },
        5000));
    gHost.traceEnabled = false;
    twtest::runTo(departed + 300000);
    EXPECT_FALSE(twtest::pluginEntities("cs_mrsadler").empty()) << "removed on the limit itself";
    twtest::runTo(departed + 300001);
    EXPECT_TRUE(twtest::pluginEntities("cs_mrsadler").empty()) << "not removed just past the limit";
    ASSERT_TRUE(runUntilVisitEnded(5000));
    EXPECT_EQ(twtest::leftovers(), "");
}

TEST_F(RideAwayTest, AHorseThatVanishesTurnsItsRiderIntoAWalkerRemovedByTheTimeLimit) {
    startSadieAlone();
    twtest::onlyEntity("a_c_horse_gang_sadie_endlesssummer")->alive = false;
    host::clearTrace();
    host::sendKey(tw::kKeyI);
    host::runFor(2000);
    // Walked off on foot toward a point 100 m ahead in x and y, re-ordered every pass.
    const auto walks = host::callsOf(Op::taskFollowNavMeshToCoord);
    ASSERT_GT(walks.size(), 10u);
    EXPECT_FLOAT_EQ(walks.back()->f(4), 1.0f);
    EXPECT_TRUE(host::callsOf(Op::taskGoToEntity).empty());
    gHost.traceEnabled = false;
    ASSERT_TRUE(runUntilVisitEnded(320000));
    EXPECT_EQ(twtest::leftovers(), "");
}

}  // namespace
