// The developer overlay: the visit system's state drawn on screen while debugMode is on.
#pragma once

#include <cstdint>

namespace tw {

void drawOverlay();
// Forgets the texts kept for the host from the last passes.
void resetOverlay();
void drawText(const char* text, float x, float y, float scale, int32_t r, int32_t g, int32_t b);
void drawLine(const char* text, float y, float scale, int32_t r, int32_t g, int32_t b);

}  // namespace tw
