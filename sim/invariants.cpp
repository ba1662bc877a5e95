#include "invariants.h"

#include <algorithm>
#include <array>
#include <concepts>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "behaviour/night_sleep.h"
#include "behaviour/speech_record.h"
#include "frame/key_state.h"
#include "ranch_map.h"

namespace sim {

namespace {

using host::Call;
using host::Entity;
using host::EntityKind;
using host::Handle;
using host::Hash;
using host::World;
using tw::Op;

constexpr int64_t kIdleLimitMs = 190000;           // 125 s activity at most, plus a long pass
constexpr int64_t kHorseRetaskSlackMs = 1000;      // a horse re-tasked a little early is the frame's rounding
constexpr int64_t kOverrunSlackMs = 180000;        // passes, waits and the removal test
constexpr float kEligibleDistance = 95.0f;         // m from the ranch point, inside the 100 m the start test needs
constexpr uint64_t kCallsPerFrameLimit = 1000000;  // a script that never yields
constexpr int64_t kShortestActivityMs = 59000;     // activities last 60 s at least, wandering included
// Nightclothes come off in the visitor's first pass of the day or of its departure; a pass
// takes kLongestPassMs at the very most.
constexpr int64_t kNightclothesLimitMs = kLongestPassMs;

// Text from its pieces: strings as they are, integers in decimal. The checker builds the same
// texts wherever it is compiled, with no formatting library of its own.
void append(std::string& out, std::string_view s) { out += s; }
template <std::integral T>
void append(std::string& out, T n) {
    out += std::to_string(n);
}
template <class... Parts>
std::string cat(const Parts&... parts) {
    std::string out;
    (append(out, parts), ...);
    return out;
}

std::string twoDigits(int32_t n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", static_cast<int>(n));
    return text;
}

// What a call does to the entity or point at one of its handle arguments: commands, dresses,
// moves or deletes it (Yes), or only looks at, greets or makes it speak (Greets: allowed on
// the player and the household), or neither.
enum class Touch : uint8_t { No, Yes, Greets };

Touch touchOf(Op op, std::size_t arg) {
    switch (op) {
        case Op::pedSetOnMount:
        case Op::taskMountAnimal:
            return arg <= 1 ? Touch::Yes : Touch::No;  // the rider and the horse
        case Op::taskLookAtEntity:
        case Op::pedSetGreetingResponse:
        case Op::audioPlayPedSpeech:
            return arg == 0 ? Touch::Greets : Touch::No;
        case Op::entitySetHeading:
        case Op::entitySetCoords:
        case Op::entitySetScriptOwned:
        case Op::entityDelete:
        case Op::pedDelete:
        case Op::pedSpawnOptionD:
        case Op::pedSpawnOptionA:
        case Op::pedSpawnOptionB:
        case Op::pedSpawnOptionC:
        case Op::pedSetConfigFlag:
        case Op::pedSetRelationshipGroup:
        case Op::pedSetOutfitPreset:
        case Op::pedRefreshAppearance:
        case Op::pedApplyEquipmentItem:
        case Op::pedSetVoice:
        case Op::pedSetName:
        case Op::weaponRemoveFromPed:
        case Op::taskClearPedTasks:
        case Op::taskUseScenarioPoint:
        case Op::taskWanderInArea:
        case Op::taskFollowNavMeshToCoord:
        case Op::taskGoToEntity:
        case Op::scenarioPointDelete:
            return arg == 0 ? Touch::Yes : Touch::No;
        default:
            return Touch::No;
    }
}

bool isHousehold(const Entity& e) {
    for (const char* m : host::kHouseholdModels)
        if (e.model == host::nameHash(m) && !e.byPlugin) return true;
    return false;
}

bool isDay(const World& w) {
    const int32_t hour = host::clockHour(w);
    return hour >= kDayStart && hour <= kDayEnd;
}

using host::isVisitorHorseModel;
using host::isVisitorModel;

// The ped an order goes to: the same slot in every order the checker follows.
constexpr std::size_t kOrderedPed =
    host::sharedArgIndex<"ped", Op::taskUseScenarioPoint, Op::taskWanderInArea, Op::taskFollowNavMeshToCoord,
                         Op::taskGoToEntity, Op::taskMountAnimal, Op::pedSetOnMount>();

// The live entity a handle names, or null.
const Entity* liveEntity(const World& w, Handle h) {
    const Entity* e = host::entityRecord(w, h);
    return e && e->alive ? e : nullptr;
}

std::string modelName(const World& w, host::Hash h) {
    auto it = w.names.find(h);
    if (it != w.names.end()) return it->second;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(h));
    return hex;
}

}  // namespace

InvariantChecker::InvariantChecker(const SoakLimits& limits) : limits_(limits) { recent_.fill(Op::Count); }

void InvariantChecker::violate(const World& w, const char* kind, std::string text) {
    Violation v;
    v.frame = frame_;
    v.gameTime = w.gameTime;
    v.runMs = now_;
    v.kind = kind;
    v.text = std::move(text);
    v.calls = recentCalls();
    if (violations_.size() < 200) violations_.push_back(std::move(v));
}

std::string InvariantChecker::recentCalls() const {
    std::string out;
    for (Op op : recent_)
        if (op != Op::Count) out += cat(out.empty() ? "" : ", ", tw::opInfo(op).name);
    return out;
}

std::string InvariantChecker::describe(const World& w, Handle h) const {
    if (const Entity* e = host::entityRecord(w, h)) {
        const char* kind = e->kind == EntityKind::Object ? "object" : e->kind == EntityKind::Horse ? "horse" : "ped";
        return cat(kind, " ", h, " (", modelName(w, e->model), ")");
    }
    if (const host::ScenarioPoint* p = host::pointRecord(w, h))
        return cat("scenario point ", h, " (", modelName(w, p->type), ")");
    return cat("handle ", h);
}

InvariantChecker::Actor* InvariantChecker::actor(Handle h) {
    for (Actor& a : actors_)
        if (a.handle == h) return &a;
    return nullptr;
}

void InvariantChecker::keySent(uint32_t key) {
    // F3 ends a visit and F4 restarts the cooldown, both in the pass that reads the key.
    if (key == tw::kKeyF3 || key == tw::kKeyF4) keyResetPending_ = true;
}

// ---- calls ------------------------------------------------------------------------

void InvariantChecker::beforeCall(const Call& c, const World& w) {
    gameTime_ = c.time;
    if (++callsThisFrame_ == kCallsPerFrameLimit)
        violate(w, "never yields", cat(kCallsPerFrameLimit, " host calls in one frame without a wait"));

    const tw::OpInfo& info = tw::opInfo(c.op);
    for (std::size_t i = 0; i < c.argc; ++i) {
        const tw::ArgRole role = info.args[i].role;
        if (role != tw::ArgRole::Entity && role != tw::ArgRole::Point && role != tw::ArgRole::EntitySlot) continue;
        Handle h = c.u(i);
        if (role == tw::ArgRole::EntitySlot) {
            const auto* slot = static_cast<const uint32_t*>(c.p(i));
            h = slot ? *slot : 0;
        }
        if (h == 0) continue;
        const bool point = role == tw::ArgRole::Point;
        checkHandle(c, w, i, h, point);
        // A value of a slot since given out again names nothing now, as one whose thing is gone.
        const int64_t slot = point ? host::pointSlotOf(h) : host::entitySlotOf(h);
        const std::size_t pool = point ? w.points.size() : w.entities.size();
        if (slot < 0 || static_cast<std::size_t>(slot) >= pool) continue;
        const bool alive = point ? host::pointRecord(w, h) && host::pointRecord(w, h)->alive
                                 : host::entityRecord(w, h) && host::entityRecord(w, h)->alive;
        if (alive) continue;
        auto& tested = point ? pointTested_ : entityTested_;
        auto& reported = point ? pointReported_ : entityReported_;
        if (c.op == (point ? Op::scenarioPointExists : Op::entityExists)) {
            tested.insert(h);
            ++deadTests_;
            continue;
        }
        if (tested.count(h) || reported.count(h)) continue;
        reported.insert(h);
        violate(w, "gone handle used",
                cat(tw::opInfo(c.op).name, " on ", describe(w, h),
                    " after it was gone, with no existence test since (the script last waited ", lastWaitMs_,
                    " ms; calls before: ", recentCalls(), ")"));
    }
    std::rotate(recent_.begin(), recent_.begin() + 1, recent_.end());
    recent_.back() = c.op;
}

// A value the plug-in held before the last restart, and was not given since, names whatever the
// rebuilt world gave it to; and only what the plug-in made since its script started is its own.
void InvariantChecker::checkHandle(const Call& c, const World& w, std::size_t arg, Handle h, bool point) {
    heldNow_.insert(h);
    if (heldBefore_.count(h) && !givenSince_.count(h) && heldReported_.insert(h).second)
        violate(w, "held across a restart",
                cat(tw::opInfo(c.op).name, " with ", describe(w, h),
                    ", a value the plug-in held before the script restarted and has not been given since"));
    checkTouch(c, w, arg, h, point);
}

void InvariantChecker::checkTouch(const Call& c, const World& w, std::size_t arg, Handle h, bool point) {
    const Touch touch = touchOf(c.op, arg);
    if (touch == Touch::No || madeSinceStart_.count(h)) return;
    if (point) {
        const host::ScenarioPoint* p = host::pointRecord(w, h);
        if (!p || !p->alive) return;
    } else {
        const Entity* e = liveEntity(w, h);
        if (!e || (touch == Touch::Greets && (h == w.playerPed || isHousehold(*e)))) return;
    }
    if (!foreignReported_.insert(h).second) return;
    violate(w, "foreign entity touched",
            cat(tw::opInfo(c.op).name, " on ", describe(w, h),
                ", which the plug-in did not make since its script last started"));
}

void InvariantChecker::onGiven(const Call& c, const World& w) {
    const auto h = static_cast<Handle>(c.result[0]);
    if (h == 0 || tw::opInfo(c.op).result != tw::ResultKind::Handle || c.op == Op::playerGetId) return;
    givenSince_.insert(h);
    heldNow_.insert(h);
    if (c.op != Op::pedCreate && c.op != Op::objectCreate && c.op != Op::scenarioPointCreate) return;
    madeSinceStart_.insert(h);
    // One visit's visitors and horses at a time: never two of one model.
    const Entity* made = liveEntity(w, h);
    if (!made || !(isVisitorModel(made->model) || isVisitorHorseModel(made->model))) return;
    for (const Entity& e : w.entities)
        if (e.alive && e.byPlugin && e.model == made->model && e.handle != h)
            return violate(w, "two sets of visitors",
                           cat(describe(w, h), " made while ", describe(w, e.handle), " is still in the world"));
}

void InvariantChecker::handlesGiven(const int32_t* handles, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const auto h = static_cast<Handle>(handles[i]);
        givenSince_.insert(h);
        heldNow_.insert(h);
    }
}

void InvariantChecker::scriptRestarted(const World&) {
    heldBefore_.insert(heldNow_.begin(), heldNow_.end());
    heldNow_.clear();
    givenSince_.clear();
    madeSinceStart_.clear();
    heldReported_.clear();
    foreignReported_.clear();
    if (open_) {
        // The visit under way is gone with the world the plug-in made it in.
        open_ = false;
        if (visitorCreated_)
            ++visitsCut_;
        else
            --visitsStarted_;
    }
    actors_.clear();
    spotPoints_.clear();
    beforeFirstVisit_ = true;
    sinceRestart_ = true;
    // As at load: the first pass may start a visit, whatever came before.
    firstPassSeen_ = false;
    eligiblePasses_ = 0;
    startOverdueReported_ = false;
    retryFrom_ = 0;
    lastStartFailed_ = false;
    keyResetPending_ = false;
    passEligible_ = true;
    lastPassEnd_ = now_;  // the interrupted pass never ends
    pollStreak_ = false;
    lastCallFailedPoll_ = false;
}

// A model poll that failed, and the timer read that follows it, keep a polling streak going.
void InvariantChecker::onFailedPoll(const Call& c, const World& w) {
    if (!pollStreak_) pollStreak_ = true, pollReported_ = false, pollStart_ = now_;
    lastCallFailedPoll_ = true;
    const int64_t polled = now_ - pollStart_;
    longestPoll_ = std::max(longestPoll_, polled);
    if (polled > kModelPollLimitMs + 2 * limits_.frameStepMs && !pollReported_) {
        pollReported_ = true;
        violate(w, "model polled too long",
                cat(modelName(w, host::Args<Op::streamingHasModelLoaded>{c}.u<"model">()), " polled for ", polled,
                    " ms without loading"));
    }
}

// Only the creation of a visitor or its horse asks whether its model is valid: a visit is starting.
void InvariantChecker::onVisitStart(const Call& c) {
    const Hash model = host::Args<Op::streamingIsModelValid>{c}.u<"model">();
    if (open_ || !(isVisitorModel(model) || isVisitorHorseModel(model))) return;
    open_ = true;
    overranReported_ = false;
    openTime_ = now_;
    visitorlessPassEnds_ = 0;
    visitorCreated_ = false;
    visitorSeen_ = false;
    ++visitsStarted_;
    sinceRestart_ = false;
    beforeFirstVisit_ = false;
    longestEligibleWait_ = std::max(longestEligibleWait_, eligiblePasses_);
    eligiblePasses_ = 0;
    startOverdueReported_ = false;
}

void InvariantChecker::onActorCreated(const Call& c, const World& w) {
    const auto h = static_cast<Handle>(c.result[0]);
    const Hash model = host::Args<Op::pedCreate>{c}.u<"model">();
    if (h == 0 || !(isVisitorModel(model) || isVisitorHorseModel(model))) return;
    std::erase_if(actors_, [&w](const Actor& a) { return !liveEntity(w, a.handle); });
    const bool horse = isVisitorHorseModel(model);
    visitorCreated_ = visitorCreated_ || !horse;
    Actor a{h, horse, false, false, horse ? 0 : now_};  // a horse's first scenario comes at once
    if (!horse)
        a.sleepOutfit =
            model == host::nameHash(host::kPluginModels[0]) ? tw::kSadieSleepOutfit : tw::kCharlesSleepOutfit;
    actors_.push_back(a);
}

// An order to a visitor or horse: how soon after the last one it came.
void InvariantChecker::onOrder(const Call& c, const World& w) {
    Actor* a = actor(c.u(kOrderedPed));
    if (!a) return;
    const bool activity = c.op == Op::taskUseScenarioPoint || c.op == Op::taskWanderInArea;
    if (a->horse && activity) {
        if (a->lastOrder != 0 && now_ - a->lastOrder < kHorseIntervalMs - kHorseRetaskSlackMs && !a->churnReported) {
            a->churnReported = true;
            violate(w, "horse re-tasked early",
                    cat(describe(w, a->handle), " given a new scenario ", now_ - a->lastOrder, " ms after the last"));
        }
        a->lastOrder = now_;
    } else if (!a->horse) {
        a->lastOrder = now_;
        // An activity lasts 60 s at least, so in the day none is replaced sooner.
        if (activity && !a->departing && isDay(w)) {
            if (a->lastActivity != 0 && now_ - a->lastActivity < kShortestActivityMs && !a->churnReported) {
                a->churnReported = true;
                violate(w, "activity cut short",
                        cat(describe(w, a->handle), " given a new activity ", now_ - a->lastActivity,
                            " ms after the last"));
            }
            a->lastActivity = now_;
        }
    }
}

void InvariantChecker::afterCall(const Call& c, const World& w) {
    if (c.op == Op::streamingHasModelLoaded && static_cast<uint32_t>(c.result[0]) == 0) return onFailedPoll(c, w);
    if (c.op != Op::gameGetTimer) lastCallFailedPoll_ = false, pollStreak_ = false;
    onGiven(c, w);

    switch (c.op) {
        case Op::streamingIsModelValid:
            onVisitStart(c);
            break;
        case Op::pedCreate:
            onActorCreated(c, w);
            break;
        case Op::scenarioPointCreate:
            // The activity spots are made at start, before any visit, with flags (0, 0).
            if (c.result[0] != 0 && beforeFirstVisit_ && host::Args<Op::scenarioPointCreate>{c}.i<"b">() == 0 &&
                spotPoints_.size() < 8)
                spotPoints_.push_back(static_cast<Handle>(c.result[0]));
            break;
        case Op::taskUseScenarioPoint:
        case Op::taskWanderInArea:
        case Op::taskFollowNavMeshToCoord:
        case Op::taskGoToEntity:
        case Op::taskMountAnimal:
        case Op::pedSetOnMount:
            onOrder(c, w);
            break;
        case Op::audioPlayPedSpeech: {
            const host::Args<Op::audioPlayPedSpeech> a{c};
            const auto* rec = static_cast<const tw::SpeechRecord*>(a.p<"speechRecord">());
            const char* line = rec ? tw::lineOf(*rec) : nullptr;
            if (line && std::strcmp(line, "HEADING_OUT") == 0)
                if (Actor* actor = this->actor(a.u<"ped">())) actor->departing = true;
            break;
        }
        default:
            break;
    }
}

// ---- frames and passes ----------------------------------------------------------------

void InvariantChecker::afterFrame(const World& w, bool ran, int32_t waitMs) {
    callsThisFrame_ = 0;
    gameTime_ = w.gameTime;

    // The start conditions the host can see: the player at the ranch, no mission running.
    if (const Entity* p = host::findEntity(const_cast<World&>(w), w.playerPed)) {
        const float dx = p->pos.x - kRanchPoint.x, dy = p->pos.y - kRanchPoint.y, dz = p->pos.z - kRanchPoint.z;
        if (dx * dx + dy * dy + dz * dz > kEligibleDistance * kEligibleDistance || w.missionActive)
            passEligible_ = false;
    }

    // Visitors awake in the day are never left without an activity for long.
    const int32_t hour = host::clockHour(w);
    const bool day = isDay(w);
    for (Actor& a : actors_) {
        if (a.horse) continue;
        const Entity* e = liveEntity(w, a.handle);
        if (!e) continue;
        checkNightclothes(w, a, *e, day);
        if (a.departing) continue;
        if (!day) {
            a.lastOrder = now_;
            a.lastActivity = 0;
            continue;
        }
        if (!a.idleReported && now_ - a.lastOrder > kIdleLimitMs + kSettleDelayMs) {
            a.idleReported = true;
            const host::ScenarioPoint* p = e->task.kind == host::TaskKind::Scenario
                                               ? host::findPoint(const_cast<World&>(w), e->task.point)
                                               : nullptr;
            violate(w, "visitor left idle",
                    cat(describe(w, a.handle), " given no activity for ", now_ - a.lastOrder, " ms in the day (",
                        twoDigits(hour), ":00)", p ? cat(", still at ", describe(w, p->handle)) : std::string()));
        }
    }

    if (open_ && !overranReported_ &&
        now_ - openTime_ > int64_t{limits_.durationMs} + kDepartureLimitMs + kOverrunSlackMs) {
        overranReported_ = true;
        violate(w, "visit overran",
                cat("visit started ", now_ - openTime_, " ms ago, duration ", limits_.durationMs, " ms"));
    }

    if (!ran) return;
    if (seenResume_ && now_ - lastResume_ > kLongestWaitMs + limits_.frameStepMs)
        violate(w, "script held too long", cat(now_ - lastResume_, " ms between two resumptions of the script"));
    if (!seenResume_) lastPassEnd_ = now_;
    seenResume_ = true;
    lastResume_ = now_;
    lastWaitMs_ = waitMs;
    if (lastCallFailedPoll_) return;
    if (waitMs == 0) {
        passEnd(w);
    } else if (waitMs == 1000) {
        // A pass while the ranch is not ready, or the start-up wait: only the pass length counts.
        longestPass_ = std::max(longestPass_, now_ - lastPassEnd_);
        lastPassEnd_ = now_;
    }
}

void InvariantChecker::passEnd(const World& w) {
    const int64_t pass = now_ - lastPassEnd_;
    longestPass_ = std::max(longestPass_, pass);
    if (pass > limits_.longestPassMs) violate(w, "pass too long", cat("a pass of the main loop took ", pass, " ms"));
    const int64_t passStart = lastPassEnd_;
    lastPassEnd_ = now_;

    if (!firstPassSeen_) {
        // The plug-in set its last visit end a cooldown before a moment earlier than this.
        firstPassSeen_ = true;
        lastEndEstimate_ = now_ - limits_.cooldownMs;
    }
    if (keyResetPending_) {
        keyResetPending_ = false;
        lastEndEstimate_ = std::max(lastEndEstimate_, now_);
        eligiblePasses_ = 0;
    }

    if (open_) {
        bool visitorAlive = false;
        for (const Actor& a : actors_) {
            visitorAlive = visitorAlive || (!a.horse && liveEntity(w, a.handle));
        }
        // Two pass ends without a visitor: a whole pass ran its end test with none left.
        visitorSeen_ = visitorSeen_ || visitorAlive;
        visitorlessPassEnds_ = visitorAlive ? 0 : visitorlessPassEnds_ + 1;
        if (visitorlessPassEnds_ >= 2) closeVisit(w);
    } else {
        if (passEligible_ && passStart - lastEndEstimate_ >= limits_.cooldownMs && passStart >= retryFrom_) {
            ++eligiblePasses_;
            if (eligiblePasses_ > kEligiblePassLimit && !startOverdueReported_) {
                startOverdueReported_ = true;
                if (sinceRestart_)
                    violate(w, "full cooldown after a reload",
                            cat(eligiblePasses_, " passes met every start condition since the script restarted",
                                " (a saved game was loaded) and no visit started"));
                else
                    violate(w, "no visit started",
                            lastStartFailed_ ? cat(eligiblePasses_, " passes met every start condition ", kStartRetryMs,
                                                   " ms after a start that brought nobody, with the cooldown (",
                                                   limits_.cooldownMs, " ms) long over")
                                             : cat(eligiblePasses_, " passes met every start condition a cooldown (",
                                                   limits_.cooldownMs, " ms) after the last visit"));
            }
        }
    }
    passEligible_ = true;
}

void InvariantChecker::closeVisit(const World& w) {
    open_ = false;
    eligiblePasses_ = 0;
    actors_.clear();

    // A start that made no visitor is no visit: its horses go, the ranch fixtures stay as they
    // were, and the cooldown does not start again; the start test tries again within the hour.
    // A visitor made but gone before any pass end may have counted as come or not: either way
    // is sound, so only the leftovers are checked and the cooldown is assumed to run.
    const bool nobody = !visitorSeen_;
    lastStartFailed_ = !visitorCreated_;
    if (nobody && !visitorCreated_) {
        ++startsWithNobody_;
        --visitsStarted_;
        retryFrom_ = now_ + kStartRetryMs;
    } else {
        ++visitsEnded_;
        lastEndEstimate_ = now_;
    }

    for (const Entity& e : w.entities)
        if (e.alive && e.byPlugin && (!nobody || e.kind != EntityKind::Object))
            violate(w, "left behind",
                    cat(describe(w, e.handle), " still in the world after the ",
                        nobody ? "start that brought nobody" : "visit ended"));
    for (const host::ScenarioPoint& p : w.points) {
        if (nobody) break;  // the bedrolls' sleep points are the only ones a start leaves
        if (!p.alive || !p.byPlugin) continue;
        if (std::find(spotPoints_.begin(), spotPoints_.end(), p.handle) != spotPoints_.end()) continue;
        violate(w, "left behind", cat(describe(w, p.handle), " still in the world after the visit ended"));
    }
    if (w.playerGreetingLine)
        violate(w, "greeting left armed",
                cat("the player's greeting line \"", w.playerGreetingLine, "\" still armed after the visit ended"));
    for (const Entity& e : w.entities)
        if (e.alive && e.greetingResponse)
            violate(w, "greeting left armed",
                    cat(describe(w, e.handle), " still answers greetings with \"", e.greetingResponse,
                        "\" after the visit ended"));
}

void InvariantChecker::checkNightclothes(const World& w, Actor& a, const Entity& e, bool day) {
    // Nobody wears nightclothes outside bed: not in the day, and not on the way home.
    if (e.outfit != a.sleepOutfit || !(day || a.departing)) {
        a.nightclothesSince = -1;
        return;
    }
    if (a.nightclothesSince < 0) a.nightclothesSince = now_;
    if (now_ - a.nightclothesSince <= kNightclothesLimitMs || a.nightclothesReported) return;
    a.nightclothesReported = true;
    violate(w, "nightclothes out of bed",
            cat(describe(w, a.handle), " in its sleep outfit ", a.sleepOutfit, " for ", now_ - a.nightclothesSince,
                " ms ", a.departing ? "while it leaves" : "in the day"));
}

void InvariantChecker::finish(const World& w, const std::vector<std::string>& hostErrors) {
    for (const std::string& e : hostErrors) violate(w, "host error", e);
}

}  // namespace sim
