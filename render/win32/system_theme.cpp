#include "render/win32/system_theme.h"
#include "render/win32/render_declarations.h"
#include <dwmapi.h>

bool systemAppsUseLightTheme(const wchar_t* key) {
  DWORD value = 1, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, key, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS)
    return true;
  return value != 0;
}

bool systemAccentColor(bool dark, uint32_t& rgb) {
  HMODULE combase = GetModuleHandleW(L"combase.dll");
  if (!combase) combase = LoadLibraryExW(L"combase.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!combase) return false;
  auto activate = reinterpret_cast<RoActivateInstanceFunction>(
      reinterpret_cast<void*>(GetProcAddress(combase, "RoActivateInstance")));
  auto createString = reinterpret_cast<WindowsCreateStringFunction>(
      reinterpret_cast<void*>(GetProcAddress(combase, "WindowsCreateString")));
  auto deleteString = reinterpret_cast<WindowsDeleteStringFunction>(
      reinterpret_cast<void*>(GetProcAddress(combase, "WindowsDeleteString")));
  if (!activate || !createString || !deleteString) return false;
  HSTRING name = nullptr;
  if (FAILED(createString(kUISettingsClass, static_cast<UINT32>(wcslen(kUISettingsClass)), &name))) return false;
  IInspectable* instance = nullptr;
  HRESULT hr = activate(name, &instance);
  deleteString(name);
  if (FAILED(hr) || !instance) return false;
  IUISettings3* settings = nullptr;
  hr = instance->QueryInterface(kIIDUISettings3, reinterpret_cast<void**>(&settings));
  instance->Release();
  if (FAILED(hr) || !settings) return false;
  UIColor color = {};
  hr = settings->GetColorValue(dark ? UIColorType::AccentLight2 : UIColorType::AccentDark1, &color);
  settings->Release();
  if (FAILED(hr)) return false;
  rgb = static_cast<uint32_t>(color.r) << 16 | static_cast<uint32_t>(color.g) << 8 | color.b;
  return true;
}

SystemTheme readSystemTheme(int32_t themeOverride) {
  SystemTheme system;
  system.appsUseLightTheme = systemAppsUseLightTheme();
  bool dark = themeOverride == -1 ? !system.appsUseLightTheme : themeOverride == 1;
  system.accentKnown = systemAccentColor(dark, system.accent);
  return system;
}

Theme computeSystemTheme(int32_t themeOverride, int32_t accentIndex) {
  SystemTheme system = readSystemTheme(themeOverride);
  return computeTheme(themeOverride, accentIndex, system);
}

void applyThemeToWindow(HWND window, const Theme& theme) {
  BOOL dark = theme.dark;
  DwmSetWindowAttribute(window, kDwmUseImmersiveDarkMode, &dark, sizeof dark);
  uint32_t c = theme.colors.background;
  COLORREF caption = RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
  DwmSetWindowAttribute(window, kDwmCaptionColor, &caption, sizeof caption);
  // Undocumented exports of uxtheme, by ordinal: the preferred application mode
  // (2 dark, 3 light) for menus, then a refresh of the menu themes. Only when
  // uxtheme is loaded anyway and only if the exports are there.
  if (HMODULE uxtheme = GetModuleHandleW(L"uxtheme.dll")) {
    using SetPreferredAppMode = int(WINAPI*)(int mode);
    using FlushMenuThemes = void(WINAPI*)();
    if (auto setMode = reinterpret_cast<SetPreferredAppMode>(
            reinterpret_cast<void*>(GetProcAddress(uxtheme, MAKEINTRESOURCEA(135)))))
      setMode(theme.dark ? 2 : 3);
    if (auto flush = reinterpret_cast<FlushMenuThemes>(
            reinterpret_cast<void*>(GetProcAddress(uxtheme, MAKEINTRESOURCEA(136)))))
      flush();
  }
}

bool isThemeChange(UINT message, LPARAM lParam) {
  if (message == WM_DWMCOLORIZATIONCOLORCHANGED) return true;
  return message == WM_SETTINGCHANGE && lParam &&
         lstrcmpW(reinterpret_cast<const wchar_t*>(lParam), L"ImmersiveColorSet") == 0;
}
