// The colour roles of the interface, their light and dark values, the five
// named accents and the rules that derive the accent's companions: the text
// drawn on it and its hover shade. The system is asked by render/win32/
// system_theme.h; everything here is pure so that it is tested from tables.
//
// Threading: the current theme is written and read on the window thread.
//
// Sections: roles · fixed colours · accents · computing a theme · colour arithmetic
#pragma once
#include <cstdint>

// --- Roles ---------------------------------------------------------------------
// 0x00RRGGBB each, in the order the palette is held.
struct ThemeColors {
  uint32_t background;      // the window's background; also the title bar
  uint32_t surface;         // items, panels, the content area, the default map background
  uint32_t surfaceHover;    // a hovered item
  uint32_t stroke;          // borders of items and panels
  uint32_t text;            // primary text and icons
  uint32_t secondaryText;   // second lines, hints, status texts
  uint32_t tertiary;        // disabled labels, empty-state icons, scroll thumbs
  uint32_t accent;          // selection marks, primary buttons, progress
  uint32_t textOnAccent;    // text on accent fills
  uint32_t track;           // usage bars and progress tracks
  uint32_t control;         // buttons and edit fields
  uint32_t controlHover;    // hovered buttons and tabs
  uint32_t controlStroke;   // borders of buttons and edit fields
  uint32_t accentHover;     // hovered primary buttons
  bool operator==(const ThemeColors&) const = default;
};

// The columns before an accent is chosen: accent, text on accent and accent
// hover hold the default blue accent.
extern const ThemeColors kLightColors;
extern const ThemeColors kDarkColors;

// --- Fixed colours used beside the roles -------------------------------------------
constexpr uint32_t kErrorRed = 0xE74856;      // a drive over 90 % full, invalid input, the error icon
constexpr uint32_t kSuccessGreen = 0x6CCB5F;  // the success notice icon
constexpr uint32_t kMarkAmber = 0xE39A2B;     // deletion marks
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
uint32_t successNoticeBackground(bool dark);
uint32_t errorNoticeBackground(bool dark);

// --- Accents ---------------------------------------------------------------------
constexpr int32_t kNamedAccentCount = 5;
struct NamedAccent {
  const char16_t* name;   // as written in the setting and after --accent
  uint32_t light;
  uint32_t dark;
};
extern const NamedAccent kNamedAccents[kNamedAccentCount];   // blue, teal, orange, violet, pink

// White below the luminance 2126·R + 7152·G + 722·B = 1 500 001 (integer sum), else black.
uint32_t textOnAccentFor(uint32_t accent);
// Each channel moved a tenth of the way to white (light) or black (dark), truncating.
uint32_t accentHoverFor(uint32_t accent, bool dark);

// --- Computing a theme -------------------------------------------------------------
// What the system says; filled by render/win32/system_theme.h, by tests from tables.
struct SystemTheme {
  bool appsUseLightTheme = true;   // the registry value, 1 when missing
  bool accentKnown = false;        // the system accent could be read
  uint32_t accent = 0;             // 0x00RRGGBB when known
};

struct Theme {
  bool dark = false;
  ThemeColors colors = kLightColors;
  bool operator==(const Theme&) const = default;
};

// themeOverride: -1 follow the system, 0 light, 1 dark. accentIndex: -1 the
// system's accent, 0..4 a named one (anything else counts as -1). An unknown
// system accent falls back to the default blue of the theme with its fixed text
// colour.
Theme computeTheme(int32_t themeOverride, int32_t accentIndex, const SystemTheme& system);

// The theme in force, light with the default accent until one is set.
const Theme& currentTheme();
void setCurrentTheme(const Theme& theme);

// --- Colour arithmetic ---------------------------------------------------------------
// Each channel round(a + (b − a)·t), halves away from zero; t is not clamped.
uint32_t mixColor(uint32_t a, uint32_t b, double t);
// s(t) = t²(3 − 2t) with t clamped to 0..1: the curve of every interface animation.
double smoothstep(double t);
