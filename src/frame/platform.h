// The few operating-system services the plug-in uses, behind one narrow interface.
// platform_win.cpp binds them to Win32; platform_posix.cpp to stand-ins of our own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw::platform {

uint32_t tickCount();    // ms since system start, wrapping at 2^32
uint64_t tickCount64();  // ms since system start

// Copies the value of key in section of the profile file at path (or deflt when the file,
// section or key is missing) into out, cut to size - 1 characters and NUL-terminated.
// Returns the number of characters copied.
uint32_t readProfileString(const char* section, const char* key, const char* deflt, char* out, uint32_t size,
                           const char* path);

// Movable global memory and the clipboard, with the meaning of their Win32 namesakes.
void* globalAlloc(std::size_t bytes);  // null on failure
void* globalLock(void* block);         // null on failure
void globalUnlock(void* block);
void globalFree(void* block);
bool openClipboard();
void emptyClipboard();
bool setClipboardText(void* block);  // on success the clipboard owns the block
void closeClipboard();

// Local date and time as "YYYY-MM-DD hh:mm:ss", for the log.
void localTimeText(char* out, std::size_t size);

// One running copy of the plug-in per game process. The first copy loaded claims it; a later
// one (another file name, the developer build beside the release) finds it taken, stays idle
// and leaves a mark that the running copy's log reports.
bool claimOnlyCopy();            // true for the running copy; false marks this copy idle
void releaseCopy(bool running);  // at unload: the claim, or the idle mark
bool idleCopyPresent();          // an idle copy was loaded into this process

}  // namespace tw::platform
