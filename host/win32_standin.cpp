// Stand-ins for the Win32 services the plug-in uses, for builds without Windows.
// The clock follows the simulated game time; clipboard and global memory can be told to fail.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "script_host.h"

extern "C" {

uint32_t twStandinTickCount() { return sim::hostTickCount(); }
uint64_t twStandinTickCount64() { return 0x100000000ull + sim::hostTickCount(); }

void* twStandinGlobalAlloc(std::size_t bytes) {
    if (sim::gHost.globalAllocFails) return nullptr;
    ++sim::gHost.liveGlobalBlocks;
    return std::calloc(1, bytes + sizeof(std::size_t));
}
void* twStandinGlobalLock(void* block) { return (block && !sim::gHost.globalLockFails) ? block : nullptr; }
void twStandinGlobalUnlock(void*) {}
void twStandinGlobalFree(void* block) {
    if (!block) return;
    --sim::gHost.liveGlobalBlocks;
    std::free(block);
}
bool twStandinOpenClipboard() {
    if (sim::gHost.clipboardOpenFails || sim::gHost.clipboardOpen) return false;
    sim::gHost.clipboardOpen = true;
    return true;
}
void twStandinEmptyClipboard() {
    if (sim::gHost.clipboardOpen) sim::gHost.clipboardText.clear();
}
bool twStandinSetClipboardText(void* block) {
    if (!sim::gHost.clipboardOpen || sim::gHost.clipboardSetFails || !block) return false;
    sim::gHost.clipboardText = static_cast<const char*>(block);
    twStandinGlobalFree(block);  // the clipboard owns it now; we keep a copy of the text
    return true;
}
void twStandinCloseClipboard() { sim::gHost.clipboardOpen = false; }

// A wall clock that follows the tick count from midnight of a fixed day, so a run's log is
// the same on every machine.
void twStandinLocalTime(char* out, std::size_t size) {
    const uint32_t s = sim::hostTickCount() / 1000;
    std::snprintf(out, size, "2026-01-01 %02u:%02u:%02u", (s / 3600) % 24, (s / 60) % 60, s % 60);
}

// The host stands in for the process: one running copy, any number of idle ones.
bool twStandinClaimOnlyCopy() {
    if (sim::gHost.copyRunning) {
        ++sim::gHost.idleCopies;
        return false;
    }
    sim::gHost.copyRunning = true;
    return true;
}
void twStandinReleaseCopy(bool running) {
    if (running)
        sim::gHost.copyRunning = false;
    else if (sim::gHost.idleCopies > 0)
        --sim::gHost.idleCopies;
}
bool twStandinIdleCopyPresent() { return sim::gHost.idleCopies > 0; }
}
