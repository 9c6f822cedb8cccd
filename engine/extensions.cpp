// Extension statistics of a tree or a view, and the file-type categories.
#include "engine/extensions.h"
#include "base/file_name.h"
#include "base/hash.h"
#include <utility>

namespace {
constexpr size_t kFirstSlotCount = 1024;

uint32_t hashExtension(const char16_t* units, size_t length) { return fnv1a(units, length); }

// Linear probing like the name intern set; why the tables stay apart: engine/names.h.
void insertSlot(ExtensionTable& table, uint32_t hash, int32_t entry) {
  size_t mask = table.slots.size() - 1;
  size_t slot = hash & mask;
  while (table.slots[slot] >= 0) slot = (slot + 1) & mask;
  table.slots[slot] = entry;
}

void rebuildSlots(ExtensionTable& table, size_t slotCount) {
  table.slots.assign(slotCount, -1);
  for (size_t e = 0; e < table.entries.size(); e++) insertSlot(table, table.hashes[e], static_cast<int32_t>(e));
}

// A sorted table lost its index: rebuild it so more files can be added.
void ensureIndex(ExtensionTable& table) {
  if (!table.slots.empty()) return;
  table.hashes.clear();
  for (const ExtensionEntry& e : table.entries) table.hashes.push_back(hashExtension(e.extension.data(), e.extension.size()));
  size_t slots = kFirstSlotCount;
  while (slots < 2 * table.entries.size()) slots *= 2;
  rebuildSlots(table, slots);
}

// `units` is the lower-cased extension.
void addExtension(ExtensionTable& table, const char16_t* units, size_t length, int64_t bytes) {
  ensureIndex(table);
  uint32_t hash = hashExtension(units, length);
  size_t mask = table.slots.size() - 1;
  size_t slot = hash & mask;
  for (;; slot = (slot + 1) & mask) {
    int32_t e = table.slots[slot];
    if (e < 0) break;
    ExtensionEntry& entry = table.entries[e];
    if (table.hashes[e] == hash && entry.extension.size() == length &&
        std::u16string_view(entry.extension) == std::u16string_view(units, length)) {
      entry.fileCount++;
      entry.bytes += bytes;
      return;
    }
  }
  int32_t number = static_cast<int32_t>(table.entries.size());
  table.entries.push_back({std::u16string(units, length), 1, bytes});
  table.hashes.push_back(hash);
  table.slots[slot] = number;
  if (table.slots.size() < 2 * table.entries.size()) rebuildSlots(table, table.slots.size() * 2);
}

// Finds the extension of a name given by unit accessor; returns false for none.
template <typename Name>
bool lowerExtension(const Name& name, size_t length, char16_t* out, size_t& outLength, bool& tooLong) {
  size_t start = extensionStart(name, length);
  if (start == 0) return false;
  outLength = length - start;
  tooLong = outLength > kMaxExtensionLength;
  if (tooLong) return true;
  for (size_t i = 0; i < outLength; i++) out[i] = lowerAscii(name[start + i]);
  return true;
}

template <typename Name>
void addNamed(ExtensionTable& table, const Name& name, size_t length, int64_t bytes, bool includeNone) {
  char16_t ext[kMaxExtensionLength];
  size_t extLength = 0;
  bool tooLong = false;
  bool found = lowerExtension(name, length, ext, extLength, tooLong);
  if (tooLong) return;
  if ((!found || extLength == 0) && !includeNone) return;
  addExtension(table, ext, found ? extLength : 0, bytes);
}

bool containsWord(std::u16string_view spaced, std::u16string_view word) {
  if (word.empty() || word.size() + 2 > spaced.size()) return false;
  for (size_t i = 0; i + word.size() + 2 <= spaced.size(); i++) {
    if (spaced[i] != u' ' || spaced[i + word.size() + 1] != u' ') continue;
    if (spaced.substr(i + 1, word.size()) == word) return true;
  }
  return false;
}

bool hasSpace(std::u16string_view s) { return s.find(u' ') != std::u16string_view::npos; }

void siftDown(std::vector<int32_t>& heap, const std::vector<ExtensionEntry>& entries, size_t root, size_t count) {
  // Max-heap on "comes later": bytes ascending, then entry number descending.
  auto later = [&](int32_t a, int32_t b) {
    if (entries[a].bytes != entries[b].bytes) return entries[a].bytes < entries[b].bytes;
    return a > b;
  };
  while (true) {
    size_t child = 2 * root + 1;
    if (child >= count) return;
    if (child + 1 < count && later(heap[child + 1], heap[child])) child++;
    if (!later(heap[child], heap[root])) return;
    std::swap(heap[root], heap[child]);
    root = child;
  }
}
}  // namespace

const FileCategory kFileCategories[kCategoryCount] = {
    {u"images", u" image images photo photos picture pictures ",
     u" jpg jpeg png gif bmp tif tiff webp heic heif avif raw cr2 cr3 nef arw dng svg ico psd "},
    {u"video", u" video videos movie movies ", u" mp4 mkv avi mov wmv flv webm m4v mpg mpeg ts m2ts vob 3gp "},
    {u"audio", u" audio music sound ", u" mp3 wav flac aac ogg m4a wma opus aiff aif mid midi "},
    {u"documents", u" doc docs document documents office ",
     u" pdf doc docx xls xlsx ppt pptx odt ods odp rtf txt md csv epub "},
    {u"archives", u" archive archives compressed ", u" zip 7z rar tar gz tgz bz2 xz zst cab "},
    {u"diskimages", u" diskimage diskimages vm ", u" iso img vhd vhdx vmdk qcow2 wim esd "},
    {u"apps", u" app apps program programs executable executables binaries ",
     u" exe dll msi sys appx msix msixbundle "},
    {u"code", u" code source ",
     u" c cc cpp h hpp cs js ts tsx jsx py java go rs rb php swift kt json xml yaml yml html css "},
};

void aggregateTree(Tree& tree) {
  finalizeTree(tree);
  buildExtensionTable(tree);
}

void buildExtensionTable(Tree& tree) {
  ExtensionTable table;
  const TreeNode* nodes = tree.nodes();
  for (int64_t i = 0; i < tree.nodeCount; i++) {
    const TreeNode& n = nodes[i];
    if ((n.flags & (kNodeFolder | kNodeDetached)) || n.nameLength == 0) continue;
    int32_t node = static_cast<int32_t>(i);
    NodeNameView name = nodeNameView(tree, node);
    addNamed(table, name, name.length, logicalSize(tree, node), false);
  }
  sortExtensionTable(table);
  tree.extensions = std::move(table);
}

void addFile(ExtensionTable& table, std::u16string_view name, int64_t bytes, bool includeNone) {
  addNamed(table, name, name.size(), bytes, includeNone);
}

// A heap sort by hand, never std::sort: the order of the rows must be the same on every
// build and standard library.
void sortExtensionTable(ExtensionTable& table) {
  std::vector<ExtensionEntry>& entries = table.entries;
  size_t count = entries.size();
  std::vector<int32_t> order(count);
  for (size_t i = 0; i < count; i++) order[i] = static_cast<int32_t>(i);
  for (size_t i = count / 2; i-- > 0;) siftDown(order, entries, i, count);
  for (size_t end = count; end-- > 1;) {
    std::swap(order[0], order[end]);
    siftDown(order, entries, 0, end);
  }
  std::vector<ExtensionEntry> sorted;
  sorted.reserve(count);
  for (int32_t e : order) sorted.push_back(std::move(entries[e]));
  entries = std::move(sorted);
  table.slots = {};
  table.hashes = {};
}

std::optional<std::u16string> extensionOf(std::u16string_view name) {
  size_t start = extensionStart(name, name.size());
  if (start == 0) return std::nullopt;
  std::u16string ext(name.substr(start));
  for (char16_t& c : ext) c = lowerAscii(c);
  return ext;
}

int categoryIndexOfExtension(std::u16string_view ext) {
  if (hasSpace(ext)) return -1;
  for (int i = 0; i < kCategoryCount; i++)
    if (containsWord(kFileCategories[i].extensions, ext)) return i;
  return -1;
}

std::u16string_view categoryOfExtension(std::u16string_view ext) {
  int i = categoryIndexOfExtension(ext);
  return i < 0 ? std::u16string_view() : kFileCategories[i].name;
}

uint32_t categoriesOfWord(std::u16string_view word) {
  if (hasSpace(word)) return 0;
  std::u16string lower(word);
  for (char16_t& c : lower) c = lowerAscii(c);
  uint32_t found = 0;
  for (int i = 0; i < kCategoryCount; i++)
    if (containsWord(kFileCategories[i].words, lower)) found |= 1u << i;
  return found;
}
