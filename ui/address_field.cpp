// Threading: window thread.
#include "ui/address_field.h"

#include "base/short_text.h"
#include "engine/format.h"
#include "platform/scan_path.h"
#include "ui/navigation.h"
#include "ui/scan_lifecycle.h"
#include "ui/suggestions.h"
#include "ui/view_rules.h"
#include <algorithm>

namespace {

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && equalIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// The folder of the tree a typed path names, or -1.
int32_t folderNamed(const Tree& tree, std::u16string_view path) {
  int32_t node = findNodeByPath(tree, path);
  return node >= 0 && isFolder(tree, node) ? node : -1;
}

bool isBelow(const Tree& tree, int32_t node, int32_t ancestor) {
  for (int32_t n = tree.nodes()[node].parent; n >= 0; n = tree.nodes()[n].parent)
    if (n == ancestor) return true;
  return false;
}

}  // namespace

std::vector<Suggestion> addressSuggestions(const ViewState& s, std::u16string_view text) {
  std::vector<Suggestion> items;
  if (!hasTree(s)) return items;
  const Tree& tree = *s.shown.tree;
  const char16_t separator = pathSeparatorFor(tree.rootPath);
  size_t last = text.rfind(separator);
  if (last != std::u16string_view::npos) {
    std::u16string_view head = text.substr(0, last + 1), tail = text.substr(last + 1);
    int32_t folder = folderNamed(tree, head);
    if (folder >= 0) {
      struct Candidate { int32_t node; int64_t size; };
      std::vector<Candidate> candidates;
      for (int32_t child = tree.nodes()[folder].firstChild; child >= 0; child = tree.nodes()[child].nextSibling) {
        if (!isFolder(tree, child)) continue;
        if (!startsWithIgnoringCase(nodeName(tree, child), tail)) continue;
        candidates.push_back({child, shownSize(s, child)});
      }
      std::stable_sort(candidates.begin(), candidates.end(),
                       [](const Candidate& a, const Candidate& b) { return a.size > b.size; });
      if (candidates.size() > kMaxSuggestions) candidates.resize(kMaxSuggestions);
      for (const Candidate& c : candidates) {
        std::u16string name = nodeName(tree, c.node);
        items.push_back({name, formatSize(c.size), std::u16string(head) + name + separator});
      }
      return items;
    }
  }
  const std::u16string& root = tree.rootPath;
  if (text.size() < root.size() && startsWithIgnoringCase(root, text)) {
    std::u16string insert = root;
    if (insert.empty() || insert.back() != separator) insert += separator;
    items.push_back({root, formatSize(shownSize(s, tree.rootIndex)), insert});
  }
  return items;
}

void addressTextChanged(ViewState& s, std::u16string_view text, bool fieldFocused, Outcome& out) {
  s.addressInvalid = false;
  out.repaint = true;
  if (!hasTree(s)) return;
  if (fieldFocused) showSuggestions(s, ElementId::AddressEdit, addressSuggestions(s, text), out);
}

void hideAddress(ViewState& s, Outcome& out) {
  if (!s.addressShown) return;
  s.addressShown = false;
  s.addressInvalid = false;
  hideSuggestions(s, out);
  out.add(EffectKind::HideAddressEdit);
  out.relayout = true;
  out.repaint = true;
}

void navigateAddress(ViewState& s, std::u16string_view typed, Outcome& out) {
  std::u16string_view text = typed;
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  if (text.empty()) {
    hideAddress(s, out);
    return;
  }
  if (hasTree(s)) {
    const Tree& tree = *s.shown.tree;
    int32_t folder = folderNamed(tree, text);
    if (folder >= 0) {
      hideAddress(s, out);
      int32_t viewRoot = s.shown.viewRoot;
      if (folder != viewRoot) zoomTo(s, folder, isBelow(tree, folder, viewRoot), out);
      return;
    }
  }
  std::u16string full = normalizeScanPath(text, BareDrive::Root);
  if (!full.empty() && isExistingFolder(full)) {
    hideAddress(s, out);
    startScan(s, driveIndexForPath(s, full), full, out);
    return;
  }
  s.addressInvalid = true;
  out.repaint = true;
}
