#include "behaviour/night_sleep.h"

namespace tw {

void updateNight(VisitorState&, bool) {}
void checkCampSong(VisitorState&, IntervalTimer&, bool) {}

}  // namespace tw
