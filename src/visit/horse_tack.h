// A random saddle for each visitor's horse.
#pragma once

#include "frame/types.h"

namespace tw {

void applyRandomSaddle(Handle horse);

}  // namespace tw
