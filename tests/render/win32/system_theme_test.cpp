// The theme from the real registry of the test prefix, the system accent (Wine
// has no UISettings: the default accent applies), and theme-change messages.
#include "render/win32/system_theme.h"
#include <gtest/gtest.h>
#include <objbase.h>
#include <string>

namespace {
class PersonalizeKey : public testing::Test {
 protected:
  void SetUp() override {
    key = L"Software\\MossbloomTest\\Personalize" + std::to_wstring(GetCurrentProcessId());
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str()); }
  void set(DWORD type, const void* data, DWORD bytes) {
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(handle, L"AppsUseLightTheme", 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(handle);
  }
  std::wstring key;
};
}  // namespace

TEST_F(PersonalizeKey, AppsUseLightThemeFromTheRegistry) {
  EXPECT_TRUE(systemAppsUseLightTheme(key.c_str())) << "missing: light";
  DWORD zero = 0, one = 1, seven = 7;
  set(REG_DWORD, &zero, sizeof zero);
  EXPECT_FALSE(systemAppsUseLightTheme(key.c_str()));
  set(REG_DWORD, &one, sizeof one);
  EXPECT_TRUE(systemAppsUseLightTheme(key.c_str()));
  set(REG_DWORD, &seven, sizeof seven);
  EXPECT_TRUE(systemAppsUseLightTheme(key.c_str()));
  set(REG_SZ, L"0", 4);
  EXPECT_TRUE(systemAppsUseLightTheme(key.c_str())) << "not a DWORD: as if missing";
}

TEST(SystemTheme, AccentFromTheSystemOrTheDefault) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  for (int32_t dark : {0, 1}) {
    uint32_t system = 0;
    bool known = systemAccentColor(dark, system);
    Theme theme = computeSystemTheme(dark, -1);
    EXPECT_EQ(theme.dark, dark == 1);
    if (known) {   // Windows
      EXPECT_EQ(theme.colors.accent, system);
      EXPECT_EQ(theme.colors.textOnAccent, textOnAccentFor(system));
    } else {       // Wine: no UISettings class
      EXPECT_EQ(theme.colors.accent, dark ? 0x60CDFFu : 0x005FB8u);
      EXPECT_EQ(theme.colors.textOnAccent, dark ? 0x000000u : 0xFFFFFFu);
    }
    EXPECT_EQ(computeSystemTheme(dark, 3).colors.accent, dark ? 0xC2A4FFu : 0x6B3BC9u) << "a named accent wins";
  }
  CoUninitialize();
}

TEST(SystemTheme, ThemeChangeMessages) {
  EXPECT_TRUE(isThemeChange(WM_SETTINGCHANGE, reinterpret_cast<LPARAM>(L"ImmersiveColorSet")));
  EXPECT_FALSE(isThemeChange(WM_SETTINGCHANGE, reinterpret_cast<LPARAM>(L"Policy")));
  EXPECT_FALSE(isThemeChange(WM_SETTINGCHANGE, 0));
  EXPECT_TRUE(isThemeChange(WM_DWMCOLORIZATIONCOLORCHANGED, 0));
  EXPECT_FALSE(isThemeChange(WM_PAINT, reinterpret_cast<LPARAM>(L"ImmersiveColorSet")));
}

TEST(SystemTheme, ApplyingToAWindowWithUxthemeLoaded) {
  HMODULE uxtheme = LoadLibraryW(L"uxtheme.dll");   // the ordinal exports are only looked up when it is loaded
  HWND window = CreateWindowW(L"STATIC", L"theme", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  applyThemeToWindow(window, computeTheme(1, 0, SystemTheme()));
  applyThemeToWindow(window, computeTheme(0, 0, SystemTheme()));
  DestroyWindow(window);
  if (uxtheme) FreeLibrary(uxtheme);
  SUCCEED();
}
