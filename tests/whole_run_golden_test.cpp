// Whole runs, call for call, against the folded traces in tests/golden/: the simulator's
// default scenario (one whole visit in 60 in-game hours) and sim/scenarios/everything.json
// (developer build, keys, faults, two visits). Every call that acts on the world is a line of
// its own; the reads between two of them are checked through their count and digest.
//
// To write the files afresh from this build and read what changed:
//   cmake --build --preset native --target update-golden && git diff tests/golden
// When only a "... reads" line changed, compare `tamberwick-sim --trace` of the two builds
// over that stretch of game time.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runner.h"
#include "scenario.h"

namespace {

namespace fs = std::filesystem;

const fs::path kGoldenDir = fs::path(__FILE__).parent_path() / "golden";

std::vector<std::string> linesOf(const fs::path& path) {
    std::vector<std::string> out;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// Runs the scenario with the folded trace written to a file and compares it with the golden
// one; TAMBERWICK_WRITE_GOLDEN=1 writes the golden file instead.
void checkAgainstGolden(const sim::Scenario& scenario, double hours, const std::string& goldenName) {
    const fs::path golden = kGoldenDir / goldenName;
    // One file per process: two builds' tests may run at once on one machine.
    const fs::path written = fs::temp_directory_path() / ("tamberwick-" + std::to_string(getpid()) + "-" + goldenName);
    sim::RunOptions options;
    options.pluginPath = scenario.debugMode ? TAMBERWICK_PLUGIN_DEV : TAMBERWICK_PLUGIN;
    options.hours = hours;
    options.foldedTracePath = std::getenv("TAMBERWICK_WRITE_GOLDEN") ? golden.string() : written.string();
    const sim::RunResult r = sim::runScenario(scenario, options);
    ASSERT_TRUE(r.loaded) << r.failure;
    ASSERT_EQ(r.failure, "");
    EXPECT_TRUE(r.hostErrors.empty()) << r.hostErrors.front();
    if (std::getenv("TAMBERWICK_WRITE_GOLDEN")) GTEST_SKIP() << "wrote " << golden;

    const std::vector<std::string> want = linesOf(golden), got = linesOf(written);
    fs::remove(written);
    fs::remove(written);
    ASSERT_FALSE(want.empty()) << "cannot read " << golden;
    std::size_t i = 0;
    while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
    if (i < want.size() || i < got.size()) {
        std::ostringstream context;  // the lines before the first difference, to place it in the run
        for (std::size_t k = i >= 3 ? i - 3 : 0; k < i; ++k) context << "    " << want[k] << '\n';
        ADD_FAILURE() << "first difference at line " << i + 1 << " of " << golden << ", after\n"
                      << context.str() << "golden: " << (i < want.size() ? want[i] : "(end of file)") << "\n"
                      << "this run: " << (i < got.size() ? got[i] : "(end of run)");
    }
}

TEST(WholeRunGolden, TheDefaultScenarioMakesTheSameCallsAsTheGoldenTrace) {
    checkAgainstGolden(sim::defaultScenario(), 60.0, "whole_run_default.txt");
}

TEST(WholeRunGolden, TheScenarioThatUsesEverythingMakesTheSameCallsAsTheGoldenTrace) {
    std::string error;
    const auto scenario = sim::loadScenario(std::string(TAMBERWICK_SCENARIO_DIR) + "/everything.json", error);
    ASSERT_TRUE(scenario) << error;
    ASSERT_TRUE(scenario->hours);
    checkAgainstGolden(*scenario, *scenario->hours, "whole_run_everything.txt");
}

}  // namespace
