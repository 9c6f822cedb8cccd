#include "app/launch.h"

// No input history to ask natively: count every start as the user's own.
bool wasLaunchedInteractively() { return true; }
