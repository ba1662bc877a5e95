#include "behaviour/household.h"

#include <algorithm>

#include "frame/host_api.h"
#include "frame/host_ops.h"

namespace tw {

Handle householdAbigail = 0;
Handle householdUncle = 0;
Handle householdJack = 0;
GameTime householdSearchTime = 0;
Hash householdModelAbigail = 0;
Hash householdModelUncle = 0;
Hash householdModelJack = 0;

namespace {

constexpr int32_t kPedArrayCapacity = 1024;  // handles; the array lives on the fiber's stack

bool missingOrAlive(Handle h) { return h == 0 || exists(h); }

}  // namespace

void refreshHousehold(GameTime now) {
    const bool trusted = householdSearchTime != 0 && missingOrAlive(householdAbigail) &&
                         missingOrAlive(householdUncle) && missingOrAlive(householdJack) &&
                         elapsed(now, householdSearchTime) < householdSearchInterval;
    if (trusted) return;

    forgetHousehold();

    int32_t peds[kPedArrayCapacity] = {};  // zeroed: a host that claims more than it wrote yields no handles
    // The host's count is not trusted: never read past what the array holds.
    const int32_t count = std::clamp(worldGetAllPeds(peds, kPedArrayCapacity), 0, kPedArrayCapacity);
    for (int32_t i = 0; i < count; ++i) {
        const auto ped = static_cast<Handle>(peds[i]);
        if (!entityExists(ped)) continue;
        const Hash model = entityGetModel(ped);
        if (model == householdModelAbigail && householdAbigail == 0) {
            householdAbigail = ped;
        } else if (model == householdModelUncle && householdUncle == 0) {
            householdUncle = ped;
        } else if (model == householdModelJack && householdJack == 0) {
            householdJack = ped;
        }
        if (householdAbigail != 0 && householdUncle != 0 && householdJack != 0) break;
    }
    householdSearchTime = now;
}

void resetHousehold() {
    forgetHousehold();
    householdModelAbigail = householdModelUncle = householdModelJack = 0;
}

void forgetHousehold() {
    householdAbigail = 0;
    householdUncle = 0;
    householdJack = 0;
    householdSearchTime = 0;
}

}  // namespace tw
