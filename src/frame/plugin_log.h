// tamberwick.log: what the plug-in did and why no one came, for players who ask for it with
// log=1 in tamberwick.ini. Off by default; when off nothing is opened or written.
//
// Every line carries the local date and time and the game timer as the plug-in last read it:
// the log never asks the host for anything. Lines are formatted into a fixed buffer and
// flushed one by one, so nothing is allocated in steady state and a crash of the game keeps
// what was written. At kLogLimitBytes the log says so and stops; a file that cannot be
// written only ends the log, never the plug-in.
#pragma once

#include <cstddef>

namespace tw {

inline constexpr std::size_t kLogLimitBytes = 1024 * 1024;  // on disk, line ends included
inline constexpr std::size_t kLogLineBytes = 512;           // the line buffer: a line, its end included, is shorter
inline constexpr const char* kLogPath = "tamberwick.log";

extern bool logEnabled;  // log=1 in [Settings]; false at load

// Starts tamberwick.log afresh and writes the load line, once per load of the library: at a
// later start of the script (the game restarted it) the log keeps what it holds. Does nothing
// unless logEnabled.
void logStart(bool developerBuild);
// Whether logStart has run since the library was loaded.
bool logStarted();
// One line of text, printf-style. Does nothing when the log is off or stopped.
void logEvent(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Adds one line to whatever tamberwick.log holds, for a copy of the plug-in that does not run.
void logAppendOnce(const char* text);
// Closes the file; called when the library is unloaded.
void logStop();

}  // namespace tw
