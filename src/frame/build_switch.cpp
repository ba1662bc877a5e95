#include "frame/build_switch.h"

#ifndef TAMBERWICK_DEBUG_MODE
#define TAMBERWICK_DEBUG_MODE 0
#endif

namespace tw {

bool debugMode = TAMBERWICK_DEBUG_MODE != 0;

}  // namespace tw
