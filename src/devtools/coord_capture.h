// F1: the player's position and heading to the clipboard, or to player_coords.txt.
#pragma once

#include <string>

#include "frame/types.h"

namespace tw {

void captureCoordinates();
std::string formatClipboardText(Vec3 position, float heading);
void writeCoordsFile(const char* text);

}  // namespace tw
