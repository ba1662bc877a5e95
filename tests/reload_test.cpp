// The game restarts the script when it reloads (a saved game is loaded): the fiber goes
// wherever it waited, the world loses whatever the plug-in made, and the script starts again.
// Each restart must begin from the load state: a visit comes again as at load, and no handle
// held before the restart is used after it.
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "behaviour_fixture.h"
#include "frame/host_catalogue.h"
#include "frame/key_state.h"
#include "module_image.h"
#include "visit_world_check.h"

namespace {

using host::gHost;
using tw::Handle;
using tw::Op;
using twtest::Visitors;

constexpr int32_t kMinuteMs = tw::kMsPerGameHour / 60;

// Every handle the host gave the plug-in in the trace from index `from` on.
std::set<uint32_t> handlesGiven(std::size_t from = 0) {
    std::set<uint32_t> out;
    for (std::size_t i = from; i < gHost.trace.size(); ++i) {
        const host::Call& c = gHost.trace[i];
        if (tw::opInfo(c.op).result == tw::ResultKind::Handle && c.result[0] != 0)
            out.insert(static_cast<uint32_t>(c.result[0]));
    }
    return out;
}

// The calls from index `from` on that pass a handle from `old` which the host has not given
// the plug-in again since `from`.
std::vector<std::string> oldHandlesUsed(const std::set<uint32_t>& old, std::size_t from) {
    std::vector<std::string> out;
    std::set<uint32_t> givenSince;
    for (std::size_t i = from; i < gHost.trace.size(); ++i) {
        const host::Call& c = gHost.trace[i];
        const tw::OpInfo& info = tw::opInfo(c.op);
        for (std::size_t a = 0; a < info.argc; ++a)
            if (info.args[a].kind == tw::ArgKind::Handle && old.count(c.u(a)) && !givenSince.count(c.u(a)))
                out.push_back(std::to_string(c.time) + " " + c.describe(gHost.world));
        if (info.result == tw::ResultKind::Handle && c.result[0] != 0)
            givenSince.insert(static_cast<uint32_t>(c.result[0]));
    }
    return out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

struct ReloadTest : twtest::BehaviourTest {
    // The trace index at the last restart.
    std::size_t restartAt = 0;

    void restart(int32_t clockHour = -1) {
        restartAt = gHost.trace.size();
        host::restartScript(clockHour);
    }
    bool visitorOnStage() { return sadie() != 0 || charles() != 0; }
};

// ---- the visit after a reload --------------------------------------------------------

TEST_F(ReloadTest, AReloadMidVisitByDayIsFollowedByAVisitWithinMinutesNotAfterACooldown) {
    startVisit(Visitors::Both);
    host::runFor(30 * kMinuteMs);
    const std::set<uint32_t> old = handlesGiven();
    restart();
    EXPECT_FALSE(visitorOnStage()) << "the game released the visitors";

    gHost.markWaits = true;
    ASSERT_TRUE(runUntilReady());
    const int32_t ready = world().gameTime;
    ASSERT_TRUE(host::runUntil([&] { return visitorsPresent(Visitors::Both) || visitorOnStage(); }, 5 * kMinuteMs))
        << "no visit within five in-game minutes of the first ready pass after the reload";
    EXPECT_LT(tw::elapsed(world().gameTime, ready), 5 * kMinuteMs);
    EXPECT_EQ(joined(oldHandlesUsed(old, restartAt)), "");
    EXPECT_EQ(gHost.restarts, 1);
}

// A visitor asleep in its bedroll when the save is loaded: the bedrolls, the sleep points and
// the visitors are the old world's, and none of them is asked about, moved or deleted.
TEST_F(ReloadTest, AReloadWhileTheVisitorsSleepUsesNoHandleOfTheOldWorld) {
    world().clockStartHour = 21;  // 22:00 at game time 120000
    startVisit(Visitors::Both);
    world().playerSeesNothing = true;
    gHost.traceEnabled = true;
    const Handle s = sadie(), c = charles();
    ASSERT_TRUE(host::runUntil(
        [&] {
            const host::Entity* a = host::findEntity(world(), s);
            const host::Entity* b = host::findEntity(world(), c);
            return a && b && a->task.kind == host::TaskKind::Scenario && b->task.kind == host::TaskKind::Scenario &&
                   world().gameTime > 130000;
        },
        400000));
    const std::set<uint32_t> old = handlesGiven();
    restart(23);
    host::runFor(20 * kMinuteMs);
    EXPECT_EQ(joined(oldHandlesUsed(old, restartAt)), "");
    EXPECT_TRUE(visitorOnStage()) << "a new visit came after the reload";
}

// Inside the household greeting's 2000 ms wait: the answer never comes (the rest of the pass
// is gone with the fiber), and nothing of the old world is touched afterwards.
TEST_F(ReloadTest, AReloadInsideTheHouseholdGreetingWaitForgetsTheGreetingAndTheOldHandles) {
    world().ranchPopulate = false;
    const Handle abigail = spawnPed("cs_abigailroberts", {-1700.0f, -1300.0f, 83.0f});
    world().gameTime = 10 * tw::kMsPerGameHour;  // past the household timer's first 600000 ms
    startVisit(Visitors::SadieOnly);
    const Handle s = sadie();
    host::runFor(3500);  // settled
    hold(s, {-1640.0f, -1390.0f, 83.0f});
    hold(abigail, {-1636.0f, -1390.0f, 83.0f});
    ASSERT_TRUE(host::runUntil([&] { return spokenCount(s, "GREET_ABIGAIL") == 1; }, 3000));
    ASSERT_EQ(gHost.waits.back(), 2000u) << "the script waits for the answer";
    const std::set<uint32_t> old = handlesGiven();
    restart();
    host::runFor(4000);
    EXPECT_EQ(spokenCount(abigail, "GREET_SADIE"), 0) << "the answer belonged to the dropped pass";
    host::runFor(10 * kMinuteMs);
    std::set<uint32_t> oldPluginMade = old;
    oldPluginMade.erase(abigail);  // the household stays, and may be greeted again
    oldPluginMade.erase(world().playerPed);
    EXPECT_EQ(joined(oldHandlesUsed(oldPluginMade, restartAt)), "");
}

// ---- the restart's start-up ----------------------------------------------------------

// A call as the start-up comparison sees it: its game time from the start, handles as "H",
// the game timer's readings from the start too.
std::string shapeOf(const host::Call& c, int32_t t0) {
    const tw::OpInfo& info = tw::opInfo(c.op);
    std::string out = std::to_string(c.time - t0) + " " + info.name + "(";
    std::size_t str = 0;
    for (std::size_t a = 0; a < info.argc; ++a) {
        if (a) out += ", ";
        const tw::ArgKind k = info.args[a].kind;
        if (k == tw::ArgKind::Handle) {
            out += c.u(a) ? "H" : "0";
        } else if (k == tw::ArgKind::Str || k == tw::ArgKind::LitStr) {
            out += c.args[a] && str < c.strings.size() ? c.strings[str++] : "null";
        } else if (k == tw::ArgKind::Ptr) {
            out += "ptr";
        } else {
            out += std::to_string(c.args[a]);
        }
    }
    out += ") -> ";
    if (info.result == tw::ResultKind::Handle)
        out += c.result[0] ? "H" : "0";
    else if (c.op == Op::gameGetTimer)
        out += std::to_string(static_cast<int32_t>(c.result[0]) - t0);
    else
        out += std::to_string(c.result[0]) + "," + std::to_string(c.result[1]) + "," + std::to_string(c.result[2]);
    return out;
}

// The calls and waits from the script's start to the end of its first ready pass.
std::vector<std::string> startUpShape() {
    const long last = host::firstReadyPassWait();
    std::vector<std::string> out;
    if (last < 0) return out;
    const int32_t t0 = gHost.waitMarks.front().time;
    std::size_t next = 0;
    for (long i = 0; i <= last; ++i) {
        const auto& mark = gHost.waitMarks[static_cast<std::size_t>(i)];
        for (; next < mark.calls; ++next) out.push_back(shapeOf(gHost.trace[next], t0));
        out.push_back(std::to_string(mark.time - t0) + " scriptWait(" + std::to_string(mark.ms) + ")");
    }
    return out;
}

TEST_F(ReloadTest, FromARestartToItsFirstReadyPassTheCallsAreTheLoadsHandlesAside) {
    // The same random answers in both start-ups, so the start test decides alike.
    auto draws = std::make_shared<std::vector<uint64_t>>();
    auto replay = std::make_shared<std::size_t>(SIZE_MAX);
    const auto isDraw = [](Op op) { return op == Op::miscGetRandomInt || op == Op::miscGetRandomFloat; };
    for (Op op : {Op::miscGetRandomInt, Op::miscGetRandomFloat})
        host::overrideOf(op) = [draws, replay](host::Call& c, host::World&) {
            if (*replay == SIZE_MAX || *replay >= draws->size()) return false;
            c.result[0] = (*draws)[(*replay)++];
            return true;
        };
    gHost.observer = [draws, replay, isDraw](const host::Call& c, const host::World&) {
        if (isDraw(c.op) && *replay == SIZE_MAX) draws->push_back(c.result[0]);
    };
    world().completedMissions.push_back(host::nameHash("FIN2"));
    load();
    gHost.markWaits = true;
    ASSERT_TRUE(runUntilReady());
    const std::vector<std::string> atLoad = startUpShape();
    ASSERT_FALSE(atLoad.empty());
    const std::size_t loadDraws = draws->size();

    host::runFor(40 * kMinuteMs);  // a visit under way
    ASSERT_TRUE(visitorOnStage());
    draws->resize(loadDraws);
    *replay = 0;
    host::restartScript();
    host::clearTrace();
    ASSERT_TRUE(runUntilReady());
    const std::vector<std::string> atRestart = startUpShape();
    for (std::size_t i = 0; i < atLoad.size() && i < atRestart.size(); ++i)
        ASSERT_EQ(atRestart[i], atLoad[i]) << "first difference at call " << i;
    EXPECT_EQ(atRestart.size(), atLoad.size());
    gHost.observer = nullptr;
}

// ---- the load state -------------------------------------------------------------------

// The module's writable data when a restarted script first waits, against the same moment
// after the load: only the key records, the one-copy claim and the log may differ.
TEST_F(ReloadTest, AtARestartEveryVariableIsBackAtItsLoadValueButTheKeptThree) {
    writeIni("[Settings]\nlog=1\n");
    world().completedMissions.push_back(host::nameHash("FIN2"));
    load(true);
    host::runFrame();  // the script's first wait
    ASSERT_EQ(gHost.waits.size(), 1u);
    fuzz::ModuleImage atLoad, atRestart;
    std::string why;
    ASSERT_TRUE(fuzz::saveModuleImage(gHost.library, atLoad, why)) << why;

    host::runFor(20 * kMinuteMs);
    host::sendKey(tw::kKeyF1);  // the key records change, and are kept
    host::runFor(2 * tw::kMsPerGameHour);
    ASSERT_TRUE(visitorOnStage());
    host::restartScript();
    const std::size_t waits = gHost.waits.size();
    host::runFrame();
    ASSERT_EQ(gHost.waits.size(), waits + 1);
    ASSERT_EQ(gHost.waits.back(), 2000u);
    ASSERT_TRUE(fuzz::saveModuleImage(gHost.library, atRestart, why)) << why;

    const std::set<std::string> kept = {
        "tw::keyStates",
        "(anonymous namespace)::runningCopy",
        "tw::logEnabled",
        "tw::(anonymous namespace)::logFile",
        "tw::(anonymous namespace)::started",
        "tw::(anonymous namespace)::logBytes",
        "tw::(anonymous namespace)::line",
    };
    std::string changed;
    for (const std::string& name : fuzz::changedVariables(gHost.library, atLoad, atRestart))
        if (!kept.count(name)) changed += name + "\n";
    EXPECT_EQ(changed, "");
}

// ---- the log ----------------------------------------------------------------------------

TEST_F(ReloadTest, TheLogKeepsWhatItHoldsAndTellsOfTheRestartOnce) {
    writeIni("[Settings]\nlog=1\n");
    startVisit(Visitors::Both);
    host::runFor(10 * kMinuteMs);
    restart();
    ASSERT_TRUE(runUntilReady());
    host::runFor(10 * kMinuteMs);

    std::vector<std::string> lines;
    std::ifstream in(workDir + "/tamberwick.log");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front().find("loaded ("), std::string::npos) << lines.front();
    int loads = 0, restarts = 0, starts = 0;
    for (const std::string& l : lines) {
        loads += l.find("loaded (") != std::string::npos;
        restarts += l.find("the game restarted the script (a saved game was loaded)") != std::string::npos;
        starts += l.find("visit started") != std::string::npos;
    }
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(restarts, 1);
    EXPECT_EQ(starts, 2) << "the visit before the reload and the one after";
}

}  // namespace
