// F1: the player's position and heading to the clipboard, or to player_coords.txt.
#pragma once

#include <string>

#include "frame/types.h"

namespace tw {

void captureCoordinates();
std::string formatClipboardText(Vec3 position, float heading);
// False, with the error on screen, when the text did not reach the file whole.
bool writeCoordsFile(const char* text);

}  // namespace tw
