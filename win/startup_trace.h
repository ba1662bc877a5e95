// The start-up trace under Wine: the host calls and script waits from the load to the end of
// the first ready pass, written to a file and compared line for line with the one the Linux
// build writes (tests/golden/startup_trace.txt).
#pragma once

#include <string>

namespace win {

// Writes the trace to tracePath ("startup_trace.txt" when only expectPath is given) and, with
// expectPath, compares it with that file; each step is a check. Nothing when both are empty.
// The waits must have been marked (twhMarkWaits) before the load.
void writeAndCompareStartupTrace(const std::string& tracePath, const std::string& expectPath);

}  // namespace win
