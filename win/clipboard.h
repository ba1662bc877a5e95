// The real clipboard (Wine's, here), read and written on a thread of its own so a clipboard
// that never answers cannot hang the driver.
#pragma once

#include <string>

namespace win {

struct ClipboardJob {
    const char* put = nullptr;  // text to place, or null to read
    std::string got;            // the text read
    bool ok = false;
};

// Runs the job; false when the clipboard could not be opened, did not answer within 10 s, or
// held no text.
bool clipboard(ClipboardJob& job);

}  // namespace win
