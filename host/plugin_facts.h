// The plug-in's facts as the host side and the tools need them, under the host's names, each
// read from the plug-in's own headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "behaviour/household.h"
#include "frame/settings.h"
#include "visit/world_tables.h"

namespace host {

inline constexpr int32_t kMsPerGameHour = tw::kMsPerGameHour;  // game time of one in-game hour

// The models the plug-in creates from, in this order: the visitors, their horses, the bedrolls.
inline constexpr const auto& kPluginModels = tw::kCreatedModels;
inline constexpr std::size_t kFirstBedrollModel = 4;  // index of bedroll 1 in kPluginModels

// The household the plug-in leaves alone: Abigail, Uncle, Jack.
inline constexpr const auto& kHouseholdModels = tw::kHouseholdModelNames;

// The scenario type of the sleep points the plug-in makes beside its bedrolls.
inline constexpr const char* kSleepScenario = tw::kSleepPointScenario;

}  // namespace host
