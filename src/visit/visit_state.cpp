#include "visit/visit_state.h"

namespace tw {

VisitState visit;

}  // namespace tw
