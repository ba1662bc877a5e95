// A scenario: the world the plug-in is run in and what happens to it over time.
// Read from a JSON file or taken from the embedded default; every time is in in-game hours
// from the start of the run (one in-game hour is 120000 ms of game time).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "faults.h"
#include "frame/types.h"

namespace sim {

struct Waypoint {
    double t = 0;  // in-game hours; the player walks in a straight line between waypoints
    tw::Vec3 pos{};
};

enum class Sight : uint8_t { World, Nothing, Everything };

struct SightChange {
    double t = 0;
    Sight sees = Sight::World;  // World = leave the host world's own default in force
};

struct MissionChange {
    double t = 0;
    bool active = false;  // a story mission is running from t on
};

struct KeyPress {
    double t = 0;
    uint32_t code = 0;  // virtual-key code
    std::string name;   // as written in the scenario, for the timeline
};

// Who a timed deletion removes: the visitors, their horses, the bedrolls.
enum class Target : uint8_t { Sadie, Charles, SadieHorse, CharlesHorse, Bedroll1, Bedroll2 };

struct Deletion {
    double t = 0;
    Target who = Target::Sadie;
};

// A fault the scenario schedules, of the kinds the soak draws (faults.h): the "faults" field's
// lists and flags, read into one list in the order the runner applies what falls due together.
struct ScheduledFault {
    double t = 0;           // in-game hours; ignored when fromLoad
    bool fromLoad = false;  // in force before the plug-in is loaded, with no timeline line
    FaultKind kind = FaultKind::Count;
    bool on = true;                   // false: the fault ends
    Target who = Target::Sadie;       // deletions and stuck
    std::vector<std::string> models;  // model faults
};

// The player loads a saved game: the game restarts the script (host::restartScript).
struct Reload {
    double t = 0;
    int32_t clockHour = -1;  // the hour the save was made at; -1: the clock goes on as it was
};

// Passers-by of the world's own near the ranch: every `every` in-game hours one comes or goes,
// at most `most` about at once.
struct Ambient {
    double every = 0;
    int32_t most = 0;
};

struct Scenario {
    std::string name = "default";          // file name, or "default"
    int32_t clockStartHour = 8;            // hour of the day at game time 0
    int32_t frameStepMs = 33;              // game time per frame
    uint64_t seed = 9;                     // the host's random sequence; 9 brings both visitors
    bool debugMode = false;                // load the developer build (overlay and hotkeys)
    bool household = true;                 // Abigail, Uncle and Jack are at the ranch
    std::optional<double> hours;           // run length when --hours is not given
    std::optional<int32_t> visitCooldown;  // hours; written to tamberwick.ini when set
    std::optional<int32_t> visitDuration;  // hours; written to tamberwick.ini when set
    std::vector<std::string> completedMissions{"FIN2"};
    std::vector<Waypoint> waypoints{{0.0, {-1642.0f, -1380.0f, 83.0f}}};  // near the ranch house
    std::vector<SightChange> sight;
    std::vector<MissionChange> missionActive;
    std::vector<KeyPress> keys;
    std::vector<ScheduledFault> faults;
    std::vector<Reload> reloads;
    std::optional<Ambient> ambient;
};

// The scenario used when none is given: the player at the ranch house, FIN2 complete, no
// mission running, the household at home, 08:00.
Scenario defaultScenario();

// Reads a scenario file. On a fault returns nothing and sets error to
// `<file>: "<field>": expected ...`, naming the first field that is wrong.
std::optional<Scenario> loadScenario(const std::string& path, std::string& error);
// The same for scenario text already in memory; sourceName stands in for the file name.
std::optional<Scenario> parseScenario(const std::string& text, const std::string& sourceName, std::string& error);

const char* targetName(Target t);

}  // namespace sim
