// The soak inside the stand-in host library: the same seeds, faults and checks as the Linux
// soak (sim/soak_seed.cpp), run here because the host's state lives in this library, and the
// plug-in is loaded with the system loader and freed again for every seed.
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host_driver.h"
#include "soak.h"

namespace {

namespace fs = std::filesystem;

// A working directory of the soak's own under the temporary folder, entered while it lives.
struct WinScratchDir {
    fs::path path, previous;
    bool ok = false;

    WinScratchDir() {
        std::error_code ec;
        const fs::path base = fs::temp_directory_path(ec);
        if (ec) return;
        for (int n = 0; n < 100 && path.empty(); ++n) {
            const fs::path p = base / ("tamberwick-soak-" + std::to_string(GetCurrentProcessId()) + "-" +
                                       std::to_string(GetTickCount() + static_cast<DWORD>(n)));
            if (fs::create_directory(p, ec)) path = p;
        }
        if (path.empty()) return;
        previous = fs::current_path(ec);
        fs::current_path(path, ec);
        ok = !ec;
    }
    ~WinScratchDir() {
        std::error_code ec;
        if (!previous.empty()) fs::current_path(previous, ec);
        if (!path.empty()) fs::remove_all(path, ec);
    }
    WinScratchDir(const WinScratchDir&) = delete;
    WinScratchDir& operator=(const WinScratchDir&) = delete;
};

// The library's file name, which the loader still knows it by while any of it is loaded.
std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

sim::SoakOptions soakOptions(const TwhSoakOptions& in) {
    sim::SoakOptions o;
    o.pluginPath = in.plugin ? in.plugin : "";
    o.build = in.developer ? sim::SoakBuild::Developer : sim::SoakBuild::Release;
    o.firstSeed = in.firstSeed;
    o.seeds = in.seeds;
    o.days = in.days;
    o.frameStepMs = in.frameStepMs;
    if (in.passLimitMs > 0) o.passLimitMs = in.passLimitMs;
    o.verbose = in.verbose;
    if (in.title) o.title = in.title;
    if (in.command) o.command = in.command;
    return o;
}

}  // namespace

extern "C" int32_t twhSoak(const TwhSoakOptions* options) {
    const auto wallStart = std::chrono::steady_clock::now();
    const sim::SoakOptions o = soakOptions(*options);
    const std::string module = baseName(o.pluginPath);
    const bool progress = _isatty(_fileno(stderr)) != 0;
    std::vector<sim::SeedResult> results;
    {
        WinScratchDir dir;
        for (int i = 0; i < o.seeds; ++i) {
            const uint64_t seed = o.firstSeed + static_cast<uint64_t>(i);
            sim::SeedResult r;
            if (!dir.ok) {
                r.seed = seed;
                r.failure = "cannot make a temporary working directory";
            } else {
                r = sim::runSoakSeed(seed, o);
                // The next seed must get a fresh copy of the library, not this one's state.
                if (r.failure.empty() && GetModuleHandleA(module.c_str()))
                    r.failure = module + " is still loaded after FreeLibrary";
            }
            results.push_back(std::move(r));
            if (progress) {
                std::fputc('.', stderr);
                std::fflush(stderr);
            }
        }
    }
    if (progress) std::fputc('\n', stderr);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    return sim::printSoakReport(o, results, 1, wall, stdout);
}
