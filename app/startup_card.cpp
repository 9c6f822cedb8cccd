#include "app/startup_card.h"

void prepareStartupCard() {}

void showStartupCard(void*) {}
