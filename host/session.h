// One run of the plug-in in the host substitute: a fresh host and world, the module loaded
// afresh, frames, and the unload. Every tool that runs frames (the simulator's scenario runs,
// the soak's seeds, the tests' fixtures, the Wine driver) goes through here, so they all
// frame the plug-in the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "script_host.h"

namespace host {

struct Session {
    std::string error;    // why the module could not be loaded; empty when it was
    bool loaded = false;  // between a successful sessionLoad and sessionEnd
    uint64_t frames = 0;  // frames run since sessionBegin
};

// A fresh host and world, unloading any plug-in first. Set the world up after this (clock,
// seed, faults, overrides, observer), then load.
void sessionBegin(Session& s);
// Loads the module at path and calls its entry; false with s.error set when it cannot be.
bool sessionLoad(Session& s, const std::string& path);
// Unloads the plug-in, checking both unregistrations; nothing when none is loaded.
void sessionEnd(Session& s);

// The frame loop: while more(world) holds (the caller's timed events for the coming frame go
// there), one frame runs and after(world) sees it (the caller's checks).
template <class More, class After>
void sessionRun(Session& s, More&& more, After&& after) {
    World& w = gHost.world;
    while (more(w)) {
        runFrame();
        ++s.frames;
        after(w);
    }
}

// The loops every tool needs, over sessionRun.
void runFrames(Session& s, int frames);
void runFor(Session& s, int32_t gameMs);
// Runs frames until pred() holds (tested before each frame) or limitMs of game time passed;
// returns pred().
bool runUntil(Session& s, const std::function<bool()>& pred, int32_t limitMs);
// Runs frames until the script has just made its first ready pass (firstReadyPassJustMade), or
// limitMs of game time passed; returns whether it has.
bool runUntilReady(Session& s, int32_t limitMs);

}  // namespace host
