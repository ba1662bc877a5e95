#include "behaviour/greetings.h"

#include <array>
#include <cstdint>
#include <initializer_list>

#include "behaviour/household.h"
#include "behaviour/speech_record.h"
#include "frame/host_api.h"
#include "frame/host_ops.h"
#include "visit/world_tables.h"

namespace tw {

Hash playerZeroModel = 0;

namespace {

constexpr float kArmDistance = 8.0f;        // m: the player must be this close to be greeted
constexpr float kClearDistance = 50.0f;     // m: beyond this for both visitors, all lines are cleared
constexpr float kHouseholdDistance = 5.0f;  // m
constexpr uint32_t kHouseholdAnswerWaitMs = 2000;

struct GreetingEntry {
    Handle member;
    Hash model;
    const char* line;  // what the visitor says to the member
};

bool isFar(Handle ped, const Vec3& playerPos) {
    if (!exists(ped)) return true;
    return distance(playerPos, positionOf(ped)) > kClearDistance;
}

// One visitor's part of the player greeting; the player's line and the answer set differ.
void updateOneGreeting(PlayerGreetingState& s, Handle ped, Handle playerPed, Handle player, const Vec3& playerPos,
                       GameTime now, const char* playerLine, bool usePlayerSet) {
    if (!exists(ped)) return;
    if (s.cooldownActive && elapsed(now, s.cooldownStart) < s.cooldownPeriod) return;

    const bool near = distance(playerPos, positionOf(ped)) <= kArmDistance && hasClearLineOfSight(playerPed, ped);
    if (near && !s.greeted) {
        playerSetGreetingLine(player, playerLine);
        pedSetGreetingResponse(ped, chooseGreetingResponse(usePlayerSet));
        if (pedIsGreetedByPlayer(ped, player)) {
            s.greeted = true;
            s.greetedTime = now;
            faceEachOther(playerPed, ped);
            playerSetGreetingLine(player, nullptr);
            pedSetGreetingResponse(ped, nullptr);
        }
    }
    if (s.greeted && elapsed(now, s.greetedTime) >= s.holdPeriod) {
        s.cooldownActive = true;
        s.cooldownStart = now;
        s.greeted = false;
        s.greetedTime = 0;
    }
}

}  // namespace

void clearPlayerGreetings() {
    for (Visitor& v : visitors) {
        PlayerGreetingState& s = v.greeting;
        s.cooldownActive = false;
        s.cooldownStart = 0;
        s.greeted = false;
        s.greetedTime = 0;
    }
}

const char* chooseGreetingResponse(bool usePlayerSet) {
    const int32_t hour = clockGetHours();
    if (hour >= 5 && hour <= 11) return usePlayerSet ? "GREET_PLAYER_MORNING" : "GREET_MORNING";
    if (hour >= 18 && hour <= 23) return usePlayerSet ? "GREET_PLAYER_EVENING" : "GREET_EVENING";
    // Afternoon and small hours: a coin on every call, formal or casual.
    if (miscGetRandomInt(0, 2) != 0) return usePlayerSet ? "GREET_PLAYER_FORMAL" : "GREET_JOHN";
    return usePlayerSet ? "GREET_PLAYER_CASUAL" : "GREET_GENERAL_FAMILIAR";
}

void updatePlayerGreetings(Handle sadiePed, Handle charlesPed) {
    const Handle playerPed = playerGetPed();
    const Vec3 playerPos = positionOf(playerPed);
    const GameTime now = gameGetTimer();
    const bool isPlayerZero = entityGetModel(playerGetPed()) == playerZeroModel;
    const Handle player = playerGetId();

    if (isFar(sadiePed, playerPos) && isFar(charlesPed, playerPos)) {
        playerSetGreetingLine(player, nullptr);
        if (exists(sadiePed)) pedSetGreetingResponse(sadiePed, nullptr);
        if (exists(charlesPed)) pedSetGreetingResponse(charlesPed, nullptr);
        return;
    }
    updateOneGreeting(visitors[kSadieRow].greeting, sadiePed, playerPed, player, playerPos, now,
                      isPlayerZero ? "GREET_SADIE" : "GREET_FEMALE", isPlayerZero);
    updateOneGreeting(visitors[kCharlesRow].greeting, charlesPed, playerPed, player, playerPos, now, "GREET_CHARLES",
                      true);
}

void greetHousehold(Handle visitorPed, IntervalTimer& timer, bool isCharles, GameTime now, Handle abigail, Handle uncle,
                    Handle jack) {
    if (!entityExists(visitorPed)) return;
    if (elapsed(now, timer.last) < timer.interval) return;
    const Vec3 visitorPos = positionOf(visitorPed);

    const std::array<GreetingEntry, 3> rows{{
        {abigail, householdModelAbigail, "GREET_ABIGAIL"},
        {uncle, householdModelUncle, "GREET_UNCLE"},
        {jack, householdModelJack, "GREET_JACK"},
    }};
    for (const GreetingEntry& row : rows) {
        if (!exists(row.member)) continue;
        if (entityGetModel(row.member) != row.model) continue;
        if (distance(visitorPos, positionOf(row.member)) > kHouseholdDistance) continue;
        if (!hasClearLineOfSight(visitorPed, row.member)) continue;

        speakLine(visitorPed, row.line);
        faceEachOther(visitorPed, row.member);
        scriptWait(kHouseholdAnswerWaitMs);  // the member answers after a beat
        speakLine(row.member, visitorFacts(isCharles).householdAnswer);
        timer.last = now;  // stamped with the time before the wait
        return;
    }
}

void speakLine(Handle ped, const char* line) {
    if (!entityExists(ped) || line == nullptr) return;
    SpeechRecord record;
    record.line = reinterpret_cast<uintptr_t>(line);
    record.params = miscGetHashKey(kSpeechParamsName);
    audioPlayPedSpeech(ped, &record);
}

void faceEachOther(Handle a, Handle b) {
    if (!entityExists(a) || !entityExists(b)) return;
    taskLookAtEntity(a, b);  // 2000 ms each way
    taskLookAtEntity(b, a);
}

bool hasClearLineOfSight(Handle from, Handle to) {
    if (!entityExists(from) || !entityExists(to)) return false;
    return pedCanSeeEntity(from, to);
}

}  // namespace tw
