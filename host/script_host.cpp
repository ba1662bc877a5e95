#include "script_host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fiber.h"
#include "world_ops.h"

namespace host {

ScriptHost gHost;

namespace {

constexpr std::size_t kScriptStackBytes = 1u << 20;

// Operation hash -> operation: an open-addressed table built once from the catalogue, so a
// decode costs one multiply and, almost always, one probe. Every probe compares the full
// 64-bit hash, so an unknown hash still finds nothing.
struct HashIndex {
    static constexpr std::size_t kSlots = 256;  // power of two, well above the operation count
    static_assert(tw::kOpCount * 2 < kSlots);
    struct Slot {
        uint64_t hash = 0;
        tw::Op op = tw::Op::Count;  // Count: empty
    };
    std::array<Slot, kSlots> slots{};

    static constexpr std::size_t home(uint64_t hash) {
        return static_cast<std::size_t>(((hash ^ (hash >> 29)) * 0x9E3779B97F4A7C15ull) >> 56) & (kSlots - 1);
    }
    constexpr HashIndex() {
        for (const tw::OpInfo& info : tw::kCatalogue) {
            std::size_t i = home(info.hash);
            while (slots[i].op != tw::Op::Count) i = (i + 1) & (kSlots - 1);
            slots[i] = {info.hash, info.op};
        }
    }
    tw::Op find(uint64_t hash) const {
        for (std::size_t i = home(hash);; i = (i + 1) & (kSlots - 1)) {
            const Slot& s = slots[i];
            if (s.op == tw::Op::Count) return tw::Op::Count;
            if (s.hash == hash) return s.op;
        }
    }
};

constexpr HashIndex kHashIndex{};

// The decoded call of an untraced host call. Reused from call to call, so the untraced path
// builds no strings; its string copies stay empty.
Call scratchCall;

// Copies the pushed arguments into a call whose slots from `clean` on are already zero (a
// fresh record: 0; the scratch record: the previous call's count), so the slots past argc
// end up zero, as handlers expect, without touching all ten every time.
inline void fillCall(Call& call, tw::Op op, const tw::OpInfo& info, std::size_t clean) {
    call.op = op;
    call.time = gHost.world.gameTime;
    call.argc = info.argc;
    const std::size_t argc = info.argc;
    for (std::size_t i = 0; i < argc; ++i) call.args[i] = gHost.pending[i];
    for (std::size_t i = argc; i < clean; ++i) call.args[i] = 0;
    call.result = {};
}

// The override or the world answers, the observer sees the call, the result goes to the buffer.
inline void answerCall(Call& call) {
    auto& h = gHost;
    const auto index = static_cast<std::size_t>(call.op);
    const auto& over = h.overrides[index];
    h.answering = true;
    if (!(over && over(call, h.world))) kOpHandlers[index](call, h.world);
    if (h.observer) h.observer(call, h.world);
    h.answering = false;
    ++h.callCounts[index];
    ++h.totalCalls;
    std::copy(call.result.begin(), call.result.end(), h.resultSlots.begin());
}

void scriptEntry(void*) {
    if (gHost.script) gHost.script();
}

}  // namespace

void destroyScriptFiber() {
    fiberDestroy(gHost.fiber);
    gHost.fiber = nullptr;
}

// Every host error comes here: the first 1000 are kept, so a runaway plug-in cannot exhaust memory.
void recordError(std::string text) {
    if (gHost.errors.size() < 1000) gHost.errors.push_back(std::move(text));
}

float Call::f(std::size_t n) const {
    const auto low = static_cast<uint32_t>(args[n]);
    float v = 0;
    std::memcpy(&v, &low, sizeof v);
    return v;
}

// ---- the nine functions -------------------------------------------------------------

}  // namespace host

extern "C" {

void scriptRegister(void* module, ScriptFunction script) {
    ++host::gHost.registerCalls;
    host::gHost.module = module;
    host::gHost.script = script;
}

void scriptUnregister(void* module) {
    ++host::gHost.unregisterCalls;
    if (module != host::gHost.module) host::recordError("scriptUnregister with a module that registered nothing");
    host::gHost.script = nullptr;
}

void keyboardHandlerRegister(KeyboardHandler handler) {
    ++host::gHost.keyboardRegisterCalls;
    host::gHost.keyboard = handler;
}

void keyboardHandlerUnregister(KeyboardHandler handler) {
    ++host::gHost.keyboardUnregisterCalls;
    if (handler != host::gHost.keyboard) host::recordError("keyboardHandlerUnregister with a handler never registered");
    host::gHost.keyboard = nullptr;
}

void scriptWait(uint32_t ms) {
    auto& h = host::gHost;
    if (!h.inScript || !h.fiber) {
        host::recordError("scriptWait called outside the script fiber");
        return;
    }
    if (h.traceEnabled) {
        h.waits.push_back(ms);
        if (h.markWaits) h.waitMarks.push_back({h.trace.size(), h.world.gameTime, ms});
    }
    h.wakeTime = static_cast<int32_t>(static_cast<uint32_t>(h.world.gameTime) + ms);
    h.wakeFrame = h.frame + 1;
    host::fiberYield(h.fiber);
}

void nativeInit(uint64_t hash) {
    auto& h = host::gHost;
    if (h.framing) host::recordError("nativeInit before the previous call was made");
    h.framing = true;
    h.pendingHash = hash;
    h.pendingArgc = 0;
}

void nativePush64(uint64_t value) {
    auto& h = host::gHost;
    if (!h.framing) {
        host::recordError("nativePush64 without nativeInit");
        return;
    }
    if (h.pendingArgc < h.pending.size()) h.pending[h.pendingArgc] = value;
    if (h.pendingArgc < UINT8_MAX) ++h.pendingArgc;  // saturates, so 256 extra pushes still count as wrong
}

uint64_t* nativeCall() {
    auto& h = host::gHost;
    h.resultSlots = {};
    if (!h.framing) [[unlikely]] {
        host::recordError("nativeCall without nativeInit");
        return h.resultSlots.data();
    }
    h.framing = false;
    if (!h.inScript) host::recordError("host operation called outside the script fiber");

    const tw::Op op = host::kHashIndex.find(h.pendingHash);
    if (op == tw::Op::Count) {
        char text[64];
        std::snprintf(text, sizeof text, "unknown operation hash 0x%016llX",
                      static_cast<unsigned long long>(h.pendingHash));
        host::recordError(text);
        return h.resultSlots.data();
    }
    const tw::OpInfo& info = tw::opInfo(op);
    if (h.pendingArgc != info.argc) {
        host::recordError(std::string(info.name) + ": " + std::to_string(h.pendingArgc) + " arguments pushed, " +
                          std::to_string(info.argc) + " expected");
        return h.resultSlots.data();
    }

    // Traced calls keep a full copy, string arguments included; untraced ones reuse the scratch
    // record and build no strings.
    if (h.traceEnabled) {
        host::Call call;
        host::fillCall(call, op, info, 0);
        std::size_t n = 0;
        for (std::size_t i = 0; i < info.argc && n < call.strings.size(); ++i) {
            const auto k = info.args[i].kind;
            if ((k == tw::ArgKind::Str || k == tw::ArgKind::LitStr) && call.args[i] != 0) call.strings[n++] = call.s(i);
        }
        host::answerCall(call);
        h.trace.push_back(std::move(call));
    } else {
        host::Call& call = host::scratchCall;
        host::fillCall(call, op, info, call.argc);
        for (std::string& text : call.strings)
            if (!text.empty()) text.clear();  // an override may have written one
        host::answerCall(call);
    }
    return h.resultSlots.data();
}

int32_t worldGetAllPeds(int32_t* peds, int32_t capacity) {
    auto& h = host::gHost;
    if (!h.inScript) host::recordError("worldGetAllPeds called outside the script fiber");
    if (h.allPedsAnswer) return h.allPedsAnswer(peds, capacity);
    return host::allPeds(h.world, peds, capacity);
}

}  // extern "C"

namespace host {

// ---- running the plug-in ------------------------------------------------------------

void hostReset() {
    if (gHost.library) unloadPlugin();
    destroyScriptFiber();
    gHost.~ScriptHost();
    new (&gHost) ScriptHost();
    worldReset(gHost.world);
}

void restartScript(int32_t clockHour) {
    auto& h = gHost;
    destroyScriptFiber();
    h.inScript = false;
    h.framing = false;
    worldReload(h.world, clockHour);
    ++h.restarts;
}

void runFrame() {
    auto& h = gHost;
    ++h.frame;
    h.world.gameTime =
        static_cast<int32_t>(static_cast<uint32_t>(h.world.gameTime) + static_cast<uint32_t>(h.world.frameStepMs));
    h.clockGameTime.store(h.world.gameTime, std::memory_order_relaxed);
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
    ++h.resumes;
    fiberResume(h.fiber);
    h.inScript = false;
}

void sendKey(uint32_t keyCode, int32_t triggerFlag) {
    if (gHost.keyboard) gHost.keyboard(keyCode, 1, 0, 0, 0, 0, triggerFlag);
}

uint32_t hostTickCount() {
    return gHost.tickBase + static_cast<uint32_t>(gHost.clockGameTime.load(std::memory_order_relaxed));
}

uint64_t hostTickCount64() { return 0x100000000ull + hostTickCount(); }

void checkAttached(void* library, int idleBefore) {
    if (gHost.idleCopies > idleBefore) return;  // another copy runs: this one registers nothing
    if (!gHost.script) recordError("plug-in registered no script on attach");
    if (!gHost.keyboard) recordError("plug-in registered no keyboard handler on attach");
    if (gHost.module != library) recordError("plug-in registered its script with a module other than its own");
}

void releasePlugin() {
    if (gHost.script) recordError("plug-in left its script registered after unload");
    if (gHost.keyboard) recordError("plug-in left its keyboard handler registered after unload");
    destroyScriptFiber();
    gHost.script = nullptr;
    gHost.keyboard = nullptr;
    gHost.library = nullptr;
    gHost.libraryPath.clear();
    gHost.entry = nullptr;
}

void checkUnmapped(const std::string& path, bool stillMapped) {
    if (stillMapped) recordError("the plug-in's library is still loaded after its unload: " + path);
}

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
    gHost.waitMarks.clear();
}

}  // namespace host
