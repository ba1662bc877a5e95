// The simulator as mod developers run it: whole runs of tamberwick-sim over small scenarios,
// checked on what it prints, the files it writes and its exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tamberwick_version.h"

namespace {

namespace fs = std::filesystem;

#ifndef TAMBERWICK_SIM_BINARY
#define TAMBERWICK_SIM_BINARY "tamberwick-sim"
#endif
#ifndef TAMBERWICK_SCENARIO_DIR
#define TAMBERWICK_SCENARIO_DIR "sim/scenarios"
#endif

struct SimRun {
    int status = -1;
    std::string out, err;
};

struct SimCli : ::testing::Test {
    fs::path dir;

    void SetUp() override {
        char tmpl[] = "/tmp/tamberwick-simtest-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    std::string write(const std::string& name, const std::string& text) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }

    static std::string slurp(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    SimRun sim(const std::string& args) {
        const fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
        const std::string cmd = std::string("'") + TAMBERWICK_SIM_BINARY + "' " + args + " >'" + out.string() +
                                "' 2>'" + err.string() + "'";
        const int raw = std::system(cmd.c_str());
        SimRun r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The time stamp of the first timeline line holding part, or "" when there is none.
std::string whenFirst(const std::string& text, const std::string& part) {
    const auto at = text.find(part);
    if (at == std::string::npos) return "";
    const auto lineStart = text.rfind('\n', at);
    return text.substr(lineStart == std::string::npos ? 0 : lineStart + 1, 14);
}

// ---- version ----------------------------------------------------------------------------

TEST_F(SimCli, VersionFlagPrintsTheProjectVersionAndExitsZero) {
    EXPECT_STREQ(tw::kVersion, TAMBERWICK_PROJECT_VERSION) << "tamberwick_version.h is generated from project()";
    const SimRun r = sim("--version");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "tamberwick-sim " TAMBERWICK_PROJECT_VERSION "\n");
    EXPECT_EQ(r.err, "");

    const SimRun help = sim("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(has(help.out, "--version")) << help.out;
}

// ---- a whole visit ----------------------------------------------------------------------

TEST_F(SimCli, DefaultRunShowsOneWholeVisitAndLeavesNothingBehind) {
    const SimRun r = sim("--no-timing");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_TRUE(has(r.out, "visit 1 begins"));
    EXPECT_TRUE(has(r.out, "arrives near arrival point"));
    EXPECT_TRUE(has(r.out, "lies down on Bedroll"));
    EXPECT_TRUE(has(r.out, "says HEADING_OUT"));
    EXPECT_TRUE(has(r.out, "rides away"));
    EXPECT_TRUE(has(r.out, "visit 1 ended; next possible at"));
    EXPECT_TRUE(has(r.out, "  leaks             0\n"));
    EXPECT_TRUE(has(r.out, "  host errors       0\n"));
    EXPECT_FALSE(has(r.out, "speed"));
}

// ---- when visits may start --------------------------------------------------------------

TEST_F(SimCli, DeveloperKeyForcesAVisitTheRulesWouldRefuse) {
    // FIN2 not complete: no visit starts by itself, F2 starts one at once.
    const std::string base =
        R"({"completedMissions": [], "debugMode": %s, "hours": 1, "keys": [{"t": 0.25, "key": "F2"}]})";
    char text[256];
    std::snprintf(text, sizeof text, base.c_str(), "true");
    const SimRun dev = sim(write("dev.json", text) + " --no-timing");
    ASSERT_EQ(dev.status, 0) << dev.err << dev.out;
    EXPECT_TRUE(has(dev.out, "key F2 is pressed"));
    EXPECT_TRUE(has(dev.out, "visit 1 begins"));
    EXPECT_LE(whenFirst(dev.out, "key F2 is pressed"), whenFirst(dev.out, "visit 1 begins"));

    std::snprintf(text, sizeof text, base.c_str(), "false");
    const SimRun release = sim(write("release.json", text) + " --no-timing");
    ASSERT_EQ(release.status, 0) << release.err << release.out;
    EXPECT_TRUE(has(release.out, "key F2 is pressed"));
    EXPECT_FALSE(has(release.out, "visit 1 begins")) << "the release build ignores the developer keys";
}

TEST_F(SimCli, RunningMissionHoldsTheVisitBackUntilItEnds) {
    const SimRun r =
        sim(write("mission.json",
                  R"({"hours": 5, "missionActive": [{"t": 0, "active": true}, {"t": 3, "active": false}]})") +
            " --no-timing");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    ASSERT_TRUE(has(r.out, "visit 1 begins")) << r.out;
    EXPECT_GE(whenFirst(r.out, "visit 1 begins"), "Day 1 11:00:00");
}

TEST_F(SimCli, PlayerFarFromTheRanchGetsNoVisitUntilBack) {
    const SimRun away = sim(
        write("away.json", R"({"hours": 4, "player": {"waypoints": [{"t": 0, "x": -1400, "y": -1380, "z": 83}]}})") +
        " --no-timing");
    ASSERT_EQ(away.status, 0) << away.err << away.out;
    EXPECT_TRUE(has(away.out, "  visits            0 (0 ended)\n")) << away.out;

    const SimRun back = sim(write("back.json", R"({"hours": 6, "player": {"waypoints": [
        {"t": 0, "x": -1400, "y": -1380, "z": 83}, {"t": 2, "x": -1400, "y": -1380, "z": 83}, {"t": 4, "x": -1642, "y": -1380, "z": 83}]}})") +
                            " --no-timing");
    ASSERT_EQ(back.status, 0) << back.err << back.out;
    ASSERT_TRUE(has(back.out, "visit 1 begins")) << back.out;
    EXPECT_GE(whenFirst(back.out, "visit 1 begins"), "Day 1 11:00:00");
}

// ---- faults -----------------------------------------------------------------------------

TEST_F(SimCli, VisitorsWhoseModelsNeverLoadBringNoVisitAndTheStartIsTriedAgainHourly) {
    const SimRun r = sim(
        write("noload.json", R"({"hours": 2.5, "faults": {"modelsNeverLoad": ["cs_mrsadler", "cs_charlessmith"]}})") +
        " --no-timing");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_TRUE(has(r.out, "did not load in time, it stays away"));
    EXPECT_FALSE(has(r.out, "arrives near arrival point"));
    EXPECT_TRUE(has(r.out, "visit 1 did not come about: nobody arrived; the start is tried again from"));
    EXPECT_TRUE(has(r.out, "visit 3 did not come about"));  // an hour apart, not a cooldown
    EXPECT_FALSE(has(r.out, "ended; next possible"));
    EXPECT_TRUE(has(r.out, "  leaks             0\n"));
}

TEST_F(SimCli, VisitorRemovedByTheWorldIsNoticedAndTheVisitStillEnds) {
    const SimRun r = sim(write("gone.json", R"({"hours": 3, "faults": {"deleteEntities": [
        {"t": 1, "who": "sadie"}, {"t": 1, "who": "charles"}]}})") +
                         " --no-timing");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_TRUE(has(r.out, "the world removes"));
    EXPECT_TRUE(has(r.out, "visit 1 ended"));
    EXPECT_TRUE(has(r.out, "  leaks             0\n"));
}

// Starts that bring nobody, a night spent held on the way to bed, and a send-off at night.
TEST_F(SimCli, NightsAndFailedStartsScenarioShowsNobodyInNightclothesOutOfBed) {
    const SimRun r = sim(std::string("'") + TAMBERWICK_SCENARIO_DIR +
                         "/nights-and-failed-starts.json' --no-timing --report '" + (dir / "report").string() + "'");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    // The visitors' models load only from 21:30: two starts bring nobody, an hour apart, then both come.
    EXPECT_TRUE(has(r.out, "visit 1 did not come about: nobody arrived; the start is tried again from Day 1 21:"));
    EXPECT_EQ(whenFirst(r.out, "visit 3 begins").substr(0, 8), "Day 1 22");
    // Held by an obstacle on her way to bed all night, Sadie is in her day clothes at six.
    EXPECT_TRUE(has(r.out, "Day 2 06:00:00  Sadie changes into outfit 10\n"));
    // Bedtime is said once a night by each: no day activity cuts a walk to bed short.
    std::size_t bedtimes = 0;
    for (auto at = r.out.find("says TIME_FOR_BED"); at != std::string::npos;
         at = r.out.find("says TIME_FOR_BED", at + 1))
        ++bedtimes;
    EXPECT_EQ(bedtimes, 4u);
    // Sent away at one in the morning, from bed or from the way there, both leave in day clothes.
    EXPECT_TRUE(has(r.out, "Sadie changes into outfit 10\nDay 3 01:00:05  Sadie says HEADING_OUT"));
    EXPECT_TRUE(has(r.out, "Charles changes into outfit 14\nDay 3 01:00:09  Charles says HEADING_OUT"));
    EXPECT_TRUE(has(r.out, "  leaks             0\n"));
    EXPECT_TRUE(has(slurp(dir / "report" / "timeline.svg"), "sleeps on Bedroll"));
    EXPECT_TRUE(fs::exists(dir / "report" / "map.svg"));
    // The replay page holds the same story (the browser tests check what it shows).
    EXPECT_TRUE(has(slurp(dir / "report" / "replay.html"), "an obstacle holds sadie (fault)"));
}

TEST_F(SimCli, LogOptionShowsThePluginsLogAndTheReportKeepsItToo) {
    const fs::path ini = write("my.ini", "[Settings]\nvisitCooldown=1\nlog=0\n");
    const SimRun r = sim("--no-timing -q --hours 3 --ini '" + ini.string() + "' --log '" + (dir / "run.log").string() +
                         "' --report '" + (dir / "report").string() + "'");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    const std::string log = slurp(dir / "run.log");
    EXPECT_TRUE(has(log, "loaded (release build)")) << log;
    EXPECT_TRUE(has(log, "settings: visitCooldown=1 visitDuration=48")) << log;  // the log=0 gave way, the rest stands
    EXPECT_TRUE(has(log, "visit started"));
    EXPECT_EQ(slurp(dir / "report" / "tamberwick.log"), log);
    EXPECT_TRUE(has(r.out, "  log               "));
}

// ---- determinism ------------------------------------------------------------------------

TEST_F(SimCli, SameSeedGivesTheSameTimelineByteForByte) {
    const SimRun a = sim("--seed 7 --hours 30 --no-timing");
    const SimRun b = sim("--seed 7 --hours 30 --no-timing");
    const SimRun c = sim("--seed 8 --hours 30 --no-timing");
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_NE(a.out, c.out);
}

// ---- bad input --------------------------------------------------------------------------

TEST_F(SimCli, MalformedScenarioNamesFileFieldAndExpectationAndRunsNothing) {
    const std::string path = write("scenario.json", R"({"player": {"waypoints": [
        {"t": 0, "x": 1, "y": 2, "z": 3}, {"t": 1, "x": 1, "y": 2, "z": 3}, {"t": "noon", "x": 1, "y": 2, "z": 3}]}})");
    const SimRun r = sim(path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tamberwick-sim: " + path +
                         ": \"player.waypoints[2].t\": expected a number of in-game hours, 0 or more\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(SimCli, MisspeltFieldBrokenJsonAndUnknownKeyAreRefused) {
    const SimRun misspelt = sim(write("a.json", R"({"hourz": 3})"));
    EXPECT_EQ(misspelt.status, 2);
    EXPECT_TRUE(has(misspelt.err, "\"hourz\": expected no such field")) << misspelt.err;

    const SimRun broken = sim(write("b.json", "{\n\"hours\": 3,\n}"));
    EXPECT_EQ(broken.status, 2);
    EXPECT_TRUE(has(broken.err, "b.json: not valid JSON near line 3")) << broken.err;

    const SimRun key = sim(write("c.json", R"({"keys": [{"t": 1, "key": "F9"}]})"));
    EXPECT_EQ(key.status, 2);
    EXPECT_TRUE(has(key.err, "\"keys[0].key\": expected one of the developer keys")) << key.err;
    EXPECT_EQ(key.out, "");
}

// ---- outputs ----------------------------------------------------------------------------

TEST_F(SimCli, ReportPicturesAreValidXml) {
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
    const SimRun r = sim("--no-timing --hours 60 --report '" + (dir / "report").string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"map.svg", "timeline.svg"}) {
        const fs::path p = dir / "report" / name;
        ASSERT_TRUE(fs::exists(p)) << name;
        EXPECT_EQ(std::system(("xmllint --noout '" + p.string() + "'").c_str()), 0) << name;
    }
    const std::string map = slurp(dir / "report" / "map.svg");
    EXPECT_TRUE(has(map, "Sadie") || has(map, "Charles"));
    EXPECT_TRUE(has(slurp(dir / "report" / "timeline.svg"), "sleeps on Bedroll"));
}

TEST_F(SimCli, TraceHasOneJsonLinePerHostCall) {
    const fs::path trace = dir / "trace.jsonl";
    const SimRun r = sim("--no-timing --hours 0.2 --trace '" + trace.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(trace);
    std::string line;
    std::size_t lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        ASSERT_EQ(line.rfind("{\"t\":", 0), 0u) << line;
        ASSERT_EQ(line.back(), '}') << line;
    }
    EXPECT_GT(lines, 100u);
    EXPECT_TRUE(has(slurp(trace), R"("op":"miscGetHashKey","args":["cs_mrsadler"])"));
    EXPECT_TRUE(has(r.out, "  host calls        " + std::to_string(lines) + "\n")) << "one line per call";
}

TEST_F(SimCli, OverlayPrintsTheDeveloperTextsOfTheLastFrame) {
    const SimRun r = sim("--dev --overlay --no-timing --hours 0.5");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "Developer overlay, last frame:\n")) << r.out;
    EXPECT_TRUE(has(r.out, "Visit Active: ")) << r.out;

    const SimRun release = sim("--overlay --no-timing --hours 0.2");
    EXPECT_TRUE(has(release.out, "Developer overlay: nothing drawn")) << release.out;
}

}  // namespace
