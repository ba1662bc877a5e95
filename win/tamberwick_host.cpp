// tamberwick-host: runs the plug-in under Windows (or Wine) against the stand-in host library:
// loads it with the system loader, drives its script frame by frame on a fiber, delivers
// keyboard events from a thread of their own as the real host's input thread does, and unloads
// it. The scenarios are the rows of kWineScenarios (wine_scenarios.h); `tamberwick-host --help`
// lists them. `tamberwick-host soak ...` is the fault-injection soak of one shipped library,
// seed for seed as `tamberwick-sim soak` draws them (twhSoak; `soak --help` lists its options).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host_driver.h"
#include "key_thread.h"
#include "startup_trace.h"
#include "wine_checks.h"
#include "wine_scenarios.h"

namespace {

using win::kWineScenarios;
using win::WineScenario;

constexpr int kExitUsage = 2;

void usage(std::FILE* out, const char* self) {
    std::fprintf(out,
                 "usage: %s [--trace-text FILE] [--expect-trace FILE] <scenario> <plugin.asi> [<other.asi>]\n"
                 "       %s soak --dll <plugin.asi> [options]   (soak --help lists them)\n"
                 "\nScenarios:\n",
                 self, self);
    for (const WineScenario& s : kWineScenarios) {
        const std::string name = std::string(s.name) + (s.plugins == 2 ? " <plugin.asi> <other.asi>" : " <plugin.asi>");
        std::fprintf(out, "  %-38s %s\n", name.c_str(), s.summary);
    }
    std::fprintf(out,
                 "\n  --trace-text FILE    write the host calls and script waits, in order, from the load to the end "
                 "of\n"
                 "                       the first ready pass, one line each\n"
                 "  --expect-trace FILE  compare that start-up trace line for line with FILE (as\n"
                 "                       tests/golden/startup_trace.txt has it)\n"
                 "\nExit status 0 when every check held and the host recorded no error, 1 when one did not, 2 for "
                 "a bad\ncommand line.\n");
}

const WineScenario* findScenario(const char* name) {
    for (const WineScenario& s : kWineScenarios)
        if (std::strcmp(s.name, name) == 0) return &s;
    return nullptr;
}

// The host's own errors fail the run too; the last line sums it up.
int finish(const WineScenario& scenario) {
    int failures = win::failures();
    for (uint32_t i = 0; i < twhErrorCount(); ++i) std::printf("FAIL: host error: %s\n", twhError(i));
    if (twhErrorCount() > 0) ++failures;
    std::printf("%s: %d failure(s), game time %d ms\n", scenario.name, failures, twhGameTime());
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "soak") == 0) return twhSoak(argv[0], argc - 2, argv + 2);
    std::string tracePath, expectPath;
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout, argv[0]);
            return 0;
        }
        if ((arg == "--trace-text" || arg == "--expect-trace") && i + 1 < argc)
            (arg == "--trace-text" ? tracePath : expectPath) = argv[++i];
        else
            positional.push_back(argv[i]);
    }
    const WineScenario* scenario = positional.empty() ? nullptr : findScenario(positional[0]);
    if (!scenario || positional.size() != static_cast<std::size_t>(1 + scenario->plugins)) {
        if (!positional.empty() && !scenario) std::fprintf(stderr, "unknown scenario %s\n", positional[0]);
        usage(stderr, argv[0]);
        return kExitUsage;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    twhReset();
    if (!tracePath.empty() || !expectPath.empty()) twhMarkWaits();
    win::keys.start();
    scenario->run(positional.data() + 1);
    win::writeAndCompareStartupTrace(tracePath, expectPath);
    win::keys.finish();
    return finish(*scenario);
}
