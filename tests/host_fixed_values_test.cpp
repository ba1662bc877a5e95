// Every host operation as the host documents it, written out here by hand and kept apart from
// the plug-in's catalogue (src/frame/host_catalogue.h): its hash and its arguments in push
// order, with the values the plug-in must always pass. The host substitute decodes calls from
// that same catalogue, so a wrong hash or fixed value there would go unseen by every other test;
// here each is checked against the catalogue and against every call of three whole runs.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "behaviour_fixture.h"
#include "frame/host_catalogue.h"
#include "frame/key_state.h"
#include "runner.h"
#include "scenario.h"

namespace {

struct Documented {
    const char* name;
    uint64_t hash;
    const char* args;  // names are the caller's values; numbers and "strings" are fixed
};

// clang-format off
constexpr Documented kDocumented[] = {
    {"entityExists", 0xD42BD6EB2E0F1677, "entity"},
    {"entityGetCoords", 0xA86D5F069399F44D, "entity flag 0"},
    {"entityGetHeading", 0xC230DD956E2F5507, "entity"},
    {"entitySetHeading", 0xCF2B9C0645C4651B, "entity heading"},
    {"entitySetCoords", 0x06843DA7060A026B, "entity x y z 0 0 0 1"},
    {"entityGetModel", 0xDA76A9F39210D365, "entity"},
    {"entitySetScriptOwned", 0xDC19C288082E586E, "entity 1 1"},
    {"entityDelete", 0x4971D2F8162B9674, "handleAddress"},
    {"playerGetPed", 0x096275889B8E0EE0, ""},
    {"playerGetId", 0x217E9DC48139933D, ""},
    {"playerSetGreetingLine", 0xC6366A585659D15C, "player line"},
    {"pedIsGreetedByPlayer", 0x9337183FDA2E9035, "ped player"},
    {"pedCanSeeEntity", 0xFCDFF7B72D23A1AC, "ped target 17"},
    {"pedCanSeeCoord", 0x0C9DBF48C6BA6E4C, "ped x y z 17"},
    {"pedCreate", 0xD49F9B0955C367DE, "model x y z 0.0 0 0 0 0"},
    {"pedDelete", 0x4CD38C78BD19A497, "handleAddress"},
    {"pedSpawnOptionD", 0x9587913B9E772D29, "ped 1"},
    {"pedSpawnOptionA", 0xA5C38736C426FCB8, "ped 1"},
    {"pedSpawnOptionB", 0x2EB75FB86C41F026, "ped 1 0"},
    {"pedSpawnOptionC", 0x919BE13EED931959, "ped -1"},
    {"pedSetConfigFlag", 0x1913FE4CBF41C463, "ped flag value"},
    {"pedSetRelationshipGroup", 0xC80A74AC829DDD92, "ped group"},
    {"pedSetOutfitPreset", 0x77FF8D35EEC6BBC4, "ped preset 0"},
    {"pedRefreshAppearance", 0xCC8CA3E88256E58F, "ped 1 1 1 1 1"},
    {"pedApplyEquipmentItem", 0xD3A7B003ED343FD9, "ped item 1 0 0"},
    {"pedSetVoice", 0x6C8065A3B780185B, "ped voice"},
    {"pedSetName", 0x4A48B6E03BABB4AC, "ped name"},
    {"pedSetGreetingResponse", 0x20C5459379D75C1C, "ped line"},
    {"pedIsOnMount", 0x460BC76A0E10655E, "ped"},
    {"pedSetOnMount", 0x028F76B6E78246EB, "ped mount -1 1"},
    {"pedGetScenarioPointInUse", 0xDF7993356F52359A, "ped 1"},
    {"weaponRemoveFromPed", 0x4899CB088EDF59B8, "ped weapon 1 reason"},
    {"taskClearPedTasks", 0xE1EF3C1216AFF2CD, "ped 1 0"},
    {"taskUseScenarioPoint", 0xCCDAE6324B6A821C, "ped point 0 0 1 0 0 0 duration 0"},
    {"taskWanderInArea", 0xE054346CA3A0F315, "ped x y z radius 1.0 1.0 flag"},
    {"taskFollowNavMeshToCoord", 0x15D3A79D4E44B913, "ped x y z a -1 b 0 heading"},
    {"taskGoToEntity", 0x6A071245EB0D1882, "ped target -1 2.0 1.0 0.0 0"},
    {"taskMountAnimal", 0x92DB0739813C5186, "ped mount -1 -1 2.0 1 0 0"},
    {"taskLookAtEntity", 0x69F4BE8C8CC4796C, "ped target 2000 2048 3 0"},
    {"taskGetScriptTaskStatus", 0x77F1BEB8863288D5, "ped task 1"},
    {"scenarioPointCreate", 0x94B745CE41DB58A1, "type x y z heading 0 a b"},
    {"scenarioPointExists", 0x841475AC96E794D1, "point"},
    {"scenarioPointDelete", 0x81948DFE4F5A0283, "point"},
    {"scenarioPointFindNear", 0xF533D68FF970D190, "x y z type radius 1 0"},
    {"scenarioPointIsUsableBy", 0xAB643407D0B26F07, "ped point 0 0 1"},
    {"scenarioPointGetUser", 0x5BA659955369B0E2, "point"},
    {"scenarioPointGetType", 0xA92450B5AE687AAF, "point"},
    {"scenarioPointGetCoords", 0xA8452DD321607029, "point 1"},
    {"scenarioPointGetHeading", 0xB93EA7184BAA85C3, "point 1"},
    {"streamingIsModelValid", 0x392C8D8E07B70EFC, "model"},
    {"streamingRequestModel", 0xFA28FE3A6246FC30, "model flag"},
    {"streamingHasModelLoaded", 0x1283B8B89DD5D1B6, "model"},
    {"streamingReleaseModel", 0x4AD96EF928BD4F9A, "model"},
    {"objectCreate", 0x509D5878EB39E842, "model x y z 1 1 1 0 0"},
    {"gameGetTimer", 0x4F67E8ECA7D3F667, ""},
    {"clockGetHours", 0xC82CF208C2B19199, ""},
    {"miscGetRandomInt", 0xD53343AA4FB7DD28, "min max"},
    {"miscGetRandomFloat", 0xE29F927A961F8AAA, "min max"},
    {"miscGetDistanceBetweenCoords", 0x2A488C176D52CCA5, "x1 y1 z1 x2 y2 z2"},
    {"miscGetGroundZ", 0x24FA4267BB8D2431, "x y z outZ 1"},
    {"miscGetHashKey", 0xFD340785ADF8CFB7, "name"},
    {"missionIsActive", 0xB15CD1CF58771DE1, ""},
    {"missionIsCompleted", 0xE54DC27571D5EDC4, "mission"},
    {"miscCreateVarString", 0xFA925AC00EB830B9, "10 \"LITERAL_STRING\" text"},
    {"uiSetTextScale", 0xA1253A3C870B6843, "scale scale"},
    {"uiSetTextColour", 0x16FA5CE47F184F1E, "r g b 255"},
    {"uiDrawText", 0x16794E044C9EFB58, "text x y"},
    {"graphicsPlayScreenEffect", 0x4102732DF6B4005F, "name"},
    {"audioPlayPedSpeech", 0x8E04FEDD28D42462, "ped speechRecord"},
};
// clang-format on

// One pushed slot: free (the caller's), or a fixed 64-bit value, or a fixed string.
struct Slot {
    bool fixed = false;
    uint64_t value = 0;
    std::string text;  // a fixed string; value unused
    bool isText = false;
};

uint64_t floatBits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// Integers travel as 32 bits with the high half zero, floats (written with a point) as their
// bit pattern, strings as the address of their text.
std::vector<Slot> slotsOf(const char* args) {
    std::vector<Slot> out;
    std::istringstream in(args);
    for (std::string t; in >> t;) {
        Slot s;
        if (t.front() == '"') {
            s.fixed = s.isText = true;
            s.text = t.substr(1, t.size() - 2);
        } else if (std::isdigit(static_cast<unsigned char>(t.front())) || t.front() == '-') {
            s.fixed = true;
            s.value = t.find('.') != std::string::npos ? floatBits(std::stof(t))
                                                       : static_cast<uint32_t>(static_cast<int32_t>(std::stol(t)));
        }
        out.push_back(s);
    }
    return out;
}

const Documented* documented(const char* name) {
    for (const Documented& d : kDocumented)
        if (std::strcmp(d.name, name) == 0) return &d;
    return nullptr;
}

TEST(HostFixedValues, TheCatalogueHasEveryDocumentedHashAndArgumentCount) {
    ASSERT_EQ(std::size(kDocumented), tw::kOpCount);
    for (const tw::OpInfo& info : tw::kCatalogue) {
        const Documented* d = documented(info.name);
        ASSERT_NE(d, nullptr) << info.name << " is not a documented operation";
        EXPECT_EQ(info.hash, d->hash) << info.name;
        EXPECT_EQ(info.argc, slotsOf(d->args).size()) << info.name;
    }
}

// What the documentation fixes for a call site rather than for the operation: the choices a
// caller has, each a closed set.
std::string callSiteFault(const host::Call& c) {
    using tw::Op;
    const auto f = [&c](std::size_t i) { return c.f(i); };
    switch (c.op) {
        case Op::entityGetCoords:
            return c.i(1) == 0 || c.i(1) == 1 ? "" : "flag other than 0 or 1";
        case Op::scenarioPointCreate:  // activity spots (0, 0); sleep points (-1 in all 64 bits, 1)
            return (c.args[6] == 0 && c.args[7] == 0) || (c.args[6] == ~0ull && c.args[7] == 1)
                       ? ""
                       : "tail neither (0, 0) nor (-1 as 64 bits, 1)";
        case Op::taskWanderInArea:
            return (f(4) == 15.0f && c.args[7] == 0) || (f(4) == 20.0f && c.args[7] == 1)
                       ? ""
                       : "radius and flag neither (15.0, 0) nor (20.0, 1)";
        case Op::taskFollowNavMeshToCoord:  // to a bedroll (1.0, 0.5, 0.0); riding away (1.0 or 2.0, 1.0)
            return (f(4) == 1.0f && f(6) == 0.5f && f(8) == 0.0f) || ((f(4) == 1.0f || f(4) == 2.0f) && f(6) == 1.0f)
                       ? ""
                       : "speeds neither the walk to bed nor the ride away";
        case Op::taskUseScenarioPoint:
            return f(8) == -1.0f || (f(8) >= 60000.0f && f(8) < 120000.0f) ? ""
                                                                           : "duration outside -1 and 60000..120000";
        case Op::scenarioPointFindNear:
            return f(4) == 30.0f || f(4) == 50.0f ? "" : "radius other than 30 or 50";
        case Op::uiSetTextScale:
            return c.args[0] == c.args[1] ? "" : "two scales";
        default:
            return "";
    }
}

struct Checked {
    std::set<tw::Op> seen;
    std::map<std::string, int> faults;  // "operation: what", counted
};

void check(const host::Call& c, Checked& out) {
    const char* name = tw::opInfo(c.op).name;
    out.seen.insert(c.op);
    static const std::array<std::vector<Slot>, tw::kOpCount> kSlots = [] {
        std::array<std::vector<Slot>, tw::kOpCount> all;
        for (const tw::OpInfo& info : tw::kCatalogue)
            all[static_cast<std::size_t>(info.op)] = slotsOf(documented(info.name)->args);
        return all;
    }();
    const std::vector<Slot>& slots = kSlots[static_cast<std::size_t>(c.op)];
    if (c.argc != slots.size()) {
        ++out.faults[std::string(name) + ": " + std::to_string(c.argc) + " arguments"];
        return;
    }
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const Slot& s = slots[i];
        if (!s.fixed) continue;
        const bool same = s.isText ? c.args[i] != 0 && s.text == c.s(i) : c.args[i] == s.value;
        if (!same) ++out.faults[std::string(name) + ": argument " + std::to_string(i + 1)];
    }
    if (const std::string fault = callSiteFault(c); !fault.empty()) ++out.faults[std::string(name) + ": " + fault];
}

void run(const sim::Scenario& scenario, double hours, Checked& out) {
    sim::RunOptions options;
    options.pluginPath = scenario.debugMode ? TAMBERWICK_PLUGIN_DEV : TAMBERWICK_PLUGIN;
    options.hours = hours;
    options.onCall = [&out](const host::Call& c) { check(c, out); };
    const sim::RunResult r = sim::runScenario(scenario, options);
    ASSERT_TRUE(r.loaded) << r.failure;
    EXPECT_TRUE(r.hostErrors.empty()) << r.hostErrors.front();
}

std::string unseenOperations(const Checked& checked) {
    std::string unseen;
    for (const tw::OpInfo& info : tw::kCatalogue)
        if (!checked.seen.count(info.op)) unseen += std::string(" ") + info.name;
    return unseen;
}

void reportFaults(const Checked& checked) {
    for (const auto& [what, count] : checked.faults) ADD_FAILURE() << what << " (" << count << " calls)";
}

// The default visit, the run that uses every key and fault kind, and the one with failed
// starts and a visitor stuck on her way home: between them every operation but one is called.
TEST(HostFixedValues, EveryCallOfThreeWholeRunsPassesTheDocumentedFixedValues) {
    Checked checked;
    run(sim::defaultScenario(), 60.0, checked);
    for (const char* name : {"everything.json", "nights-and-failed-starts.json"}) {
        std::string error;
        const auto scenario = sim::loadScenario(std::string(TAMBERWICK_SCENARIO_DIR) + "/" + name, error);
        ASSERT_TRUE(scenario) << error;
        run(*scenario, *scenario->hours, checked);
    }
    reportFaults(checked);
    EXPECT_EQ(unseenOperations(checked), " taskMountAnimal") << "operations the runs never called";
}

// The one left: a visitor sent away while standing beside her horse is told to mount it.
struct HostFixedValuesAtTheHorse : twtest::BehaviourTest {};

TEST_F(HostFixedValuesAtTheHorse, AVisitorToldToMountPassesTheDocumentedFixedValues) {
    Checked checked;
    world().missionActive = true;  // only the key starts the visit
    drawVisitors(twtest::Visitors::SadieOnly);
    load(true);
    ASSERT_TRUE(runUntilReady());
    host::sendKey(tw::kKeyF2);
    ASSERT_TRUE(host::runUntil([&] { return sadie() != 0 && sadieHorse() != 0; }, 20000));
    host::runFor(5000);
    host::gHost.observer = [&checked](const host::Call& c, const host::World&) { check(c, checked); };
    host::Entity& horse = entity(sadieHorse());
    horse.pos = entity(sadie()).pos;
    horse.pos.x += 2.0f;
    host::sendKey(tw::kKeyI);
    host::runFor(60000);
    host::gHost.observer = nullptr;
    reportFaults(checked);
    EXPECT_TRUE(checked.seen.count(tw::Op::taskMountAnimal));
}

}  // namespace
