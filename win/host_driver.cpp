#include "host_driver.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "session.h"

namespace {

host::Session gSession;  // the driver's one run of the plug-in

// What the plug-in made before the last restart, and where the trace stood then.
std::set<uint32_t> gMadeBefore;
std::size_t gRestartAt = 0;

bool isCreation(tw::Op op) {
    return op == tw::Op::pedCreate || op == tw::Op::objectCreate || op == tw::Op::scenarioPointCreate;
}

int32_t countLive(host::EntityKind kind) {
    int32_t n = 0;
    for (const auto& e : host::gHost.world.entities)
        if (e.handle != 0 && e.alive && e.byPlugin && e.kind == kind) ++n;
    return n;
}

}  // namespace

extern "C" {

void twhReset() {
    host::sessionBegin(gSession);
    gMadeBefore.clear();
    gRestartAt = 0;
}

bool twhLoad(const char* path, char* error, uint32_t errorSize) {
    const bool ok = host::sessionLoad(gSession, path);
    if (error && errorSize > 0) {
        std::strncpy(error, gSession.error.c_str(), errorSize - 1);
        error[errorSize - 1] = '\0';
    }
    return ok;
}

bool twhUnload() {
    const std::size_t before = host::gHost.errors.size();
    host::sessionEnd(gSession);
    return host::gHost.errors.size() == before;
}
void twhMarkWaits() { host::gHost.markWaits = true; }
bool twhFirstReadyPassDone() { return host::firstReadyPassWait() >= 0; }

bool twhWriteStartupTrace(const char* path) {
    const long last = host::firstReadyPassWait();
    if (last < 0) return false;
    const std::string text = host::orderedTraceText(last);
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written;
}

void twhRestartScript(int32_t clockHour) {
    for (const host::Call& c : host::gHost.trace)
        if (isCreation(c.op) && c.result[0] != 0) gMadeBefore.insert(static_cast<uint32_t>(c.result[0]));
    gRestartAt = host::gHost.trace.size();
    host::restartScript(clockHour);
}

uint32_t twhOldHandleUses() {
    uint32_t uses = 0;
    std::set<uint32_t> givenSince;
    const auto& trace = host::gHost.trace;
    for (std::size_t i = gRestartAt; i < trace.size(); ++i) {
        const host::Call& c = trace[i];
        const tw::OpInfo& info = tw::opInfo(c.op);
        for (std::size_t a = 0; a < info.argc; ++a)
            if (info.args[a].kind == tw::ArgKind::Handle && gMadeBefore.count(c.u(a)) && !givenSince.count(c.u(a)))
                ++uses;
        if (info.result == tw::ResultKind::Handle && c.result[0] != 0)
            givenSince.insert(static_cast<uint32_t>(c.result[0]));
    }
    return uses;
}

int32_t twhRestarts() { return host::gHost.restarts; }

void twhRunFrame() { host::runFrames(gSession, 1); }
void twhRunFor(int32_t gameMs) { host::runFor(gSession, gameMs); }
bool twhRunUntil(bool (*pred)(), int32_t limitMs) { return host::runUntil(gSession, pred, limitMs); }
bool twhRunUntilReady(int32_t limitMs) { return host::runUntilReady(gSession, limitMs); }
void twhSendKey(uint32_t keyCode, int32_t triggerFlag) { host::sendKey(keyCode, triggerFlag); }

int32_t twhGameTime() { return host::gHost.world.gameTime; }
bool twhScriptRegistered() { return host::gHost.script != nullptr; }
bool twhKeyboardRegistered() { return host::gHost.keyboard != nullptr; }
int32_t twhRegisterCalls() { return host::gHost.registerCalls; }
uint32_t twhWaitCount() { return static_cast<uint32_t>(host::gHost.waits.size()); }
uint32_t twhWait(uint32_t index) { return index < host::gHost.waits.size() ? host::gHost.waits[index] : 0; }
uint32_t twhErrorCount() { return static_cast<uint32_t>(host::gHost.errors.size()); }
const char* twhError(uint32_t index) {
    return index < host::gHost.errors.size() ? host::gHost.errors[index].c_str() : "";
}

int64_t twhCallCount(const char* opName) {
    for (const auto& info : tw::kCatalogue)
        if (std::strcmp(info.name, opName) == 0) return static_cast<int64_t>(host::countOf(info.op));
    return -1;
}

int32_t twhLivePluginCount(int32_t kind) {
    switch (kind) {
        case 0:
            return countLive(host::EntityKind::Ped);
        case 1:
            return countLive(host::EntityKind::Horse);
        case 2:
            return countLive(host::EntityKind::Object);
        default:
            break;
    }
    int32_t n = 0;
    for (const auto& p : host::gHost.world.points)
        if (p.handle != 0 && p.alive && p.byPlugin) ++n;
    return n;
}

void twhPlayerPlacement(float* x, float* y, float* z, float* heading) {
    const host::Entity* player = host::findEntity(host::gHost.world, host::gHost.world.playerPed);
    const tw::Vec3 pos = player ? player->pos : tw::Vec3{};
    *x = pos.x;
    *y = pos.y;
    *z = pos.z;
    *heading = player ? player->heading : 0.0f;
}

void twhSetMissionActive(bool active) { host::gHost.world.missionActive = active; }

void twhSetStoryDone(bool done) {
    auto& missions = host::gHost.world.completedMissions;
    const host::Hash fin2 = host::nameHash("FIN2");
    std::erase(missions, fin2);
    if (done) missions.push_back(fin2);
}

void twhSetPlayerPosition(float x, float y, float z) {
    if (host::Entity* player = host::findEntity(host::gHost.world, host::gHost.world.playerPed))
        player->pos = {x, y, z};
}

uint32_t twhDrawnCount() { return static_cast<uint32_t>(host::gHost.world.drawnThisFrame.size()); }
const char* twhDrawn(uint32_t index) {
    const auto& d = host::gHost.world.drawnThisFrame;
    return index < d.size() ? d[index].text.c_str() : "";
}
}
