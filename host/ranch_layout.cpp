#include "ranch_layout.h"

namespace sim {

void ranchTick(World&) {}

}  // namespace sim
