#include "key_thread.h"

#include <iterator>

#include "frame/key_state.h"
#include "host_driver.h"

namespace win {

KeyThread keys;

namespace {

// Codes the host may send that the plug-in has no record for, mixed with keys it does not use.
constexpr uint32_t kBurstCodes[] = {tw::kKeyCount, tw::kKeyCount + 1, 0x1000, 0xFFFFFFFFu, 0x20, 0x41, 0x7FFFFFFFu, 0};

DWORD WINAPI run(void* param) {
    auto* k = static_cast<KeyThread*>(param);
    for (;;) {
        WaitForSingleObject(k->request, INFINITE);
        if (k->stop) return 0;
        if (k->burst) {
            for (LONG i = 0; k->burst; ++i) {
                twhSendKey(kBurstCodes[static_cast<std::size_t>(i) % std::size(kBurstCodes)],
                           static_cast<int32_t>(i & 1));
                k->burstEvents = i + 1;
            }
        } else {
            twhSendKey(k->code, k->trigger);
        }
        SetEvent(k->done);
    }
}

}  // namespace

void KeyThread::start() {
    request = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    thread = CreateThread(nullptr, 0, &run, this, 0, nullptr);
}

void KeyThread::send(uint32_t keyCode, int32_t triggerFlag) {
    code = keyCode;
    trigger = triggerFlag;
    burst = 0;
    SetEvent(request);
    WaitForSingleObject(done, INFINITE);
}

void KeyThread::startBurst() {
    burstEvents = 0;
    burst = 1;
    SetEvent(request);
}

bool KeyThread::endBurst() {
    burst = 0;
    return WaitForSingleObject(done, 10000) == WAIT_OBJECT_0;
}

void KeyThread::finish() {
    stop = 1;
    SetEvent(request);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(request);
    CloseHandle(done);
}

}  // namespace win
