// What mingw-w64's headers (version 10) lack and the window's controls need: the
// DWM attributes of Windows 11 for the suggestion popup's corners and border.
// Values are those of the Windows SDK; older systems refuse them harmlessly.
#pragma once
#include <windows.h>

constexpr DWORD kDwmWindowCornerPreference = 33;   // DWMWA_WINDOW_CORNER_PREFERENCE: DWORD
constexpr DWORD kDwmBorderColor = 34;              // DWMWA_BORDER_COLOR: COLORREF
constexpr DWORD kDwmCornerRound = 2;               // DWMWCP_ROUND
