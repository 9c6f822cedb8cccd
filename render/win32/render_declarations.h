// What mingw-w64's headers (version 10) lack and render/ needs: the newer DWM
// window attributes and the WinRT interface that gives the system's accent
// colour. Values and layouts are those of the Windows SDK.
#pragma once
#include <windows.h>
#include <inspectable.h>

// --- DWM window attributes (Windows 10 20H1 and Windows 11) --------------------
constexpr DWORD kDwmUseImmersiveDarkMode = 20;   // DWMWA_USE_IMMERSIVE_DARK_MODE: BOOL
constexpr DWORD kDwmCaptionColor = 35;           // DWMWA_CAPTION_COLOR: COLORREF

// --- Windows.UI.ViewManagement.UISettings ------------------------------------------
constexpr wchar_t kUISettingsClass[] = L"Windows.UI.ViewManagement.UISettings";

enum class UIColorType : int32_t {
  Background = 0, Foreground = 1, AccentDark3 = 2, AccentDark2 = 3, AccentDark1 = 4,
  Accent = 5, AccentLight1 = 6, AccentLight2 = 7, AccentLight3 = 8, Complement = 9,
};
struct UIColor {   // Windows.UI.Color
  BYTE a, r, g, b;
};

// Only GetColorValue is called; the two event methods keep the vtable in order.
struct IUISettings3 : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE GetColorValue(UIColorType desiredColor, UIColor* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE add_ColorValuesChanged(void* handler, INT64* cookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE remove_ColorValuesChanged(INT64 cookie) = 0;
};
// {03021BE4-5254-4781-8194-5168F7D06D7B}
constexpr GUID kIIDUISettings3 = {0x03021be4, 0x5254, 0x4781, {0x81, 0x94, 0x51, 0x68, 0xf7, 0xd0, 0x6d, 0x7b}};

// combase.dll, loaded at run time: the program must start where WinRT is missing.
using RoActivateInstanceFunction = HRESULT(WINAPI*)(HSTRING classId, IInspectable** instance);
using WindowsCreateStringFunction = HRESULT(WINAPI*)(const wchar_t* text, UINT32 length, HSTRING* string);
using WindowsDeleteStringFunction = HRESULT(WINAPI*)(HSTRING string);
