#include "render/win32/draw.h"
#include "render/scale.h"
#include "render/win32/device.h"
#include <algorithm>
#include <cmath>

namespace {
void paint(Canvas& c, uint32_t color, float opacity) { c.brush->SetColor(d2dColor(color, opacity)); }

D2D1_ROUNDED_RECT rounded(const RoundedShape& s) {
  return {{s.left, s.top, s.right, s.bottom}, s.radius, s.radius};
}
}  // namespace

D2D1_COLOR_F d2dColor(uint32_t rgb, float opacity) {
  return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, opacity};
}

void fillRect(Canvas& c, PixelRect r, uint32_t color, float opacity) {
  if (r.empty()) return;
  paint(c, color, opacity);
  c.dc->FillRectangle(D2D1::RectF(static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right),
                                  static_cast<float>(r.bottom)),
                      c.brush);
}

void fillRoundedRect(Canvas& c, PixelRect r, float radiusDip, uint32_t color, float opacity) {
  if (r.empty()) return;
  paint(c, color, opacity);
  c.dc->FillRoundedRectangle(rounded(roundedFill(r, scaleDipF(radiusDip, c.dpi))), c.brush);
}

void outlineRoundedRect(Canvas& c, PixelRect r, float radiusDip, int32_t strokeDip, uint32_t color, float opacity) {
  if (r.empty()) return;
  float width = static_cast<float>(strokePixels(strokeDip, c.dpi));
  paint(c, color, opacity);
  c.dc->DrawRoundedRectangle(rounded(roundedOutline(r, scaleDipF(radiusDip, c.dpi), width)), c.brush, width);
}

void drawCard(Canvas& c, PixelRect r, float radiusDip, uint32_t fill, uint32_t border) {
  if (r.empty()) return;
  float radius = scaleDipF(radiusDip, c.dpi);
  paint(c, fill, 1.0f);
  c.dc->FillRoundedRectangle(rounded(roundedFill(r, radius)), c.brush);
  paint(c, border, 1.0f);
  c.dc->DrawRoundedRectangle(rounded(roundedOutline(r, radius, 1.0f)), c.brush, 1.0f);
}

void drawFocusRing(Canvas& c, PixelRect r, float radiusDip, const ThemeColors& colors) {
  FocusRing ring = focusRing(r, radiusDip, c.dpi);
  paint(c, colors.text, 1.0f);
  c.dc->DrawRoundedRectangle(rounded(ring.outer), c.brush, ring.outerWidth);
  paint(c, colors.background, 1.0f);
  c.dc->DrawRoundedRectangle(rounded(ring.inner), c.brush, ring.innerWidth);
}

void pushOpacity(Canvas& c, float opacity) {
  D2D1_LAYER_PARAMETERS1 parameters = D2D1::LayerParameters1(D2D1::InfiniteRect(), nullptr,
                                                             D2D1_ANTIALIAS_MODE_PER_PRIMITIVE,
                                                             D2D1::IdentityMatrix(), opacity, nullptr,
                                                             D2D1_LAYER_OPTIONS1_NONE);
  c.dc->PushLayer(parameters, nullptr);
}

void popOpacity(Canvas& c) { c.dc->PopLayer(); }

void drawText(Canvas& c, std::u16string_view text, PixelRect r, TextStyle style, uint32_t color, uint32_t flags,
              float opacity) {
  if (text.empty() || r.empty() || !c.styles) return;
  IDWriteTextLayout* layout = makeTextLayout(*c.styles, text, static_cast<float>(r.width()),
                                             static_cast<float>(r.height()), style, flags);
  if (!layout) return;
  paint(c, color, opacity);
  c.dc->DrawTextLayout(D2D1::Point2F(static_cast<float>(r.left), static_cast<float>(r.top)), layout, c.brush,
                       D2D1_DRAW_TEXT_OPTIONS_CLIP);
  layout->Release();
}

void drawIcon(Canvas& c, char16_t glyph, PixelRect r, uint32_t color, TextStyle style) {
  drawText(c, std::u16string_view(&glyph, 1), r, style, color, kTextCenter);
}

void drawSecondaryButton(Canvas& c, PixelRect r, std::u16string_view label, bool hovered, const ThemeColors& colors) {
  drawCard(c, r, 4, hovered ? colors.controlHover : colors.control, colors.controlStroke);
  drawText(c, label, r, TextStyle::Body, colors.text, kTextCenter);
}

void drawPrimaryButton(Canvas& c, PixelRect r, std::u16string_view label, bool hovered, const ThemeColors& colors) {
  fillRoundedRect(c, r, 4, hovered ? colors.accentHover : colors.accent);
  drawText(c, label, r, TextStyle::BodyStrong, colors.textOnAccent, kTextCenter);
}

void drawToolbarButton(Canvas& c, PixelRect r, char16_t glyph, std::u16string_view label, bool enabled, bool hovered,
                       const ThemeColors& colors) {
  drawCard(c, r, 4, hovered && enabled ? colors.controlHover : colors.control, colors.controlStroke);
  uint32_t color = enabled ? colors.text : colors.tertiary;
  ToolbarButtonParts parts = toolbarButtonParts(r, measureText(*c.styles, label, TextStyle::Body), c.dpi);
  drawIcon(c, glyph, parts.icon, color);
  drawText(c, label, parts.label, TextStyle::Body, color);
}

int32_t toolbarButtonWidthFor(Canvas& c, int32_t minimumDip, std::span<const std::u16string_view> labels) {
  int32_t widths[16] = {};
  size_t count = std::min<size_t>(labels.size(), 16);
  for (size_t i = 0; i < count; i++) widths[i] = measureText(*c.styles, labels[i], TextStyle::Body);
  return toolbarButtonWidth(minimumDip, std::span<const int32_t>(widths, count), c.dpi);
}

void drawFieldFrame(Canvas& c, PixelRect r, bool focused, bool invalid, const ThemeColors& colors) {
  drawCard(c, r, 4, colors.control, invalid ? kErrorRed : colors.controlStroke);
  if (focused) {
    int32_t corner = scaleDip(4, c.dpi);   // the line stays clear of the rounded corners
    fillRect(c, {r.left + corner, r.bottom - 2, r.right - corner, r.bottom}, invalid ? kErrorRed : colors.accent);
  }
}

void drawSegmentedChoice(Canvas& c, PixelRect r, std::span<const std::u16string_view> labels, double position,
                         bool enabled, const ThemeColors& colors) {
  int32_t count = static_cast<int32_t>(labels.size());
  if (count == 0) return;
  drawCard(c, r, 4, colors.background, colors.controlStroke);
  drawCard(c, segmentedKnob(r, count, position, c.dpi), 3, enabled ? colors.control : colors.background,
           colors.controlStroke);
  for (int32_t i = 0; i < count; i++) {
    double nearness = std::clamp(1.0 - std::fabs(position - i), 0.0, 1.0);
    uint32_t color = enabled ? mixColor(colors.secondaryText, colors.text, nearness) : colors.tertiary;
    drawText(c, labels[static_cast<size_t>(i)], segmentedOption(r, count, i), TextStyle::Body, color, kTextCenter);
  }
}

void drawCheckBox(Canvas& c, PixelRect row, std::u16string_view label, bool checked, bool hovered, bool enabled,
                  const ThemeColors& colors) {
  PixelRect square = checkBoxSquare(row, c.dpi);
  if (checked) {
    fillRoundedRect(c, square, 4, !enabled ? colors.tertiary : hovered ? colors.accentHover : colors.accent);
    CheckMark tick = checkMark(square);
    paint(c, enabled ? colors.textOnAccent : colors.background, 1.0f);
    float width = static_cast<float>(strokePixels(2, c.dpi));
    for (int i = 0; i < 2; i++)
      c.dc->DrawLine({tick.x[i], tick.y[i]}, {tick.x[i + 1], tick.y[i + 1]}, c.brush, width);
  } else {
    drawCard(c, square, 4, hovered && enabled ? colors.controlHover : colors.control,
             enabled ? colors.controlStroke : colors.tertiary);
  }
  PixelRect text = row;
  text.left = square.right + scaleDip(8, c.dpi);
  drawText(c, label, text, TextStyle::Body, enabled ? colors.text : colors.tertiary);
}
