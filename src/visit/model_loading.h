// Waiting, frame by frame, for the host to load a model the plug-in creates from.
#pragma once

#include <cstdint>

#include "frame/types.h"

namespace tw {

// A model the host never loads must not freeze the script: a wait gives up after this much
// game time, and the caller tries again later.
inline constexpr int32_t kModelLoadLimitMs = 5000;

// How one kind of caller asks for a model. The fixtures and the visitors ask a little
// differently, and the host sees each way exactly as it always has.
struct ModelWait {
    bool loadedIsEnough;   // ask first whether it is loaded, and request nothing if it is
    bool requestFlag;      // second argument of streamingRequestModel
    bool timerBeforeWait;  // read the timer before each frame's wait, rather than after it
};

inline constexpr ModelWait kFixtureModelWait{true, false, true};   // bedrolls
inline constexpr ModelWait kVisitorModelWait{false, true, false};  // visitors and horses

// Requests the model and waits until it has loaded (true) or kModelLoadLimitMs of game time
// have passed (false). Yields. Releases nothing: the caller releases the model.
bool waitForModel(Hash model, ModelWait how);

}  // namespace tw
