// The player's greeting exchange with the visitors, household greetings, and speech.
#pragma once

#include "frame/types.h"
#include "visit/visitor_state.h"

namespace tw {

extern Hash playerZeroModel;  // "player_zero", hashed when the main loop starts: its greetings differ

// Flags false and times 0 in both visitors' exchanges; periods kept.
void clearPlayerGreetings();

void updatePlayerGreetings(Handle sadiePed, Handle charlesPed);
void greetHousehold(Handle visitorPed, IntervalTimer& timer, bool isCharles, GameTime now, Handle abigail, Handle uncle,
                    Handle jack);
void speakLine(Handle ped, const char* line);
const char* chooseGreetingResponse(bool usePlayerSet);
void faceEachOther(Handle a, Handle b);
bool hasClearLineOfSight(Handle from, Handle to);

}  // namespace tw
