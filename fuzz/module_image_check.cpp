// The fuzzer's write-back of the plug-in's globals, checked against a fresh load: a run played
// on the module just mapped, and the same run played on that mapping written back after a
// different run, must make the same calls at the same game times.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "frame/key_state.h"
#include "module_image.h"
#include "script_host.h"

namespace {

// withVisit: F2 forces a visit once the ranch is ready, I sends the visitors away later.
std::string playRun(void* plugin, bool withVisit) {
    host::hostReset();
    host::gHost.markWaits = true;
    if (!host::attachPlugin(plugin)) return "no entry";
    for (int frame = 0; frame < 6000; ++frame) {
        host::runFrame();
        if (withVisit && frame == 1500) host::sendKey(tw::kKeyF2);
        if (withVisit && frame == 4500) host::sendKey(tw::kKeyI);
    }
    std::string text = host::orderedTraceText();
    host::detachPlugin();
    for (const std::string& e : host::gHost.errors) text += "host error: " + e + "\n";
    return text;
}

std::string firstDifference(const std::string& a, const std::string& b) {
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    const std::size_t line = a.rfind('\n', at) == std::string::npos ? 0 : a.rfind('\n', at) + 1;
    return a.substr(line, a.find('\n', line) - line) + "\n  against\n" + b.substr(line, b.find('\n', line) - line);
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/tamberwick-fuzz-XXXXXX";
    if (!mkdtemp(tmpl) || chdir(tmpl) != 0) return 2;
    void* plugin = dlopen(TAMBERWICK_PLUGIN_DEV, RTLD_NOW | RTLD_LOCAL);
    fuzz::ModuleImage atLoad;
    std::string why;
    if (!plugin || !fuzz::saveModuleImage(plugin, atLoad, why)) {
        std::fprintf(stderr, "cannot load the plug-in: %s\n", plugin ? why.c_str() : dlerror());
        return 2;
    }
    const std::string fresh = playRun(plugin, true);
    fuzz::restoreModuleImage(atLoad);
    const std::string other = playRun(plugin, false);
    fuzz::restoreModuleImage(atLoad);
    const std::string again = playRun(plugin, true);
    if (fresh.find("host error") != std::string::npos || fresh == other) {
        std::fprintf(stderr, "the runs did not play as meant:\n%s", fresh.c_str());
        return 1;
    }
    if (again != fresh) {
        std::fprintf(stderr, "after the write-back the plug-in played differently:\n%s\n",
                     firstDifference(fresh, again).c_str());
        return 1;
    }
    std::printf("%zu bytes of globals written back; the run's %zu bytes of trace played the same\n", atLoad.bytes,
                fresh.size());
    return 0;
}
