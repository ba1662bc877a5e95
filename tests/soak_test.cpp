// The fault-injection soak: its checker catches what it is there to catch, a seed replays
// exactly, and a handful of seeds live through their days without a violation.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "invariants.h"
#include "script_host.h"
#include "soak.h"

namespace {

namespace fs = std::filesystem;
using simtool::InvariantChecker;
using simtool::SoakLimits;
using tw::Op;

// A call as the host decodes it, for feeding the checker by hand.
sim::Call call(Op op, std::initializer_list<uint64_t> args, uint64_t result = 0) {
    sim::Call c;
    c.op = op;
    c.argc = tw::opInfo(op).argc;
    std::size_t i = 0;
    for (uint64_t a : args) c.args[i++] = a;
    c.result[0] = result;
    return c;
}

// Both checker hooks around one call, as the soak installs them.
void feed(InvariantChecker& checker, const sim::World& w, const sim::Call& c) {
    checker.beforeCall(c, w);
    checker.afterCall(c, w);
}

std::string kinds(const InvariantChecker& checker) {
    std::string out;
    for (const auto& v : checker.violations()) out += v.kind + "\n";
    return out;
}

struct SoakCheckerTest : ::testing::Test {
    sim::World w;
    InvariantChecker checker{SoakLimits{6 * 120000, 2 * 120000, 100}};
    sim::Handle ped = 0;

    void SetUp() override {
        sim::worldReset(w);
        sim::setModel(w, "cs_mrsadler", true, 200);
        ped = sim::spawnEntity(w, sim::EntityKind::Ped, sim::nameHash("cs_mrsadler"), {}, true);
    }
};

TEST_F(SoakCheckerTest, AHandleUsedAfterTheHostDeletedItIsCaught) {
    w.entities[ped - w.entities.front().handle].alive = false;
    feed(checker, w, call(Op::entityGetCoords, {ped, 0, 0}));
    EXPECT_EQ(kinds(checker), "gone handle used\n");
}

TEST_F(SoakCheckerTest, AnExistenceTestFirstMakesLaterUseOfAGoneHandleHarmless) {
    w.entities[ped - w.entities.front().handle].alive = false;
    feed(checker, w, call(Op::entityExists, {ped}));
    feed(checker, w, call(Op::taskClearPedTasks, {ped, 1, 0}));
    EXPECT_EQ(kinds(checker), "");
    EXPECT_EQ(checker.deadHandleTests(), 1u);
}

TEST_F(SoakCheckerTest, DeletingAGoneHandleThroughItsAddressCounts) {
    w.entities[ped - w.entities.front().handle].alive = false;
    uint32_t slot = ped;
    feed(checker, w, call(Op::pedDelete, {reinterpret_cast<uintptr_t>(&slot)}));
    EXPECT_EQ(kinds(checker), "gone handle used\n");
}

TEST_F(SoakCheckerTest, AVisitThatEndsWithAPointOfItsOwnLeftIsCaught) {
    checker.setNow(10000, 1);
    feed(checker, w, call(Op::streamingIsModelValid, {sim::nameHash("cs_mrsadler")}, 1));
    EXPECT_EQ(checker.visitsStarted(), 1);
    sim::spawnPoint(w, sim::nameHash("PROP_HUMAN_SEAT_CHAIR_SMOKE_ROLL"), {}, 0, true);
    w.entities[ped - w.entities.front().handle].alive = false;
    // Two pass ends without a visitor: the plug-in's end test has run, the visit is over.
    checker.setNow(10100, 2);
    checker.afterFrame(w, true, 0);
    checker.setNow(10200, 3);
    checker.afterFrame(w, true, 0);
    EXPECT_EQ(checker.visitsEnded(), 1);
    EXPECT_EQ(kinds(checker), "left behind\n");
}

TEST_F(SoakCheckerTest, AGreetingLeftArmedAfterTheVisitIsCaught) {
    checker.setNow(10000, 1);
    feed(checker, w, call(Op::streamingIsModelValid, {sim::nameHash("cs_mrsadler")}, 1));
    w.entities[ped - w.entities.front().handle].alive = false;
    w.playerGreetingLine = "GREET_SADIE";
    checker.afterFrame(w, true, 0);
    checker.afterFrame(w, true, 0);
    EXPECT_EQ(kinds(checker), "greeting left armed\n");
}

TEST_F(SoakCheckerTest, AModelPolledBeyondItsLimitIsCaught) {
    const uint64_t model = sim::nameHash("cs_mrsadler");
    for (int64_t t = 0; t <= 6000; t += 100) {
        checker.setNow(t, static_cast<uint64_t>(t / 100));
        feed(checker, w, call(Op::streamingHasModelLoaded, {model}, 0));
        feed(checker, w, call(Op::gameGetTimer, {}, static_cast<uint64_t>(t)));
        checker.afterFrame(w, true, 0);
    }
    EXPECT_EQ(kinds(checker), "model polled too long\n");
}

// ---- whole seeds --------------------------------------------------------------------------

struct SoakRunTest : ::testing::Test {
    std::string dir, previous;
    simtool::SoakOptions options;

    void SetUp() override {
        char tmpl[] = "/tmp/tamberwick-soaktest-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        previous = fs::current_path().string();
        ASSERT_EQ(chdir(dir.c_str()), 0);
        options.pluginPath = TAMBERWICK_PLUGIN;
        options.pluginDevPath = TAMBERWICK_PLUGIN_DEV;
    }
    void TearDown() override {
        EXPECT_EQ(chdir(previous.c_str()), 0);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

TEST_F(SoakRunTest, ASeedReplaysExactly) {
    options.days = 2;
    const simtool::SeedResult a = simtool::runSoakSeed(11, options);
    const simtool::SeedResult b = simtool::runSoakSeed(11, options);
    ASSERT_TRUE(a.failure.empty()) << a.failure;
    EXPECT_EQ(a.frames, b.frames);
    EXPECT_EQ(a.hostCalls, b.hostCalls);
    EXPECT_EQ(a.visitsStarted, b.visitsStarted);
    EXPECT_EQ(a.faults, b.faults);
    EXPECT_EQ(a.violations.size(), b.violations.size());
    EXPECT_GT(a.visitsStarted, 0);
}

TEST_F(SoakRunTest, SeedsOfBothBuildsAndAcrossTheTimerWrapRunClean) {
    options.days = 3;
    int dev = 0, wraps = 0, visits = 0;
    for (uint64_t seed = 1; seed <= 12; ++seed) {
        const simtool::SeedResult r = simtool::runSoakSeed(seed, options);
        ASSERT_TRUE(r.failure.empty()) << r.failure;
        for (const auto& v : r.violations)
            ADD_FAILURE() << "seed " << seed << " frame " << v.frame << ": " << v.kind << ": " << v.text;
        dev += r.devBuild;
        wraps += r.crossesWrap;
        visits += r.visitsEnded;
    }
    EXPECT_GT(dev, 0);
    EXPECT_GT(wraps, 0);
    EXPECT_GT(visits, 12);
}

// The seeds that found faults in the plug-in, with the injector as it is: a sleeper never woken
// once its sleep point vanished (1, 13), horses and activities re-chosen every pass just before
// the game timer wraps (15, and 38 for activities), handles used after a wait in which the host
// deleted them (23, 49, 133, 162).
TEST_F(SoakRunTest, TheSeedsThatFoundFaultsStayClean) {
    options.days = 10;
    for (uint64_t seed : {1, 13, 15, 23, 38, 49, 133, 162}) {
        const simtool::SeedResult r = simtool::runSoakSeed(seed, options);
        ASSERT_TRUE(r.failure.empty()) << r.failure;
        for (const auto& v : r.violations)
            ADD_FAILURE() << "seed " << seed << " frame " << v.frame << ": " << v.kind << ": " << v.text;
    }
}

}  // namespace
