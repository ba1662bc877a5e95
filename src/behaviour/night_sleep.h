// Bedtime and waking, and the visitors' reaction to camp music.
#pragma once

#include "visit/visitor_state.h"

namespace tw {

// False when the visitor is gone; it may be, since rebuilding the ranch fixtures waits.
bool updateNight(VisitorState& v, bool isCharles);
void checkCampSong(VisitorState& v, IntervalTimer& timer, bool isCharles);

}  // namespace tw
