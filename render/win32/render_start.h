// Bringing Direct2D up for the main window on a thread of its own, so that the
// window thread never waits for a driver: up to three tries 200 ms apart
// (current device, rebuilt device, WARP), one line in mossbloom.log per failed
// try, then the start message to the window with success or failure.
//
// Threading: the start thread writes RenderStartShared's results and then posts
// kRendererStartedMessage; the window thread reads them on that message, after
// which it owns the main window's resources. The start thread touches no window
// other than creating the target's swap chain for it.
#pragma once
#include "platform/platform.h"
#include "render/win32/window_target.h"
#include <string>

constexpr UINT kRendererStartedMessage = WM_APP + 9;   // wParam: non-zero when Direct2D is ready

struct RenderStartShared {
  // Set by the window thread before it signals the window-created event.
  HWND window = nullptr;
  DeviceBoundResources* resources = nullptr;   // the main window's; its target is made here
  // Written by the start thread before it posts the start message.
  bool succeeded = false;
  RenderFailure failure;    // the last try's, when it failed
  int32_t failedTries = 0;
  double waitMs = 0;        // until the main window existed
  double bringUpMs = 0;     // the tries themselves
};

struct RenderStartRequest {
  HANDLE windowCreated = nullptr;   // manual-reset event, owned by the caller
  RenderStartShared* shared = nullptr;
  std::u16string settingsDirectory; // mossbloom.log goes there
};

// The thread body: waits for the window, runs the tries, posts the message.
uint32_t runRenderStart(const RenderStartRequest& request);
// Starts runRenderStart on a thread of its own; the starter joins it after the message.
Thread startRenderStart(RenderStartRequest request);

// Appends one line (UTF-8) to <directory>\mossbloom.log and sends it to the
// debugger. The folder is created when missing; a log that cannot be opened is
// skipped without a word.
void appendStartLog(std::u16string_view directory, std::u16string_view line);
