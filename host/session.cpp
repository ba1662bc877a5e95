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

void runFrames(Session& s, int frames) {
    int left = frames;
    sessionRun(
        s, [&](const World&) { return left-- > 0; }, [](const World&) {});
}

void runFor(Session& s, int32_t gameMs) {
    const int32_t start = gHost.world.gameTime;
    sessionRun(
        s, [&](const World& w) { return tw::elapsed(w.gameTime, start) < gameMs; }, [](const World&) {});
}

bool runUntil(Session& s, const std::function<bool()>& pred, int32_t limitMs) {
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

bool runUntilReady(Session& s, int32_t limitMs) { return runUntil(s, firstReadyPassJustMade, limitMs); }

// The tests' loops without a session of their own run on the same frame loop.

void runFor(int32_t gameMs) {
    Session s;
    runFor(s, gameMs);
}

bool runUntil(const std::function<bool()>& pred, int32_t limitMs) {
    Session s;
    return runUntil(s, pred, limitMs);
}

}  // namespace host
