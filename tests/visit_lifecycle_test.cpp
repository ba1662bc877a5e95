// A visit from start to end through the host substitute: who comes, how they are made, and a
// whole visit run to its end. When visits start is in scheduler_test.cpp, how visitors leave in
// departure_test.cpp, and the developer keys in keys_test.cpp.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "frame/key_state.h"
#include "frame/settings.h"
#include "plugin_fixture.h"
#include "visit/model_loading.h"
#include "visit/world_tables.h"
#include "visit_test.h"
#include "visit_world_check.h"

namespace {

using host::gHost;
using host::overrideOf;
using tw::Op;
using twtest::firstCall;

constexpr int32_t kHourMs = tw::kMsPerGameHour;

struct VisitLifecycleTest : twtest::VisitTest {};

// ---- starting ----

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
    overrideOf(Op::miscGetRandomInt) = [](host::Call& c, host::World&) {
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
    overrideOf(Op::miscGetDistanceBetweenCoords) = [metres](host::Call& c, host::World&) {
        // A candidate keeps the height of its arrival point.
        bool candidate = false;
        for (const tw::ArrivalPoint& a : tw::kArrivalPoints) candidate = candidate || c.f(5) == a.position.z;
        if (!candidate) return false;
        std::memcpy(&c.result[0], &metres, sizeof metres);
        return true;
    };
    overrideOf(Op::pedCanSeeCoord) = [](host::Call& c, host::World&) {
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
    overrideOf(Op::pedCreate) = [sadieModel](host::Call& c, host::World&) {
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

TEST_F(VisitLifecycleTest, TheSaddleTheHostSpellsWithADoubleUnderscoreIsAskedForByThatName) {
    // Saddle 54 of 69 is the one whose name the host writes with "__".
    overrideOf(Op::miscGetRandomInt) = [](host::Call& c, host::World&) {
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

// ---- the whole visit ----

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

}  // namespace
