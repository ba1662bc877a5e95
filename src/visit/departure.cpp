#include "visit/departure.h"

namespace tw {

void beginDeparture(VisitorState&) {}
void updateDeparture(VisitorState&) {}
void resetVisitor(VisitorState&) {}
void deleteEntity(Handle& entity) { entity = 0; }
void endVisit() {}

}  // namespace tw
