#include "ui/filter_bar.h"

#include "platform/platform.h"
#include "ui/focus_order.h"
#include "ui/suggestions.h"

const FilterFieldInfo kFilterFields[3] = {
    {ElementId::SearchEdit, Text::SearchNamesAndWildcards, Text::SearchNames},
    {ElementId::TypesEdit, Text::TypesVideoJpg, Text::FileTypes},
    {ElementId::SizeEdit, Text::LargerThan_79, Text::LargerThan_78},
};

namespace {

std::u16string* fieldText(ViewState& s, ElementId field) {
  switch (field) {
    case ElementId::SearchEdit: return &s.filter.search;
    case ElementId::TypesEdit: return &s.filter.types;
    case ElementId::SizeEdit: return &s.filter.minimumSize;
    default: return nullptr;
  }
}

void offerTypes(ViewState& s, Outcome& out) {
  if (!hasTree(s)) return;
  showSuggestions(s, ElementId::TypesEdit, typeSuggestions(*s.shown.tree, s.filter.types), out);
}

void tabFrom(ViewState& s, const WindowLayout& layout, bool backward, Outcome& out) {
  s.focusVisible = true;
  moveFocus(s, layout, backward, out);
  out.repaint = true;
}

}  // namespace

std::u16string_view textBeforeNul(std::u16string_view text) {
  size_t nul = text.find(u'\0');
  return nul == std::u16string_view::npos ? text : text.substr(0, nul);
}

bool isBlankFieldText(std::u16string_view text) {
  return text.find_first_not_of(u" \t") == std::u16string_view::npos;
}

ParsedFilter parseFilterFields(const FilterFields& fields, bool decimalSizes) {
  ParsedFilter out;
  out.minimum = parseMinimumSize(textBeforeNul(fields.minimumSize), decimalSizes);
  out.filter = compileFilter(fields.search, fields.types, out.minimum.valid ? out.minimum.bytes : 0);
  return out;
}

void applyFilters(ViewState& s, std::vector<float>& weights, const uint8_t* marks, Outcome& out) {
  ParsedFilter parsed = parseFilterFields(s.filter, s.settings.sizeUnits == SizeUnits::Decimal);
  s.filter.sizeInvalid = !parsed.minimum.valid;
  s.shown.filterActive = isFilterActive(parsed.filter);
  s.mapStale = true;
  s.filterGeneration++;
  out.relayout = true;
  out.repaint = true;
  if (!hasTree(s)) return;
  const Tree& tree = *s.shown.tree;
  // With marks, their totals and the review root are the marking code's to keep.
  if (!marks) {
    s.marks.itemCount = 0;
    s.marks.bytes = 0;
    s.review.root = -1;
  }
  const bool onDisk = s.settings.sizeMode == SizeMode::OnDisk;
  if (!s.shown.filterActive && !marks && !onDisk) {
    s.shown.weights = nullptr;
    s.shown.weightCount = 0;
    s.shown.weightsInUse = false;
    s.shown.matchingCount = tree.fileCount;
    s.performance.filterMs = -1;
    return;
  }
  const double start = nowMs();
  const int64_t matches = applyFilter(tree, parsed.filter, onDisk, weights, marks, s.review.open);
  s.performance.filterMs = nowMs() - start;
  s.shown.weights = weights.data();
  s.shown.weightCount = weights.size();
  s.shown.weightsInUse = true;
  s.shown.matchingCount = matches;
}

Outcome filterFieldChanged(ViewState& s, ElementId field, std::u16string_view text, bool fieldHasFocus) {
  Outcome out;
  std::u16string* stored = fieldText(s, field);
  if (!stored) return out;
  stored->assign(text);
  if (field == ElementId::SizeEdit) s.filter.sizeInvalid = false;
  if (field == ElementId::TypesEdit && fieldHasFocus) offerTypes(s, out);
  out.add(EffectKind::RestartFilterTimer);
  out.repaint = true;
  return out;
}

Outcome filterFieldFocused(ViewState& s, ElementId field) {
  Outcome out;
  if (!fieldText(s, field)) return out;
  s.focus = {field, -1};
  s.windowHasFocus = false;
  if (field == ElementId::TypesEdit) offerTypes(s, out);
  out.repaint = true;
  return out;
}

Outcome filterFieldBlurred(ViewState& s, ElementId field) {
  Outcome out;
  if (field == ElementId::TypesEdit && s.suggestions.owner == ElementId::TypesEdit) hideSuggestions(s, out);
  out.repaint = true;
  return out;
}

FieldKeyResult filterFieldKeyDown(ViewState& s, const WindowLayout& layout, ElementId field, Key key, bool shift) {
  FieldKeyResult result;
  Outcome& out = result.out;
  std::u16string* text = fieldText(s, field);
  if (!text) return result;
  if (popupOwnedBy(s, field)) {
    const bool highlighted = s.suggestions.highlighted >= 0;
    switch (key) {
      case Key::Tab:
        if (highlighted) {
          acceptSuggestion(s, s.suggestions.highlighted, out);
        } else {
          hideSuggestions(s, out);
          tabFrom(s, layout, shift, out);
        }
        break;
      case Key::Enter:
        if (highlighted) {
          acceptSuggestion(s, s.suggestions.highlighted, out);
        } else {
          hideSuggestions(s, out);
          out.add(EffectKind::ApplyFilters);
        }
        break;
      case Key::Escape: hideSuggestions(s, out); break;
      case Key::Up: moveHighlight(s.suggestions, -1); out.repaint = true; break;
      case Key::Down: moveHighlight(s.suggestions, 1); out.repaint = true; break;
      default: return result;
    }
    result.handled = true;
    return result;
  }
  switch (key) {
    case Key::Tab: tabFrom(s, layout, shift, out); break;
    case Key::Enter: out.add(EffectKind::ApplyFilters); break;
    case Key::Escape:
      if (!text->empty()) {
        Effect& clear = out.add(EffectKind::SetFieldText);
        clear.element = {field, -1};
        clear.number = 0;
      } else {
        out.add(EffectKind::FocusMainWindow);
        s.windowHasFocus = true;
        out.repaint = true;
      }
      break;
    default: return result;
  }
  result.handled = true;
  return result;
}

bool fieldSwallowsCharacter(char16_t c) { return c == u'\t' || c == u'\r' || c == u'\n' || c == 0x1B; }

PixelRect filterFieldRect(const WindowLayout& layout, ElementId field) {
  switch (field) {
    case ElementId::SearchEdit: return layout.searchField;
    case ElementId::TypesEdit: return layout.typesField;
    case ElementId::SizeEdit: return layout.sizeField;
    case ElementId::AddressEdit: return layout.addressEdit;
    default: return {};
  }
}

bool filterFieldShowsError(const ViewState& s, ElementId field) {
  return (field == ElementId::SizeEdit && s.filter.sizeInvalid) || (field == ElementId::AddressEdit && s.addressInvalid);
}
