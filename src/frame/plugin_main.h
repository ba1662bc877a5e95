// The frame the host drives: the library entry, the script and its endless main loop.
#pragma once

#include <cstdint>

#include "frame/types.h"

namespace tw {

extern bool worldReady;  // the ranch fixtures existed once; never cleared

// A pass that finds the ranch not ready ends in this wait, ms of game time.
inline constexpr uint32_t kNotReadyPassWaitMs = 1000;

void scriptMain();
[[noreturn]] void mainLoop();

}  // namespace tw

// The library entry, shared by DllMain on Windows and the host substitute elsewhere:
// reason 1 registers the script and the keyboard callback, 0 unregisters them. Returns 1.
extern "C" int tamberwickEntry(void* module, uint32_t reason);
