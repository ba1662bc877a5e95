#include "plugin_fixture.h"

#include <fstream>

namespace twtest {

void PluginTest::SetUp() {
    ASSERT_TRUE(scratch.ok) << "cannot make and enter a temporary working directory";
    host::sessionBegin(session);
}

void PluginTest::TearDown() {
    host::sessionEnd(session);
    EXPECT_EQ(hostErrors(), "");
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
