// What the report's pictures and the replay page draw alike: each actor's colour, each kind of
// segment's colour, and which clock hours are shaded as night.
#pragma once

#include <iterator>

#include "behaviour/night_sleep.h"
#include "recorder.h"

namespace sim {

inline constexpr const char* kActorColour[kActorCount] = {"#c0392b", "#1f618d", "#e59866", "#7fb3d5"};

// Row for row with the enum's order.
inline constexpr const char* kKindColours[] = {
    "#95a5a6",  // Arrive
    "#27ae60",  // Spot
    "#e67e22",  // Chore
    "#16a085",  // Nearby
    "#bdc3c7",  // Walk
    "#2c3e50",  // Sleep
    "#c0392b",  // Departure
    "#a0522d",  // HorseIdle
    "#d2b48c",  // Wander
};
static_assert(std::size(kKindColours) == static_cast<std::size_t>(SegKind::Wander) + 1);

inline const char* kindColour(SegKind k) { return kKindColours[static_cast<std::size_t>(k)]; }

// The hours the visitors are meant to be in bed: from the end of their day to its start.
inline bool isNightHour(int clockHour) { return clockHour > tw::kDayEndHour || clockHour < tw::kDayStartHour; }

}  // namespace sim
