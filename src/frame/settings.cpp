#include "frame/settings.h"

#include <cctype>
#include <cstdio>

#include "frame/platform.h"

namespace tw {

int32_t visitCooldown = 72;
int32_t visitDuration = 48;

namespace {
constexpr const char* kPath = ".\\tamberwick.ini";

int32_t clampHours(int32_t hours, int32_t limit) {
    if (hours > limit) return limit;
    if (hours < -limit) return -limit;
    return hours;
}
}  // namespace

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
    std::snprintf(a, sizeof a, "%d", 72);
    platform::readProfileString("Settings", "visitCooldown", a, b, sizeof b, kPath);
    visitCooldown = clampHours(readDecimal(b), kMaxCooldownHours);
    std::snprintf(b, sizeof b, "%d", 48);
    platform::readProfileString("Settings", "visitDuration", b, a, sizeof a, kPath);
    visitDuration = clampHours(readDecimal(a), kMaxDurationHours);
}

}  // namespace tw
