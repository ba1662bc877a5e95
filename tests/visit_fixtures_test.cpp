// The ranch's prepared tables, its bedrolls and sleep points, and the readiness gate.
#include <fstream>
#include <memory>
#include <string>

#include "frame/key_state.h"
#include "plugin_fixture.h"
#include "visit/model_loading.h"
#include "visit_world_check.h"

namespace {

using host::gHost;
using host::overrideOf;
using tw::Op;

struct VisitFixturesTest : twtest::PluginTest {};

bool isSleepPointCreate(const host::Call* c) { return static_cast<int64_t>(c->args[6]) == -1; }

std::size_t sleepPointCreates() {
    std::size_t n = 0;
    for (const host::Call* c : host::callsOf(Op::scenarioPointCreate)) n += isSleepPointCreate(c);
    return n;
}

TEST_F(VisitFixturesTest, GateOpensInTheFirstPassAndTheSchedulerFirstRunsInTheSecond) {
    load();
    ASSERT_TRUE(host::runUntil([] { return host::countOf(Op::missionIsActive) > 0; }, 60000));
    // Start-up made both bedrolls and both sleep points; the gate's pass made nothing new.
    EXPECT_EQ(host::countOf(Op::objectCreate), 2u);
    EXPECT_EQ(sleepPointCreates(), 2u);
    // Two existence checks at creation, two in the one gate pass, then the start test a
    // full 1000 ms later.
    const auto exists = host::callsOf(Op::scenarioPointExists);
    ASSERT_EQ(exists.size(), 4u);
    EXPECT_GE(host::callsOf(Op::missionIsActive).front()->time, exists.back()->time + 1000);
}

TEST_F(VisitFixturesTest, ABedrollGoneBeforeTheGateIsRecreatedAlone) {
    load();
    ASSERT_TRUE(host::runUntil([] { return sleepPointCreates() == 2; }, 60000));
    host::Entity* fur = twtest::onlyEntity("s_bedrollfurlined01x");
    ASSERT_NE(fur, nullptr);
    fur->alive = false;
    ASSERT_TRUE(runUntilReady());

    const auto objects = host::callsOf(Op::objectCreate);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects.back()->u(0), host::nameHash("s_bedrollfurlined01x"));
    const host::Entity* again = twtest::onlyEntity("s_bedrollfurlined01x");
    ASSERT_NE(again, nullptr);
    EXPECT_FLOAT_EQ(again->heading, 325.0f);
    EXPECT_EQ(sleepPointCreates(), 2u);  // the existing points were kept
}

TEST_F(VisitFixturesTest, SleepPointsThatNeverAppearKeepTheRanchNotReadyWithoutHanging) {
    overrideOf(Op::scenarioPointCreate) = [](host::Call& c, host::World&) {
        return static_cast<int64_t>(c.args[6]) == -1;  // refuse sleep points: answer 0
    };
    load();
    host::runFor(30000);
    // Three attempts per point per call: start-up plus several 1000 ms gate passes.
    const std::size_t attempts = sleepPointCreates();
    EXPECT_EQ(attempts % 6, 0u);
    EXPECT_GE(attempts, 6u * 5);
    EXPECT_EQ(host::countOf(Op::missionIsActive), 0u);  // never ready, so no visit can start
    host::runFor(5000);
    EXPECT_GT(sleepPointCreates(), attempts);  // still passing
}

TEST_F(VisitFixturesTest, ACreatedSleepPointThatDoesNotExistCountsAsAFailedAttempt) {
    gHost.world.faults.pointsNotExisting = true;
    load();
    ASSERT_TRUE(host::runUntil([] { return sleepPointCreates() >= 6; }, 60000));
    // Three attempts at point 1, then the routine goes on to point 2.
    const auto creates = host::callsOf(Op::scenarioPointCreate);
    std::vector<float> headings;
    for (const host::Call* c : creates)
        if (isSleepPointCreate(c)) headings.push_back(c->f(4));
    EXPECT_EQ(std::vector<float>(headings.begin(), headings.begin() + 6),
              (std::vector<float>{325.0f, 325.0f, 325.0f, 315.0f, 315.0f, 315.0f}));
}

TEST_F(VisitFixturesTest, ABedrollModelThatNeverLoadsDoesNotFreezeTheScript) {
    host::setModel(gHost.world, "s_bedrollfurlined01x", true, -1);
    load();
    host::runFor(40000);
    // Each call gives the model up after 5000 ms and goes on to bedroll 2 and the sleep points.
    EXPECT_NE(twtest::onlyEntity("p_bedrollopen03x"), nullptr);
    EXPECT_EQ(sleepPointCreates(), 2u);
    EXPECT_TRUE(twtest::pluginEntities("s_bedrollfurlined01x").empty());
    std::size_t releases = 0;
    for (const host::Call* c : host::callsOf(Op::streamingReleaseModel))
        releases += c->u(0) == host::nameHash("s_bedrollfurlined01x");
    EXPECT_GE(releases, 3u);
    EXPECT_EQ(host::countOf(Op::missionIsActive), 0u);
}

TEST_F(VisitFixturesTest, SpotPointsFollowTheSpotTableRowByRow) {
    load();
    ASSERT_TRUE(runUntilReady());
    const auto creates = host::callsOf(Op::scenarioPointCreate);
    ASSERT_GE(creates.size(), 8u);
    const char* types[8] = {"WORLD_HUMAN_LEAN_FENCE_FWD_CHECK_OUT_LIVESTOCK",
                            "WORLD_HUMAN_SIT_GROUND_READING_BOOK",
                            "WORLD_HUMAN_SIT_SMOKE",
                            "WORLD_HUMAN_LEAN_BACK_WHITTLE",
                            "WORLD_HUMAN_SIT_GROUND_READING_BOOK",
                            "WORLD_HUMAN_DRINK",
                            "WORLD_HUMAN_DRINK_FLASK",
                            "WORLD_HUMAN_SIT_DRINK"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(creates[i]->u(0), host::nameHash(types[i])) << "row " << i;
        EXPECT_EQ(creates[i]->args[6], 0u) << "row " << i;
        EXPECT_EQ(creates[i]->i(7), 0) << "row " << i;
    }
    // Rows 1/2 and 6/7 share place and facing, each with its own type and point.
    for (auto [a, b] : {std::pair{1, 2}, std::pair{6, 7}}) {
        for (std::size_t k : {1u, 2u, 3u, 4u}) EXPECT_EQ(creates[a]->args[k], creates[b]->args[k]);
        EXPECT_NE(creates[a]->u(0), creates[b]->u(0));
        EXPECT_NE(creates[a]->result[0], creates[b]->result[0]);
    }
}

TEST_F(VisitFixturesTest, HorseScenariosAreHashedInTheirListOrder) {
    load();
    ASSERT_TRUE(runUntilReady());
    std::vector<std::string> horse;
    for (const host::Call* c : host::callsOf(Op::miscGetHashKey)) {
        const std::string& name = c->strings[0];
        if (name.find("_ANIMAL_HORSE_") != std::string::npos) horse.push_back(name);
    }
    EXPECT_EQ(horse, (std::vector<std::string>{"WORLD_ANIMAL_HORSE_RESTING", "WORLD_ANIMAL_HORSE_RESTING_DOMESTIC",
                                               "WORLD_ANIMAL_HORSE_GRAZING", "WORLD_ANIMAL_HORSE_GRAZING_DOMESTIC",
                                               "WORLD_ANIMAL_HORSE_GRAZING_CAMP", "PROP_ANIMAL_HORSE_DRINK_TROUGH",
                                               "WORLD_ANIMAL_HORSE_SLEEPING", "WORLD_ANIMAL_HORSE_SLEEPING_DOMESTIC"}));
}

// The fixture model's wait reads the timer before each frame: a model not loaded when exactly
// 5000 ms have passed is waited for one frame more.
TEST_F(VisitFixturesTest, ABedrollModelIsGivenUpOnlyOnceMoreThan5000msHavePassed) {
    const auto madeInTheFirstTry = [this](int32_t delayMs) {
        host::setModel(gHost.world, "s_bedrollfurlined01x", true, delayMs);
        gHost.world.frameStepMs = 50;  // a frame falls on the limit's millisecond
        load();
        const tw::Hash model = host::nameHash("s_bedrollfurlined01x");
        int32_t requested = -1;
        EXPECT_TRUE(host::runUntil(
            [&] {
                for (const host::Call* c : host::callsOf(Op::streamingRequestModel))
                    if (c->u(0) == model) requested = c->time;
                return requested >= 0;
            },
            20000));
        host::runFor(5200);
        for (const host::Call* c : host::callsOf(Op::objectCreate))
            if (c->u(0) == model && c->time <= requested + 5100) return true;
        return false;
    };
    EXPECT_TRUE(madeInTheFirstTry(tw::kModelLoadLimitMs + 1));
    host::hostReset();
    EXPECT_FALSE(madeInTheFirstTry(tw::kModelLoadLimitMs + 51));
}

// Bedroll 2 and its sleep point are refused at load, made at last, removed with the visit's
// end and refused again when the next visit makes them: each failure is told afresh, naming
// bedroll 2.
TEST_F(VisitFixturesTest, AFixtureFailureIsToldOnceAndAgainWhenItComesBackAfterASuccess) {
    writeIni("[Settings]\nlog=1\n");
    auto refusing = std::make_shared<bool>(true);
    const tw::Hash open = host::nameHash("p_bedrollopen03x");
    overrideOf(Op::objectCreate) = [refusing, open](host::Call& c, host::World&) {
        if (!*refusing || c.u(0) != open) return false;
        c.result[0] = 0;
        return true;
    };
    overrideOf(Op::scenarioPointCreate) = [refusing](host::Call& c, host::World&) {
        if (!*refusing || !isSleepPointCreate(&c) || c.f(4) != 315.0f) return false;  // bedroll 2's heading
        c.result[0] = 0;
        return true;
    };
    gHost.world.missionActive = true;  // only F2 starts a visit
    load(true);
    host::runFor(20000);
    ASSERT_EQ(host::countOf(Op::missionIsActive), 0u) << "ready without bedroll 2";
    *refusing = false;
    ASSERT_TRUE(runUntilReady());
    for (int visit = 0; visit < 2; ++visit) {
        ASSERT_TRUE(twtest::pressUntil(
            tw::kKeyF2, [] { return twtest::anyVisitorPresent(); }, 30000));
        host::runFor(10000);
        // The visit's end removes both bedrolls and sleep points.
        ASSERT_TRUE(twtest::pressUntil(tw::kKeyF3, [] { return !twtest::anyVisitorPresent(); }));
        host::runFor(1000);
        *refusing = true;  // the second visit's night routine makes them again, and fails
    }
    std::vector<std::string> lines;
    std::ifstream in(workDir + "/tamberwick.log");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    const auto count = [&](const std::string& part) {
        int n = 0;
        for (const std::string& l : lines) n += l.find(part) != std::string::npos;
        return n;
    };
    EXPECT_EQ(count("the game refused to create bedroll 2; it is tried again"), 2);
    EXPECT_EQ(count("the sleep point at bedroll 2 failed three times; it is tried again later"), 2);
    EXPECT_EQ(count("bedroll 1"), 0);
}

}  // namespace
