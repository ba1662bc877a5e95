#include "fault_injector.h"

#include <cmath>
#include <thread>

#include "frame/key_state.h"
#include "ranch_layout.h"
#include "ranch_map.h"

namespace simtool {

namespace {

using sim::Entity;
using sim::EntityKind;
using sim::Handle;
using sim::World;

constexpr int64_t kMsPerHour = 120000;
constexpr int64_t kNever = INT64_MAX;
constexpr int32_t kKeyFrameStepMs = 20;  // the frame after a key: well inside the 100 ms key window

int64_t hours(double h) { return static_cast<int64_t>(h * kMsPerHour); }

bool isVisitorModel(sim::Hash m) {
    static const sim::Hash sadie = sim::nameHash("cs_mrsadler"), charles = sim::nameHash("cs_charlessmith");
    return m == sadie || m == charles;
}

bool isVisitor(const World&, const Entity& e) {
    return e.byPlugin && e.kind == EntityKind::Ped && isVisitorModel(e.model);
}
bool isHorse(const World&, const Entity& e) { return e.byPlugin && e.kind == EntityKind::Horse; }
bool isBedroll(const World&, const Entity& e) { return e.byPlugin && e.kind == EntityKind::Object; }
bool isVisitorOrHorse(const World& w, const Entity& e) { return isVisitor(w, e) || isHorse(w, e); }

// Removes an entity the way the host does when something else in the game deletes it.
void removeEntity(World& w, Handle h) {
    Entity* e = sim::findEntity(w, h);
    if (!e) return;
    e->alive = false;
    if (e->task.kind == sim::TaskKind::Scenario)
        if (sim::ScenarioPoint* p = sim::findPoint(w, e->task.point); p && p->user == e->handle) p->user = 0;
}

float planarDistance(sim::Vec3 a, sim::Vec3 b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace

const char* faultName(FaultKind k) {
    switch (k) {
        case FaultKind::DeleteVisitor:
            return "visitor deleted by the host";
        case FaultKind::DeleteHorse:
            return "horse deleted by the host";
        case FaultKind::DeleteBedroll:
            return "bedroll deleted by the host";
        case FaultKind::DeleteHousehold:
            return "household member deleted";
        case FaultKind::PointVanishes:
            return "scenario point vanished";
        case FaultKind::ModelLate:
            return "model loads late";
        case FaultKind::ModelNeverLoads:
            return "model never loads";
        case FaultKind::ModelNeverCreated:
            return "model loads, nothing created";
        case FaultKind::RefusePeds:
            return "ped creation refused";
        case FaultKind::RefuseObjects:
            return "object creation refused";
        case FaultKind::RefusePoints:
            return "point creation refused";
        case FaultKind::PointsNotExisting:
            return "created points do not exist";
        case FaultKind::NoGround:
            return "no ground found";
        case FaultKind::Stuck:
            return "navigation stalls";
        case FaultKind::MountNeverCompletes:
            return "mounting never completes";
        case FaultKind::PlayerLeaves:
            return "player leaves the ranch";
        case FaultKind::PlayerReturns:
            return "player heads to the ranch";
        case FaultKind::SightChange:
            return "player sight forced";
        case FaultKind::MissionStarts:
            return "story mission runs";
        case FaultKind::ClockJump:
            return "clock jumps (player sleeps)";
        case FaultKind::KeyPress:
            return "developer key pressed";
        case FaultKind::PlayerGreets:
            return "player greets a visitor";
        case FaultKind::Count:
            break;
    }
    return "?";
}

uint64_t SoakRandom::next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int32_t SoakRandom::in(int32_t lo, int32_t hi) { return static_cast<int32_t>(in64(lo, hi)); }

int64_t SoakRandom::in64(int64_t lo, int64_t hi) {
    if (hi <= lo) return lo;
    return lo + static_cast<int64_t>(next() % static_cast<uint64_t>(hi - lo));
}

bool SoakRandom::chance(double p) { return static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }

FaultInjector::FaultInjector(uint64_t seed, bool devKeys, int32_t frameStepMs)
    : rng_(seed), devKeys_(devKeys), frameStepMs_(frameStepMs) {
    // Mean in-game hours between two faults of a kind; 0 = not drawn on a schedule.
    auto mean = [this](FaultKind k, double h) { meanHours_[static_cast<std::size_t>(k)] = h; };
    mean(FaultKind::DeleteVisitor, 14);
    mean(FaultKind::DeleteHorse, 14);
    mean(FaultKind::DeleteBedroll, 14);
    mean(FaultKind::DeleteHousehold, 30);
    mean(FaultKind::PointVanishes, 8);
    mean(FaultKind::ModelLate, 10);
    mean(FaultKind::ModelNeverLoads, 20);
    mean(FaultKind::ModelNeverCreated, 20);
    mean(FaultKind::RefusePeds, 24);
    mean(FaultKind::RefuseObjects, 24);
    mean(FaultKind::RefusePoints, 24);
    mean(FaultKind::PointsNotExisting, 30);
    mean(FaultKind::NoGround, 30);
    mean(FaultKind::Stuck, 6);
    mean(FaultKind::MountNeverCompletes, 16);
    mean(FaultKind::PlayerLeaves, 12);
    mean(FaultKind::PlayerReturns, 1.5);
    mean(FaultKind::SightChange, 8);
    mean(FaultKind::MissionStarts, 16);
    mean(FaultKind::ClockJump, 20);
    mean(FaultKind::KeyPress, devKeys ? 6 : 0);
    for (std::size_t k = 0; k < kFaultKindCount; ++k) schedule(static_cast<FaultKind>(k), 0);
    target_ = kRanchPoint;
}

int64_t FaultInjector::draw(double meanHours) {
    if (meanHours <= 0) return kNever / 2;
    const double u = static_cast<double>(rng_.next() >> 11) * 0x1.0p-53;
    return 1 + static_cast<int64_t>(-std::log1p(-u) * meanHours * kMsPerHour);
}

Handle FaultInjector::randomEntity(World& w, bool (*pick)(const World&, const Entity&)) {
    Handle found[16];
    std::size_t n = 0;
    for (const Entity& e : w.entities)
        if (e.alive && n < std::size(found) && pick(w, e)) found[n++] = e.handle;
    return n ? found[rng_.in(0, static_cast<int32_t>(n))] : 0;
}

bool FaultInjector::beforeFrame(World& w, int64_t t) {
    w.frameStepMs = frameStepMs_;
    if (household_[0] == 0 && w.ranchPopulated) {
        const sim::RanchHousehold& hh = sim::ranchHousehold();
        household_ = {hh.abigail, hh.uncle, hh.jack};
    }
    endWindows(w, t);
    lastKey_ = 0;
    for (std::size_t k = 0; k < kFaultKindCount; ++k) {
        if (t < next_[k]) continue;
        const auto kind = static_cast<FaultKind>(k);
        apply(kind, w, t);
        schedule(kind, t);
    }
    movePlayer(w, t);
    if (lastKey_ != 0) w.frameStepMs = std::min(frameStepMs_, kKeyFrameStepMs);
    return lastKey_ != 0;
}

void FaultInjector::endWindows(World& w, int64_t t) {
    auto over = [t](Window& win) {
        if (win.until < 0 || t < win.until) return false;
        win.until = -1;
        return true;
    };
    for (std::size_t i = 0; i < kSoakModelCount; ++i) {
        if (!over(modelWindow_[i])) continue;
        sim::Model& m = w.models[sim::nameHash(kSoakModels[i])];
        m.loadDelayMs = 200;
        m.neverCreated = false;
    }
    if (over(refusePeds_)) w.faults.refusePeds = false;
    if (over(refuseObjects_)) w.faults.refuseObjects = false;
    if (over(refusePoints_)) w.faults.refusePoints = false;
    if (over(pointsNotExisting_)) w.faults.pointsNotExisting = false;
    if (over(noGround_)) w.faults.noGround = false;
    over(mountBlocked_);
    if (over(sight_)) w.playerSeesEverything = w.playerSeesNothing = false;
    if (over(mission_)) w.missionActive = false;

    for (std::size_t i = 0; i < pending_.size();) {
        const Pending p = pending_[i];
        if (t < p.at) {
            ++i;
            continue;
        }
        pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
        if (p.handle) {
            if (Entity* e = sim::findEntity(w, p.handle)) e->stuck = false;
        } else if (p.point) {
            sim::spawnPoint(w, p.model, p.pos, p.heading, false);
        } else {
            const Handle h = sim::spawnEntity(w, EntityKind::Ped, p.model, p.pos, false);
            for (Handle& m : household_)
                if (m == 0 || !sim::findEntity(w, m)) {
                    m = h;
                    break;
                }
        }
    }
}

void FaultInjector::apply(FaultKind k, World& w, int64_t t) {
    auto open = [&](Window& win, double minH, double maxH) {
        if (win.until >= 0) return false;
        win.until = t + rng_.in64(hours(minH), hours(maxH));
        count(k);
        return true;
    };
    switch (k) {
        case FaultKind::DeleteVisitor:
        case FaultKind::DeleteHorse:
        case FaultKind::DeleteBedroll: {
            const Handle h = randomEntity(w, k == FaultKind::DeleteVisitor ? isVisitor
                                             : k == FaultKind::DeleteHorse ? isHorse
                                                                           : isBedroll);
            if (!h) return;
            removeEntity(w, h);
            count(k);
            return;
        }
        case FaultKind::DeleteHousehold: {
            const Handle h = household_[static_cast<std::size_t>(rng_.in(0, 3))];
            const Entity* e = sim::findEntity(w, h);
            if (!e) return;
            pending_.push_back({t + rng_.in64(hours(1), hours(6)), 0, e->model, e->pos, 0, false});
            removeEntity(w, h);
            count(k);
            return;
        }
        case FaultKind::PointVanishes: {
            const bool ours = rng_.chance(0.6);
            std::vector<sim::ScenarioPoint*> alive;
            for (sim::ScenarioPoint& p : w.points)
                if (p.alive && p.byPlugin == ours) alive.push_back(&p);
            if (alive.empty()) return;
            sim::ScenarioPoint* p = alive[static_cast<std::size_t>(rng_.in(0, static_cast<int32_t>(alive.size())))];
            p->alive = false;
            if (!ours) pending_.push_back({t + rng_.in64(hours(0.5), hours(4)), 0, p->type, p->pos, p->heading, true});
            count(k);
            return;
        }
        case FaultKind::ModelLate:
        case FaultKind::ModelNeverLoads:
        case FaultKind::ModelNeverCreated: {
            const auto i = static_cast<std::size_t>(rng_.in(0, static_cast<int32_t>(kSoakModelCount)));
            if (!open(modelWindow_[i], 0.5, 10)) return;
            sim::Model& m = w.models[sim::nameHash(kSoakModels[i])];
            if (k == FaultKind::ModelLate) m.loadDelayMs = rng_.in(1000, 7000);
            if (k == FaultKind::ModelNeverLoads) m.loadDelayMs = -1;
            if (k == FaultKind::ModelNeverCreated) m.neverCreated = true;
            return;
        }
        case FaultKind::RefusePeds:
            if (open(refusePeds_, 0.25, 6)) w.faults.refusePeds = true;
            return;
        case FaultKind::RefuseObjects:
            if (open(refuseObjects_, 0.25, 6)) w.faults.refuseObjects = true;
            return;
        case FaultKind::RefusePoints:
            if (open(refusePoints_, 0.25, 6)) w.faults.refusePoints = true;
            return;
        case FaultKind::PointsNotExisting:
            if (open(pointsNotExisting_, 0.25, 4)) w.faults.pointsNotExisting = true;
            return;
        case FaultKind::NoGround:
            if (open(noGround_, 0.25, 6)) w.faults.noGround = true;
            return;
        case FaultKind::Stuck: {
            const Handle h = randomEntity(w, isVisitorOrHorse);
            Entity* e = sim::findEntity(w, h);
            if (!e || e->stuck) return;
            e->stuck = true;
            if (rng_.chance(0.7)) pending_.push_back({t + rng_.in64(hours(0.05), hours(3)), h, 0, {}, 0, false});
            count(k);
            return;
        }
        case FaultKind::MountNeverCompletes:
            open(mountBlocked_, 1, 8);
            return;
        case FaultKind::PlayerLeaves:
            pickTarget(w, false);
            count(k);
            return;
        case FaultKind::PlayerReturns:
            pickTarget(w, true);
            count(k);
            return;
        case FaultKind::SightChange:
            if (!open(sight_, 0.2, 4)) return;
            if (rng_.chance(0.5))
                w.playerSeesEverything = true;
            else
                w.playerSeesNothing = true;
            return;
        case FaultKind::MissionStarts:
            if (open(mission_, 0.5, 8)) w.missionActive = true;
            return;
        case FaultKind::ClockJump: {
            const int32_t h = rng_.in(2, 13);
            w.clockBaseTime = tw::addTime(w.clockBaseTime, -h * static_cast<int32_t>(kMsPerHour));
            count(k);
            return;
        }
        case FaultKind::KeyPress: {
            constexpr uint32_t keys[] = {tw::kKeyF1, tw::kKeyF2, tw::kKeyF2, tw::kKeyF3,
                                         tw::kKeyF4, tw::kKeyI,  tw::kKeyI};
            const uint32_t key = keys[rng_.in(0, static_cast<int32_t>(std::size(keys)))];
            const int32_t trigger = rng_.chance(0.9) ? 1 : 0;  // now and then an event that does not fire
            // The host delivers keyboard events on its own thread.
            std::thread keyboard([key, trigger] { sim::sendKey(key, trigger); });
            keyboard.join();
            lastKey_ = trigger ? key : 0;
            count(k);
            return;
        }
        case FaultKind::PlayerGreets:
        case FaultKind::Count:
            return;
    }
}

void FaultInjector::pickTarget(World& w, bool home) {
    follow_ = 0;
    idleUntil_ = 0;
    if (home) {
        if (rng_.chance(0.3)) follow_ = randomEntity(w, isVisitor);
        const float r = static_cast<float>(rng_.in(0, 60)), a = static_cast<float>(rng_.in(0, 360)) * 0.01745329f;
        target_ = {kRanchPoint.x + r * std::cos(a), kRanchPoint.y + r * std::sin(a), kRanchPoint.z};
    } else {
        // Now and then only to the edge of the ranch, around the 100 m a visit needs.
        const float r =
            rng_.chance(0.2) ? static_cast<float>(rng_.in(90, 111)) : static_cast<float>(rng_.in(150, 1500));
        const float a = static_cast<float>(rng_.in(0, 360)) * 0.01745329f;
        target_ = {kRanchPoint.x + r * std::cos(a), kRanchPoint.y + r * std::sin(a), kRanchPoint.z};
    }
    Entity* player = sim::findEntity(w, w.playerPed);
    if (!player) return;
    const float d = planarDistance(player->pos, target_);
    speed_ = d > 80.0f ? 8.0f : 1.5f;             // rides when far, walks about the ranch
    if (rng_.chance(0.1)) player->pos = target_;  // fast travel
}

void FaultInjector::movePlayer(World& w, int64_t t) {
    Entity* player = sim::findEntity(w, w.playerPed);
    if (!player) return;
    if (follow_) {
        if (const Entity* v = sim::findEntity(w, follow_))
            target_ = v->pos;
        else
            follow_ = 0;
    }
    const float step = speed_ * static_cast<float>(w.frameStepMs) / 1000.0f;
    const float d = planarDistance(player->pos, target_);
    if (d > 1.0f) {
        const float f = std::min(1.0f, step / d);
        player->pos.x += (target_.x - player->pos.x) * f;
        player->pos.y += (target_.y - player->pos.y) * f;
        player->pos.z += (target_.z - player->pos.z) * f;
    }
    // Greets a visitor close by whose answer is armed, as a player pressing greet would.
    if (t - lastGreetTry_ < 1000) return;
    lastGreetTry_ = t;
    if (!w.playerGreetingLine) return;
    for (const Entity& e : w.entities) {
        if (!e.alive || !isVisitor(w, e) || !e.greetingResponse || e.greetedByPlayer) continue;
        if (planarDistance(player->pos, e.pos) > 3.0f || !rng_.chance(0.4)) continue;
        if (sim::playerGreets(w, e.handle)) count(FaultKind::PlayerGreets);
        break;
    }
}

bool FaultInjector::answer(sim::Call& c, World&) {
    if (mountBlocked_.until < 0) return false;
    // The order is taken, and nothing comes of it.
    return c.op == tw::Op::taskMountAnimal || c.op == tw::Op::pedSetOnMount;
}

}  // namespace simtool
