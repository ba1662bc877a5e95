// Where things are at the ranch, for the timeline's wording and the map.
// The fixed positions come from the plug-in's own header; the two tables defined in its code
// (arrival points, activity spots) are copied here, since the simulator links no plug-in code.
#pragma once

#include <array>
#include <cmath>

#include "visit/world_tables.h"

namespace simtool {

struct MapSpot {
    tw::Vec3 pos;
    const char* scenario;  // scenario type the plug-in creates there
};

inline constexpr std::array<tw::Vec3, tw::kArrivalPointCount> kArrivalPoints{{
    {-1602.1526f, -1332.7418f, 81.48565f},
    {-1673.1562f, -1404.8003f, 84.8335f},
    {-1677.4907f, -1357.5924f, 84.30352f},
    {-1600.2762f, -1319.1763f, 80.57463f},
    {-1561.1117f, -1372.5747f, 80.7109f},
}};

inline constexpr std::array<MapSpot, tw::kActivitySpotCount> kActivitySpots{{
    {{-1609.4298f, -1417.5165f, 81.93605f}, "WORLD_HUMAN_LEAN_FENCE_FWD_CHECK_OUT_LIVESTOCK"},
    {{-1626.4727f, -1339.9885f, 82.99756f}, "WORLD_HUMAN_SIT_GROUND_READING_BOOK"},
    {{-1626.4727f, -1339.9885f, 82.99756f}, "WORLD_HUMAN_SIT_SMOKE"},
    {{-1653.4949f, -1331.4783f, 84.03623f}, "WORLD_HUMAN_LEAN_BACK_WHITTLE"},
    {{-1611.2892f, -1383.3373f, 82.40239f}, "WORLD_HUMAN_SIT_GROUND_READING_BOOK"},
    {{-1646.1825f, -1346.3553f, 84.063576f}, "WORLD_HUMAN_DRINK"},
    {{-1634.5212f, -1363.1328f, 84.461815f}, "WORLD_HUMAN_DRINK_FLASK"},
    {{-1634.5212f, -1363.1328f, 84.461815f}, "WORLD_HUMAN_SIT_DRINK"},
}};

inline constexpr tw::Vec3 kRanchPoint = tw::ranchPoint;
inline constexpr tw::Vec3 kHorsePoint = tw::horseSpawnCentre;
inline constexpr std::array<tw::Vec3, 2> kBedrolls{tw::bedroll1Position, tw::bedroll2Position};
inline constexpr float kRanchRadius = 100.0f;  // m; visits start only with the player this close

inline float planar(tw::Vec3 a, tw::Vec3 b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace simtool
