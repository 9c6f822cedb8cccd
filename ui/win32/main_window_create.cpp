// Making the main window: the record, the class and the hidden window, the child
// controls and timers of WM_CREATE, the system menu, and the window placement
// read at start and saved at the end.
//
// Threading: the window thread (which is the start-up thread).
#include "config/language.h"
#include "config/settings.h"
#include "config/window_placement.h"
#include "platform/system_folders.h"
#include "render/scale.h"
#include "render/win32/text.h"
#include "ui/win32/accessible_main_window.h"
#include "ui/win32/address_field.h"
#include "ui/win32/main_window.h"
#include "update/update_config.h"
#include <commctrl.h>

namespace {

const wchar_t* wide(std::u16string_view text) { return reinterpret_cast<const wchar_t*>(text.data()); }


// The system menu: its commands run what the sidebar's buttons run.
void addSystemMenuItems(HWND window) {
  GetSystemMenu(window, TRUE);   // start from the system's own menu
  HMENU menu = GetSystemMenu(window, FALSE);
  if (!menu) return;
  std::u16string about(text(Text::AboutMossbloomF1)), exportItem(text(Text::ExportAsCSVWizTreeFormat)),
      settings(text(Text::Settings_202));
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, 16, wide(about));
  AppendMenuW(menu, MF_STRING | MF_GRAYED, 48, wide(exportItem));
  AppendMenuW(menu, MF_STRING, 64, wide(settings));
}

void createEdits(MainWindow& w) {
  for (int i = 0; i < 4; i++) {
    // The address edit appears only when the address bar is clicked.
    DWORD style = WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL | (i < 3 ? WS_VISIBLE : 0);
    w.edits[i] = CreateWindowExW(0, L"EDIT", L"", style, 0, 0, 0, 0, w.window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSearchEditId + i)), w.instance, nullptr);
  }
}

// The view state the window starts from: the settings in force, what the system says.
void seedViewState(MainWindow& w) {
  ViewState& s = w.state;
  const ProgramSettings& p = w.settings;
  s.facts.isAdministrator = p.isAdministrator != 0;
  s.facts.policies = p.policies;
  s.facts.version = kShownVersion;
  s.facts.testInput = w.testInput;
  BOOL animations = TRUE;
  if (SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &animations, 0)) s.facts.animationsOn = animations != FALSE;
  s.facts.dragWidth = GetSystemMetrics(SM_CXDRAG);
  s.facts.dragHeight = GetSystemMetrics(SM_CYDRAG);
  // Never marked as a whole: the system's and the program's folders, the executable
  // and the folder of the settings file.
  s.facts.protectedFolders = systemFoldersToProtect();
  const std::u16string& settingsFile = p.location.file;
  if (size_t cut = settingsFile.find_last_of(u'\\'); cut != std::u16string::npos && cut > 0)
    s.facts.protectedFolders.push_back(settingsFile.substr(0, cut));
  s.settings.scanMode = p.scanMode;
  s.settings.sizeMode = p.sizeMode;
  s.settings.sizeUnits = p.sizeUnits;
  s.settings.sidebarWidth = p.sidebarWidth;
  s.settings.performancePanel = static_cast<PerformancePanel>(p.performancePanel);
  s.settings.elevateAtStart = p.elevateAtStart != 0;
  // Empty means never asked; any number is an answer.
  std::u16string autoCheck = readTextSetting(p.location, kSettingsSection, kAutoUpdateCheckKey);
  s.settings.autoUpdateCheck = autoCheck.empty() ? -1 : readIntSetting(p.location, kAutoUpdateCheckKey) == 1 ? 1 : 0;
  s.performance.memory = memoryCounters();
}

}  // namespace

MainWindow* newMainWindow() {
  MainWindow* w = new MainWindow;
  w->handOver.receiver = &w->scanDone;
  w->renderStart.resources = &w->resources;
  attachMainPaint(w->paint, w->resources, GetModuleHandleW(nullptr));
  return w;
}

HWND createMainWindow(MainWindow& w) {
  UINT systemDpi = GetDpiForSystem();
  WNDCLASSEXW windowClass = {sizeof windowClass};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = mainWindowProcedure;
  windowClass.hInstance = w.instance;
  windowClass.hIcon = static_cast<HICON>(LoadImageW(w.instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(w.instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kMainWindowClass;
  if (!RegisterClassExW(&windowClass)) return nullptr;

  RECT work = {0, 0, 1280, 820};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int32_t workWidth = work.right - work.left, workHeight = work.bottom - work.top;
  int32_t width = std::min(scaleDip(1280, systemDpi), workWidth);
  int32_t height = std::min(scaleDip(820, systemDpi), workHeight);
  int32_t left = work.left + (workWidth - width) / 2, top = work.top + (workHeight - height) / 2;
  DWORD exStyle = w.testInput ? WS_EX_NOACTIVATE | WS_EX_APPWINDOW : 0;
  return CreateWindowExW(exStyle, kMainWindowClass, L"Mossbloom", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, left, top,
                         width, height, nullptr, nullptr, w.instance, &w);
}

int32_t restoreWindowPlacement(MainWindow& w, int32_t showCommand) {
  WindowPlacementText saved = parseWindowPlacement(readTextSetting(w.settings.location, kSettingsSection, kWindowKey));
  if (!isUsablePlacement(saved)) return showCommand;
  RECT rect = {saved.left, saved.top, saved.right, saved.bottom};
  if (!MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) return showCommand;
  WINDOWPLACEMENT placement = {sizeof placement};
  if (!GetWindowPlacement(w.window, &placement)) return showCommand;
  placement.flags = 0;
  // The window stays hidden until Direct2D has started: a shown placement would show it now.
  placement.showCmd = SW_HIDE;
  placement.rcNormalPosition = rect;
  SetWindowPlacement(w.window, &placement);
  return showCommand == SW_SHOWNORMAL && saved.maximised ? SW_SHOWMAXIMIZED : showCommand;
}

void saveWindowPlacement(MainWindow& w) {
  WINDOWPLACEMENT placement = {sizeof placement};
  if (!GetWindowPlacement(w.window, &placement)) return;
  const RECT& r = placement.rcNormalPosition;
  saveSetting(w, kSettingsSection, kWindowKey,
              formatWindowPlacement(r.left, r.top, r.right, r.bottom, placement.showCmd == SW_SHOWMAXIMIZED));
}

void registerStartInput(MainWindow& w) {
  RAWINPUTDEVICE devices[2] = {{1, 2, RIDEV_INPUTSINK, w.window}, {1, 6, RIDEV_INPUTSINK, w.window}};
  RegisterRawInputDevices(devices, 2, sizeof devices[0]);
}

void onCreate(MainWindow& w) {
  w.scanDone.window = w.window;
  w.renderStart.window = w.window;
  w.state.dpi = static_cast<int32_t>(GetDpiForWindow(w.window));
  setProgramDpi(static_cast<uint32_t>(w.state.dpi));
  createTextStyles(programTextStyles(), programDpi());
  seedViewState(w);
  applyLavaTestSwitches(w);
  createTooltip(w);
  applyTheme(w);
  createEdits(w);
  setupFilterEdits(w);
  attachAddressField(w);
  for (int i = 0; i < 4; i++)
    SendMessageW(w.edits[i], WM_SETFONT,
                 reinterpret_cast<WPARAM>(textStyleFont(programTextStyles(), i < 3 ? TextStyle::Body : TextStyle::LargeTitle)),
                 FALSE);
  nameEditFields(w);
  SetTimer(w.window, kMemoryTimer, 1000, nullptr);
  SetTimer(w.window, kUpdateTimer, 3000, nullptr);
  addSystemMenuItems(w.window);
}
