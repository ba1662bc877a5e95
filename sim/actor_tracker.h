// Who is who among what the plug-in creates: which handle each visitor, horse and bedroll holds,
// who is present, loading, on the way out or dressed, and the paths they walked. The recorder's
// narration (recorder.h) keeps it up to date from the calls it sees and tells the story from it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "world.h"

namespace sim {

enum class Actor : uint8_t { Sadie, Charles, SadieHorse, CharlesHorse };
inline constexpr std::size_t kActorCount = 4;
const char* actorName(Actor a);  // "Sadie", "Charles", "Sadie's horse", "Charles's horse"
// The plug-in's model of each actor is host::kPluginModels[actor].
inline constexpr const auto& kActorModels = host::kPluginModels;
static_assert(std::size(host::kPluginModels) > kActorCount);

struct PathPoint {
    float x = 0, y = 0;  // m
    int32_t t = 0;       // game time it was first seen here, ms
    int32_t left = 0;    // game time it was last seen at the point before, ms: it moved in between
};

struct ActorTracker {
    std::array<host::Hash, kActorCount> models{};
    std::array<host::Handle, kActorCount> handles{};
    std::array<bool, kActorCount> present{};
    std::array<bool, kActorCount> pending{};  // model requested, ped not made yet
    std::array<bool, kActorCount> departing{};
    std::array<bool, kActorCount> ridingAway{};
    std::array<bool, kActorCount> toHorse{};
    std::array<bool, kActorCount> dressed{};
    std::array<host::Handle, kActorCount> lastPoint{};
    std::array<tw::Vec3, kActorCount> lastWalkTarget{};
    std::array<host::Handle, 2> bedrolls{};
    std::array<bool, 2> bedrollPresent{};
    std::array<std::vector<PathPoint>, kActorCount> paths;
    std::vector<PathPoint> playerPath;
    int32_t nextSample = 0;  // game time of the next path sample
    int32_t lastSample = 0;  // game time of the last one
};

ActorTracker makeActorTracker();
int actorOfHandle(const ActorTracker& t, host::Handle h);  // -1: none present holds it
int actorOfModel(const ActorTracker& t, host::Hash m);     // -1: not an actor's model
// The actor's ped was made at game time now: it holds h from now on, fresh from any earlier arrival.
void actorArrives(ActorTracker& t, std::size_t a, host::Handle h, tw::Vec3 pos, int32_t now);
// Adds where the actors and the player are to their paths, once a game second.
void samplePaths(ActorTracker& t, host::World& w);

}  // namespace sim
