// The soak's one command line: what both programs take from the table, what only one offers,
// the ranges and defaults, the usage, and the command a failing seed's replay line begins with.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "printed_text.h"
#include "soak_options.h"

namespace {

using sim::kSoakOptions;
using sim::parseSoakArgs;
using sim::SoakArgs;
using sim::SoakProgram;

SoakArgs parse(std::vector<std::string> words, SoakProgram program = SoakProgram::Sim) {
    return parseSoakArgs(words, program);
}

std::string usage(SoakProgram program) {
    return twtest::printedText([program](std::FILE* f) { sim::printSoakUsage(f, program, "prog"); });
}

// What CI, the Wine tests, the mutation run and the documents pass today.
TEST(SoakOptions, TheCommandLinesInUseAreTaken) {
    for (const auto& words : std::vector<std::vector<std::string>>{
             {"--seeds", "200", "--days", "10", "--jobs", "2"},
             {"--seeds", "16", "--days", "5", "--first-seed", "7000", "--jobs", "2"},
             {"--seeds", "4"},
             {"--seeds", "1", "--first-seed", "7000", "--days", "1", "--frame-ms", "100"}})
        EXPECT_EQ(parse(words).error, "") << words[0];
    for (const auto& words :
         std::vector<std::vector<std::string>>{{"--dll", "Z:/d/tamberwick.asi", "--seeds", "64", "--days", "3"},
                                               {"--dll", "Z:/d/tamberwick.asi", "--pass-limit-ms", "1000", "--seeds",
                                                "1", "--first-seed", "7000", "--days", "1", "--frame-ms", "100"},
                                               {"--dll", "Z:/d/tamberwick.asi", "--seeds", "200", "--days", "10"}})
        EXPECT_EQ(parse(words, SoakProgram::WineHost).error, "") << words[0];
    const SoakArgs a = parse({"--seeds", "16", "--days", "5", "--first-seed", "7000", "--jobs", "2", "-v"});
    EXPECT_EQ(a.options.seeds, 16);
    EXPECT_EQ(a.options.days, 5);
    EXPECT_EQ(a.options.firstSeed, 7000u);
    EXPECT_EQ(a.options.jobs, 2);
    EXPECT_TRUE(a.options.verbose);
}

TEST(SoakOptions, NothingGivenIsTheDefaultsOnBothSides) {
    const sim::SoakOptions defaults;
    for (const SoakArgs& a : {parse({}), parse({"--dll", "x.asi"}, SoakProgram::WineHost)}) {
        EXPECT_EQ(a.error, "");
        EXPECT_EQ(a.options.seeds, defaults.seeds);
        EXPECT_EQ(a.options.firstSeed, defaults.firstSeed);
        EXPECT_EQ(a.options.days, defaults.days);
        EXPECT_EQ(a.options.frameStepMs, defaults.frameStepMs);
        EXPECT_EQ(a.options.passLimitMs, defaults.passLimitMs);
        EXPECT_EQ(a.options.jobs, defaults.jobs);
        EXPECT_FALSE(a.options.verbose);
    }
    EXPECT_EQ(defaults.seeds, 16);
    EXPECT_EQ(parse({"--dll", "x.asi"}, SoakProgram::WineHost).options.pluginPath, "x.asi");
}

// Each number option takes both ends of its range and nothing past them, in either spelling.
TEST(SoakOptions, EveryNumberTakesItsRangeAndNothingElse) {
    for (const auto& row : kSoakOptions) {
        if (!row.value || row.field == sim::SoakField::Dll) continue;
        const SoakProgram p = sim::offers(SoakProgram::Sim, row) ? SoakProgram::Sim : SoakProgram::WineHost;
        const std::vector<std::string> dll =
            p == SoakProgram::WineHost ? std::vector<std::string>{"--dll", "x"} : std::vector<std::string>{};
        auto with = [&](std::vector<std::string> words) {
            words.insert(words.end(), dll.begin(), dll.end());
            return parse(words, p).error;
        };
        EXPECT_EQ(with({row.name, std::to_string(row.lo)}), "") << row.name;
        EXPECT_EQ(with({std::string(row.name) + "=" + std::to_string(row.hi)}), "") << row.name;
        if (row.lo > 0) {
            EXPECT_NE(with({row.name, std::to_string(row.lo - 1)}), "") << row.name;
        }
        EXPECT_NE(with({row.name, std::to_string(static_cast<uint64_t>(row.hi) + 1)}), "") << row.name;
        EXPECT_NE(with({row.name, "-1"}), "") << row.name;
        EXPECT_NE(with({row.name, "12x"}), "") << row.name;
        EXPECT_NE(with({row.name, ""}), "") << row.name;
        EXPECT_NE(with({row.name}), "") << row.name;
    }
    EXPECT_EQ(parse({"--frame-ms", "1000"}).options.frameStepMs, 1000);
    EXPECT_EQ(parse({"--frame-ms", "9"}).error, "--frame-ms 9: not a whole number from 10 to 1000");
}

TEST(SoakOptions, WhatOnlyOneProgramOffersTheOtherRefusesByName) {
    EXPECT_EQ(parse({"--dll", "x.asi"}).error, "--dll is an option of tamberwick-host soak only");
    EXPECT_EQ(parse({"--dll", "x.asi", "--jobs", "2"}, SoakProgram::WineHost).error,
              "--jobs is an option of tamberwick-sim soak only");
    EXPECT_EQ(parse({"--seeds", "2"}, SoakProgram::WineHost).error, "--dll is required");
    EXPECT_EQ(parse({"--no-such"}).error, "unknown option --no-such");
    EXPECT_EQ(parse({"seven"}).error, "unexpected argument seven");
    EXPECT_EQ(parse({"--verbose=1"}).error, "--verbose takes no value");
    EXPECT_NE(parse({"--seeds", "nine", "--help"}).error, "");  // the first fault is told
    EXPECT_TRUE(parse({"--help"}).help);
    EXPECT_TRUE(parse({"-h"}, SoakProgram::WineHost).help);
}

TEST(SoakOptions, TheUsageListsWhatEachProgramOffersWithRangeAndDefault) {
    const std::string sim = usage(SoakProgram::Sim), wine = usage(SoakProgram::WineHost);
    EXPECT_EQ(sim.rfind("usage: prog soak [--seeds N]", 0), 0u) << sim;
    EXPECT_EQ(wine.rfind("usage: prog soak --dll PATH [--seeds N]", 0), 0u) << wine;
    for (const auto& row : kSoakOptions) {
        EXPECT_EQ(sim.find(std::string("  ") + row.name) != std::string::npos, sim::offers(SoakProgram::Sim, row))
            << row.name;
        EXPECT_EQ(wine.find(std::string("  ") + row.name) != std::string::npos, sim::offers(SoakProgram::WineHost, row))
            << row.name;
    }
    EXPECT_NE(sim.find("(1 to 1000000; default 16)"), std::string::npos) << sim;
    EXPECT_NE(wine.find("(10 to 1000; default 100)"), std::string::npos) << wine;
    EXPECT_NE(wine.find("(1 or more; default 90000)"), std::string::npos) << wine;
}

// The replay line repeats what changes the run and is not the seed's own: the library, and a pass
// limit other than the real one.
TEST(SoakOptions, TheReplayCommandCarriesTheLibraryAndAPassLimitGiven) {
    sim::SoakOptions o;
    EXPECT_EQ(sim::soakCommand("tamberwick-sim", o, SoakProgram::Sim), "tamberwick-sim soak");
    o.passLimitMs = 1000;
    o.seeds = 5;
    EXPECT_EQ(sim::soakCommand("tamberwick-sim", o, SoakProgram::Sim), "tamberwick-sim soak --pass-limit-ms 1000");
    o.pluginPath = "Z:/a b/tamberwick.asi";
    EXPECT_EQ(sim::soakCommand("run.sh p host.exe", o, SoakProgram::WineHost),
              "run.sh p host.exe soak --dll 'Z:/a b/tamberwick.asi' --pass-limit-ms 1000");
    EXPECT_EQ(sim::shellWord("it's"), "'it'\\''s'");
    EXPECT_EQ(sim::shellWord("/plain/path-1.asi"), "/plain/path-1.asi");
}

}  // namespace
