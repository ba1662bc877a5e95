#include "frame/key_state.h"

#include "devtools/coord_capture.h"
#include "frame/platform.h"
#include "visit/departure.h"
#include "visit/scheduler.h"

#ifndef TAMBERWICK_DEBUG_MODE
#define TAMBERWICK_DEBUG_MODE 0
#endif

namespace tw {

std::array<KeyState, kKeyCount> keyStates;
bool debugMode = TAMBERWICK_DEBUG_MODE != 0;

extern "C" void onKeyboardEvent(uint32_t keyCode, uint16_t, uint8_t, int32_t, int32_t, int32_t, int32_t triggerFlag) {
    if (keyCode >= kKeyCount) return;
    KeyState& k = keyStates[keyCode];
    k.lastEventTick.store(platform::tickCount(), std::memory_order_relaxed);
    k.triggerFlag.store(triggerFlag, std::memory_order_relaxed);
}

bool keyFired(KeyState& k, uint32_t now) {
    const uint32_t windowEnd = k.lastEventTick.load(std::memory_order_relaxed) + 100u;  // wraps mod 2^32
    if (now < windowEnd && k.triggerFlag.load(std::memory_order_relaxed) != 0) {
        k.lastEventTick.store(0, std::memory_order_relaxed);
        k.triggerFlag.store(0, std::memory_order_relaxed);
        return true;
    }
    return false;
}

bool keyFired(uint32_t keyCode) {
    if (keyCode >= kKeyCount) return false;
    return keyFired(keyStates[keyCode], platform::tickCount());
}

void runHotkeys() {
    if (keyFired(kKeyF1)) captureCoordinates();
    if (keyFired(kKeyF2)) forceVisit();
    if (keyFired(kKeyF3)) endVisit();
    if (keyFired(kKeyF4)) resetVisitTimer();
    if (keyFired(kKeyI)) departNow();
}

}  // namespace tw
