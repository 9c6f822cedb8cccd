#include "ui/focus_order.h"

#include "ui/commands.h"
#include "ui/navigation.h"
#include "ui/sidebar.h"
#include "ui/view_rules.h"
#include <cstdlib>

namespace {

ElementRef refOf(const AccessibleElement& e) { return elementFromCode(e.code); }

bool isChosen(const AccessibleElement& e) { return (e.state & (kStateSelected | kStateChecked)) != 0; }

int32_t focusIndex(const ViewState& s, const std::vector<AccessibleElement>& list) {
  if (s.focus.id == ElementId::None) return -1;
  return findElement(list, focusedElementCode(s));
}

}  // namespace

std::vector<int32_t> focusStops(const std::vector<AccessibleElement>& list) {
  std::vector<int32_t> stops;
  std::vector<int32_t> groupStop;   // per group: the index in `stops` of its stop
  int32_t considered = 0;
  for (size_t i = 0; i < list.size() && considered < static_cast<int32_t>(kMaxFocusStops); i++) {
    const AccessibleElement& e = list[i];
    if (!(e.state & kStateFocusable)) continue;
    considered++;
    if (e.group == kGroupNone) {
      stops.push_back(static_cast<int32_t>(i));
      continue;
    }
    if (groupStop.size() <= static_cast<size_t>(e.group)) groupStop.resize(e.group + 1, -1);
    int32_t& at = groupStop[e.group];
    if (at < 0) {
      at = static_cast<int32_t>(stops.size());
      stops.push_back(static_cast<int32_t>(i));
    } else if (isChosen(e) && !isChosen(list[stops[at]])) {
      stops[at] = static_cast<int32_t>(i);   // the chosen member stands for its group
    }
  }
  return stops;
}

void focusElement(ViewState& s, const WindowLayout& layout, ElementRef element, Outcome& out, bool scrollIntoView) {
  switch (element.id) {
    case ElementId::Map:
      s.focus = {ElementId::Map, takeFocusedCell(s) >= 0 ? 0 : -1};
      out.add(EffectKind::FocusMainWindow);
      s.windowHasFocus = true;
      break;
    case ElementId::List:
    case ElementId::SearchEdit:
    case ElementId::TypesEdit:
    case ElementId::SizeEdit:
    case ElementId::AddressEdit:
      s.focus = {element.id, -1};
      out.add(EffectKind::FocusChild).element = s.focus;
      s.windowHasFocus = false;
      break;
    default:
      if (element.id == ElementId::Drive && scrollIntoView) scrollDriveIntoView(s, layout.sidebar, element.sub);
      s.focus = element;
      out.add(EffectKind::FocusMainWindow);
      s.windowHasFocus = true;
      break;
  }
  out.add(EffectKind::AnnounceFocus).element = s.focus;
  out.repaint = true;
}

void moveFocus(ViewState& s, const WindowLayout& layout, bool backward, Outcome& out) {
  std::vector<AccessibleElement> list = buildElementList(s, layout, nullptr);
  std::vector<int32_t> stops = focusStops(list);
  if (stops.empty()) return;
  const int32_t count = static_cast<int32_t>(stops.size());
  int32_t current = -1;
  int32_t at = focusIndex(s, list);
  if (at >= 0) {
    for (int32_t k = 0; k < count && current < 0; k++) {
      const AccessibleElement& stop = list[stops[k]];
      if (stops[k] == at || (stop.group != kGroupNone && stop.group == list[at].group)) current = k;
    }
  }
  int32_t next;
  if (current >= 0) {
    next = (current + (backward ? count - 1 : 1)) % count;
  } else if (at >= 0) {
    // Focus on an element that is no stop (a tab after a click): the stop after it.
    next = backward ? count - 1 : 0;
    for (int32_t k = 0; k < count; k++) {
      if (!backward && stops[k] > at) {
        next = k;
        break;
      }
      if (backward && stops[k] < at) next = k;
    }
  } else {
    next = backward ? count - 1 : 0;
  }
  focusElement(s, layout, refOf(list[stops[next]]), out);
}

void groupMove(ViewState& s, const WindowLayout& layout, int32_t step, Outcome& out) {
  std::vector<AccessibleElement> list = buildElementList(s, layout, nullptr);
  int32_t at = focusIndex(s, list);
  if (at < 0 || list[at].group == kGroupNone) return;
  const int32_t count = static_cast<int32_t>(list.size()), group = list[at].group;
  for (int32_t k = 1; k < count; k++) {
    int32_t i = ((at + k * step) % count + count) % count;
    const AccessibleElement& e = list[i];
    if (e.group != group || !(e.state & kStateFocusable)) continue;
    ElementRef target = refOf(e);
    focusElement(s, layout, target, out);
    bool chooses = e.role == AccessibleRole::RadioButton || e.role == AccessibleRole::PageTab;
    // Choosing the fast scan here would restart the program: the focus only moves.
    if (chooses && !(target.id == ElementId::FastScan && fastScanStateOf(s) == kFastScanRestart)) {
      Outcome command = invokeElement(s, layout, target);
      for (Effect& effect : command.effects) out.effects.push_back(std::move(effect));
      out.relayout |= command.relayout;
    }
    return;
  }
}

void spatialMove(ViewState& s, int32_t dx, int32_t dy, Outcome& out) {
  int32_t from = focusedCell(s);
  if (from < 0) return;
  const TreemapRect* rects = s.treemap->rects();
  const int64_t count = static_cast<int64_t>(s.treemap->rectCount);
  // Centres doubled, so they stay whole numbers.
  auto cx = [&](int64_t i) { return static_cast<int64_t>(rects[i].x0) + rects[i].x1; };
  auto cy = [&](int64_t i) { return static_cast<int64_t>(rects[i].y0) + rects[i].y1; };
  int64_t best = -1, bestScore = 0;
  for (int64_t i = 0; i < count; i++) {
    if (i == from) continue;
    int64_t ox = cx(i) - cx(from), oy = cy(i) - cy(from);
    int64_t along = dx * ox + dy * oy;
    if (along <= 0) continue;
    int64_t across = std::llabs(ox * dy - oy * dx);
    int64_t score = 2 * across + along;
    if (best < 0 || score < bestScore) best = i, bestScore = score;
  }
  if (best < 0) return;
  s.shown.focusNode = rects[best].node;
  s.focus = {ElementId::Map, 0};
  out.add(EffectKind::AnnounceFocus).element = s.focus;
  out.repaint = true;
}
