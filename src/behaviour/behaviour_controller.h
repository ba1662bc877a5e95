// The per-pass brain of one visitor.
#pragma once

#include "frame/types.h"
#include "visit/visitor_state.h"

namespace tw {

void updateVisitor(VisitorState& v, bool isCharles);
void chooseActivity(VisitorState& v, bool isCharles);

}  // namespace tw
