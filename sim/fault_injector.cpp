#include "fault_injector.h"

#include <cmath>
#include <thread>

#include "frame/key_state.h"
#include "ranch_layout.h"
#include "ranch_map.h"
#include "random.h"

namespace sim {

namespace {

using host::Entity;
using host::EntityKind;
using host::Handle;
using host::World;

constexpr int64_t kMsPerHour = host::kMsPerGameHour;
constexpr int64_t kNever = INT64_MAX;
constexpr int32_t kKeyFrameStepMs = 20;  // the frame after a key: well inside the 100 ms key window

int64_t hours(double h) { return static_cast<int64_t>(h * kMsPerHour); }

bool isVisitor(const World&, const Entity& e) {
    return e.byPlugin && e.kind == EntityKind::Ped && host::isVisitorModel(e.model);
}
bool isHorse(const World&, const Entity& e) { return e.byPlugin && e.kind == EntityKind::Horse; }
bool isBedroll(const World&, const Entity& e) { return e.byPlugin && e.kind == EntityKind::Object; }
bool isVisitorOrHorse(const World& w, const Entity& e) { return isVisitor(w, e) || isHorse(w, e); }

float planarDistance(host::Vec3 a, host::Vec3 b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace

uint64_t SoakRandom::next() { return host::splitmix64(state); }

int32_t SoakRandom::in(int32_t lo, int32_t hi) { return static_cast<int32_t>(in64(lo, hi)); }

int64_t SoakRandom::in64(int64_t lo, int64_t hi) {
    if (hi <= lo) return lo;
    return lo + static_cast<int64_t>(next() % static_cast<uint64_t>(hi - lo));
}

bool SoakRandom::chance(double p) { return static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }

FaultInjector::FaultInjector(uint64_t seed, bool devKeys, int32_t frameStepMs)
    : rng_(seed), devKeys_(devKeys), frameStepMs_(frameStepMs) {
    for (std::size_t k = 0; k < kSoakFaultKindCount; ++k) {
        const FaultRow& row = kFaultRows[k];
        meanHours_[k] = row.draw == FaultDraw::KeyPress && !devKeys ? 0 : row.meanHours;
    }
    for (std::size_t k = 0; k < kSoakFaultKindCount; ++k) schedule(static_cast<FaultKind>(k), 0);
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
        const host::RanchHousehold& hh = host::ranchHousehold();
        household_ = {hh.abigail, hh.uncle, hh.jack};
    }
    endWindows(w, t);
    lastKey_ = 0;
    reloaded_ = false;
    for (std::size_t k = 0; k < kSoakFaultKindCount; ++k) {
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
        Fault end{modelWindow_[i].kind, false, 0, kSoakModels[i]};
        applyFault(w, end);
    }
    for (std::size_t k = 0; k < kSoakFaultKindCount; ++k) {
        if (!over(windows_[k])) continue;
        Fault end{static_cast<FaultKind>(k), false};
        applyFault(w, end);
    }
    for (std::size_t i = 0; i < pending_.size();) {
        Pending p = pending_[i];
        if (t < p.at) {
            ++i;
            continue;
        }
        pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
        applyFault(w, p.end);
        if (p.end.kind != FaultKind::DeleteHousehold) continue;
        for (Handle& m : household_)
            if (m == 0 || !host::findEntity(w, m)) {
                m = p.end.handle;
                break;
            }
    }
}

bool FaultInjector::open(Window& win, FaultKind k, int64_t t, double minHours, double maxHours) {
    if (win.until >= 0) return false;
    win.until = t + rng_.in64(hours(minHours), hours(maxHours));
    win.kind = k;
    count(k);
    return true;
}

void FaultInjector::apply(FaultKind k, World& w, int64_t t) {
    switch (faultRow(k).draw) {
        case FaultDraw::Deletion:
            return deleteSomething(k, w, t);
        case FaultDraw::Model:
            return modelFault(k, w, t);
        case FaultDraw::Window:
            return windowFault(k, w, t);
        case FaultDraw::Obstacle:
            return stick(k, w, t);
        case FaultDraw::PlayerAway:
        case FaultDraw::PlayerHome:
            pickTarget(w, faultRow(k).draw == FaultDraw::PlayerHome);
            count(k);
            return;
        case FaultDraw::ClockJump: {
            Fault jump{k};
            jump.value = rng_.in(2, 13);
            applyFault(w, jump);
            count(k);
            return;
        }
        case FaultDraw::KeyPress:
            return pressKey(k);
        case FaultDraw::Reload:
            return reload(k);
        case FaultDraw::PasserBy:
            return passerBy(k, w);
        case FaultDraw::ByPlayer:  // drawn in movePlayer, not on a schedule
        case FaultDraw::ScenarioOnly:
            return;
    }
}

// Something the host deletes: a visitor, horse or bedroll; a household member or a ranch
// point, which come back later.
void FaultInjector::deleteSomething(FaultKind k, World& w, int64_t t) {
    const FaultRow& row = faultRow(k);
    Fault deletion{k};
    if (row.effect == FaultEffect::RemovePoint) {
        const bool ours = rng_.chance(0.6);
        std::vector<host::ScenarioPoint*> alive;
        for (host::ScenarioPoint& p : w.points)
            if (p.alive && p.byPlugin == ours) alive.push_back(&p);
        if (alive.empty()) return;
        const host::ScenarioPoint& p = *alive[static_cast<std::size_t>(rng_.in(0, static_cast<int32_t>(alive.size())))];
        deletion.handle = p.handle;
        if (!ours)
            pending_.push_back({t + rng_.in64(hours(row.minHours), hours(row.maxHours)),
                                {k, false, 0, nullptr, p.type, p.pos, p.heading}});
    } else if (k == FaultKind::DeleteHousehold) {
        deletion.handle = household_[static_cast<std::size_t>(rng_.in(0, 3))];
        const Entity* e = host::findEntity(w, deletion.handle);
        if (!e) return;
        pending_.push_back(
            {t + rng_.in64(hours(row.minHours), hours(row.maxHours)), {k, false, 0, nullptr, e->model, e->pos}});
    } else {
        deletion.handle = randomEntity(w, k == FaultKind::DeleteVisitor ? isVisitor
                                          : k == FaultKind::DeleteHorse ? isHorse
                                                                        : isBedroll);
    }
    if (applyFault(w, deletion)) count(k);
}

// One of the plug-in's models loads late, never loads or gives nothing for a while.
void FaultInjector::modelFault(FaultKind k, World& w, int64_t t) {
    const auto i = static_cast<std::size_t>(rng_.in(0, static_cast<int32_t>(kSoakModelCount)));
    if (!open(modelWindow_[i], k, t, faultRow(k).minHours, faultRow(k).maxHours)) return;
    Fault f{k, true, 0, kSoakModels[i]};
    if (k == FaultKind::ModelLate) f.value = rng_.in(1000, 7000);
    applyFault(w, f);
}

// A fault that holds for its row's window and then ends by itself.
void FaultInjector::windowFault(FaultKind k, World& w, int64_t t) {
    const FaultRow& row = faultRow(k);
    if (!open(window(k), k, t, row.minHours, row.maxHours)) return;
    Fault f{k};
    if (row.effect == FaultEffect::Sight) f.value = rng_.chance(0.5) ? 1 : 0;
    applyFault(w, f);
}

// An obstacle holds a visitor or horse, most times only for a while.
void FaultInjector::stick(FaultKind k, World& w, int64_t t) {
    const Handle h = randomEntity(w, isVisitorOrHorse);
    const Entity* e = host::findEntity(w, h);
    if (!e || e->stuck) return;
    Fault f{k, true, h};
    applyFault(w, f);
    if (rng_.chance(0.7))
        pending_.push_back({t + rng_.in64(hours(faultRow(k).minHours), hours(faultRow(k).maxHours)), {k, false, h}});
    count(k);
}

void FaultInjector::pressKey(FaultKind k) {
    constexpr uint32_t keys[] = {tw::kKeyF1, tw::kKeyF2, tw::kKeyF2, tw::kKeyF3, tw::kKeyF4, tw::kKeyI, tw::kKeyI};
    const uint32_t key = keys[rng_.in(0, static_cast<int32_t>(std::size(keys)))];
    const int32_t trigger = rng_.chance(0.9) ? 1 : 0;  // now and then an event that does not fire
    // The host delivers keyboard events on its own thread.
    std::thread keyboard([key, trigger] { host::sendKey(key, trigger); });
    keyboard.join();
    lastKey_ = trigger ? key : 0;
    count(k);
}

// A saved game loaded, at the hour it was saved: half the time another hour of the day.
void FaultInjector::reload(FaultKind k) {
    host::restartScript(rng_.chance(0.5) ? rng_.in(0, 24) : -1);
    reloaded_ = true;
    count(k);
}

// Passers-by come while fewer than kMostPassersBy are about, and go again.
void FaultInjector::passerBy(FaultKind k, World& w) {
    constexpr int32_t kMostPassersBy = 8;
    Fault f{k};
    f.on = host::ambientCount(w) < kMostPassersBy && rng_.chance(0.6);
    f.draw = rng_.next();
    if (applyFault(w, f)) count(k);
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
    Entity* player = host::findEntity(w, w.playerPed);
    if (!player) return;
    const float d = planarDistance(player->pos, target_);
    speed_ = d > 80.0f ? 8.0f : 1.5f;             // rides when far, walks about the ranch
    if (rng_.chance(0.1)) player->pos = target_;  // fast travel
}

void FaultInjector::movePlayer(World& w, int64_t t) {
    Entity* player = host::findEntity(w, w.playerPed);
    if (!player) return;
    if (follow_) {
        if (const Entity* v = host::findEntity(w, follow_))
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
        if (host::playerGreets(w, e.handle)) count(FaultKind::PlayerGreets);
        break;
    }
}

bool FaultInjector::answer(host::Call& c, World&) {
    if (window(FaultKind::MountNeverCompletes).until < 0) return false;
    // The order is taken, and nothing comes of it.
    return c.op == tw::Op::taskMountAnimal || c.op == tw::Op::pedSetOnMount;
}

}  // namespace sim
