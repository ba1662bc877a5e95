// What must hold however the host misbehaves, checked from the host's side of the boundary:
// the script keeps yielding, every visit cleans up after itself and disarms its greetings,
// no handle of something already gone is used without an existence test, visits keep coming,
// and nobody is left standing without something to do.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "script_host.h"
#include "visit/scheduler.h"

namespace sim {

struct Violation {
    uint64_t frame = 0;
    int32_t gameTime = 0;  // ms, the host timer at the time
    int64_t runMs = 0;     // ms since the seed began
    std::string kind;      // short name, the same for every violation of one invariant
    std::string text;
    std::string calls;  // the last host calls before it, oldest first
};

// Longest a single scriptWait may hold the script, ms of game time.
inline constexpr int32_t kLongestWaitMs = 2000;
// Longest pass of the main loop: two visitors and two horses created with slow models, the
// ranch fixtures rebuilt for both visitors, two household greetings and the settle waits.
inline constexpr int32_t kLongestPassMs = 90000;
// Game time after a start that brought nobody before the start test tries again.
inline constexpr int32_t kStartRetryMs = tw::kStartRetryMs;
// Passes that meet every start condition, a cooldown after the last visit, before one must start:
// with a 15 % chance per pass the odds of 250 misses are about 2e-18.
inline constexpr int kEligiblePassLimit = 250;

// The limits below are the checker's own, written again on purpose rather than read from the
// plug-in: a checker that took them from the code it checks could not catch a wrong one.
// tests/soak_limits_agree_test.cpp holds each equal to the plug-in's, so a deliberate change of
// the plug-in has to change both.

// Longest the plug-in may poll a model that does not load, ms. The checker's own copy of
// tw::kModelLoadLimitMs.
inline constexpr int32_t kModelPollLimitMs = 5000;
// After this long a departing visitor is removed wherever it is, ms. The checker's own copy of
// tw::kDepartureLimitMs.
inline constexpr int32_t kDepartureLimitMs = 300000;
// A visitor stands this long after it arrives before its first activity, ms. The checker's own
// copy of VisitorState::settleDelay (not the 100 ms settle waits of the departure and the end).
inline constexpr int64_t kSettleDelayMs = 3000;
// Horse scenarios are chosen this far apart, ms. The checker's own copy of
// VisitorState::horseScenarioInterval.
inline constexpr int64_t kHorseIntervalMs = 300000;
// The clock hours the visitors are awake, first and last. The checker's own copy of
// tw::kDayStartHour and tw::kDayEndHour.
inline constexpr int kDayStart = 6, kDayEnd = 21;

struct SoakLimits {
    int32_t cooldownMs = 0;  // as the plug-in reads it from the settings file
    int32_t durationMs = 0;
    int32_t frameStepMs = 100;
    int32_t longestPassMs = kLongestPassMs;  // a pass of the main loop takes no longer
};

class InvariantChecker {
  public:
    explicit InvariantChecker(const SoakLimits& limits);

    // The run time (ms since the seed began) and frame of the calls that follow.
    void setNow(int64_t runMs, uint64_t frame) { now_ = runMs, frame_ = frame; }
    // Before the world answers a call: handles of things already gone.
    void beforeCall(const host::Call& c, const host::World& w);
    // After the world answered it.
    void afterCall(const host::Call& c, const host::World& w);
    // After every frame. ran: the script ran in it; waitMs: the wait it yielded with then.
    void afterFrame(const host::World& w, bool ran, int32_t waitMs);
    // A developer key that may end a visit or restart the cooldown was sent before this frame.
    void keySent(uint32_t key);
    // The game restarted the script before this frame (a saved game was loaded): what the
    // plug-in held is the game's to give out again, and the load's conditions hold afresh.
    void scriptRestarted(const host::World& w);
    // Handles the host handed the plug-in outside a call's result (worldGetAllPeds).
    void handlesGiven(const int32_t* handles, int32_t count);
    // End of the seed: host errors.
    void finish(const host::World& w, const std::vector<std::string>& hostErrors);

    const std::vector<Violation>& violations() const { return violations_; }
    int visitsStarted() const { return visitsStarted_; }
    int visitsEnded() const { return visitsEnded_; }
    int startsWithNobody() const { return startsWithNobody_; }  // starts that created no visitor
    int32_t longestPassMs() const { return static_cast<int32_t>(longestPass_); }
    int32_t longestPollMs() const { return static_cast<int32_t>(longestPoll_); }
    int longestEligibleWait() const { return longestEligibleWait_; }  // passes before a start
    uint64_t deadHandleTests() const { return deadTests_; }           // existence tests that found a handle gone
    int visitsCutByReload() const { return visitsCut_; }              // visits under way when the script restarted

  private:
    struct Actor {
        host::Handle handle = 0;
        bool horse = false;
        bool departing = false;
        bool idleReported = false;
        int64_t lastOrder = 0;     // run time of the last task given to it
        int64_t lastActivity = 0;  // run time of its last activity in the day; 0 = none since the night
        bool churnReported = false;
        int32_t sleepOutfit = -1;        // the preset it sleeps in
        int64_t nightclothesSince = -1;  // run time it was first seen in them out of bed; -1 = not
        bool nightclothesReported = false;
    };

    void violate(const host::World& w, const char* kind, std::string text);
    void passEnd(const host::World& w);
    void closeVisit(const host::World& w);
    void checkNightclothes(const host::World& w, Actor& a, const host::Entity& e, bool day);
    Actor* actor(host::Handle h);
    void onFailedPoll(const host::Call& c, const host::World& w);
    void onVisitStart(const host::Call& c);
    void onActorCreated(const host::Call& c, const host::World& w);
    void onOrder(const host::Call& c, const host::World& w);
    void checkHandle(const host::Call& c, const host::World& w, std::size_t arg, host::Handle h, bool point);
    void checkTouch(const host::Call& c, const host::World& w, std::size_t arg, host::Handle h, bool point);
    void onGiven(const host::Call& c, const host::World& w);
    std::string describe(const host::World& w, host::Handle h) const;
    std::string recentCalls() const;  // the last calls' names, oldest first

    SoakLimits limits_;
    int64_t now_ = 0;
    uint64_t frame_ = 0;
    int32_t gameTime_ = 0;
    std::vector<Violation> violations_;

    // dead handles: the values an existence test saw gone, and those already reported
    std::unordered_set<host::Handle> entityTested_, pointTested_, entityReported_, pointReported_;
    uint64_t deadTests_ = 0;

    // restarts: values used or given before the last one, given since, made since the script
    // last started, and what was reported since
    std::unordered_set<host::Handle> heldNow_, heldBefore_, givenSince_, madeSinceStart_;
    std::unordered_set<host::Handle> heldReported_, foreignReported_;
    bool sinceRestart_ = false;     // no visit has started since the last restart
    bool beforeFirstVisit_ = true;  // no visit has started since the script last started
    int visitsCut_ = 0;

    // the script's yields
    bool seenResume_ = false;
    int64_t lastResume_ = 0;
    int64_t lastPassEnd_ = 0;
    int64_t longestPass_ = 0;
    bool lastCallFailedPoll_ = false;
    bool pollStreak_ = false;
    bool pollReported_ = false;
    int64_t pollStart_ = 0;
    int64_t longestPoll_ = 0;
    uint64_t callsThisFrame_ = 0;
    std::array<tw::Op, 6> recent_{};  // the last calls, oldest first, for the violation text
    int32_t lastWaitMs_ = 0;          // the wait the script last yielded with

    // visits
    bool open_ = false;
    bool overranReported_ = false;
    int64_t openTime_ = 0;
    int visitorlessPassEnds_ = 0;
    int visitsStarted_ = 0, visitsEnded_ = 0, startsWithNobody_ = 0;
    bool visitorCreated_ = false;  // the open visit's start made a visitor's ped
    bool visitorSeen_ = false;     // a visitor was alive at one of its pass ends
    std::vector<Actor> actors_;
    std::vector<host::Handle> spotPoints_;

    // visits keep coming
    bool passEligible_ = true;
    bool firstPassSeen_ = false;
    int64_t lastEndEstimate_ = 0;  // never earlier than the plug-in's own last visit end
    bool keyResetPending_ = false;
    int64_t retryFrom_ = 0;         // run time before which a start after one that brought nobody may wait
    bool lastStartFailed_ = false;  // the last start brought nobody
    int eligiblePasses_ = 0;
    bool startOverdueReported_ = false;
    int longestEligibleWait_ = 0;
};

}  // namespace sim
