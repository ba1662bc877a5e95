// Stand-ins for the Win32 services the plug-in uses, for builds without Windows.
// The clock follows the simulated game time; clipboard and global memory can be told to fail.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "script_host.h"

extern "C" {

uint32_t twStandinTickCount() { return host::hostTickCount(); }
uint64_t twStandinTickCount64() { return host::hostTickCount64(); }

void* twStandinGlobalAlloc(std::size_t bytes) {
    if (host::gHost.globalAllocFails) return nullptr;
    ++host::gHost.liveGlobalBlocks;
    return std::calloc(1, bytes + sizeof(std::size_t));
}
void* twStandinGlobalLock(void* block) { return (block && !host::gHost.globalLockFails) ? block : nullptr; }
void twStandinGlobalUnlock(void*) {}
void twStandinGlobalFree(void* block) {
    if (!block) return;
    --host::gHost.liveGlobalBlocks;
    std::free(block);
}
bool twStandinOpenClipboard() {
    if (host::gHost.clipboardOpenFails || host::gHost.clipboardOpen) return false;
    host::gHost.clipboardOpen = true;
    return true;
}
void twStandinEmptyClipboard() {
    if (host::gHost.clipboardOpen) host::gHost.clipboardText.clear();
}
bool twStandinSetClipboardText(void* block) {
    if (!host::gHost.clipboardOpen || host::gHost.clipboardSetFails || !block) return false;
    host::gHost.clipboardText = static_cast<const char*>(block);
    twStandinGlobalFree(block);  // the clipboard owns it now; we keep a copy of the text
    return true;
}
void twStandinCloseClipboard() { host::gHost.clipboardOpen = false; }

// A wall clock that follows the tick count from midnight of a fixed day, so a run's log is
// the same on every machine.
void twStandinLocalTime(char* out, std::size_t size) {
    const uint32_t s = host::hostTickCount() / 1000;
    std::snprintf(out, size, "2026-01-01 %02u:%02u:%02u", (s / 3600) % 24, (s / 60) % 60, s % 60);
}

// The host stands in for the process: one running copy, any number of idle ones.
bool twStandinClaimOnlyCopy() {
    if (host::gHost.copyRunning) {
        ++host::gHost.idleCopies;
        return false;
    }
    host::gHost.copyRunning = true;
    return true;
}
void twStandinReleaseCopy(bool running) {
    if (running)
        host::gHost.copyRunning = false;
    else if (host::gHost.idleCopies > 0)
        --host::gHost.idleCopies;
}
bool twStandinIdleCopyPresent() { return host::gHost.idleCopies > 0; }
}
