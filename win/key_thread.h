// Keyboard events from a thread of their own, as the real host's input thread delivers them
// while the script runs on the game's.
#pragma once

#include <windows.h>

#include <cstdint>

namespace win {

struct KeyThread {
    HANDLE thread = nullptr;
    HANDLE request = nullptr;  // auto-reset: a key is waiting in code/trigger
    HANDLE done = nullptr;     // auto-reset: the key was delivered
    volatile uint32_t code = 0;
    volatile int32_t trigger = 0;
    volatile LONG burst = 0;  // non-zero: deliver events of mixed codes until it is cleared
    volatile LONG burstEvents = 0;
    volatile LONG stop = 0;

    void start();
    // Delivers one key on the input thread and waits until it is in.
    void send(uint32_t keyCode, int32_t triggerFlag = 1);
    // Starts a stream of events; the caller keeps running frames meanwhile.
    void startBurst();
    // Ends the stream; false if the input thread did not come back.
    bool endBurst();
    void finish();
};

// The driver's one input thread, started and finished by main.
extern KeyThread keys;

}  // namespace win
