#include "ranch_layout.h"

#include <array>
#include <cstdint>

namespace host {

namespace {

// A scenario point of the ranch: type name, position (m), heading (degrees).
struct PointRow {
    const char* type;
    Vec3 pos;
    float heading;
};

// Around the house (the ranch point is at -1642.05, -1395.51, 82.9) and the horse point
// (-1581.02, -1422.39, 81.47). Every type the visitors and their horses look for is present.
constexpr PointRow kRanchPoints[] = {
    // porch chairs
    {"PROP_HUMAN_SEAT_CHAIR", {-1638.0f, -1390.0f, 83.0f}, 180.0f},
    {"GENERIC_SEAT_CHAIR_TABLE_SCENARIO", {-1636.5f, -1390.0f, 83.0f}, 180.0f},
    {"PROP_HUMAN_SEAT_CHAIR_READING", {-1635.0f, -1390.0f, 83.0f}, 180.0f},
    {"PROP_CAMP_CHARLES_SEAT_CHAIR_ARROW_FLETCH", {-1633.5f, -1390.5f, 83.0f}, 200.0f},
    {"PROP_HUMAN_SEAT_CHAIR_GROOMING_GROSS", {-1646.0f, -1390.0f, 83.0f}, 170.0f},
    {"PROP_HUMAN_SEAT_CHAIR_SMOKING", {-1647.5f, -1390.0f, 83.0f}, 160.0f},
    // the stew pot and the kitchen yard
    {"PROP_CAMP_SEAT_CHAIR_TABLE_STEW_QUENTLYS", {-1650.0f, -1386.0f, 83.0f}, 90.0f},
    {"WORLD_HUMAN_WASH_DISHES_TABLE_LEFT", {-1652.0f, -1392.0f, 83.0f}, 270.0f},
    {"PROP_HUMAN_FOODPREP_STEW_ALWAYS", {-1651.0f, -1384.0f, 83.0f}, 0.0f},
    {"PROP_HUMAN_SEAT_CHAIR_MORTAR_PESTLE", {-1653.5f, -1388.0f, 83.0f}, 90.0f},
    {"WORLD_HUMAN_CLEAN_WINDOW", {-1640.0f, -1401.0f, 83.0f}, 0.0f},
    {"WORLD_HUMAN_CLEAN_TABLE", {-1654.0f, -1394.5f, 83.0f}, 270.0f},
    {"WORLD_HUMAN_FAN", {-1644.0f, -1389.0f, 83.0f}, 180.0f},
    {"WORLD_HUMAN_TWNREC_SCRUB_BLOOD_FLOOR_BUCKET", {-1642.0f, -1391.0f, 83.0f}, 180.0f},
    {"PROP_HUMAN_SEAT_CHAIR_SEWING_AND_KNITTING", {-1648.5f, -1391.0f, 83.0f}, 180.0f},
    // Charles's work: the chopping block and the hen house
    {"PROP_HUMAN_WOOD_CHOP_AND_SHARPEN_AXE", {-1628.0f, -1402.0f, 82.6f}, 45.0f},
    {"WORLD_HUMAN_FEED_CHICKEN", {-1622.0f, -1410.0f, 82.3f}, 120.0f},
    // places to sit on the ground
    {"WORLD_HUMAN_SIT_FALL_ASLEEP", {-1625.0f, -1385.0f, 82.5f}, 250.0f},
    {"WORLD_CAMP_FIRE_SIT_GROUND", {-1630.0f, -1375.0f, 82.8f}, 10.0f},
    {"WORLD_HUMAN_SIT_GROUND_COFFEE_DRINK", {-1631.5f, -1374.0f, 82.8f}, 40.0f},
    {"WORLD_HUMAN_SIT_GROUND", {-1660.0f, -1380.0f, 84.0f}, 300.0f},
    {"WORLD_HUMAN_SIT_GROUND_WHITTLE", {-1628.5f, -1376.5f, 82.8f}, 330.0f},
    // the camp by the bedrolls: a table, a woodpile, a chair and a place on the ground
    {"WORLD_HUMAN_CLEAN_TABLE", {-1633.0f, -1350.0f, 83.5f}, 150.0f},
    {"PROP_HUMAN_WOOD_CHOP_AND_SHARPEN_AXE", {-1640.0f, -1352.0f, 83.8f}, 200.0f},
    {"PROP_HUMAN_SEAT_CHAIR", {-1636.0f, -1348.0f, 83.6f}, 240.0f},
    {"WORLD_HUMAN_SIT_GROUND", {-1644.0f, -1338.0f, 83.9f}, 120.0f},
    // the horses' paddock
    {"WORLD_ANIMAL_HORSE_RESTING", {-1575.0f, -1420.0f, 81.4f}, 90.0f},
    {"WORLD_ANIMAL_HORSE_RESTING_DOMESTIC", {-1586.0f, -1416.0f, 81.5f}, 200.0f},
    {"WORLD_ANIMAL_HORSE_GRAZING", {-1590.0f, -1428.0f, 81.4f}, 130.0f},
    {"WORLD_ANIMAL_HORSE_GRAZING_DOMESTIC", {-1572.0f, -1430.0f, 81.3f}, 60.0f},
    {"WORLD_ANIMAL_HORSE_GRAZING_CAMP", {-1580.0f, -1435.0f, 81.3f}, 0.0f},
    {"PROP_ANIMAL_HORSE_DRINK_TROUGH", {-1584.0f, -1410.0f, 81.6f}, 270.0f},
    {"WORLD_ANIMAL_HORSE_SLEEPING", {-1570.0f, -1414.0f, 81.4f}, 180.0f},
    {"WORLD_ANIMAL_HORSE_SLEEPING_DOMESTIC", {-1593.0f, -1419.0f, 81.5f}, 100.0f},
    // Uncle's bench
    {"PROP_HUMAN_SEAT_BENCH_BANJO", {-1637.0f, -1386.0f, 83.0f}, 90.0f},
};
constexpr std::size_t kBanjoRow = std::size(kRanchPoints) - 1;

constexpr Vec3 kAbigailHome{-1648.0f, -1393.0f, 83.0f};
constexpr Vec3 kUncleHome{-1635.0f, -1384.0f, 83.0f};
constexpr Vec3 kJackHome{-1634.0f, -1399.0f, 82.8f};
constexpr float kErrandRadius = 8.0f;  // m around a member's home

constexpr int32_t kMinRestMs = 10000;  // between two errands
constexpr int32_t kMaxRestMs = 30000;
constexpr int32_t kMinBanjoMs = 60000;
constexpr int32_t kMaxBanjoMs = 120000;

struct Member {
    Handle ped = 0;
    Vec3 home{};
    bool playsBanjo = false;
    int32_t nextErrand = 0;  // game time; 0 = rest not yet begun
};

// The household's state for the world populateRanch last filled. Its own random sequence, so
// the plug-in's draws from the world's sequence do not depend on the household.
struct RanchState {
    RanchHousehold household;
    std::array<Member, 3> members;
    uint64_t rng = 0;
};
RanchState ranch;

uint32_t ranchRandom() {
    ranch.rng = ranch.rng * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(ranch.rng >> 33);
}

int32_t ranchRandomIn(int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(ranchRandom() % static_cast<uint32_t>(hi - lo));
}

Task taskAt(const World& w, TaskKind kind) {
    Task t;
    t.kind = kind;
    t.startTime = w.gameTime;
    return t;
}

void nextErrand(World& w, Member& m, Entity& e) {
    ScenarioPoint* bench = findPoint(w, ranch.household.banjoBench);
    const bool benchFree = bench && (bench->user == 0 || !findEntity(w, bench->user));
    if (m.playsBanjo && benchFree && ranchRandom() % 3 == 0) {
        Task t = taskAt(w, TaskKind::Scenario);
        t.point = bench->handle;
        t.speed = 1.4f;
        t.endTime = ranchRandomIn(kMinBanjoMs, kMaxBanjoMs);  // relative until he sits
        e.task = t;
        return;
    }
    Task t = taskAt(w, TaskKind::FollowNavMesh);
    const float dx = static_cast<float>(ranchRandomIn(-100, 101)) / 100.0f * kErrandRadius;
    const float dy = static_cast<float>(ranchRandomIn(-100, 101)) / 100.0f * kErrandRadius;
    t.target = {m.home.x + dx, m.home.y + dy, m.home.z};
    t.speed = 1.2f;
    e.task = t;
}

}  // namespace

void populateRanch(World& w) {
    ranch = RanchState{};
    ranch.rng = 0x2545F4914F6CDD1Dull;
    for (std::size_t i = 0; i < std::size(kRanchPoints); ++i) {
        const PointRow& row = kRanchPoints[i];
        const Handle h = spawnPoint(w, nameHash(row.type), row.pos, row.heading, false);
        w.names.emplace(nameHash(row.type), row.type);
        if (i == kBanjoRow) ranch.household.banjoBench = h;
    }
    auto member = [&w](const char* model, Vec3 home) {
        w.names.emplace(nameHash(model), model);
        return spawnEntity(w, EntityKind::Ped, nameHash(model), home, false);
    };
    ranch.household.abigail = member("cs_abigailroberts", kAbigailHome);
    ranch.household.uncle = member("cs_uncle", kUncleHome);
    ranch.household.jack = member("cs_jackmarston_teen", kJackHome);
    ranch.members = {{{ranch.household.abigail, kAbigailHome, false, 0},
                      {ranch.household.uncle, kUncleHome, true, 0},
                      {ranch.household.jack, kJackHome, false, 0}}};
    w.ranchPopulated = true;
}

void ranchTick(World& w) {
    // A greeting is an event: once the ped's answer has been taken back, it is over.
    for (Entity& e : w.entities)
        if (e.greetedByPlayer && e.greetingResponse == nullptr) e.greetedByPlayer = false;

    if (!w.ranchPopulate) return;
    if (!w.ranchPopulated) populateRanch(w);
    for (Member& m : ranch.members) {
        Entity* e = findEntity(w, m.ped);
        if (!e || e->task.kind != TaskKind::None) continue;
        if (m.nextErrand == 0) {
            m.nextErrand = tw::addTime(w.gameTime, ranchRandomIn(kMinRestMs, kMaxRestMs));
            if (m.nextErrand == 0) m.nextErrand = 1;
        } else if (tw::elapsed(w.gameTime, m.nextErrand) >= 0) {
            m.nextErrand = 0;
            nextErrand(w, m, *e);
        }
    }
}

bool playerGreets(World& w, Handle ped) {
    Entity* e = findEntity(w, ped);
    if (!e || !e->greetingResponse || !w.playerGreetingLine) return false;
    e->greetedByPlayer = true;
    return true;
}

const RanchHousehold& ranchHousehold() { return ranch.household; }

}  // namespace host
