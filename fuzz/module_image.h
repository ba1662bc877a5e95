// The writable data of a loaded module as it was right after the load, kept so that one
// mapping of the plug-in can start every fuzz input in its load state. The module then stays
// mapped for the whole run, and the coverage counters libFuzzer registered at its load stay
// valid.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace fuzz {

struct SavedRange {
    unsigned char* at = nullptr;       // in the module's mapping
    std::vector<unsigned char> bytes;  // its contents right after the load
    std::string section;               // the section it is, for the start-up line
};

struct ModuleImage {
    std::vector<SavedRange> ranges;
    std::size_t bytes = 0;
    // The module's own edge counters (one byte per edge, set while an input runs and cleared
    // by libFuzzer before the next); empty when it was built without them.
    const unsigned char* counters = nullptr;
    std::size_t counterCount = 0;
};

// Saves the module's .data and .bss (its globals), leaving out its coverage counters and
// whatever the loader made read-only after relocation, and finds its counters. False with why
// set when the module cannot be read.
bool saveModuleImage(void* handle, ModuleImage& image, std::string& why);
// Writes the saved bytes back.
void restoreModuleImage(const ModuleImage& image);
// The module's variables (demangled, from its symbol table) whose bytes differ between two
// images saved of the same mapping, in address order; bytes no symbol covers are named by
// their section and offset.
std::vector<std::string> changedVariables(void* handle, const ModuleImage& a, const ModuleImage& b);

}  // namespace fuzz
