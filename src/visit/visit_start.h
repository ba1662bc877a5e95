// Bringing the visitors to the ranch.
#pragma once

#include "frame/types.h"

namespace tw {

void startVisit();
Vec3 pickArrivalPosition();
Handle spawnPed(Hash model, Vec3 position);  // 0 on failure; for visitors and horses
void configureVisitorEntity(Handle entity);
Vec3 scatterAround(Vec3 centre);

}  // namespace tw
