// The plug-in against a host whose every answer comes from the fuzz input: handles, counts,
// hours, timers, floats including NaN and infinities. The plug-in must neither crash, nor
// read out of bounds, nor stop yielding, nor break the host's calling contract; the
// sanitizers, libFuzzer's timeout and the host's error list judge.
//
// The module is built with coverage counters, so libFuzzer follows the plug-in's own
// branches. It is mapped once and never unmapped (the counters libFuzzer registered at the
// load must stay valid); each input starts from the module's globals as they were right
// after the load, then runs the entry's attach, the frames and the detach, as a fresh load
// would. Writing the globals back is sound because none of them owns memory across a
// detach: they are plain values and arrays, the log file is closed by the detach (logStop),
// the clipboard blocks belong to the host, the module has no function-local statics (no
// guard re-runs, no exit-time destructors registered twice) and no thread-local data.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/key_state.h"
#include "module_image.h"
#include "script_host.h"

namespace {

struct Answers {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t at = 0;

    uint32_t next32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | (size ? data[at++ % size] : 0);
        return v;
    }
};

Answers answers;

bool fuzzedAnswer(host::Call& call, host::World&) {
    const tw::OpInfo& info = tw::opInfo(call.op);
    call.result = {answers.next32(), answers.next32(), answers.next32()};
    // Out-parameters get fuzzed values too.
    for (std::size_t i = 0; i < info.argc; ++i) {
        if (info.args[i].kind != tw::ArgKind::Ptr || call.args[i] == 0) continue;
        if (call.op == tw::Op::miscGetGroundZ || call.op == tw::Op::entityDelete || call.op == tw::Op::pedDelete) {
            const uint32_t v = answers.next32();
            std::memcpy(call.p(i), &v, sizeof v);
        }
    }
    return true;
}

void* plugin = nullptr;
fuzz::ModuleImage pluginAtLoad;
// Which of the plug-in's edges some input of this run reached; printed at exit, so a replay
// of a corpus (-runs=0) gives the share of the plug-in's branches the corpus reaches.
std::vector<bool> pluginEdgesReached;

void notePluginEdges() {
    for (std::size_t i = 0; i < pluginAtLoad.counterCount; ++i)
        if (pluginAtLoad.counters[i]) pluginEdgesReached[i] = true;
}

void printPluginEdges() {
    const auto n = static_cast<std::size_t>(std::count(pluginEdgesReached.begin(), pluginEdgesReached.end(), true));
    const std::size_t total = pluginEdgesReached.size();
    std::fprintf(stderr, "plug-in edges reached: %zu of %zu (%.1f %%)\n", n, total,
                 total ? 100.0 * static_cast<double>(n) / static_cast<double>(total) : 0.0);
}

// The plug-in reads and writes its files in the working directory, so each input runs in an
// empty one, and the starting directory is entered again after it: libFuzzer writes its corpus
// and starts its merge workers (by the program path as given) from there. A crash or timeout
// is written while the input runs, so a relative artifact path is made absolute first
// (libFuzzer reads its arguments after LLVMFuzzerInitialize).
std::string pluginWorkDir;
int startDir = -1;
std::vector<std::string> absoluteArgs;
std::vector<char*> absoluteArgv;

void makeArtifactPathsAbsolute(int* argc, char*** argv) {
    char here[4096];
    if (!getcwd(here, sizeof here)) std::abort();
    for (int i = 0; i < *argc; ++i) {
        std::string a = (*argv)[i];
        for (const char* flag : {"-artifact_prefix=", "-exact_artifact_path="}) {
            const std::size_t path = std::strlen(flag);
            if (a.rfind(flag, 0) == 0 && path < a.size() && a[path] != '/') a.insert(path, std::string(here) + "/");
        }
        absoluteArgs.push_back(std::move(a));
    }
    for (std::string& a : absoluteArgs) absoluteArgv.push_back(a.data());
    absoluteArgv.push_back(nullptr);
    *argv = absoluteArgv.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    makeArtifactPathsAbsolute(argc, argv);
    char tmpl[] = "/tmp/tamberwick-fuzz-XXXXXX";
    startDir = open(".", O_RDONLY | O_DIRECTORY);
    if (!mkdtemp(tmpl) || startDir < 0) std::abort();
    pluginWorkDir = tmpl;
    plugin = dlopen(TAMBERWICK_PLUGIN_DEV, RTLD_NOW | RTLD_LOCAL);
    if (!plugin) {
        std::fprintf(stderr, "%s\n", dlerror());
        std::abort();
    }
    std::string why;
    if (!fuzz::saveModuleImage(plugin, pluginAtLoad, why)) {
        std::fprintf(stderr, "%s\n", why.c_str());
        std::abort();
    }
    std::fprintf(stderr, "plug-in globals restored before each input: %zu bytes in", pluginAtLoad.bytes);
    for (const auto& r : pluginAtLoad.ranges) std::fprintf(stderr, " %s", r.section.c_str());
    std::fprintf(stderr, "\n");
    pluginEdgesReached.assign(pluginAtLoad.counterCount, false);
    std::atexit(printPluginEdges);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (chdir(pluginWorkDir.c_str()) != 0) std::abort();
    fuzz::restoreModuleImage(pluginAtLoad);
    host::hostReset();
    host::gHost.traceEnabled = false;
    answers = {data, size, 0};
    for (auto& o : host::gHost.overrides) o = fuzzedAnswer;
    host::gHost.allPedsAnswer = [](int32_t* peds, int32_t capacity) {
        for (int32_t i = 0; i < capacity; ++i) peds[i] = static_cast<int32_t>(answers.next32());
        return static_cast<int32_t>(answers.next32());
    };
    if (!host::attachPlugin(plugin)) std::abort();
    for (int frame = 0; frame < 3000; ++frame) {
        host::runFrame();
        if (size && data[frame % size] == tw::kKeyF1) host::sendKey(tw::kKeyF1 + data[(frame + 1) % size] % 4);
        if (size && data[frame % size] == tw::kKeyI) host::sendKey(tw::kKeyI);
    }
    host::detachPlugin();
    notePluginEdges();
    if (fchdir(startDir) != 0) std::abort();
    if (!host::gHost.errors.empty()) {
        for (const std::string& e : host::gHost.errors) std::fprintf(stderr, "host error: %s\n", e.c_str());
        std::abort();
    }
    return 0;
}
