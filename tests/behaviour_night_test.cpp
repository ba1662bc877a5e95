// A night of a visit, the camp-song reactions, the household cache, and a whole day headless.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>

#include "behaviour_fixture.h"
#include "frame/settings.h"
#include "visit_world_check.h"

namespace {

constexpr int32_t kHourMs = tw::kMsPerGameHour;

using host::gHost;
using tw::Handle;
using tw::Op;
using tw::Vec3;
using twtest::Visitors;

struct NightTest : twtest::BehaviourTest {
    std::shared_ptr<std::vector<host::Call>> record(std::initializer_list<Op> ops) {
        auto out = std::make_shared<std::vector<host::Call>>();
        std::vector<Op> wanted(ops);
        gHost.observer = [out, wanted](const host::Call& c, const host::World&) {
            for (Op op : wanted)
                if (c.op == op) out->push_back(c);
        };
        return out;
    }
    void runUntilTime(int32_t t) {
        while (tw::elapsed(t, world().gameTime) > 0) host::runFrame();
    }
    // The sleep point the plug-in made at a bedroll, or null.
    host::ScenarioPoint* sleepPointAt(Vec3 bed) {
        for (host::ScenarioPoint& p : world().points)
            if (p.alive && p.byPlugin && p.createA == -1 && std::abs(p.pos.x - bed.x) < 0.01f &&
                std::abs(p.pos.y - bed.y) < 0.01f)
                return &p;
        return nullptr;
    }
    bool sleepsAt(Handle ped, Vec3 bed) {
        const host::Entity& e = entity(ped);
        const host::ScenarioPoint* p = pointOf(e.task.point);
        return e.task.kind == host::TaskKind::Scenario && p && p->user == ped && std::abs(p->pos.x - bed.x) < 0.01f &&
               std::abs(p->pos.y - bed.y) < 0.01f;
    }
};

constexpr Vec3 kBedroll1{-1647.19f, -1346.21f, 83.09f};  // Charles's
constexpr Vec3 kBedroll2{-1648.66f, -1348.88f, 83.09f};  // Sadie's

TEST_F(NightTest, AtTenBothWalkToTheirBedrollsChangeUnseenSleepAndWakeAtSixInDayClothes) {
    world().clockStartHour = 21;  // 22:00 at game time 120000
    auto calls = record({Op::taskFollowNavMeshToCoord, Op::pedSetOutfitPreset});
    startVisit(Visitors::Both);
    const Handle s = sadie(), c = charles();
    gHost.traceEnabled = false;
    host::runFor(4000);
    const int32_t sadieDay = entity(s).outfit, charlesDay = entity(c).outfit;

    runUntilTime(119900);  // 21:59: still up
    for (const host::Call& call : *calls) EXPECT_NE(call.op, Op::taskFollowNavMeshToCoord);
    runUntilTime(120100);
    int walks = 0;
    for (const host::Call& call : *calls) {
        if (call.op != Op::taskFollowNavMeshToCoord) continue;
        ++walks;
        const Vec3 bed = call.u(0) == c ? kBedroll1 : kBedroll2;
        EXPECT_FLOAT_EQ(call.f(1), bed.x);
        EXPECT_FLOAT_EQ(call.f(2), bed.y);
    }
    EXPECT_EQ(walks, 2);
    EXPECT_EQ(entity(s).outfit, sadieDay);  // the player watches: no change yet
    EXPECT_EQ(entity(c).outfit, charlesDay);

    world().playerSeesNothing = true;
    ASSERT_TRUE(host::runUntil([&] { return sleepsAt(s, kBedroll2) && sleepsAt(c, kBedroll1); }, 400000));
    EXPECT_EQ(entity(s).outfit, 15);
    EXPECT_EQ(entity(c).outfit, 5);
    // A walk given but not yet started is not ordered again.
    EXPECT_GE(spokenCount(s, "TIME_FOR_BED"), 1);
    EXPECT_LE(spokenCount(s, "TIME_FOR_BED"), 3);
    EXPECT_LE(spokenCount(c, "TIME_FOR_BED"), 3);

    runUntilTime(9 * kHourMs - 100);  // 05:59
    EXPECT_TRUE(sleepsAt(s, kBedroll2));
    runUntilTime(9 * kHourMs + 100);  // 06:00
    EXPECT_FALSE(sleepsAt(s, kBedroll2));
    EXPECT_FALSE(sleepsAt(c, kBedroll1));
    EXPECT_EQ(entity(s).outfit, sadieDay);
    EXPECT_EQ(entity(c).outfit, charlesDay);
    // Dressed once: out of bed, nothing is left to change on the passes after.
    const std::size_t dressed = calls->size();
    runUntilTime(9 * kHourMs + 10000);
    for (std::size_t i = dressed; i < calls->size(); ++i) EXPECT_NE((*calls)[i].op, Op::pedSetOutfitPreset);
    gHost.observer = nullptr;
}

TEST_F(NightTest, AVisitorBlockedOnItsWayToBedIsInDayClothesAndBusyByTheFirstDayPass) {
    world().clockStartHour = 21;  // 22:00 at game time 120000
    startVisit(Visitors::SadieOnly);
    const Handle s = sadie();
    gHost.traceEnabled = false;
    host::runFor(4000);
    const int32_t day = entity(s).outfit;
    world().playerSeesNothing = true;
    runUntilTime(119000);
    hold(s, {kBedroll2.x + 30.0f, kBedroll2.y, kBedroll2.z});
    entity(s).stuck = true;  // her walk runs but never gets her there

    // 05:45: someone lies on her bedroll and she turns to a day activity; five minutes later it
    // is free and she sets out again, her activity not over by 06:00.
    runUntilTime(9 * kHourMs - 30000);
    const Handle other = spawnPed("a_m_m_bystander", kBedroll2);
    host::ScenarioPoint* bed = sleepPointAt(kBedroll2);
    ASSERT_NE(bed, nullptr);
    const Handle bedPoint = bed->handle;
    bed->user = other;
    host::runFor(1000);
    EXPECT_NE(entity(s).task.kind, host::TaskKind::FollowNavMesh);
    pointOf(bedPoint)->user = 0;
    runUntilTime(9 * kHourMs - 100);  // 05:59, on the way again, changed for bed
    EXPECT_EQ(entity(s).task.kind, host::TaskKind::FollowNavMesh);
    EXPECT_EQ(entity(s).outfit, 15);
    runUntilTime(9 * kHourMs + 100);  // 06:00: the day outfit again, and a day activity instead of the walk
    EXPECT_EQ(entity(s).outfit, day);
    EXPECT_NE(entity(s).task.kind, host::TaskKind::FollowNavMesh);
}

TEST_F(NightTest, AWalkToBedOutlastingTheActivityIsNotCutShortAndBedtimeIsSaidOnce) {
    world().clockStartHour = 21;
    startVisit(Visitors::SadieOnly);
    const Handle s = sadie();
    gHost.traceEnabled = false;
    host::runFor(4000);
    runUntilTime(119000);
    // 150 m from her bedroll: the walk takes longer than any activity she was given.
    hold(s, {kBedroll2.x + 150.0f, kBedroll2.y, kBedroll2.z});
    auto calls = record({Op::taskFollowNavMeshToCoord, Op::taskUseScenarioPoint, Op::taskWanderInArea});
    ASSERT_TRUE(host::runUntil([&] { return sleepsAt(s, kBedroll2); }, 600000));
    EXPECT_EQ(spokenCount(s, "TIME_FOR_BED"), 1);
    std::vector<Op> orders;
    for (const host::Call& c : *calls)
        if (c.u(0) == s) orders.push_back(c.op);
    EXPECT_EQ(orders, (std::vector<Op>{Op::taskFollowNavMeshToCoord, Op::taskUseScenarioPoint}));
    gHost.observer = nullptr;
}

// Sadie held `gap` metres east of her bedroll at the first pass of the night, the host
// measuring that distance as `measured` (by default the true one): within 2.5 m she lies down
// at once without a word, beyond it she says it is time for bed and walks there.
void checkBedtimeFrom(NightTest& t, float gap, std::optional<float> measured = std::nullopt) {
    host::hostReset();
    t.world().clockStartHour = 21;
    t.world().playerSeesNothing = true;
    if (measured) {
        host::overrideOf(Op::miscGetDistanceBetweenCoords) = [m = *measured](host::Call& c, host::World&) {
            if (c.f(3) != kBedroll2.x || c.f(4) != kBedroll2.y) return false;
            std::memcpy(&c.result[0], &m, sizeof m);
            return true;
        };
    }
    t.startVisit(Visitors::SadieOnly);
    const Handle s = t.sadie();
    gHost.traceEnabled = false;
    t.runUntilTime(119000);
    t.hold(s, {kBedroll2.x + gap, kBedroll2.y, kBedroll2.z});
    t.runUntilTime(120070);  // the first pass at 22:00
    if (measured.value_or(gap) <= 2.5f) {
        EXPECT_EQ(t.entity(s).task.kind, host::TaskKind::Scenario);
        EXPECT_EQ(t.spokenCount(s, "TIME_FOR_BED"), 0);
    } else {
        EXPECT_EQ(t.spokenCount(s, "TIME_FOR_BED"), 1);
        EXPECT_EQ(t.entity(s).task.kind, host::TaskKind::FollowNavMesh);
    }
    host::unloadPlugin();
}

TEST_F(NightTest, WithinTwoAndAHalfMetresOfHerBedSheLiesDownAtOnceBeyondItSheWalksThere) {
    for (const float gap : {2.49f, 2.8f}) {
        SCOPED_TRACE(gap);
        checkBedtimeFrom(*this, gap);
    }
}

TEST_F(NightTest, AtExactlyTwoAndAHalfMetresFromHerBedSheLiesDownAndJustBeyondSheWalks) {
    for (const float metres : {2.5f, 2.5001f}) {
        SCOPED_TRACE(metres);
        checkBedtimeFrom(*this, 2.0f, metres);
    }
}

TEST_F(NightTest, BanjoDrawsASongLineFromBothAndSadiesHarmonicaOnlyFromCharles) {
    world().ranchPopulate = false;
    const Handle uncle = spawnPed("cs_uncle", {-1700.0f, -1300.0f, 83.0f});
    const Handle banjo = host::spawnPoint(world(), host::nameHash("PROP_HUMAN_SEAT_BENCH_BANJO"), {}, 0.0f, false);
    const Handle harmonica =
        host::spawnPoint(world(), host::nameHash("PROP_HUMAN_SEAT_BENCH_HARMONICA"), {}, 0.0f, false);
    startVisit(Visitors::Both);
    const Handle s = sadie(), c = charles();
    gHost.traceEnabled = false;
    host::runFor(300000);  // the song timers start at 0: no reaction in the first 300000 ms

    auto play = [&](Handle musician, Handle point) {
        host::Entity& e = entity(musician);
        e.task = {};
        e.task.kind = host::TaskKind::Scenario;
        e.task.point = point;
        e.task.started = true;
        pointOf(point)->user = musician;
    };
    // Sadie plays with Charles 3 m away.
    for (int i = 0; i < 60; ++i) {
        play(s, harmonica);
        const Vec3 p = entity(s).pos;
        entity(c).pos = {p.x + 3.0f, p.y, p.z};
        host::runFrame();
    }
    EXPECT_EQ(spokenCount(c, "CAMP_SONG_TRANSITION"), 1);
    EXPECT_EQ(spokenCount(s, "CAMP_SONG_TRANSITION"), 0);

    // Uncle plays 2 m from both: Sadie reacts; Charles's own 300000 ms have not passed.
    entity(s).task = {};
    for (int i = 0; i < 60; ++i) {
        play(uncle, banjo);
        const Vec3 p = entity(s).pos;
        entity(uncle).pos = {p.x + 2.0f, p.y, p.z};
        entity(c).pos = {p.x + 4.0f, p.y, p.z};
        host::runFrame();
    }
    EXPECT_EQ(spokenCount(s, "CAMP_SONG_TRANSITION"), 1);
    EXPECT_EQ(spokenCount(c, "CAMP_SONG_TRANSITION"), 1);
}

TEST_F(NightTest, HouseholdIsSearchedOncePer30sAndAtOnceWhenACachedPedVanishes) {
    world().ranchPopulate = false;
    // The first ped after the player: every search asks for its model first.
    const Handle bystander = spawnPed("a_m_m_bystander", {-1700.0f, -1300.0f, 83.0f});
    const Handle abigail = spawnPed("cs_abigailroberts", {-1700.0f, -1302.0f, 83.0f});
    auto calls = record({Op::entityGetModel});
    startVisit(Visitors::SadieOnly);
    gHost.traceEnabled = false;
    host::runFor(95000);

    std::vector<int32_t> searches;
    for (const host::Call& call : *calls)
        if (call.u(0) == bystander) searches.push_back(call.time);
    ASSERT_GE(searches.size(), 3u);
    for (std::size_t i = 1; i < searches.size(); ++i) {
        // Stamped at the start of the pass; the search itself may follow a wait in that pass.
        EXPECT_GE(searches[i] - searches[i - 1], 29800);
        EXPECT_LT(searches[i] - searches[i - 1], 30200);
    }

    calls->clear();
    entity(abigail).alive = false;
    const int32_t gone = world().gameTime;
    host::runFor(200);
    ASSERT_FALSE(calls->empty());
    EXPECT_LT(calls->front().time - gone, 100);
    gHost.observer = nullptr;
}

TEST_F(NightTest, AHouseholdSearchIsTrustedFor29999msAndMadeAgainOnThe30000th) {
    world().ranchPopulate = false;
    // The first ped after the player: every search asks for its model first.
    const Handle bystander = spawnPed("a_m_m_bystander", {-1700.0f, -1300.0f, 83.0f});
    spawnPed("cs_abigailroberts", {-1700.0f, -1302.0f, 83.0f});
    auto calls = record({Op::entityGetModel});
    startVisit(Visitors::SadieOnly);
    gHost.traceEnabled = false;
    host::runFor(35000);  // settled, and searched again since without a wait in its pass
    const auto searchesSince = [&](int32_t from) {
        std::vector<int32_t> out;
        for (const host::Call& call : *calls)
            if (call.u(0) == bystander && call.time >= from) out.push_back(call.time);
        return out;
    };
    const std::vector<int32_t> earlier = searchesSince(0);
    ASSERT_GE(earlier.size(), 2u);
    const int32_t last = earlier.back();

    twtest::runTo(last + 29999);
    EXPECT_TRUE(searchesSince(last + 1).empty()) << "searched again before 30000 ms";
    twtest::runTo(last + 30000);
    const std::vector<int32_t> again = searchesSince(last + 1);
    ASSERT_EQ(again.size(), 1u) << "not searched again on the 30000th ms";
    EXPECT_EQ(again[0], last + 30000);
    gHost.observer = nullptr;
}

TEST_F(NightTest, APedListLongerThanTheArrayOrNegativeIsReadOnlyWithinTheArray) {
    world().allPedsClaimSet = true;
    world().allPedsClaim = 5000;
    startVisit(Visitors::Both);
    host::runFor(40000);
    world().allPedsClaim = -7;
    host::runFor(40000);
    EXPECT_NE(sadie(), 0u);
    EXPECT_NE(charles(), 0u);
}

TEST_F(NightTest, AFullDayAtTheRanchRunsHeadlessInAFewSeconds) {
    startVisit(Visitors::Both);
    gHost.traceEnabled = false;
    // Processor time, not wall time: other work on a loaded machine must not fail the test.
    const std::clock_t start = std::clock();
    host::runFor(24 * kHourMs);
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    std::printf("one in-game day at the ranch: %.2f s of processor time\n", seconds);
    EXPECT_LT(seconds, 10.0);
    EXPECT_GE(spokenCount(sadie(), "TIME_FOR_BED"), 1);
    EXPECT_GE(spokenCount(charles(), "TIME_FOR_BED"), 1);
}

// Someone lies down on her bedroll while she walks to it: she goes on with her day.
TEST_F(NightTest, ABedTakenWhileSheWalksToItGivesHerTheDayBack) {
    world().clockStartHour = 21;  // 22:00 at game time 120000
    world().playerSeesNothing = true;
    startVisit(Visitors::SadieOnly);
    const Handle s = sadie();
    gHost.traceEnabled = false;
    runUntilTime(119000);
    hold(s, {kBedroll2.x + 100.0f, kBedroll2.y, kBedroll2.z});  // a long walk
    runUntilTime(150000);                                       // her last day activity is over by now
    ASSERT_EQ(entity(s).task.kind, host::TaskKind::FollowNavMesh);
    const Handle other = spawnPed("a_m_m_bystander", kBedroll2);
    host::ScenarioPoint* bed = sleepPointAt(kBedroll2);
    ASSERT_NE(bed, nullptr);
    bed->user = other;
    host::runFor(500);
    EXPECT_NE(entity(s).task.kind, host::TaskKind::FollowNavMesh) << "still walking to a taken bed";
    EXPECT_EQ(spokenCount(s, "TIME_FOR_BED"), 1);
}

TEST_F(NightTest, ASleepPointTheGameTookAwayIsMadeAgainAndSleptOn) {
    world().clockStartHour = 21;
    world().playerSeesNothing = true;
    startVisit(Visitors::SadieOnly);
    const Handle s = sadie();
    gHost.traceEnabled = false;
    runUntilTime(100000);
    host::ScenarioPoint* bed = sleepPointAt(kBedroll2);
    ASSERT_NE(bed, nullptr);
    const Handle old = bed->handle;
    bed->alive = false;
    ASSERT_TRUE(host::runUntil([&] { return sleepsAt(s, kBedroll2); }, 400000));
    EXPECT_NE(entity(s).task.point, old);
}

// Uncle or Jack gone from the world: the cache is not trusted, and the next pass searches.
TEST_F(NightTest, AnyCachedHouseholdMemberThatVanishesIsSearchedForAtOnce) {
    for (const char* model : {"cs_uncle", "cs_jackmarston_teen"}) {
        SCOPED_TRACE(model);
        host::hostReset();
        world().ranchPopulate = false;
        // The first ped after the player: every search asks for its model first.
        const Handle bystander = spawnPed("a_m_m_bystander", {-1700.0f, -1300.0f, 83.0f});
        const Handle member = spawnPed(model, {-1700.0f, -1302.0f, 83.0f});
        auto calls = record({Op::entityGetModel});
        startVisit(Visitors::SadieOnly);
        gHost.traceEnabled = false;
        host::runFor(5000);
        calls->clear();
        entity(member).alive = false;
        const int32_t gone = world().gameTime;
        host::runFor(200);
        int32_t searched = -1;
        for (const host::Call& call : *calls)
            if (call.u(0) == bystander && searched < 0) searched = call.time;
        EXPECT_GE(searched, gone);
        EXPECT_LT(searched - gone, 100);
        gHost.observer = nullptr;
        host::unloadPlugin();
    }
}

}  // namespace
