// tamberwick.ini: the two numbers read at start, and the profile-file rules behind them.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "frame/key_state.h"
#include "frame/profile_reader.h"
#include "frame/settings.h"
#include "plugin_fixture.h"

namespace {

using host::gHost;

// readSettings on the given file in the test's working directory (no file when null).
struct SettingsTest : twtest::PluginTest {
    void read(const char* ini) {
        if (ini) writeIni(ini);
        tw::visitCooldown = -7;
        tw::visitDuration = -7;
        tw::readSettings();
    }
};

TEST_F(SettingsTest, NoFileGivesTheDefaults) {
    read(nullptr);
    EXPECT_EQ(tw::visitCooldown, 72);
    EXPECT_EQ(tw::visitDuration, 48);
}

TEST_F(SettingsTest, ValuesReadAsTheAtolRule) {
    read("[Settings]\nvisitCooldown=abc\nvisitDuration=12abc\n");
    EXPECT_EQ(tw::visitCooldown, 0);
    EXPECT_EQ(tw::visitDuration, 12);
    read("[Settings]\nvisitCooldown=\nvisitDuration=  -5\n");
    EXPECT_EQ(tw::visitCooldown, 0);
    EXPECT_EQ(tw::visitDuration, -5);
    read("[Settings]\nvisitCooldown=+24\n");
    EXPECT_EQ(tw::visitCooldown, 24);
    EXPECT_EQ(tw::visitDuration, 48);
    EXPECT_EQ(tw::hoursToMs(tw::visitCooldown), 2880000);
}

TEST_F(SettingsTest, ValueIsCutTo31CharactersBeforeItIsRead) {
    const std::string zeros(30, '0');
    read(("[Settings]\nvisitCooldown=" + zeros + "12\n").c_str());
    EXPECT_EQ(tw::visitCooldown, 1);
}

// Hours whose milliseconds would leave 32 bits are held at the largest that fit, so the
// cooldown (doubled in the scheduler) and the duration never wrap negative.
TEST_F(SettingsTest, HoursBeyond32BitMillisecondsAreClamped) {
    read("[Settings]\nvisitCooldown=8947\nvisitDuration=17895\n");
    EXPECT_EQ(tw::visitCooldown, 8947);
    EXPECT_EQ(tw::visitDuration, 17895);
    read("[Settings]\nvisitCooldown=8948\nvisitDuration=17896\n");
    EXPECT_EQ(tw::visitCooldown, 8947);
    EXPECT_EQ(tw::visitDuration, 17895);
    read("[Settings]\nvisitCooldown=99999999999999999999\nvisitDuration=-99999999999\n");
    EXPECT_EQ(tw::visitCooldown, 8947);
    EXPECT_EQ(tw::visitDuration, -17895);
    EXPECT_GT(tw::hoursToMs(tw::kMaxDurationHours), 0);
    EXPECT_GT(2 * static_cast<int64_t>(tw::hoursToMs(tw::kMaxCooldownHours)), 0);
    EXPECT_LE(2 * static_cast<int64_t>(tw::hoursToMs(tw::kMaxCooldownHours)), INT32_MAX);
}

TEST_F(SettingsTest, CooldownFromTheFileGovernsTheStartTest) {
    writeIni("[Settings]\nvisitCooldown=1\n");
    load(true);
    gHost.world.missionActive = true;  // the start test gets as far as the mission check, no further
    ASSERT_TRUE(runUntilReady());
    host::sendKey(tw::kKeyF4);  // F4: the cooldown starts now
    host::runFrame();
    const auto checks = host::countOf(tw::Op::missionIsActive);
    host::runFor(119000);
    EXPECT_EQ(host::countOf(tw::Op::missionIsActive), checks);
    host::runFor(2000);
    EXPECT_GT(host::countOf(tw::Op::missionIsActive), checks);
}

// ---- the profile-file rules -------------------------------------------------------------

std::string lookup(const std::string& text, const char* key = "visitCooldown", uint32_t size = 32) {
    std::FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    char out[64] = "untouched";
    tw::profileLookup(f, "Settings", key, "72", out, size);
    std::fclose(f);
    return out;
}

TEST(ProfileReader, NamesIgnoreCaseAndSpacesAroundTheEquals) {
    EXPECT_EQ(lookup("[sETTINGS]\nVISITCOOLDOWN = 5 \n"), "5");
    EXPECT_EQ(lookup("  [Settings]  \n\tvisitCooldown\t=\t6\n"), "6");
}

TEST(ProfileReader, CommentLinesAndOtherSectionsAreSkipped) {
    EXPECT_EQ(lookup("[Other]\nvisitCooldown=1\n[Settings]\n; visitCooldown=2\nvisitCooldown=3\n"), "3");
    EXPECT_EQ(lookup("[Settings]\n;visitCooldown=2\n"), "72");
}

TEST(ProfileReader, FirstSectionAndFirstKeyWin) {
    EXPECT_EQ(lookup("[Settings]\nvisitCooldown=1\nvisitCooldown=2\n[Settings]\nvisitCooldown=3\n"), "1");
    EXPECT_EQ(lookup("[Settings]\nother=1\n[Settings]\nvisitCooldown=3\n"), "72");
}

TEST(ProfileReader, ASectionRepeatedAfterAnotherIsNotReadAgain) {
    // The reader stops at the end of the first [Settings]; a later one, past another section,
    // is never entered.
    EXPECT_EQ(lookup("[Settings]\nother=1\n[Other]\nx=2\n[Settings]\nvisitCooldown=3\n"), "72");
}

TEST(ProfileReader, OnePairOfQuotesIsStripped) {
    EXPECT_EQ(lookup("[Settings]\nvisitCooldown=\"12\"\n"), "12");
    EXPECT_EQ(lookup("[Settings]\nvisitCooldown='12'\n"), "12");
    EXPECT_EQ(lookup("[Settings]\nvisitCooldown=\"\"12\"\"\n"), "\"12\"");
    EXPECT_EQ(lookup("[Settings]\nvisitCooldown=\"12\n"), "\"12");
}

TEST(ProfileReader, LineEndsOfEveryKind) {
    EXPECT_EQ(lookup("[Settings]\r\nvisitDuration=9\r\nvisitCooldown=8\r\n"), "8");
    EXPECT_EQ(lookup("[Settings]\rvisitCooldown=7"), "7");
    EXPECT_EQ(lookup("\xEF\xBB\xBF[Settings]\nvisitCooldown=6"), "6");
}

TEST(ProfileReader, BlanksInsideTheSectionBracketsAreNotPartOfTheName) {
    EXPECT_EQ(lookup("[ Settings ]\nvisitCooldown=5\n"), "5");
    EXPECT_EQ(lookup("[\tSettings]\nvisitCooldown=5\n"), "5");
    EXPECT_EQ(lookup("[Set tings]\nvisitCooldown=5\n"), "72");
}

TEST(ProfileReader, Utf16FilesWithAByteOrderMarkAreReadAsText) {
    auto utf16 = [](const std::string& text, bool little) {
        std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
        for (char c : text) out += little ? std::string{c, '\0'} : std::string{'\0', c};
        return out;
    };
    EXPECT_EQ(lookup(utf16("[Settings]\r\nvisitCooldown=24\r\n", true)), "24");
    EXPECT_EQ(lookup(utf16("[Settings]\r\nvisitCooldown=25\r\n", false)), "25");
}

TEST(ProfileReader, MissingValueIsEmptyAndMissingEqualsIsTheDefault) {
    EXPECT_EQ(lookup("[Settings]\nvisitCooldown=\n"), "");
    EXPECT_EQ(lookup("[Settings]\nvisitCooldown\nvisitCooldown=4\n"), "72");
    EXPECT_EQ(lookup(""), "72");
}

TEST(ProfileReader, ValueIsCutToTheBuffer) {
    EXPECT_EQ(lookup("[Settings]\nvisitCooldown=123456789\n", "visitCooldown", 4), "123");
}

TEST(ProfileReader, HostileFilesAreReadSafely) {
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    std::string big(10u << 20, 'x');  // one 10 MB line without an end
    EXPECT_EQ(lookup("[Settings]\nvisitCooldown=" + big), big.substr(0, 31));
    EXPECT_EQ(lookup("[Settings]\n" + big + "=1\nvisitCooldown=2"), "2");

    std::mt19937 random(7);
    std::string junk(1u << 20, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    EXPECT_EQ(lookup(junk).size() <= 31, true);
    EXPECT_EQ(lookup(std::string("[Settings]\nvisitCooldown=1") + '\0' + junk), "1");
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(20));
}

}  // namespace
