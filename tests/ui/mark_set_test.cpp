#include "ui/mark_set.h"

#include "engine/cut_out.h"
#include "tests/engine/test_tree.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <vector>

namespace {

// The scanned folder C:\scan holds
//   music\ (x.mp3 100, y.mp3 200, z.mp3 300)
//   docs\ (a.txt 10, deep\ (b.txt 20, c.txt 30), d.txt 40)
//   top.bin 1000
struct Sample {
  TestTree t;
  int32_t root, music, x, y, z, docs, a, deep, b, c, d, top;
  Sample() {
    root = t.root(nativePath(u"C:\\scan"));
    music = t.folder(root, u"music");
    x = t.file(music, u"x.mp3", 100);
    y = t.file(music, u"y.mp3", 200);
    z = t.file(music, u"z.mp3", 300);
    docs = t.folder(root, u"docs");
    a = t.file(docs, u"a.txt", 10);
    deep = t.folder(docs, u"deep");
    b = t.file(deep, u"b.txt", 20);
    c = t.file(deep, u"c.txt", 30);
    d = t.file(docs, u"d.txt", 40);
    top = t.file(root, u"top.bin", 1000);
    finalizeTree(t.tree);
  }
  const Tree& tree() const { return t.tree; }
};

using Nodes = std::vector<int32_t>;

// Every marked node is flagged and every flag belongs to a marked node; no marked
// node has a marked ancestor.
void expectConsistent(const Tree& tree, const MarkSet& marks) {
  int64_t flagged = 0;
  for (uint8_t f : marks.flags) flagged += f != 0;
  EXPECT_EQ(flagged, static_cast<int64_t>(marks.nodes.size()));
  for (int32_t n : marks.nodes) {
    EXPECT_TRUE(isMarked(marks, n));
    for (int32_t up = tree.node(n).parent; up >= 0; up = tree.node(up).parent)
      EXPECT_FALSE(isMarked(marks, up)) << n << " lies below the marked " << up;
  }
}

TEST(MarkSet, AddingFollowsTheNoMarkedAncestorRule) {
  Sample s;
  struct Case {
    const char* what;
    Nodes add;
    Nodes expected;   // in marking order
    bool lastChanged;
  } cases[] = {
      {"one file", {s.x}, {s.x}, true},
      {"the same file twice", {s.x, s.x}, {s.x}, false},
      {"a file in a marked folder", {s.music, s.y}, {s.music}, false},
      {"a file deep in a marked folder", {s.docs, s.c}, {s.docs}, false},
      {"the folder of two marked files", {s.x, s.z, s.music}, {s.music}, true},
      {"a folder takes the marks below it, others stay in order", {s.top, s.b, s.x, s.docs}, {s.top, s.x, s.docs}, true},
      {"the root over everything", {s.x, s.deep, s.root}, {s.root}, true},
  };
  for (const Case& c : cases) {
    MarkSet marks;
    bool changed = false;
    for (int32_t n : c.add) changed = addMark(s.tree(), marks, n);
    EXPECT_EQ(marks.nodes, c.expected) << c.what;
    EXPECT_EQ(changed, c.lastChanged) << c.what;
    expectConsistent(s.tree(), marks);
  }
}

TEST(MarkSet, RefusesNodesOutsideTheTreeOrCutOutOfIt) {
  Sample s;
  MarkSet marks;
  EXPECT_FALSE(addMark(s.tree(), marks, -1));
  EXPECT_FALSE(addMark(s.tree(), marks, s.t.tree.nodeCount));
  cutOutOfTree(s.t.tree, {s.deep});
  EXPECT_FALSE(addMark(s.tree(), marks, s.deep));
  EXPECT_FALSE(addMark(s.tree(), marks, s.b)) << "below what was cut";
  EXPECT_TRUE(marks.nodes.empty());
  EXPECT_TRUE(addMark(s.tree(), marks, s.a));
}

TEST(MarkSet, TotalsCountTheFolderItselfAndItsFiles) {
  Sample s;
  MarkSet marks;
  addMark(s.tree(), marks, s.x);
  addMark(s.tree(), marks, s.z);
  addMark(s.tree(), marks, s.music);
  MarkTotals totals = markTotals(s.tree(), marks.nodes, false);
  EXPECT_EQ(totals.items, 4) << "the folder and its three files";
  EXPECT_EQ(totals.bytes, 600);
  addMark(s.tree(), marks, s.docs);
  totals = markTotals(s.tree(), marks.nodes, false);
  EXPECT_EQ(totals.items, 4 + 6);
  EXPECT_EQ(totals.bytes, 700);
  // On disk every non-empty test file takes 4096 bytes.
  EXPECT_EQ(markTotals(s.tree(), marks.nodes, true).bytes, 7 * 4096);
}

TEST(MarkSet, UnmarkingInsideAMarkKeepsTheRestMarked) {
  Sample s;
  struct Case {
    const char* what;
    Nodes marked;
    int32_t unmark;
    Nodes expected;   // as a set
    bool changed;
  } cases[] = {
      {"a marked file", {s.x, s.top}, s.x, {s.top}, true},
      {"one file of a marked folder of three", {s.music}, s.y, {s.x, s.z}, true},
      {"a file two levels down", {s.docs}, s.b, {s.a, s.d, s.c}, true},
      {"a folder inside a marked folder", {s.docs}, s.deep, {s.a, s.d}, true},
      {"from a marked root", {s.root}, s.c, {s.music, s.top, s.a, s.d, s.b}, true},
      {"nothing marked above it", {s.music}, s.a, {s.music}, false},
  };
  for (const Case& c : cases) {
    MarkSet marks;
    for (int32_t n : c.marked) addMark(s.tree(), marks, n);
    EXPECT_EQ(unmarkWithin(s.tree(), marks, c.unmark), c.changed) << c.what;
    Nodes got = marks.nodes, want = c.expected;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want) << c.what;
    expectConsistent(s.tree(), marks);
    // What the unmarked node held is out of the totals; everything else stays in.
    MarkTotals before = markTotals(s.tree(), c.marked, false);
    if (c.changed) {
      EXPECT_EQ(markTotals(s.tree(), marks.nodes, false).bytes,
                before.bytes - markTotals(s.tree(), {c.unmark}, false).bytes)
          << c.what;
    }
  }
}

TEST(MarkSet, RemovingAndClearingKeepTheOrderAndTheFlags) {
  Sample s;
  MarkSet marks;
  for (int32_t n : {s.top, s.x, s.a, s.deep}) addMark(s.tree(), marks, n);
  EXPECT_TRUE(removeMarks(marks, {s.x, s.y, s.deep}));
  EXPECT_EQ(marks.nodes, (Nodes{s.top, s.a}));
  EXPECT_FALSE(isMarked(marks, s.x));
  EXPECT_FALSE(removeMarks(marks, {s.x, -5, 99999})) << "nothing of these is marked";
  expectConsistent(s.tree(), marks);
  clearMarks(marks);
  EXPECT_TRUE(marks.nodes.empty());
  EXPECT_FALSE(isMarked(marks, s.top));
}

TEST(MarkSet, MarksCutOutOfTheTreeAreDropped) {
  Sample s;
  MarkSet marks;
  for (int32_t n : {s.b, s.x, s.d}) addMark(s.tree(), marks, n);
  cutOutOfTree(s.t.tree, {s.deep});
  EXPECT_TRUE(dropDetachedMarks(s.tree(), marks));
  EXPECT_EQ(marks.nodes, (Nodes{s.x, s.d}));
  EXPECT_FALSE(dropDetachedMarks(s.tree(), marks));
}

TEST(MarkSet, CommonAncestorIsTheDeepestFolderHoldingEveryMark) {
  Sample s;
  struct Case {
    Nodes marked;
    int32_t expected;
  } cases[] = {
      {{}, -1},
      {{s.y}, s.y},
      {{s.music}, s.music},
      {{s.x, s.z}, s.music},
      {{s.b, s.c}, s.deep},
      {{s.b, s.d}, s.docs},
      {{s.c, s.a, s.b}, s.docs},
      {{s.b, s.x}, s.root},
      {{s.deep, s.b}, s.deep},
      {{s.top}, s.top},
  };
  for (const Case& c : cases) EXPECT_EQ(commonAncestor(s.tree(), c.marked), c.expected) << c.marked.size();
}

TEST(MarkSet, AncestorQuestions) {
  Sample s;
  EXPECT_TRUE(isAtOrBelow(s.tree(), s.c, s.docs));
  EXPECT_TRUE(isAtOrBelow(s.tree(), s.docs, s.docs));
  EXPECT_FALSE(isAtOrBelow(s.tree(), s.docs, s.c));
  EXPECT_FALSE(isAtOrBelow(s.tree(), s.x, s.docs));
  EXPECT_FALSE(isAtOrBelow(s.tree(), s.x, -1));
  MarkSet marks;
  addMark(s.tree(), marks, s.deep);
  EXPECT_EQ(markedAncestorOrSelf(s.tree(), marks, s.c), s.deep);
  EXPECT_EQ(markedAncestorOrSelf(s.tree(), marks, s.deep), s.deep);
  EXPECT_EQ(markedAncestorOrSelf(s.tree(), marks, s.docs), -1);
}

}  // namespace
