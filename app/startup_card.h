// The start-up card: a card shown over the main window while it starts. Until the
// cards exist these are the two named points where the normal start calls them.
//
// Threading: the start-up thread.
#pragma once

// Prepares the card off-screen on a thread of its own (before the window exists).
void prepareStartupCard();
// Shows it over the new, still hidden main window.
void showStartupCard(void* mainWindow);
