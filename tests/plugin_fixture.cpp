#include "plugin_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace twtest {

void PluginTest::SetUp() {
    host::sessionBegin(session);
    char tmpl[] = "/tmp/tamberwick-test-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    ASSERT_NE(dir, nullptr);
    workDir = dir;
    std::error_code ec;
    previousDir = std::filesystem::current_path(ec).string();
    ASSERT_EQ(chdir(dir), 0);
}

void PluginTest::TearDown() {
    host::sessionEnd(session);
    EXPECT_EQ(hostErrors(), "");
    // Leave the directory before removing it, so later tests in this process have one.
    if (!previousDir.empty() && chdir(previousDir.c_str()) != 0) std::perror("returning to the working directory");
    std::error_code ec;
    std::filesystem::remove_all(workDir, ec);
}

void PluginTest::load(bool dev) {
    ASSERT_TRUE(host::sessionLoad(session, dev ? TAMBERWICK_PLUGIN_DEV : TAMBERWICK_PLUGIN)) << session.error;
}

void PluginTest::writeIni(const std::string& text) {
    std::ofstream(workDir + "/tamberwick.ini", std::ios::binary) << text;
}

bool PluginTest::runUntilReady(int32_t limitMs) { return host::runUntilReady(session, limitMs); }

std::string PluginTest::hostErrors() const {
    std::string out;
    for (const auto& e : host::gHost.errors) out += e + "\n";
    return out;
}

}  // namespace twtest
