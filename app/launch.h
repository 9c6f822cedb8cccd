// How the process was started.
#pragma once

// Whether the user's last keyboard or mouse input came no earlier than 3 s
// before this process was created (true when that cannot be told): the main
// window then takes the foreground at its first show.
bool wasLaunchedInteractively();
