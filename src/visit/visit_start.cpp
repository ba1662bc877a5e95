#include "visit/visit_start.h"

namespace tw {

void startVisit() {}
Vec3 pickArrivalPosition() { return {}; }
Handle spawnPed(Hash, Vec3) { return 0; }
void configureVisitorEntity(Handle) {}
Vec3 scatterAround(Vec3 centre) { return centre; }

}  // namespace tw
