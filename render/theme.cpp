#include "render/theme.h"
#include <cmath>

const ThemeColors kLightColors = {
    .background = 0xF3F3F3, .surface = 0xFBFBFB, .surfaceHover = 0xF6F6F6, .stroke = 0xE5E5E5,
    .text = 0x1B1B1B, .secondaryText = 0x5C5C5C, .tertiary = 0x9E9E9E, .accent = 0x005FB8,
    .textOnAccent = 0xFFFFFF, .track = 0xD1D1D1, .control = 0xFDFDFD, .controlHover = 0xF5F5F5,
    .controlStroke = 0xD9D9D9, .accentHover = 0x196FBF,
};
const ThemeColors kDarkColors = {
    .background = 0x202020, .surface = 0x2B2B2B, .surfaceHover = 0x323232, .stroke = 0x1D1D1D,
    .text = 0xFFFFFF, .secondaryText = 0xCFCFCF, .tertiary = 0x787878, .accent = 0x60CDFF,
    .textOnAccent = 0x000000, .track = 0x4A4A4A, .control = 0x373737, .controlHover = 0x3D3D3D,
    .controlStroke = 0x434343, .accentHover = 0x57B9E6,
};

const NamedAccent kNamedAccents[kNamedAccentCount] = {
    {u"blue", 0x005FB8, 0x60CDFF},   {u"teal", 0x00786A, 0x4FD8C2}, {u"orange", 0xB04A00, 0xFFA060},
    {u"violet", 0x6B3BC9, 0xC2A4FF}, {u"pink", 0xB0275F, 0xFF96C6},
};

uint32_t successNoticeBackground(bool dark) { return dark ? 0x393D1B : 0xDFF6DD; }
uint32_t errorNoticeBackground(bool dark) { return dark ? 0x442726 : 0xFDE7E9; }

namespace {
int32_t red(uint32_t c) { return static_cast<int32_t>((c >> 16) & 0xFF); }
int32_t green(uint32_t c) { return static_cast<int32_t>((c >> 8) & 0xFF); }
int32_t blue(uint32_t c) { return static_cast<int32_t>(c & 0xFF); }
uint32_t rgb(int32_t r, int32_t g, int32_t b) {
  return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}
Theme gCurrentTheme;
}  // namespace

uint32_t textOnAccentFor(uint32_t accent) {
  int64_t luminance = 2126 * red(accent) + 7152 * green(accent) + 722 * blue(accent);
  return luminance < 1500001 ? kWhite : kBlack;
}

uint32_t accentHoverFor(uint32_t accent, bool dark) {
  int32_t target = dark ? 0 : 255;
  auto move = [target](int32_t c) { return c + (target - c) / 10; };   // C++ division truncates toward zero
  return rgb(move(red(accent)), move(green(accent)), move(blue(accent)));
}

Theme computeTheme(int32_t themeOverride, int32_t accentIndex, const SystemTheme& system) {
  Theme theme;
  theme.dark = themeOverride == -1 ? !system.appsUseLightTheme : themeOverride == 1;
  theme.colors = theme.dark ? kDarkColors : kLightColors;
  ThemeColors& c = theme.colors;
  if (accentIndex >= 0 && accentIndex < kNamedAccentCount) {
    c.accent = theme.dark ? kNamedAccents[accentIndex].dark : kNamedAccents[accentIndex].light;
    c.textOnAccent = textOnAccentFor(c.accent);
  } else if (system.accentKnown) {
    c.accent = system.accent & 0xFFFFFF;
    c.textOnAccent = textOnAccentFor(c.accent);
  } else {
    // The fallback keeps the default accent's own text colour instead of deriving it.
    c.accent = theme.dark ? 0x60CDFF : 0x005FB8;
    c.textOnAccent = theme.dark ? kBlack : kWhite;
  }
  c.accentHover = accentHoverFor(c.accent, theme.dark);
  return theme;
}

const Theme& currentTheme() { return gCurrentTheme; }
void setCurrentTheme(const Theme& theme) { gCurrentTheme = theme; }

uint32_t mixColor(uint32_t a, uint32_t b, double t) {
  auto mix = [t](int32_t x, int32_t y) {
    double v = std::round(x + (y - x) * t);   // std::round rounds halves away from zero
    return static_cast<int32_t>(v < 0 ? 0 : v > 255 ? 255 : v);
  };
  return rgb(mix(red(a), red(b)), mix(green(a), green(b)), mix(blue(a), blue(b)));
}

double smoothstep(double t) {
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return t * t * (3 - 2 * t);
}
