// The theme from the system: the app theme in the registry, the accent colour
// from WinRT's UISettings (loaded at run time: where it is missing, as in Wine,
// the default accent applies), and applying a theme to a window's title bar.
//
// Threading: the window thread (and once the start-up thread). The accent query
// needs COM on the calling thread; without it the query fails like any other.
#pragma once
#include "render/theme.h"
#include <windows.h>
#include <cstdint>

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// AppsUseLightTheme (REG_DWORD) under HKCU\<key>; true when missing or unreadable.
bool systemAppsUseLightTheme(const wchar_t* key = kPersonalizeKey);
// AccentLight2 in the dark theme, AccentDark1 in the light one; false on any failure.
bool systemAccentColor(bool dark, uint32_t& rgb);
// Both, as computeTheme takes them.
SystemTheme readSystemTheme(int32_t themeOverride);
// computeTheme over what the system says now.
Theme computeSystemTheme(int32_t themeOverride, int32_t accentIndex);

// The dark title bar and its colour (background), and the process's menus.
void applyThemeToWindow(HWND window, const Theme& theme);
// WM_SETTINGCHANGE with "ImmersiveColorSet": the app theme or the accent changed.
bool isThemeChange(UINT message, LPARAM lParam);
