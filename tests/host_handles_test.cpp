// The host substitute's handles and populations as the game has them: pool slots given out
// again with a reuse counter, the world's own passers-by, and the world rebuilt on a reload.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ranch_layout.h"
#include "world.h"

namespace {

using host::EntityKind;
using host::Handle;
using host::World;

Handle ped(World& w, bool byPlugin = true) { return host::spawnEntity(w, EntityKind::Ped, 7, {}, byPlugin); }
Handle point(World& w, bool byPlugin = true) { return host::spawnPoint(w, 9, {}, 0.0f, byPlugin); }

struct HostHandlesTest : ::testing::Test {
    World w;
    void SetUp() override { host::worldReset(w); }
};

TEST_F(HostHandlesTest, AHandleIsItsSlotAboveAReuseCounterAndTheFreedSlotComesBackCountedUp) {
    EXPECT_EQ(w.playerPed, 0x100u);  // slot 0, counter 0
    const Handle a = ped(w), b = ped(w);
    EXPECT_EQ(a, 0x200u);
    EXPECT_EQ(b, 0x300u);
    host::removeEntity(w, a);
    const Handle again = ped(w);
    EXPECT_EQ(again, 0x201u);  // the lowest free slot, counted up once
    EXPECT_EQ(host::findEntity(w, a), nullptr) << "the old value names nothing once the slot is given out again";
    EXPECT_EQ(host::entityRecord(w, a), nullptr);
    ASSERT_NE(host::findEntity(w, again), nullptr);
    EXPECT_EQ(host::entitySlotOf(again), 1);

    const Handle p = point(w);
    EXPECT_EQ(p, 0x10000u);
    w.points.front().alive = false;
    EXPECT_EQ(point(w), 0x10001u);
    EXPECT_EQ(host::findEntity(w, p), nullptr) << "a point's handle never names an entity";
    EXPECT_EQ(host::findPoint(w, again), nullptr);
    EXPECT_EQ(host::findEntity(w, 0), nullptr);
    EXPECT_EQ(host::findPoint(w, 0), nullptr);
}

TEST_F(HostHandlesTest, TheCounterHasSevenBitsSoASlotGivenOut128TimesNamesItsFirstValueAgain) {
    const Handle first = ped(w);
    Handle h = first;
    for (int i = 0; i < 127; ++i) {
        host::removeEntity(w, h);
        h = ped(w);
        ASSERT_NE(h, first);
        ASSERT_EQ(h & 0x80u, 0u);
    }
    host::removeEntity(w, h);
    EXPECT_EQ(ped(w), first);
}

TEST_F(HostHandlesTest, AFullPoolGivesNoHandleAndEntityHandlesStayBelowThePoints) {
    Handle last = 0;
    for (std::size_t i = 1; i < host::kEntityPoolSlots; ++i) last = ped(w);
    EXPECT_LT(last, host::kPointBase);
    EXPECT_EQ(ped(w), 0u);
    host::removeEntity(w, last);
    EXPECT_NE(ped(w), 0u);
}

TEST_F(HostHandlesTest, TheWorldCountsWhatThePluginMadeThoughTheSlotsAreReused) {
    host::removeEntity(w, ped(w));
    ped(w);
    ped(w, false);
    point(w);
    EXPECT_EQ(w.pluginEntitiesMade[static_cast<std::size_t>(EntityKind::Ped)], 2);
    EXPECT_EQ(w.pluginPointsMade, 1);
}

// ---- the passers-by -------------------------------------------------------------------

TEST_F(HostHandlesTest, PassersByOfEveryKindComeNearTheRanchAndGoAgain) {
    bool kinds[5] = {};
    for (uint64_t draw = 0; draw < 8; ++draw) {
        const Handle h = host::spawnAmbient(w, draw + (draw << 24) + (draw << 40));
        ASSERT_NE(h, 0u);
        if (const host::Entity* e = host::findEntity(w, h)) {
            EXPECT_TRUE(e->ambient && !e->byPlugin);
            EXPECT_FALSE(host::isVisitorModel(e->model) || host::isVisitorHorseModel(e->model));
            EXPECT_LT(std::hypot(e->pos.x + 1642.05f, e->pos.y + 1395.51f), 91.0f);
            kinds[static_cast<int>(e->kind)] = true;
        } else {
            ASSERT_NE(host::findPoint(w, h), nullptr);
            EXPECT_TRUE(host::findPoint(w, h)->ambient);
            kinds[4] = true;
        }
    }
    EXPECT_TRUE(kinds[1] && kinds[2] && kinds[3] && kinds[4]);  // ped, horse, object, point
    EXPECT_EQ(host::ambientCount(w), 8);
    EXPECT_TRUE(host::removeAmbient(w, 3));
    EXPECT_EQ(host::ambientCount(w), 7);
}

TEST_F(HostHandlesTest, TheAmbientTickKeepsToItsMostAndItsInterval) {
    w.ambientEveryMs = 1000;
    w.ambientMost = 4;
    int most = 0, changes = 0, last = 0;
    for (int frame = 0; frame < 3000; ++frame) {
        w.gameTime += 100;
        host::ambientTick(w);
        const int n = host::ambientCount(w);
        most = std::max(most, n);
        changes += n != last;
        last = n;
    }
    EXPECT_EQ(most, 4);
    EXPECT_GT(changes, 100);
    EXPECT_LE(changes, 300);  // one change a second at most
}

// ---- a reload ---------------------------------------------------------------------------

TEST_F(HostHandlesTest, AReloadGivesThePluginsLiveHandlesToTheWorldsOwnAndKeepsTheRest) {
    host::populateRanch(w);
    const host::RanchHousehold hh = host::ranchHousehold();
    const Handle visitor =
        host::spawnEntity(w, EntityKind::Ped, host::nameHash(host::kPluginModels[0]), {1, 2, 3}, true);
    const Handle horse = host::spawnEntity(w, EntityKind::Horse, host::nameHash(host::kPluginModels[2]), {}, true);
    const Handle bedroll = host::spawnEntity(w, EntityKind::Object, host::nameHash(host::kPluginModels[4]), {}, true);
    const Handle gone = ped(w);
    host::removeEntity(w, gone);
    const Handle sleep = point(w);
    host::findEntity(w, visitor)->task.kind = host::TaskKind::Wander;
    host::findEntity(w, hh.uncle)->greetingResponse = "GREET_UNCLE";
    host::findPoint(w, hh.banjoBench)->user = hh.uncle;
    w.playerGreetingLine = "GREET_SADIE";
    w.models[host::nameHash(host::kPluginModels[0])].requested = true;

    host::worldReload(w, 22);

    // Objects: the list of peds would hand a ped's value back to the plug-in.
    for (Handle h : {visitor, horse, bedroll}) {
        const host::Entity* e = host::findEntity(w, h);
        ASSERT_NE(e, nullptr) << h;
        EXPECT_TRUE(e->ambient && !e->byPlugin) << h;
        EXPECT_EQ(e->kind, EntityKind::Object) << h;
        EXPECT_FALSE(host::isVisitorModel(e->model) || host::isVisitorHorseModel(e->model)) << h;
    }
    EXPECT_FLOAT_EQ(host::findEntity(w, visitor)->pos.y, 2.0f);
    EXPECT_EQ(host::findEntity(w, visitor)->task.kind, host::TaskKind::None);
    EXPECT_EQ(host::findEntity(w, gone), nullptr);
    ASSERT_NE(host::findPoint(w, sleep), nullptr);
    EXPECT_TRUE(host::findPoint(w, sleep)->ambient && !host::findPoint(w, sleep)->byPlugin);

    // The game's own stand as they stood, under their handles, with nothing held.
    ASSERT_NE(host::findEntity(w, w.playerPed), nullptr);
    EXPECT_EQ(host::findEntity(w, w.playerPed)->kind, EntityKind::Player);
    ASSERT_NE(host::findEntity(w, hh.uncle), nullptr);
    EXPECT_EQ(host::findEntity(w, hh.uncle)->model, host::nameHash("cs_uncle"));
    EXPECT_EQ(host::findEntity(w, hh.uncle)->greetingResponse, nullptr);
    EXPECT_EQ(host::findPoint(w, hh.banjoBench)->user, 0u);
    EXPECT_EQ(w.playerGreetingLine, nullptr);
    for (const host::Entity& e : w.entities) EXPECT_FALSE(e.alive && e.byPlugin);
    EXPECT_FALSE(w.models[host::nameHash(host::kPluginModels[0])].requested);
    EXPECT_EQ(host::clockHour(w), 22);
}

}  // namespace
