// The start-up sequence, call for call, against tests/golden/startup_trace.txt: the host calls
// and the script's waits, in order, from the load up to the first ready pass of the main loop.
// The Windows build run under Wine (win.wine.startup_trace) is held to the same file, so the
// two builds agree on the whole start-up.
//
// To write the file afresh from this build: TAMBERWICK_WRITE_GOLDEN=1 tamberwick_tests
// --gtest_filter='StartUpTrace.*'
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace {

using host::gHost;

struct StartUpTrace : twtest::PluginTest {};

const std::filesystem::path kGolden = std::filesystem::path(__FILE__).parent_path() / "golden" / "startup_trace.txt";

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

TEST_F(StartUpTrace, MatchesTheGoldenFileUpToTheFirstReadyPass) {
    load();  // no tamberwick.ini in the working directory: the defaults
    gHost.markWaits = true;
    ASSERT_TRUE(runUntilReady());
    const long last = host::firstReadyPassWait();
    ASSERT_GE(last, 0);
    ASSERT_EQ(static_cast<std::size_t>(last) + 1, gHost.waitMarks.size()) << "the run went past the first ready pass";
    const std::string text = host::orderedTraceText(last);

    if (std::getenv("TAMBERWICK_WRITE_GOLDEN")) {
        std::ofstream(kGolden, std::ios::binary) << text;
        GTEST_SKIP() << "wrote " << kGolden;
    }

    std::ifstream in(kGolden, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read " << kGolden;
    std::ostringstream golden;
    golden << in.rdbuf();
    const std::vector<std::string> want = lines(golden.str());
    const std::vector<std::string> got = lines(text);
    ASSERT_FALSE(want.empty());
    for (std::size_t i = 0; i < want.size() && i < got.size(); ++i)
        ASSERT_EQ(got[i], want[i]) << "first difference at line " << i + 1 << " of " << kGolden;
    EXPECT_EQ(got.size(), want.size()) << "lines in this run and in " << kGolden;
    EXPECT_EQ(got.back(), want.back());
}

// The ordered trace puts every wait after the calls made before it.
TEST_F(StartUpTrace, WaitsFallBetweenTheCallsAroundThem) {
    load();
    gHost.markWaits = true;
    ASSERT_TRUE(runUntilReady());
    ASSERT_EQ(gHost.waitMarks.size(), gHost.waits.size());
    for (std::size_t i = 0; i < gHost.waitMarks.size(); ++i) {
        const auto& mark = gHost.waitMarks[i];
        EXPECT_EQ(mark.ms, gHost.waits[i]);
        if (mark.calls > 0) {
            EXPECT_LE(gHost.trace[mark.calls - 1].time, mark.time);
        }
        if (mark.calls < gHost.trace.size()) {
            EXPECT_GT(gHost.trace[mark.calls].time, mark.time);
        }
    }
    const std::vector<std::string> all = lines(host::orderedTraceText());
    EXPECT_EQ(all.size(), gHost.trace.size() + gHost.waits.size());
    EXPECT_EQ(all.back(), std::to_string(gHost.waitMarks.back().time) + " scriptWait(0)");
}

}  // namespace
