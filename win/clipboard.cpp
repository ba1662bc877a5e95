#include "clipboard.h"

#include <windows.h>

#include <cstring>

namespace win {

namespace {

DWORD WINAPI clipboardWork(void* param) {
    auto* job = static_cast<ClipboardJob*>(param);
    if (!OpenClipboard(nullptr)) return 0;
    if (job->put) {
        EmptyClipboard();
        const std::size_t n = std::strlen(job->put) + 1;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, n);
        void* dest = block ? GlobalLock(block) : nullptr;
        if (dest) {
            std::memcpy(dest, job->put, n);
            GlobalUnlock(block);
            job->ok = SetClipboardData(CF_TEXT, block) != nullptr;
        }
        if (block && !job->ok) GlobalFree(block);
    } else {
        HANDLE data = GetClipboardData(CF_TEXT);
        const char* text = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
        if (text) {
            job->got = text;
            job->ok = true;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return 0;
}

}  // namespace

bool clipboard(ClipboardJob& job) {
    // The thread works on a copy of its own: one that never comes back keeps it (and leaks it)
    // rather than write into the caller's job after we have given up on it.
    auto* work = new ClipboardJob(job);
    HANDLE t = CreateThread(nullptr, 0, &clipboardWork, work, 0, nullptr);
    if (!t) {
        delete work;
        return false;
    }
    const bool finished = WaitForSingleObject(t, 10000) == WAIT_OBJECT_0;
    CloseHandle(t);
    if (!finished) return false;
    job = *work;
    delete work;
    return job.ok;
}

}  // namespace win
