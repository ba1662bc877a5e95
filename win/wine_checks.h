// The Wine driver's checks: each prints one line, "ok" or "FAIL" and what it holds, and a failed
// one makes the run fail; and the small helpers over the stand-in host library that every
// scenario uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace win {

// Checks that failed so far.
int failures();
void check(bool ok, const std::string& what);
void note(const std::string& text);

// Loads the plug-in through the stand-in; a failure is a failed check.
bool load(const char* path);
// Unloads it; the host's unload checks held (twhUnload) or the check fails.
void unloadAndCheck();
// After a load: DllMain registered the script once; the start-up reaches the first ready pass
// within 60 s of game time with the waits the plug-in makes; the plug-in hashed its names.
void checkStartUp();

// Visitors and horses the plug-in made that are alive.
int32_t liveVisitors();
// For twhRunUntil: a visitor the plug-in made is alive; none of its visitors and horses is.
bool visitorCame();
bool visitorsGone();
// "N peds, M horses": the plug-in's that are alive.
std::string visitorsText();

// A whole file, or "" when it cannot be read.
std::string readFile(const char* path);
// Its lines, each without its "\n" or "\r\n".
std::vector<std::string> fileLines(const std::string& text);
// Index of the first line holding part at or after line from, or -1.
long lineWith(const std::vector<std::string>& lines, const char* part, long from = 0);

}  // namespace win
