#include "script_host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fiber.h"
#include "world_ops.h"

namespace sim {

ScriptHost gHost;

namespace {

constexpr std::size_t kScriptStackBytes = 1u << 20;

struct HashIndex {
    std::array<std::pair<uint64_t, tw::Op>, tw::kOpCount> sorted{};
    HashIndex() {
        for (std::size_t i = 0; i < tw::kOpCount; ++i) sorted[i] = {tw::kCatalogue[i].hash, tw::kCatalogue[i].op};
        std::sort(sorted.begin(), sorted.end());
    }
    tw::Op find(uint64_t hash) const {
        auto it = std::lower_bound(sorted.begin(), sorted.end(), std::make_pair(hash, tw::Op{}));
        return (it != sorted.end() && it->first == hash) ? it->second : tw::Op::Count;
    }
};

const HashIndex& hashIndex() {
    static const HashIndex index;
    return index;
}

void error(std::string text) {
    if (gHost.errors.size() < 1000) gHost.errors.push_back(std::move(text));
}

void scriptEntry(void*) {
    if (gHost.script) gHost.script();
}

}  // namespace

void destroyScriptFiber() {
    fiberDestroy(gHost.fiber);
    gHost.fiber = nullptr;
}

void recordError(std::string text) { error(std::move(text)); }

float Call::f(std::size_t n) const {
    const auto low = static_cast<uint32_t>(args[n]);
    float v = 0;
    std::memcpy(&v, &low, sizeof v);
    return v;
}

// ---- the nine functions -------------------------------------------------------------

}  // namespace sim

extern "C" {

void scriptRegister(void* module, ScriptFunction script) {
    ++sim::gHost.registerCalls;
    sim::gHost.module = module;
    sim::gHost.script = script;
}

void scriptUnregister(void* module) {
    ++sim::gHost.unregisterCalls;
    if (module != sim::gHost.module) sim::error("scriptUnregister with a module that registered nothing");
    sim::gHost.script = nullptr;
}

void keyboardHandlerRegister(KeyboardHandler handler) {
    ++sim::gHost.keyboardRegisterCalls;
    sim::gHost.keyboard = handler;
}

void keyboardHandlerUnregister(KeyboardHandler handler) {
    ++sim::gHost.keyboardUnregisterCalls;
    if (handler != sim::gHost.keyboard) sim::error("keyboardHandlerUnregister with a handler never registered");
    sim::gHost.keyboard = nullptr;
}

void scriptWait(uint32_t ms) {
    auto& h = sim::gHost;
    if (!h.inScript || !h.fiber) {
        sim::error("scriptWait called outside the script fiber");
        return;
    }
    if (h.traceEnabled) h.waits.push_back(ms);
    h.wakeTime = static_cast<int32_t>(static_cast<uint32_t>(h.world.gameTime) + ms);
    h.wakeFrame = h.frame + 1;
    sim::fiberYield(h.fiber);
}

void nativeInit(uint64_t hash) {
    auto& h = sim::gHost;
    if (h.framing) sim::error("nativeInit before the previous call was made");
    h.framing = true;
    h.pendingHash = hash;
    h.pendingArgc = 0;
}

void nativePush64(uint64_t value) {
    auto& h = sim::gHost;
    if (!h.framing) {
        sim::error("nativePush64 without nativeInit");
        return;
    }
    if (h.pendingArgc < h.pending.size()) h.pending[h.pendingArgc] = value;
    ++h.pendingArgc;
}

uint64_t* nativeCall() {
    auto& h = sim::gHost;
    h.resultSlots = {};
    if (!h.framing) {
        sim::error("nativeCall without nativeInit");
        return h.resultSlots.data();
    }
    h.framing = false;
    if (!h.inScript) sim::error("host operation called outside the script fiber");

    const tw::Op op = sim::hashIndex().find(h.pendingHash);
    if (op == tw::Op::Count) {
        char text[64];
        std::snprintf(text, sizeof text, "unknown operation hash 0x%016llX", static_cast<unsigned long long>(h.pendingHash));
        sim::error(text);
        return h.resultSlots.data();
    }
    const tw::OpInfo& info = tw::opInfo(op);
    if (h.pendingArgc != info.argc) {
        sim::error(std::string(info.name) + ": " + std::to_string(h.pendingArgc) + " arguments pushed, " +
                   std::to_string(info.argc) + " expected");
        return h.resultSlots.data();
    }

    sim::Call call;
    call.op = op;
    call.time = h.world.gameTime;
    call.argc = info.argc;
    std::copy_n(h.pending.begin(), info.argc, call.args.begin());
    if (h.traceEnabled) {
        std::size_t n = 0;
        for (std::size_t i = 0; i < info.argc && n < call.strings.size(); ++i) {
            const auto k = info.args[i].kind;
            if ((k == tw::ArgKind::Str || k == tw::ArgKind::LitStr) && call.args[i] != 0) call.strings[n++] = call.s(i);
        }
    }

    const auto index = static_cast<std::size_t>(op);
    const auto& over = h.overrides[index];
    if (!(over && over(call, h.world))) sim::kOpHandlers[index](call, h.world);

    if (h.observer) h.observer(call, h.world);
    ++h.callCounts[index];
    ++h.totalCalls;
    std::copy(call.result.begin(), call.result.end(), h.resultSlots.begin());
    if (h.traceEnabled) h.trace.push_back(std::move(call));
    return h.resultSlots.data();
}

int32_t worldGetAllPeds(int32_t* peds, int32_t capacity) {
    auto& h = sim::gHost;
    if (!h.inScript) sim::error("worldGetAllPeds called outside the script fiber");
    if (h.allPedsAnswer) return h.allPedsAnswer(peds, capacity);
    return sim::allPeds(h.world, peds, capacity);
}

}  // extern "C"

namespace sim {

// ---- running the plug-in ------------------------------------------------------------

void hostReset() {
    if (gHost.library) unloadPlugin();
    destroyScriptFiber();
    gHost.~ScriptHost();
    new (&gHost) ScriptHost();
    worldReset(gHost.world);
}

void runFrame() {
    auto& h = gHost;
    ++h.frame;
    h.world.gameTime = static_cast<int32_t>(static_cast<uint32_t>(h.world.gameTime) + static_cast<uint32_t>(h.world.frameStepMs));
    h.world.drawnThisFrame.clear();
    worldTick(h.world);
    if (!h.script) return;
    if (!h.fiber) {
        h.fiber = fiberCreate(&scriptEntry, nullptr, kScriptStackBytes);
        h.wakeTime = h.world.gameTime;
        h.wakeFrame = h.frame;
    }
    if (h.frame < h.wakeFrame || tw::elapsed(h.world.gameTime, h.wakeTime) < 0) return;
    h.inScript = true;
    fiberResume(h.fiber);
    h.inScript = false;
}

void runFor(int32_t gameMs) {
    const int32_t start = gHost.world.gameTime;
    while (tw::elapsed(gHost.world.gameTime, start) < gameMs) runFrame();
}

bool runUntil(const std::function<bool()>& pred, int32_t limitMs) {
    const int32_t start = gHost.world.gameTime;
    while (!pred()) {
        if (tw::elapsed(gHost.world.gameTime, start) >= limitMs) return false;
        runFrame();
    }
    return true;
}

void sendKey(uint32_t keyCode, int32_t triggerFlag) {
    if (gHost.keyboard) gHost.keyboard(keyCode, 1, 0, 0, 0, 0, triggerFlag);
}

uint32_t hostTickCount() { return gHost.tickBase + static_cast<uint32_t>(gHost.world.gameTime); }

std::vector<const Call*> callsOf(tw::Op op) {
    std::vector<const Call*> out;
    for (const auto& c : gHost.trace)
        if (c.op == op) out.push_back(&c);
    return out;
}

std::size_t countOf(tw::Op op) { return gHost.callCounts[static_cast<std::size_t>(op)]; }

void clearTrace() {
    gHost.trace.clear();
    gHost.waits.clear();
}

}  // namespace sim
