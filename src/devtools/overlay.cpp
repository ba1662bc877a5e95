#include "devtools/overlay.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "behaviour/night_sleep.h"
#include "frame/build_switch.h"
#include "frame/host_ops.h"
#include "visit/ranch_fixtures.h"
#include "visit/visit_state.h"
#include "visit/visitor_state.h"

namespace tw {

namespace {

// The host reads a text handed to miscCreateVarString after the call returns, so each copy
// must outlive the pass that drew it. Copies live in two halves of a fixed pool: a pass
// writes into one half and leaves the other (the previous pass's texts) alone; the half is
// reused two passes later. No heap in steady state.
constexpr std::size_t kTextBytes = 128;    // longest text: the 81-character capture message
constexpr std::size_t kTextsPerPass = 16;  // 14 overlay lines plus two capture messages

struct TextPool {
    std::array<std::array<std::array<char, kTextBytes>, kTextsPerPass>, 2> slots{};
    std::size_t half = 0;  // half written this pass
    std::size_t used = 0;  // slots of that half taken this pass
};

TextPool textPool;

// Starts a new pass: the half written two passes ago is free again.
void beginPass() {
    textPool.half ^= 1u;
    textPool.used = 0;
}

// A copy of text that stays valid through the next pass; null when this pass's half is full.
const char* keepText(const char* text) {
    if (textPool.used == kTextsPerPass) return nullptr;
    std::array<char, kTextBytes>& slot = textPool.slots[textPool.half][textPool.used++];
    const std::size_t n = strnlen(text, slot.size() - 1);  // cut to fit, as a bounded print would
    std::memcpy(slot.data(), text, n);
    slot[n] = '\0';
    return slot.data();
}

constexpr float kLineStep = 0.03f;  // screen fraction between visitor lines

struct Colour {
    int32_t r, g, b;
};
constexpr Colour kGood{100, 255, 100};
constexpr Colour kBad{255, 100, 100};

void line(const char* text, float y, float scale, Colour c) { drawLine(text, y, scale, c.r, c.g, c.b); }

// One visitor's header and, when it is present, its detail lines; moves lineY below them.
void drawVisitorBlock(const VisitorState& v, const char* name, int32_t sleepPreset, GameTime now, float& lineY) {
    char text[96];
    const bool here = exists(v.ped);
    std::snprintf(text, sizeof text, "%s%s", name, here ? "ACTIVE" : "INACTIVE");
    line(text, lineY, 0.4f, here ? kGood : kBad);
    lineY = lineY + kLineStep;
    if (!here) return;

    if (v.isSleeping) {
        line("  Status: SLEEPING", lineY, 0.35f, {100, 150, 255});
        lineY = lineY + kLineStep;
        line(v.bedPoint == bedrolls[0].sleepPoint ? "  Bedroll: Bedroll 1" : "  Bedroll: Bedroll 2", lineY, 0.35f,
             {150, 150, 255});
    } else {
        line(v.tryScenarioNext ? "  Next: Common" : "  Next: Predefined", lineY, 0.35f, {200, 255, 200});
    }
    lineY = lineY + kLineStep;

    if (v.wearingSleepOutfit)
        std::snprintf(text, sizeof text, "  Outfit: Sleep (%d)", static_cast<int>(sleepPreset));
    else
        std::snprintf(text, sizeof text, "  Outfit: Normal (%u)", static_cast<unsigned>(v.outfitPreset));
    line(text, lineY, 0.35f, {200, 200, 200});
    lineY = lineY + kLineStep;

    if (v.isDeparting) {
        const int32_t seconds = elapsed(now, v.departStartTime) / 1000;  // truncates toward zero
        std::snprintf(text, sizeof text, "  Departing: %ds, Mounted: %s", static_cast<int>(seconds),
                      pedIsOnMount(v.ped) ? "YES" : "NO");
        line(text, lineY, 0.35f, {255, 200, 100});
        lineY = lineY + kLineStep;
    }
}

}  // namespace

void drawText(const char* text, float x, float y, float scale, int32_t r, int32_t g, int32_t b) {
    const char* copy = keepText(text ? text : "");
    if (!copy) return;
    uiSetTextScale(scale, scale);
    uiSetTextColour(r, g, b);
    uiDrawText(miscCreateVarString(copy), x, y);
}

void drawLine(const char* text, float y, float scale, int32_t r, int32_t g, int32_t b) {
    drawText(text, 0.02f, y, scale, r, g, b);
}

void resetOverlay() { textPool = {}; }

void drawOverlay() {
    beginPass();  // also with the overlay off: capture messages use the same pool
    if (!debugMode) return;

    line("=== TAMBERWICK ===", 0.05f, 0.5f, {255, 255, 0});
    line("F2: Force Visit | F3: Cleanup | F4: Reset Timer", 0.095f, 0.35f, {200, 200, 200});
    line(visit.visitActive ? "Visit Active: YES" : "Visit Active: NO", 0.125f, 0.4f, visit.visitActive ? kGood : kBad);

    float lineY = 0.155f;  // screen fraction of the next line
    if (visit.visitActive) {
        const char* type = visit.visitType == VisitType::Both        ? "Type: Both"
                           : visit.visitType == VisitType::SadieOnly ? "Type: Sadie"
                                                                     : "Type: Charles";
        line(type, 0.155f, 0.4f, {255, 255, 255});
        lineY = 0.185f;
    }
    const GameTime now = gameGetTimer();
    lineY = lineY + 0.015f;
    drawVisitorBlock(sadie, "Sadie: ", kSadieSleepOutfit, now, lineY);
    drawVisitorBlock(charles, "Charles: ", kCharlesSleepOutfit, now, lineY);
}

}  // namespace tw
