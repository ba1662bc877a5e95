#include "host_driver.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "session.h"

namespace {

sim::Session gSession;  // the driver's one run of the plug-in

int32_t countLive(sim::EntityKind kind) {
    int32_t n = 0;
    for (const auto& e : sim::gHost.world.entities)
        if (e.handle != 0 && e.alive && e.byPlugin && e.kind == kind) ++n;
    return n;
}

}  // namespace

extern "C" {

void twhReset() { sim::sessionBegin(gSession); }

bool twhLoad(const char* path, char* error, uint32_t errorSize) {
    const bool ok = sim::sessionLoad(gSession, path);
    if (error && errorSize > 0) {
        std::strncpy(error, gSession.error.c_str(), errorSize - 1);
        error[errorSize - 1] = '\0';
    }
    return ok;
}

void twhUnload() { sim::sessionEnd(gSession); }
void twhMarkWaits() { sim::gHost.markWaits = true; }
bool twhFirstReadyPassDone() { return sim::firstReadyPassWait() >= 0; }

bool twhWriteStartupTrace(const char* path) {
    const long last = sim::firstReadyPassWait();
    if (last < 0) return false;
    const std::string text = sim::orderedTraceText(last);
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written;
}

void twhRunFrame() { sim::runFrame(); }
void twhRunFor(int32_t gameMs) { sim::runFor(gameMs); }
void twhSendKey(uint32_t keyCode, int32_t triggerFlag) { sim::sendKey(keyCode, triggerFlag); }

int32_t twhGameTime() { return sim::gHost.world.gameTime; }
bool twhScriptRegistered() { return sim::gHost.script != nullptr; }
bool twhKeyboardRegistered() { return sim::gHost.keyboard != nullptr; }
int32_t twhRegisterCalls() { return sim::gHost.registerCalls; }
uint32_t twhWaitCount() { return static_cast<uint32_t>(sim::gHost.waits.size()); }
uint32_t twhWait(uint32_t index) { return index < sim::gHost.waits.size() ? sim::gHost.waits[index] : 0; }
uint32_t twhErrorCount() { return static_cast<uint32_t>(sim::gHost.errors.size()); }
const char* twhError(uint32_t index) {
    return index < sim::gHost.errors.size() ? sim::gHost.errors[index].c_str() : "";
}

int64_t twhCallCount(const char* opName) {
    for (const auto& info : tw::kCatalogue)
        if (std::strcmp(info.name, opName) == 0) return static_cast<int64_t>(sim::countOf(info.op));
    return -1;
}

int32_t twhLivePluginCount(int32_t kind) {
    switch (kind) {
        case 0:
            return countLive(sim::EntityKind::Ped);
        case 1:
            return countLive(sim::EntityKind::Horse);
        case 2:
            return countLive(sim::EntityKind::Object);
        default:
            break;
    }
    int32_t n = 0;
    for (const auto& p : sim::gHost.world.points)
        if (p.handle != 0 && p.alive && p.byPlugin) ++n;
    return n;
}

void twhPlayerPlacement(float* x, float* y, float* z, float* heading) {
    const sim::Entity* player = sim::findEntity(sim::gHost.world, sim::gHost.world.playerPed);
    const tw::Vec3 pos = player ? player->pos : tw::Vec3{};
    *x = pos.x;
    *y = pos.y;
    *z = pos.z;
    *heading = player ? player->heading : 0.0f;
}

void twhSetMissionActive(bool active) { sim::gHost.world.missionActive = active; }

void twhSetStoryDone(bool done) {
    auto& missions = sim::gHost.world.completedMissions;
    const sim::Hash fin2 = sim::nameHash("FIN2");
    std::erase(missions, fin2);
    if (done) missions.push_back(fin2);
}

void twhSetPlayerPosition(float x, float y, float z) {
    if (sim::Entity* player = sim::findEntity(sim::gHost.world, sim::gHost.world.playerPed)) player->pos = {x, y, z};
}

uint32_t twhDrawnCount() { return static_cast<uint32_t>(sim::gHost.world.drawnThisFrame.size()); }
const char* twhDrawn(uint32_t index) {
    const auto& d = sim::gHost.world.drawnThisFrame;
    return index < d.size() ? d[index].text.c_str() : "";
}
}
