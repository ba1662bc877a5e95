#include "behaviour/behaviour_controller.h"

namespace tw {

Handle householdAbigail = 0;
Handle householdUncle = 0;
Handle householdJack = 0;
GameTime householdSearchTime = 0;

void updateVisitor(VisitorState&, bool) {}
void chooseActivity(VisitorState&, bool) {}
void refreshHousehold(GameTime) {}

}  // namespace tw
