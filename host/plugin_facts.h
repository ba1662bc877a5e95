// The plug-in's facts as the host side and the tools need them, listed once. What the
// plug-in's headers already hold is read from there; the names below live in its code only
// (as hashes in its world tables) and are listed here until its headers expose them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/settings.h"

namespace sim {

inline constexpr int32_t kMsPerGameHour = tw::kMsPerGameHour;  // game time of one in-game hour

// The models the plug-in creates from, in this order: the visitors, their horses, the bedrolls.
inline constexpr const char* kPluginModels[] = {
    "cs_mrsadler",
    "cs_charlessmith",
    "a_c_horse_gang_sadie_endlesssummer",
    "a_c_horse_gang_charles_endlesssummer",
    "s_bedrollfurlined01x",  // bedroll 1
    "p_bedrollopen03x",      // bedroll 2
};
inline constexpr std::size_t kFirstBedrollModel = 4;  // index of bedroll 1 in kPluginModels

// The household the plug-in leaves alone: Abigail, Uncle, Jack.
inline constexpr const char* kHouseholdModels[3] = {"cs_abigailroberts", "cs_uncle", "cs_jackmarston_teen"};

// The scenario type of the sleep points the plug-in makes beside its bedrolls.
inline constexpr const char* kSleepScenario = "WORLD_HUMAN_SLEEP_GROUND_ARM";

}  // namespace sim
