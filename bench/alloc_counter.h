// Counts heap allocations made anywhere in the process, the plug-in module included.
#pragma once

#include <atomic>
#include <cstdint>

namespace bench {
extern std::atomic<uint64_t> allocations;
}
