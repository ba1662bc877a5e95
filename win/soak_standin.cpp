// `tamberwick-host soak` inside the stand-in host library: the command line, the seeds, faults,
// checks and report of `tamberwick-sim soak` (sim/soak_options.h, soak_share.cpp, soak_seed.cpp,
// soak_report.cpp), run here because the host's state lives in this library; the plug-in is
// loaded with the system loader and freed again for every seed. What is Windows' own is here:
// the library's full path, which build its version resource names, and the command that runs
// this program again.
#include <io.h>
#include <windows.h>
#include <winver.h>  // left out by WIN32_LEAN_AND_MEAN

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host_driver.h"
#include "soak.h"
#include "soak_options.h"

namespace {

std::string forwardSlashes(std::string s) {
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

// Whether the library's version resource marks it as the developer build; false with why in
// error when the resource cannot be read.
bool isDeveloperBuild(const std::string& path, bool& developer, std::string& error) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &len) || len < sizeof *info) {
        error = "cannot read the version resource of " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    developer = (info->dwFileFlags & info->dwFileFlagsMask & VS_FF_SPECIALBUILD) != 0;
    return true;
}

// This program as the command that runs it again: under Wine through win/wine_run.sh in the
// same prefix, so a failing seed's replay line can be pasted into the shell as it is.
std::string selfCommand() {
    char self[MAX_PATH * 2] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    using UnixName = char*(CDECL*)(const WCHAR*);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "wine_get_unix_file_name") : nullptr));
    const char* prefix = std::getenv("WINEPREFIX");
    if (!unixName || !prefix) return sim::shellWord(forwardSlashes(self));
    WCHAR wide[MAX_PATH * 2];
    if (!MultiByteToWideChar(CP_ACP, 0, self, -1, wide, MAX_PATH * 2)) return sim::shellWord(forwardSlashes(self));
    char* unixPath = unixName(wide);
    if (!unixPath) return sim::shellWord(forwardSlashes(self));
    std::string command = sim::shellWord(TAMBERWICK_WINE_RUN) + " " + sim::shellWord(prefix) + " " +
                          sim::shellWord(forwardSlashes(unixPath));
    HeapFree(GetProcessHeap(), 0, unixPath);
    return command;
}

// The library as the command line names it, made whole: its full path (the seeds run in a
// scratch directory) and its build; false with why in error.
bool resolvePlugin(sim::SoakOptions& o, std::string& error) {
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(o.pluginPath.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) {
        error = "cannot resolve " + o.pluginPath;
        return false;
    }
    o.pluginPath = forwardSlashes(full);  // as the replay line has it; LoadLibrary takes either
    bool developer = false;
    if (!isDeveloperBuild(o.pluginPath, developer, error)) return false;
    o.build = developer ? sim::SoakBuild::Developer : sim::SoakBuild::Release;
    o.title = "Soak under Windows of " + o.pluginPath.substr(o.pluginPath.find_last_of('/') + 1) + " (" +
              (developer ? "developer" : "release") + " build)";
    return true;
}

}  // namespace

extern "C" int32_t twhSoak(const char* self, int32_t count, const char* const* words) {
    const auto wallStart = std::chrono::steady_clock::now();
    const std::vector<std::string> args(words, words + std::max(count, 0));
    sim::SoakArgs parsed = sim::parseSoakArgs(args, sim::SoakProgram::WineHost);
    if (parsed.help) {
        sim::printSoakUsage(stdout, sim::SoakProgram::WineHost, self);
        return 0;
    }
    std::string error = parsed.error;
    if (error.empty()) resolvePlugin(parsed.options, error);
    if (!error.empty()) {
        std::fprintf(stderr, "tamberwick-host soak: %s\n", error.c_str());
        if (!parsed.error.empty()) sim::printSoakUsage(stderr, sim::SoakProgram::WineHost, self);
        return 2;
    }
    sim::SoakOptions& o = parsed.options;
    o.command = sim::soakCommand(selfCommand(), o, sim::SoakProgram::WineHost);
    std::vector<sim::SeedResult> results;
    const bool progress = _isatty(_fileno(stderr)) != 0;
    sim::runSeedShare(o, 0, 1, progress, [&results](const sim::SeedResult& r) { results.push_back(r); });
    if (progress) std::fputc('\n', stderr);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    return sim::printSoakReport(o, results, 1, wall, stdout);
}
