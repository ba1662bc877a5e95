#include "visit/model_loading.h"

#include "frame/host_ops.h"

namespace tw {

bool waitForModel(Hash model, ModelWait how) {
    if (how.loadedIsEnough && streamingHasModelLoaded(model)) return true;
    streamingRequestModel(model, how.requestFlag);
    const GameTime start = gameGetTimer();
    for (;;) {
        if (streamingHasModelLoaded(model)) return true;
        if (how.timerBeforeWait && elapsed(gameGetTimer(), start) > kModelLoadLimitMs) return false;
        scriptWait(0);
        if (!how.timerBeforeWait && elapsed(gameGetTimer(), start) > kModelLoadLimitMs) return false;
    }
}

}  // namespace tw
