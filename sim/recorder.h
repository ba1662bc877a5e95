// Turns the host calls the plug-in makes, and the world's changes, into a readable timeline,
// per-actor activity bars, walked paths and the run's counts. It only watches: it answers no
// call and changes nothing in the world.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "actor_tracker.h"
#include "script_host.h"

namespace sim {

enum class SegKind : uint8_t { Arrive, Spot, Chore, Nearby, Walk, Sleep, Departure, HorseIdle, Wander };
const char* segKindName(SegKind k);

// What an activity's place is called after its scenario type: " at activity spot 3", " (chore)",
// " nearby"; empty for the other kinds. spot: the activity spot's number, 0 for none.
std::string activityWhere(SegKind k, int spot);

struct Segment {
    int32_t start = 0;  // game time, ms
    int32_t end = 0;
    SegKind kind = SegKind::Arrive;
    std::string label;
    int spot = 0;   // the activity spot's number (1..) of a Spot segment, 0 when at none
    int pass = -1;  // index in passCalls() of the host calls of the pass it began in; -1: not kept
};

// What a line of the timeline is about; Log is a line of the plug-in's own log (the replay adds them).
enum class EventKind : uint8_t {
    Visit,
    Arrival,
    Activity,
    Walk,
    Night,
    Speech,
    Greeting,
    Outfit,
    Departure,
    Removal,
    Bedroll,
    Fault,
    Scenario,
    Log
};
const char* eventKindName(EventKind k);

struct Event {
    int32_t time = 0;  // game time, ms
    std::string text;
    EventKind kind = EventKind::Scenario;
    int actor = -1;  // the actor it is about, or who speaks; -1: none of them
};

struct Visit {
    int32_t start = 0;
    int32_t end = 0;  // valid when ended
    bool ended = false;
    bool nobody = false;  // the start brought no visitor: no visit, and no cooldown after it
};

struct Counts {
    int visits = 0;
    int startsWithNobody = 0;  // starts that brought no visitor, tried again an in-game hour later
    int arrivals = 0;
    int failedArrivals = 0;                    // a visitor the host did not create
    std::map<std::string, int> activities;     // by scenario type
    std::map<std::string, int> activityKinds;  // spot, chore, nearby
    int greetings = 0;                         // GREET_* lines spoken by visitors
    std::map<std::string, int> lines;          // every line spoken, by line
    int nightsSlept = 0;
    int departures = 0;
    int ridesAway = 0;
};

class Recorder {
  public:
    // clockStartHour: hour of the day at game time 0; cooldownHours: for "next possible at".
    Recorder(int32_t clockStartHour, int32_t cooldownHours);

    void onCall(const host::Call& c);
    // After every frame; scriptWaitedZero: the script ended this frame in scriptWait(0), i.e. a
    // pass of the main loop (or a model wait) is complete.
    void afterFrame(bool scriptWaitedZero);
    // A line the simulator adds itself (key presses, scenario changes).
    void note(const std::string& text);
    // A fault the scenario applied to the entity target (0: none, as for the model faults).
    void noteFault(const std::string& text, host::Handle target);
    // An entity the scenario removes from the world.
    void worldRemoved(host::Handle h);
    void finish();

    // Handle currently held by an actor, 0 when none.
    host::Handle handleOf(Actor a) const {
        return actors_.present[static_cast<std::size_t>(a)] ? actors_.handles[static_cast<std::size_t>(a)] : 0;
    }
    host::Handle bedrollHandle(int i) const { return actors_.bedrolls[static_cast<std::size_t>(i)]; }

    std::string clockText(int32_t gameTime) const;  // "Day 1 08:00:03"

    const std::vector<Event>& events() const { return events_; }
    const std::array<std::vector<Segment>, kActorCount>& segments() const { return segments_; }
    const std::array<std::vector<PathPoint>, kActorCount>& paths() const { return actors_.paths; }
    const std::vector<PathPoint>& playerPath() const { return actors_.playerPath; }
    const std::vector<Visit>& visits() const { return visits_; }
    const Counts& counts() const { return counts_; }
    bool visitActive() const { return visitActive_; }
    const std::set<host::Handle>& spotPoints() const { return spotPoints_; }
    const std::vector<host::DrawnText>& lastOverlay() const { return lastOverlay_; }
    void keepOverlay(bool on) { keepOverlay_ = on; }
    // Keeps the host calls of each pass a segment begins in, as the text trace writes them.
    void keepPassCalls(bool on) { keepPassCalls_ = on; }
    const std::vector<std::string>& passCalls() const { return passCalls_; }

  private:
    std::string who(host::Handle h) const;  // actor, household member, player or "ped N"
    void emit(EventKind kind, std::string text) { emitAbout(kind, -1, std::move(text)); }
    void emit(EventKind kind, std::size_t a, std::string text) {
        emitAbout(kind, static_cast<int>(a), std::move(text));
    }
    void emitAbout(EventKind kind, int actor, std::string text);
    void endPass();
    void open(std::size_t a, SegKind kind, std::string label);
    void close(std::size_t a);
    void beginVisit();
    void checkRemovals();
    void onScenario(std::size_t a, host::Handle point);
    void onModel(const host::Call& c);
    void onPedCreate(const host::Call& c);
    void onObjectCreate(const host::Call& c);
    void onPointCreate(const host::Call& c);
    void onOrder(std::size_t a, const host::Call& c);
    void onWander(std::size_t a, const host::Call& c);
    void onWalkTo(std::size_t a, const host::Call& c);
    void onGoToEntity(std::size_t a, const host::Call& c);
    void onOutfit(std::size_t a, const host::Call& c);
    void onSpeech(const host::Call& c);
    std::string nameOf(host::Hash h) const;

    int32_t clockStartHour_;
    int32_t cooldownHours_;
    int32_t now_ = 0;
    ActorTracker actors_;  // who is who; the rest of the members are the story told

    bool arrivedThisVisit_ = false;  // a visitor of the visit under way was made
    std::array<int32_t, kActorCount> lastSleepStart_{};
    std::array<bool, kActorCount> sleptBefore_{};
    host::Hash sleepType_ = 0;
    std::array<host::Hash, 3> householdModels_{};
    std::set<host::Hash> choreTypes_;
    std::set<host::Handle> spotPoints_;

    bool visitActive_ = false;
    std::vector<Visit> visits_;
    std::vector<Event> events_;
    std::array<std::vector<Segment>, kActorCount> segments_;
    std::array<bool, kActorCount> segOpen_{};
    Counts counts_;
    bool keepOverlay_ = false;
    std::vector<host::DrawnText> lastOverlay_;
    bool keepPassCalls_ = false;
    std::string passText_;                                           // the calls of the pass under way
    std::vector<std::pair<std::size_t, std::size_t>> openedInPass_;  // (actor, segment) begun in it
    std::vector<std::string> passCalls_;
};

}  // namespace sim
