#include "visit/visitor_state.h"

#include "frame/host_ops.h"

namespace tw {

std::array<Visitor, kVisitors.size()> visitors{};

void deleteCreatedPoint(VisitorState& v) {
    if (v.createdScenarioPoint == 0) return;
    if (scenarioPointExists(v.createdScenarioPoint)) scenarioPointDelete(v.createdScenarioPoint);
    v.createdScenarioPoint = 0;
}

}  // namespace tw
