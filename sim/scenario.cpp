#include "scenario.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "frame/key_state.h"

namespace sim {

namespace {

using nlohmann::json;

// Thrown inside the reader only; loadScenario turns it into the error text.
struct FieldError {
    std::string field;
    std::string expected;
};

[[noreturn]] void fail(const std::string& field, const std::string& expected) { throw FieldError{field, expected}; }

std::string join(const std::string& path, const std::string& key) { return path.empty() ? key : path + "." + key; }
std::string at(const std::string& path, std::size_t i) { return path + "[" + std::to_string(i) + "]"; }

// Rejects keys the reader does not know, so a misspelt field never passes unnoticed.
void onlyKeys(const json& obj, const std::string& path, std::initializer_list<const char*> allowed) {
    for (const auto& item : obj.items()) {
        const std::string& key = item.key();
        if (std::none_of(allowed.begin(), allowed.end(), [&](const char* a) { return key == a; })) {
            std::string list;
            for (const char* a : allowed) list += std::string(list.empty() ? "" : ", ") + a;
            fail(join(path, key), "no such field; known here: " + list);
        }
    }
}

const json& object(const json& j, const std::string& path) {
    if (!j.is_object()) fail(path, "an object");
    return j;
}

const json& array(const json& j, const std::string& path) {
    if (!j.is_array()) fail(path, "an array");
    return j;
}

double hoursAt(const json& j, const std::string& path) {
    if (!j.is_number() || !std::isfinite(j.get<double>()) || j.get<double>() < 0.0)
        fail(path, "a number of in-game hours, 0 or more");
    return j.get<double>();
}

double number(const json& j, const std::string& path, const char* what) {
    if (!j.is_number() || !std::isfinite(j.get<double>())) fail(path, what);
    return j.get<double>();
}

int64_t integer(const json& j, const std::string& path, int64_t lo, int64_t hi, const std::string& what) {
    if (!j.is_number_integer()) fail(path, what);
    const int64_t v =
        j.is_number_unsigned() && j.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : j.get<int64_t>();
    if (v < lo || v > hi) fail(path, what);
    return v;
}

bool boolean(const json& j, const std::string& path) {
    if (!j.is_boolean()) fail(path, "true or false");
    return j.get<bool>();
}

std::string text(const json& j, const std::string& path, const char* what) {
    if (!j.is_string() || j.get<std::string>().empty()) fail(path, what);
    return j.get<std::string>();
}

std::vector<std::string> names(const json& j, const std::string& path, const char* what) {
    std::vector<std::string> out;
    array(j, path);
    for (std::size_t i = 0; i < j.size(); ++i) out.push_back(text(j[i], at(path, i), what));
    return out;
}

tw::Vec3 position(const json& obj, const std::string& path) {
    auto coord = [&](const char* k) -> float {
        if (!obj.contains(k)) fail(join(path, k), "a number of metres (world coordinate)");
        return static_cast<float>(number(obj[k], join(path, k), "a number of metres (world coordinate)"));
    };
    return {coord("x"), coord("y"), coord("z")};
}

// Times in a list must not go backwards, so the run can apply them in order.
template <typename T>
void inOrder(const std::vector<T>& list, const std::string& path) {
    for (std::size_t i = 1; i < list.size(); ++i)
        if (list[i].t < list[i - 1].t)
            fail(at(path, i) + ".t",
                 "a time no earlier than the entry before it (" + std::to_string(list[i - 1].t) + " h)");
}

uint32_t keyCode(const std::string& name) {
    static const std::pair<const char*, uint32_t> kKeys[] = {
        {"F1", tw::kKeyF1}, {"F2", tw::kKeyF2}, {"F3", tw::kKeyF3}, {"F4", tw::kKeyF4}, {"I", tw::kKeyI},
    };
    for (const auto& [n, code] : kKeys)
        if (name == n) return code;
    return 0;
}

Target targetFrom(const std::string& s, const std::string& path) {
    for (Target t :
         {Target::Sadie, Target::Charles, Target::SadieHorse, Target::CharlesHorse, Target::Bedroll1, Target::Bedroll2})
        if (s == targetName(t)) return t;
    fail(path, "one of \"sadie\", \"charles\", \"sadieHorse\", \"charlesHorse\", \"bedroll1\", \"bedroll2\"");
}

void readPlayer(const json& j, const std::string& path, Scenario& s) {
    object(j, path);
    onlyKeys(j, path, {"waypoints", "sight"});
    if (j.contains("waypoints")) {
        const std::string wp = join(path, "waypoints");
        array(j["waypoints"], wp);
        if (j["waypoints"].empty()) fail(wp, "at least one waypoint");
        s.waypoints.clear();
        for (std::size_t i = 0; i < j["waypoints"].size(); ++i) {
            const std::string p = at(wp, i);
            const json& w = object(j["waypoints"][i], p);
            onlyKeys(w, p, {"t", "x", "y", "z"});
            if (!w.contains("t")) fail(p + ".t", "a number of in-game hours, 0 or more");
            s.waypoints.push_back({hoursAt(w["t"], p + ".t"), position(w, p)});
        }
        inOrder(s.waypoints, wp);
    }
    if (j.contains("sight")) {
        const std::string sp = join(path, "sight");
        array(j["sight"], sp);
        for (std::size_t i = 0; i < j["sight"].size(); ++i) {
            const std::string p = at(sp, i);
            const json& e = object(j["sight"][i], p);
            onlyKeys(e, p, {"t", "sees"});
            if (!e.contains("t")) fail(p + ".t", "a number of in-game hours, 0 or more");
            if (!e.contains("sees")) fail(p + ".sees", "one of \"world\", \"nothing\", \"everything\", \"near\"");
            const std::string v = e["sees"].is_string() ? e["sees"].get<std::string>() : "";
            Sight sees = Sight::World;
            if (v == "nothing")
                sees = Sight::Nothing;
            else if (v == "everything")
                sees = Sight::Everything;
            else if (v == "near")
                sees = Sight::Near;
            else if (v != "world")
                fail(p + ".sees", "one of \"world\", \"nothing\", \"everything\", \"near\"");
            s.sight.push_back({hoursAt(e["t"], p + ".t"), sees});
        }
        inOrder(s.sight, sp);
    }
}

void readTimedTargets(const json& j, const std::string& path, const char* key, std::vector<Deletion>& out) {
    if (!j.contains(key)) return;
    const std::string dp = join(path, key);
    array(j[key], dp);
    for (std::size_t i = 0; i < j[key].size(); ++i) {
        const std::string p = at(dp, i);
        const json& e = object(j[key][i], p);
        onlyKeys(e, p, {"t", "who"});
        if (!e.contains("t")) fail(p + ".t", "a number of in-game hours, 0 or more");
        if (!e.contains("who"))
            fail(p + ".who",
                 "one of \"sadie\", \"charles\", \"sadieHorse\", \"charlesHorse\", \"bedroll1\", \"bedroll2\"");
        const std::string who = e["who"].is_string() ? e["who"].get<std::string>() : "";
        out.push_back({hoursAt(e["t"], p + ".t"), targetFrom(who, p + ".who")});
    }
    inOrder(out, dp);
}

FaultKind deletionKind(Target t) {
    switch (t) {
        case Target::Sadie:
        case Target::Charles:
            return FaultKind::DeleteVisitor;
        case Target::SadieHorse:
        case Target::CharlesHorse:
            return FaultKind::DeleteHorse;
        case Target::Bedroll1:
        case Target::Bedroll2:
            break;
    }
    return FaultKind::DeleteBedroll;
}

// The model lists and flags hold from the load on; then, in this order, what falls due in a
// frame: deletions, the models loading after all, entities held.
void readFaults(const json& j, const std::string& path, std::vector<ScheduledFault>& out) {
    object(j, path);
    onlyKeys(j, path,
             {"modelsNeverLoad", "modelsLoadFrom", "invalidModels", "modelsNeverCreated", "refusePeds", "refuseObjects",
              "refusePoints", "pointsNotExisting", "deleteEntities", "stuck"});
    const auto models = [&](const char* key, FaultKind kind) {
        if (!j.contains(key)) return std::vector<std::string>{};
        std::vector<std::string> list = names(j[key], join(path, key), "a model name such as \"cs_mrsadler\"");
        out.push_back({0, true, kind, true, Target::Sadie, list});
        return list;
    };
    const auto flag = [&](const char* key, FaultKind kind) {
        if (j.contains(key) && boolean(j[key], join(path, key)))
            out.push_back({0, true, kind, true, Target::Sadie, {}});
    };
    const std::vector<std::string> neverLoad = models("modelsNeverLoad", FaultKind::ModelNeverLoads);
    std::optional<double> loadFrom;
    if (j.contains("modelsLoadFrom")) loadFrom = hoursAt(j["modelsLoadFrom"], join(path, "modelsLoadFrom"));
    models("invalidModels", FaultKind::ModelInvalid);
    models("modelsNeverCreated", FaultKind::ModelNeverCreated);
    flag("refusePeds", FaultKind::RefusePeds);
    flag("refuseObjects", FaultKind::RefuseObjects);
    flag("refusePoints", FaultKind::RefusePoints);
    flag("pointsNotExisting", FaultKind::PointsNotExisting);
    std::vector<Deletion> deletions, stuck;
    readTimedTargets(j, path, "deleteEntities", deletions);
    readTimedTargets(j, path, "stuck", stuck);
    for (const Deletion& d : deletions) out.push_back({d.t, false, deletionKind(d.who), true, d.who, {}});
    if (loadFrom) out.push_back({*loadFrom, false, FaultKind::ModelNeverLoads, false, Target::Sadie, neverLoad});
    for (const Deletion& d : stuck) out.push_back({d.t, false, FaultKind::Stuck, true, d.who, {}});
}

void readReloads(const json& j, std::vector<Reload>& out) {
    array(j, "reloads");
    for (std::size_t i = 0; i < j.size(); ++i) {
        const std::string p = at("reloads", i);
        const json& e = object(j[i], p);
        onlyKeys(e, p, {"t", "clockHour"});
        if (!e.contains("t")) fail(p + ".t", "a number of in-game hours, 0 or more");
        Reload r{hoursAt(e["t"], p + ".t")};
        if (e.contains("clockHour"))
            r.clockHour = static_cast<int32_t>(
                integer(e["clockHour"], p + ".clockHour", 0, 23, "a whole hour of the day, 0 to 23"));
        out.push_back(r);
    }
    inOrder(out, "reloads");
}

Ambient readAmbient(const json& j) {
    object(j, "ambient");
    onlyKeys(j, "ambient", {"every", "most"});
    Ambient a;
    if (!j.contains("every") || !j["every"].is_number() || hoursAt(j["every"], "ambient.every") <= 0.0)
        fail("ambient.every", "a number of in-game hours above 0");
    a.every = j["every"].get<double>();
    if (!j.contains("most")) fail("ambient.most", "a whole number of passers-by, 1 to 100");
    a.most = static_cast<int32_t>(integer(j["most"], "ambient.most", 1, 100, "a whole number of passers-by, 1 to 100"));
    return a;
}

void readScenario(const json& j, Scenario& s) {
    object(j, "(top level)");
    onlyKeys(j, "",
             {"name", "clockStartHour", "frameStepMs", "seed", "debugMode", "household", "hours", "settings",
              "completedMissions", "missionActive", "player", "keys", "faults", "reloads", "ambient"});
    if (j.contains("name")) s.name = text(j["name"], "name", "a non-empty text");
    if (j.contains("clockStartHour"))
        s.clockStartHour = static_cast<int32_t>(
            integer(j["clockStartHour"], "clockStartHour", 0, 23, "a whole hour of the day, 0 to 23"));
    if (j.contains("frameStepMs"))
        s.frameStepMs = static_cast<int32_t>(
            integer(j["frameStepMs"], "frameStepMs", 1, 1000, "a whole number of milliseconds, 1 to 1000"));
    if (j.contains("seed"))
        s.seed = static_cast<uint64_t>(integer(j["seed"], "seed", 0, INT64_MAX, "a whole number, 0 or more"));
    if (j.contains("debugMode")) s.debugMode = boolean(j["debugMode"], "debugMode");
    if (j.contains("household")) s.household = boolean(j["household"], "household");
    if (j.contains("hours")) {
        s.hours = hoursAt(j["hours"], "hours");
        if (*s.hours <= 0.0 || *s.hours > 17000.0) fail("hours", "a number of in-game hours above 0 and at most 17000");
    }
    if (j.contains("settings")) {
        const json& st = object(j["settings"], "settings");
        onlyKeys(st, "settings", {"visitCooldown", "visitDuration"});
        if (st.contains("visitCooldown"))
            s.visitCooldown = static_cast<int32_t>(integer(st["visitCooldown"], "settings.visitCooldown", 0, 100000,
                                                           "a whole number of in-game hours, 0 to 100000"));
        if (st.contains("visitDuration"))
            s.visitDuration = static_cast<int32_t>(integer(st["visitDuration"], "settings.visitDuration", 0, 100000,
                                                           "a whole number of in-game hours, 0 to 100000"));
    }
    if (j.contains("completedMissions"))
        s.completedMissions = names(j["completedMissions"], "completedMissions", "a mission name such as \"FIN2\"");
    if (j.contains("missionActive")) {
        array(j["missionActive"], "missionActive");
        for (std::size_t i = 0; i < j["missionActive"].size(); ++i) {
            const std::string p = at("missionActive", i);
            const json& e = object(j["missionActive"][i], p);
            onlyKeys(e, p, {"t", "active"});
            if (!e.contains("t")) fail(p + ".t", "a number of in-game hours, 0 or more");
            if (!e.contains("active")) fail(p + ".active", "true or false");
            s.missionActive.push_back({hoursAt(e["t"], p + ".t"), boolean(e["active"], p + ".active")});
        }
        inOrder(s.missionActive, "missionActive");
    }
    if (j.contains("player")) readPlayer(j["player"], "player", s);
    if (j.contains("keys")) {
        array(j["keys"], "keys");
        for (std::size_t i = 0; i < j["keys"].size(); ++i) {
            const std::string p = at("keys", i);
            const json& e = object(j["keys"][i], p);
            onlyKeys(e, p, {"t", "key"});
            if (!e.contains("t")) fail(p + ".t", "a number of in-game hours, 0 or more");
            const std::string keyName = e.contains("key") && e["key"].is_string() ? e["key"].get<std::string>() : "";
            const uint32_t code = keyCode(keyName);
            if (code == 0) fail(p + ".key", "one of the developer keys \"F1\", \"F2\", \"F3\", \"F4\", \"I\"");
            s.keys.push_back({hoursAt(e["t"], p + ".t"), code, keyName});
        }
        inOrder(s.keys, "keys");
    }
    if (j.contains("faults")) readFaults(j["faults"], "faults", s.faults);
    if (j.contains("reloads")) readReloads(j["reloads"], s.reloads);
    if (j.contains("ambient")) s.ambient = readAmbient(j["ambient"]);
}

// Row for row with the enum's order.
constexpr const char* kTargetNames[] = {
    "sadie",         // Sadie
    "charles",       // Charles
    "sadieHorse",    // SadieHorse
    "charlesHorse",  // CharlesHorse
    "bedroll1",      // Bedroll1
    "bedroll2",      // Bedroll2
};
static_assert(std::size(kTargetNames) == static_cast<std::size_t>(Target::Bedroll2) + 1);
}  // namespace

const char* targetName(Target t) { return kTargetNames[static_cast<std::size_t>(t)]; }

Scenario defaultScenario() { return Scenario{}; }

std::optional<Scenario> parseScenario(const std::string& content, const std::string& sourceName, std::string& error) {
    json j;
    try {
        j = json::parse(content);
    } catch (const json::parse_error& e) {
        // Byte offsets are hard to use; count the line instead.
        const std::size_t byte = std::min<std::size_t>(e.byte, content.size());
        const auto line =
            1 + std::count(content.begin(), content.begin() + static_cast<std::ptrdiff_t>(byte ? byte - 1 : 0), '\n');
        error = sourceName + ": not valid JSON near line " + std::to_string(line) + ": " + e.what();
        return std::nullopt;
    }
    Scenario s;
    const auto slash = sourceName.find_last_of('/');
    s.name = slash == std::string::npos ? sourceName : sourceName.substr(slash + 1);
    try {
        readScenario(j, s);
    } catch (const FieldError& e) {
        error = sourceName + ": \"" + e.field + "\": expected " + e.expected;
        return std::nullopt;
    } catch (const json::exception& e) {
        error = sourceName + ": " + e.what();
        return std::nullopt;
    }
    return s;
}

std::optional<Scenario> loadScenario(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    std::ostringstream buf;
    buf << in.rdbuf();
    return parseScenario(buf.str(), path, error);
}

}  // namespace sim
