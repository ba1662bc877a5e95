// Our reader of Windows profile (INI) files, for builds without the Win32 profile functions.
// It follows their rules: section and key names compared without regard to case, lines
// split at CR or LF, white space around names and values trimmed, the first section of a
// name and the first key in it win, one pair of surrounding quotes stripped, a missing
// file, section or key, or a key without '=', giving the default.
#pragma once

#include <cstdint>
#include <cstdio>

namespace tw {

// Looks key up in section of the profile text read from file (which may be null) and copies
// the value, or deflt, into out cut to size - 1 characters. Returns the characters copied.
uint32_t profileLookup(std::FILE* file, const char* section, const char* key, const char* deflt, char* out,
                       uint32_t size);

}  // namespace tw
