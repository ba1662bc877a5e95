// The simulated host's answer to each catalogue operation, indexed by operation.
#pragma once

#include <array>

#include "frame/host_catalogue.h"
#include "world.h"

namespace host {

struct Call;
using OpHandler = void (*)(Call& call, World& world);

extern const std::array<OpHandler, tw::kOpCount> kOpHandlers;

// worldGetAllPeds: fills peds with up to capacity handles of living peds (player, peds, horses).
int32_t allPeds(World& w, int32_t* peds, int32_t capacity);

// Sight from a ped to a point, as the host's line-of-sight tests answer it.
bool canSee(World& w, Handle from, Vec3 to);

}  // namespace host
