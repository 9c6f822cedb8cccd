#include "ui/pointer.h"

#include "ui/commands.h"
#include "ui/element_list.h"
#include "ui/focus_order.h"
#include "ui/hit_test.h"
#include "ui/navigation.h"
#include "ui/sidebar.h"
#include "ui/view_rules.h"
#include <algorithm>
#include <cstdlib>

namespace {

// A switch's two options in order, and whether it runs vertically.
struct SwitchOptions {
  ElementId first, second;
  const PixelRect* firstRect;
  const PixelRect* secondRect;
  bool vertical;
};

SwitchOptions switchOf(const WindowLayout& layout, ElementId id) {
  switch (id) {
    case ElementId::StandardScan:
    case ElementId::FastScan:
      return {ElementId::StandardScan, ElementId::FastScan, &layout.sidebar.standardOption, &layout.sidebar.fastOption, true};
    case ElementId::LogicalSizes:
    case ElementId::SizesOnDisk:
      return {ElementId::LogicalSizes, ElementId::SizesOnDisk, &layout.logicalSizes, &layout.sizesOnDisk, false};
    default:
      return {ElementId::DecimalUnits, ElementId::BinaryUnits, &layout.decimalUnits, &layout.binaryUnits, false};
  }
}

void merge(Outcome& into, Outcome&& from) {
  for (Effect& e : from.effects) into.effects.push_back(std::move(e));
  into.relayout |= from.relayout;
  into.repaint |= from.repaint;
}

bool isFocusable(const ViewState& s, const WindowLayout& layout, ElementRef element) {
  std::vector<AccessibleElement> list = buildElementList(s, layout, nullptr);
  int32_t at = findElement(list, elementCode(element));
  return at >= 0 && (list[at].state & kStateFocusable);
}

// Ends a splitter drag: the width is saved only when it changed.
void endSplitterDrag(ViewState& s, Outcome& out) {
  if (s.resizing) {
    s.resizing = false;
    out.repaint = true;
  }
  if (s.settings.sidebarWidth != s.press.sidebarWidthAtPress) saveSidebarWidth(s, out);
}

bool updateHover(ViewState& s, const WindowLayout& layout, int32_t x, int32_t y) {
  ElementRef hover;
  int32_t cell = -1;
  if (s.pressed.id != ElementId::None) {
    if (elementAt(s, layout, x, y) == s.pressed) hover = s.pressed;
  } else {
    hover = elementAt(s, layout, x, y);
    if (hover.id == ElementId::None) cell = mapCellAt(s, layout, x, y);
  }
  bool changed = !(hover == s.hover) || cell != s.hoverCell;
  s.hover = hover;
  s.hoverCell = cell;
  return changed;
}

}  // namespace

bool isSwitchOption(ElementId id) {
  switch (id) {
    case ElementId::StandardScan: case ElementId::FastScan: case ElementId::LogicalSizes:
    case ElementId::SizesOnDisk: case ElementId::DecimalUnits: case ElementId::BinaryUnits:
      return true;
    default:
      return false;
  }
}

bool switchDisabled(const ViewState& s, ElementId id) {
  if (id == ElementId::StandardScan || id == ElementId::FastScan) return fastScanStateOf(s) > kFastScanRestart;
  if (id == ElementId::LogicalSizes || id == ElementId::SizesOnDisk) return sizeModeFixedByPolicy(s);
  return false;
}

Outcome pointerDown(ViewState& s, const WindowLayout& layout, int32_t x, int32_t y) {
  Outcome out;
  out.repaint = true;
  s.focusVisible = false;
  if (s.addressShown && layout.pathBar.contains(x, y)) {
    focusElement(s, layout, {ElementId::AddressEdit, -1}, out);
    return out;
  }
  s.marks.leftOutText.clear();
  if (!s.review.open) {
    const struct { ElementId id; const PixelRect* rect; } fields[] = {
        {ElementId::SearchEdit, &layout.searchField}, {ElementId::TypesEdit, &layout.typesField},
        {ElementId::SizeEdit, &layout.sizeField}};
    for (const auto& f : fields)
      if (f.rect->contains(x, y)) {
        focusElement(s, layout, {f.id, -1}, out);
        return out;
      }
  }
  ElementRef hit = elementAt(s, layout, x, y);
  if (hit.id != ElementId::None) {
    s.pressed = hit;
    s.press = {x, y, layout.sidebar.width, false, 0};
    if (isSwitchOption(hit.id)) {
      SwitchOptions options = switchOf(layout, hit.id);
      bool second = hit.id == options.second;
      s.press.knobPosition = second ? 1 : 0;
    }
    out.add(EffectKind::CaptureMouse);
    // Focusing a drive from the mouse does not scroll it: the row must stay under the
    // pointer for the release to count.
    if (isFocusable(s, layout, hit)) focusElement(s, layout, hit, out, false);
    else out.add(EffectKind::FocusMainWindow);
    return out;
  }
  int32_t cell = mapCellAt(s, layout, x, y);
  out.add(EffectKind::FocusMainWindow);
  if (cell < 0) return out;
  int32_t node = s.treemap->rects()[cell].node;
  s.shown.focusNode = node;
  s.focus = {ElementId::Map, 0};
  s.windowHasFocus = true;
  if (!s.review.open && markingAllowed(s)) {
    s.press = {x, y, layout.sidebar.width, false, 0};
    s.marks.dragArmed = true;
    out.add(EffectKind::ArmDragToMark).node = node;
    out.add(EffectKind::CaptureMouse);
  }
  return out;
}

Outcome pointerMove(ViewState& s, const WindowLayout& layout, int32_t x, int32_t y) {
  Outcome out;
  const ElementId pressed = s.pressed.id;
  if (isSwitchOption(pressed) && !switchDisabled(s, pressed)) {
    SwitchOptions options = switchOf(layout, pressed);
    int32_t moved = options.vertical ? std::abs(y - s.press.y) : std::abs(x - s.press.x);
    if (moved > (options.vertical ? s.facts.dragHeight : s.facts.dragWidth)) s.press.knobDragged = true;
    if (s.press.knobDragged) {
      double first = options.vertical ? (options.firstRect->top + options.firstRect->bottom) / 2.0
                                      : (options.firstRect->left + options.firstRect->right) / 2.0;
      double second = options.vertical ? (options.secondRect->top + options.secondRect->bottom) / 2.0
                                       : (options.secondRect->left + options.secondRect->right) / 2.0;
      double pointer = options.vertical ? y : x;
      double position = std::clamp((pointer - first) / std::max(1.0, second - first), 0.0, 1.0);
      if (position != s.press.knobPosition) out.repaint = true;
      s.press.knobPosition = position;
    }
  } else if (pressed == ElementId::Splitter) {
    int32_t width = s.press.sidebarWidthAtPress + dipsFromPixels(x - s.press.x, s.dpi);
    setSidebarWidth(s, layout.sidebar, width, true, out);
  }
  if (updateHover(s, layout, x, y)) out.repaint = true;
  return out;
}

Outcome pointerUp(ViewState& s, const WindowLayout& layout, int32_t x, int32_t y) {
  Outcome out;
  const ElementRef pressed = s.pressed;
  if (pressed.id == ElementId::None) {
    if (s.marks.dragArmed) {
      s.marks.dragArmed = false;
      out.add(EffectKind::ReleaseMouse);
    }
    return out;
  }
  s.pressed = {};
  out.add(EffectKind::ReleaseMouse);
  out.repaint = true;
  if (pressed.id == ElementId::Splitter) {
    endSplitterDrag(s, out);
    return out;
  }
  if (isSwitchOption(pressed.id) && s.press.knobDragged) {
    SwitchOptions options = switchOf(layout, pressed.id);
    ElementId chosen = s.press.knobPosition >= 0.5 ? options.second : options.first;
    s.press.knobDragged = false;
    merge(out, invokeElement(s, layout, {chosen, -1}));
    return out;
  }
  if (elementAt(s, layout, x, y) == pressed) merge(out, invokeElement(s, layout, pressed));
  return out;
}

Outcome doubleClick(ViewState& s, const WindowLayout& layout, int32_t x, int32_t y) {
  ElementRef hit = elementAt(s, layout, x, y);
  if (hit.id == ElementId::Splitter) {
    Outcome out;
    resetSidebarWidth(s, layout.sidebar, out);
    return out;
  }
  if (hit.id == ElementId::None) {
    int32_t cell = mapCellAt(s, layout, x, y);
    if (cell >= 0) {
      Outcome out;
      int32_t target = zoomTarget(s, cell);
      if (target >= 0) zoomTo(s, target, true, out);
      return out;
    }
  }
  return pointerDown(s, layout, x, y);
}

Outcome wheel(ViewState& s, const WindowLayout& layout, int32_t x, int32_t y, int32_t delta) {
  Outcome out;
  if (layout.sidebar.driveList.contains(x, y)) {
    scrollDrives(s, layout.sidebar, scaleDip(-static_cast<int64_t>(delta) * 72 / 120, s.dpi));
    out.repaint = true;
    return out;
  }
  if (!hasTree(s) || s.scan.scanning || !layout.content.map.contains(x, y)) return out;
  s.wheel += delta;
  if (s.wheel >= 120) {
    s.wheel = 0;
    int32_t target = wheelZoomTarget(s, mapCellAt(s, layout, x, y));
    if (target >= 0) zoomTo(s, target, true, out);
  } else if (s.wheel <= -120) {
    s.wheel = 0;
    goUp(s, false, out);
  }
  return out;
}

Outcome backButton(ViewState& s) {
  Outcome out;
  goUp(s, false, out);
  return out;
}

Outcome pointerLeave(ViewState& s) {
  Outcome out;
  s.hover = {};
  s.hoverCell = -1;
  out.repaint = true;
  return out;
}

Outcome captureLost(ViewState& s) {
  Outcome out;
  if (s.marks.dragging) out.add(EffectKind::CancelDragToMark);
  s.marks.dragArmed = s.marks.dragging = false;
  if (s.pressed.id == ElementId::Splitter) endSplitterDrag(s, out);
  s.press.knobDragged = false;   // the knob goes back to the option it showed
  s.pressed = {};
  out.repaint = true;
  return out;
}

PointerShape pointerShapeAt(const ViewState& s, const WindowLayout& layout, int32_t x, int32_t y) {
  if (s.pressed.id == ElementId::Splitter) return PointerShape::SizeWestEast;
  ElementId over = elementAt(s, layout, x, y).id;
  if (over == ElementId::Splitter) return PointerShape::SizeWestEast;
  if (over == ElementId::PerformanceHeader) return PointerShape::Hand;
  return PointerShape::Arrow;
}
