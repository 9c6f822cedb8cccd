// Extension statistics of a tree and of a view, and the file-type categories.
#include "engine/extensions.h"
#include "tests/engine/test_tree.h"
#include <gtest/gtest.h>
#include <optional>

namespace {
struct Expected {
  std::u16string extension;
  uint64_t files;
  int64_t bytes;
};

void expectTable(const ExtensionTable& table, const std::vector<Expected>& expected) {
  ASSERT_EQ(table.entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); i++) {
    const ExtensionEntry& e = table.entries[i];
    EXPECT_EQ(e.extension, expected[i].extension) << i;
    EXPECT_EQ(e.fileCount, expected[i].files) << i;
    EXPECT_EQ(e.bytes, expected[i].bytes) << i;
  }
}
}  // namespace

TEST(Extensions, ExtensionOfNames) {
  struct Case {
    std::u16string name;
    std::optional<std::u16string> extension;
  } cases[] = {
      {u"Photo.JPG", u"jpg"},
      {u"archive.tar.gz", u"gz"},
      {u".gitignore", std::nullopt},
      {u"..hidden", u"hidden"},
      {u"notes.", u""},
      {u"README", std::nullopt},
      {u"", std::nullopt},
      {u".", std::nullopt},
      {u"\u00C4rger.\u00C4\u00D6", u"\u00C4\u00D6"},   // only A-Z are lower-cased
      {u"MiXeD.TxT", u"txt"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(extensionOf(c.name), c.extension) << std::string(c.name.begin(), c.name.end());
  }
}

TEST(Extensions, ViewTableWithAndWithoutTheNoneBucket) {
  struct File {
    const char16_t* name;
    int64_t bytes;
  } files[] = {
      {u"Photo.JPG", 10},          {u"photo.jpg", 5},    {u"archive.tar.gz", 7},  {u".gitignore", 3},
      {u"notes.", 4},              {u"x.abcdefghijklmnopq", 1000},                {u"y.abcdefghijklmnop", 2},
      {u"\u00C4rger.\u00C4\u00D6", 1}, {u"README", 6},
  };
  ExtensionTable tree, view;
  for (const File& f : files) {
    addFile(tree, f.name, f.bytes, false);
    addFile(view, f.name, f.bytes, true);
  }
  sortExtensionTable(tree);
  sortExtensionTable(view);
  // 17 units are too many in both modes; 16 are counted.
  expectTable(tree, {{u"jpg", 2, 15}, {u"gz", 1, 7}, {u"abcdefghijklmnop", 1, 2}, {u"\u00C4\u00D6", 1, 1}});
  expectTable(view,
              {{u"jpg", 2, 15}, {u"", 3, 13}, {u"gz", 1, 7}, {u"abcdefghijklmnop", 1, 2}, {u"\u00C4\u00D6", 1, 1}});
  EXPECT_TRUE(view.slots.empty());
  EXPECT_TRUE(view.hashes.empty());
}

TEST(Extensions, SortKeepsCreationOrderForEqualBytesAndGrowsItsIndex) {
  ExtensionTable table;
  // 3000 extensions: the index doubles from 1024 slots several times.
  for (int i = 0; i < 3000; i++) {
    std::u16string name = u"f.e";
    for (int v = i; v; v /= 26) name.push_back(char16_t(u'a' + v % 26));
    addFile(table, name, i % 3 == 0 ? 50 : 10, false);
  }
  addFile(table, u"again.E", 10, false);   // "e" (i = 0) again
  EXPECT_EQ(table.entries.size(), 3000u);
  EXPECT_GE(table.slots.size(), 2 * table.entries.size());
  sortExtensionTable(table);
  ASSERT_EQ(table.entries.size(), 3000u);
  EXPECT_EQ(table.entries[0].extension, u"e");
  EXPECT_EQ(table.entries[0].bytes, 60);
  EXPECT_EQ(table.entries[1].extension, u"ed");   // i = 3, the next multiple of 3
  for (size_t k = 1; k < table.entries.size(); k++) EXPECT_GE(table.entries[k - 1].bytes, table.entries[k].bytes);
  // A sorted table can take more files: its index is rebuilt.
  addFile(table, u"late.e", 1, false);
  addFile(table, u"late.new", 1, false);
  EXPECT_EQ(table.entries.size(), 3001u);
  EXPECT_EQ(table.entries[0].fileCount, 3u);
}

TEST(Extensions, TreeTableCountsReachableFilesOnly) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  int32_t docs = t.folder(root, u"Docs.d");   // a folder's dot is not an extension
  t.file(docs, u"a.TXT", 100);
  t.file(docs, u"b.pdf", 100);
  int32_t old = t.folder(root, u"old");
  t.file(old, u"c.txt", 500);
  t.file(old, u"d.zip", 1);
  t.file(root, u"e.zip", 100);
  t.add(root, u"", 3);
  aggregateTree(t.tree);
  expectTable(t.tree.extensions, {{u"txt", 2, 600}, {u"zip", 2, 101}, {u"pdf", 1, 100}});
  detachNode(t.tree, old);
  aggregateTree(t.tree);
  // All three tie at 100 bytes: they keep the node order of their first files.
  expectTable(t.tree.extensions, {{u"txt", 1, 100}, {u"pdf", 1, 100}, {u"zip", 1, 100}});
}

TEST(Extensions, Categories) {
  struct ExtensionCase {
    const char16_t* ext;
    const char16_t* category;
  } extensions[] = {
      {u"jpg", u"images"}, {u"ts", u"video"},         {u"mp3", u"audio"}, {u"docx", u"documents"},
      {u"7z", u"archives"}, {u"qcow2", u"diskimages"}, {u"msixbundle", u"apps"}, {u"css", u"code"},
      {u"c", u"code"},     {u"JPG", u""},             {u"jp", u""},       {u"", u""},
      {u"jpg jpeg", u""},  {u"msix", u"apps"},
  };
  for (const ExtensionCase& c : extensions) {
    EXPECT_EQ(categoryOfExtension(c.ext), std::u16string_view(c.category))
        << std::string(c.ext, c.ext + std::char_traits<char16_t>::length(c.ext));
  }
  struct WordCase {
    const char16_t* word;
    uint32_t categories;
  } words[] = {
      {u"doc", 1u << 3},  {u"pictures", 1u << 0}, {u"jpg", 0},       {u"Movies", 1u << 1},
      {u"VM", 1u << 5},   {u"binaries", 1u << 6},  {u"sour", 0},      {u"", 0},
      {u"code source", 0}, {u"images", 1u << 0},   {u"audio", 1u << 2},
  };
  for (const WordCase& c : words) {
    EXPECT_EQ(categoriesOfWord(c.word), c.categories)
        << std::string(c.word, c.word + std::char_traits<char16_t>::length(c.word));
  }
}
