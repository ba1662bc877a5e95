// The platform layer on Windows: the Win32 calls themselves.
#include <windows.h>

#include "frame/platform.h"

namespace tw::platform {

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

}  // namespace tw::platform
