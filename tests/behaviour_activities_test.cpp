// A day of a visit: settling in, chores, activity spots, nearby seats, the wander fallback
// and the horses' rest.
#include <algorithm>
#include <set>

#include "behaviour_fixture.h"
#include "frame/key_state.h"
#include "visit_world_check.h"

namespace {

using host::gHost;
using tw::Handle;
using tw::Op;
using twtest::Visitors;

enum class Kind { Chore, Spot, Nearby, Wander };

struct Choice {
    int32_t time;
    Kind kind;
    Handle point;
    float duration;
};

struct ActivitiesTest : twtest::BehaviourTest {
    std::vector<Handle> spots;  // the eight activity-spot points, table order

    Handle seatSadieInHerOwnSeat();

    void rememberSpots() {
        for (const host::Call* c : host::callsOf(Op::scenarioPointCreate))
            if (spots.size() < 8) spots.push_back(static_cast<Handle>(c->result[0]));
        ASSERT_EQ(spots.size(), 8u);
    }

    Kind kindOf(Handle point) {
        static const std::set<std::string> chores(std::begin(host::kChoreScenarios), std::end(host::kChoreScenarios));
        if (std::find(spots.begin(), spots.end(), point) != spots.end()) return Kind::Spot;
        return chores.count(typeName(point)) ? Kind::Chore : Kind::Nearby;
    }

    // Records the ped's activity choices while the world runs ms, without keeping a trace.
    std::vector<Choice> recordChoices(Handle ped, int32_t ms) {
        auto out = std::make_shared<std::vector<std::pair<host::Call, bool>>>();
        gHost.traceEnabled = false;
        gHost.observer = [out, ped](const host::Call& c, const host::World&) {
            if ((c.op == Op::taskUseScenarioPoint || c.op == Op::taskWanderInArea) && c.u(0) == ped)
                out->emplace_back(c, c.op == Op::taskWanderInArea);
        };
        host::runFor(ms);
        gHost.observer = nullptr;
        gHost.traceEnabled = true;
        std::vector<Choice> choices;
        for (const auto& [c, wander] : *out)
            choices.push_back({c.time, wander ? Kind::Wander : kindOf(c.u(1)), wander ? 0 : c.u(1), c.f(8)});
        return choices;
    }
};

TEST_F(ActivitiesTest, VisitorStandsFor3000msThenSettlesIntoAChore) {
    startVisit(Visitors::SadieOnly);
    rememberSpots();
    entity(sadie()).pos = {-1645.0f, -1392.0f, 83.0f};  // arrived by the kitchen
    const int32_t spawn = [] {
        for (const host::Call* c : host::callsOf(Op::miscGetRandomInt))
            if (c->i(0) == 0 && c->i(1) == 3) return c->time;
        return -1;
    }();
    host::runFor(5000);

    const auto clears = twtest::callsFor(Op::taskClearPedTasks, sadie());
    ASSERT_FALSE(clears.empty());
    EXPECT_GE(clears[0].time - spawn, 3000);
    EXPECT_LT(clears[0].time - spawn, 3100);
    EXPECT_NE(std::find(gHost.waits.begin(), gHost.waits.end(), 100u), gHost.waits.end());

    const auto uses = twtest::callsFor(Op::taskUseScenarioPoint, sadie());
    ASSERT_FALSE(uses.empty());
    EXPECT_GE(uses[0].time - clears[0].time, 100);  // after the settle wait
    EXPECT_EQ(kindOf(uses[0].u(1)), Kind::Chore) << typeName(uses[0].u(1));
    EXPECT_NE(typeName(uses[0].u(1)), "PROP_CAMP_SEAT_CHAIR_TABLE_STEW_QUENTLYS");  // not before 3600000
    EXPECT_GE(uses[0].f(8), 60000.0f);
    EXPECT_LT(uses[0].f(8), 120000.0f);
}

TEST_F(ActivitiesTest, ANewVisitorSettlesOnThe3000thMsAfterTheStartAndNotBefore) {
    startVisit(Visitors::SadieOnly);
    const int32_t spawn = [] {
        for (const host::Call* c : host::callsOf(Op::miscGetRandomInt))
            if (c->i(0) == 0 && c->i(1) == 3) return c->time;
        return -1;
    }();
    twtest::runTo(spawn + 2999);
    EXPECT_TRUE(twtest::callsFor(Op::taskClearPedTasks, sadie()).empty()) << "settled early";
    twtest::runTo(spawn + 3000);
    const auto clears = twtest::callsFor(Op::taskClearPedTasks, sadie());
    ASSERT_EQ(clears.size(), 1u) << "not settled on the 3000th ms";
    EXPECT_EQ(clears[0].time, spawn + 3000);
}

// The host's draw of an activity's length is not trusted: an answer far outside 60..120 s
// (here the largest int, which overflowed the time of the next choice) gives the longest
// activity, and the next choice falls due 5 s after it.
TEST_F(ActivitiesTest, AnActivityLengthDrawnOutOfRangeIsHeldToTheLongest) {
    startVisit(Visitors::SadieOnly);
    rememberSpots();
    entity(sadie()).pos = {-1645.0f, -1392.0f, 83.0f};  // arrived by the kitchen
    host::overrideOf(Op::miscGetRandomInt) = [](host::Call& c, host::World&) {
        if (c.i(0) != 60000) return false;
        c.result[0] = 0x7fffffffu;
        return true;
    };
    const auto choices = recordChoices(sadie(), 200000);
    ASSERT_GE(choices.size(), 2u);
    EXPECT_EQ(choices[0].duration, 119999.0f);
    EXPECT_GE(choices[1].time - choices[0].time, 119999 + 5000 - 200);
    EXPECT_LE(choices[1].time - choices[0].time, 119999 + 5000 + 1000);
}

TEST_F(ActivitiesTest, ChoicesAlternateSpotsAndNearbySeatsWithChoresWhenDue) {
    setHour(6);
    startVisit(Visitors::SadieOnly);
    rememberSpots();
    const Handle s = sadie();
    entity(s).pos = {-1645.0f, -1392.0f, 83.0f};
    const std::vector<Choice> choices = recordChoices(s, 1900000);  // until 21:50
    ASSERT_GE(choices.size(), 16u);

    std::vector<int32_t> choreTimes;
    for (const Choice& c : choices)
        if (c.kind == Kind::Chore) choreTimes.push_back(c.time);
    ASSERT_EQ(choreTimes.size(), 2u);
    EXPECT_EQ(choices[0].kind, Kind::Chore);
    EXPECT_GE(choreTimes[1] - choreTimes[0], 1800000);
    // The second chore is the first choice made once its pause was over.
    for (const Choice& c : choices)
        if (c.time > choreTimes[0] && c.time < choreTimes[1]) {
            EXPECT_LT(c.time - choreTimes[0], 1800000);
        }

    Kind last = Kind::Chore;
    for (const Choice& c : choices) {
        if (c.kind == Kind::Chore) continue;
        ASSERT_NE(c.kind, Kind::Wander);
        if (last != Kind::Chore) {
            EXPECT_NE(c.kind, last) << "at " << c.time;
        }
        last = c.kind;
        EXPECT_GE(c.duration, 60000.0f);
        EXPECT_LT(c.duration, 120000.0f);
    }
    // Sadie passes over the spots kept for Charles (rows 0, 3 and 6).
    for (const Choice& c : choices) {
        EXPECT_NE(c.point, spots[0]);
        EXPECT_NE(c.point, spots[3]);
        EXPECT_NE(c.point, spots[6]);
    }
    // Each choice falls due 5000 ms after the scenario's own time.
    for (std::size_t i = 1; i < choices.size(); ++i) {
        const int32_t due = static_cast<int32_t>(choices[i - 1].duration) + 5000;
        EXPECT_GE(choices[i].time - choices[i - 1].time, due);
        EXPECT_LT(choices[i].time - choices[i - 1].time, due + 200);
    }
}

TEST_F(ActivitiesTest, SpotsHeldByALivingPedAreSkippedAndNothingFreeMeansAWander) {
    world().ranchPopulate = false;  // no chores and no seats: only the activity spots
    startVisit(Visitors::SadieOnly);
    rememberSpots();
    const Handle bystander = spawnPed("a_m_m_bystander", {-1600.0f, -1300.0f, 80.0f});
    for (std::size_t i = 0; i < spots.size(); ++i)
        if (i != 4) pointOf(spots[i])->user = bystander;

    host::runFor(5000);
    auto uses = twtest::callsFor(Op::taskUseScenarioPoint, sadie());
    ASSERT_EQ(uses.size(), 1u);
    EXPECT_EQ(uses[0].u(1), spots[4]);

    // Someone else sits down on the last free spot; a user that has died frees nothing else.
    pointOf(spots[4])->user = bystander;
    const int32_t due = world().gameTime + 130000;
    ASSERT_TRUE(host::runUntil([&] { return !twtest::callsFor(Op::taskWanderInArea, sadie()).empty(); }, 130000));
    const auto wanders = twtest::callsFor(Op::taskWanderInArea, sadie());
    EXPECT_FLOAT_EQ(wanders[0].f(4), 20.0f);
    EXPECT_EQ(wanders[0].i(7), 1);
    EXPECT_LT(wanders[0].time, due);

    // The bystander leaves the world: its spots count as free again, after the 60000 ms wander.
    entity(bystander).alive = false;
    ASSERT_TRUE(host::runUntil([&] { return twtest::callsFor(Op::taskUseScenarioPoint, sadie()).size() > 1; }, 70000));
    uses = twtest::callsFor(Op::taskUseScenarioPoint, sadie());
    EXPECT_GE(uses[1].time - wanders[0].time, 60000);
    EXPECT_LT(uses[1].time - wanders[0].time, 60100);
}

TEST_F(ActivitiesTest, HorsesTakeAScenarioNearbyThenRestFor300000ms) {
    auto orders = std::make_shared<std::vector<host::Call>>();
    gHost.observer = [orders](const host::Call& c, const host::World&) {
        if (c.op == Op::taskUseScenarioPoint || c.op == Op::taskWanderInArea) orders->push_back(c);
    };
    startVisit(Visitors::Both);
    gHost.traceEnabled = false;
    host::runFor(320000);
    gHost.observer = nullptr;
    const Handle horses[] = {sadieHorse(), charlesHorse()};

    for (Handle horse : horses) {
        std::vector<host::Call> mine;
        for (const host::Call& c : *orders)
            if (c.u(0) == horse) mine.push_back(c);
        ASSERT_EQ(mine.size(), 2u);
        // A point the other horse holds is not usable: the horse then wanders 15 m about itself.
        if (mine[0].op == Op::taskUseScenarioPoint) {
            EXPECT_FLOAT_EQ(mine[0].f(8), -1.0f);  // until given another task
            EXPECT_NE(typeName(mine[0].u(1)).find("HORSE"), std::string::npos) << typeName(mine[0].u(1));
        } else {
            EXPECT_FLOAT_EQ(mine[0].f(4), 15.0f);
        }
        EXPECT_GE(mine[1].time - mine[0].time, 300000);
        EXPECT_LT(mine[1].time - mine[0].time, 300100);
    }
}

// The rest a horse takes between scenarios belongs to that horse: a visit's new horse gets its
// first scenario within a pass or two, even when the last visit's horse was given one just
// before that visit was cleaned up.
TEST_F(ActivitiesTest, ANewVisitsHorseGetsItsFirstScenarioAtOnceAfterTheLastHorseGotOneJustBefore) {
    auto orders = std::make_shared<std::vector<host::Call>>();
    gHost.observer = [orders](const host::Call& c, const host::World&) {
        if (c.op == Op::taskUseScenarioPoint || c.op == Op::taskWanderInArea) orders->push_back(c);
    };
    const auto firstOrderOf = [&orders](Handle horse) -> const host::Call* {
        for (const host::Call& c : *orders)
            if (c.u(0) == horse) return &c;
        return nullptr;
    };
    world().missionActive = true;  // only the keys start visits
    host::overrideOf(Op::miscGetRandomInt) = [](host::Call& c, host::World&) {
        if (c.i(0) != 0 || c.i(1) != 3) return false;
        c.result[0] = static_cast<uint32_t>(Visitors::SadieOnly);  // both visits: the same record and horse slot
        return true;
    };
    load(true);
    ASSERT_TRUE(runUntilReady());
    gHost.traceEnabled = false;
    host::sendKey(tw::kKeyF2);
    ASSERT_TRUE(host::runUntil([&] { return sadieHorse() != 0; }, 20000));
    const Handle firstHorse = sadieHorse();
    ASSERT_TRUE(host::runUntil([&] { return firstOrderOf(firstHorse) != nullptr; }, 60000));

    host::sendKey(tw::kKeyF3);  // the visit is cleaned up a moment after that horse's scenario
    ASSERT_TRUE(host::runUntil([&] { return sadie() == 0 && sadieHorse() == 0 && charles() == 0; }, 5000));
    host::sendKey(tw::kKeyF2);
    ASSERT_TRUE(host::runUntil([&] { return sadieHorse() != 0; }, 20000));
    const Handle newHorse = sadieHorse();
    ASSERT_NE(newHorse, firstHorse);
    const int32_t arrived = world().gameTime;
    ASSERT_TRUE(host::runUntil([&] { return firstOrderOf(newHorse) != nullptr; }, 60000))
        << "the new horse waited out the last horse's rest";
    EXPECT_LT(firstOrderOf(newHorse)->time - arrived, 60000);
    gHost.observer = nullptr;
}

TEST_F(ActivitiesTest, TheStewTableIsTheFirstChoreOnceAnHourAndOnlyOneVisitorGetsIt) {
    world().gameTime = 4000000;  // past the stew table's hour since the game began
    startVisit(Visitors::Both);
    entity(sadie()).pos = {-1645.0f, -1392.0f, 83.0f};
    entity(charles()).pos = {-1646.0f, -1392.0f, 83.0f};
    host::runFor(5000);
    const auto sadieUses = twtest::callsFor(Op::taskUseScenarioPoint, sadie());
    const auto charlesUses = twtest::callsFor(Op::taskUseScenarioPoint, charles());
    ASSERT_FALSE(sadieUses.empty());
    ASSERT_FALSE(charlesUses.empty());
    // Sadie comes first in the pass and takes it; Charles, a moment later, gets a chore of his own.
    EXPECT_EQ(typeName(sadieUses[0].u(1)), "PROP_CAMP_SEAT_CHAIR_TABLE_STEW_QUENTLYS");
    EXPECT_NE(typeName(charlesUses[0].u(1)), "PROP_CAMP_SEAT_CHAIR_TABLE_STEW_QUENTLYS");
    EXPECT_EQ(kindOf(charlesUses[0].u(1)), Kind::Chore) << typeName(charlesUses[0].u(1));
}

// Sadie alone, in the developer build, seated on a seat she made in place of a chair; returns the seat.
// Every nearby chair is swapped for a seat of the visitor's own. The seat's draw answers out of
// range, which must give the first kind, a harmonica bench, and nothing worse.
Handle ActivitiesTest::seatSadieInHerOwnSeat() {
    host::overrideOf(Op::miscGetRandomInt) = [drawn = false](host::Call& c, host::World&) mutable {
        if (c.i(0) != 0) return false;
        if (c.i(1) == 3) {
            c.result[0] = drawn ? 7u : static_cast<uint32_t>(Visitors::SadieOnly);
            drawn = true;
            return true;
        }
        if (c.i(1) != 2) return false;
        c.result[0] = 1;  // replace the chair; and at arrival: a spot before a nearby seat
        return true;
    };
    load(true);
    EXPECT_TRUE(runUntilReady());
    EXPECT_TRUE(host::runUntil([&] { return sadie() != 0; }, 20000));
    if (sadie() == 0) return 0;
    entity(sadie()).pos = {-1645.0f, -1392.0f, 83.0f};
    auto seat = std::make_shared<Handle>(0);
    auto seated = std::make_shared<bool>(false);
    gHost.observer = [seat, seated, bench = host::nameHash("PROP_HUMAN_SEAT_BENCH_HARMONICA")](const host::Call& c,
                                                                                               const host::World&) {
        if (c.op == Op::scenarioPointCreate && c.u(0) == bench) *seat = static_cast<Handle>(c.result[0]);
        if (c.op == Op::taskUseScenarioPoint && *seat != 0 && c.u(1) == *seat) *seated = true;
    };
    gHost.traceEnabled = false;
    EXPECT_TRUE(host::runUntil([&] { return *seated; }, 400000));
    gHost.traceEnabled = true;
    gHost.observer = nullptr;
    return *seated ? *seat : 0;
}

TEST_F(ActivitiesTest, ASeatMadeInPlaceOfAChairIsRemovedWhenTheVisitEnds) {
    const Handle seat = seatSadieInHerOwnSeat();
    ASSERT_NE(pointOf(seat), nullptr);

    host::sendKey(tw::kKeyF3);
    ASSERT_TRUE(host::runUntil([&] { return sadie() == 0; }, 10000));
    EXPECT_EQ(pointOf(seat), nullptr);
    EXPECT_EQ(twtest::leftovers(), "");
}

TEST_F(ActivitiesTest, ASeatTheHostTookAwayIsTestedAgainByTheResetAtTheVisitsEnd) {
    const Handle seat = seatSadieInHerOwnSeat();
    ASSERT_NE(pointOf(seat), nullptr);
    pointOf(seat)->alive = false;
    host::clearTrace();

    host::sendKey(tw::kKeyF3);
    ASSERT_TRUE(host::runUntil([&] { return sadie() == 0; }, 10000));
    // The end of the visit finds it gone and leaves the handle; the reset tests it once more.
    EXPECT_EQ(twtest::callsFor(Op::scenarioPointExists, seat).size(), 2u);
    EXPECT_TRUE(twtest::callsFor(Op::scenarioPointDelete, seat).empty());
}

// Sadie's first choice at the kitchen is a chore; the game timer then jumps (as it does when the
// player sleeps) so that the pass which finds her activity over falls `gap` ms after the chore.
// Returns the kind of the choice made in that pass.
Kind nextChoiceAfterAChore(ActivitiesTest& t, int32_t gap) {
    t.setHour(6);  // fifteen in-game hours of day ahead
    t.startVisit(Visitors::SadieOnly);
    const Handle s = t.sadie();
    if (s == 0) return Kind::Wander;
    t.entity(s).pos = {-1645.0f, -1392.0f, 83.0f};  // by the kitchen
    auto chore = std::make_shared<int32_t>(0);
    host::overrideOf(Op::miscGetRandomInt) = [chore](host::Call& c, host::World& w) {
        if (*chore == 0 && c.i(0) == 60000 && c.i(1) == 120000) *chore = w.gameTime;
        return false;  // the world draws the length
    };
    if (!host::runUntil([&] { return *chore != 0; }, 10000)) return Kind::Wander;
    const auto first = twtest::callsFor(Op::taskUseScenarioPoint, s);
    EXPECT_EQ(t.kindOf(first.back().u(1)), Kind::Chore);

    t.world().gameTime = *chore + gap - 1;  // no pass runs at this time; the next frame lands on the gap
    host::clearTrace();
    twtest::runTo(*chore + gap);
    const auto next = twtest::callsFor(Op::taskUseScenarioPoint, s);
    if (next.empty() || next.back().time != *chore + gap) {
        ADD_FAILURE() << "no choice fell due " << gap << " ms after the chore";
        return Kind::Wander;
    }
    return t.kindOf(next.back().u(1));
}

TEST_F(ActivitiesTest, AChoreIsPossibleAgainOn1800000msAfterTheLastAndNotAMillisecondBefore) {
    EXPECT_EQ(nextChoiceAfterAChore(*this, 1800000), Kind::Chore);
    host::hostReset();
    EXPECT_NE(nextChoiceAfterAChore(*this, 1799999), Kind::Chore);
}

TEST_F(ActivitiesTest, AGroundScenarioFoundNearbyIsUsedAsFoundWhateverTheCoinSays) {
    world().ranchPopulate = false;  // no chores and no seats
    host::overrideOf(Op::miscGetRandomInt) = [](host::Call& c, host::World&) {
        if (c.i(0) != 0 || (c.i(1) != 2 && c.i(1) != 3)) return false;
        c.result[0] = 1;  // Sadie alone; and every coin says: replace a chair, a spot first
        return true;
    };
    world().completedMissions.push_back(host::nameHash("FIN2"));
    load();
    ASSERT_TRUE(runUntilReady());
    ASSERT_TRUE(host::runUntil([&] { return sadie() != 0; }, 20000));
    rememberSpots();
    const Handle s = sadie();
    // Every spot is taken, and the one scenario nearby is the first of the ground kinds.
    const Handle bystander = spawnPed("a_m_m_bystander", {-1600.0f, -1300.0f, 80.0f});
    for (const Handle spot : spots) pointOf(spot)->user = bystander;
    const tw::Vec3 at{-1640.0f, -1392.0f, 83.0f};
    const Handle ground = host::spawnPoint(world(), host::nameHash("WORLD_HUMAN_SIT_FALL_ASLEEP"), at, 0.0f, false);
    hold(s, {at.x + 2.0f, at.y, at.z});
    host::clearTrace();
    host::runFor(5000);  // settled into her first choice

    const auto uses = twtest::callsFor(Op::taskUseScenarioPoint, s);
    ASSERT_FALSE(uses.empty());
    EXPECT_EQ(uses[0].u(1), ground);
    EXPECT_TRUE(host::callsOf(Op::scenarioPointCreate).empty()) << "a seat was made in its place";
}

}  // namespace
