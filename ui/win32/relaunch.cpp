#include "ui/win32/relaunch.h"
#include <shellapi.h>

namespace {
const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
}

bool runElevated(HWND owner, std::u16string_view executable, std::u16string_view parameters) {
  std::u16string file(executable), arguments(parameters);
  SHELLEXECUTEINFOW info = {sizeof info};
  info.fMask = SEE_MASK_NOASYNC;
  info.hwnd = owner;
  info.lpVerb = L"runas";
  info.lpFile = wide(file);
  info.lpParameters = wide(arguments);
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != FALSE;
}

std::u16string runningExecutablePath() {
  std::u16string path(260, u'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path.data()), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);   // cut off: a long path
  }
}

void registerRestartCommandLine(std::u16string_view commandLine) {
  std::u16string line(commandLine);
  RegisterApplicationRestart(wide(line), RESTART_NO_CRASH | RESTART_NO_HANG);
}
