#include "frame/key_state.h"

#include "frame/platform.h"

namespace tw {

std::array<KeyState, kKeyCount> keyStates;

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

}  // namespace tw
