// Stand-ins for the Win32 services the plug-in uses, for builds without Windows.
// The clock follows the simulated game time; clipboard and global memory can be told to fail.
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
}
