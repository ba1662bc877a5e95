// Keyboard events as the host's keyboard callback reports them, and the developer hotkeys' keys.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace tw {

// One per virtual-key code. Written by the keyboard callback on the host's thread, read and
// cleared by the script fiber: both fields are atomics, relaxed, no lock.
struct KeyState {
    std::atomic<uint32_t> lastEventTick{0};  // GetTickCount() when the last event arrived
    std::atomic<int32_t> triggerFlag{0};     // last argument of that event; non-zero fires
};

inline constexpr uint32_t kKeyCount = 255;  // virtual-key codes 0 .. 254
extern std::array<KeyState, kKeyCount> keyStates;

inline constexpr uint32_t kKeyF1 = 0x70;
inline constexpr uint32_t kKeyF2 = 0x71;
inline constexpr uint32_t kKeyF3 = 0x72;
inline constexpr uint32_t kKeyF4 = 0x73;
inline constexpr uint32_t kKeyI = 0x49;

extern "C" void onKeyboardEvent(uint32_t keyCode, uint16_t repeats, uint8_t scanCode, int32_t isExtended,
                                int32_t isWithAlt, int32_t wasDownBefore, int32_t triggerFlag);

// True, consuming the record, when the key's last event fired within 100 ms of now.
bool keyFired(uint32_t keyCode);
bool keyFired(KeyState& record, uint32_t now);

}  // namespace tw
