// Fibers for POSIX hosts, annotated so AddressSanitizer and ThreadSanitizer follow the stack
// switches. On x86-64 a switch is a small routine that saves the callee-saved registers and the
// floating-point control words and swaps stack pointers: no system call, unlike swapcontext,
// which sets the signal mask on every switch. Elsewhere (or with TW_FIBER_UCONTEXT defined)
// the portable ucontext switch is used.
#include <cstdint>
#include <cstdlib>
#include <new>

#include "fiber.h"

#if defined(__x86_64__) && !defined(TW_FIBER_UCONTEXT)
#define TW_FIBER_ASM 1
#else
#include <ucontext.h>
#endif

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

#ifdef TW_FIBER_ASM
// twFiberSwitch(from, to): pushes rbp, rbx, r12-r15 and a slot with MXCSR and the x87 control
// word, stores the stack pointer in *from, loads *to's stack pointer and pops the same frame
// from there. A fresh fiber's frame returns into twFiberStart, which passes r12 (the fiber)
// to the function in r13 and never returns.
extern "C" void twFiberSwitch(void** from, void* to);
extern "C" void twFiberStart();
asm(R"(
    .text
    .globl twFiberSwitch
    .hidden twFiberSwitch
    .type twFiberSwitch, @function
    .p2align 4
twFiberSwitch:
    .cfi_startproc
    endbr64
    pushq %rbp
    pushq %rbx
    pushq %r12
    pushq %r13
    pushq %r14
    pushq %r15
    subq $8, %rsp
    stmxcsr (%rsp)
    fnstcw 4(%rsp)
    movq %rsp, (%rdi)
    movq %rsi, %rsp
    ldmxcsr (%rsp)
    fldcw 4(%rsp)
    addq $8, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rbx
    popq %rbp
    ret
    .cfi_endproc
    .size twFiberSwitch, .-twFiberSwitch

    .globl twFiberStart
    .hidden twFiberStart
    .type twFiberStart, @function
    .p2align 4
twFiberStart:
    .cfi_startproc
    .cfi_undefined rip
    endbr64
    movq %r12, %rdi
    callq *%r13
    ud2
    .cfi_endproc
    .size twFiberStart, .-twFiberStart
)");
#endif

namespace host {

struct Fiber {
#ifdef TW_FIBER_ASM
    void* sp = nullptr;      // the fiber's saved stack pointer while it is not running
    void* hostSp = nullptr;  // the host's while the fiber runs
#else
    ucontext_t context{};
    ucontext_t hostContext{};
#endif
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

// The raw stack switch, without the sanitizer bookkeeping.
void switchToFiber(Fiber* f) {
#ifdef TW_FIBER_ASM
    twFiberSwitch(&f->hostSp, f->sp);
#else
    swapcontext(&f->hostContext, &f->context);
#endif
}

void switchToHost(Fiber* f) {
#ifdef TW_FIBER_ASM
    twFiberSwitch(&f->sp, f->hostSp);
#else
    swapcontext(&f->context, &f->hostContext);
#endif
}

void switchIn(Fiber* f) {
#ifdef TW_TSAN_FIBERS
    f->tsanHostFiber = __tsan_get_current_fiber();
    __tsan_switch_to_fiber(f->tsanFiber, 0);
#endif
#ifdef TW_ASAN_FIBERS
    void* save = nullptr;
    __sanitizer_start_switch_fiber(&save, f->stack, f->stackBytes);
    switchToFiber(f);
    __sanitizer_finish_switch_fiber(save, nullptr, nullptr);
#else
    switchToFiber(f);
#endif
}

void runFiber(Fiber* f) {
#ifdef TW_ASAN_FIBERS
    __sanitizer_finish_switch_fiber(nullptr, &f->hostStackBottom, &f->hostStackBytes);
#endif
    f->entry(f->arg);
    // The script function never returns; if it does, park the fiber for good.
    for (;;) fiberYield(f);
}

#ifdef TW_FIBER_ASM
void fiberEntry(void* f) { runFiber(static_cast<Fiber*>(f)); }

// The first frame twFiberSwitch pops on a fresh stack: control words, r15..r12, rbx, rbp and
// the return address, with the start routine's stack 16-byte aligned as the ABI wants.
void prepareStack(Fiber* f) {
    uint32_t controlWords[2] = {0, 0};
    asm volatile("stmxcsr %0" : "=m"(controlWords[0]));
    asm volatile("fnstcw %0" : "=m"(controlWords[1]));
    auto top = reinterpret_cast<uintptr_t>(f->stack + f->stackBytes) & ~uintptr_t{15};
    auto* slot = reinterpret_cast<uint64_t*>(top) - 2;  // a null return address ends backtraces
    slot[0] = slot[1] = 0;
    slot -= 1;
    *slot = reinterpret_cast<uintptr_t>(&twFiberStart);
    const uint64_t regs[] = {controlWords[0] | (static_cast<uint64_t>(controlWords[1]) << 32),
                             0,                                         // r15
                             0,                                         // r14
                             reinterpret_cast<uintptr_t>(&fiberEntry),  // r13: what to call
                             reinterpret_cast<uintptr_t>(f),            // r12: its argument
                             0,                                         // rbx
                             0};                                        // rbp
    slot -= sizeof regs / sizeof regs[0];
    for (std::size_t i = 0; i < sizeof regs / sizeof regs[0]; ++i) slot[i] = regs[i];
    f->sp = slot;
}
#else
void trampoline(unsigned lo, unsigned hi) {
    runFiber(reinterpret_cast<Fiber*>((static_cast<uintptr_t>(hi) << 32) | lo));
}
#endif

}  // namespace

Fiber* fiberCreate(void (*entry)(void*), void* arg, std::size_t stackBytes) {
    auto* f = new Fiber;
    f->entry = entry;
    f->arg = arg;
    f->stackBytes = stackBytes;
    f->stack = static_cast<char*>(std::malloc(stackBytes));
    if (!f->stack) {
        delete f;
        throw std::bad_alloc();
    }
#ifdef TW_TSAN_FIBERS
    f->tsanFiber = __tsan_create_fiber(0);
#endif
#ifdef TW_FIBER_ASM
    prepareStack(f);
#else
    getcontext(&f->context);
    f->context.uc_stack.ss_sp = f->stack;
    f->context.uc_stack.ss_size = stackBytes;
    f->context.uc_link = nullptr;
    const auto p = reinterpret_cast<uintptr_t>(f);
    makecontext(&f->context, reinterpret_cast<void (*)()>(&trampoline), 2, static_cast<unsigned>(p & 0xffffffffu),
                static_cast<unsigned>(p >> 32));
#endif
    return f;
}

void fiberResume(Fiber* f) { switchIn(f); }

void fiberYield(Fiber* f) {
#ifdef TW_TSAN_FIBERS
    __tsan_switch_to_fiber(f->tsanHostFiber, 0);
#endif
#ifdef TW_ASAN_FIBERS
    __sanitizer_start_switch_fiber(&f->fakeStack, f->hostStackBottom, f->hostStackBytes);
    switchToHost(f);
    __sanitizer_finish_switch_fiber(f->fakeStack, &f->hostStackBottom, &f->hostStackBytes);
#else
    switchToHost(f);
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

}  // namespace host
