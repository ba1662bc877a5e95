// The player's greeting exchange with the visitors, household greetings and the household cache.
#include "behaviour_fixture.h"
#include "frame/key_state.h"

namespace {

using host::gHost;
using tw::Handle;
using tw::Op;
using tw::Vec3;
using twtest::Visitors;

struct GreetingsTest : twtest::BehaviourTest {
    const char* line() { return world().playerGreetingLine; }
    const char* answer(Handle ped) { return entity(ped).greetingResponse; }
    void putPlayer(Vec3 at) { entity(world().playerPed).pos = at; }

    // Runs ms with the player kept `offset` metres east of ped, as a player walking beside it.
    void walkBeside(Handle ped, float offset, int32_t ms) {
        const int32_t end = world().gameTime + ms;
        while (tw::elapsed(end, world().gameTime) > 0) {
            const Vec3 p = entity(ped).pos;
            putPlayer({p.x + offset, p.y, p.z});
            host::runFrame();
        }
    }
};

TEST_F(GreetingsTest, VisitorIsArmedAtExactly8mAndNotAt8Point01m) {
    startVisit(Visitors::SadieOnly);
    const Handle s = sadie();
    host::runFor(3500);  // settled into a first activity
    hold(s, {-1640.0f, -1390.0f, 83.0f});
    putPlayer({-1631.99f, -1390.0f, 83.0f});
    host::runFor(200);
    EXPECT_EQ(line(), nullptr);
    EXPECT_EQ(answer(s), nullptr);

    putPlayer({-1632.0f, -1390.0f, 83.0f});
    host::runFor(200);
    ASSERT_NE(line(), nullptr);
    EXPECT_STREQ(line(), "GREET_SADIE");  // the player is player_zero
    ASSERT_NE(answer(s), nullptr);
    EXPECT_STREQ(answer(s), "GREET_PLAYER_MORNING");  // 08:00

    // Between 8 m and 50 m the lines stay as they were; beyond 50 m both are cleared.
    putPlayer({-1620.0f, -1390.0f, 83.0f});
    host::runFor(200);
    EXPECT_STREQ(line(), "GREET_SADIE");
    putPlayer({-1589.0f, -1390.0f, 83.0f});
    host::runFor(200);
    EXPECT_EQ(line(), nullptr);
    EXPECT_EQ(answer(s), nullptr);
}

TEST_F(GreetingsTest, AfterAGreetingTheVisitorIsNotArmedAgainFor63s) {
    startVisit(Visitors::Both);
    const Handle s = sadie();
    walkBeside(s, 4.0f, 4000);  // arrivals done, settled
    ASSERT_STREQ(answer(s) ? "armed" : "", "armed");
    ASSERT_TRUE(host::playerGreets(world(), s));
    host::clearTrace();
    walkBeside(s, 4.0f, 200);

    const auto looks = host::callsOf(Op::taskLookAtEntity);
    ASSERT_EQ(looks.size(), 2u);  // player and Sadie look at each other
    const int32_t greetedAt = looks[0]->time;
    EXPECT_EQ(answer(s), nullptr);

    host::clearTrace();
    walkBeside(s, 4.0f, 70000);
    int32_t rearmed = 0;
    for (const host::Call* c : host::callsOf(Op::pedSetGreetingResponse))
        if (c->u(0) == s && c->args[1] != 0) {
            rearmed = c->time;
            break;
        }
    ASSERT_NE(rearmed, 0);
    EXPECT_GE(rearmed - greetedAt, 63000);
    EXPECT_LT(rearmed - greetedAt, 63100);
}

TEST_F(GreetingsTest, AnswerLineFollowsTheHour) {
    startVisit(Visitors::CharlesOnly);
    const Handle c = charles();
    host::runFor(3500);  // settled
    const struct {
        int32_t hour;
        const char* a;
        const char* b;
    } rows[] = {
        {4, "GREET_PLAYER_FORMAL", "GREET_PLAYER_CASUAL"},
        {5, "GREET_PLAYER_MORNING", nullptr},
        {11, "GREET_PLAYER_MORNING", nullptr},
        {12, "GREET_PLAYER_FORMAL", "GREET_PLAYER_CASUAL"},
        {17, "GREET_PLAYER_FORMAL", "GREET_PLAYER_CASUAL"},
        {18, "GREET_PLAYER_EVENING", nullptr},
        {23, "GREET_PLAYER_EVENING", nullptr},
    };
    for (const auto& r : rows) {
        setHour(r.hour);
        walkBeside(c, 3.0f, 100);
        ASSERT_NE(answer(c), nullptr) << r.hour;
        const std::string got = answer(c);
        EXPECT_TRUE(got == r.a || (r.b && got == r.b)) << r.hour << ": " << got;
        EXPECT_STREQ(line(), "GREET_CHARLES");
    }
}

TEST_F(GreetingsTest, VisitorGreetsTheFirstHouseholdMemberInReachOncePer600000ms) {
    world().ranchPopulate = false;
    const Handle abigail = spawnPed("cs_abigailroberts", {-1700.0f, -1300.0f, 83.0f});
    const Handle uncle = spawnPed("cs_uncle", {-1700.0f, -1300.0f, 83.0f});
    // Keep the visit from starting until the household timer's first 600000 ms have passed.
    putPlayer({-1400.0f, -1200.0f, 83.0f});
    world().completedMissions.push_back(host::nameHash("FIN2"));
    drawVisitors(Visitors::SadieOnly);
    load();
    gHost.traceEnabled = false;
    host::runFor(600000);
    gHost.traceEnabled = true;
    putPlayer({-1642.0f, -1380.0f, 83.0f});
    ASSERT_TRUE(host::runUntil([&] { return visitorsPresent(Visitors::SadieOnly); }, 20000));
    const Handle s = sadie();
    host::runFor(3500);  // settled

    // Uncle nearer than Abigail, both in reach: Abigail's row comes first.
    hold(s, {-1640.0f, -1390.0f, 83.0f});
    hold(abigail, {-1635.0f, -1390.0f, 83.0f});  // exactly 5.0 m
    hold(uncle, {-1638.0f, -1390.0f, 83.0f});
    host::runFor(3000);
    ASSERT_EQ(spokenCount(s, "GREET_ABIGAIL"), 1);
    EXPECT_EQ(spokenCount(s, "GREET_UNCLE"), 0);
    ASSERT_EQ(spokenCount(abigail, "GREET_SADIE"), 1);
    int32_t said = 0, answered = 0;
    for (const host::SpokenLine& l : world().spoken) {
        if (l.ped == s && l.line == "GREET_ABIGAIL") said = l.time;
        if (l.ped == abigail) answered = l.time;
    }
    EXPECT_GE(answered - said, 2000);
    EXPECT_LT(answered - said, 2100);

    // Not again within 600000 ms of the time taken before the wait.
    gHost.traceEnabled = false;
    const int32_t end = said + 600000;
    while (tw::elapsed(end, world().gameTime) > 1300) {
        hold(s, {-1640.0f, -1390.0f, 83.0f});
        host::runFor(1000);
    }
    EXPECT_EQ(spokenCount(s, "GREET_ABIGAIL"), 1);
    hold(s, {-1640.0f, -1390.0f, 83.0f});
    host::runFor(2500);
    EXPECT_EQ(spokenCount(s, "GREET_ABIGAIL"), 2);
}

TEST_F(GreetingsTest, ANewVisitGreetsTheHouseholdAtOnceWhateverTheLastVisitSaid) {
    writeIni("[Settings]\nvisitCooldown=0\nvisitDuration=1\n");  // the next visit comes straight after
    world().gameTime = 10 * tw::kMsPerGameHour;                  // past the household timers' first 600000 ms
    world().ranchPopulate = false;
    const Vec3 away{-1700.0f, -1300.0f, 83.0f};
    const Handle abigail = spawnPed("cs_abigailroberts", away);
    startVisit(Visitors::SadieOnly);
    const Handle first = sadie();
    host::runFor(3500);  // settled
    hold(first, {-1640.0f, -1390.0f, 83.0f});
    hold(abigail, {-1636.0f, -1390.0f, 83.0f});
    host::runFor(3000);
    ASSERT_EQ(spokenCount(first, "GREET_ABIGAIL"), 1);
    int32_t greeted = 0;
    for (const host::SpokenLine& l : world().spoken)
        if (l.ped == first && l.line == "GREET_ABIGAIL") greeted = l.time;
    hold(abigail, away);

    // The visit ends after its hour and the next begins well within 600000 ms of that greeting.
    drawVisitors(Visitors::SadieOnly);
    ASSERT_TRUE(host::runUntil([&] { return sadie() != 0 && sadie() != first; }, 500000));
    const Handle second = sadie();
    host::runFor(3500);  // settled
    hold(second, {-1640.0f, -1390.0f, 83.0f});
    hold(abigail, {-1636.0f, -1390.0f, 83.0f});
    host::runFor(3000);
    ASSERT_LT(world().gameTime - greeted, 600000);
    EXPECT_EQ(spokenCount(second, "GREET_ABIGAIL"), 1) << "the last visit's greeting held this one back";
}

// Sadie and Charles held 40 m apart, so that only the one the player walks beside is in reach.
constexpr Vec3 kSadieSpot{-1640.0f, -1390.0f, 83.0f};
constexpr Vec3 kCharlesSpot{-1600.0f, -1390.0f, 83.0f};

TEST_F(GreetingsTest, AGreetingWithSadieLeavesCharlesReadyToBeGreeted) {
    startVisit(Visitors::Both);
    const Handle s = sadie(), c = charles();
    host::runFor(3500);  // settled
    hold(s, kSadieSpot);
    hold(c, kCharlesSpot);
    walkBeside(s, 4.0f, 500);
    ASSERT_NE(answer(s), nullptr);
    ASSERT_TRUE(host::playerGreets(world(), s));
    walkBeside(s, 4.0f, 3500);  // the exchange and its hold: Sadie's 60 s begin
    ASSERT_EQ(answer(s), nullptr);
    walkBeside(c, 4.0f, 500);
    EXPECT_STREQ(line(), "GREET_CHARLES");
    EXPECT_STREQ(answer(c), "GREET_PLAYER_MORNING") << "Sadie's cooldown held Charles back";
}

// player_zero is an old friend of Sadie's; to any other character she says what she says to
// strangers. Charles answers everyone as the player.
TEST_F(GreetingsTest, SadieGreetsAPlayerOtherThanPlayerZeroAsAStrangerCharlesAsThePlayer) {
    startVisit(Visitors::Both);
    entity(world().playerPed).model = host::nameHash("player_three");
    const Handle s = sadie(), c = charles();
    host::runFor(3500);
    hold(s, kSadieSpot);
    hold(c, kCharlesSpot);
    walkBeside(s, 4.0f, 500);
    EXPECT_STREQ(line(), "GREET_FEMALE");
    EXPECT_STREQ(answer(s), "GREET_MORNING");
    walkBeside(c, 4.0f, 500);
    EXPECT_STREQ(line(), "GREET_CHARLES");
    EXPECT_STREQ(answer(c), "GREET_PLAYER_MORNING");
}

TEST_F(GreetingsTest, EachVisitorGreetsTheHouseholdOnItsOwnTimer) {
    world().ranchPopulate = false;
    const Handle abigail = spawnPed("cs_abigailroberts", {-1700.0f, -1300.0f, 83.0f});
    world().gameTime = 10 * tw::kMsPerGameHour;  // past the household timers' first 600000 ms
    startVisit(Visitors::Both);
    const Handle s = sadie(), c = charles();
    host::runFor(3500);  // settled
    hold(s, kSadieSpot);
    hold(c, kCharlesSpot);
    hold(abigail, {kSadieSpot.x + 4.0f, kSadieSpot.y, kSadieSpot.z});
    host::runFor(3000);
    ASSERT_EQ(spokenCount(s, "GREET_ABIGAIL"), 1);
    ASSERT_EQ(spokenCount(c, "GREET_ABIGAIL"), 0);
    // A minute later Abigail is beside Charles, well within Sadie's 600000 ms.
    host::runFor(30000);
    hold(s, kSadieSpot);
    hold(c, kCharlesSpot);
    hold(abigail, {kCharlesSpot.x - 4.0f, kCharlesSpot.y, kCharlesSpot.z});
    host::runFor(3000);
    EXPECT_EQ(spokenCount(c, "GREET_ABIGAIL"), 1);
    EXPECT_EQ(spokenCount(abigail, "GREET_CHARLES"), 1);
    EXPECT_EQ(spokenCount(s, "GREET_ABIGAIL"), 1);
}

// The end of a visit starts every visitor's household timer afresh: a visit forced straight
// after one ends greets the household at once, Charles too.
TEST_F(GreetingsTest, AfterAVisitEndsEachVisitorGreetsTheHouseholdAgainAtOnce) {
    world().ranchPopulate = false;
    world().missionActive = true;  // only the keys start and end visits
    const Handle abigail = spawnPed("cs_abigailroberts", {-1700.0f, -1300.0f, 83.0f});
    world().gameTime = 10 * tw::kMsPerGameHour;
    load(true);
    ASSERT_TRUE(runUntilReady());
    for (int visitNo = 1; visitNo <= 2; ++visitNo) {
        drawVisitors(Visitors::CharlesOnly);
        host::sendKey(tw::kKeyF2);
        ASSERT_TRUE(host::runUntil([&] { return charles() != 0; }, 20000)) << "visit " << visitNo;
        host::runFor(3500);
        const Handle c = charles();
        hold(c, kCharlesSpot);
        hold(abigail, {kCharlesSpot.x - 4.0f, kCharlesSpot.y, kCharlesSpot.z});
        host::runFor(3000);
        EXPECT_EQ(spokenCount(c, "GREET_ABIGAIL"), 1) << "visit " << visitNo;
        host::sendKey(tw::kKeyF3);  // ends the visit at once
        ASSERT_TRUE(host::runUntil([&] { return charles() == 0; }, 20000));
        host::runFor(1000);
    }
}

}  // namespace
