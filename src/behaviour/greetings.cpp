#include <initializer_list>

#include "behaviour/greetings.h"

namespace tw {

PlayerGreetingState sadieGreeting;
PlayerGreetingState charlesGreeting;

void clearPlayerGreetings() {
    for (PlayerGreetingState* s : {&sadieGreeting, &charlesGreeting}) {
        s->cooldownActive = false;
        s->cooldownStart = 0;
        s->greeted = false;
        s->greetedTime = 0;
    }
}

void updatePlayerGreetings(Handle, Handle) {}
void greetHousehold(Handle, IntervalTimer&, bool, GameTime, Handle, Handle, Handle) {}
void speakLine(Handle, const char*) {}
const char* chooseGreetingResponse(bool) { return nullptr; }
void faceEachOther(Handle, Handle) {}
bool hasClearLineOfSight(Handle, Handle) { return false; }

}  // namespace tw
