// A fixture for tests that run whole visits through the host substitute: waiting for the visit
// start to be over, and for the end of a visit to have removed everything it used.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin_fixture.h"
#include "visit_world_check.h"

namespace twtest {

struct VisitTest : PluginTest {
    // Runs until the visit start is over: each visitor's horse exists, then its 500 ms wait.
    void runUntilVisitStarted(std::size_t horses) {
        ASSERT_TRUE(host::runUntil(
            [horses] {
                return pluginEntities("a_c_horse_gang_sadie_endlesssummer").size() +
                           pluginEntities("a_c_horse_gang_charles_endlesssummer").size() >=
                       horses;
            },
            60000));
        host::runFor(1000);
    }
    // Runs until the visit has ended: no visitor, and the fixtures it used are gone too.
    bool runUntilVisitEnded(int32_t limitMs) {
        return host::runUntil([] { return leftovers().empty(); }, limitMs);
    }
};

// The first call of op at or after game time from.
inline const host::Call* firstCall(tw::Op op, int32_t from = INT32_MIN) {
    for (const host::Call* c : host::callsOf(op))
        if (c->time >= from) return c;
    return nullptr;
}

}  // namespace twtest
