// The gallery scene: every drawing primitive, control and text style of the
// render layer in the current theme, laid out in DIPs at the program's DPI. With
// --layout-out it writes what a test should find where, one item a line:
//   fill  name l t r b colour            the rectangle is that colour throughout
//   point name x y colour                one pixel
//   text  name l t r b under ink         text inside on `under`, nothing of it outside
//   glyph name l t r b under ink         an icon: nothing outside (the face may be missing)
//   ink   name l t r b under ink         text inside a control: present, its frame not checked
#include "render/scale.h"
#include "render/win32/draw.h"
#include "render/win32/system_theme.h"
#include "render_window.h"
#include <cstdio>
#include <string>
#include <vector>

namespace {
struct Item {
  const char* kind;
  std::string name;
  PixelRect r;
  uint32_t under, ink;
};

struct Gallery {
  const Theme* theme = nullptr;
  std::vector<Item> items;
  bool record = false;
};

// Everything in DIPs from here on; the scaled rectangle is what gets drawn and recorded.
PixelRect dips(int32_t l, int32_t t, int32_t r, int32_t b, uint32_t dpi) {
  return {scaleDip(l, dpi), scaleDip(t, dpi), scaleDip(r, dpi), scaleDip(b, dpi)};
}

const char* kRoleNames[14] = {"background", "surface", "surfaceHover", "stroke", "text", "secondaryText", "tertiary",
                              "accent", "textOnAccent", "track", "control", "controlHover", "controlStroke",
                              "accentHover"};

void drawGallery(Gallery& g, Canvas& c, uint32_t width, uint32_t height) {
  const ThemeColors& t = g.theme->colors;
  uint32_t dpi = c.dpi;
  auto R = [dpi](int32_t l, int32_t top, int32_t r, int32_t b) { return dips(l, top, r, b, dpi); };
  auto note = [&](const char* kind, std::string name, PixelRect r, uint32_t under, uint32_t ink = 0) {
    if (g.record) g.items.push_back({kind, std::move(name), r, under, ink});
  };
  auto text = [&](const char* name, std::u16string_view s, PixelRect r, TextStyle style, uint32_t color,
                  uint32_t flags = 0) {
    drawText(c, s, r, style, color, flags);
    note("text", name, r, t.surface, color);
  };

  fillRect(c, {0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)}, t.background);
  note("point", "background", {scaleDip(6, dpi), scaleDip(6, dpi), 0, 0}, t.background);
  PixelRect panel = R(12, 12, 848, 588);
  drawCard(c, panel, 8, t.surface, t.stroke);
  note("point", "surface", {scaleDip(440, dpi), scaleDip(236, dpi), 0, 0}, t.surface);
  note("point", "stroke", {panel.left + panel.width() / 2, panel.top, 0, 0}, t.stroke);

  // The fourteen roles.
  const uint32_t* roles = &t.background;
  for (int i = 0; i < 14; i++) {
    PixelRect swatch = R(28 + i * 56, 26, 76 + i * 56, 46);
    fillRect(c, swatch, roles[i]);
    note("fill", std::string("role.") + kRoleNames[i], swatch, roles[i]);
  }

  // Text styles, one column.
  text("style.title", u"Mossbloom", R(28, 60, 340, 90), TextStyle::Title, t.text);
  text("style.largeTitle", u"Disk usage", R(28, 98, 340, 138), TextStyle::LargeTitle, t.text);
  text("style.body", u"Body: labels, buttons, tabs", R(28, 146, 340, 168), TextStyle::Body, t.text);
  text("style.bodyStrong", u"Body strong: headings, values", R(28, 176, 340, 198), TextStyle::BodyStrong, t.text);
  text("style.caption", u"Caption: Disk usage, at a glance", R(28, 206, 340, 224), TextStyle::Caption,
       t.secondaryText);

  // Icons in the three icon styles.
  PixelRect drive = R(360, 60, 392, 92), search = R(404, 66, 424, 86), empty = R(436, 52, 500, 116);
  drawIcon(c, Glyph::Drive, drive, t.text, TextStyle::Icon);
  drawIcon(c, Glyph::Search, search, t.secondaryText, TextStyle::SmallIcon);
  drawIcon(c, Glyph::NoDrive, empty, t.tertiary, TextStyle::BigIcon);
  note("glyph", "icon.drive", drive, t.surface, t.text);
  note("glyph", "icon.search", search, t.surface, t.secondaryText);
  note("glyph", "icon.empty", empty, t.surface, t.tertiary);

  // A drive entry: card, accent bar, two lines, usage bar.
  PixelRect entry = R(520, 56, 820, 124);
  drawCard(c, entry, 6, t.surfaceHover, t.stroke);
  PixelRect bar{entry.left, entry.top + scaleDip(26, dpi), entry.left + scaleDip(3, dpi), entry.top + scaleDip(42, dpi)};
  fillRoundedRect(c, bar, 1.5f, t.accent);
  note("point", "accentBar", {bar.left + bar.width() / 2, bar.top + bar.height() / 2, 0, 0}, t.accent);
  drawIcon(c, Glyph::Drive, {entry.left + scaleDip(16, dpi), entry.top + scaleDip(12, dpi), entry.left + scaleDip(44, dpi),
                             entry.top + scaleDip(40, dpi)}, t.text, TextStyle::Icon);
  PixelRect name{entry.left + scaleDip(52, dpi), entry.top + scaleDip(10, dpi), entry.right - scaleDip(13, dpi),
                 entry.top + scaleDip(30, dpi)};
  drawText(c, u"Local Disk (C:)", name, TextStyle::BodyStrong, t.text);
  note("ink", "drive.name", name, t.surfaceHover, t.text);
  PixelRect space{name.left, entry.top + scaleDip(30, dpi), name.right, entry.top + scaleDip(48, dpi)};
  drawText(c, u"112 GB free of 476 GB", space, TextStyle::Caption, t.secondaryText);
  note("ink", "drive.space", space, t.surfaceHover, t.secondaryText);
  PixelRect track{name.left, entry.top + scaleDip(52, dpi), entry.right - scaleDip(17, dpi), entry.top + scaleDip(56, dpi)};
  fillRoundedRect(c, track, 2, t.track);
  PixelRect used = track;
  used.right = track.left + track.width() * 3 / 4;
  fillRoundedRect(c, used, 2, t.accent);
  note("point", "usage.used", {used.left + used.width() / 2, track.top + track.height() / 2, 0, 0}, t.accent);
  note("point", "usage.free", {used.right + (track.right - used.right) / 2, track.top + track.height() / 2, 0, 0},
       t.track);

  // Buttons.
  PixelRect secondary = R(28, 240, 128, 272), secondaryHover = R(136, 240, 236, 272);
  PixelRect primary = R(244, 240, 364, 272), primaryHover = R(372, 240, 492, 272);
  drawSecondaryButton(c, secondary, u"Cancel", false, t);
  drawSecondaryButton(c, secondaryHover, u"Cancel", true, t);
  drawPrimaryButton(c, primary, u"Delete", false, t);
  drawPrimaryButton(c, primaryHover, u"Delete", true, t);
  auto inner = [dpi](PixelRect r) { return insetRect(r, scaleDip(3, dpi)); };
  note("point", "secondary.fill", {secondary.left + scaleDip(4, dpi), secondary.top + scaleDip(4, dpi), 0, 0}, t.control);
  note("point", "secondaryHover.fill", {secondaryHover.left + scaleDip(4, dpi), secondaryHover.top + scaleDip(4, dpi), 0, 0},
       t.controlHover);
  note("point", "secondary.border", {secondary.left + secondary.width() / 2, secondary.top, 0, 0}, t.controlStroke);
  note("ink", "secondary.label", inner(secondary), t.control, t.text);
  note("point", "primary.fill", {primary.left + scaleDip(4, dpi), primary.top + scaleDip(4, dpi), 0, 0}, t.accent);
  note("point", "primaryHover.fill", {primaryHover.left + scaleDip(4, dpi), primaryHover.top + scaleDip(4, dpi), 0, 0},
       t.accentHover);
  note("ink", "primary.label", inner(primary), t.accent, t.textOnAccent);
  std::u16string_view scanLabels[] = {u"Stop", u"Stopping\u2026", u"Rescan"};
  int32_t toolbarWidth = toolbarButtonWidthFor(c, 104, scanLabels);
  PixelRect toolbar{scaleDip(500, dpi), scaleDip(240, dpi), scaleDip(500, dpi) + toolbarWidth, scaleDip(272, dpi)};
  drawToolbarButton(c, toolbar, Glyph::Rescan, u"Rescan", true, false, t);
  note("ink", "toolbar.label", toolbarButtonParts(toolbar, measureText(*c.styles, u"Rescan", TextStyle::Body), dpi).label,
       t.control, t.text);
  std::u16string_view exportLabel[] = {u"Export"};
  PixelRect disabled{toolbar.right + scaleDip(8, dpi), toolbar.top,
                     toolbar.right + scaleDip(8, dpi) + toolbarButtonWidthFor(c, 100, exportLabel), toolbar.bottom};
  drawToolbarButton(c, disabled, Glyph::Export, u"Export", false, false, t);
  note("ink", "toolbarDisabled.label",
       toolbarButtonParts(disabled, measureText(*c.styles, u"Export", TextStyle::Body), dpi).label, t.control,
       t.tertiary);

  // Edit field frames: normal, focused, invalid and focused.
  PixelRect field = R(28, 288, 228, 320), focused = R(244, 288, 444, 320), invalid = R(460, 288, 660, 320);
  drawFieldFrame(c, field, false, false, t);
  drawFieldFrame(c, focused, true, false, t);
  drawFieldFrame(c, invalid, true, true, t);
  note("point", "field.fill", {field.left + field.width() / 2, field.top + field.height() / 2, 0, 0}, t.control);
  note("point", "field.border", {field.left + field.width() / 2, field.bottom - 1, 0, 0}, t.controlStroke);
  note("point", "focused.line", {focused.left + focused.width() / 2, focused.bottom - 1, 0, 0}, t.accent);
  note("point", "focused.line2", {focused.left + focused.width() / 2, focused.bottom - 2, 0, 0}, t.accent);
  note("point", "invalid.line", {invalid.left + invalid.width() / 2, invalid.bottom - 1, 0, 0}, kErrorRed);
  note("point", "invalid.border", {invalid.left, invalid.top + invalid.height() / 2, 0, 0}, kErrorRed);

  // Segmented choices: at either option, halfway, disabled.
  std::u16string_view sizeModes[] = {u"Logical", u"On disk"};
  std::u16string_view units[] = {u"GB", u"GiB"};
  PixelRect s0 = R(28, 336, 212, 368), sHalf = R(228, 336, 412, 368), s1 = R(428, 336, 540, 368),
            sOff = R(556, 336, 740, 368);
  drawSegmentedChoice(c, s0, sizeModes, 0, true, t);
  drawSegmentedChoice(c, sHalf, sizeModes, 0.5, true, t);
  drawSegmentedChoice(c, s1, units, 1, true, t);
  drawSegmentedChoice(c, sOff, sizeModes, 1, false, t);
  PixelRect knob0 = segmentedKnob(s0, 2, 0, dpi), knob1 = segmentedKnob(s1, 2, 1, dpi);
  note("point", "choice.knob0", {knob0.left + scaleDip(3, dpi), knob0.top + knob0.height() / 2, 0, 0}, t.control);
  note("point", "choice.other0", {segmentedOption(s0, 2, 1).right - scaleDip(5, dpi), s0.top + s0.height() / 2, 0, 0},
       t.background);
  note("point", "choice.knob1", {knob1.right - scaleDip(4, dpi), knob1.top + knob1.height() / 2, 0, 0}, t.control);
  note("ink", "choice.selected", insetRect(knob0, scaleDip(2, dpi)), t.control, t.text);

  // Check boxes: unchecked, checked, checked and disabled.
  PixelRect c0 = R(28, 384, 300, 416), c1 = R(316, 384, 588, 416), c2 = R(604, 384, 832, 416);
  drawCheckBox(c, c0, u"Always start as administrator", false, false, true, t);
  drawCheckBox(c, c1, u"Always start as administrator", true, false, true, t);
  drawCheckBox(c, c2, u"Managed by policy", true, false, false, t);
  PixelRect box0 = checkBoxSquare(c0, dpi), box1 = checkBoxSquare(c1, dpi);
  note("point", "check.off", {box0.left + box0.width() / 2, box0.top + box0.height() / 2, 0, 0}, t.control);
  note("point", "check.on", {box1.left + scaleDip(3, dpi), box1.top + scaleDip(3, dpi), 0, 0}, t.accent);
  note("ink", "check.tick", insetRect(box1, scaleDip(3, dpi)), t.accent, t.textOnAccent);
  PixelRect label0 = c0;
  label0.left = box0.right + scaleDip(8, dpi);
  note("text", "check.label", label0, t.surface, t.text);

  // A focus ring, an opacity layer, cards.
  PixelRect ringed = R(36, 440, 136, 472);
  drawSecondaryButton(c, ringed, u"Focused", false, t);
  drawFocusRing(c, ringed, 4, t);
  note("point", "focus.outer", {ringed.left + ringed.width() / 2, ringed.top, 0, 0}, t.text);
  // Half opacity on Windows; Wine 8 ignores the layer's opacity (docs/window-testing.md), so no check.
  PixelRect faded = R(160, 440, 340, 472);
  pushOpacity(c, 0.5f);
  fillRoundedRect(c, faded, 4, t.accent);
  popOpacity(c);
  PixelRect success = R(360, 436, 560, 476), error = R(576, 436, 776, 476);
  drawCard(c, success, 6, successNoticeBackground(g.theme->dark), t.stroke);
  drawIcon(c, Glyph::Success, {success.left + scaleDip(14, dpi), success.top + scaleDip(9, dpi),
                               success.left + scaleDip(36, dpi), success.bottom - scaleDip(9, dpi)}, kSuccessGreen);
  drawText(c, u"Export finished", {success.left + scaleDip(44, dpi), success.top, success.right - scaleDip(8, dpi),
                                  success.bottom}, TextStyle::Body, t.text);
  drawCard(c, error, 6, errorNoticeBackground(g.theme->dark), t.stroke);
  drawIcon(c, Glyph::Error, {error.left + scaleDip(14, dpi), error.top + scaleDip(9, dpi),
                             error.left + scaleDip(36, dpi), error.bottom - scaleDip(9, dpi)}, kErrorRed);
  drawText(c, u"Couldn't read 3 folders", {error.left + scaleDip(44, dpi), error.top, error.right - scaleDip(8, dpi),
                                          error.bottom}, TextStyle::Body, t.text);
  note("point", "notice.success", {success.right - scaleDip(6, dpi), success.top + scaleDip(6, dpi), 0, 0},
       successNoticeBackground(g.theme->dark));
  note("point", "notice.error", {error.right - scaleDip(6, dpi), error.top + scaleDip(6, dpi), 0, 0},
       errorNoticeBackground(g.theme->dark));

  // Text layout: trimming with an ellipsis, a path that keeps its last segment,
  // the trailing edge, a centred line, wrapped words.
  text("trim.long", u"A text far longer than the rectangle it has to fit in", R(28, 492, 228, 512), TextStyle::Body,
       t.text);
  text("trim.path", u"C:\\Users\\Ann\\Videos\\Holidays\\2023\\Beach", R(244, 492, 464, 512), TextStyle::Body, t.text,
       kTextPathEllipsis);
  text("align.trailing", u"Trailing", R(480, 492, 640, 512), TextStyle::Body, t.text, kTextTrailing);
  text("align.center", u"Centred", R(656, 492, 832, 512), TextStyle::Body, t.text, kTextCenter);
  text("wrap", u"Wrapped words start at the top and break between words when a line is full.", R(28, 524, 340, 572),
       TextStyle::Caption, t.secondaryText, kTextWrap);
  std::u16string path = u"C:\\Users\\Ann\\Videos\\";
  text("trim.pathSlash", path, R(356, 524, 436, 544), TextStyle::Body, t.text, kTextPathEllipsis);
}

Gallery& gallery(TestWindow& w) { return *static_cast<Gallery*>(w.scene); }

void writeLayout(const Gallery& g, const std::wstring& path) {
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (!out) return;
  for (const Item& item : g.items) {
    if (std::string(item.kind) == "point")
      std::fprintf(out, "point\t%s\t%d\t%d\t%06X\n", item.name.c_str(), item.r.left, item.r.top, item.under);
    else
      std::fprintf(out, "%s\t%s\t%d\t%d\t%d\t%d\t%06X\t%06X\n", item.kind, item.name.c_str(), item.r.left, item.r.top,
                   item.r.right, item.r.bottom, item.under, item.ink);
  }
  std::fclose(out);
}
}  // namespace

void* createGalleryScene(TestWindow& w) {
  auto* g = new Gallery;
  addReleaseHook(w.resources, releaseTextFormatsHook, &programTextStyles());
  return g;
}

void drawGalleryScene(TestWindow& w, ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width,
                      uint32_t height) {
  Gallery& g = gallery(w);
  g.theme = &currentTheme();
  Canvas canvas{dc, brush, &programTextStyles(), programDpi()};
  g.record = !w.options.layoutOut.empty();
  g.items.clear();
  dc->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  drawGallery(g, canvas, width, height);
  if (g.record) writeLayout(g, w.options.layoutOut);
}
