// The plug-in against a host whose every answer comes from the fuzz input: handles, counts,
// hours, timers, floats including NaN and infinities. The plug-in must neither crash, nor
// read out of bounds, nor stop yielding; the sanitizers and libFuzzer's timeout judge.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool inDir = [] {
        char tmpl[] = "/tmp/tamberwick-fuzz-XXXXXX";
        return mkdtemp(tmpl) && chdir(tmpl) == 0;
    }();
    (void)inDir;
    host::hostReset();
    host::gHost.traceEnabled = false;
    answers = {data, size, 0};
    for (auto& o : host::gHost.overrides) o = fuzzedAnswer;
    host::gHost.allPedsAnswer = [](int32_t* peds, int32_t capacity) {
        for (int32_t i = 0; i < capacity; ++i) peds[i] = static_cast<int32_t>(answers.next32());
        return static_cast<int32_t>(answers.next32());
    };
    if (!host::loadPlugin(TAMBERWICK_PLUGIN_DEV)) std::abort();
    for (int frame = 0; frame < 3000; ++frame) {
        host::runFrame();
        if (size && data[frame % size] == 0x70) host::sendKey(0x70 + data[(frame + 1) % size] % 4);
        if (size && data[frame % size] == 0x49) host::sendKey(0x49);
    }
    host::unloadPlugin();
    return 0;
}
