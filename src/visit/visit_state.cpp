#include "visit/visit_state.h"

namespace tw {

bool visitActive = false;
GameTime visitStartTime = 0;
GameTime lastVisitEndTime = 0;
VisitType visitType = VisitType::Both;
bool startFailed = false;
GameTime failedStartTime = 0;

}  // namespace tw
