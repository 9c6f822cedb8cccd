#include "engine/filter.h"
#include "engine/extensions.h"
#include "base/file_name.h"
#include "base/short_text.h"
#include <algorithm>
#include <cmath>

namespace {

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
    std::u16string_view part = trimSpacesAndTabs(text.substr(start, end - start));
    if (!part.empty()) piece(part);
    start = end + 1;
  }
}

// A node's name as UTF-16 units without allocating; names hold at most 255 units.
std::u16string_view nameInto(const Tree& tree, int32_t index, char16_t (&buffer)[kMaxNameLength + 1]) {
  NodeNameView name = nodeNameView(tree, index);
  if (name.wide) return {name.wide, name.length};
  for (size_t i = 0; i < name.length; i++) buffer[i] = name.bytes[i];
  return {buffer, name.length};
}

// Reads the stored name in place: most names are one byte per unit and need no widening.
bool passesExtensions(const CompiledFilter& filter, const char16_t* upper, const NodeNameView& name) {
  size_t start = extensionStart(name, name.length);
  if (start == 0) return false;
  size_t length = name.length - start;
  for (const std::u16string& wanted : filter.extensions) {
    if (wanted.size() != length) continue;
    size_t i = 0;
    while (i < length && upper[name[start + i]] == wanted[i]) i++;
    if (i == length) return true;
  }
  return false;
}

// What one pass needs to weigh a file; shared by both passes so they cannot disagree.
struct FileWeigher {
  const Tree& tree;
  const CompiledFilter& filter;
  bool onDisk;
  bool filterTakesPart;
  const char16_t* upper = upperCaseTable();
  // Names are interned, so a pool offset with its length and form is one name text,
  // and drives repeat names (desktop.ini, index.js) all over: remember the verdict
  // of recent names instead of matching them again. Entry: offset << 32 | key << 1 |
  // verdict, where the key (length and form, plus a bit so that 0 is an empty entry)
  // tells names at one offset apart.
  std::vector<uint64_t> verdicts = std::vector<uint64_t>(kVerdictSlots, 0);
  char16_t buffer[kMaxNameLength + 1];

  static constexpr size_t kVerdictSlots = 4096;

  bool nameMatches(const TreeNode& node, int32_t index) {
    uint64_t key = (uint64_t(node.nameOffset) << 32) |
                   ((node.nameLength | (node.flags & kNodeWideName ? 0x100u : 0u) | 0x200u) << 1);
    uint64_t& slot = verdicts[(node.nameOffset * 0x9E3779B1u) >> 20];
    if ((slot & ~uint64_t(1)) == key) return slot & 1;
    bool passes = testName(index);
    slot = key | (passes ? 1 : 0);
    return passes;
  }

  bool testName(int32_t index) {
    if (!filter.extensions.empty() && !passesExtensions(filter, upper, nodeNameView(tree, index))) return false;
    if (filter.patterns.empty()) return true;
    std::u16string_view name = nameInto(tree, index, buffer);
    for (const std::u16string& pattern : filter.patterns)
      if (matchesPattern(pattern, name)) return true;
    return false;
  }

  // The file's weight if it passes, counting it into `matches` when the filter takes part.
  bool weigh(const TreeNode& node, int32_t index, int64_t& size, int64_t& matches) {
    if (onDisk) size = onDiskSize(tree, index);
    else size = node.flags & kNodeLargeSize ? logicalSize(tree, index) : int64_t(node.size);
    if (!filterTakesPart) return true;
    if (filter.minimumSize > 0 && size <= filter.minimumSize) return false;
    if ((!filter.extensions.empty() || !filter.patterns.empty()) && !nameMatches(node, index)) return false;
    matches++;
    return true;
  }
};

// The pass for a finalized tree whose parents all have smaller indices than their
// children, as the directory walk (breadth-first) and the CSV import number them.
// Following the child lists (ordered by size) jumps all over the node array and
// waits on memory at nearly every node; going through the array in index order
// reads it as one stream. Each folder gets a slot for its 64-bit sum when it is met
// (slots in index order, so a parent's slot is found by binary search, and mostly
// from the previous node, since siblings are numbered together); the folder sums
// are then added upwards from the last slot to the first. Sums are integers added
// in another order, which changes none of them.
// A node's inclusion under marks is its own mark or its parent's inclusion, which
// index order has settled before the node is met.
// Returns false, with the weights to be redone, when the numbering is not like that.
bool sumInIndexOrder(const Tree& tree, FileWeigher& weigher, const uint8_t* marks, bool onlyMarked,
                     float* weights, int64_t& matches) {
  struct FolderSum {
    int32_t node;
    uint32_t parentSlot : 31;
    uint32_t included : 1;   // parents come first, so a folder's inclusion is known when met
    int64_t sum;
  };
  std::vector<FolderSum> folders;
  const TreeNode* nodes = tree.nodes();
  const int32_t root = tree.rootIndex;
  folders.push_back({root, 0, !(marks && onlyMarked), 0});
  int32_t lastParent = root;
  uint32_t lastSlot = 0;
  for (int32_t i = 0; i < tree.nodeCount; i++) {
    const TreeNode& node = nodes[i];
    if ((node.flags & kNodeDetached) || i == root) continue;
    if (i < root) return false;   // reachable, so below the root, yet numbered before it
    int32_t parent = node.parent;
    if (parent != lastParent) {
      auto at = std::lower_bound(folders.begin(), folders.end(), parent,
                                 [](const FolderSum& f, int32_t n) { return f.node < n; });
      // A parent not met yet, or one that is no folder (whose children the depth-first
      // pass would not enter): only that pass gives the right answer.
      if (at == folders.end() || at->node != parent) return false;
      lastParent = parent;
      lastSlot = static_cast<uint32_t>(at - folders.begin());
    }
    bool included = true;   // without marks everything below the root is included
    if (marks) included = marks[i] ? onlyMarked : bool(folders[lastSlot].included);
    if (node.flags & kNodeFolder) {
      folders.push_back({i, lastSlot, included, 0});
    } else if (int64_t size; included && weigher.weigh(node, i, size, matches)) {
      weights[i] = static_cast<float>(size);
      folders[lastSlot].sum += size;
    }
  }
  for (size_t k = folders.size() - 1; k > 0; k--) {
    folders[folders[k].parentSlot].sum += folders[k].sum;
    weights[folders[k].node] = static_cast<float>(folders[k].sum);
  }
  weights[root] = static_cast<float>(folders[0].sum);
  return true;
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
  text = trimSpacesAndTabs(text);
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

  std::u16string unit = upperCased(trimSpacesAndTabs(text.substr(i)));
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
  const char16_t* upper = upperCaseTable();
  size_t p = 0, n = 0;
  size_t star = std::u16string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == upper[name[n]])) {
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
  FileWeigher weigher{tree, filter, onDisk, filterTakesPart};
  int64_t matches = 0;
  if (tree.finalized) {
    if (sumInIndexOrder(tree, weigher, marks, onlyMarked, weights.data(), matches)) return matches;
    weights.assign(count, 0.0f);
    matches = 0;
  }

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
    } else if (int64_t size; included && weigher.weigh(node, current, size, matches)) {
      weights[current] = static_cast<float>(size);
      stack.back().sum += size;
    }

    // Next in depth-first order: a sibling, or the sibling of the nearest ancestor that has one.
    int32_t next = current;
    while (next != tree.rootIndex && tree.node(next).nextSibling == kNoNode) next = tree.node(next).parent;
    current = next == tree.rootIndex ? kNoNode : tree.node(next).nextSibling;
  }
  while (!stack.empty()) popFolder();
  return matches;
}
