// F1: the player's position and heading to the clipboard, or to player_coords.txt.
#pragma once

#include <cstdio>
#include <string>

#include "frame/types.h"

namespace tw {

// The file F1 writes in the game folder when the clipboard cannot take the text.
inline constexpr const char* kCoordsFile = "player_coords.txt";

// The clipboard's text: "x, y, z, H: heading".
inline std::string formatClipboardText(Vec3 position, float heading) {
    // Longest reading: four values near the float maximum, about 200 characters.
    char text[256];
    std::snprintf(text, sizeof text, "%.6f, %.6f, %.6f, H: %.3f", static_cast<double>(position.x),
                  static_cast<double>(position.y), static_cast<double>(position.z), static_cast<double>(heading));
    return text;
}

// The file's line, without its line end: "X: x, Y: y, Z: z, H: heading".
inline std::string formatCoordsFileText(Vec3 position, float heading) {
    char text[256];
    std::snprintf(text, sizeof text, "X: %.6f, Y: %.6f, Z: %.6f, H: %.3f", static_cast<double>(position.x),
                  static_cast<double>(position.y), static_cast<double>(position.z), static_cast<double>(heading));
    return text;
}

void captureCoordinates();
// Writes text and a line end (the file is opened as text: "\r\n" on Windows). False, with the
// error on screen, when the text did not reach the file whole.
bool writeCoordsFile(const char* text);

}  // namespace tw
