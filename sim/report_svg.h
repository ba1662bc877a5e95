// The run's two pictures: a map of the ranch with the paths the visitors walked, and a
// timeline with one row per visitor and horse. Plain SVG, no scripts, valid XML.
#pragma once

#include <string>
#include <vector>

#include "recorder.h"

namespace sim {

// overlay: the developer overlay's texts of the last frame (empty when it was off).
std::string mapSvg(const Recorder& rec, const std::vector<host::DrawnText>& overlay, const std::string& title);
std::string timelineSvg(const Recorder& rec, int32_t endTime, const std::string& title);

}  // namespace sim
