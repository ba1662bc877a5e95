// A visit from start to end through the host substitute: who comes, how they are made,
// how they leave, what the end of the visit removes, and the cooldown to the next.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "frame/key_state.h"
#include "frame/settings.h"
#include "plugin_fixture.h"
#include "visit/model_loading.h"
#include "visit/world_tables.h"
#include "visit_world_check.h"

namespace {

using host::gHost;
using tw::Op;

constexpr int32_t kHourMs = tw::kMsPerGameHour;

struct VisitLifecycleTest : twtest::PluginTest {
    // Runs until the visit start is over: each visitor's horse exists, then its 500 ms wait.
    void runUntilVisitStarted(std::size_t horses) {
        ASSERT_TRUE(host::runUntil(
            [horses] {
                return twtest::pluginEntities("a_c_horse_gang_sadie_endlesssummer").size() +
                           twtest::pluginEntities("a_c_horse_gang_charles_endlesssummer").size() >=
                       horses;
            },
            60000));
        host::runFor(1000);
    }
    // Runs until the visit has ended: no visitor, and the fixtures it used are gone too.
    bool runUntilVisitEnded(int32_t limitMs) {
        return host::runUntil([] { return twtest::leftovers().empty(); }, limitMs);
    }
};

const host::Call* firstCall(Op op, int32_t from = INT32_MIN) {
    for (const host::Call* c : host::callsOf(op))
        if (c->time >= from) return c;
    return nullptr;
}

// ---- starting ----

TEST_F(VisitLifecycleTest, FirstVisitStartsInTheFirstReadyPassWithoutARoll) {
    load();
    ASSERT_TRUE(host::runUntil([] { return host::countOf(Op::pedCreate) > 0; }, 60000));
    // The cooldown stamp is below zero this early in the game, so no 15 % roll is drawn.
    for (const host::Call* c : host::callsOf(Op::miscGetRandomInt)) EXPECT_FALSE(c->i(0) == 0 && c->i(1) == 100);
    EXPECT_EQ(host::countOf(Op::missionIsActive), 1u);
}

TEST_F(VisitLifecycleTest, LaterVisitsWaitForTheRollBetweenOneAndTwoCooldowns) {
    writeIni("[Settings]\nvisitCooldown=1\n");
    gHost.world.gameTime = 10 * kHourMs;  // the first stamp is then well above zero
    int rolls = 0;
    gHost.overrides[static_cast<std::size_t>(Op::miscGetRandomInt)] = [&rolls](host::Call& c, host::World&) {
        if (c.i(0) != 0 || c.i(1) != 100) return false;
        c.result[0] = ++rolls < 3 ? 50u : 14u;  // two misses, then a hit
        return true;
    };
    load();
    ASSERT_TRUE(host::runUntil([] { return host::countOf(Op::pedCreate) > 0; }, 60000));
    EXPECT_EQ(rolls, 3);
}

TEST_F(VisitLifecycleTest, ARollOfExactly15StartsNoVisitAnd14Does) {
    writeIni("[Settings]\nvisitCooldown=1\n");
    gHost.world.gameTime = 10 * kHourMs;  // the first stamp is then well above zero
    int rolls = 0;
    gHost.overrides[static_cast<std::size_t>(Op::miscGetRandomInt)] = [&rolls](host::Call& c, host::World&) {
        if (c.i(0) != 0 || c.i(1) != 100) return false;
        c.result[0] = ++rolls < 200 ? 15u : 14u;
        return true;
    };
    load();
    ASSERT_TRUE(host::runUntil([] { return host::countOf(Op::pedCreate) > 0; }, 60000));
    EXPECT_EQ(rolls, 200);
}

TEST_F(VisitLifecycleTest, BothVisitorsArriveUnseenDressedVoicedAndNamedWithSaddledHorses) {
    gHost.world.entities[0].model = host::nameHash("player_three");
    twtest::forceVisitType(0);
    load();
    runUntilVisitStarted(2);

    host::Entity* sadie = twtest::onlyEntity("cs_mrsadler");
    host::Entity* charles = twtest::onlyEntity("cs_charlessmith");
    ASSERT_NE(sadie, nullptr);
    ASSERT_NE(charles, nullptr);
    EXPECT_LT(sadie->handle, charles->handle);  // Sadie first
    EXPECT_EQ(sadie->voice, "SADIE_ADLER_NORMAL");
    EXPECT_EQ(charles->voice, "CHARLES_SMITH_ES");
    EXPECT_EQ(sadie->name, "Sadie");
    EXPECT_EQ(charles->name, "Charles");
    const std::vector<int32_t> sadieOutfits{3, 4, 5, 6, 8, 10}, charlesOutfits{6, 7, 8, 9, 13, 14};
    EXPECT_NE(std::find(sadieOutfits.begin(), sadieOutfits.end(), sadie->outfit), sadieOutfits.end());
    EXPECT_NE(std::find(charlesOutfits.begin(), charlesOutfits.end(), charles->outfit), charlesOutfits.end());
    for (const host::Entity* v : {sadie, charles}) {
        EXPECT_EQ(v->relationshipGroup, host::nameHash("REL_GANG_DUTCHS"));
        EXPECT_TRUE(v->scriptOwned);
        ASSERT_FALSE(v->configFlags.empty());
        EXPECT_EQ(v->configFlags.back(), (std::pair<int32_t, bool>{130, false}));
    }
    // Out of the player's sight where they appeared (the player has not moved).
    const host::Entity& player = gHost.world.entities[0];
    for (const host::Call* c : host::callsOf(Op::pedCreate)) {
        const bool isVisitor = c->u(0) == host::nameHash("cs_mrsadler") || c->u(0) == host::nameHash("cs_charlessmith");
        if (isVisitor) {
            EXPECT_FALSE(host::lineOfSight(gHost.world, player.pos, {c->f(1), c->f(2), c->f(3)}));
        }
    }
    for (const char* model : {"a_c_horse_gang_sadie_endlesssummer", "a_c_horse_gang_charles_endlesssummer"}) {
        host::Entity* horse = twtest::onlyEntity(model);
        ASSERT_NE(horse, nullptr) << model;
        EXPECT_EQ(horse->kind, host::EntityKind::Horse);
        EXPECT_NE(horse->equipment, 0u);
        EXPECT_EQ(horse->outfit, 0);  // horses keep the creation preset
        EXPECT_EQ(horse->relationshipGroup, host::nameHash("REL_GANG_DUTCHS"));
    }
    // Sadie's carbine is taken away; Charles keeps his weapons.
    const auto removed = host::callsOf(Op::weaponRemoveFromPed);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0]->u(0), sadie->handle);
    EXPECT_EQ(removed[0]->u(1), host::nameHash("WEAPON_REPEATER_CARBINE_SADIE"));
}

TEST_F(VisitLifecycleTest, EveryOutfitOfTheListCanBeDrawn) {
    twtest::forceVisitType(2);
    load();
    runUntilVisitStarted(1);
    // The outfit draw spans the whole list of six.
    bool drewSix = false;
    for (const host::Call* c : host::callsOf(Op::miscGetRandomInt)) drewSix = drewSix || (c->i(0) == 0 && c->i(1) == 6);
    EXPECT_TRUE(drewSix);
}

TEST_F(VisitLifecycleTest, TheLastSaddleOfTheListCanBeDrawn) {
    gHost.overrides[static_cast<std::size_t>(Op::miscGetRandomInt)] = [](host::Call& c, host::World&) {
        if (c.i(0) != 0) return false;
        if (c.i(1) == 3) {
            c.result[0] = 1;  // Sadie alone
            return true;
        }
        if (c.i(1) < 60) return false;
        c.result[0] = static_cast<uint32_t>(c.i(1) - 1);  // the top of the saddle draw's range
        return true;
    };
    load();
    runUntilVisitStarted(1);
    const host::Entity* horse = twtest::onlyEntity("a_c_horse_gang_sadie_endlesssummer");
    ASSERT_NE(horse, nullptr);
    EXPECT_EQ(horse->equipment, host::nameHash("HORSE_EQUIPMENT_WESTERN_04_SPECIAL_NEW_SADDLE_000"));
}

TEST_F(VisitLifecycleTest, CharlesSpeaksPlainlyWhenThePlayerIsNotPlayerThree) {
    twtest::forceVisitType(2);
    load();
    runUntilVisitStarted(1);
    ASSERT_NE(twtest::onlyEntity("cs_charlessmith"), nullptr);
    EXPECT_EQ(twtest::onlyEntity("cs_charlessmith")->voice, "CHARLES_SMITH");
}

TEST_F(VisitLifecycleTest, AOneVisitorVisitLeavesTheOtherOut) {
    twtest::forceVisitType(1);
    load();
    runUntilVisitStarted(1);
    EXPECT_NE(twtest::onlyEntity("cs_mrsadler"), nullptr);
    EXPECT_NE(twtest::onlyEntity("a_c_horse_gang_sadie_endlesssummer"), nullptr);
    EXPECT_TRUE(twtest::pluginEntities("cs_charlessmith").empty());
    EXPECT_TRUE(twtest::pluginEntities("a_c_horse_gang_charles_endlesssummer").empty());
}

TEST_F(VisitLifecycleTest, AVisitorModelThatNeverLoadsStillGivesItsHorseAndTheVisitGoesOn) {
    host::setModel(gHost.world, "cs_mrsadler", true, -1);
    twtest::forceVisitType(0);
    load();
    runUntilVisitStarted(2);
    // No Sadie, but her horse came, and Charles keeps the visit going.
    EXPECT_TRUE(twtest::pluginEntities("cs_mrsadler").empty());
    EXPECT_NE(twtest::onlyEntity("a_c_horse_gang_sadie_endlesssummer"), nullptr);
    EXPECT_NE(twtest::onlyEntity("cs_charlessmith"), nullptr);
    host::runFor(10000);
    EXPECT_TRUE(twtest::anyVisitorPresent());
}

TEST_F(VisitLifecycleTest, AStartThatBringsNobodyLeavesNothingKeepsTheCooldownAndIsTriedAgainWithinTheHour) {
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

TEST_F(VisitLifecycleTest, AVisitorModelLoadingOnTheLimitsMillisecondIsUsedAndOneAMillisecondLaterIsNot) {
    const auto sadieComesWithModelDelay = [this](int32_t delayMs) {
        host::setModel(gHost.world, "cs_mrsadler", true, delayMs);
        gHost.world.frameStepMs = 50;  // a frame falls on the limit's millisecond
        twtest::forceVisitType(1);
        load();
        runUntilVisitStarted(1);
        return twtest::onlyEntity("cs_mrsadler") != nullptr;
    };
    EXPECT_TRUE(sadieComesWithModelDelay(tw::kModelLoadLimitMs));
    host::hostReset();
    EXPECT_FALSE(sadieComesWithModelDelay(tw::kModelLoadLimitMs + 1));
}

TEST_F(VisitLifecycleTest, AVisitTypeAnswerOutOfRangeCountsAsTheNearestValidOne) {
    twtest::forceVisitType(7);  // as 2: Charles alone
    load();
    runUntilVisitStarted(1);
    EXPECT_NE(twtest::onlyEntity("cs_charlessmith"), nullptr);
    EXPECT_TRUE(twtest::pluginEntities("cs_mrsadler").empty());
}

// Where Sadie is created when the host measures every arrival candidate `metres` from the
// player and none of them is in sight.
tw::Vec3 sadieArrivalWithCandidatesAt(VisitLifecycleTest& t, float metres) {
    gHost.overrides[static_cast<std::size_t>(Op::miscGetDistanceBetweenCoords)] = [metres](host::Call& c,
                                                                                           host::World&) {
        // A candidate keeps the height of its arrival point.
        bool candidate = false;
        for (const tw::ArrivalPoint& a : tw::kArrivalPoints) candidate = candidate || c.f(5) == a.position.z;
        if (!candidate) return false;
        std::memcpy(&c.result[0], &metres, sizeof metres);
        return true;
    };
    gHost.overrides[static_cast<std::size_t>(Op::pedCanSeeCoord)] = [](host::Call& c, host::World&) {
        c.result[0] = 0;
        return true;
    };
    twtest::forceVisitType(1);
    t.load();
    t.runUntilVisitStarted(1);
    for (const host::Call* c : host::callsOf(Op::pedCreate))
        if (c->u(0) == host::nameHash("cs_mrsadler")) return {c->f(1), c->f(2), c->f(3)};
    return {};
}

TEST_F(VisitLifecycleTest, AnArrivalPlaceExactly15mFromThePlayerIsTakenAndOneAt14Point99IsNot) {
    const tw::Vec3& a0 = tw::kArrivalPoints[0].position;
    const tw::Vec3 at15 = sadieArrivalWithCandidatesAt(*this, 15.0f);
    EXPECT_FALSE(at15.x == a0.x + 15.0f && at15.y == a0.y + 15.0f) << "a candidate at 15 m was refused";
    host::hostReset();
    const tw::Vec3 nearer = sadieArrivalWithCandidatesAt(*this, 14.99f);
    EXPECT_EQ(nearer.x, a0.x + 15.0f);  // every candidate refused: the fixed place beside the first
    EXPECT_EQ(nearer.y, a0.y + 15.0f);
}

TEST_F(VisitLifecycleTest, WithEveryArrivalPlaceInSightBothStillComeBesideTheFirst) {
    gHost.world.playerSeesEverything = true;
    twtest::forceVisitType(0);
    load();
    runUntilVisitStarted(2);
    std::vector<const host::Call*> peds;
    for (const host::Call* c : host::callsOf(Op::pedCreate))
        if (c->u(0) == host::nameHash("cs_mrsadler") || c->u(0) == host::nameHash("cs_charlessmith")) peds.push_back(c);
    ASSERT_EQ(peds.size(), 2u);
    // Every candidate was refused, so both fall back to the one fixed place.
    for (std::size_t i = 1; i <= 3; ++i) EXPECT_EQ(peds[0]->f(i), peds[1]->f(i));
    EXPECT_NE(twtest::onlyEntity("cs_mrsadler"), nullptr);
    EXPECT_NE(twtest::onlyEntity("cs_charlessmith"), nullptr);
}

TEST_F(VisitLifecycleTest, AVisitorTheHostRefusesToCreateReleasesItsModelAndTheVisitEndsClean) {
    const host::Hash sadieModel = host::nameHash("cs_mrsadler");
    gHost.overrides[static_cast<std::size_t>(Op::pedCreate)] = [sadieModel](host::Call& c, host::World&) {
        if (c.u(0) != sadieModel) return false;
        c.result[0] = 0;
        return true;
    };
    twtest::forceVisitType(1);
    load();
    runUntilVisitStarted(1);
    const host::Call* refused = firstCall(Op::pedCreate);
    ASSERT_NE(refused, nullptr);
    ASSERT_EQ(refused->u(0), sadieModel);
    bool released = false;
    for (const host::Call* c : host::callsOf(Op::streamingReleaseModel))
        released = released || (c->u(0) == sadieModel && c->time >= refused->time);
    EXPECT_TRUE(released);
    // Nobody came: her horse went again and only the bedrolls made at load remain.
    EXPECT_TRUE(twtest::pluginEntities("cs_mrsadler").empty());
    EXPECT_TRUE(twtest::pluginEntities("a_c_horse_gang_sadie_endlesssummer").empty());
}

// ---- leaving ----

TEST_F(VisitLifecycleTest, AWholeVisitEndsAfterItsDurationAndLeavesNothingBehind) {
    writeIni("[Settings]\nvisitCooldown=0\nvisitDuration=1\n");
    twtest::forceVisitType(0);
    load();
    runUntilVisitStarted(2);
    const int32_t lastHorse = host::callsOf(Op::pedCreate).back()->time;
    gHost.traceEnabled = false;
    host::runFor(kHourMs - 5000);
    EXPECT_TRUE(twtest::anyVisitorPresent());  // still visiting before the duration is over
    gHost.traceEnabled = true;
    host::clearTrace();
    ASSERT_TRUE(runUntilVisitEnded(kHourMs + 320000));
    // Departures began once the duration had run from the end of the start.
    const host::Call* go = firstCall(Op::taskGoToEntity);
    ASSERT_NE(go, nullptr);
    EXPECT_GE(go->time, lastHorse + 500 + kHourMs);
    EXPECT_LE(go->time, lastHorse + 500 + kHourMs + 300);
    // Both rode off: each was put on its horse.
    EXPECT_GE(host::countOf(Op::pedSetOnMount) + host::countOf(Op::taskMountAnimal), 2u);
    EXPECT_EQ(twtest::leftovers(), "");
}

TEST_F(VisitLifecycleTest, AVisitorHeldByAnObstacleIsMovedBesideItsHorseAtTheThirdDetection) {
    twtest::forceVisitType(1);
    load(true);
    runUntilVisitStarted(1);
    host::Entity* sadie = twtest::onlyEntity("cs_mrsadler");
    ASSERT_NE(sadie, nullptr);
    sadie->stuck = true;
    host::clearTrace();
    host::sendKey(tw::kKeyI);  // I: send them away now
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

TEST_F(VisitLifecycleTest, AWalkStillWaitingToStartIsLeftToStart) {
    twtest::forceVisitType(1);
    load(true);
    runUntilVisitStarted(1);
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

TEST_F(VisitLifecycleTest, ARiderIsRemovedOnlyOnceFarAndUnseen) {
    twtest::forceVisitType(1);
    load(true);
    runUntilVisitStarted(1);
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

TEST_F(VisitLifecycleTest, ADepartureIsCutOffOneMillisecondPastItsLimitAndNotOnIt) {
    twtest::forceVisitType(1);
    load(true);
    runUntilVisitStarted(1);
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
}

TEST_F(VisitLifecycleTest, TheSaddleTheHostSpellsWithADoubleUnderscoreIsAskedForByThatName) {
    // Saddle 54 of 69 is the one whose name the host writes with "__".
    gHost.overrides[static_cast<std::size_t>(Op::miscGetRandomInt)] = [](host::Call& c, host::World&) {
        if (c.i(0) == 0 && c.i(1) == 3)
            c.result[0] = 1;  // Sadie alone
        else if (c.i(0) == 0 && c.i(1) == 69)
            c.result[0] = 54;
        else
            return false;
        return true;
    };
    load();
    runUntilVisitStarted(1);
    const auto saddles = host::callsOf(Op::pedApplyEquipmentItem);
    ASSERT_EQ(saddles.size(), 1u);
    EXPECT_EQ(saddles[0]->u(1), host::nameHash("HORSE_EQUIPMENT__WESTERN_02_SPECIAL_NEW_SADDLE_000"));
}

TEST_F(VisitLifecycleTest, ARiderInThePlayersViewIsRemovedByTheTimeLimit) {
    twtest::forceVisitType(1);
    load(true);
    runUntilVisitStarted(1);
    gHost.world.playerSeesEverything = true;
    host::clearTrace();
    host::sendKey(tw::kKeyI);
    ASSERT_TRUE(host::runUntil([] { return !host::callsOf(Op::taskGoToEntity).empty(); }, 5000));
    const int32_t departed = host::callsOf(Op::taskGoToEntity).front()->time - 100;
    gHost.traceEnabled = false;
    ASSERT_TRUE(host::runUntil([] { return twtest::pluginEntities("cs_mrsadler").empty(); }, 320000));
    EXPECT_GE(gHost.world.gameTime - departed, 300000);
    ASSERT_TRUE(runUntilVisitEnded(5000));
    EXPECT_EQ(twtest::leftovers(), "");
}

TEST_F(VisitLifecycleTest, AHorseThatVanishesTurnsItsRiderIntoAWalkerRemovedByTheTimeLimit) {
    twtest::forceVisitType(1);
    load(true);
    runUntilVisitStarted(1);
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

// ---- ending and the cooldown ----

TEST_F(VisitLifecycleTest, EndingAVisitRemovesFixturesAndTheNextWaitsACooldown) {
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

// ---- developer keys ----

TEST_F(VisitLifecycleTest, DeveloperKeysStartEndAndSendAwayAVisit) {
    gHost.world.missionActive = true;  // the scheduler alone would never start one
    load(true);
    ASSERT_TRUE(runUntilReady());
    host::runFor(1000);
    EXPECT_FALSE(twtest::anyVisitorPresent());

    host::sendKey(tw::kKeyF2);  // F2: force a visit
    host::runFor(5000);
    EXPECT_TRUE(twtest::anyVisitorPresent());

    host::sendKey(tw::kKeyF3);  // F3: clean up at once
    host::runFor(1000);
    EXPECT_EQ(twtest::leftovers(), "");

    host::sendKey(tw::kKeyF2);
    host::runFor(5000);
    ASSERT_TRUE(twtest::anyVisitorPresent());
    host::sendKey(tw::kKeyF4);  // F4: reset the timer, which ends the visit too
    host::runFor(1000);
    EXPECT_EQ(twtest::leftovers(), "");

    host::sendKey(tw::kKeyF2);
    host::runFor(5000);
    ASSERT_TRUE(twtest::anyVisitorPresent());
    host::clearTrace();
    host::sendKey(tw::kKeyI);  // I: depart now
    host::runFor(1000);
    EXPECT_GT(host::callsOf(Op::taskGoToEntity).size() + host::callsOf(Op::taskMountAnimal).size(), 0u);
    gHost.traceEnabled = false;
    ASSERT_TRUE(runUntilVisitEnded(320000));
    EXPECT_EQ(twtest::leftovers(), "");
}

TEST_F(VisitLifecycleTest, F4WithNoVisitOnlyRestartsTheCooldown) {
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

TEST_F(VisitLifecycleTest, F3WithNoVisitRemovesTheBedrollsAndSleepPoints) {
    gHost.world.missionActive = true;
    load(true);
    ASSERT_TRUE(runUntilReady());
    ASSERT_EQ(twtest::pluginEntities("p_bedrollopen03x").size(), 1u);
    host::sendKey(tw::kKeyF3);
    host::runFor(1000);
    EXPECT_EQ(twtest::leftovers(), "");
}

TEST_F(VisitLifecycleTest, TheReleaseBuildIgnoresTheDeveloperKeys) {
    gHost.world.missionActive = true;
    load();
    ASSERT_TRUE(runUntilReady());
    for (uint32_t key : {tw::kKeyF2, tw::kKeyF3, tw::kKeyF4, tw::kKeyI}) {
        host::sendKey(key);
        host::runFor(1000);
    }
    EXPECT_FALSE(twtest::anyVisitorPresent());
    EXPECT_EQ(host::countOf(Op::pedCreate), 0u);
}

}  // namespace
