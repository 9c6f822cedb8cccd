#include "ui/suggestions.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/extensions.h"
#include "engine/format.h"
#include <algorithm>
#include <cmath>

namespace {

char16_t lowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// `prefix` starts `word`, ignoring case (through the upper-case table, as the
// system's ordinal comparison ignoring case does); a longer prefix never does.
bool startsIgnoringCase(std::u16string_view word, std::u16string_view prefix) {
  if (prefix.size() > word.size()) return false;
  for (size_t i = 0; i < prefix.size(); i++)
    if (upperCase(word[i]) != upperCase(prefix[i])) return false;
  return true;
}

bool alreadyPresent(const std::u16string& normalized, std::u16string_view candidate) {
  std::u16string needle = u"," + std::u16string(candidate) + u",";
  return normalized.find(needle) != std::u16string::npos;
}

}  // namespace

TypeToken typeToken(std::u16string_view text) {
  TypeToken out;
  size_t cut = text.find_last_of(u",; ");
  std::u16string_view current = cut == std::u16string_view::npos ? text : text.substr(cut + 1);
  if (cut != std::u16string_view::npos) out.keptPrefix = std::u16string(text.substr(0, cut + 1));
  if (!out.keptPrefix.empty() && out.keptPrefix.back() != u' ') out.keptPrefix += u' ';

  out.normalized.reserve(text.size() + 2);
  out.normalized += u',';
  for (char16_t c : text) out.normalized += c == u' ' || c == u';' ? u',' : lowerAscii(c);
  out.normalized += u',';

  size_t first = 0, last = current.size();
  while (first < last && (current[first] == u' ' || current[first] == u'\t')) first++;
  while (last > first && (current[last - 1] == u' ' || current[last - 1] == u'\t')) last--;
  while (first < last && (current[first] == u'*' || current[first] == u'.')) first++;
  for (size_t i = first; i < last; i++) out.token += lowerAscii(current[i]);
  return out;
}

std::vector<Suggestion> typeSuggestions(const Tree& tree, std::u16string_view fieldText) {
  std::vector<Suggestion> items;
  const TypeToken t = typeToken(fieldText);
  if (!t.token.empty()) {
    for (const FileCategory& category : kFileCategories) {
      if (!startsIgnoringCase(category.name, t.token) || alreadyPresent(t.normalized, category.name)) continue;
      std::u16string name(category.name);
      items.push_back({name, std::u16string(text(Text::Category_83)), t.keptPrefix + name + u", "});
    }
  }
  for (const ExtensionEntry& entry : tree.extensions.entries) {
    if (items.size() >= kMaxSuggestions) break;
    if (entry.extension.empty() || !startsIgnoringCase(entry.extension, t.token) ||
        alreadyPresent(t.normalized, entry.extension))
      continue;
    const int64_t count = static_cast<int64_t>(entry.fileCount);
    items.push_back({u"." + entry.extension,
                     formatPlural(count, text(Text::File_84), {formatCount(count), formatSize(entry.bytes)}),
                     t.keptPrefix + entry.extension + u", "});
  }
  if (items.size() > kMaxSuggestions) items.resize(kMaxSuggestions);
  return items;
}

void showSuggestions(ViewState& s, ElementId owner, std::vector<Suggestion> items, Outcome& out) {
  if (items.empty()) {
    hideSuggestions(s, out);
    return;
  }
  s.suggestions.items = std::move(items);
  s.suggestions.owner = owner;
  s.suggestions.highlighted = -1;
  out.add(EffectKind::ShowSuggestions).element = {owner, -1};
  out.repaint = true;
}

void hideSuggestions(ViewState& s, Outcome& out) {
  if (s.suggestions.owner == ElementId::None && s.suggestions.items.empty()) return;
  s.suggestions = {};
  out.add(EffectKind::HideSuggestions);
  out.repaint = true;
}

bool popupOwnedBy(const ViewState& s, ElementId field) {
  return s.suggestions.owner == field && field != ElementId::None && !s.suggestions.items.empty();
}

void moveHighlight(SuggestionPopup& popup, int32_t step) {
  const int32_t count = static_cast<int32_t>(popup.items.size());
  if (count == 0) return;
  if (step > 0) popup.highlighted = (popup.highlighted + 1) % count;
  else popup.highlighted = (popup.highlighted <= 0 ? count : popup.highlighted) - 1;
}

void acceptSuggestion(ViewState& s, int32_t index, Outcome& out) {
  const ElementId owner = s.suggestions.owner;
  if (owner == ElementId::None || index < 0 || index >= static_cast<int32_t>(s.suggestions.items.size())) return;
  std::u16string insert = s.suggestions.items[index].insert;
  if (owner == ElementId::TypesEdit) hideSuggestions(s, out);
  Effect& set = out.add(EffectKind::SetFieldText);
  set.element = {owner, -1};
  set.number = static_cast<int32_t>(insert.size());
  set.text = std::move(insert);
  out.repaint = true;
}

PixelRect suggestionPopupRect(const PixelRect& owner, int32_t itemCount, int32_t dpi) {
  const int32_t top = owner.bottom + scaleDip(4, dpi);
  const int32_t width = std::max(owner.width(), scaleDip(320, dpi));
  return {owner.left, top, owner.left + width, top + scaleDip(int64_t(itemCount) * 32 + 8, dpi)};
}

int32_t suggestionRowAt(int32_t y, int32_t itemCount, int32_t dpi) {
  for (int32_t i = 0; i < itemCount; i++)
    if (y >= scaleDip(4 + 32 * int64_t(i), dpi) && y < scaleDip(4 + 32 * int64_t(i + 1), dpi)) return i;
  return -1;
}

bool suggestionPointerMoved(ViewState& s, int32_t y) {
  const int32_t row = suggestionRowAt(y, static_cast<int32_t>(s.suggestions.items.size()), s.dpi);
  if (row < 0 || row == s.suggestions.highlighted) return false;
  s.suggestions.highlighted = row;
  return true;
}

Outcome suggestionClicked(ViewState& s, int32_t y) {
  Outcome out;
  const int32_t row = suggestionRowAt(y, static_cast<int32_t>(s.suggestions.items.size()), s.dpi);
  if (row >= 0) acceptSuggestion(s, row, out);
  return out;
}

SuggestionRowLayout suggestionRowLayout(const Suggestion& item, int32_t index, int32_t popupWidth, int32_t dpi,
                                        const TextMeasurer& measure) {
  auto px = [dpi](double dips) { return scaleDip(static_cast<int64_t>(std::ceil(dips)), dpi); };
  SuggestionRowLayout out;
  out.row = {px(4), px(4 + 32.0 * index), popupWidth - px(4), px(4 + 32.0 * (index + 1))};
  out.accentBar = {out.row.left, out.row.top + px(9), out.row.left + px(3), out.row.bottom - px(9)};
  int32_t labelRight = out.row.right - px(8);
  if (!item.detail.empty()) {
    const double width = measure.textWidth(TextStyle::Caption, item.detail);
    out.detail = {out.row.right - px(10) - px(width), out.row.top, out.row.right - px(10), out.row.bottom};
    labelRight = out.row.right - px(width + 12) - px(8);
  }
  out.label = {out.row.left + px(12), out.row.top, std::max(out.row.left + px(12), labelRight), out.row.bottom};
  return out;
}
