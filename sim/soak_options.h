// The soak's command line, one table for both programs that run it: `tamberwick-sim soak` (the
// plug-in module in this process's host substitute) and `tamberwick-host soak` (the shipped DLL
// under Wine, behind the stand-in host library). Both parse their options from kSoakOptions and
// print their usage from it. The standard library only: it builds for both.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "soak.h"

namespace sim {

// The program whose command line it is.
enum class SoakProgram : uint8_t {
    Sim,       // tamberwick-sim soak, Linux
    WineHost,  // tamberwick-host soak, under Wine
};

// The options' fields in SoakOptions.
enum class SoakField : uint8_t { Dll, Seeds, FirstSeed, Days, FrameMs, PassLimitMs, Jobs, Verbose };

enum class SoakOfferedBy : uint8_t { Both, SimOnly, WineHostOnly };

struct SoakOptionRow {
    SoakField field;
    const char* name;   // "--seeds"
    const char* alias;  // another spelling, or nullptr
    const char* value;  // the value's name in the usage; nullptr: a flag, which takes none
    const char* help;   // what it sets; the usage adds the range and the default
    int64_t lo, hi;     // the whole numbers it takes (number options)
    SoakOfferedBy offeredBy;
    bool required;  // the program that offers it runs nothing without it
    bool replayed;  // a failing seed's replay line repeats it when it is not the default
};

// Defaults are SoakOptions' own (soak.h).
inline constexpr SoakOptionRow kSoakOptions[] = {
    {SoakField::Dll, "--dll", nullptr, "PATH",
     "the plug-in library, loaded for every seed; its version resource tells the developer build (hotkeys are "
     "pressed) from the release build",
     0, 0, SoakOfferedBy::WineHostOnly, true, true},
    {SoakField::Seeds, "--seeds", nullptr, "N", "number of seeds", 1, 1000000, SoakOfferedBy::Both, false, false},
    {SoakField::FirstSeed, "--first-seed", nullptr, "S", "first seed; the seeds are S, S + 1, ... S + N - 1", 0,
     INT64_MAX, SoakOfferedBy::Both, false, false},
    {SoakField::Days, "--days", nullptr, "D", "in-game days per seed", 1, 60, SoakOfferedBy::Both, false, false},
    {SoakField::FrameMs, "--frame-ms", nullptr, "F", "game time per frame, ms", 10, 1000, SoakOfferedBy::Both, false,
     false},
    {SoakField::PassLimitMs, "--pass-limit-ms", nullptr, "L",
     "longest pass of the main loop the checker allows, ms; a smaller one than the real limit shows how a "
     "violation is reported",
     1, INT32_MAX, SoakOfferedBy::Both, false, true},
    // Linux only: under Wine the seeds run inside the stand-in host library, where the host's
    // state lives, so one process runs them all.
    {SoakField::Jobs, "--jobs", nullptr, "J", "seeds run side by side in child processes", 1, 64,
     SoakOfferedBy::SimOnly, false, false},
    {SoakField::Verbose, "--verbose", "-v", nullptr, "one line per seed", 0, 1, SoakOfferedBy::Both, false, false},
};

// Whether program offers the option.
bool offers(SoakProgram program, const SoakOptionRow& row);

// What a soak command line asked for.
struct SoakArgs {
    SoakOptions options;
    bool help = false;  // --help: print the usage and run nothing
    std::string error;  // why the command line was refused; empty when it was taken
};

// Parses the words after "soak"; "--name value" and "--name=value" alike.
SoakArgs parseSoakArgs(std::span<const std::string> words, SoakProgram program);

// The usage, from the table: the options program offers, each with its range and default.
void printSoakUsage(std::FILE* out, SoakProgram program, const std::string& self);

// A word as a POSIX shell takes it: as it is when it holds only plain characters, else quoted.
std::string shellWord(const std::string& text);

// What runs this soak again, for a failing seed's replay line: self, "soak" and the options the
// table marks as replayed that differ from their defaults. The report adds the seed's own.
std::string soakCommand(const std::string& self, const SoakOptions& o, SoakProgram program);

}  // namespace sim
