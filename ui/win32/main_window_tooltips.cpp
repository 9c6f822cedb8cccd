// The main window's tooltip control: seven tools whose rectangles the layout
// sets and whose texts are asked for when a tip shows (ui/tooltip_text.h).
//
// Threading: the window thread.
#include "platform/text.h"
#include "render/scale.h"
#include "ui/tooltip_text.h"
#include "ui/win32/main_window.h"
#include <commctrl.h>

void createTooltip(MainWindow& w) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  w.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0,
                              0, 0, w.window, nullptr, w.instance, nullptr);
  if (!w.tooltip) return;
  for (UINT_PTR id = 1; id < kTooltipCount; id++) {
    TTTOOLINFOW tool = {sizeof tool};
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = w.window;
    tool.uId = id;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(w.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SendMessageW(w.tooltip, TTM_SETMAXTIPWIDTH, 0, scaleDip(360, static_cast<uint32_t>(w.state.dpi)));
  SendMessageW(w.tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
}

void placeTooltipTools(MainWindow& w) {
  if (!w.tooltip) return;
  for (UINT_PTR id = 1; id < kTooltipCount; id++) {
    const PixelRect& r = w.layout.tooltips[id];
    TTTOOLINFOW tool = {sizeof tool};
    tool.hwnd = w.window;
    tool.uId = id;
    tool.rect = {r.left, r.top, r.right, r.bottom};
    SendMessageW(w.tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

LRESULT answerTooltipText(MainWindow& w, LPARAM lParam) {
  auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
  int32_t tool = static_cast<int32_t>(info->hdr.idFrom);
  refreshInputs(w);
  // Kept until the next request: the control reads it after this returns.
  w.tipText = tooltipText(w.state, tool, systemErrorText);
  SendMessageW(w.tooltip, TTM_SETMAXTIPWIDTH, 0, scaleDip(tooltipMaxWidth(tool), static_cast<uint32_t>(w.state.dpi)));
  info->lpszText = reinterpret_cast<wchar_t*>(w.tipText.data());
  info->hinst = nullptr;
  return 0;
}
