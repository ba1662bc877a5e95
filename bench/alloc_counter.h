// Counts heap allocations made anywhere in the process, the plug-in module included, and
// apart from them those the plug-in itself makes: on the script fiber, outside the host's answers.
#pragma once

#include <atomic>
#include <cstdint>

namespace bench {
extern std::atomic<uint64_t> allocations;
extern std::atomic<uint64_t> pluginAllocations;
}  // namespace bench
