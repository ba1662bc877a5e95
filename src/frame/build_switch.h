// Which build this is: the developer build turns on the overlay and the hotkeys.
#pragma once

namespace tw {

// Developer switch for the overlay and the hotkeys; set by the build.
extern bool debugMode;

}  // namespace tw
