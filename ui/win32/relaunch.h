// The system's side of starting the program again (the texts are ui/relaunch.h).
//
// Threading: the start-up thread and the window thread.
#pragma once
#include <windows.h>
#include <string>
#include <string_view>

// ShellExecuteExW with verb `runas`, SW_SHOWNORMAL, `executable` and `parameters`;
// `owner` may be null. False when the user declined or the start failed.
bool runElevated(HWND owner, std::u16string_view executable, std::u16string_view parameters);
// The running executable (GetModuleFileNameW, long paths included).
std::u16string runningExecutablePath();
// RegisterApplicationRestart with RESTART_NO_CRASH | RESTART_NO_HANG; a failure is
// ignored: the program runs on, it only would not come back after a Windows update.
void registerRestartCommandLine(std::u16string_view commandLine);
