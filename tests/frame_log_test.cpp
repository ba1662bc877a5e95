// tamberwick.log: written only with log=1, one line per event and none on quiet passes, the
// same host calls with or without it, a 1 MB limit, and one running copy per process.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/plugin_log.h"
#include "frame/settings.h"
#include "plugin_fixture.h"
#include "tamberwick_commit.h"
#include "tamberwick_version.h"
#include "visit_world_check.h"

namespace {

using host::gHost;

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
          "[Settings]\nvisitCooldown=1\nvisitDuration=1\nlog=yes\n"}) {
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
