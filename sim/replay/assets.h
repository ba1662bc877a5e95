// The replay page's HTML frame, styles and script, built into the simulator from the files
// beside this one (embed.cmake).
#pragma once

namespace sim::replay {

extern const char kPageHtml[];  // page.html: {{title}}, {{style}}, {{data}} and {{script}} mark the parts
extern const char kStyle[];     // replay.css
extern const char kScript[];    // replay.js

}  // namespace sim::replay
