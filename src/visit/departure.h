// Sending visitors away and removing them.
#pragma once

#include "frame/types.h"
#include "visit/visitor_state.h"

namespace tw {

void beginDeparture(VisitorState& v);
void updateDeparture(VisitorState& v);
void resetVisitor(VisitorState& v);
void deleteEntity(Handle& entity);

}  // namespace tw
