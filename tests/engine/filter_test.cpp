#include "engine/filter.h"
#include <gtest/gtest.h>
#include <random>

namespace {

// A one-file tree: root "C:\" holding `name` of `size` bytes.
struct OneFile {
  Tree tree;
  int32_t file = kNoNode;
  OneFile(std::u16string_view name, int64_t size, int64_t onDisk = -1) {
    initTree(tree);
    tree.rootIndex = addNode(tree, kNoNode, u"C:\\", 3, 0, 0, true);
    tree.rootPath = u"C:\\";
    file = addNode(tree, tree.rootIndex, name.data(), name.size(), size, onDisk < 0 ? size : onDisk, false);
    finalizeTree(tree);
  }
  ~OneFile() { releaseTree(tree); }
};

bool passes(std::u16string_view names, std::u16string_view types, int64_t minimum, std::u16string_view file,
            int64_t size) {
  OneFile one(file, size);
  std::vector<float> weights;
  CompiledFilter filter = compileFilter(names, types, minimum);
  int64_t matches = applyFilter(one.tree, filter, false, weights, nullptr, false);
  if (isFilterActive(filter)) {
    EXPECT_EQ(matches, weights[one.file] > 0 ? 1 : 0) << "match count and weight disagree";
  }
  return weights[one.file] > 0;
}

}  // namespace

TEST(Filter, NamesTypesAndSizes) {
  constexpr int64_t k2GiB = int64_t(1) << 31;
  struct Case {
    const char16_t* names;
    const char16_t* types;
    int64_t minimum;
    const char16_t* file;
    int64_t size;
    bool expected;
  } cases[] = {
      {u"report", u"", 0, u"Report-2024.pdf", 10, true},
      {u"report", u"", 0, u"quarterly report.docx", 10, true},
      {u"report", u"", 0, u"repor.txt", 10, false},
      {u"*.log;temp*", u"", 0, u"app.log", 10, true},
      {u"*.log;temp*", u"", 0, u"Temp.txt", 10, true},
      {u"*.log;temp*", u"", 0, u"catalog", 10, false},
      {u" ; ;*.log ", u"", 0, u"x.LOG", 10, true},
      {u"?", u"", 0, u"a", 10, true},
      {u"?", u"", 0, u"ab", 10, false},
      {u"", u"jpg, png", 0, u"a.JPG", 10, true},
      {u"", u"jpg, png", 0, u"b.png", 10, true},
      {u"", u"jpg, png", 0, u"c.gif", 10, false},
      {u"", u"jpg", 0, u".jpg", 10, false},  // a leading dot starts no extension
      {u"", u"photos", 0, u"raw.heic", 10, true},
      {u"", u"photos", 0, u"clip.mp4", 10, false},
      {u"", u"video", 0, u"clip.MP4", 10, true},
      {u"", u"*.mp4", 0, u"clip.mp4", 10, true},
      {u"", u".MP4", 0, u"clip.mp4", 10, true},
      {u"", u"tar.gz", 0, u"backup.tar.gz", 10, false},
      {u"", u"tar.gz", 0, u"backup.tar", 10, false},
      {u"", u"*..*", 0, u"x.txt", 10, true},  // nothing but dots and stars: no extension, no filter
      {u"", u"", k2GiB, u"big.bin", k2GiB, false},  // strictly greater
      {u"", u"", k2GiB, u"big.bin", k2GiB + 1, true},
      {u"back", u"gz", 100, u"backup.tar.gz", 101, true},
      {u"back", u"gz", 100, u"backup.tar.gz", 100, false},
      {u"back", u"zip", 100, u"backup.tar.gz", 101, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(passes(c.names, c.types, c.minimum, c.file, c.size), c.expected) << "case #" << (&c - cases);
  }
}

TEST(Filter, InactiveFilterPassesEverythingAndCountsNothing) {
  OneFile one(u"a.txt", 5);
  std::vector<float> weights;
  CompiledFilter filter = compileFilter(u"  ", u" , ;", 0);
  EXPECT_FALSE(isFilterActive(filter));
  EXPECT_EQ(applyFilter(one.tree, filter, false, weights, nullptr, false), 0);
  EXPECT_EQ(weights[one.file], 5.0f);
  EXPECT_EQ(weights[one.tree.rootIndex], 5.0f);
}

TEST(Filter, CategoryWordAddsEveryExtensionOfItsCategory) {
  CompiledFilter filter = compileFilter(u"", u"Pictures", 0);
  EXPECT_EQ(filter.extensions.size(), 20u);
  EXPECT_EQ(filter.extensions.front(), u"JPG");
  EXPECT_EQ(filter.extensions.back(), u"PSD");
  filter = compileFilter(u"", u"ts", 0);  // extensions are not words
  ASSERT_EQ(filter.extensions.size(), 1u);
  EXPECT_EQ(filter.extensions[0], u"TS");
}

TEST(Filter, MinimumSizeTexts) {
  struct Case {
    const char16_t* text;
    bool decimal;
    int64_t bytes;
    bool valid;
  } cases[] = {
      {u"", true, 0, true},
      {u"  \t ", true, 0, true},
      {u"500 MB", true, 500000000, true},
      {u"2 GB", true, 2000000000, true},
      {u"2 GB", false, int64_t(1) << 31, true},
      {u"1,5 k", true, 1500, true},
      {u"1.5K", false, 1536, true},
      {u"500", true, 500000000, true},
      {u"500", false, 500 * 1048576LL, true},
      {u"10 b", true, 10, true},
      {u"3 kib", true, 3072, true},
      {u"1 TiB", true, int64_t(1) << 40, true},
      {u"1 tb", true, 1000000000000LL, true},
      {u"2.5.5 MB", true, 0, false},  // a second separator ends the number: ".5 MB" is no unit
      {u"1 PB", true, 0, false},
      {u"1 bytes", true, 0, false},
      {u"MB", true, 0, false},
      {u".5 MB", true, 500000, true},
      {u"99999999999999 TB", true, INT64_MAX, true},
      {u"0", true, 0, true},
  };
  for (const Case& c : cases) {
    MinimumSize size = parseMinimumSize(c.text, c.decimal);
    EXPECT_EQ(size.bytes, c.bytes) << "case #" << (&c - cases);
    EXPECT_EQ(size.valid, c.valid) << "case #" << (&c - cases);
  }
}

namespace {
bool referenceMatch(std::u16string_view p, std::u16string_view n) {
  if (p.empty()) return n.empty();
  if (p[0] == u'*') return referenceMatch(p.substr(1), n) || (!n.empty() && referenceMatch(p, n.substr(1)));
  if (n.empty()) return false;
  if (p[0] != u'?' && p[0] != upperCase(n[0])) return false;
  return referenceMatch(p.substr(1), n.substr(1));
}
}  // namespace

TEST(Filter, MatcherAgreesWithBruteForce) {
  std::mt19937 random(7);
  const char16_t patternUnits[] = u"AB*?";
  const char16_t nameUnits[] = u"abAB";
  for (int round = 0; round < 200000; round++) {
    std::u16string pattern, name;
    int pl = random() % 7, nl = random() % 9;
    for (int i = 0; i < pl; i++) pattern += patternUnits[random() % 4];
    for (int i = 0; i < nl; i++) name += nameUnits[random() % 4];
    ASSERT_EQ(matchesPattern(pattern, name), referenceMatch(pattern, name))
        << std::string(pattern.begin(), pattern.end()) << " vs " << std::string(name.begin(), name.end());
  }
}

namespace {
// root/ { keep/ { a.txt 100, b.log 50 }, drop/ { c.txt 30 }, d.txt 7 }
struct SmallTree {
  Tree tree;
  int32_t root, keep, drop, a, b, c, d;
  SmallTree() {
    initTree(tree);
    tree.rootPath = u"C:\\";
    root = tree.rootIndex = addNode(tree, kNoNode, u"C:\\", 3, 0, 0, true);
    keep = addNode(tree, root, u"keep", 4, 0, 0, true);
    drop = addNode(tree, root, u"drop", 4, 0, 0, true);
    a = addNode(tree, keep, u"a.txt", 5, 100, 0, false);      // online-only: nothing on disk
    b = addNode(tree, keep, u"b.log", 5, 50, 4096, false);
    c = addNode(tree, drop, u"c.txt", 5, 30, 4096, false);
    d = addNode(tree, root, u"d.txt", 5, 7, 4096, false);
    finalizeTree(tree);
  }
  ~SmallTree() { releaseTree(tree); }
};
}  // namespace

TEST(Filter, FolderWeightsAreSubtreeSums) {
  SmallTree t;
  std::vector<float> w;
  EXPECT_EQ(applyFilter(t.tree, compileFilter(u"", u"txt", 0), false, w, nullptr, false), 3);
  EXPECT_EQ(w[t.keep], 100.0f);
  EXPECT_EQ(w[t.drop], 30.0f);
  EXPECT_EQ(w[t.b], 0.0f);
  EXPECT_EQ(w[t.root], 137.0f);
}

TEST(Filter, OnDiskModeComparesSizesOnDisk) {
  SmallTree t;
  std::vector<float> w;
  // Every file is under the 1 kB minimum by logical size, but three occupy a cluster on disk.
  EXPECT_EQ(applyFilter(t.tree, compileFilter(u"", u"", 1000), true, w, nullptr, false), 3);
  EXPECT_EQ(w[t.a], 0.0f);  // an online-only file never passes
  EXPECT_EQ(w[t.root], 3 * 4096.0f);
  EXPECT_EQ(applyFilter(t.tree, compileFilter(u"", u"", 1000), false, w, nullptr, false), 0);
}

TEST(Filter, MarksDropOrIsolateSubtrees) {
  SmallTree t;
  std::vector<float> w;
  std::vector<uint8_t> marks(t.tree.nodeCount, 0);
  marks[t.drop] = 1;
  marks[t.d] = 1;
  CompiledFilter txt = compileFilter(u"", u"txt", 0);

  EXPECT_EQ(applyFilter(t.tree, txt, false, w, marks.data(), false), 1);
  EXPECT_EQ(w[t.drop], 0.0f);
  EXPECT_EQ(w[t.root], 100.0f);

  // Only marked subtrees count, and the filter fields are ignored.
  EXPECT_EQ(applyFilter(t.tree, txt, false, w, marks.data(), true), 0);
  EXPECT_EQ(w[t.keep], 0.0f);
  EXPECT_EQ(w[t.drop], 30.0f);
  EXPECT_EQ(w[t.d], 7.0f);
  EXPECT_EQ(w[t.root], 37.0f);
}

TEST(Filter, WeightsGrowByHalfAndAreReusedZeroed) {
  SmallTree t;
  std::vector<float> w(3, 99.0f);
  applyFilter(t.tree, compileFilter(u"", u"", 0), false, w, nullptr, false);
  EXPECT_EQ(w.size(), size_t(t.tree.nodeCount));
  size_t capacity = w.capacity();
  applyFilter(t.tree, compileFilter(u"zzz", u"", 0), false, w, nullptr, false);
  EXPECT_EQ(w.capacity(), capacity);
  for (float v : w) EXPECT_EQ(v, 0.0f);
}

TEST(Filter, EmptyTreeGivesNothing) {
  Tree tree;
  initTree(tree);
  std::vector<float> w;
  EXPECT_EQ(applyFilter(tree, compileFilter(u"a", u"", 0), false, w, nullptr, false), 0);
  EXPECT_TRUE(w.empty());
  releaseTree(tree);
}

namespace {
enum class Numbering { BreadthFirst, DepthFirst, ParentsAfterChildren };

// A random tree of folders and files numbered like the directory walk (breadth-first),
// like a CSV import (depth-first: parents first, not in levels) or like a master-file-table read, where a parent may
// come after its children (linked by hand, as that scanner links records).
struct RandomTree {
  Tree tree;
  RandomTree(Numbering numbering, uint32_t seed) {
    initTree(tree);
    std::mt19937 random(seed);
    const char16_t* names[] = {u"a.jpg", u"b.JPG", u"c.txt", u"report.pdf", u"movie.mp4", u".jpg", u"noext",
                               u"\u65E5\u672C.jpg", u"x.jpgx"};
    auto nameOf = [&] { return std::u16string_view(names[random() % 9]); };
    auto size = [&] { return int64_t(random() % 5 == 0 ? random() % 100000 : random() % 100); };
    if (numbering == Numbering::ParentsAfterChildren) {
      // Records in reverse: each folder is added after its files, then linked.
      std::vector<int32_t> loose;
      for (int f = 0; f < 30; f++) {
        std::vector<int32_t> children(loose.begin(), loose.end());
        loose.clear();
        for (int k = random() % 6; k > 0; k--) {
          std::u16string_view n = nameOf();
          children.push_back(addNode(tree, kNoNode, n.data(), n.size(), size(), 0, false));
        }
        int32_t folder = addNode(tree, kNoNode, u"dir", 3, 0, 0, true);
        for (int32_t c : children) link(c, folder);
        loose.push_back(folder);
      }
      tree.rootIndex = addNode(tree, kNoNode, u"C:\\", 3, 0, 0, true);
      for (int32_t c : loose) link(c, tree.rootIndex);
    } else {
      tree.rootIndex = addNode(tree, kNoNode, u"C:\\", 3, 0, 0, true);
      std::vector<int32_t> queue{tree.rootIndex};
      int folders = 0;
      while (!queue.empty()) {
        int32_t parent;
        if (numbering == Numbering::BreadthFirst) {
          parent = queue.front();
          queue.erase(queue.begin());
        } else {
          parent = queue.back();
          queue.pop_back();
        }
        for (int k = random() % 8; k > 0; k--) {
          bool folder = random() % 4 == 0 && folders < 60;
          std::u16string_view n = folder ? std::u16string_view(u"sub") : nameOf();
          int32_t child = addNode(tree, parent, n.data(), n.size(), folder ? 0 : size(), 0, folder);
          if (folder) {
            folders++;
            queue.push_back(child);
          }
        }
      }
    }
    tree.rootPath = u"C:\\";
    finalizeTree(tree);
  }
  void link(int32_t child, int32_t parent) {
    TreeNode& c = tree.node(child);
    c.parent = parent;
    c.nextSibling = tree.node(parent).firstChild;
    tree.node(parent).firstChild = child;
  }
  ~RandomTree() { releaseTree(tree); }
};

// Weights and match count as the depth-first pass gives them: a tree that does not
// count as finalized takes that pass.
int64_t depthFirst(Tree& tree, const CompiledFilter& filter, bool onDisk, std::vector<float>& weights,
                   const uint8_t* marks = nullptr, bool onlyMarked = false) {
  bool finalized = tree.finalized;
  tree.finalized = false;
  int64_t matches = applyFilter(tree, filter, onDisk, weights, marks, onlyMarked);
  tree.finalized = finalized;
  return matches;
}
}  // namespace

TEST(Filter, EveryNumberingGivesTheDepthFirstResult) {
  const Numbering numberings[] = {Numbering::BreadthFirst, Numbering::DepthFirst, Numbering::ParentsAfterChildren};
  const struct { const char16_t* names; const char16_t* types; int64_t minimum; bool onDisk; } filters[] = {
      {u"", u"", 0, false}, {u"", u"jpg", 0, false}, {u"r*;*.mp4", u"", 0, true}, {u"", u"jpg,pdf", 50, false},
      {u"?", u"", 0, false}, {u"", u"", 99, true}};
  for (Numbering numbering : numberings) {
    for (uint32_t seed = 1; seed <= 20; seed++) {
      RandomTree t(numbering, seed);
      // Some trees lose a subtree, with and without finalizing again.
      int32_t victim = t.tree.node(t.tree.rootIndex).firstChild;
      if (seed % 4 == 1 && victim >= 0) detachNode(t.tree, victim);
      if (seed % 8 == 1) finalizeTree(t.tree);
      // No marks, and marks on a few random nodes (the root's own mark counts for nothing).
      std::vector<uint8_t> marks(t.tree.nodeCount, 0);
      std::mt19937 random(seed);
      for (int k = 0; k < 4; k++) marks[random() % marks.size()] = 1;
      for (const auto& f : filters) {
        CompiledFilter filter = compileFilter(f.names, f.types, f.minimum);
        for (int marking = 0; marking < 3; marking++) {
          const uint8_t* given = marking ? marks.data() : nullptr;
          bool onlyMarked = marking == 2;
          std::vector<float> expected, actual;
          int64_t expectedMatches = depthFirst(t.tree, filter, f.onDisk, expected, given, onlyMarked);
          EXPECT_EQ(applyFilter(t.tree, filter, f.onDisk, actual, given, onlyMarked), expectedMatches)
              << "numbering " << int(numbering) << " seed " << seed << " marking " << marking;
          EXPECT_EQ(actual, expected) << "numbering " << int(numbering) << " seed " << seed << " marking " << marking;
        }
      }
    }
  }
}

TEST(Filter, ChildrenOfAFileTakeNoPart) {
  // Only a hand-linked tree can hang a node below a file; finalizing still reaches it.
  RandomTree t(Numbering::BreadthFirst, 7);
  Tree& tree = t.tree;
  int32_t file = addNode(tree, tree.rootIndex, u"a.jpg", 5, 10, 0, false);
  int32_t below = addNode(tree, file, u"b.jpg", 5, 1000, 0, false);
  finalizeTree(tree);
  ASSERT_FALSE(tree.node(below).flags & kNodeDetached);
  CompiledFilter filter = compileFilter(u"", u"jpg", 0);
  std::vector<float> expected, actual;
  int64_t expectedMatches = depthFirst(tree, filter, false, expected);
  EXPECT_EQ(applyFilter(tree, filter, false, actual, nullptr, false), expectedMatches);
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(actual[below], 0.0f);
}
