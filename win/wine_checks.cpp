#include "wine_checks.h"

#include <cstdio>

#include "host_driver.h"

namespace win {

namespace {

int failed = 0;

}  // namespace

int failures() { return failed; }

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++failed;
}

void note(const std::string& text) { std::printf("note: %s\n", text.c_str()); }

bool load(const char* path) {
    char error[512] = "";
    if (!twhLoad(path, error, sizeof error)) {
        std::printf("FAIL: cannot load %s: %s\n", path, error);
        ++failed;
        return false;
    }
    return true;
}

void unloadAndCheck() {
    check(twhUnload(), "unload unregistered the script and the keyboard handler, and the library is gone");
}

void checkStartUp() {
    // What else the attach must do (the keyboard handler, the module) the host checks itself
    // (host::checkAttached) and reports as a host error.
    check(twhRegisterCalls() == 1, "DllMain registered the script once");
    check(twhRunUntilReady(60000), "start-up reached the first ready pass within 60 s of game time");
    check(twhWaitCount() > 0 && twhWait(0) == 2000, "the script's first wait is 2000 ms");
    std::string seq;
    for (uint32_t i = 0; i < twhWaitCount(); ++i)
        if (twhWait(i) != 0) seq += std::to_string(twhWait(i)) + " ";
    note("start-up waits: " + seq);
    check(twhCallCount("miscGetHashKey") > 0, "the plug-in hashed its identifiers through the host");
}

int32_t liveVisitors() { return twhLivePluginCount(0) + twhLivePluginCount(1); }
bool visitorCame() { return twhLivePluginCount(0) > 0; }
bool visitorsGone() { return liveVisitors() == 0; }

std::string visitorsText() {
    return std::to_string(twhLivePluginCount(0)) + " peds, " + std::to_string(twhLivePluginCount(1)) + " horses";
}

std::string readFile(const char* path) {
    std::string out;
    if (std::FILE* f = std::fopen(path, "rb")) {
        char buf[512];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

std::vector<std::string> fileLines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        start = end + 1;
    }
    return out;
}

long lineWith(const std::vector<std::string>& lines, const char* part, long from) {
    for (std::size_t i = static_cast<std::size_t>(from); i < lines.size(); ++i)
        if (lines[i].find(part) != std::string::npos) return static_cast<long>(i);
    return -1;
}

}  // namespace win
