#include "frame/plugin_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "frame/host_ops.h"
#include "frame/platform.h"
#include "tamberwick_commit.h"
#include "tamberwick_version.h"

namespace tw {

bool logEnabled = false;

namespace {

std::FILE* logFile = nullptr;
bool started = false;  // logStart ran since the library was loaded
std::size_t logBytes = 0;
char line[kLogLineBytes];  // one line at a time; long texts are cut

// Written in binary mode with the line end chosen here, so that the bytes counted are the bytes
// on disk (text mode on Windows would add a carriage return to every line behind the count's back).
#ifdef _WIN32
constexpr const char kLineEnd[] = "\r\n";
#else
constexpr const char kLineEnd[] = "\n";
#endif
constexpr std::size_t kLineEndLen = sizeof kLineEnd - 1;

// "2026-12-08 15:20:01 | game 123456 | " in front of every line.
int stamp(char* out, std::size_t size) {
    char when[32];
    platform::localTimeText(when, sizeof when);
    return std::snprintf(out, size, "%s | game %11d | ", when, static_cast<int>(lastTimerReading));
}

// Writes line[0..n) and flushes; any failure ends the log.
void put(std::size_t n) {
    if (std::fwrite(line, 1, n, logFile) != n || std::fflush(logFile) != 0) {
        std::fclose(logFile);
        logFile = nullptr;
        return;
    }
    logBytes += n;
}

constexpr const char kLimitText[] = "the log has reached 1 MB and stops here";
constexpr std::size_t kLimitLineLen = sizeof kLimitText - 1 + kLineEndLen;

}  // namespace

void logStart(bool developerBuild) {
    if (!logEnabled || started) return;
    started = true;
    logStop();
    // Emptied, then written in append mode so a line another copy of the plug-in adds is
    // never overwritten.
    std::FILE* fresh = std::fopen(kLogPath, "wb");
    if (!fresh) return;
    std::fclose(fresh);
    logFile = std::fopen(kLogPath, "ab");
    logBytes = 0;
    logEvent("Tamberwick %s loaded (%s build), commit %s", kVersion,
             developerBuild ? "developer: overlay and hotkeys on" : "release", TAMBERWICK_COMMIT);
}

bool logStarted() { return started; }

void logEvent(const char* format, ...) {
    if (!logFile) return;
    int n = stamp(line, sizeof line);
    if (n < 0) return;
    std::va_list args;
    va_start(args, format);
    const int m = std::vsnprintf(line + n, sizeof line - static_cast<std::size_t>(n), format, args);
    va_end(args);
    if (m < 0) return;
    std::size_t len = static_cast<std::size_t>(n) + static_cast<std::size_t>(m);
    if (len > sizeof line - 1 - kLineEndLen) len = sizeof line - 1 - kLineEndLen;  // cut, with room for the line end
    std::memcpy(line + len, kLineEnd, kLineEndLen);
    len += kLineEndLen;

    const std::size_t stampLen = static_cast<std::size_t>(n);
    if (logBytes + len + stampLen + kLimitLineLen > kLogLimitBytes) {
        // The last line says why nothing follows.
        std::snprintf(line + stampLen, sizeof line - stampLen, "%s%s", kLimitText, kLineEnd);
        put(stampLen + kLimitLineLen);
        logStop();
        return;
    }
    put(len);
}

void logAppendOnce(const char* text) {
    std::FILE* f = std::fopen(kLogPath, "ab");
    if (!f) return;
    const int n = stamp(line, sizeof line);
    if (n > 0) std::fprintf(f, "%s%s%s", line, text, kLineEnd);
    std::fclose(f);
}

void logStop() {
    if (logFile) std::fclose(logFile);
    logFile = nullptr;
}

}  // namespace tw
