// Where things are at the ranch, for the timeline's wording and the map, read from the
// plug-in's own tables.
#pragma once

#include <array>
#include <cmath>

#include "visit/world_tables.h"

namespace sim {

struct MapSpot {
    tw::Vec3 pos{};
    const char* scenario = nullptr;  // scenario type the plug-in creates there
};

// The arrival points' positions, as the plug-in's own table has them.
inline constexpr auto kArrivalPoints = [] {
    std::array<tw::Vec3, tw::kArrivalPointCount> out{};
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = tw::kArrivalPoints[i].position;
    return out;
}();

// The activity spots, from the plug-in's own table.
inline constexpr auto kActivitySpots = [] {
    std::array<MapSpot, tw::kActivitySpotCount> out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = {tw::kActivitySpots[i].position, tw::kActivitySpots[i].scenarioName};
    return out;
}();

inline constexpr tw::Vec3 kRanchPoint = tw::ranchPoint;
inline constexpr tw::Vec3 kHorsePoint = tw::horseSpawnCentre;
inline constexpr std::array<tw::Vec3, 2> kBedrolls{tw::bedroll1Position, tw::bedroll2Position};
inline constexpr float kRanchRadius = 100.0f;  // m; visits start only with the player this close

inline float planar(tw::Vec3 a, tw::Vec3 b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace sim
