// The typed wrappers frame each call exactly as the catalogue says.
#include <cstring>

#include "frame/host_ops.h"
#include "plugin_fixture.h"

namespace {

using host::gHost;
using host::overrideOf;
using tw::Op;

struct HostOpsTest : ::testing::Test {
    void SetUp() override { host::hostReset(); }
    const host::Call& last() { return gHost.trace.back(); }
};

uint64_t bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

TEST_F(HostOpsTest, EveryOperationPushesItsCatalogueArgumentCount) {
    twtest::ScriptScope scope;
    uint32_t handle = 0;
    float z = 0;
    static const char line[] = "HEADING_OUT";
    const uint64_t record[8] = {
        reinterpret_cast<uintptr_t>(line), 0, 0, host::nameHash("SPEECH_PARAMS_BEAT_SPOKEN_CLEAR"), 0, 1, 1, 1};
    // One call of every wrapper; the host records an error for any count it does not expect.
    tw::entityExists(1), tw::entityGetCoords(1, 0), tw::entityGetHeading(1), tw::entitySetHeading(1, 2.0f);
    tw::entitySetCoords(1, 1, 2, 3), tw::entityGetModel(1), tw::entitySetScriptOwned(1), tw::entityDelete(&handle);
    tw::playerGetPed(), tw::playerGetId(), tw::playerSetGreetingLine(1, nullptr), tw::pedIsGreetedByPlayer(1, 1);
    tw::pedCanSeeEntity(1, 2), tw::pedCanSeeCoord(1, 1, 2, 3), tw::pedCreate(5, 1, 2, 3), tw::pedDelete(&handle);
    tw::pedSpawnOptionD(1), tw::pedSpawnOptionA(1), tw::pedSpawnOptionB(1), tw::pedSpawnOptionC(1);
    tw::pedSetConfigFlag(1, 72, true), tw::pedSetRelationshipGroup(1, 9), tw::pedSetOutfitPreset(1, 3);
    tw::pedRefreshAppearance(1), tw::pedApplyEquipmentItem(1, 9), tw::pedSetVoice(1, "V"), tw::pedSetName(1, "N");
    tw::pedSetGreetingResponse(1, "G"), tw::pedIsOnMount(1), tw::pedSetOnMount(1, 2), tw::pedGetScenarioPointInUse(1);
    tw::weaponRemoveFromPed(1, 2, 3), tw::taskClearPedTasks(1), tw::taskUseScenarioPoint(1, 2, -1.0f);
    tw::taskWanderInArea(1, 1, 2, 3, 15.0f, 0), tw::taskFollowNavMeshToCoord(1, 1, 2, 3, 1.0f, 0.5f, 0.0f);
    tw::taskGoToEntity(1, 2), tw::taskMountAnimal(1, 2), tw::taskLookAtEntity(1, 2), tw::taskGetScriptTaskStatus(1, 2);
    tw::scenarioPointCreate(1, 1, 2, 3, 4, 0, 0), tw::scenarioPointExists(1), tw::scenarioPointDelete(1);
    tw::scenarioPointFindNear(1, 2, 3, 4, 50.0f), tw::scenarioPointIsUsableBy(1, 2), tw::scenarioPointGetUser(1);
    tw::scenarioPointGetType(1), tw::scenarioPointGetCoords(1), tw::scenarioPointGetHeading(1);
    tw::streamingIsModelValid(1), tw::streamingRequestModel(1, true), tw::streamingHasModelLoaded(1);
    tw::streamingReleaseModel(1), tw::objectCreate(1, 1, 2, 3), tw::gameGetTimer(), tw::clockGetHours();
    tw::miscGetRandomInt(0, 2), tw::miscGetRandomFloat(0, 1), tw::miscGetDistanceBetweenCoords(0, 0, 0, 1, 1, 1);
    tw::miscGetGroundZ(1, 2, 3, &z), tw::miscGetHashKey("FIN2"), tw::missionIsActive(), tw::missionIsCompleted(1);
    tw::miscCreateVarString("t"), tw::uiSetTextScale(0.4f, 0.4f), tw::uiSetTextColour(1, 2, 3), tw::uiDrawText(1, 0, 0);
    tw::graphicsPlayScreenEffect("CamTransitionBlink"), tw::audioPlayPedSpeech(0, record);

    EXPECT_TRUE(gHost.errors.empty()) << gHost.errors.front();
    ASSERT_EQ(gHost.trace.size(), tw::kOpCount);
    for (std::size_t i = 0; i < tw::kOpCount; ++i) {
        EXPECT_EQ(static_cast<std::size_t>(gHost.trace[i].op), i) << tw::kCatalogue[i].name;
        EXPECT_EQ(gHost.trace[i].argc, tw::kCatalogue[i].argc) << tw::kCatalogue[i].name;
    }
}

TEST_F(HostOpsTest, FloatsTravelAsBitPatternsInTheLowHalf) {
    twtest::ScriptScope scope;
    tw::taskFollowNavMeshToCoord(7, -1642.0513f, 1.5f, 82.9f, 2.0f, 1.0f, 90.0f);
    const auto& c = last();
    EXPECT_EQ(c.args[0], 7u);
    EXPECT_EQ(c.args[1], bits(-1642.0513f));
    EXPECT_EQ(c.args[2], bits(1.5f));
    EXPECT_EQ(c.args[4], bits(2.0f));
    EXPECT_EQ(c.args[5], 0xFFFFFFFFull);  // the fixed -1: a 32-bit value, high half zero
    EXPECT_EQ(c.args[6], bits(1.0f));
    EXPECT_EQ(c.args[7], 0u);
    EXPECT_EQ(c.args[8], bits(90.0f));
}

TEST_F(HostOpsTest, FixedValuesFillTheirPlacesBetweenTheCallersArguments) {
    twtest::ScriptScope scope;
    tw::taskUseScenarioPoint(3, 4, 61234.0f);
    const uint64_t expected[10] = {3, 4, 0, 0, 1, 0, 0, 0, bits(61234.0f), 0};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(last().args[i], expected[i]) << "slot " << i;

    tw::pedCreate(0xABCDEF01u, 1.0f, 2.0f, 3.0f);
    const uint64_t create[9] = {0xABCDEF01u, bits(1.0f), bits(2.0f), bits(3.0f), bits(0.0f), 0, 0, 0, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(last().args[i], create[i]) << "slot " << i;
}

TEST_F(HostOpsTest, SleepPointFormPushesMinusOneAsAllSixtyFourBits) {
    twtest::ScriptScope scope;
    tw::scenarioPointCreate(9, 1, 2, 3, 325.0f, -1, 1);
    EXPECT_EQ(last().args[5], 0u);
    EXPECT_EQ(last().args[6], 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(last().args[7], 1u);
    tw::scenarioPointCreate(9, 1, 2, 3, 325.0f, 0, 0);
    EXPECT_EQ(last().args[6], 0u);
    EXPECT_EQ(last().args[7], 0u);
}

TEST_F(HostOpsTest, StringsTravelAsAddressesAndNullAsZero) {
    twtest::ScriptScope scope;
    static const char line[] = "GREET_SADIE";
    tw::playerSetGreetingLine(1, line);
    EXPECT_EQ(last().args[1], reinterpret_cast<uintptr_t>(line));
    tw::playerSetGreetingLine(1, nullptr);
    EXPECT_EQ(last().args[1], 0u);
    tw::miscCreateVarString("x");
    EXPECT_EQ(last().args[0], 10u);
    EXPECT_STREQ(last().s(1), "LITERAL_STRING");
}

TEST_F(HostOpsTest, ResultsAreReadFromTheirSlots) {
    twtest::ScriptScope scope;
    overrideOf(Op::entityGetCoords) = [](host::Call& c, host::World&) {
        c.result = {bits(-1.5f) | 0xDEAD00000000ull, bits(2.25f), bits(82.5f)};  // junk in the high halves
        return true;
    };
    const tw::Vec3 v = tw::entityGetCoords(1, 0);
    EXPECT_EQ(v.x, -1.5f);
    EXPECT_EQ(v.y, 2.25f);
    EXPECT_EQ(v.z, 82.5f);

    overrideOf(Op::entityExists) = [](host::Call& c, host::World&) {
        c.result[0] = 0xFFFFFFFF00000000ull;  // only the low 32 bits count
        return true;
    };
    EXPECT_FALSE(tw::entityExists(1));
    overrideOf(Op::gameGetTimer) = [](host::Call& c, host::World&) {
        c.result[0] = 0x00000000FFFFFFFEull;
        return true;
    };
    EXPECT_EQ(tw::gameGetTimer(), -2);
}

TEST_F(HostOpsTest, HostRejectsUnknownHashesAndWrongCounts) {
    twtest::ScriptScope scope;
    nativeInit(0x1234);
    nativeCall();
    nativeInit(tw::opInfo(Op::entityExists).hash);
    nativePush64(1);
    nativePush64(2);
    nativeCall();
    ASSERT_EQ(gHost.errors.size(), 2u);
    EXPECT_NE(gHost.errors[0].find("unknown operation"), std::string::npos);
    EXPECT_NE(gHost.errors[1].find("2 arguments pushed, 1 expected"), std::string::npos);
    gHost.errors.clear();
}

TEST_F(HostOpsTest, RandomIntIsHalfOpen) {
    twtest::ScriptScope scope;
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(tw::miscGetRandomInt(0, 1), 0);
        const int32_t r = tw::miscGetRandomInt(0, 2);
        EXPECT_TRUE(r == 0 || r == 1);
    }
}

TEST_F(HostOpsTest, NameHashIsOneAtATimeOverTheLowerCasedName) {
    EXPECT_EQ(host::nameHash("FIN2"), host::nameHash("fin2"));
    EXPECT_EQ(host::nameHash("a"), 0xCA2E9442u);  // one-at-a-time of "a"
}

}  // namespace
