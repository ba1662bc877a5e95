// The two tuning numbers read from tamberwick.ini at start.
#pragma once

#include <climits>
#include <cstdint>

namespace tw {

inline constexpr int32_t kDefaultCooldownHours = 72;
inline constexpr int32_t kDefaultDurationHours = 48;

extern int32_t visitCooldown;  // in-game hours after a visit before the next may start; kDefaultCooldownHours
extern int32_t visitDuration;  // in-game hours a visit lasts; kDefaultDurationHours

inline constexpr int32_t kMsPerGameHour = 120000;
// In-game seconds in ms of game timer: an in-game hour of 3600 s takes kMsPerGameHour, so
// 100 ms are 3 in-game seconds.
constexpr int64_t gameSecondsIn(int64_t ms) { return ms * 3600 / kMsPerGameHour; }
// Largest hour counts whose products with 120000 (and 240000 for twice the cooldown) stay
// within 32 bits; larger readings are clamped to these so a long cooldown never wraps negative.
inline constexpr int32_t kMaxCooldownHours = INT32_MAX / (2 * kMsPerGameHour);
inline constexpr int32_t kMaxDurationHours = INT32_MAX / kMsPerGameHour;

void readSettings();
// The settings back at their load value, as before the first read.
void resetSettings();
// The settings as read, and any clamped, to the log.
void logSettings();
int32_t hoursToMs(int32_t hours);
// The C library's atol rule on a profile value, saturated to 32 bits.
int32_t readDecimal(const char* text);
// A reading kept within -limit..limit (kMaxCooldownHours or kMaxDurationHours).
int32_t clampHours(int32_t hours, int32_t limit);

}  // namespace tw
