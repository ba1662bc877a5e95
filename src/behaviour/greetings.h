// The player's greeting exchange with the visitors, household greetings, and speech.
#pragma once

#include "frame/types.h"
#include "visit/visitor_state.h"

namespace tw {

struct PlayerGreetingState {
    bool cooldownActive = false;     // a greeting finished its hold; the cooldown gate applies
    GameTime cooldownStart = 0;      // when the last cooldown began
    bool greeted = false;            // exchange detected, hold running
    GameTime greetedTime = 0;        // when the exchange was detected; 0 = none
    int32_t cooldownPeriod = 60000;  // ms not armed after the hold
    int32_t holdPeriod = 3000;       // ms from the exchange to the cooldown
};

extern Hash playerZeroModel;  // "player_zero", hashed when the main loop starts: its greetings differ

extern PlayerGreetingState sadieGreeting;
extern PlayerGreetingState charlesGreeting;

// Flags false and times 0 in both records; periods kept.
void clearPlayerGreetings();

void updatePlayerGreetings(Handle sadiePed, Handle charlesPed);
void greetHousehold(Handle visitorPed, IntervalTimer& timer, bool isCharles, GameTime now, Handle abigail, Handle uncle,
                    Handle jack);
void speakLine(Handle ped, const char* line);
const char* chooseGreetingResponse(bool usePlayerSet);
void faceEachOther(Handle a, Handle b);
bool hasClearLineOfSight(Handle from, Handle to);

}  // namespace tw
