// The drawing primitives every self-drawn part of the interface is built from,
// and the controls made of them. Rectangles are whole pixels; lengths in DIPs
// are scaled with the canvas's DPI; colours are 0xRRGGBB with an opacity, and
// the window's one brush is recoloured before each use.
//
// Threading: the window thread, between BeginDraw and EndDraw of its frame.
//
// Sections: canvas · shapes · text · controls
#pragma once
#include "render/geometry.h"
#include "render/scale.h"
#include "render/theme.h"
#include "render/win32/text.h"
#include <d2d1_1.h>
#include <span>
#include <string_view>

// --- Canvas ------------------------------------------------------------------------
struct Canvas {
  ID2D1DeviceContext* dc = nullptr;
  ID2D1SolidColorBrush* brush = nullptr;
  TextStyles* styles = nullptr;
  uint32_t dpi = kBaseDpi;
};

// Each channel divided by 255, with the opacity as alpha.
D2D1_COLOR_F d2dColor(uint32_t rgb, float opacity = 1.0f);

// --- Shapes --------------------------------------------------------------------------
void fillRect(Canvas& c, PixelRect r, uint32_t color, float opacity = 1.0f);
void fillRoundedRect(Canvas& c, PixelRect r, float radiusDip, uint32_t color, float opacity = 1.0f);
// An outline of strokeDip (whole pixels) along the inside of r.
void outlineRoundedRect(Canvas& c, PixelRect r, float radiusDip, int32_t strokeDip, uint32_t color,
                        float opacity = 1.0f);
// A fill and a one-pixel border inside it.
void drawCard(Canvas& c, PixelRect r, float radiusDip, uint32_t fill, uint32_t border);
void drawFocusRing(Canvas& c, PixelRect r, float radiusDip, const ThemeColors& colors);
// Everything drawn until popOpacity is blended at once with this opacity.
void pushOpacity(Canvas& c, float opacity);
void popOpacity(Canvas& c);

// --- Text ----------------------------------------------------------------------------
// Flags: kTextCenter, kTextTrailing, kTextWrap, kTextPathEllipsis (render/text_styles.h).
// Clipped to r; one vertically centred line unless kTextWrap.
void drawText(Canvas& c, std::u16string_view text, PixelRect r, TextStyle style, uint32_t color, uint32_t flags = 0,
              float opacity = 1.0f);
// One glyph of the icon font, centred in r.
void drawIcon(Canvas& c, char16_t glyph, PixelRect r, uint32_t color, TextStyle style = TextStyle::SmallIcon);

// --- Controls --------------------------------------------------------------------------
void drawSecondaryButton(Canvas& c, PixelRect r, std::u16string_view label, bool hovered, const ThemeColors& colors);
void drawPrimaryButton(Canvas& c, PixelRect r, std::u16string_view label, bool hovered, const ThemeColors& colors);
// Icon and label centred together on a secondary button; tertiary when disabled.
void drawToolbarButton(Canvas& c, PixelRect r, char16_t glyph, std::u16string_view label, bool enabled, bool hovered,
                       const ThemeColors& colors);
// The width that fits every label the button can show (render/geometry.h).
int32_t toolbarButtonWidthFor(Canvas& c, int32_t minimumDip, std::span<const std::u16string_view> labels);
// The frame of an edit field; the field's own window draws its text.
void drawFieldFrame(Canvas& c, PixelRect r, bool focused, bool invalid, const ThemeColors& colors);
// Options side by side; the knob sits at `position` (0 … count − 1, fractions
// while it slides) and each label fades from secondary text to text as it nears.
void drawSegmentedChoice(Canvas& c, PixelRect r, std::span<const std::u16string_view> labels, double position,
                         bool enabled, const ThemeColors& colors);
// A 20-DIP square at the left of the row and the label 8 DIPs after it.
void drawCheckBox(Canvas& c, PixelRect row, std::u16string_view label, bool checked, bool hovered, bool enabled,
                  const ThemeColors& colors);
