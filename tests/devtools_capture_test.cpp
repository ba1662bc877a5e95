// F1 coordinate capture: the clipboard text, the file fallback and the message of each outcome.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/key_state.h"
#include "frame/settings.h"
#include "plugin_fixture.h"

namespace {

using host::gHost;

constexpr int32_t kHourMs = tw::kMsPerGameHour;

constexpr const char* kCopied = "Coordinates and Heading copied to clipboard!";
constexpr const char* kNotCopied = "Could not copy to clipboard. Coordinates and Heading written to file!";
constexpr const char* kNoMemory = "Could not allocate memory for clipboard. Coordinates and Heading written to file!";
constexpr const char* kNoFile = "Error: Could not open file!";
constexpr const char* kClipText = "-1642.051270, -1395.510742, 82.905983, H: 90.000";
constexpr const char* kFileLine = "X: -1642.051270, Y: -1395.510742, Z: 82.905983, H: 90.000\n";

struct CaptureTest : twtest::PluginTest {
    void SetUp() override {
        PluginTest::SetUp();
        load(true);
        gHost.world.missionActive = true;  // no visit starts
        ASSERT_TRUE(runUntilReady());
        host::Entity* player = host::findEntity(gHost.world, gHost.world.playerPed);
        player->pos = {-1642.0513f, -1395.5107f, 82.90598f};
        player->heading = 90.0f;
    }

    // Presses F1 and returns the messages drawn in that frame (overlay lines left out).
    std::vector<std::string> capture() {
        host::sendKey(tw::kKeyF1);
        host::runFrame();
        std::vector<std::string> messages;
        for (const auto& d : gHost.world.drawnThisFrame) {
            if (d.x != 0.5f) continue;
            EXPECT_FLOAT_EQ(d.y, 0.05f);
            EXPECT_FLOAT_EQ(d.scale, 1.0f);
            EXPECT_EQ(d.r + d.g + d.b + d.a, 4 * 255);
            messages.push_back(d.text);
        }
        return messages;
    }

    std::string coordsFile() const { return workDir + "/player_coords.txt"; }
    std::string fileText() const {
        std::ifstream in(coordsFile(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(CaptureTest, CopiesPositionAndHeadingToTheClipboard) {
    EXPECT_EQ(capture(), std::vector<std::string>{kCopied});
    EXPECT_EQ(gHost.clipboardText, kClipText);
    EXPECT_FALSE(std::filesystem::exists(coordsFile()));
    EXPECT_EQ(gHost.liveGlobalBlocks, 0);  // the clipboard took the block
    EXPECT_FALSE(gHost.clipboardOpen);
    host::runFrame();
    EXPECT_EQ(gHost.world.drawnThisFrame.size(), 5u);  // the message lasts one pass
}

TEST_F(CaptureTest, ReadsThePlayersCoordinatesWithTheFlagSet) {
    capture();
    const auto coords = host::callsOf(tw::Op::entityGetCoords);
    ASSERT_FALSE(coords.empty());
    EXPECT_EQ(coords.back()->u(0), gHost.world.playerPed);
    EXPECT_EQ(coords.back()->i(1), 1);
}

TEST_F(CaptureTest, NoClipboardMemoryWritesTheFile) {
    gHost.globalAllocFails = true;
    EXPECT_EQ(capture(), std::vector<std::string>{kNoMemory});
    EXPECT_EQ(fileText(), kFileLine);
    EXPECT_EQ(gHost.clipboardText, "");
}

TEST_F(CaptureTest, UnlockableMemoryIsFreedAndTheFileWritten) {
    gHost.globalLockFails = true;
    EXPECT_EQ(capture(), std::vector<std::string>{kNotCopied});
    EXPECT_EQ(fileText(), kFileLine);
    EXPECT_EQ(gHost.liveGlobalBlocks, 0);
}

// The clipboard refusing to open or to take the text is reported, not shown as a success.
TEST_F(CaptureTest, ClipboardThatWillNotOpenFallsBackToTheFile) {
    gHost.clipboardOpenFails = true;
    EXPECT_EQ(capture(), std::vector<std::string>{kNotCopied});
    EXPECT_EQ(fileText(), kFileLine);
    EXPECT_EQ(gHost.liveGlobalBlocks, 0);
    EXPECT_FALSE(gHost.clipboardOpen);
}

TEST_F(CaptureTest, ClipboardThatRefusesTheTextIsClosedAndTheBlockFreed) {
    gHost.clipboardSetFails = true;
    EXPECT_EQ(capture(), std::vector<std::string>{kNotCopied});
    EXPECT_EQ(fileText(), kFileLine);
    EXPECT_EQ(gHost.liveGlobalBlocks, 0);
    EXPECT_FALSE(gHost.clipboardOpen);
    gHost.clipboardSetFails = false;  // the clipboard is usable again at once
    EXPECT_EQ(capture(), std::vector<std::string>{kCopied});
}

TEST_F(CaptureTest, FileThatCannotBeOpenedShowsOnlyTheError) {
    gHost.globalAllocFails = true;
    std::filesystem::create_directory(coordsFile());  // fopen "w" fails on a directory
    EXPECT_EQ(capture(), std::vector<std::string>{kNoFile});
}

TEST_F(CaptureTest, FileThatOpensButCannotTakeTheTextShowsOnlyTheError) {
    gHost.globalAllocFails = true;
    std::filesystem::create_symlink("/dev/full", coordsFile());  // opens, but no write reaches it
    EXPECT_EQ(capture(), std::vector<std::string>{kNoFile});
}

TEST_F(CaptureTest, EachFileCaptureReplacesTheLastOne) {
    gHost.globalAllocFails = true;
    capture();
    host::findEntity(gHost.world, gHost.world.playerPed)->pos = {1.5f, -2.25f, 0.0f};
    host::findEntity(gHost.world, gHost.world.playerPed)->heading = -45.5f;
    capture();
    EXPECT_EQ(fileText(), "X: 1.500000, Y: -2.250000, Z: 0.000000, H: -45.500\n");
}

TEST_F(CaptureTest, ExtremeValuesFitTheirTexts) {
    host::Entity* player = host::findEntity(gHost.world, gHost.world.playerPed);
    player->pos = {-3.4028235e38f, -3.4028235e38f, -3.4028235e38f};
    player->heading = -3.4028235e38f;
    gHost.clipboardSetFails = true;
    capture();
    const std::string digits = "-340282346638528859811704183484516925440";
    EXPECT_EQ(gHost.clipboardText, "");
    EXPECT_EQ(fileText(),
              "X: " + digits + ".000000, Y: " + digits + ".000000, Z: " + digits + ".000000, H: " + digits + ".000\n");
}

// Every position the plug-in reads passes the flag 0, but the capture's, which passes 1.
TEST_F(CaptureTest, OnlyTheCaptureReadsAPositionWithTheFlagSet) {
    gHost.world.missionActive = false;  // a visit comes, with every kind of position read
    host::runFor(kHourMs);
    capture();
    host::runFor(1000);
    int flagged = 0;
    for (const host::Call* c : host::callsOf(tw::Op::entityGetCoords)) {
        EXPECT_TRUE(c->i(1) == 0 || c->i(1) == 1) << c->i(1);
        flagged += c->i(1) == 1;
    }
    EXPECT_EQ(flagged, 1);
    EXPECT_GT(host::callsOf(tw::Op::entityGetCoords).size(), 1000u);
}

}  // namespace
