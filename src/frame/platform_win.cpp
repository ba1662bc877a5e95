// The platform layer on Windows: the Win32 calls themselves.
#include <windows.h>

#include <cstdio>

#include "frame/platform.h"

namespace tw::platform {

namespace {

HANDLE copyMutex = nullptr;  // the claim, or the idle mark

// Names of this process's own: copies in another game process are no concern.
void copyName(char* out, std::size_t size, const char* what) {
    std::snprintf(out, size, "Local\\tamberwick-%s-%lu", what, GetCurrentProcessId());
}

}  // namespace

uint32_t tickCount() { return GetTickCount(); }
uint64_t tickCount64() { return GetTickCount64(); }

uint32_t readProfileString(const char* section, const char* key, const char* deflt, char* out, uint32_t size,
                           const char* path) {
    return GetPrivateProfileStringA(section, key, deflt, out, size, path);
}

void* globalAlloc(std::size_t bytes) { return GlobalAlloc(GMEM_MOVEABLE, bytes); }
void* globalLock(void* block) { return GlobalLock(block); }
void globalUnlock(void* block) { GlobalUnlock(block); }
void globalFree(void* block) { GlobalFree(block); }
bool openClipboard() { return OpenClipboard(nullptr) != 0; }
void emptyClipboard() { EmptyClipboard(); }
bool setClipboardText(void* block) { return SetClipboardData(CF_TEXT, block) != nullptr; }
void closeClipboard() { CloseClipboard(); }

void localTimeText(char* out, std::size_t size) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    std::snprintf(out, size, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

bool claimOnlyCopy() {
    char name[64];
    copyName(name, sizeof name, "running");
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (!mutex) return true;  // no kernel object to be had: run rather than do nothing
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        copyMutex = mutex;
        return true;
    }
    CloseHandle(mutex);
    copyName(name, sizeof name, "idle");
    copyMutex = CreateMutexA(nullptr, FALSE, name);
    return false;
}

void releaseCopy(bool) {
    if (copyMutex) CloseHandle(copyMutex);
    copyMutex = nullptr;
}

bool idleCopyPresent() {
    char name[64];
    copyName(name, sizeof name, "idle");
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (!mutex) return false;
    CloseHandle(mutex);
    return true;
}

}  // namespace tw::platform
