// Sending visitors away and removing them.
#pragma once

#include "frame/types.h"
#include "visit/visitor_state.h"

namespace tw {

// Game time after its departure began that a visitor is removed wherever it is.
inline constexpr int32_t kDepartureLimitMs = 300000;

void beginDeparture(VisitorState& v);
void updateDeparture(VisitorState& v);
void resetVisitor(VisitorState& v);
void deleteEntity(Handle& entity);

}  // namespace tw
