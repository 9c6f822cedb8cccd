// Threading: the window thread.
#include "ui/win32/drive_list.h"

#include "ui/drive_text.h"
#include "ui/win32/main_window.h"
#include <string>

void publishDriveTexts(MainWindow& w) {
  if (!w.testInput) return;
  const ViewState& s = w.state;
  SetPropW(w.window, L"MossbloomTest.DriveCount", reinterpret_cast<HANDLE>(static_cast<intptr_t>(s.drives.size())));
  for (size_t i = 0; i < s.drives.size(); i++) {
    std::wstring name = L"MossbloomTest.Drive" + std::to_wstring(i);
    publishTestText(w.window, name.c_str(), driveTitle(s.drives[i]) + u"\t" + driveDetail(s, s.drives[i]));
  }
}
