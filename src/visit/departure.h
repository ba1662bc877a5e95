// Sending visitors away, removing them, and ending the visit.
#pragma once

#include "frame/types.h"
#include "visit/visitor_state.h"

namespace tw {

void beginDeparture(VisitorState& v);
void updateDeparture(VisitorState& v);
void resetVisitor(VisitorState& v);
void deleteEntity(Handle& entity);
// Deletes the scenario point the visitor made for itself, if any, and forgets it.
void deleteCreatedPoint(VisitorState& v);
void endVisit();

}  // namespace tw
