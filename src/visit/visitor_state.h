// Everything of one visitor that outlives a pass: its record, its greeting exchange with the
// player, its pacing timers and its last chore, held as rows indexed like kVisitors.
#pragma once

#include <array>
#include <cstdint>

#include "frame/types.h"
#include "visit/world_tables.h"

namespace tw {

// A pacing timer: fires when now - last >= interval.
struct IntervalTimer {
    GameTime last = 0;     // game time of the last firing; 0 at load
    int32_t interval = 0;  // ms
};

struct VisitorState {
    Handle ped = 0;                          // the visitor's ped
    Handle horse = 0;                        // the visitor's horse
    GameTime activityEndTime = 0;            // next activity choice is due; 0 = at the next pass
    Handle createdScenarioPoint = 0;         // replacement point we made for a nearby scenario
    int32_t spotCursor = 0;                  // next activity spot to try, 0 .. spot count - 1
    bool tryScenarioNext = false;            // next choice looks for a nearby scenario first
    bool isSleeping = false;                 // sent to its bedroll for the night
    bool goingToBed = false;                 // walking to its bedroll; the night owns it, not the day
    Handle bedPoint = 0;                     // sleep point it was sent to
    uint32_t outfitPreset = 0;               // day outfit drawn at visit start
    bool wearingSleepOutfit = false;         // sleep preset on (Sadie 15, Charles 5)
    bool isDeparting = false;                // departure has begun
    GameTime departStartTime = 0;            // when departure began
    GameTime nextHorseScenarioTime = 0;      // no new horse scenario before this; 0 = next pass
    int32_t horseScenarioInterval = 300000;  // ms between horse scenario choices
    GameTime spawnTime = 0;                  // when the visit created it
    bool hasSettled = false;                 // first activity chosen
    int32_t settleDelay = 3000;              // ms after spawnTime before the first activity
    GameTime mountOrderTime = 0;             // last go-to-horse or mount order
    int32_t stuckCount = 0;                  // stuck detections on the way to the horse
    bool mountOrdered = false;               // a mount order was given this departure
    GameTime rideOrderTime = 0;              // last ride-away (or walk-away) order; 0 = none
    Vec3 lastCheckPos{};                     // position at the last stuck check
    GameTime lastCheckTime = 0;              // last stuck check; 0 = none yet
};

// The player's greeting exchange with one visitor.
struct PlayerGreetingState {
    bool cooldownActive = false;     // a greeting finished its hold; the cooldown gate applies
    GameTime cooldownStart = 0;      // when the last cooldown began
    bool greeted = false;            // exchange detected, hold running
    GameTime greetedTime = 0;        // when the exchange was detected; 0 = none
    int32_t cooldownPeriod = 60000;  // ms not armed after the hold
    int32_t holdPeriod = 3000;       // ms from the exchange to the cooldown
};

// One visitor. Visitor{} is its load value: no ped, no horse, nothing said, every timer unset.
struct Visitor {
    VisitorState state;
    PlayerGreetingState greeting;
    IntervalTimer householdGreeting{0, 600000};  // household greetings, at most one per interval
    IntervalTimer campSong{0, 300000};           // reactions to camp music
    GameTime lastChoreTime = -1800000;           // last chore start; a chore is possible at once
};

// Row for row with kVisitors: Sadie's first, and always handled first.
extern std::array<Visitor, kVisitors.size()> visitors;
inline VisitorState& sadie = visitors[kSadieRow].state;
inline VisitorState& charles = visitors[kCharlesRow].state;

// Deletes the scenario point the visitor made for itself, if any, and forgets it.
void deleteCreatedPoint(VisitorState& v);

inline Visitor& visitorOf(bool isCharles) { return visitors[visitorRow(isCharles)]; }
inline const char* visitorName(const VisitorState& v) { return &v == &charles ? "Charles" : "Sadie"; }

}  // namespace tw
