// The platform layer without Windows: the clock, clipboard and global memory come from
// the host substitute's stand-ins; profile files are read by our own reader.
#include <cstdio>
#include <string>

#include "frame/platform.h"
#include "frame/profile_reader.h"

extern "C" {
uint32_t twStandinTickCount();
uint64_t twStandinTickCount64();
void* twStandinGlobalAlloc(std::size_t bytes);
void* twStandinGlobalLock(void* block);
void twStandinGlobalUnlock(void* block);
void twStandinGlobalFree(void* block);
bool twStandinOpenClipboard();
void twStandinEmptyClipboard();
bool twStandinSetClipboardText(void* block);
void twStandinCloseClipboard();
void twStandinLocalTime(char* out, std::size_t size);
bool twStandinClaimOnlyCopy();
void twStandinReleaseCopy(bool running);
bool twStandinIdleCopyPresent();
}

namespace tw::platform {

uint32_t tickCount() { return twStandinTickCount(); }
uint64_t tickCount64() { return twStandinTickCount64(); }

uint32_t readProfileString(const char* section, const char* key, const char* deflt, char* out, uint32_t size,
                           const char* path) {
    // Windows names the file ".\tamberwick.ini"; here the separator is '/'.
    std::string name(path ? path : "");
    for (char& c : name)
        if (c == '\\') c = '/';
    std::FILE* f = name.empty() ? nullptr : std::fopen(name.c_str(), "rb");
    const uint32_t n = profileLookup(f, section, key, deflt, out, size);
    if (f) std::fclose(f);
    return n;
}

void* globalAlloc(std::size_t bytes) { return twStandinGlobalAlloc(bytes); }
void* globalLock(void* block) { return twStandinGlobalLock(block); }
void globalUnlock(void* block) { twStandinGlobalUnlock(block); }
void globalFree(void* block) { twStandinGlobalFree(block); }
bool openClipboard() { return twStandinOpenClipboard(); }
void emptyClipboard() { twStandinEmptyClipboard(); }
bool setClipboardText(void* block) { return twStandinSetClipboardText(block); }
void closeClipboard() { twStandinCloseClipboard(); }
void localTimeText(char* out, std::size_t size) { twStandinLocalTime(out, size); }
bool claimOnlyCopy() { return twStandinClaimOnlyCopy(); }
void releaseCopy(bool running) { twStandinReleaseCopy(running); }
bool idleCopyPresent() { return twStandinIdleCopyPresent(); }

}  // namespace tw::platform
