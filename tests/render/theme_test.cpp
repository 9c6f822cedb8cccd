#include "render/theme.h"
#include "config/start_settings.h"
#include <gtest/gtest.h>
#include <string>

namespace {
SystemTheme systemWith(bool light, bool accentKnown = false, uint32_t accent = 0) {
  SystemTheme s;
  s.appsUseLightTheme = light;
  s.accentKnown = accentKnown;
  s.accent = accent;
  return s;
}
}  // namespace

TEST(Theme, EveryRoleOfBothColumns) {
  struct Case { const char* role; uint32_t ThemeColors::*field; uint32_t light, dark; } cases[] = {
      {"background", &ThemeColors::background, 0xF3F3F3, 0x202020},
      {"surface", &ThemeColors::surface, 0xFBFBFB, 0x2B2B2B},
      {"surface hover", &ThemeColors::surfaceHover, 0xF6F6F6, 0x323232},
      {"stroke", &ThemeColors::stroke, 0xE5E5E5, 0x1D1D1D},
      {"text", &ThemeColors::text, 0x1B1B1B, 0xFFFFFF},
      {"secondary text", &ThemeColors::secondaryText, 0x5C5C5C, 0xCFCFCF},
      {"tertiary", &ThemeColors::tertiary, 0x9E9E9E, 0x787878},
      {"accent", &ThemeColors::accent, 0x005FB8, 0x60CDFF},
      {"text on accent", &ThemeColors::textOnAccent, 0xFFFFFF, 0x000000},
      {"track", &ThemeColors::track, 0xD1D1D1, 0x4A4A4A},
      {"control", &ThemeColors::control, 0xFDFDFD, 0x373737},
      {"control hover", &ThemeColors::controlHover, 0xF5F5F5, 0x3D3D3D},
      {"control stroke", &ThemeColors::controlStroke, 0xD9D9D9, 0x434343},
      {"accent hover", &ThemeColors::accentHover, 0x196FBF, 0x57B9E6},
  };
  Theme light = computeTheme(0, 0, systemWith(false));
  Theme dark = computeTheme(1, 0, systemWith(true));
  EXPECT_FALSE(light.dark);
  EXPECT_TRUE(dark.dark);
  for (const Case& c : cases) {
    EXPECT_EQ(kLightColors.*c.field, c.light) << c.role;
    EXPECT_EQ(kDarkColors.*c.field, c.dark) << c.role;
    EXPECT_EQ(light.colors.*c.field, c.light) << c.role << " of the computed light theme";
    EXPECT_EQ(dark.colors.*c.field, c.dark) << c.role << " of the computed dark theme";
  }
  EXPECT_EQ(sizeof(ThemeColors), 14 * sizeof(uint32_t));
}

TEST(Theme, DarkFlagFromOverrideAndSystem) {
  struct Case { int32_t override_; bool systemLight; bool dark; } cases[] = {
      {-1, true, false}, {-1, false, true},
      {0, false, false},   // --theme light with Windows in dark mode draws light
      {1, true, true},     {0, true, false}, {1, false, true},
      {7, false, false},   // not a known override: light, as --theme never gives it
  };
  for (const Case& c : cases)
    EXPECT_EQ(computeTheme(c.override_, -1, systemWith(c.systemLight)).dark, c.dark)
        << "override " << c.override_ << ", system light " << c.systemLight;
}

TEST(Theme, NamedAccentsByNameThemeAndTextOnThem) {
  struct Case { const char16_t* name; bool dark; uint32_t accent, text, hover; } cases[] = {
      {u"blue", true, 0x60CDFF, 0x000000, 0x57B9E6},
      {u"blue", false, 0x005FB8, 0xFFFFFF, 0x196FBF},
      {u"teal", false, 0x00786A, 0xFFFFFF, 0x198578},
      {u"teal", true, 0x4FD8C2, 0x000000, 0x48C3AF},
      {u"orange", false, 0xB04A00, 0xFFFFFF, 0xB75C19},
      {u"orange", true, 0xFFA060, 0x000000, 0xE69057},
      {u"violet", false, 0x6B3BC9, 0xFFFFFF, 0x794ECE},
      {u"violet", true, 0xC2A4FF, 0x000000, 0xAF94E6},
      {u"pink", false, 0xB0275F, 0xFFFFFF, 0xB73C6F},
      {u"pink", true, 0xFF96C6, 0x000000, 0xE687B3},
  };
  for (const Case& c : cases) {
    int32_t index = accentIndexFromName(c.name);
    ASSERT_GE(index, 0) << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name));
    EXPECT_EQ(std::u16string(kNamedAccents[index].name), c.name);
    Theme t = computeTheme(c.dark ? 1 : 0, index, systemWith(true, true, 0x123456));
    EXPECT_EQ(t.colors.accent, c.accent) << index << " dark " << c.dark;
    EXPECT_EQ(t.colors.textOnAccent, c.text) << index << " dark " << c.dark;
    EXPECT_EQ(t.colors.accentHover, c.hover) << index << " dark " << c.dark;
  }
  // Names are exact: other spellings mean the system colour.
  for (const char16_t* name : {u"Blue", u"TEAL", u" pink", u"", u"purple"}) EXPECT_EQ(accentIndexFromName(name), -1);
}

TEST(Theme, SystemAccentOrItsFallback) {
  // A readable system colour derives text and hover from itself.
  Theme t = computeTheme(0, -1, systemWith(true, true, 0xFFE000));
  EXPECT_EQ(t.colors.accent, 0xFFE000u);
  EXPECT_EQ(t.colors.textOnAccent, 0x000000u);   // bright yellow takes black text
  EXPECT_EQ(t.colors.accentHover, 0xFFE319u);
  t = computeTheme(1, -1, systemWith(true, true, 0xFF6B3BC9));   // the alpha byte is not colour
  EXPECT_EQ(t.colors.accent, 0x6B3BC9u);
  EXPECT_EQ(t.colors.textOnAccent, 0xFFFFFFu);
  EXPECT_EQ(t.colors.accentHover, 0x6136B5u);
  // An unreadable one falls back to the default blue of the theme.
  t = computeTheme(-1, -1, systemWith(false));
  EXPECT_EQ(t.colors.accent, 0x60CDFFu);
  EXPECT_EQ(t.colors.textOnAccent, 0x000000u);
  EXPECT_EQ(t.colors.accentHover, 0x57B9E6u);
  t = computeTheme(-1, 5, systemWith(true));   // out-of-range index counts as the system colour
  EXPECT_EQ(t.colors.accent, 0x005FB8u);
  EXPECT_EQ(t.colors.textOnAccent, 0xFFFFFFu);
}

TEST(Theme, TextOnAccentByLuminance) {
  struct Case { uint32_t accent, text; } cases[] = {
      {0xFFE000, 0x000000}, {0x005FB8, 0xFFFFFF}, {0x6B3BC9, 0xFFFFFF}, {0x60CDFF, 0x000000},
      {0x000000, 0xFFFFFF}, {0xFFFFFF, 0x000000},
      // Around the edge: 2126·2 + 7152·209 + 722·1 = 1 499 742 is below 1 500 001; one more blue
      // (1 500 464) or one more red (2126·3 + 7152·209 = 1 501 146) is not.
      {0x00D100, 0xFFFFFF}, {0x00D200, 0x000000}, {0x02D101, 0xFFFFFF}, {0x02D102, 0x000000},
      {0x03D100, 0x000000},
  };
  for (const Case& c : cases) EXPECT_EQ(textOnAccentFor(c.accent), c.text) << std::hex << c.accent;
  // Exhaustively: the integer rule agrees with luminance 0.2126·R + 0.7152·G + 0.0722·B below 150.0002
  // (compared in ten-thousandths, where it is exact); the two differ only at a sum no colour reaches.
  for (uint32_t color = 0; color <= 0xFFFFFF; color++) {
    uint32_t r = color >> 16, g = (color >> 8) & 0xFF, b = color & 0xFF;
    bool white = 2126 * r + 7152 * g + 722 * b < 1500002;
    ASSERT_EQ(textOnAccentFor(color), white ? 0xFFFFFFu : 0u) << std::hex << color;
  }
}

TEST(Theme, NoticeBackgroundsAndFixedColours) {
  EXPECT_EQ(successNoticeBackground(false), 0xDFF6DDu);
  EXPECT_EQ(successNoticeBackground(true), 0x393D1Bu);
  EXPECT_EQ(errorNoticeBackground(false), 0xFDE7E9u);
  EXPECT_EQ(errorNoticeBackground(true), 0x442726u);
  EXPECT_EQ(kErrorRed, 0xE74856u);
  EXPECT_EQ(kSuccessGreen, 0x6CCB5Fu);
  EXPECT_EQ(kMarkAmber, 0xE39A2Bu);
}

TEST(Theme, MixAndSmoothstep) {
  struct Case { uint32_t a, b; double t; uint32_t mixed; } cases[] = {
      {0x000000, 0xFFFFFF, 0.0, 0x000000}, {0x000000, 0xFFFFFF, 1.0, 0xFFFFFF},
      {0x000000, 0x030303, 0.5, 0x020202},   // 1.5 rounds away from zero
      {0x030303, 0x000000, 0.5, 0x020202},   // 3 − 1.5 = 1.5 rounds to 2 as well
      {0xF3F3F3, 0x202020, 0.25, 0xBEBEBE},  // 243 − 211/4 = 190.25
      {0x102030, 0x302010, 0.5, 0x202020},
  };
  for (const Case& c : cases) EXPECT_EQ(mixColor(c.a, c.b, c.t), c.mixed) << std::hex << c.a << " " << c.b << " " << c.t;
  EXPECT_DOUBLE_EQ(smoothstep(-1), 0);
  EXPECT_DOUBLE_EQ(smoothstep(0.5), 0.5);
  EXPECT_DOUBLE_EQ(smoothstep(0.25), 0.15625);
  EXPECT_DOUBLE_EQ(smoothstep(2), 1);
}

TEST(Theme, CurrentThemeIsProgramWide) {
  Theme saved = currentTheme();
  Theme dark = computeTheme(1, 3, SystemTheme());
  setCurrentTheme(dark);
  EXPECT_EQ(currentTheme(), dark);
  setCurrentTheme(saved);
}
