#include "folded_trace.h"

#include <algorithm>
#include <array>
#include <cinttypes>

namespace sim {

namespace {

using tw::Op;

// What every pass asks again: the clock, whether things exist, where they are, how far apart,
// which tasks run, plus the greeting lines set on every pass near a visitor and the overlay's
// text drawn on every frame. Millions of calls in a visit, none of them a decision of its own.
constexpr std::array kFoldedOps = {
    Op::entityExists,
    Op::entityGetCoords,
    Op::entityGetModel,
    Op::playerGetPed,
    Op::playerGetId,
    Op::gameGetTimer,
    Op::clockGetHours,
    Op::miscGetDistanceBetweenCoords,
    Op::miscGetHashKey,
    Op::missionIsActive,
    Op::scenarioPointExists,
    Op::scenarioPointGetType,
    Op::scenarioPointGetUser,
    Op::pedGetScenarioPointInUse,
    Op::pedIsOnMount,
    Op::pedIsGreetedByPlayer,
    Op::pedCanSeeEntity,
    Op::taskGetScriptTaskStatus,
    Op::streamingHasModelLoaded,
    Op::playerSetGreetingLine,
    Op::pedSetGreetingResponse,
    Op::miscCreateVarString,
    Op::uiSetTextScale,
    Op::uiSetTextColour,
    Op::uiDrawText,
};

constexpr uint64_t kFnvBasis = 0xcbf29ce484222325ull;

void flushFold(FoldedTrace& t) {
    if (t.folded == 0) return;
    std::fprintf(t.out, "    ... %" PRIu64 " reads #%016" PRIx64 "\n", t.folded, t.digest);
    t.folded = 0;
    t.digest = kFnvBasis;
}

}  // namespace

bool isFolded(tw::Op op) { return std::find(kFoldedOps.begin(), kFoldedOps.end(), op) != kFoldedOps.end(); }

void foldedBegin(FoldedTrace& t, std::FILE* out, const std::string& header) {
    t = FoldedTrace{};
    t.out = out;
    t.digest = kFnvBasis;
    std::fprintf(out, "# %s\n", header.c_str());
}

void foldedCall(FoldedTrace& t, const host::Call& c, const host::World& w) {
    ++t.calls;
    t.line = std::to_string(c.time);
    t.line += ' ';
    host::appendCall(t.line, c, w, host::TraceStyle::Text);
    if (isFolded(c.op)) {
        for (char ch : t.line) t.digest = (t.digest ^ static_cast<unsigned char>(ch)) * 0x100000001b3ull;
        t.digest = (t.digest ^ '\n') * 0x100000001b3ull;
        ++t.folded;
        return;
    }
    flushFold(t);
    t.line += '\n';
    std::fwrite(t.line.data(), 1, t.line.size(), t.out);
}

void foldedEnd(FoldedTrace& t) {
    flushFold(t);
    std::fprintf(t.out, "# %" PRIu64 " host calls\n", t.calls);
}

}  // namespace sim
