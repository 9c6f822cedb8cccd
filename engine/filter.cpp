#include "engine/filter.h"
#include "engine/extensions.h"
#include <cmath>

namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trimBlanks(std::u16string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::u16string upperCased(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = upperCase(c);
  return out;
}

// Splits at any of `separators`, trimming each piece and skipping empty ones.
template <typename Piece>
void forEachPiece(std::u16string_view text, std::u16string_view separators, Piece&& piece) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(separators, start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view part = trimBlanks(text.substr(start, end - start));
    if (!part.empty()) piece(part);
    start = end + 1;
  }
}

// A node's name as UTF-16 units without allocating; names hold at most 255 units.
std::u16string_view nameInto(const Tree& tree, int32_t index, char16_t (&buffer)[kMaxNameLength + 1]) {
  const TreeNode& node = tree.node(index);
  const uint8_t* stored = tree.namePool.base + node.nameOffset;
  size_t length = node.nameLength;
  if (node.flags & kNodeWideName) return {reinterpret_cast<const char16_t*>(stored), length};
  for (size_t i = 0; i < length; i++) buffer[i] = stored[i];
  return {buffer, length};
}

bool passesExtensions(const CompiledFilter& filter, std::u16string_view name) {
  size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos || dot == 0) return false;
  std::u16string_view extension = name.substr(dot + 1);
  for (const std::u16string& wanted : filter.extensions) {
    if (wanted.size() != extension.size()) continue;
    size_t i = 0;
    while (i < extension.size() && upperCase(extension[i]) == wanted[i]) i++;
    if (i == extension.size()) return true;
  }
  return false;
}

}  // namespace

bool isFilterActive(const CompiledFilter& filter) {
  return !filter.patterns.empty() || !filter.extensions.empty() || filter.minimumSize > 0;
}

CompiledFilter compileFilter(std::u16string_view namesText, std::u16string_view typesText, int64_t minimumSize) {
  CompiledFilter filter;
  filter.minimumSize = minimumSize;
  forEachPiece(namesText, u";", [&](std::u16string_view piece) {
    std::u16string pattern = upperCased(piece);
    // A plain word matches anywhere in the name.
    if (pattern.find_first_of(u"*?") == std::u16string::npos) pattern = u"*" + pattern + u"*";
    filter.patterns.push_back(std::move(pattern));
  });
  forEachPiece(typesText, u",; ", [&](std::u16string_view piece) {
    std::u16string word(piece);
    for (char16_t& c : word) if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    uint32_t categories = categoriesOfWord(word);
    for (int i = 0; i < kCategoryCount; i++) {
      if (!(categories & (1u << i))) continue;
      forEachPiece(kFileCategories[i].extensions, u" ", [&](std::u16string_view extension) {
        filter.extensions.push_back(upperCased(extension));
      });
    }
    if (categories) return;
    while (!piece.empty() && (piece.front() == u'.' || piece.front() == u'*')) piece.remove_prefix(1);
    if (!piece.empty()) filter.extensions.push_back(upperCased(piece));
  });
  return filter;
}

MinimumSize parseMinimumSize(std::u16string_view text, bool decimalSizes) {
  text = trimBlanks(text);
  if (text.empty()) return {0, true};
  double number = 0, scale = 0;  // scale 0: still in the whole part
  bool anyDigit = false;
  size_t i = 0;
  for (; i < text.size(); i++) {
    char16_t c = text[i];
    if (c >= u'0' && c <= u'9') {
      anyDigit = true;
      if (scale == 0) {
        number = number * 10 + (c - u'0');
      } else {
        number += (c - u'0') * scale;
        scale /= 10;
      }
    } else if ((c == u'.' || c == u',') && scale == 0) {
      scale = 0.1;
    } else {
      break;
    }
  }
  if (!anyDigit) return {0, false};

  std::u16string unit = upperCased(trimBlanks(text.substr(i)));
  double base = decimalSizes ? 1000.0 : 1024.0;
  double multiplier = 0;
  if (unit.empty()) {
    multiplier = decimalSizes ? 1e6 : 1048576.0;
  } else if (unit == u"B") {
    multiplier = 1;
  } else {
    static const char16_t kPrefixes[] = u"KMGT";
    for (int power = 1; power <= 4; power++) {
      if (unit[0] != kPrefixes[power - 1]) continue;
      std::u16string_view rest = std::u16string_view(unit).substr(1);
      if (rest.empty() || rest == u"B") multiplier = std::pow(base, power);
      else if (rest == u"IB") multiplier = std::pow(1024.0, power);
    }
  }
  if (multiplier == 0) return {0, false};

  double bytes = number * multiplier;
  if (std::isnan(bytes)) return {0, true};
  if (bytes > 9.223372036854775e18) return {INT64_MAX, true};
  return {static_cast<int64_t>(bytes), true};
}

bool matchesPattern(std::u16string_view pattern, std::u16string_view name) {
  size_t p = 0, n = 0;
  size_t star = std::u16string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == upperCase(name[n]))) {
      p++;
      n++;
    } else if (star != std::u16string_view::npos) {
      // Let the most recent star swallow one more unit.
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') p++;
  return p == pattern.size();
}

int64_t applyFilter(const Tree& tree, const CompiledFilter& filter, bool onDisk,
                    std::vector<float>& weights, const uint8_t* marks, bool onlyMarked) {
  size_t count = static_cast<size_t>(tree.nodeCount);
  if (weights.capacity() < count) weights.reserve(std::max(weights.capacity() + weights.capacity() / 2, count));
  weights.assign(count, 0.0f);
  if (tree.rootIndex < 0) return 0;

  const bool filterTakesPart = isFilterActive(filter) && !(marks && onlyMarked);
  struct Frame {
    int32_t node;
    bool included;
    int64_t sum;
  };
  std::vector<Frame> stack;
  stack.reserve(64);
  stack.push_back({tree.rootIndex, !(marks && onlyMarked), 0});

  auto popFolder = [&] {
    Frame done = stack.back();
    stack.pop_back();
    weights[done.node] = static_cast<float>(done.sum);
    if (!stack.empty()) stack.back().sum += done.sum;
  };

  int64_t matches = 0;
  char16_t buffer[kMaxNameLength + 1];
  int32_t current = tree.node(tree.rootIndex).firstChild;
  while (current != kNoNode) {
    const TreeNode& node = tree.node(current);
    while (stack.back().node != node.parent) popFolder();
    bool included = (marks && marks[current]) ? onlyMarked : stack.back().included;

    if (node.flags & kNodeFolder) {
      stack.push_back({current, included, 0});
      if (node.firstChild != kNoNode) {
        current = node.firstChild;
        continue;
      }
    } else if (included) {
      int64_t size = onDisk ? onDiskSize(tree, current) : logicalSize(tree, current);
      bool passes = true;
      if (filterTakesPart) {
        if (filter.minimumSize > 0 && size <= filter.minimumSize) passes = false;
        if (passes && (!filter.extensions.empty() || !filter.patterns.empty())) {
          std::u16string_view name = nameInto(tree, current, buffer);
          if (!filter.extensions.empty() && !passesExtensions(filter, name)) passes = false;
          if (passes && !filter.patterns.empty()) {
            bool any = false;
            for (const std::u16string& pattern : filter.patterns) {
              if (matchesPattern(pattern, name)) { any = true; break; }
            }
            passes = any;
          }
        }
        if (passes) matches++;
      }
      if (passes) {
        weights[current] = static_cast<float>(size);
        stack.back().sum += size;
      }
    }

    // Next in depth-first order: a sibling, or the sibling of the nearest ancestor that has one.
    int32_t next = current;
    while (next != tree.rootIndex && tree.node(next).nextSibling == kNoNode) next = tree.node(next).parent;
    current = next == tree.rootIndex ? kNoNode : tree.node(next).nextSibling;
  }
  while (!stack.empty()) popFolder();
  return matches;
}
