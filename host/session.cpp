#include "session.h"

namespace host {

void sessionBegin(Session& s) {
    s = Session{};
    hostReset();
}

bool sessionLoad(Session& s, const std::string& path) {
    s.error.clear();
    s.loaded = loadPlugin(path, &s.error);
    return s.loaded;
}

void sessionEnd(Session& s) {
    unloadPlugin();  // nothing to do when no module is loaded
    s.loaded = false;
}

// The tests' loops run on the same frame loop as the tools.

void runFor(int32_t gameMs) {
    Session s;
    const int32_t start = gHost.world.gameTime;
    sessionRun(
        s, [&](const World& w) { return tw::elapsed(w.gameTime, start) < gameMs; }, [](const World&) {});
}

bool runUntil(const std::function<bool()>& pred, int32_t limitMs) {
    Session s;
    const int32_t start = gHost.world.gameTime;
    bool done = false;
    sessionRun(
        s,
        [&](const World& w) {
            done = pred();
            return !done && tw::elapsed(w.gameTime, start) < limitMs;
        },
        [](const World&) {});
    return done;
}

}  // namespace host
