// Win32 fibers. The host thread becomes a fiber the first time it resumes the script, so the
// script can switch back to it.
#include <windows.h>

#include <new>

#include "fiber.h"

namespace host {

struct Fiber {
    void* self = nullptr;  // the script's fiber
    void* host = nullptr;  // the fiber that last resumed it
    void (*entry)(void*) = nullptr;
    void* arg = nullptr;
};

namespace {

void WINAPI trampoline(void* param) {
    auto* f = static_cast<Fiber*>(param);
    f->entry(f->arg);
    // The script function never returns; if it does, park the fiber for good.
    for (;;) fiberYield(f);
}

}  // namespace

Fiber* fiberCreate(void (*entry)(void*), void* arg, std::size_t stackBytes) {
    auto* f = new Fiber;
    f->entry = entry;
    f->arg = arg;
    f->self = CreateFiber(stackBytes, &trampoline, f);
    if (!f->self) {
        delete f;
        throw std::bad_alloc();
    }
    return f;
}

void fiberResume(Fiber* f) {
    // The thread that resumes the script must itself be a fiber to be switched back to.
    static thread_local void* hostFiber = nullptr;
    if (!hostFiber) hostFiber = ConvertThreadToFiber(nullptr);
    f->host = hostFiber;
    SwitchToFiber(f->self);
}

void fiberYield(Fiber* f) { SwitchToFiber(f->host); }

void fiberDestroy(Fiber* f) {
    if (!f) return;
    DeleteFiber(f->self);
    delete f;
}

}  // namespace host
