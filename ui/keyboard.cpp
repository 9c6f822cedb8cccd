#include "ui/keyboard.h"

#include "ui/commands.h"
#include "ui/focus_order.h"
#include "ui/marking.h"
#include "ui/navigation.h"
#include "ui/review.h"
#include "ui/scan_lifecycle.h"
#include "ui/sidebar.h"
#include "ui/view_rules.h"

namespace {

void merge(Outcome& into, Outcome&& from) {
  for (Effect& e : from.effects) into.effects.push_back(std::move(e));
  into.relayout |= from.relayout;
  into.repaint |= from.repaint;
}

void escape(ViewState& s, Outcome& out) {
  if (s.marks.dragging) {
    out.add(EffectKind::CancelDragToMark);
    s.marks.dragging = s.marks.dragArmed = false;
    out.repaint = true;
    return;
  }
  if (s.review.open) {
    if (s.review.deletionRunning) requestDeletionCancel(s, out);
    else leaveReview(s, out);
    out.repaint = true;
    return;
  }
  if (s.exporting.running) {
    out.add(EffectKind::CancelExport);
    out.repaint = true;
    return;
  }
  requestStop(s, out);
}

void arrow(ViewState& s, const WindowLayout& layout, int32_t dx, int32_t dy, Outcome& out) {
  if (!s.focusVisible) out.repaint = true;
  s.focusVisible = true;
  switch (s.focus.id) {
    case ElementId::Map: spatialMove(s, dx, dy, out); break;
    case ElementId::Splitter:
      if (dx != 0) stepSidebarWidth(s, layout.sidebar, 16 * dx, out);
      break;
    default: groupMove(s, layout, dx + dy, out); break;
  }
}

void deleteKey(ViewState& s, Outcome& out) {
  if (!hasTree(s) || s.scan.scanning || s.currentView != MainView::Map || !s.treemap) return;
  int32_t node = -1;
  if (s.hoverCell >= 0 && static_cast<uint64_t>(s.hoverCell) < s.treemap->rectCount) node = s.treemap->rects()[s.hoverCell].node;
  else if (s.focus.id == ElementId::Map && s.windowHasFocus) {
    int32_t cell = focusedCell(s);
    if (cell >= 0) node = s.treemap->rects()[cell].node;
  }
  if (node >= 0) markOrUnmark(s, node, out);
}

}  // namespace

Outcome keyDown(ViewState& s, const WindowLayout& layout, Key key, KeyModifiers modifiers) {
  Outcome out;
  if (modifiers.ctrl) {
    switch (key) {
      case Key::Digit1: switchView(s, 0, out); return out;
      case Key::Digit2: switchView(s, 1, out); return out;
      case Key::Digit3: switchView(s, 2, out); return out;
      case Key::E: return invokeElement(s, layout, {ElementId::Export, -1});
      case Key::L: return invokeElement(s, layout, {ElementId::Address, -1});
      default: break;
    }
  }
  if (modifiers.alt) {
    if (key == Key::D) return invokeElement(s, layout, {ElementId::Address, -1});
    return out;
  }
  switch (key) {
    case Key::Escape: escape(s, out); break;
    case Key::Tab:
      if (!s.focusVisible) out.repaint = true;
      s.focusVisible = true;
      moveFocus(s, layout, modifiers.shift, out);
      break;
    case Key::Left: arrow(s, layout, -1, 0, out); break;
    case Key::Right: arrow(s, layout, 1, 0, out); break;
    case Key::Up: arrow(s, layout, 0, -1, out); break;
    case Key::Down: arrow(s, layout, 0, 1, out); break;
    case Key::Backspace: goUp(s, true, out); break;
    case Key::Enter:
      if (s.focus.id != ElementId::None) merge(out, invokeElement(s, layout, s.focus));
      break;
    case Key::Space: s.spacePressed = true; break;
    case Key::Delete: deleteKey(s, out); break;
    case Key::F1: out.add(EffectKind::ShowAbout); break;
    case Key::F4: merge(out, invokeElement(s, layout, {ElementId::Address, -1})); break;
    case Key::F5:
      if (!s.scan.scanning && !s.scan.rootPath.empty()) merge(out, invokeElement(s, layout, {ElementId::ScanButton, -1}));
      break;
    default: break;
  }
  return out;
}

Outcome keyUp(ViewState& s, const WindowLayout& layout, Key key) {
  Outcome out;
  if (key != Key::Space || !s.spacePressed) return out;
  s.spacePressed = false;
  if (s.focus.id != ElementId::None && s.focus.id != ElementId::Map) merge(out, invokeElement(s, layout, s.focus));
  return out;
}
