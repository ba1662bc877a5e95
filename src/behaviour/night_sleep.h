// Bedtime and waking, and the visitors' reaction to camp music.
#pragma once

#include "visit/visitor_state.h"
#include "visit/world_tables.h"

namespace tw {

// The visitors' day, in clock hours: 06:00 wakes them, and the hour after kDayEndHour (22:00)
// sends them to bed.
inline constexpr int32_t kDayStartHour = 6;
inline constexpr int32_t kDayEndHour = 21;

// Outfit presets the visitors sleep in, by name; the values are the visitor table's.
inline constexpr int32_t kSadieSleepOutfit = kVisitors[kSadieRow].sleepOutfit;
inline constexpr int32_t kCharlesSleepOutfit = kVisitors[kCharlesRow].sleepOutfit;

// False when the visitor is gone; it may be, since rebuilding the ranch fixtures waits.
bool updateNight(VisitorState& v, bool isCharles);
// Ends the visitor's night wherever it stands: not asleep, not on its way to bed, and back in
// its day outfit (nobody wears nightclothes outside bed). Gives no task.
void getOutOfBed(VisitorState& v);
// Back to the load value: the walk task's hash not made yet.
void resetNight();
void checkCampSong(VisitorState& v, IntervalTimer& timer, bool isCharles);

}  // namespace tw
