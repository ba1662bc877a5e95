#include "frame/settings.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "frame/platform.h"
#include "frame/plugin_log.h"

namespace tw {

int32_t visitCooldown = kDefaultCooldownHours;
int32_t visitDuration = kDefaultDurationHours;

namespace {
constexpr const char* kPath = ".\\tamberwick.ini";

// The readings before clamping, for the log.
int32_t cooldownRead = kDefaultCooldownHours;
int32_t durationRead = kDefaultDurationHours;
}  // namespace

int32_t clampHours(int32_t hours, int32_t limit) {
    if (hours > limit) return limit;
    if (hours < -limit) return -limit;
    return hours;
}

int32_t readDecimal(const char* text) {
    // White space, an optional sign, the longest run of digits; saturates instead of overflowing.
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    int64_t value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (value <= INT32_MAX) value = value * 10 + (*p - '0');
        ++p;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t hoursToMs(int32_t hours) {
    return static_cast<int32_t>(static_cast<uint32_t>(hours) * static_cast<uint32_t>(kMsPerGameHour));
}

void readSettings() {
    char a[32];
    char b[32];
    std::snprintf(a, sizeof a, "%d", static_cast<int>(kDefaultCooldownHours));
    platform::readProfileString("Settings", "visitCooldown", a, b, sizeof b, kPath);
    cooldownRead = readDecimal(b);
    visitCooldown = clampHours(cooldownRead, kMaxCooldownHours);
    std::snprintf(b, sizeof b, "%d", static_cast<int>(kDefaultDurationHours));
    platform::readProfileString("Settings", "visitDuration", b, a, sizeof a, kPath);
    durationRead = readDecimal(a);
    visitDuration = clampHours(durationRead, kMaxDurationHours);
    // Only a plain 1 turns the log on; a missing key, 0 or anything else leaves it off.
    platform::readProfileString("Settings", "log", "0", a, sizeof a, kPath);
    logEnabled = std::strcmp(a, "1") == 0;
}

void resetSettings() {
    visitCooldown = cooldownRead = kDefaultCooldownHours;
    visitDuration = durationRead = kDefaultDurationHours;
}

void logSettings() {
    logEvent("settings: visitCooldown=%d visitDuration=%d (in-game hours; one is two real minutes), log=1",
             static_cast<int>(visitCooldown), static_cast<int>(visitDuration));
    if (cooldownRead != visitCooldown)
        logEvent("settings: visitCooldown %d is out of range and was taken as %d", static_cast<int>(cooldownRead),
                 static_cast<int>(visitCooldown));
    if (durationRead != visitDuration)
        logEvent("settings: visitDuration %d is out of range and was taken as %d", static_cast<int>(durationRead),
                 static_cast<int>(visitDuration));
}

}  // namespace tw
