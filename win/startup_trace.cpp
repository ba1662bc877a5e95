#include "startup_trace.h"

#include <vector>

#include "host_driver.h"
#include "wine_checks.h"

namespace win {

void writeAndCompareStartupTrace(const std::string& tracePath, const std::string& expectPath) {
    if (tracePath.empty() && expectPath.empty()) return;
    if (!twhFirstReadyPassDone()) {
        check(false, "the start-up trace reaches the first ready pass");
        return;
    }
    const std::string path = tracePath.empty() ? "startup_trace.txt" : tracePath;
    check(twhWriteStartupTrace(path.c_str()), "wrote the start-up trace to " + path);
    if (expectPath.empty()) return;
    const std::vector<std::string> got = fileLines(readFile(path.c_str()));
    const std::vector<std::string> want = fileLines(readFile(expectPath.c_str()));
    if (want.empty()) {
        check(false, "read the expected start-up trace " + expectPath);
        return;
    }
    std::size_t same = 0;
    while (same < got.size() && same < want.size() && got[same] == want[same]) ++same;
    if (same < got.size() || same < want.size()) {
        note("first difference at line " + std::to_string(same + 1));
        note("  expected: " + (same < want.size() ? want[same] : std::string("(end of file)")));
        note("  this run: " + (same < got.size() ? got[same] : std::string("(end of trace)")));
    }
    check(same == got.size() && same == want.size(), "the start-up trace, " + std::to_string(got.size()) +
                                                         " lines, matches " + expectPath + " (" +
                                                         std::to_string(want.size()) + " lines) call for call");
}

}  // namespace win
