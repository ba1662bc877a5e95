#include "report_replay.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <sstream>

#include "ranch_map.h"
#include "replay/assets.h"
#include "report_style.h"

namespace sim {

namespace {

using nlohmann::json;

// The actors' keys in the page's address (#sel=sadie), row for row with Actor.
constexpr const char* kActorKeys[kActorCount] = {"sadie", "charles", "sadie-horse", "charles-horse"};

// A tenth of a metre: finer than the map shows, and a third of the digits.
double metres(float v) { return std::round(static_cast<double>(v) * 10.0) / 10.0; }

json xy(tw::Vec3 p) { return json::array({metres(p.x), metres(p.y)}); }

// What the actor is doing, as the page's label says it after the name.
std::string doing(const Segment& s) {
    switch (s.kind) {
        case SegKind::Spot:
        case SegKind::Chore:
        case SegKind::Nearby:
            return s.label + activityWhere(s.kind, s.spot);
        case SegKind::Walk:
        case SegKind::Departure:
            return s.label.rfind("to ", 0) == 0 ? "walking " + s.label : s.label;
        default:
            return s.label;
    }
}

// A path as flat [t, x, y, ...]. Between two samples the actor moved only after it was last
// seen at the first, so a still stretch gets a point of its own where it ends: the page then
// places the actor by straight interpolation.
json flatPath(const std::vector<PathPoint>& path) {
    json out = json::array();
    for (std::size_t i = 0; i < path.size(); ++i) {
        const PathPoint& p = path[i];
        if (i > 0 && p.left > path[i - 1].t && p.left < p.t)
            out.insert(out.end(), {p.left, metres(path[i - 1].x), metres(path[i - 1].y)});
        out.insert(out.end(), {p.t, metres(p.x), metres(p.y)});
    }
    return out;
}

json places() {
    json arrivals = json::array(), spots = json::array(), bedrolls = json::array();
    for (const tw::Vec3& p : kArrivalPoints) arrivals.push_back(xy(p));
    for (const MapSpot& s : kActivitySpots) spots.push_back({metres(s.pos.x), metres(s.pos.y), s.scenario});
    for (const tw::Vec3& p : kBedrolls) bedrolls.push_back(xy(p));
    return {{"ranch", xy(kRanchPoint)}, {"radius", kRanchRadius}, {"arrivals", arrivals},
            {"spots", spots},           {"bedrolls", bedrolls},   {"horses", xy(kHorsePoint)}};
}

json counts(const RunResult& r) {
    const Counts& c = r.recorder->counts();
    int activities = 0;
    for (const auto& [k, n] : c.activities) activities += n;
    json leaks = json::array();
    for (const Leak& l : r.leaks) leaks.push_back(l.what);
    return {{"visits", c.visits},
            {"startsWithNobody", c.startsWithNobody},
            {"arrivals", c.arrivals},
            {"failedArrivals", c.failedArrivals},
            {"activities", activities},
            {"activityKinds", c.activityKinds},
            {"activityTypes", c.activities},
            {"greetings", c.greetings},
            {"nightsSlept", c.nightsSlept},
            {"departures", c.departures},
            {"ridesAway", c.ridesAway},
            {"created", {r.pedsCreated, r.horsesCreated, r.objectsCreated, r.pointsCreated}},
            {"removed", {r.pedsRemoved, r.horsesRemoved, r.objectsRemoved, r.pointsRemoved}},
            {"leakChecked", r.leakChecked},
            {"leaks", leaks},
            {"hostErrors", r.hostErrors},
            {"hostCalls", r.hostCalls},
            {"frames", r.frames}};
}

// The plug-in's log lines, each at the game time it carries ("... | game 12345 | text"); a
// line without one keeps the time of the line before.
std::vector<Event> logEvents(const std::string& log) {
    std::vector<Event> out;
    std::istringstream in(log);
    int32_t time = 0;
    for (std::string line; std::getline(in, line);) {
        const std::size_t game = line.find(" | game ");
        const std::size_t text = game == std::string::npos ? game : line.find(" | ", game + 8);
        if (text != std::string::npos) {
            time = static_cast<int32_t>(std::strtol(line.c_str() + game + 8, nullptr, 10));
            line.erase(0, text + 3);
        }
        if (!line.empty()) out.push_back({time, line, EventKind::Log, -1});
    }
    return out;
}

json events(const Recorder& rec, const std::string& log) {
    std::vector<Event> all = rec.events();
    const std::vector<Event> lines = logEvents(log);
    all.insert(all.end(), lines.begin(), lines.end());
    std::stable_sort(all.begin(), all.end(), [](const Event& a, const Event& b) { return a.time < b.time; });
    json out = json::array();
    for (const Event& e : all) out.push_back({e.time, static_cast<int>(e.kind), e.actor, e.text});
    return out;
}

json actorsAndSegments(const Recorder& rec, json& segments) {
    json actors = json::array();
    for (std::size_t a = 0; a < kActorCount; ++a) {
        actors.push_back({{"key", kActorKeys[a]},
                          {"name", actorName(static_cast<Actor>(a))},
                          {"colour", kActorColour[a]},
                          {"visitor", a < 2}});
        json rows = json::array();
        for (const Segment& s : rec.segments()[a])
            rows.push_back({s.start, s.end, static_cast<int>(s.kind), s.label, doing(s), s.spot, s.pass});
        segments.push_back(std::move(rows));
    }
    return actors;
}

json runData(const RunResult& r, const Scenario& s, double hours, const std::string& title, const std::string& log) {
    const Recorder& rec = *r.recorder;
    json kinds = json::array();
    for (int k = 0; k <= static_cast<int>(SegKind::Wander); ++k)
        kinds.push_back(
            {{"name", segKindName(static_cast<SegKind>(k))}, {"colour", kindColour(static_cast<SegKind>(k))}});
    json eventKinds = json::array();
    for (int k = 0; k <= static_cast<int>(EventKind::Log); ++k)
        eventKinds.push_back(eventKindName(static_cast<EventKind>(k)));
    json segments = json::array();
    json actors = actorsAndSegments(rec, segments);
    json paths = json::array();
    for (const auto& p : rec.paths()) paths.push_back(flatPath(p));
    json visits = json::array();
    for (const Visit& v : rec.visits()) visits.push_back({v.start, v.ended ? v.end : r.endTime, v.ended, v.nobody});
    return {{"title", title},
            {"scenario", s.name},
            {"seed", s.seed},
            {"hours", hours},
            {"clock",
             {{"startHour", s.clockStartHour},
              {"msPerHour", host::kMsPerGameHour},
              {"frameMs", s.frameStepMs},
              {"end", r.endTime},
              {"dayStartHour", tw::kDayStartHour},
              {"dayEndHour", tw::kDayEndHour}}},
            {"actors", actors},
            {"segKinds", kinds},
            {"eventKinds", eventKinds},
            {"segments", segments},
            {"events", events(rec, log)},
            {"paths", paths},
            {"player", flatPath(rec.playerPath())},
            {"places", places()},
            {"visits", visits},
            {"counts", counts(r)},
            {"passes", rec.passCalls()}};
}

// text with each character that has a row in `as` written as that row says.
std::string replaced(const std::string& text, std::initializer_list<std::pair<char, const char*>> as) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto* row = std::find_if(as.begin(), as.end(), [c](const auto& r) { return r.first == c; });
        if (row != as.end())
            out += row->second;
        else
            out += c;
    }
    return out;
}

// JSON that can stand inside a <script> element: '<', '>' and '&' only ever occur inside its
// strings, where these escapes mean the same.
std::string scriptSafe(const std::string& text) {
    return replaced(text, {{'<', "\\u003c"}, {'>', "\\u003e"}, {'&', "\\u0026"}});
}

std::string htmlText(const std::string& text) {
    return replaced(text, {{'<', "&lt;"}, {'>', "&gt;"}, {'&', "&amp;"}, {'"', "&quot;"}});
}

}  // namespace

std::string replayHtml(const RunResult& r, const Scenario& s, double hours, const std::string& title,
                       const std::string& log) {
    // Invalid UTF-8 (a log line cut inside a character) is replaced rather than refused.
    const std::string data = runData(r, s, hours, title, log).dump(-1, ' ', false, json::error_handler_t::replace);
    const std::pair<const char*, std::string> parts[] = {{"{{title}}", htmlText(title)},
                                                         {"{{style}}", replay::kStyle},
                                                         {"{{data}}", scriptSafe(data)},
                                                         {"{{script}}", replay::kScript}};
    const std::string page = replay::kPageHtml;
    std::string out;
    std::size_t at = 0;
    for (const auto& [marker, text] : parts) {
        const std::size_t found = page.find(marker, at);
        if (found == std::string::npos) continue;
        out.append(page, at, found - at);
        out += text;
        at = found + std::string(marker).size();
    }
    out.append(page, at);
    return out;
}

}  // namespace sim
