#include "recorder.h"

#include <fmt/format.h>
#include <iterator>

#include <cstring>

#include "behaviour/night_sleep.h"
#include "behaviour/speech_record.h"
#include "frame/settings.h"
#include "ranch_layout.h"
#include "ranch_map.h"
#include "visit/scheduler.h"

namespace sim {

namespace {

using host::Call;
using host::Handle;
using host::Hash;
using tw::Op;

// The model of the streaming calls, and the ped of the orders, sit in the same slot in each.
constexpr std::size_t kStreamedModel =
    host::sharedArgIndex<"model", Op::streamingIsModelValid, Op::streamingRequestModel, Op::streamingReleaseModel>();
constexpr std::size_t kOrderedPed =
    host::sharedArgIndex<"ped", Op::taskUseScenarioPoint, Op::taskWanderInArea, Op::taskFollowNavMeshToCoord,
                         Op::taskGoToEntity, Op::taskMountAnimal, Op::pedSetOnMount, Op::pedSetOutfitPreset>();

constexpr int32_t kMsPerHour = host::kMsPerGameHour;
constexpr int32_t kNightGapMs = 10 * kMsPerHour;  // two sleep starts this far apart are two nights

constexpr const char* kHouseholdNames[3] = {"Abigail", "Uncle", "Jack"};

constexpr int32_t kSleepOutfit[2] = {tw::kSadieSleepOutfit, tw::kCharlesSleepOutfit};

bool isVisitor(std::size_t a) { return a < 2; }
std::size_t horseOf(std::size_t a) { return a + 2; }

host::World& world() { return host::gHost.world; }

std::string xy(float x, float y) { return fmt::format("({:.1f}, {:.1f})", x, y); }

int nearestArrival(tw::Vec3 p) {
    int best = 0;
    for (std::size_t i = 1; i < kArrivalPoints.size(); ++i)
        if (planar(p, kArrivalPoints[i]) < planar(p, kArrivalPoints[static_cast<std::size_t>(best)]))
            best = static_cast<int>(i);
    return best;
}

int nearBedroll(tw::Vec3 p) {
    for (int i = 0; i < 2; ++i)
        if (planar(p, kBedrolls[static_cast<std::size_t>(i)]) < 2.5f) return i;
    return -1;
}

// Row for row with the enum's order.
constexpr const char* kSegKindNames[] = {
    "arrival",         // Arrive
    "activity spot",   // Spot
    "chore",           // Chore
    "nearby seat",     // Nearby
    "walking",         // Walk
    "sleep",           // Sleep
    "departure",       // Departure
    "horse scenario",  // HorseIdle
    "wandering",       // Wander
};
static_assert(std::size(kSegKindNames) == static_cast<std::size_t>(SegKind::Wander) + 1);

// Row for row with the enum's order.
constexpr const char* kEventKindNames[] = {
    "visit",      // Visit
    "arrival",    // Arrival
    "activity",   // Activity
    "walk",       // Walk
    "night",      // Night
    "speech",     // Speech
    "greeting",   // Greeting
    "outfit",     // Outfit
    "departure",  // Departure
    "removal",    // Removal
    "bedroll",    // Bedroll
    "fault",      // Fault
    "scenario",   // Scenario
    "log",        // Log
};
static_assert(std::size(kEventKindNames) == static_cast<std::size_t>(EventKind::Log) + 1);
}  // namespace

const char* segKindName(SegKind k) { return kSegKindNames[static_cast<std::size_t>(k)]; }
const char* eventKindName(EventKind k) { return kEventKindNames[static_cast<std::size_t>(k)]; }

std::string activityWhere(SegKind k, int spot) {
    switch (k) {
        case SegKind::Spot:
            return spot > 0 ? fmt::format(" at activity spot {}", spot) : " nearby";
        case SegKind::Chore:
            return " (chore)";
        case SegKind::Nearby:
            return " nearby";
        default:
            return "";
    }
}

Recorder::Recorder(int32_t clockStartHour, int32_t cooldownHours)
    : clockStartHour_(clockStartHour), cooldownHours_(cooldownHours) {
    actors_ = makeActorTracker();
    for (std::size_t i = 0; i < 3; ++i) householdModels_[i] = host::nameHash(host::kHouseholdModels[i]);
    for (const char* c : host::kChoreScenarios) choreTypes_.insert(host::nameHash(c));
    sleepType_ = host::nameHash(host::kSleepScenario);
}

int64_t Recorder::secondsAt(int32_t gameTime) const {
    int64_t seconds = int64_t{clockStartHour_} * 3600 + tw::gameSecondsIn(gameTime);
    for (const ClockSet& c : clockSets_)
        if (gameTime >= c.at) seconds = c.seconds + tw::gameSecondsIn(int64_t{gameTime} - c.at);
    return seconds;
}

std::string Recorder::clockText(int32_t gameTime) const {
    const int64_t seconds = secondsAt(gameTime);
    const int64_t day = seconds / 86400 + 1, s = seconds % 86400;
    return fmt::format("Day {} {:02}:{:02}:{:02}", day, s / 3600, s / 60 % 60, s % 60);
}

std::string Recorder::nameOf(Hash h) const {
    auto it = world().names.find(h);
    return it != world().names.end() ? it->second : fmt::format("0x{:08X}", h);
}

std::string Recorder::who(Handle h) const {
    if (int a = actorOfHandle(actors_, h); a >= 0) return actorName(static_cast<Actor>(a));
    if (h == world().playerPed) return "the player";
    if (const host::Entity* e = host::findEntity(world(), h)) {
        for (std::size_t i = 0; i < 3; ++i)
            if (e->model == householdModels_[i]) return kHouseholdNames[i];
    }
    return fmt::format("ped {}", h);
}

void Recorder::emitAbout(EventKind kind, int actor, std::string text) {
    events_.push_back({now_, std::move(text), kind, actor});
}

void Recorder::note(const std::string& text) {
    now_ = world().gameTime;
    emit(EventKind::Scenario, text);
}

void Recorder::noteFault(const std::string& text, Handle target) {
    now_ = world().gameTime;
    // The handle the actor holds or last held: a removal fault ends its presence first.
    int actor = -1;
    for (std::size_t a = 0; a < kActorCount && target; ++a)
        if (actors_.handles[a] == target) actor = static_cast<int>(a);
    emitAbout(EventKind::Fault, actor, text);
}

void Recorder::open(std::size_t a, SegKind kind, std::string label) {
    close(a);
    segments_[a].push_back({now_, now_, kind, std::move(label)});
    segOpen_[a] = true;
    if (keepPassCalls_) openedInPass_.emplace_back(a, segments_[a].size() - 1);
}

void Recorder::close(std::size_t a) {
    if (segOpen_[a]) segments_[a].back().end = now_;
    segOpen_[a] = false;
}

void Recorder::beginVisit() {
    visitActive_ = true;
    visits_.push_back({now_, 0, false});
    ++counts_.visits;
    arrivedThisVisit_ = false;
    emit(EventKind::Visit, fmt::format("visit {} begins", visits_.size()));
}

void Recorder::onScenario(std::size_t a, Handle point) {
    const host::ScenarioPoint* p = host::findPoint(world(), point);
    if (!p) {
        emit(EventKind::Activity, a,
             fmt::format("{} is sent to a scenario point that does not exist ({})", actorName(static_cast<Actor>(a)),
                         point));
        return;
    }
    if (actors_.lastPoint[a] == point && segOpen_[a]) return;  // the same order again
    actors_.lastPoint[a] = point;
    const std::string type = nameOf(p->type);
    const char* name = actorName(static_cast<Actor>(a));
    if (!isVisitor(a)) {
        emit(EventKind::Activity, a, fmt::format("{} starts {}", name, type));
        open(a, SegKind::HorseIdle, type);
        return;
    }
    if (p->type == sleepType_) {
        const int b = nearBedroll(p->pos);
        const std::string bed =
            b >= 0 ? fmt::format("Bedroll {}", b + 1) : "a sleep point at " + xy(p->pos.x, p->pos.y);
        emit(EventKind::Night, a, fmt::format("{} lies down on {}", name, bed));
        open(a, SegKind::Sleep, "sleeps on " + bed);
        if (!sleptBefore_[a] || tw::elapsed(now_, lastSleepStart_[a]) > kNightGapMs) ++counts_.nightsSlept;
        sleptBefore_[a] = true;
        lastSleepStart_[a] = now_;
        return;
    }
    SegKind kind = SegKind::Nearby;
    int spot = 0;
    if (spotPoints_.count(point)) {
        kind = SegKind::Spot;
        for (std::size_t i = 0; i < kActivitySpots.size(); ++i)
            if (planar(p->pos, kActivitySpots[i].pos) < 0.1f && type == kActivitySpots[i].scenario)
                spot = static_cast<int>(i) + 1;
    } else if (choreTypes_.count(p->type)) {
        kind = SegKind::Chore;
    }
    emit(EventKind::Activity, a, fmt::format("{} starts {}{}", name, type, activityWhere(kind, spot)));
    open(a, kind, type);
    segments_[a].back().spot = spot;
    ++counts_.activities[type];
    ++counts_.activityKinds[segKindName(kind)];
}

void Recorder::onModel(const Call& c) {
    const int a = actorOfModel(actors_, c.u(kStreamedModel));
    if (a < 0) return;
    const auto i = static_cast<std::size_t>(a);
    const char* name = actorName(static_cast<Actor>(a));
    if (c.op == Op::streamingIsModelValid) {
        if (!visitActive_ && isVisitor(i)) beginVisit();
        if (!c.result[0])
            emit(EventKind::Arrival, i, fmt::format("{}: model {} is not valid, it stays away", name, kActorModels[a]));
    } else if (c.op == Op::streamingRequestModel) {
        actors_.pending[i] = true;
    } else {
        if (actors_.pending[i])
            emit(EventKind::Arrival, i,
                 fmt::format("{}: model {} did not load in time, it stays away", name, kActorModels[a]));
        actors_.pending[i] = false;
    }
}

void Recorder::onPedCreate(const Call& c) {
    const int ai = actorOfModel(actors_, host::Args<Op::pedCreate>{c}.u<"model">());
    if (ai < 0) return;
    const auto a = static_cast<std::size_t>(ai);
    actors_.pending[a] = false;
    const auto h = static_cast<Handle>(c.result[0]);
    const host::Entity* e = host::findEntity(world(), h);
    const char* name = actorName(static_cast<Actor>(a));
    if (!e) {
        emit(EventKind::Arrival, a, fmt::format("{} could not be created: the host made no ped", name));
        if (isVisitor(a)) ++counts_.failedArrivals;
        return;
    }
    actorArrives(actors_, a, h, e->pos, now_);
    if (isVisitor(a)) {
        ++counts_.arrivals;
        arrivedThisVisit_ = true;
        emit(EventKind::Arrival, a,
             fmt::format("{} arrives near arrival point {} at {}", name, nearestArrival(e->pos) + 1,
                         xy(e->pos.x, e->pos.y)));
    } else {
        emit(EventKind::Arrival, a,
             fmt::format("{} is brought to the horse point at {}", name, xy(e->pos.x, e->pos.y)));
    }
    open(a, SegKind::Arrive, "arrives");
}

void Recorder::onObjectCreate(const Call& c) {
    for (int i = 0; i < 2; ++i) {
        if (host::Args<Op::objectCreate>{c}.u<"model">() !=
            host::nameHash(host::kPluginModels[host::kFirstBedrollModel + static_cast<std::size_t>(i)]))
            continue;
        const auto h = static_cast<Handle>(c.result[0]);
        if (host::findEntity(world(), h)) {
            actors_.bedrolls[static_cast<std::size_t>(i)] = h;
            actors_.bedrollPresent[static_cast<std::size_t>(i)] = true;
            emit(EventKind::Bedroll, fmt::format("Bedroll {} is placed", i + 1));
        } else {
            emit(EventKind::Bedroll, fmt::format("Bedroll {} could not be placed: the host made no object", i + 1));
        }
    }
}

void Recorder::onPointCreate(const Call& c) {
    const auto h = static_cast<Handle>(c.result[0]);
    const host::ScenarioPoint* p = host::findPoint(world(), h);
    if (!p) return;
    const std::string type = nameOf(p->type);
    for (const MapSpot& s : kActivitySpots)
        if (planar(p->pos, s.pos) < 0.1f && type == s.scenario && !visitActive_) spotPoints_.insert(h);
}

void Recorder::onWander(std::size_t a, const Call& c) {
    if (segOpen_[a] && segments_[a].back().kind == SegKind::Wander) return;
    actors_.lastPoint[a] = 0;
    const host::Args<Op::taskWanderInArea> args{c};
    emit(EventKind::Walk, a,
         fmt::format("{} wanders about {}", actorName(static_cast<Actor>(a)), xy(args.f<"x">(), args.f<"y">())));
    open(a, SegKind::Wander, "wanders");
}

void Recorder::onWalkTo(std::size_t a, const Call& c) {
    const char* name = actorName(static_cast<Actor>(a));
    const host::Args<Op::taskFollowNavMeshToCoord> args{c};
    const tw::Vec3 target = args.xyz();
    actors_.lastPoint[a] = 0;
    if (actors_.departing[a]) {
        if (actors_.ridingAway[a]) return;  // a new target every few seconds while riding off
        actors_.ridingAway[a] = true;
        const host::Entity* e = host::findEntity(world(), args.u<"ped">());
        const bool mounted = e && e->mount && host::findEntity(world(), e->mount);
        emit(EventKind::Departure, a, fmt::format("{} {}", name, mounted ? "rides away" : "walks away on foot"));
        open(a, SegKind::Departure, mounted ? "rides away" : "walks away");
        if (mounted) ++counts_.ridesAway;
        return;
    }
    if (segOpen_[a] && segments_[a].back().kind == SegKind::Walk && planar(target, actors_.lastWalkTarget[a]) < 1.0f)
        return;
    actors_.lastWalkTarget[a] = target;
    const int b = nearBedroll(target);
    const std::string where = b >= 0 ? fmt::format("Bedroll {}", b + 1) : xy(target.x, target.y);
    emit(EventKind::Walk, a, fmt::format("{} walks to {}", name, where));
    open(a, SegKind::Walk, "to " + where);
}

void Recorder::onGoToEntity(std::size_t a, const Call& c) {
    actors_.lastPoint[a] = 0;
    const Handle target = host::Args<Op::taskGoToEntity>{c}.u<"target">();
    if (isVisitor(a) && target == handleOf(static_cast<Actor>(horseOf(a))) && actors_.present[horseOf(a)]) {
        if (actors_.toHorse[a]) return;
        actors_.toHorse[a] = true;
        emit(EventKind::Departure, a,
             fmt::format("{} walks to {}", actorName(static_cast<Actor>(a)), a == 0 ? "her horse" : "his horse"));
        open(a, SegKind::Departure, "to the horse");
        return;
    }
    emit(EventKind::Walk, a, fmt::format("{} walks to {}", actorName(static_cast<Actor>(a)), who(target)));
    open(a, SegKind::Walk, "to " + who(target));
}

void Recorder::onOutfit(std::size_t a, const Call& c) {
    if (!isVisitor(a)) return;
    const int32_t preset = host::Args<Op::pedSetOutfitPreset>{c}.i<"preset">();
    if (preset == 0 && !actors_.dressed[a]) return;  // the spawn's base outfit, before the day's
    const char* name = actorName(static_cast<Actor>(a));
    if (preset == kSleepOutfit[a])
        emit(EventKind::Outfit, a, fmt::format("{} changes into the sleep outfit ({})", name, preset));
    else if (!actors_.dressed[a])
        emit(EventKind::Outfit, a, fmt::format("{} wears outfit {}", name, preset));
    else
        emit(EventKind::Outfit, a, fmt::format("{} changes into outfit {}", name, preset));
    actors_.dressed[a] = true;
}

void Recorder::onSpeech(const Call& c) {
    // Only a record laid out as the host expects is read; the host reports the others.
    const host::Args<Op::audioPlayPedSpeech> args{c};
    const auto* rec = static_cast<const tw::SpeechRecord*>(args.p<"speechRecord">());
    if (!rec || rec->line == 0 || !tw::hasFixedSlots(*rec)) return;
    const Handle ped = args.u<"ped">();
    if (!host::findEntity(world(), ped)) return;
    const std::string line = tw::lineOf(*rec);
    const int ai = actorOfHandle(actors_, ped);
    emitAbout(line.rfind("GREET", 0) == 0 ? EventKind::Greeting : EventKind::Speech, ai,
              fmt::format("{} says {}", who(ped), line));
    ++counts_.lines[line];
    if (ai < 0 || !isVisitor(static_cast<std::size_t>(ai))) return;
    const auto a = static_cast<std::size_t>(ai);
    if (line.rfind("GREET", 0) == 0) ++counts_.greetings;
    if (line == "HEADING_OUT" && !actors_.departing[a]) {
        actors_.departing[a] = true;
        ++counts_.departures;
        open(a, SegKind::Departure, "heading out");
    }
}

// The orders given to one of the actors.
void Recorder::onOrder(std::size_t a, const Call& c) {
    const char* name = actorName(static_cast<Actor>(a));
    switch (c.op) {
        case Op::taskUseScenarioPoint:
            return onScenario(a, host::Args<Op::taskUseScenarioPoint>{c}.u<"point">());
        case Op::taskWanderInArea:
            return onWander(a, c);
        case Op::taskFollowNavMeshToCoord:
            return onWalkTo(a, c);
        case Op::taskGoToEntity:
            return onGoToEntity(a, c);
        case Op::taskMountAnimal:
            return emit(EventKind::Departure, a, fmt::format("{} mounts {}", name, a == 0 ? "her horse" : "his horse"));
        case Op::pedSetOnMount:
            return emit(EventKind::Departure, a, fmt::format("{} is put in the saddle", name));
        case Op::entitySetCoords:
            return emit(EventKind::Walk, a,
                        fmt::format("{} is moved to {}", name,
                                    xy(host::Args<Op::entitySetCoords>{c}.f<"x">(),
                                       host::Args<Op::entitySetCoords>{c}.f<"y">())));
        case Op::pedSetOutfitPreset:
            return onOutfit(a, c);
        default:
            return;
    }
}

void Recorder::onCall(const Call& c) {
    now_ = c.time;
    if (keepPassCalls_) {
        host::appendCall(passText_, c, world(), host::TraceStyle::Text);
        passText_ += '\n';
    }
    switch (c.op) {
        case Op::streamingIsModelValid:
        case Op::streamingRequestModel:
        case Op::streamingReleaseModel:
            return onModel(c);
        case Op::pedCreate:
            return onPedCreate(c);
        case Op::objectCreate:
            return onObjectCreate(c);
        case Op::scenarioPointCreate:
            return onPointCreate(c);
        case Op::taskUseScenarioPoint:
        case Op::taskWanderInArea:
        case Op::taskFollowNavMeshToCoord:
        case Op::taskGoToEntity:
        case Op::taskMountAnimal:
        case Op::pedSetOnMount:
        case Op::entitySetCoords:
        case Op::pedSetOutfitPreset: {
            const Handle h =
                c.op == Op::entitySetCoords ? host::Args<Op::entitySetCoords>{c}.u<"entity">() : c.u(kOrderedPed);
            if (const int a = actorOfHandle(actors_, h); a >= 0) onOrder(static_cast<std::size_t>(a), c);
            return;
        }
        case Op::graphicsPlayScreenEffect: {
            const char* effect = host::Args<Op::graphicsPlayScreenEffect>{c}.s<"name">();
            return emit(EventKind::Departure, fmt::format("the screen plays {}", effect ? effect : "an effect"));
        }
        case Op::audioPlayPedSpeech:
            return onSpeech(c);
        case Op::pedDelete:
        case Op::entityDelete:
            return checkRemovals();
        default:
            return;
    }
}

void Recorder::checkRemovals() {
    for (std::size_t a = 0; a < kActorCount; ++a) {
        if (!actors_.present[a] || host::findEntity(world(), actors_.handles[a])) continue;
        actors_.present[a] = false;
        const char* name = actorName(static_cast<Actor>(a));
        if (isVisitor(a) && actors_.ridingAway[a])
            emit(EventKind::Removal, a, fmt::format("{} has left and is removed", name));
        else
            emit(EventKind::Removal, a, fmt::format("{} is removed", name));
        close(a);
    }
    for (std::size_t i = 0; i < 2; ++i) {
        if (!actors_.bedrollPresent[i] || host::findEntity(world(), actors_.bedrolls[i])) continue;
        actors_.bedrollPresent[i] = false;
        emit(EventKind::Bedroll, fmt::format("Bedroll {} is removed", i + 1));
    }
}

void Recorder::worldRemoved(Handle h) {
    now_ = world().gameTime;
    const int a = actorOfHandle(actors_, h);
    if (a >= 0) {
        actors_.present[static_cast<std::size_t>(a)] = false;
        close(static_cast<std::size_t>(a));
    }
    for (std::size_t i = 0; i < 2; ++i)
        if (actors_.bedrolls[i] == h) actors_.bedrollPresent[i] = false;
}

void Recorder::scriptRestarted(int32_t clockHour) {
    now_ = world().gameTime;
    std::vector<std::string> forgotten;
    if (visitActive_) {
        std::string who;
        for (std::size_t a = 0; a < kActorCount; ++a) {
            if (!actors_.present[a]) continue;
            who += std::string(who.empty() ? "" : ", ") + actorName(static_cast<Actor>(a));
            if (segOpen_[a] && segments_[a].back().kind == SegKind::Sleep)
                who += " (" + segments_[a].back().label + ")";
        }
        forgotten.push_back(fmt::format("visit {} under way{}", visits_.size(), who.empty() ? "" : " (" + who + ")"));
        visitActive_ = false;
        visits_.back().end = now_;
        visits_.back().ended = true;
    }
    for (std::size_t i = 0; i < 2; ++i)
        if (actors_.bedrollPresent[i]) forgotten.push_back(fmt::format("Bedroll {}", i + 1));
    int points = 0;
    for (const host::ScenarioPoint& p : world().points) points += p.alive && p.byPlugin;
    if (points > 0) forgotten.push_back(fmt::format("{} scenario point{} it made", points, points == 1 ? "" : "s"));
    std::string list;
    for (const std::string& f : forgotten) list += (list.empty() ? "" : ", ") + f;
    std::string clock;
    if (clockHour >= 0 && clockHour < 24) {
        // The save's hour, the next time the clock shows it.
        const int64_t seconds = secondsAt(now_);
        int64_t set = seconds / 86400 * 86400 + int64_t{clockHour} * 3600;
        if (set < seconds) set += 86400;
        clockSets_.push_back({now_, set});
        clock = fmt::format(" from {:02}:00", clockHour);
    }
    emit(EventKind::Scenario,
         fmt::format("the game reloads (a saved game is loaded{}): the script starts afresh; forgotten: {}", clock,
                     list.empty() ? "nothing under way" : list));
    for (std::size_t a = 0; a < kActorCount; ++a) {
        actors_.present[a] = actors_.pending[a] = false;
        close(a);
    }
    actors_.bedrollPresent = {};
}

// The pass is over: the segments begun in it keep its calls.
void Recorder::endPass() {
    if (!openedInPass_.empty()) {
        for (const auto& [a, i] : openedInPass_) segments_[a][i].pass = static_cast<int>(passCalls_.size());
        passCalls_.push_back(std::move(passText_));
        openedInPass_.clear();
    }
    passText_.clear();
}

void Recorder::afterFrame(bool scriptWaitedZero) {
    const host::World& w = world();
    now_ = w.gameTime;
    checkRemovals();
    if (keepPassCalls_ && scriptWaitedZero) endPass();
    if (tw::elapsed(w.gameTime, actors_.nextSample) >= 0) samplePaths(actors_, world());  // once a game second
    if (keepOverlay_ && !w.drawnThisFrame.empty()) lastOverlay_ = w.drawnThisFrame;

    // A visit is over once a pass of the main loop completes with no visitor or horse left and
    // no visitor model still loading: the plug-in ends it in that same pass.
    if (visitActive_ && scriptWaitedZero) {
        bool anyone = false;
        for (std::size_t a = 0; a < kActorCount; ++a) anyone = anyone || actors_.present[a] || actors_.pending[a];
        if (!anyone) {
            visitActive_ = false;
            visits_.back().end = now_;
            visits_.back().ended = true;
            if (!arrivedThisVisit_) {
                // Nobody came: the plug-in counts no visit and starts no cooldown.
                visits_.back().nobody = true;
                --counts_.visits;
                ++counts_.startsWithNobody;
                emit(EventKind::Visit,
                     fmt::format("visit {} did not come about: nobody arrived; the start is tried again from {}",
                                 visits_.size(), clockText(tw::addTime(now_, tw::kStartRetryMs))));
                return;
            }
            const int32_t next = tw::addTime(now_, static_cast<int32_t>(int64_t{cooldownHours_} * kMsPerHour));
            emit(EventKind::Visit, fmt::format("visit {} ended; next possible at {}", visits_.size(), clockText(next)));
        }
    }
}

void Recorder::finish() {
    now_ = world().gameTime;
    if (keepPassCalls_) endPass();
    for (std::size_t a = 0; a < kActorCount; ++a) close(a);
}

}  // namespace sim
