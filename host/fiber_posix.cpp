// ucontext fibers, annotated so AddressSanitizer and ThreadSanitizer follow the stack switches.
#include <ucontext.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#include "fiber.h"

// GCC announces sanitizers with __SANITIZE_*__, clang with __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define TW_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TW_ASAN_FIBERS 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define TW_TSAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TW_TSAN_FIBERS 1
#endif
#endif

#ifdef TW_ASAN_FIBERS
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif
#ifdef TW_TSAN_FIBERS
#include <sanitizer/tsan_interface.h>
#endif

namespace sim {

struct Fiber {
    ucontext_t context{};
    ucontext_t hostContext{};
    void (*entry)(void*) = nullptr;
    void* arg = nullptr;
    char* stack = nullptr;
    std::size_t stackBytes = 0;
    const void* hostStackBottom = nullptr;
    std::size_t hostStackBytes = 0;
    void* fakeStack = nullptr;
    void* tsanFiber = nullptr;      // ThreadSanitizer's view of this fiber
    void* tsanHostFiber = nullptr;  // and of the thread that resumes it
};

namespace {

void switchIn(Fiber* f) {
#ifdef TW_TSAN_FIBERS
    f->tsanHostFiber = __tsan_get_current_fiber();
    __tsan_switch_to_fiber(f->tsanFiber, 0);
#endif
#ifdef TW_ASAN_FIBERS
    void* save = nullptr;
    __sanitizer_start_switch_fiber(&save, f->stack, f->stackBytes);
    swapcontext(&f->hostContext, &f->context);
    __sanitizer_finish_switch_fiber(save, nullptr, nullptr);
#else
    swapcontext(&f->hostContext, &f->context);
#endif
}

void trampoline(unsigned lo, unsigned hi) {
    auto* f = reinterpret_cast<Fiber*>((static_cast<uintptr_t>(hi) << 32) | lo);
#ifdef TW_ASAN_FIBERS
    __sanitizer_finish_switch_fiber(nullptr, &f->hostStackBottom, &f->hostStackBytes);
#endif
    f->entry(f->arg);
    // The script function never returns; if it does, park the fiber for good.
    for (;;) fiberYield(f);
}

}  // namespace

Fiber* fiberCreate(void (*entry)(void*), void* arg, std::size_t stackBytes) {
    auto* f = new Fiber;
    f->entry = entry;
    f->arg = arg;
    f->stackBytes = stackBytes;
    f->stack = static_cast<char*>(std::malloc(stackBytes));
    if (!f->stack) throw std::bad_alloc();
#ifdef TW_TSAN_FIBERS
    f->tsanFiber = __tsan_create_fiber(0);
#endif
    getcontext(&f->context);
    f->context.uc_stack.ss_sp = f->stack;
    f->context.uc_stack.ss_size = stackBytes;
    f->context.uc_link = nullptr;
    const auto p = reinterpret_cast<uintptr_t>(f);
    makecontext(&f->context, reinterpret_cast<void (*)()>(&trampoline), 2, static_cast<unsigned>(p & 0xffffffffu),
                static_cast<unsigned>(p >> 32));
    return f;
}

void fiberResume(Fiber* f) { switchIn(f); }

void fiberYield(Fiber* f) {
#ifdef TW_TSAN_FIBERS
    __tsan_switch_to_fiber(f->tsanHostFiber, 0);
#endif
#ifdef TW_ASAN_FIBERS
    __sanitizer_start_switch_fiber(&f->fakeStack, f->hostStackBottom, f->hostStackBytes);
    swapcontext(&f->context, &f->hostContext);
    __sanitizer_finish_switch_fiber(f->fakeStack, &f->hostStackBottom, &f->hostStackBytes);
#else
    swapcontext(&f->context, &f->hostContext);
#endif
}

void fiberDestroy(Fiber* f) {
    if (!f) return;
#ifdef TW_TSAN_FIBERS
    __tsan_destroy_fiber(f->tsanFiber);
#endif
#ifdef TW_ASAN_FIBERS
    __asan_unpoison_memory_region(f->stack, f->stackBytes);
#endif
    std::free(f->stack);
    delete f;
}

}  // namespace sim
