// The host substitute: the script-hook library's nine functions over a simulated world.
// It loads the plug-in, runs its script on a fiber once per simulated frame, decodes every
// host call through the catalogue, answers it from the world and records a trace.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frame/host_api.h"
#include "frame/host_catalogue.h"
#include "frame/plugin_main.h"
#include "visit/ranch_fixtures.h"
#include "world.h"

namespace host {

// One decoded host call.
struct Call {
    tw::Op op = tw::Op::Count;
    int32_t time = 0;  // game time of the call
    uint8_t argc = 0;
    std::array<uint64_t, tw::kMaxArgs> args{};
    std::array<uint64_t, 3> result{};
    std::array<std::string, 2> strings;  // copies of the string arguments, in order (traced calls only)

    int32_t i(std::size_t n) const { return static_cast<int32_t>(static_cast<uint32_t>(args[n])); }
    uint32_t u(std::size_t n) const { return static_cast<uint32_t>(args[n]); }
    float f(std::size_t n) const;
    const char* s(std::size_t n) const { return reinterpret_cast<const char*>(static_cast<uintptr_t>(args[n])); }
    void* p(std::size_t n) const { return reinterpret_cast<void*>(static_cast<uintptr_t>(args[n])); }
    std::string describe(const World& w) const;  // "name(arg, ...) -> result"
};

// One call's arguments read by their names in the operation's catalogue row: the slot is found at
// compile time, so a name the row does not have does not build. Args<Op::pedSetName> a{c};
// a.s<"name">().
template <tw::Op op>
struct Args {
    const Call& call;
    template <tw::ArgName name>
    static constexpr std::size_t at = tw::argIndex<op, name>();

    template <tw::ArgName name>
    int32_t i() const {
        return call.i(at<name>);
    }
    template <tw::ArgName name>
    uint32_t u() const {
        return call.u(at<name>);
    }
    template <tw::ArgName name>
    float f() const {
        return call.f(at<name>);
    }
    template <tw::ArgName name>
    const char* s() const {
        return call.s(at<name>);
    }
    template <tw::ArgName name>
    void* p() const {
        return call.p(at<name>);
    }
    template <tw::ArgName name>
    uint64_t whole() const {  // the slot's 64 bits as pushed
        return call.args[at<name>];
    }
    Vec3 xyz() const { return {f<"x">(), f<"y">(), f<"z">()}; }
};

// The slot of the argument called name, the same in each of ops (checked at compile time), for
// a tool that reads one argument of several operations alike.
template <tw::ArgName name, tw::Op first, tw::Op... rest>
constexpr std::size_t sharedArgIndex() {
    constexpr std::size_t i = tw::argIndex<first, name>();
    static_assert(((tw::argIndex<rest, name>() == i) && ...),
                  "the argument sits in another slot in one of the operations");
    return i;
}

// A scripted answer for one operation; return true to take over the call (fill result),
// false to let the world answer.
using Override = std::function<bool(Call& call, World& world)>;

struct ScriptHost {
    World world;

    // registration by the plug-in
    void* module = nullptr;
    ScriptFunction script = nullptr;
    KeyboardHandler keyboard = nullptr;
    int registerCalls = 0, unregisterCalls = 0, keyboardRegisterCalls = 0, keyboardUnregisterCalls = 0;

    // the script fiber
    struct Fiber* fiber = nullptr;
    bool inScript = false;
    int32_t wakeTime = 0;  // game time at which the script may run again
    uint64_t frame = 0;
    uint64_t wakeFrame = 0;       // scriptWait(0) resumes on the next frame
    uint64_t resumes = 0;         // frames in which the script ran (its passes, waits aside)
    int restarts = 0;             // times the game restarted the script (restartScript)
    std::vector<uint32_t> waits;  // every scriptWait argument, in order
    // The traced waits again, with where each fell among the traced calls, kept only while
    // markWaits is set (set it before the script runs): a wait of ms made at game time `time`
    // after the first `calls` entries of the trace.
    bool markWaits = false;
    struct WaitMark {
        std::size_t calls = 0;
        int32_t time = 0;
        uint32_t ms = 0;
    };
    std::vector<WaitMark> waitMarks;

    // the call being framed
    bool framing = false;
    uint64_t pendingHash = 0;
    uint8_t pendingArgc = 0;
    std::array<uint64_t, 16> pending{};
    std::array<uint64_t, 4> resultSlots{};

    // records
    bool traceEnabled = true;
    std::vector<Call> trace;
    std::array<uint64_t, tw::kOpCount> callCounts{};
    uint64_t totalCalls = 0;
    bool answering = false;           // true while the world, an override or the observer answers a call
    std::vector<std::string> errors;  // unknown hashes, wrong argument counts, calls off the fiber
    std::array<Override, tw::kOpCount> overrides;
    // Scripted answer for worldGetAllPeds (fills peds, returns the count it claims).
    std::function<int32_t(int32_t* peds, int32_t capacity)> allPedsAnswer;
    // Sees every decoded call after the world answered it, traced or not (string arguments are
    // still valid while it runs); the simulator builds its timeline from it.
    std::function<void(const Call& call, const World& world)> observer;

    // the platform stand-ins
    uint32_t tickBase = 1000000;  // GetTickCount at game time 0
    // Windows: the loaded plug-in's GetTickCount and GetTickCount64 answer from the clock above
    // instead of the machine's, so its key window and its rand seed replay with the game time
    // (set it before the load; the POSIX build always reads this clock).
    bool tickFromHost = false;
    // The game time the stand-in clock shows, published each frame: the keyboard callback
    // reads the clock from its own thread.
    std::atomic<int32_t> clockGameTime{0};
    bool clipboardOpenFails = false, clipboardSetFails = false, globalAllocFails = false, globalLockFails = false;
    bool clipboardOpen = false;
    std::string clipboardText;
    int liveGlobalBlocks = 0;
    // The process's one-running-copy claim: a copy of the plug-in holds it, and copies that
    // found it taken stay idle.
    bool copyRunning = false;
    int idleCopies = 0;

    // the loaded plug-in
    void* library = nullptr;
    std::string libraryPath;  // as loadPlugin was given it, for the check that the unload unmapped it
    int (*entry)(void* module, uint32_t reason) = nullptr;
};

extern ScriptHost gHost;

// The answer that replaces the world's for op until hostReset; an empty one gives it back.
inline Override& overrideOf(tw::Op op) { return gHost.overrides[static_cast<std::size_t>(op)]; }

// Puts the host back to a fresh process state (unloading any plug-in first).
void hostReset();
// Loads the plug-in module at path and calls its entry with the attach reason.
bool loadPlugin(const std::string& path, std::string* error = nullptr);
// Calls the entry with the detach reason, checks both unregistrations, and unloads.
void unloadPlugin();
// The two halves of a load without the loader, for a driver that keeps one module mapped for
// many runs (the host-answers fuzzer), POSIX only. attachPlugin calls the entry of a module
// opened elsewhere with the attach reason (false when it has none); detachPlugin does what
// unloadPlugin does except unmapping, and returns the module it leaves mapped.
bool attachPlugin(void* library);
void* detachPlugin();

// The loaders' checks, the same on every platform (plugin_loader_posix.cpp, _win.cpp).
// After the attach (idleBefore: idleCopies before it): the plug-in registered its script and
// its keyboard handler, the script with its own module; a copy that stayed idle because another
// runs registers nothing.
void checkAttached(void* library, int idleBefore);
// After the detach: both unregistered. Lets the plug-in go: its fiber, registrations and module.
void releasePlugin();
// After the unmapping: the library must be gone, or the next load would find this one's state.
void checkUnmapped(const std::string& path, bool stillMapped);

// The game reloads (a saved game is loaded), as the real library handles it: the script's
// fiber is dropped wherever it waits, without unwinding its stack; the game releases every
// entity and scenario point the plug-in made; the module stays loaded, DllMain is not called
// and the keyboard handler stays registered; the registered script function starts again
// from its beginning on a fresh fiber at the next frame. clockHour >= 0 sets the in-game
// clock to that hour (a save made at another time of day).
void restartScript(int32_t clockHour = -1);

// Advances the world by one frame and, when its wait is over, runs the script until it waits again.
void runFrame();
void runFor(int32_t gameMs);
// Runs frames until pred() holds or limitMs of game time passed; returns pred().
bool runUntil(const std::function<bool()>& pred, int32_t limitMs);

// Delivers a keyboard event as the host's keyboard thread does.
void sendKey(uint32_t keyCode, int32_t triggerFlag = 1);

// GetTickCount and GetTickCount64 as the plug-in sees them: from the game time, so a run
// replays. The 64-bit count has one wrap of the 32-bit one behind it, as on a machine up for
// more than 49.7 days, so code that mixes up the two counts shows.
uint32_t hostTickCount();
uint64_t hostTickCount64();

// For the platform-specific loader and the world: stop the script's fiber, log a host error.
void destroyScriptFiber();
void recordError(std::string text);

// How a call is written: "name(arg, ...) -> result" (Call::describe), or one JSON object
// line {"t":..,"op":..,"args":[..],"result":..} with the string arguments as the call made them.
enum class TraceStyle : uint8_t { Text, Json };
void appendCall(std::string& out, const Call& c, const World& w, TraceStyle style);

// Trace queries.
std::vector<const Call*> callsOf(tw::Op op);
std::size_t countOf(tw::Op op);
void clearTrace();

// The main loop's first ready pass, made once after each start of the script: the pass that
// ends in scriptWait(0) right after the waits that end a pass finding the ranch not ready (the
// fixture check's settle wait, then the not-ready pass's own). The one definition of it, for
// every tool that waits for it.
inline constexpr std::array<uint32_t, 3> kFirstReadyPassWaits{tw::kFixtureSettleWaitMs, tw::kNotReadyPassWaitMs, 0};
// Whether the wait at index last of a record of waits ends a first ready pass; ms(i) is the
// i-th wait's argument.
template <class Ms>
bool endsFirstReadyPass(std::size_t last, Ms&& ms) {
    const std::size_t n = kFirstReadyPassWaits.size();
    if (last + 1 < n) return false;
    for (std::size_t k = 0; k < n; ++k)
        if (ms(last + 1 - n + k) != kFirstReadyPassWaits[k]) return false;
    return true;
}
// Whether the script's latest wait (in waits) ended a first ready pass: it has just made one.
bool firstReadyPassJustMade();
// The index in waitMarks of the wait that ends the first ready pass marked there; -1 while the
// script has not got that far.
long firstReadyPassWait();
// The traced calls and the marked waits in the order the script made them, one line each:
// the game time, a blank, and the call as Call::describe gives it or "scriptWait(ms)". Stops
// after the wait at index lastWait in waitMarks; -1: everything.
std::string orderedTraceText(long lastWait = -1);

}  // namespace host
