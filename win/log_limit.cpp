// The log's 1 MB limit under Windows (or Wine), where the Linux tests cannot look: the C runtime
// there turns each "\n" of a file opened in text mode into "\r\n", and a count of the bytes
// handed to it would fall short of the file.
//
//   log-limit <plugin.asi>
//
// Runs in a folder whose tamberwick.ini sets log=1 and visitCooldown=0. The reason no visit
// starts changes on every pass (a mission running, then FIN2 not completed, and again), so
// each pass writes one line, until the log says it has reached 1 MB. Then tamberwick.log must
// be at most 1 MB (1,048,576 bytes) and short of it by less than one line, every line must end
// in exactly "\r\n", the first must name this build's version and commit, and the last must say
// why nothing follows. Exit status 0 when every check held.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "frame/plugin_log.h"
#include "host_driver.h"
#include "tamberwick_commit.h"

namespace {

constexpr long kLimit = static_cast<long>(tw::kLogLimitBytes);
constexpr long kLongestLine = static_cast<long>(tw::kLogLineBytes) - 1;  // line end included
constexpr int kMaxPasses = 200000;                                       // some 18 times the passes 1 MB takes
const char kClosing[] = "the log has reached 1 MB and stops here\r\n";

int failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++failures;
}

std::string readLog() {
    std::ifstream in("tamberwick.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool endsWith(const std::string& text, const char* tail) {
    const std::size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <plugin.asi>\n", argv[0]);
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    DeleteFileA("tamberwick.log");
    twhReset();
    char error[512] = "";
    if (!twhLoad(argv[1], error, sizeof error)) {
        std::printf("FAIL: cannot load %s: %s\n", argv[1], error);
        return 1;
    }

    // Each pass asks whether a mission runs; the answer changes for the next one.
    std::string log;
    bool mission = true;
    int passes = 0;
    int64_t asked = twhCallCount("missionIsActive");
    for (int frame = 0; frame < 4 * kMaxPasses && passes < kMaxPasses; ++frame) {
        twhSetMissionActive(mission);
        twhSetStoryDone(false);
        twhRunFrame();
        const int64_t now = twhCallCount("missionIsActive");
        if (now == asked) continue;
        asked = now;
        mission = !mission;
        if (++passes % 5000 == 0) {
            log = readLog();
            if (endsWith(log, kClosing)) break;
        }
    }
    twhUnload();
    log = readLog();

    long lines = 0, bareNewlines = 0, strayReturns = 0;
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i] == '\n') {
            ++lines;
            if (i == 0 || log[i - 1] != '\r') ++bareNewlines;
        } else if (log[i] == '\r' && (i + 1 == log.size() || log[i + 1] != '\n')) {
            ++strayReturns;
        }
    }
    const long size = static_cast<long>(log.size());
    std::printf("note: %d passes wrote %ld bytes in %ld lines\n", passes, size, lines);
    check(endsWith(log, kClosing), "the last line says the log has reached 1 MB and stops");
    check(log.find("the log has reached 1 MB") == log.rfind("the log has reached 1 MB"), "and only the last");
    check(size <= kLimit, "the file is at most 1 MB (" + std::to_string(size) + " of " + std::to_string(kLimit) + ")");
    check(size > kLimit - kLongestLine, "and short of it by less than one line");
    check(bareNewlines == 0 && strayReturns == 0, "every line ends in \"\\r\\n\" (" + std::to_string(bareNewlines) +
                                                      " bare \"\\n\", " + std::to_string(strayReturns) +
                                                      " stray \"\\r\")");
    const std::string first = log.substr(0, log.find('\n'));
    check(first.find(std::string("loaded (release build), commit ") + TAMBERWICK_COMMIT + "\r") != std::string::npos,
          "the first line names the commit " TAMBERWICK_COMMIT ": " + first.substr(0, first.size() - 1));
    for (uint32_t i = 0; i < twhErrorCount(); ++i) std::printf("FAIL: host error: %s\n", twhError(i));
    if (twhErrorCount() > 0) ++failures;
    std::printf("log-limit: %d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}
