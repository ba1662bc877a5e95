// The developer overlay: which lines are drawn, where, how large and in which colour.
//
// The whole plug-in is loaded for the start state and for the release build; the visitor
// blocks are pinned on the overlay linked into this binary, over visitor records the test
// fills in, so every state (asleep, departing, a departure stamped in the future) can be set.
#include <string>
#include <vector>

#include "devtools/overlay.h"
#include "frame/key_state.h"
#include "plugin_fixture.h"
#include "visit/ranch_fixtures.h"
#include "visit/visit_state.h"
#include "visit/visitor_state.h"

// The few program-wide values the overlay reads besides the visitor records; in the plug-in
// they belong to the visit state, the fixtures and the build switch.
namespace tw {
bool debugMode = true;
VisitState visit;
std::array<Bedroll, kBedrolls.size()> bedrolls{};
}  // namespace tw

namespace {

using host::DrawnText;
using host::gHost;
using host::overrideOf;
using tw::Op;

struct Expected {
    std::string text;
    float y, scale;
    int32_t r, g, b;
};

void expectLines(const std::vector<DrawnText>& drawn, const std::vector<Expected>& want) {
    ASSERT_EQ(drawn.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(want[i].text);
        EXPECT_EQ(drawn[i].text, want[i].text);
        EXPECT_FLOAT_EQ(drawn[i].x, 0.02f);
        EXPECT_FLOAT_EQ(drawn[i].y, want[i].y);
        EXPECT_FLOAT_EQ(drawn[i].scale, want[i].scale);
        EXPECT_EQ(drawn[i].r, want[i].r);
        EXPECT_EQ(drawn[i].g, want[i].g);
        EXPECT_EQ(drawn[i].b, want[i].b);
        EXPECT_EQ(drawn[i].a, 255);
    }
}

// ---- the loaded plug-in ---------------------------------------------------------------

struct OverlayPluginTest : twtest::PluginTest {};

TEST_F(OverlayPluginTest, WithoutAVisitShowsFiveLines) {
    load(true);
    gHost.world.missionActive = true;  // no visit starts
    ASSERT_TRUE(runUntilReady());
    host::runFrame();
    expectLines(gHost.world.drawnThisFrame,
                {
                    {"=== TAMBERWICK ===", 0.05f, 0.5f, 255, 255, 0},
                    {"F2: Force Visit | F3: Cleanup | F4: Reset Timer", 0.095f, 0.35f, 200, 200, 200},
                    {"Visit Active: NO", 0.125f, 0.4f, 255, 100, 100},
                    {"Sadie: INACTIVE", 0.17f, 0.4f, 255, 100, 100},
                    {"Charles: INACTIVE", 0.2f, 0.4f, 255, 100, 100},
                });
}

TEST_F(OverlayPluginTest, ForcedVisitShowsItsTypeAndVisitors) {
    load(true);
    gHost.world.missionActive = true;  // only F2 starts the visit
    ASSERT_TRUE(runUntilReady());
    host::sendKey(tw::kKeyF2);
    auto shown = [](const char* text) {
        for (const auto& d : gHost.world.drawnThisFrame)
            if (d.text == text) return true;
        return false;
    };
    ASSERT_TRUE(host::runUntil([&] { return shown("Visit Active: YES"); }, 60000));
    host::runFor(1000);
    EXPECT_TRUE(shown("Type: Both") || shown("Type: Sadie") || shown("Type: Charles"));
    EXPECT_TRUE(shown("Sadie: ACTIVE") || shown("Charles: ACTIVE"));
}

TEST_F(OverlayPluginTest, IsDrawnAlsoWhileTheRanchIsNotReady) {
    load(true);
    ASSERT_TRUE(host::runUntil([] { return host::countOf(Op::uiDrawText) > 0; }, 60000));
    EXPECT_EQ(host::countOf(Op::missionIsActive), 0u);  // the scheduler has not run yet
}

TEST_F(OverlayPluginTest, ReleaseBuildDrawsNothingAndCallsNoTextOperation) {
    load();
    ASSERT_TRUE(runUntilReady());
    host::runFor(5000);
    EXPECT_TRUE(gHost.world.drawnThisFrame.empty());
    for (Op op : {Op::uiSetTextScale, Op::uiSetTextColour, Op::miscCreateVarString, Op::uiDrawText, Op::pedIsOnMount})
        EXPECT_EQ(host::countOf(op), 0u) << tw::opInfo(op).name;
}

// ---- visitor blocks -------------------------------------------------------------------

struct OverlayBlockTest : twtest::PluginTest {
    void SetUp() override {
        PluginTest::SetUp();
        tw::debugMode = true;
        tw::visit.visitActive = true;
        tw::visit.visitType = tw::VisitType::Both;
        tw::bedrolls[0].sleepPoint = 0;
        tw::sadie = {};
        tw::charles = {};
    }

    tw::Handle spawnPed() { return host::spawnEntity(gHost.world, host::EntityKind::Ped, 7, {}, true); }

    std::vector<DrawnText> drawPass() {
        gHost.world.drawnThisFrame.clear();
        twtest::ScriptScope scope;
        tw::drawOverlay();
        return gHost.world.drawnThisFrame;
    }

    std::vector<std::string> texts() {
        std::vector<std::string> out;
        for (const auto& d : drawPass()) out.push_back(d.text);
        return out;
    }
};

TEST_F(OverlayBlockTest, AwakeVisitorLinesFallAtTheirHeights) {
    tw::sadie.ped = spawnPed();
    tw::sadie.outfitPreset = 3;
    expectLines(drawPass(), {
                                {"=== TAMBERWICK ===", 0.05f, 0.5f, 255, 255, 0},
                                {"F2: Force Visit | F3: Cleanup | F4: Reset Timer", 0.095f, 0.35f, 200, 200, 200},
                                {"Visit Active: YES", 0.125f, 0.4f, 100, 255, 100},
                                {"Type: Both", 0.155f, 0.4f, 255, 255, 255},
                                {"Sadie: ACTIVE", 0.2f, 0.4f, 100, 255, 100},
                                {"  Next: Predefined", 0.23f, 0.35f, 200, 255, 200},
                                {"  Outfit: Normal (3)", 0.26f, 0.35f, 200, 200, 200},
                                {"Charles: INACTIVE", 0.29f, 0.4f, 255, 100, 100},
                            });
}

TEST_F(OverlayBlockTest, TypeLineNamesWhoVisits) {
    const std::vector<std::pair<int32_t, std::string>> cases{
        {0, "Type: Both"}, {1, "Type: Sadie"}, {2, "Type: Charles"}, {-1, "Type: Charles"}};
    for (const auto& [type, line] : cases) {
        tw::visit.visitType = static_cast<tw::VisitType>(type);
        EXPECT_EQ(texts()[3], line);
    }
}

TEST_F(OverlayBlockTest, VisitorWhoseHandleIsGoneShowsInactiveOnly) {
    tw::charles.ped = spawnPed();
    host::findEntity(gHost.world, tw::charles.ped)->alive = false;
    tw::charles.isDeparting = true;
    const auto t = texts();
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[5], "Charles: INACTIVE");
}

TEST_F(OverlayBlockTest, NextLineTellsCommonFromPredefined) {
    tw::sadie.ped = spawnPed();
    tw::sadie.tryScenarioNext = true;
    EXPECT_EQ(texts()[5], "  Next: Common");
}

TEST_F(OverlayBlockTest, SleepingVisitorShowsItsBedrollOnOneLineMore) {
    tw::bedrolls[0].sleepPoint = 41;
    tw::sadie.ped = spawnPed();
    tw::sadie.isSleeping = true;
    tw::sadie.bedPoint = 42;
    tw::charles.ped = spawnPed();
    tw::charles.isSleeping = true;
    tw::charles.bedPoint = 41;
    const auto drawn = drawPass();
    ASSERT_EQ(drawn.size(), 12u);
    expectLines({drawn.begin() + 4, drawn.end()}, {
                                                      {"Sadie: ACTIVE", 0.2f, 0.4f, 100, 255, 100},
                                                      {"  Status: SLEEPING", 0.23f, 0.35f, 100, 150, 255},
                                                      {"  Bedroll: Bedroll 2", 0.26f, 0.35f, 150, 150, 255},
                                                      {"  Outfit: Normal (0)", 0.29f, 0.35f, 200, 200, 200},
                                                      {"Charles: ACTIVE", 0.32f, 0.4f, 100, 255, 100},
                                                      {"  Status: SLEEPING", 0.35f, 0.35f, 100, 150, 255},
                                                      {"  Bedroll: Bedroll 1", 0.38f, 0.35f, 150, 150, 255},
                                                      {"  Outfit: Normal (0)", 0.41f, 0.35f, 200, 200, 200},
                                                  });
}

TEST_F(OverlayBlockTest, SleepOutfitShowsTheVisitorsSleepPresetWhateverIsStored) {
    tw::sadie.ped = spawnPed();
    tw::sadie.wearingSleepOutfit = true;
    tw::sadie.outfitPreset = 3;
    tw::charles.ped = spawnPed();
    tw::charles.wearingSleepOutfit = true;
    tw::charles.outfitPreset = 3;
    const auto t = texts();
    ASSERT_EQ(t.size(), 10u);
    EXPECT_EQ(t[6], "  Outfit: Sleep (15)");
    EXPECT_EQ(t[9], "  Outfit: Sleep (5)");
}

TEST_F(OverlayBlockTest, DepartureSecondsTruncateTowardZeroAndShowTheMount) {
    tw::visit.visitActive = false;
    gHost.world.gameTime = 500000;
    tw::sadie.ped = spawnPed();
    tw::sadie.isDeparting = true;
    tw::sadie.departStartTime = 500000 - 2999;
    tw::charles.ped = spawnPed();
    tw::charles.isDeparting = true;
    tw::charles.departStartTime = 500000 + 2999;  // stamped in the future
    auto drawn = drawPass();
    ASSERT_EQ(drawn.size(), 11u);
    expectLines({drawn.begin() + 6, drawn.begin() + 7},
                {{"  Departing: 2s, Mounted: NO", 0.26f, 0.35f, 255, 200, 100}});
    expectLines({drawn.begin() + 10, drawn.end()}, {{"  Departing: -2s, Mounted: NO", 0.38f, 0.35f, 255, 200, 100}});

    host::findEntity(gHost.world, tw::sadie.ped)->mount = spawnPed();
    EXPECT_EQ(texts()[6], "  Departing: 2s, Mounted: YES");
}

TEST_F(OverlayBlockTest, EachTextSetsScaleAndColourJustBeforeItIsDrawn) {
    tw::sadie.ped = spawnPed();
    drawPass();
    std::vector<Op> ops;
    for (const auto& c : gHost.trace)
        if (c.op != Op::entityExists && c.op != Op::gameGetTimer) ops.push_back(c.op);
    ASSERT_EQ(ops.size() % 4, 0u);
    for (std::size_t i = 0; i < ops.size(); i += 4) {
        EXPECT_EQ(ops[i], Op::uiSetTextScale);
        EXPECT_EQ(ops[i + 1], Op::uiSetTextColour);
        EXPECT_EQ(ops[i + 2], Op::miscCreateVarString);
        EXPECT_EQ(ops[i + 3], Op::uiDrawText);
    }
}

TEST_F(OverlayBlockTest, TextsHandedToTheHostStayValidThroughTheNextPass) {
    tw::sadie.ped = spawnPed();
    tw::sadie.isDeparting = true;
    std::vector<std::pair<const char*, std::string>> handed;
    overrideOf(Op::miscCreateVarString) = [&handed](host::Call& c, host::World&) {
        handed.emplace_back(c.s(2), c.s(2));
        c.result[0] = 1;
        return true;
    };
    drawPass();
    const auto firstPass = handed;
    tw::sadie.isSleeping = true;  // different texts next pass
    gHost.world.gameTime += 5000;
    drawPass();
    for (const auto& [pointer, text] : firstPass) EXPECT_STREQ(pointer, text.c_str());
}

TEST_F(OverlayBlockTest, DrawsNothingWhileDebugModeIsOff) {
    tw::debugMode = false;
    tw::sadie.ped = spawnPed();
    drawPass();
    EXPECT_TRUE(gHost.trace.empty());
}

}  // namespace
