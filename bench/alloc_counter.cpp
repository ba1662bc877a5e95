#include "alloc_counter.h"

#include <cstdlib>
#include <new>

#include "script_host.h"

namespace bench {
std::atomic<uint64_t> allocations{0};
std::atomic<uint64_t> pluginAllocations{0};
}  // namespace bench

void* operator new(std::size_t n) {
    bench::allocations.fetch_add(1, std::memory_order_relaxed);
    // The host's own allocations (answering a call, ticking the world) are not the plug-in's.
    if (host::gHost.inScript && !host::gHost.answering)
        bench::pluginAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
