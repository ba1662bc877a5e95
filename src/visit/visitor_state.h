// The per-visitor record and the per-visitor timers kept beside it.
#pragma once

#include <cstdint>

#include "frame/types.h"

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

// The two visitors, Sadie's always handled first.
extern VisitorState sadie;
extern VisitorState charles;

inline const char* visitorName(const VisitorState& v) { return &v == &charles ? "Charles" : "Sadie"; }

// Per-visitor timers beside the records.
extern IntervalTimer sadieHouseholdGreeting;  // interval 600000 ms
extern IntervalTimer charlesHouseholdGreeting;
extern IntervalTimer sadieCampSong;  // interval 300000 ms
extern IntervalTimer charlesCampSong;

// Last chore start per visitor; -1800000 at load so a chore is possible at once.
extern GameTime sadieLastChoreTime;
extern GameTime charlesLastChoreTime;

}  // namespace tw
