// A second stack for the plug-in's script, switched to and from cooperatively.
#pragma once

#include <cstddef>

namespace host {

struct Fiber;

// Creates a fiber that runs entry(arg) on its own stack when first switched to.
Fiber* fiberCreate(void (*entry)(void*), void* arg, std::size_t stackBytes);
// From the host thread: run the fiber until it yields back.
void fiberResume(Fiber* f);
// From inside the fiber: return to the host thread's fiberResume.
void fiberYield(Fiber* f);
// Frees a fiber that is not running; its stack is dropped wherever it stood.
void fiberDestroy(Fiber* f);

}  // namespace host
