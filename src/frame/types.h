// Types every part of the plug-in shares.
#pragma once

#include <cstdint>

namespace tw {

// Host world position in metres, z up.
struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

using Handle = uint32_t;      // ped, horse, object or scenario point; 0 = none
using Hash = uint32_t;        // host identifier made from a name
using GameTime = int32_t;     // ms of the host game timer; 0 = never
using HostString = uint64_t;  // opaque text reference made by the host

// Elapsed game time, always as the signed 32-bit difference now - stamp.
constexpr int32_t elapsed(GameTime now, GameTime stamp) {
    return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(stamp));
}

// Game time plus an offset, wrapping as the host timer does.
constexpr GameTime addTime(GameTime t, int32_t ms) {
    return static_cast<GameTime>(static_cast<uint32_t>(t) + static_cast<uint32_t>(ms));
}

}  // namespace tw
