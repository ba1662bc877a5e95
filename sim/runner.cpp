#include "runner.h"

#include <fmt/format.h>
#include <unistd.h>
#include <iterator>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "faults.h"
#include "folded_trace.h"
#include "frame/profile_reader.h"
#include "frame/settings.h"
#include "ranch_layout.h"
#include "ranch_map.h"
#include "scratch_dir.h"
#include "session.h"

namespace sim {

namespace {

namespace fs = std::filesystem;
using host::gHost;

constexpr int32_t kMsPerHour = host::kMsPerGameHour;

int32_t hoursToMs(double h) { return static_cast<int32_t>(std::llround(std::min(h, 17000.0) * kMsPerHour)); }

// ---- settings file ------------------------------------------------------------------

// ---- host world set-up ----------------------------------------------------------------

// The name the plug-in gave a hash, or the hash in hex.
std::string nameIn(const host::World& w, host::Hash h) {
    auto it = w.names.find(h);
    return it != w.names.end() ? it->second : fmt::format("0x{:08X}", h);
}

// Applies one scheduled fault; a model fault once for each model it names.
bool applyScheduled(host::World& w, const ScheduledFault& f, host::Handle target) {
    if (isModelFault(f.kind)) {
        for (const std::string& m : f.models) {
            Fault fault{f.kind, f.on, 0, m.c_str()};
            applyFault(w, fault);
        }
        return true;
    }
    Fault fault{f.kind, f.on, target};
    return applyFault(w, fault);
}

void setUpScenarioWorld(const Scenario& s) {
    host::World& w = gHost.world;
    w.frameStepMs = s.frameStepMs;
    w.clockStartHour = s.clockStartHour;
    w.clockBaseTime = 0;
    host::seedWorld(w, s.seed);
    w.completedMissions.clear();
    for (const auto& m : s.completedMissions) w.completedMissions.push_back(host::nameHash(m.c_str()));
    for (const ScheduledFault& f : s.faults)
        if (f.fromLoad) applyScheduled(w, f, 0);
    if (host::Entity* p = host::findEntity(w, w.playerPed)) p->pos = s.waypoints.front().pos;
    if (s.ambient) {
        w.ambientEveryMs = std::max(1, hoursToMs(s.ambient->every));
        w.ambientMost = s.ambient->most;
        w.ambientRng ^= s.seed * 0x9E3779B97F4A7C15ull;  // the passers-by follow the scenario's seed
    }
}

tw::Vec3 playerAt(const Scenario& s, int32_t gameTime) {
    const auto& wp = s.waypoints;
    const double h = static_cast<double>(gameTime) / kMsPerHour;
    if (h <= wp.front().t) return wp.front().pos;
    for (std::size_t i = 1; i < wp.size(); ++i) {
        if (h > wp[i].t) continue;
        const double span = wp[i].t - wp[i - 1].t;
        const float f = span <= 0 ? 1.0f : static_cast<float>((h - wp[i - 1].t) / span);
        const tw::Vec3 a = wp[i - 1].pos, b = wp[i].pos;
        return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f};
    }
    return wp.back().pos;
}

// Row for row with the enum's order.
constexpr const char* kSightTexts[] = {
    "as the world's geometry allows",  // World
    "nothing",                         // Nothing
    "everything",                      // Everything
};
static_assert(std::size(kSightTexts) == static_cast<std::size_t>(Sight::Everything) + 1);

const char* sightText(Sight s) { return kSightTexts[static_cast<std::size_t>(s)]; }

void applySight(host::World& w, Sight s) {
    w.playerSeesEverything = s == Sight::Everything;
    w.playerSeesNothing = s == Sight::Nothing;
}

host::Handle targetHandle(const Recorder& r, Target t) {
    switch (t) {
        case Target::Sadie:
            return r.handleOf(Actor::Sadie);
        case Target::Charles:
            return r.handleOf(Actor::Charles);
        case Target::SadieHorse:
            return r.handleOf(Actor::SadieHorse);
        case Target::CharlesHorse:
            return r.handleOf(Actor::CharlesHorse);
        case Target::Bedroll1:
            return r.bedrollHandle(0);
        case Target::Bedroll2:
            return r.bedrollHandle(1);
    }
    return 0;
}

// ---- playing the scenario -------------------------------------------------------------

// The scenario's timed changes: the next entry of each list, and the faults still to come.
struct Playback {
    std::size_t sight = 0, mission = 0, key = 0, reload = 0;
    std::vector<int32_t> faultMs;  // when each scheduled fault falls due; INT32_MAX once applied
    int32_t nextFaultMs = INT32_MAX;
};

Playback playbackOf(const Scenario& s) {
    Playback p;
    for (const ScheduledFault& f : s.faults) {
        p.faultMs.push_back(f.fromLoad ? INT32_MAX : hoursToMs(f.t));
        p.nextFaultMs = std::min(p.nextFaultMs, p.faultMs.back());
    }
    return p;
}

// A timed fault and its line in the timeline.
void playFault(const ScheduledFault& f, Recorder& rec, host::World& w) {
    const host::Handle h = targetHandle(rec, f.who);
    const bool hit = applyScheduled(w, f, h);
    if (isModelFault(f.kind)) {
        if (!f.models.empty()) rec.noteFault("the models that would not load load again", 0);
    } else if (f.kind == FaultKind::Stuck) {
        rec.noteFault(hit ? fmt::format("an obstacle holds {} (fault)", targetName(f.who))
                          : fmt::format("the world finds no {} to hold", targetName(f.who)),
                      h);
    } else if (hit) {
        rec.worldRemoved(h);
        rec.noteFault(fmt::format("the world removes {} (fault)", targetName(f.who)), h);
    } else {
        rec.noteFault(fmt::format("the world finds no {} to remove", targetName(f.who)), h);
    }
}

// What falls due before the frame at game time now, each list in its order.
void playDue(const Scenario& s, Playback& p, Recorder& rec, host::World& w, int32_t now) {
    if (host::Entity* e = host::findEntity(w, w.playerPed)) e->pos = playerAt(s, now);
    for (; p.sight < s.sight.size() && hoursToMs(s.sight[p.sight].t) <= now; ++p.sight) {
        applySight(w, s.sight[p.sight].sees);
        rec.note(fmt::format("the player sees {}", sightText(s.sight[p.sight].sees)));
    }
    for (; p.mission < s.missionActive.size() && hoursToMs(s.missionActive[p.mission].t) <= now; ++p.mission) {
        if (w.missionActive == s.missionActive[p.mission].active) continue;
        w.missionActive = s.missionActive[p.mission].active;
        rec.note(w.missionActive ? "a story mission starts" : "the story mission ends");
    }
    for (; p.key < s.keys.size() && hoursToMs(s.keys[p.key].t) <= now; ++p.key) {
        rec.note("key " + s.keys[p.key].name + " is pressed");
        host::sendKey(s.keys[p.key].code, 1);
    }
    for (; p.reload < s.reloads.size() && hoursToMs(s.reloads[p.reload].t) <= now; ++p.reload) {
        rec.scriptRestarted(s.reloads[p.reload].clockHour);
        host::restartScript(s.reloads[p.reload].clockHour);
    }
    if (now < p.nextFaultMs) return;
    p.nextFaultMs = INT32_MAX;
    for (std::size_t i = 0; i < s.faults.size(); ++i) {
        if (p.faultMs[i] <= now) {
            p.faultMs[i] = INT32_MAX;
            playFault(s.faults[i], rec, w);
        }
        p.nextFaultMs = std::min(p.nextFaultMs, p.faultMs[i]);
    }
}

// ---- trace ----------------------------------------------------------------------------

// One JSON line per call: game time, operation, arguments as the catalogue types them, result.
void traceLine(std::FILE* f, const host::Call& c, std::string& out) {
    out.clear();
    host::appendCall(out, c, gHost.world, host::TraceStyle::Json);
    std::fwrite(out.data(), 1, out.size(), f);
}

// ---- progress -------------------------------------------------------------------------

void drawProgress(double fraction, double hoursDone, double total) {
    constexpr int kWidth = 40;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '.');
    std::fprintf(stderr, "\r[%s] %5.1f / %.1f in-game hours", bar.c_str(), hoursDone, total);
    std::fflush(stderr);
}

void clearProgress() {
    std::fprintf(stderr, "\r%78s\r", "");
    std::fflush(stderr);
}

}  // namespace

void readIniHours(const std::string& path, int32_t& cooldown, int32_t& duration) {
    // As the plug-in reads them: its profile reader, the file opened afresh for each key, into
    // a buffer of its size, then clamped to its limits.
    const auto hours = [&path](const char* key, int32_t deflt) {
        char fallback[16];
        std::snprintf(fallback, sizeof fallback, "%d", static_cast<int>(deflt));
        char text[32];
        std::FILE* f = std::fopen(path.c_str(), "rb");
        tw::profileLookup(f, "Settings", key, fallback, text, sizeof text);
        if (f) std::fclose(f);
        return tw::readDecimal(text);
    };
    cooldown = tw::clampHours(hours("visitCooldown", tw::kDefaultCooldownHours), tw::kMaxCooldownHours);
    duration = tw::clampHours(hours("visitDuration", tw::kDefaultDurationHours), tw::kMaxDurationHours);
}

namespace {

// Sets log=1 in the [Settings] section of the settings file at path (made when missing),
// dropping any log key it had there.
bool turnLogOn(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    in.close();
    const auto trimmed = [](std::string t) {
        t.erase(0, t.find_first_not_of(" \t"));
        t.erase(t.find_last_not_of(" \t\r") + 1);
        std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return std::tolower(c); });
        return t;
    };
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    bool inSettings = false, written = false;
    for (const std::string& line : lines) {
        const std::string t = trimmed(line);
        if (!t.empty() && t.front() == '[') inSettings = t == "[settings]";
        if (inSettings && t.rfind("log", 0) == 0 && t.find('=') != std::string::npos &&
            trimmed(t.substr(0, t.find('='))) == "log")
            continue;
        out << line << "\n";
        if (inSettings && !written && t == "[settings]") out << "log=1\n", written = true;
    }
    if (!written) out << "[Settings]\nlog=1\n";
    return static_cast<bool>(out);
}

}  // namespace

namespace {

// The run's settings file in its working directory: the one given, or the scenario's hours.
bool prepareSettings(const Scenario& s, const RunOptions& o, const std::string& dir, RunResult& r) {
    std::error_code ec;
    if (!o.iniPath.empty()) {
        fs::copy_file(o.iniPath, dir + "/tamberwick.ini", ec);
        if (ec) {
            r.failure = o.iniPath + ": cannot be copied: " + ec.message();
            return false;
        }
    } else if (s.visitCooldown || s.visitDuration) {
        std::ofstream ini(dir + "/tamberwick.ini", std::ios::binary);
        ini << "[Settings]\n";
        if (s.visitCooldown) ini << "visitCooldown=" << *s.visitCooldown << "\n";
        if (s.visitDuration) ini << "visitDuration=" << *s.visitDuration << "\n";
    }
    if (!o.logPaths.empty() && !turnLogOn(dir + "/tamberwick.ini")) {
        r.failure = "cannot write the settings file of the run";
        return false;
    }
    readIniHours(dir + "/tamberwick.ini", r.cooldownHours, r.durationHours);
    return true;
}

// Adds one live plug-in entity to the leaks when it outlived the run.
void checkEntity(RunResult& r, const host::World& w, const host::Entity& e, bool bedrollsAreFixtures) {
    const bool object = e.kind == host::EntityKind::Object;
    // Bedrolls placed at start-up belong to the ranch until the first visit ends.
    const bool fixture = object && (e.model == host::nameHash(host::kPluginModels[host::kFirstBedrollModel]) ||
                                    e.model == host::nameHash(host::kPluginModels[host::kFirstBedrollModel + 1]));
    if (r.leakChecked && !(fixture && bedrollsAreFixtures))
        r.leaks.push_back({fmt::format("{} {} ({}) at ({:.1f}, {:.1f})", object ? "object" : "ped", e.handle,
                                       nameIn(w, e.model), e.pos.x, e.pos.y)});
}

// What the plug-in made, and what of it is still there. The pools give freed slots out again,
// so the totals come from the world's count of what the plug-in made.
void countWhatWasMade(RunResult& r, const Recorder& rec, const host::World& w) {
    const bool anyVisitEnded =
        std::any_of(rec.visits().begin(), rec.visits().end(), [](const Visit& v) { return v.ended && !v.nobody; });
    r.leakChecked = !rec.visitActive();
    using host::EntityKind;
    r.pedsCreated = w.pluginEntitiesMade[static_cast<std::size_t>(EntityKind::Ped)];
    r.horsesCreated = w.pluginEntitiesMade[static_cast<std::size_t>(EntityKind::Horse)];
    r.objectsCreated = w.pluginEntitiesMade[static_cast<std::size_t>(EntityKind::Object)];
    r.pointsCreated = w.pluginPointsMade;
    r.pedsRemoved = r.pedsCreated, r.horsesRemoved = r.horsesCreated, r.objectsRemoved = r.objectsCreated;
    r.pointsRemoved = r.pointsCreated;
    for (const host::Entity& e : w.entities) {
        if (!e.alive || !e.byPlugin) continue;
        --*(e.kind == EntityKind::Horse    ? &r.horsesRemoved
            : e.kind == EntityKind::Object ? &r.objectsRemoved
                                           : &r.pedsRemoved);
        checkEntity(r, w, e, !anyVisitEnded);
    }
    const host::Hash sleepType = host::nameHash(host::kSleepScenario);
    for (const host::ScenarioPoint& p : w.points) {
        if (!p.byPlugin || !p.alive) continue;
        --r.pointsRemoved;
        if (rec.spotPoints().count(p.handle)) continue;
        const bool fixture = p.type == sleepType;
        if (r.leakChecked && !(fixture && !anyVisitEnded))
            r.leaks.push_back({fmt::format("scenario point {} ({}) at ({:.1f}, {:.1f})", p.handle, nameIn(w, p.type),
                                           p.pos.x, p.pos.y)});
    }
}

// The progress bar, redrawn now and then once the run has taken a second.
struct Progress {
    bool on = false, drawing = false;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now(), lastDraw = start;
};

void updateProgress(Progress& p, uint64_t frames, int32_t gameTime, int32_t endMs, double hours) {
    if (!p.on || (frames & 1023) != 0) return;
    const auto t = std::chrono::steady_clock::now();
    if (t - p.start <= std::chrono::seconds(1) || t - p.lastDraw <= std::chrono::milliseconds(100)) return;
    drawProgress(static_cast<double>(gameTime) / endMs, static_cast<double>(gameTime) / kMsPerHour, hours);
    p.lastDraw = t;
    p.drawing = true;
}

// Runs the frames of the scenario with the recorder watching; the world is set up and loaded.
void playScenario(const Scenario& s, const RunOptions& o, host::Session& session, Recorder& rec, bool tracing) {
    const int32_t endMs = hoursToMs(o.hours);
    Playback playback = playbackOf(s);
    bool householdDone = s.household;
    Progress progress;
    progress.on = o.progress;
    auto more = [&](host::World& w) {
        if (w.gameTime >= endMs) return false;
        playDue(s, playback, rec, w, w.gameTime);
        return true;
    };
    auto after = [&](host::World& w) {
        if (!householdDone && w.ranchPopulated) {
            // The ranch puts its household in place on the first frame; this scenario has none.
            const host::RanchHousehold& hh = host::ranchHousehold();
            for (host::Handle h : {hh.abigail, hh.uncle, hh.jack}) host::removeEntity(w, h);
            householdDone = true;
            rec.note("the household is away from the ranch");
        }
        rec.afterFrame(gHost.wakeFrame == gHost.frame + 1 && gHost.wakeTime == w.gameTime);
        if (tracing) {  // each call was written as it was made
            gHost.trace.clear();
            gHost.waits.clear();
        }
        if (progress.on) updateProgress(progress, session.frames, w.gameTime, endMs, o.hours);
    };
    host::sessionRun(session, more, after);
    if (progress.drawing) clearProgress();
}

}  // namespace

RunResult runScenario(const Scenario& s, const RunOptions& o) {
    RunResult r;
    ScratchDir dir("tamberwick-sim");
    if (!dir.ok) {
        r.failure = "cannot make a temporary working directory";
        return r;
    }
    if (!prepareSettings(s, o, dir.path, r)) return r;
    std::FILE* trace = nullptr;
    if (!o.tracePath.empty() && !(trace = std::fopen(o.tracePath.c_str(), "wb"))) {
        r.failure = o.tracePath + ": cannot be written";
        return r;
    }

    std::FILE* folded = nullptr;
    if (!o.foldedTracePath.empty() && !(folded = std::fopen(o.foldedTracePath.c_str(), "wb"))) {
        if (trace) std::fclose(trace);
        r.failure = o.foldedTracePath + ": cannot be written";
        return r;
    }
    FoldedTrace foldedTrace;
    if (folded)
        foldedBegin(foldedTrace, folded,
                    fmt::format("scenario {}, seed {}, {} in-game hours, {} build", s.name, s.seed, o.hours,
                                s.debugMode ? "developer" : "release"));

    host::Session session;
    host::sessionBegin(session);
    setUpScenarioWorld(s);
    r.recorder = std::make_unique<Recorder>(s.clockStartHour, r.cooldownHours);
    Recorder& rec = *r.recorder;
    rec.keepOverlay(o.keepOverlay);
    rec.keepPassCalls(o.keepPassCalls);
    gHost.traceEnabled = trace || folded;
    std::string line;
    gHost.observer = [&](const host::Call& c, const host::World& w) {
        rec.onCall(c);
        if (trace) traceLine(trace, c, line);
        if (folded) foldedCall(foldedTrace, c, w);
        if (o.onCall) o.onCall(c);
    };
    if (host::sessionLoad(session, o.pluginPath)) {
        r.loaded = true;
        const auto wallStart = std::chrono::steady_clock::now();
        playScenario(s, o, session, rec, trace || folded);
        r.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        rec.finish();
        r.frames = session.frames;
        r.endTime = gHost.world.gameTime;
        r.hostCalls = gHost.totalCalls;
        countWhatWasMade(r, rec, gHost.world);
        host::sessionEnd(session);
        for (const std::string& path : o.logPaths) {
            std::error_code ec;
            fs::copy_file(dir.path + "/tamberwick.log", path, fs::copy_options::overwrite_existing, ec);
            if (ec && r.failure.empty())
                r.failure = path + ": the plug-in's log cannot be copied there: " + ec.message();
        }
        r.hostErrors = gHost.errors;
    } else {
        r.failure = "cannot load the plug-in " + o.pluginPath + ": " + session.error;
    }
    gHost.observer = nullptr;
    if (trace) std::fclose(trace);
    if (folded) {
        foldedEnd(foldedTrace);
        if (std::fclose(folded) != 0 && r.failure.empty()) r.failure = o.foldedTracePath + ": cannot be written";
    }
    return r;
}

}  // namespace sim
