#include "devtools/coord_capture.h"

#include <cstdio>
#include <cstring>

#include "devtools/overlay.h"
#include "frame/host_ops.h"
#include "frame/platform.h"
#include "frame/plugin_log.h"

namespace tw {

namespace {

constexpr const char* kCopied = "Coordinates and Heading copied to clipboard!";
constexpr const char* kNotCopied = "Could not copy to clipboard. Coordinates and Heading written to file!";
constexpr const char* kNoMemory = "Could not allocate memory for clipboard. Coordinates and Heading written to file!";
constexpr const char* kNoFile = "Error: Could not open file!";

void showMessage(const char* text) { drawText(text, 0.5f, 0.05f, 1.0f, 255, 255, 255); }

// Hands text (with its NUL) to the clipboard; false when it stays with us. A block the
// clipboard did not take is freed here, and the clipboard is closed whenever it was opened.
bool copyToClipboard(void* block) {
    if (!platform::openClipboard()) {
        platform::globalFree(block);
        return false;
    }
    platform::emptyClipboard();
    const bool taken = platform::setClipboardText(block);
    if (!taken) platform::globalFree(block);
    platform::closeClipboard();
    return taken;
}

}  // namespace

bool writeCoordsFile(const char* text) {
    // "w" replaces the previous capture; the C library shares the file with other readers.
    std::FILE* f = std::fopen(kCoordsFile, "w");
    if (!f) {
        showMessage(kNoFile);
        logEvent("coordinates: %s could not be opened for writing", kCoordsFile);
        return false;
    }
    // Written only when every byte reached the file and it closed cleanly.
    bool written = std::fputs(text, f) >= 0 && std::fputc('\n', f) != EOF;
    written = std::fflush(f) == 0 && written;
    written = std::fclose(f) == 0 && written;
    if (!written) {
        showMessage(kNoFile);
        logEvent("coordinates: %s could not be written", kCoordsFile);
    } else {
        logEvent("coordinates: the clipboard could not take them; written to %s", kCoordsFile);
    }
    return written;
}

void captureCoordinates() {
    const Handle ped = playerGetPed();
    const Vec3 p = entityGetCoords(ped, 1);
    const float heading = entityGetHeading(ped);
    const std::string clip = formatClipboardText(p, heading);
    const std::string fileLine = formatCoordsFileText(p, heading);
    const char* fileText = fileLine.c_str();

    // The fallback's message claims the file only once it is written; otherwise the file
    // step's error stands alone.
    const char* message = kCopied;
    void* block = platform::globalAlloc(clip.size() + 1);
    if (!block) {
        message = writeCoordsFile(fileText) ? kNoMemory : nullptr;
    } else if (char* dest = static_cast<char*>(platform::globalLock(block)); !dest) {
        platform::globalFree(block);
        message = writeCoordsFile(fileText) ? kNotCopied : nullptr;
    } else {
        std::memcpy(dest, clip.c_str(), clip.size() + 1);
        platform::globalUnlock(block);
        if (!copyToClipboard(block)) message = writeCoordsFile(fileText) ? kNotCopied : nullptr;
    }
    if (message) showMessage(message);
}

}  // namespace tw
