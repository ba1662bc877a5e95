// tamberwick.log: written only with log=1, one line per event and none on quiet passes, the
// same host calls with or without it, a 1 MB limit, and one running copy per process.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "frame/key_state.h"
#include "frame/plugin_log.h"
#include "frame/settings.h"
#include "plugin_fixture.h"
#include "tamberwick_commit.h"
#include "tamberwick_version.h"
#include "visit_world_check.h"

namespace {

using host::gHost;
using host::overrideOf;

constexpr int32_t kHourMs = tw::kMsPerGameHour;

struct LogTest : twtest::PluginTest {
    std::string logPath() const { return workDir + "/tamberwick.log"; }
    bool logExists() const { return std::filesystem::exists(logPath()); }
    std::vector<std::string> logLines() const {
        std::vector<std::string> out;
        std::ifstream in(logPath());
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    // The text after the time stamps of each line that holds part.
    std::vector<std::string> linesWith(const std::string& part) const {
        std::vector<std::string> out;
        for (const std::string& l : logLines())
            if (l.find(part) != std::string::npos) out.push_back(l);
        return out;
    }
    // The host calls of a whole short visit with the given settings file, as the trace shows them.
    std::string visitTrace(const std::string& ini) {
        writeIni(ini);
        load();
        gHost.markWaits = true;
        host::runFor(3 * kHourMs);
        std::string trace = host::orderedTraceText();
        host::hostReset();
        return trace;
    }
};

// Index of the first line holding part, or -1.
long indexOf(const std::vector<std::string>& lines, const std::string& part) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(part) != std::string::npos) return static_cast<long>(i);
    return -1;
}

TEST_F(LogTest, AVisitHeldBackThenComingAndGoingIsToldInOrderWithNoLineOnQuietPasses) {
    writeIni("[Settings]\nvisitCooldown=1\nvisitDuration=1\nlog=1\n");
    gHost.world.missionActive = true;
    gHost.world.completedMissions.clear();
    load();
    ASSERT_TRUE(runUntilReady());
    host::runFor(60000);  // many passes held back by the mission
    gHost.world.missionActive = false;
    host::runFor(60000);  // now by the story
    host::Entity* player = host::findEntity(gHost.world, gHost.world.playerPed);
    const tw::Vec3 home = player->pos;
    player->pos = {home.x + 300.0f, home.y, home.z};
    gHost.world.completedMissions.push_back(host::nameHash("FIN2"));
    host::runFor(60000);  // now by the distance
    player->pos = home;
    ASSERT_TRUE(host::runUntil([] { return twtest::anyVisitorPresent(); }, 60000));
    ASSERT_TRUE(host::runUntil([] { return !twtest::anyVisitorPresent(); }, kHourMs + 400000));
    host::runFor(60000);

    const std::vector<std::string> log = logLines();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(
        log[0].find(std::string("Tamberwick ") + tw::kVersion + " loaded (release build), commit " + TAMBERWICK_COMMIT),
        std::string::npos)
        << log[0];
    EXPECT_NE(log[1].find("settings: visitCooldown=1 visitDuration=1"), std::string::npos) << log[1];
    // Every line: local date and time, the game timer, the text.
    for (const std::string& l : log) EXPECT_EQ(l.substr(0, 11), "2026-01-01 ") << l;

    const std::vector<std::string> order = {"ranch is ready",
                                            "a story mission is running",
                                            "FIN2 is not completed",
                                            "m from the ranch",
                                            "arrives at",
                                            "visit started",
                                            "heads out to leave",
                                            "is removed",
                                            "visit ended; the next may start in 1 in-game hours (2 real minutes)",
                                            "the cooldown has 1.0 in-game hours to run"};
    long last = -1;
    for (const std::string& part : order) {
        const long at = indexOf(log, part);
        EXPECT_GT(at, last) << "\"" << part << "\" out of order or missing";
        last = std::max(last, at);
    }
    // Once each, however many passes each reason held.
    for (const char* reason : {"a story mission is running", "FIN2 is not completed", "m from the ranch"})
        EXPECT_EQ(linesWith(reason).size(), 1u) << reason;
    EXPECT_NE(indexOf(log, "the player is 300 m from the ranch"), -1);
}

TEST_F(LogTest, WithoutLogOneNothingIsWrittenAndTheHostCallsAreThoseOfALoggedRun) {
    const std::string logged = visitTrace("[Settings]\nvisitCooldown=1\nvisitDuration=1\nlog=1\n");
    ASSERT_TRUE(logExists());
    for (const char* ini :
         {"", "[Settings]\nvisitCooldown=1\nvisitDuration=1\n", "[Settings]\nvisitCooldown=1\nvisitDuration=1\nlog=0\n",
          "[Settings]\nvisitCooldown=1\nvisitDuration=1\nlog=yes\n",
          "[Settings]\nvisitCooldown=1\nvisitDuration=1\nlog=10\n"}) {
        std::filesystem::remove(logPath());
        const std::string trace = visitTrace(ini);
        EXPECT_FALSE(logExists()) << ini;
        if (*ini) {
            EXPECT_EQ(trace, logged) << ini;
        }
    }
}

TEST_F(LogTest, TheShippedSettingsFileKeepsTheLogOff) {
    std::ifstream in(std::filesystem::path(__FILE__).parent_path().parent_path() / "tamberwick.ini", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string shipped = text.str();
    const auto at = shipped.find("\nlog=0");
    ASSERT_NE(at, std::string::npos) << shipped;
    std::string on = shipped;
    on.replace(at, 6, "\nlog=1");
    const std::string logged = visitTrace(on);
    ASSERT_TRUE(logExists());
    std::filesystem::remove(logPath());
    EXPECT_EQ(visitTrace(shipped), logged);
    EXPECT_FALSE(logExists());
}

TEST_F(LogTest, AnUnwritableLogChangesNothingElse) {
    const std::string logged = visitTrace("[Settings]\nvisitCooldown=1\nvisitDuration=1\nlog=1\n");
    std::filesystem::remove(logPath());
    std::filesystem::create_directory(logPath());  // nothing can open it as a file
    EXPECT_EQ(visitTrace("[Settings]\nvisitCooldown=1\nvisitDuration=1\nlog=1\n"), logged);
    EXPECT_TRUE(std::filesystem::is_directory(logPath()));
}

TEST_F(LogTest, StopsAtOneMegabyteWithALastLineSayingSo) {
    tw::logEnabled = true;
    tw::logStart(false);
    const std::string filler(300, 'x');
    for (int i = 0; i < 5000; ++i) tw::logEvent("%d %s", i, filler.c_str());
    tw::logStop();
    tw::logEnabled = false;
    EXPECT_LE(std::filesystem::file_size(logPath()), tw::kLogLimitBytes);
    EXPECT_GT(std::filesystem::file_size(logPath()), tw::kLogLimitBytes - 400);
    const std::vector<std::string> log = logLines();
    EXPECT_NE(log.back().find("reached 1 MB and stops here"), std::string::npos) << log.back();
    EXPECT_EQ(linesWith("reached 1 MB").size(), 1u);
}

TEST_F(LogTest, ALineThatWouldLeaveNoRoomForTheLastLineIsNotWritten) {
    tw::logEnabled = true;
    tw::logStart(false);
    const auto size = [this] { return static_cast<std::size_t>(std::filesystem::file_size(logPath())); };
    const std::size_t before = size();
    tw::logEvent("%s", "");
    const std::size_t stamp = size() - before - 1;  // an empty line is its stamp and its line end
    const std::string filler(100, 'x');
    while (tw::kLogLimitBytes - size() > 300) tw::logEvent("%s", filler.c_str());

    // A line that would end 40 bytes short of 1 MB, too few for the closing line: the log
    // closes instead of writing it, and stays within 1 MB.
    const std::size_t room = tw::kLogLimitBytes - size();
    const std::string last(room - 40 - stamp - 1, 'y');
    tw::logEvent("%s", last.c_str());
    tw::logEvent("%s", "one more");
    tw::logStop();
    tw::logEnabled = false;
    EXPECT_LE(size(), tw::kLogLimitBytes);
    const std::vector<std::string> log = logLines();
    EXPECT_NE(log.back().find("reached 1 MB and stops here"), std::string::npos) << log.back();
    EXPECT_TRUE(linesWith(last).empty());
}

// ---- what the lines say ----

// The game timer a line carries, or -1.
int32_t gameTimeOf(const std::string& line) {
    const auto at = line.find("| game ");
    return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + 7);
}

TEST_F(LogTest, ALoadStartsTheLogAfreshAndEachLineCarriesTheTimerLastRead) {
    writeIni("[Settings]\nlog=1\n");
    std::ofstream(logPath()) << "a line of the last game session\n";
    load();
    ASSERT_TRUE(runUntilReady());
    const std::vector<std::string> log = logLines();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log[0].find("loaded (release build)"), std::string::npos) << log[0];
    EXPECT_TRUE(linesWith("last game session").empty());
    const std::vector<std::string> ready = linesWith("the ranch is ready");
    ASSERT_EQ(ready.size(), 1u);
    const int32_t stamped = gameTimeOf(ready[0]);
    EXPECT_GT(stamped, 0) << ready[0];
    bool read = false;
    for (const host::Call* c : host::callsOf(tw::Op::gameGetTimer))
        read = read || static_cast<int32_t>(c->result[0]) == stamped;
    EXPECT_TRUE(read) << "no timer reading gave " << stamped;
}

TEST_F(LogTest, ASettingOutOfRangeIsToldWithTheValueReadAndTheValueTaken) {
    writeIni("[Settings]\nvisitCooldown=-99999\nvisitDuration=99999\nlog=1\n");
    load();
    ASSERT_TRUE(runUntilReady());
    const std::string cooldown =
        "settings: visitCooldown -99999 is out of range and was taken as -" + std::to_string(tw::kMaxCooldownHours);
    const std::string duration =
        "settings: visitDuration 99999 is out of range and was taken as " + std::to_string(tw::kMaxDurationHours);
    EXPECT_EQ(linesWith(cooldown).size(), 1u) << cooldown;
    EXPECT_EQ(linesWith(duration).size(), 1u) << duration;
}

TEST_F(LogTest, TheLogCountsTheActivitySpotsTheGameRefused) {
    writeIni("[Settings]\nlog=1\n");
    auto refused = std::make_shared<int>(0);
    overrideOf(tw::Op::scenarioPointCreate) = [refused](host::Call& c, host::World&) {
        if (c.args[6] != 0 || *refused == 3) return false;  // the first three activity spots, no sleep point
        ++*refused;
        c.result[0] = 0;
        return true;
    };
    load();
    ASSERT_TRUE(runUntilReady());
    EXPECT_EQ(linesWith("the game refused 3 of the 8 activity spots; the visitors use the others").size(), 1u);
}

// Sadie cannot be made, her horse's model is unknown and Charles's never loads: Charles comes
// alone, on foot, and the time limit removes him. Every line names the one it is about.
TEST_F(LogTest, TheLogNamesWhoCameWhichModelFailedAndWhoLeft) {
    writeIni("[Settings]\nlog=1\n");
    twtest::forceVisitType(0);
    gHost.world.models[host::nameHash("cs_mrsadler")].neverCreated = true;
    host::setModel(gHost.world, "a_c_horse_gang_sadie_endlesssummer", false, 200);
    host::setModel(gHost.world, "a_c_horse_gang_charles_endlesssummer", true, -1);
    load(true);
    ASSERT_TRUE(host::runUntil([] { return !twtest::pluginEntities("cs_charlessmith").empty(); }, 60000));
    host::runFor(5000);
    ASSERT_TRUE(twtest::pressUntil(tw::kKeyI, [this] { return !linesWith("heads out to leave").empty(); }));
    gHost.traceEnabled = false;
    ASSERT_TRUE(host::runUntil([] { return twtest::pluginEntities("cs_charlessmith").empty(); }, 400000));
    for (const char* line : {"the game refused to create cs_mrsadler (Sadie)",
                             "the game does not know the model a_c_horse_gang_sadie_endlesssummer (Sadie's horse)",
                             "the model a_c_horse_gang_charles_endlesssummer (Charles's horse) did not load within "
                             "5000 ms",
                             "visit started: Charles", "Charles heads out to leave",
                             "Charles is removed where it stands: 300 s after heading out it had not got away"})
        EXPECT_EQ(linesWith(line).size(), 1u) << line;
    EXPECT_TRUE(linesWith("Sadie arrives").empty());
}

// A reason is told when it changes; a visit in between, even one forced with F2, makes the
// same reason new again.
TEST_F(LogTest, AReasonHeldBeforeAForcedVisitIsToldAgainAfterIt) {
    writeIni("[Settings]\nvisitCooldown=0\nlog=1\n");
    gHost.world.missionActive = true;
    load(true);
    ASSERT_TRUE(runUntilReady());
    host::runFor(5000);
    ASSERT_EQ(linesWith("a story mission is running").size(), 1u);
    ASSERT_TRUE(twtest::pressUntil(
        tw::kKeyF2, [] { return twtest::anyVisitorPresent(); }, 30000));
    host::runFor(5000);
    ASSERT_TRUE(twtest::pressUntil(tw::kKeyF3, [] { return !twtest::anyVisitorPresent(); }));
    host::runFor(5000);
    EXPECT_EQ(linesWith("a story mission is running").size(), 2u);
}

// F4 starts a cooldown of three hours; an hour on, F2 brings nobody and the hour's retry holds;
// when it is over the cooldown holds again with about one hour left.
TEST_F(LogTest, ACooldownToldAgainLateGivesTheHoursStillToRun) {
    writeIni("[Settings]\nvisitCooldown=3\nlog=1\n");
    gHost.world.missionActive = true;
    load(true);
    ASSERT_TRUE(runUntilReady());
    ASSERT_TRUE(twtest::pressUntil(tw::kKeyF4, [this] { return !linesWith("the cooldown has").empty(); }));
    gHost.traceEnabled = false;
    host::runFor(kHourMs);
    gHost.world.faults.refusePeds = true;
    ASSERT_TRUE(twtest::pressUntil(tw::kKeyF2, [this] { return !linesWith("the last start brought").empty(); }));
    ASSERT_EQ(linesWith("no visit yet: the last start brought nobody").size(), 1u);
    host::runFor(kHourMs);
    const std::vector<std::string> lines = linesWith("no visit yet: the cooldown has ");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("the cooldown has 3.0 in-game hours to run"), std::string::npos) << lines[0];
    const std::string& late = lines[1];
    const double left = std::atof(late.c_str() + late.find("the cooldown has ") + 17);
    EXPECT_GT(left, 0.8) << late;
    EXPECT_LT(left, 1.1) << late;
}

// ---- one running copy per game ----

TEST_F(LogTest, ASecondCopyRegistersNothingAndSaysSoInTheLog) {
    writeIni("[Settings]\nlog=1\n");
    std::ofstream(logPath()) << "the running copy's log\n";
    gHost.copyRunning = true;  // another copy of the plug-in holds this process
    load();
    EXPECT_EQ(gHost.registerCalls, 0);
    EXPECT_EQ(gHost.keyboardRegisterCalls, 0);
    host::runFor(10000);
    EXPECT_EQ(host::countOf(tw::Op::gameGetTimer), 0u);  // no script runs
    const std::vector<std::string> log = logLines();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "the running copy's log");  // added to, not started afresh
    EXPECT_NE(log[1].find("already runs in this game; this copy stays idle"), std::string::npos);
    host::unloadPlugin();
    EXPECT_EQ(gHost.idleCopies, 0);
    EXPECT_TRUE(gHost.copyRunning);  // the running copy's claim is not the idle copy's to give back
}

TEST_F(LogTest, AnIdleCopyWithoutLogOneWritesNothing) {
    for (const char* ini : {"", "[Settings]\nlog=0\n"}) {
        host::hostReset();
        writeIni(ini);
        gHost.copyRunning = true;
        load();
        host::runFor(5000);
        EXPECT_FALSE(logExists()) << ini;
    }
}

TEST_F(LogTest, TheRunningCopyTellsOfAnIdleOneAndGivesItsClaimBackAtUnload) {
    writeIni("[Settings]\nlog=1\n");
    gHost.idleCopies = 1;
    load();
    EXPECT_EQ(gHost.registerCalls, 1);
    ASSERT_TRUE(runUntilReady());
    EXPECT_EQ(linesWith("another copy of Tamberwick is loaded in this game too and stays idle").size(), 1u);
    host::unloadPlugin();
    EXPECT_FALSE(gHost.copyRunning);
}

}  // namespace
