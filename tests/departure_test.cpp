// How a departure begins: the farewell, and whether the visitor is told to mount or to walk
// to its horse; a second send-off changes nothing.
#include "behaviour_fixture.h"
#include "frame/key_state.h"

namespace {

using host::gHost;
using tw::Handle;
using tw::Op;
using twtest::Visitors;

struct DepartureTest : twtest::BehaviourTest {
    // A visit by Sadie alone, started with F2 in the developer build and settled.
    void startSadiesVisit() {
        world().missionActive = true;  // only the key starts it
        drawVisitors(Visitors::SadieOnly);
        load(true);
        ASSERT_TRUE(runUntilReady());
        host::sendKey(tw::kKeyF2);
        ASSERT_TRUE(host::runUntil([&] { return sadie() != 0 && sadieHorse() != 0; }, 20000));
        host::runFor(5000);
    }
    // Sadie at a fixed place and her horse `gap` metres east of her, then I.
    void sendAwayWithHorseAt(float gap) {
        const tw::Vec3 at{-1640.0f, -1390.0f, 83.0f};
        hold(sadie(), at);
        hold(sadieHorse(), {at.x + gap, at.y, at.z});
        host::clearTrace();
        host::sendKey(tw::kKeyI);
        host::runFor(150);  // the key's pass: clear tasks, 100 ms, farewell, order
    }
};

TEST_F(DepartureTest, AVisitorExactly3mFromItsHorseIsToldToMount) {
    startSadiesVisit();
    sendAwayWithHorseAt(3.0f);
    EXPECT_EQ(twtest::callsFor(Op::taskMountAnimal, sadie()).size(), 1u);
    EXPECT_TRUE(twtest::callsFor(Op::taskGoToEntity, sadie()).empty());
    EXPECT_EQ(spokenCount(sadie(), "HEADING_OUT"), 1);
}

TEST_F(DepartureTest, AVisitorJustBeyond3mWalksToItsHorse) {
    startSadiesVisit();
    sendAwayWithHorseAt(3.01f);
    const auto walks = twtest::callsFor(Op::taskGoToEntity, sadie());
    ASSERT_EQ(walks.size(), 1u);
    EXPECT_EQ(walks[0].u(1), sadieHorse());
    EXPECT_TRUE(twtest::callsFor(Op::taskMountAnimal, sadie()).empty());
}

TEST_F(DepartureTest, SendingAwayTwiceSaysGoodbyeOnce) {
    startSadiesVisit();
    sendAwayWithHorseAt(10.0f);
    host::runFor(500);
    host::sendKey(tw::kKeyI);
    host::runFor(500);
    EXPECT_EQ(spokenCount(sadie(), "HEADING_OUT"), 1);
    // The second key makes no new clear-and-order round: beginDeparture returns at once.
    EXPECT_EQ(twtest::callsFor(Op::taskGoToEntity, sadie()).size(), 1u);
}

TEST_F(DepartureTest, SpeechForAPedThatIsGoneIsNotSent) {
    startSadiesVisit();
    const Handle s = sadie();
    const tw::Vec3 at{-1640.0f, -1390.0f, 83.0f};
    hold(s, at);
    hold(sadieHorse(), {at.x + 10.0f, at.y, at.z});
    // The host deletes Sadie during the 100 ms wait before her farewell.
    gHost.overrides[static_cast<std::size_t>(Op::taskClearPedTasks)] = [s](host::Call& c, host::World& w) {
        if (c.u(0) == s)
            if (host::Entity* e = host::findEntity(w, s)) e->alive = false;
        return false;
    };
    host::clearTrace();
    host::sendKey(tw::kKeyI);
    host::runFor(1000);
    EXPECT_TRUE(twtest::callsFor(Op::audioPlayPedSpeech, s).empty());
    EXPECT_TRUE(twtest::callsFor(Op::taskGoToEntity, s).empty());
}

TEST_F(DepartureTest, AWalkToTheHorseThatEndedShortOfItIsOrderedAgain) {
    startSadiesVisit();
    sendAwayWithHorseAt(10.0f);
    const Handle s = sadie();
    ASSERT_EQ(twtest::callsFor(Op::taskGoToEntity, s).size(), 1u);
    // The host reports the walk over (8) while she is still 10 m from the horse.
    auto& status = gHost.overrides[static_cast<std::size_t>(Op::taskGetScriptTaskStatus)];
    status = [s](host::Call& c, host::World&) {
        if (c.u(0) != s) return false;
        c.result[0] = 8;
        return true;
    };
    host::runFor(300);
    EXPECT_GE(twtest::callsFor(Op::taskGoToEntity, s).size(), 2u);
    // Once the walk runs again it is left alone.
    status = nullptr;
    host::runFor(100);
    host::clearTrace();
    host::runFor(2000);
    EXPECT_TRUE(twtest::callsFor(Op::taskGoToEntity, s).empty());
}

TEST_F(DepartureTest, SentAwayFromHerBedrollAtNightSheLeavesInDayClothesAndNotAsleep) {
    world().clockStartHour = 21;  // 22:00 at game time 120000
    world().playerSeesNothing = true;
    startSadiesVisit();
    const Handle s = sadie();
    const int32_t day = entity(s).outfit;
    gHost.traceEnabled = false;
    ASSERT_TRUE(host::runUntil(
        [&] { return entity(s).task.kind == host::TaskKind::Scenario && entity(s).outfit == 15; }, 600000));
    host::sendKey(tw::kKeyI);
    host::runFor(150);
    EXPECT_EQ(entity(s).outfit, day);
    host::runFrame();  // the overlay of the next pass
    for (const host::DrawnText& t : world().drawnThisFrame) EXPECT_EQ(t.text.find("SLEEPING"), std::string::npos);
}

TEST_F(DepartureTest, TheFirstStuckCheckOfADepartureIgnoresWhereAnEarlierVisitorStood) {
    writeIni("[Settings]\nvisitCooldown=0\n");
    startSadiesVisit();
    const tw::Vec3 at{-1640.0f, -1390.0f, 83.0f};
    auto standStuck = [&] {
        hold(sadie(), at);
        entity(sadie()).stuck = true;
        hold(sadieHorse(), {at.x + 20.0f, at.y, at.z});
    };
    standStuck();
    host::sendKey(tw::kKeyI);
    host::runFor(7000);  // her walk to the horse is checked where she stands
    host::sendKey(tw::kKeyF3);
    host::runFor(1000);

    drawVisitors(Visitors::SadieOnly);
    host::sendKey(tw::kKeyF2);
    ASSERT_TRUE(host::runUntil([&] { return sadie() != 0 && sadieHorse() != 0; }, 20000));
    host::runFor(5000);
    standStuck();  // the next Sadie stands on the very spot
    const Handle s = sadie();
    host::clearTrace();
    host::sendKey(tw::kKeyI);
    host::runFor(3000);
    // Only the farewell's clearing: the first check of this walk records where she is.
    EXPECT_EQ(twtest::callsFor(Op::taskClearPedTasks, s).size(), 1u);
}

}  // namespace
