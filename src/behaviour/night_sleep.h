// Bedtime and waking, and the visitors' reaction to camp music.
#pragma once

#include "visit/visitor_state.h"

namespace tw {

// Outfit presets the visitors sleep in; neither is among their day outfits.
inline constexpr int32_t kSadieSleepOutfit = 15;
inline constexpr int32_t kCharlesSleepOutfit = 5;

// False when the visitor is gone; it may be, since rebuilding the ranch fixtures waits.
bool updateNight(VisitorState& v, bool isCharles);
// Ends the visitor's night wherever it stands: not asleep, not on its way to bed, and back in
// its day outfit (nobody wears nightclothes outside bed). Gives no task.
void getOutOfBed(VisitorState& v);
void checkCampSong(VisitorState& v, IntervalTimer& timer, bool isCharles);

}  // namespace tw
