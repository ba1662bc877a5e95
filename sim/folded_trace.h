// A whole run's host calls in a form small enough to keep beside the tests and to read in a
// diff: every call that acts on the world (creates, deletes, orders, dresses, speaks, draws
// chance) on a line of its own, as the start-up trace writes it; the reads each pass repeats
// (and the per-pass refreshes of greeting lines and overlay text) between two such lines
// folded into one line with their count and a digest of their full text, arguments, results
// and game times included. Any call that changes changes the file; the lines that act say
// where and how, and the folded ones say in which stretch to look with --trace.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "script_host.h"

namespace sim {

struct FoldedTrace {
    std::FILE* out = nullptr;
    uint64_t folded = 0;  // reads since the last line written
    uint64_t digest = 0;  // FNV-1a over their text
    uint64_t calls = 0;   // every call seen
    std::string line;     // scratch, reused for every call
};

// Whether calls of op are folded rather than written out.
bool isFolded(tw::Op op);

// Starts the file with a header line (what ran); the host must keep traced calls' strings.
void foldedBegin(FoldedTrace& t, std::FILE* out, const std::string& header);
void foldedCall(FoldedTrace& t, const host::Call& c, const host::World& w);
// Writes the last fold and a closing line with the number of calls.
void foldedEnd(FoldedTrace& t);

}  // namespace sim
