// Settings, policies and the theme as the window applies them while it runs:
// each changed setting written at once, the policy reload on the system's
// broadcast, the theme, the restart command line and the relaunch for the fast scan.
//
// Threading: the window thread.
#include "config/language.h"
#include "config/policy_change.h"
#include "config/settings.h"
#include "render/win32/system_theme.h"
#include "ui/relaunch.h"
#include "ui/scan_lifecycle.h"
#include "ui/win32/main_window.h"
#include "ui/win32/relaunch.h"

void saveSetting(MainWindow& w, std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  writeTextSetting(w.settings.location, section, key, value);
}

void applyTheme(MainWindow& w) {
  setCurrentTheme(computeSystemTheme(w.themeOverride, w.accentIndex));
  applyThemeToWindow(w.window, currentTheme());
  w.state.mapStale = true;   // the map's background follows the theme
  InvalidateRect(w.window, nullptr, FALSE);
}

void onPolicyChange(MainWindow& w) {
  ViewState& s = w.state;
  PolicyChange change = reloadPolicies(w.settings);
  s.facts.policies = w.settings.policies;
  s.settings.scanMode = w.settings.scanMode;
  s.settings.sizeMode = w.settings.sizeMode;
  SetPropW(w.window, L"Mossbloom.PolicyGen", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(change.generation)));
  // Marking is not built yet: a DisableDelete that appears finds no marks to clear.
  if (change.sizeModeChanged) applyFilters(w);
  if (change.changed) showNoticeNow(w, NoticeKind::Managed, text(Text::YourOrganizationUpdatedMossbloomsSettings));
  else relayout(w);
  repaint(w);
}

void registerRestart(MainWindow& w, std::u16string_view folder) {
  const ViewState& s = w.state;
  std::u16string csv;
  if (s.scan.driveIndex >= 0 && s.scan.driveIndex < static_cast<int32_t>(s.drives.size()))
    csv = s.drives[s.scan.driveIndex].csvPath;
  registerRestartCommandLine(restartCommandLine(s.facts.isAdministrator, csv, csv.empty() ? folder : u""));
}

void relaunchForFastScan(MainWindow& w) {
  const ViewState& s = w.state;
  // The elevated copy starts in fast-scan mode.
  std::u16string previous = readTextSetting(w.settings.location, kSettingsSection, kScanModeKey, u"Mft");
  saveSetting(w, kSettingsSection, kScanModeKey, u"Mft");
  if (w.noElevate) {
    SetPropW(w.window, L"Mossbloom.Relaunch", reinterpret_cast<HANDLE>(1));
    return;
  }
  std::u16string folder;
  char16_t letter = 0;
  if (s.scan.driveIndex >= 0 && s.scan.driveIndex < static_cast<int32_t>(s.drives.size())) {
    letter = s.drives[s.scan.driveIndex].letter;
    if (s.drives[s.scan.driveIndex].csvPath.empty()) folder = s.scan.rootPath;
  } else {
    folder = s.scan.rootPath;
  }
  if (runElevated(w.window, runningExecutablePath(), fastScanRelaunchParameters(folder, letter))) {
    DestroyWindow(w.window);
    return;
  }
  // Declined or failed: the program stays as it was.
  saveSetting(w, kSettingsSection, kScanModeKey, previous);
}
