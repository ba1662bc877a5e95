#include "visit/visitor_state.h"

namespace tw {

VisitorState sadie;
VisitorState charles;

IntervalTimer sadieHouseholdGreeting{0, 600000};
IntervalTimer charlesHouseholdGreeting{0, 600000};
IntervalTimer sadieCampSong{0, 300000};
IntervalTimer charlesCampSong{0, 300000};

GameTime sadieLastChoreTime = -1800000;
GameTime charlesLastChoreTime = -1800000;

}  // namespace tw
