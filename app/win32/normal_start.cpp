// The normal start on Windows, in its fixed order: start settings, the options
// pass, the language, the target, DPI awareness and the render-start thread,
// COM and the administrator check, the administrator start, the remaining
// settings and the drives, the main window, its placement, the start notices,
// the restart registration, the scan request, and the message loop.
//
// Threading: the process's first thread, which becomes the window thread. The
// render-start thread waits for the window-created event before it touches the
// window; the event is signalled right after the window exists.
#include "app/normal_start.h"
#include "app/start_options.h"
#include "app/startup_card.h"
#include "app/previous_version.h"
#include "platform/process.h"
#include "config/language.h"
#include "config/start_settings.h"
#include "config/text_format.h"
#include "engine/drives.h"
#include "engine/tree.h"
#include "treemap/schemes.h"
#include "ui/relaunch.h"
#include "ui/win32/main_window.h"
#include "ui/win32/relaunch.h"
#include <objbase.h>

namespace {

// Tests of the paths a standard user takes run under Wine, which always reports
// an administrator. In test-input mode only, this variable makes the check answer
// "standard user"; outside it the variable means nothing.
constexpr wchar_t kStandardUserSwitch[] = L"MOSSBLOOM_TEST_STANDARD_USER";

bool administratorForThisRun(bool testInput) {
  if (testInput) {
    wchar_t value[8] = {};
    DWORD length = GetEnvironmentVariableW(kStandardUserSwitch, value, 8);
    if (length > 0 && length < 8 && value[0] == L'1') return false;
  }
  return isAdministrator();
}

// Out of memory during a scan, for the tests of the window's notice: in test-input
// mode only, this variable caps the address space a tree may reserve (bytes).
constexpr wchar_t kTreeReservationSwitch[] = L"MOSSBLOOM_TEST_TREE_RESERVATION";

void applyTestReservationLimit() {
  wchar_t value[32] = {};
  DWORD length = GetEnvironmentVariableW(kTreeReservationSwitch, value, 32);
  if (length > 0 && length < 32) setTreeReservationLimitForTesting(_wcstoui64(value, nullptr, 10));
}

// The last published version the update flow knows from its cached manifest; the
// update flow fills this in when it comes (until then nothing was published).
std::u16string lastKnownPublishedVersion(const SettingsLocation&) { return {}; }

void postScanTarget(HWND window, const ScanTarget& target, const std::vector<DriveEntry>& drives) {
  int32_t index = -1;
  if (target.drive)
    for (size_t i = 0; i < drives.size(); i++)
      if (drives[i].letter == target.drive) index = static_cast<int32_t>(i);
  if (!target.folder.empty()) {
    auto* request = new ScanRequestText{target.folder};
    if (!PostMessageW(window, kScanRequestMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(request)))
      delete request;
  } else if (index >= 0) {
    PostMessageW(window, kScanRequestMessage, static_cast<WPARAM>(index), 0);
  }
}

}  // namespace

int runNormalStart(std::span<const std::u16string> args, const ProcessStart& process, ProgramSettings& settings) {
  const SettingsLocation& where = settings.location;
  // 1. What the update flow last saw published.
  std::u16string publishedVersion = lastKnownPublishedVersion(where);

  // 2-5. Start settings, the options that override them, the language, the target.
  bool splash = readStartFlag(where, kSplashKey, true);
  StartOptions options = readStartOptions(args);
  const int32_t accentIndex =
      options.accentIndex.value_or(accentIndexFromName(readTextSetting(where, kSettingsSection, kAccentKey)));
  const int32_t mapScheme =
      options.mapScheme.value_or(mapSchemeFromName(readTextSetting(where, kSettingsSection, kMapSchemeKey)));
  loadLanguage(options.testInput ? u"en" : readTextSetting(where, kSettingsSection, kLanguageKey));
  StartTarget start = findStartTarget(args, options.importPath);

  // 6. DPI, and Direct2D brought up on its own thread while the rest goes on.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  HANDLE windowCreated = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!windowCreated) failOutOfMemory();
  MainWindow* w = newMainWindow();
  w->renderThread = startRenderStart({windowCreated, &w->renderStart, where.directory});
  if (!w->renderThread.handle) failOutOfMemory();

  // 7. The start-up card.
  const bool startupCard = splash && !options.noSplash;
  if (startupCard) prepareStartupCard();

  // 8. COM, the administrator check and the modes that depend on it.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  settings.isAdministrator = administratorForThisRun(options.testInput);
  if (options.testInput) applyTestReservationLimit();
  applyModeSettings(settings);
  settings.elevateAtStart = readStartFlag(where, kElevateKey, false);

  // 9. The administrator start: a new, elevated copy takes over.
  const bool administratorStart = administratorStartWanted(
      settings.elevateAtStart != 0, options.elevate, fastScanState(settings.policies, settings.isAdministrator != 0));
  if (administratorStart && !options.noElevate && !options.testInput &&
      runElevated(nullptr, runningExecutablePath(), administratorStartParameters(startupCard, start.target.folder)))
    return 0;   // declined or failed: a normal start goes on

  // 10. The remaining settings, the drives, the memory at start.
  readViewSettings(settings);
  std::vector<DriveEntry> drives = enumerateDrives(options.importPath);
  const MemoryCounters startMemory = memoryCounters();

  // 11. The window, created hidden; it shows itself once Direct2D has started.
  w->instance = static_cast<HINSTANCE>(process.instance);
  w->testInput = options.testInput;
  w->activate = options.activate;
  w->noElevate = options.noElevate;
  w->launchedInteractively = wasLaunchedInteractively();
  w->themeOverride = options.theme;
  w->accentIndex = accentIndex;
  w->importPath = options.importPath;
  w->settings = settings;
  w->state.drives = drives;
  w->state.performance.memory = startMemory;
  w->state.mapScheme = mapScheme;
  HWND window = createMainWindow(*w);
  if (!window) failOutOfMemory();
  SetEvent(windowCreated);
  if (administratorStart && (options.noElevate || options.testInput))
    SetPropW(window, L"Mossbloom.Elevate", reinterpret_cast<HANDLE>(1));
  registerStartInput(*w);

  // 12. The saved placement; SW_SHOWDEFAULT (a start without a show command) is a normal show.
  int32_t showCommand = process.showCommand == SW_SHOWDEFAULT ? SW_SHOWNORMAL : process.showCommand;
  w->showCommand = restoreWindowPlacement(*w, showCommand);
  if (startupCard) showStartupCard(window);

  // 13. Notices, and the executable an update left behind.
  if (!start.error.empty())
    showStartNotice(*w, NoticeKind::Error, start.error);
  else if (options.updated && !publishedVersion.empty())
    showStartNotice(*w, NoticeKind::Information, formatText(text(Text::MossbloomWasUpdatedTo), {publishedVersion}));
  std::u16string executable = runningExecutablePath();
  if (options.updated) {
    // Nobody joins it: the process may end while it still waits.
    Thread cleanup = startPreviousVersionCleanup(options.updatedProcessId, executable);
    forgetThread(cleanup);
  } else {
    deletePreviousVersion(executable);
  }

  // 14-15. The restart line, then the scan the command line asked for.
  registerRestartCommandLine(restartCommandLine(settings.isAdministrator != 0, options.importPath, u""));
  if (start.error.empty()) postScanTarget(window, start.target, drives);

  // 16. The message loop, until the window is gone.
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  CloseHandle(windowCreated);
  return 0;
}
