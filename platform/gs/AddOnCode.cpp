#include "gs/AddOnCode.h"

namespace GS {

namespace {
thread_local bool addOnRunning = false;
}

bool AddOnCodeRunning() {
    return addOnRunning;
}

AddOnCodeScope::AddOnCodeScope(bool addOn) : previous(addOnRunning) {
    addOnRunning = addOn;
}

AddOnCodeScope::~AddOnCodeScope() {
    addOnRunning = previous;
}

} // namespace GS
