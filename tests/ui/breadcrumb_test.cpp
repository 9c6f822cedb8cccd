#include "ui/breadcrumb.h"

#include "ui_fixture.h"

namespace {

class BreadcrumbTest : public UiTest {};

struct SplitCase {
  const char16_t* rootPath;
  std::vector<std::pair<std::u16string, std::u16string>> segments;   // name, path
};

TEST_F(BreadcrumbTest, RootPathSplitsIntoScannableFolders) {
  const SplitCase cases[] = {
      {u"C:\\", {{u"C:", u"C:\\"}}},
      {u"C:\\Users\\me", {{u"C:", u"C:\\"}, {u"Users", u"C:\\Users"}, {u"me", u"C:\\Users\\me"}}},
      {u"D:\\Photos\\2020", {{u"D:", u"D:\\"}, {u"Photos", u"D:\\Photos"}, {u"2020", u"D:\\Photos\\2020"}}},
      {u"\\\\server\\share\\dir", {{u"\\\\server\\share", u"\\\\server\\share"}, {u"dir", u"\\\\server\\share\\dir"}}},
      {u"\\\\server\\share", {{u"\\\\server\\share", u"\\\\server\\share"}}},
      {u"/data/x", {{u"/", u"/"}, {u"data", u"/data"}, {u"x", u"/data/x"}}},
      {u"relative", {{u"relative", u"relative"}}},
      {u"", {{u"", u""}}},
  };
  for (const SplitCase& c : cases) {
    std::vector<BreadcrumbSegment> got = splitRootPath(c.rootPath);
    ASSERT_EQ(got.size(), c.segments.size()) << narrow(c.rootPath);
    for (size_t i = 0; i < got.size(); i++) {
      EXPECT_EQ(got[i].name, c.segments[i].first) << narrow(c.rootPath) << " #" << i;
      EXPECT_EQ(got[i].path, c.segments[i].second) << narrow(c.rootPath) << " #" << i;
      EXPECT_EQ(got[i].node, -1);
    }
  }
}

// D:\Photos\2020 with a chain of folders below it, each named by 12 letters.
struct DeepTree {
  TestTree t;
  std::vector<int32_t> chain;
  DeepTree(int depth) {
    int32_t parent = t.root(u"D:\\Photos\\2020");
    for (int i = 0; i < depth; i++) {
      std::u16string name = u"folder" + std::u16string(1, u'a' + i) + u"ABCDE";
      parent = t.folder(parent, name);
      chain.push_back(parent);
    }
    t.file(parent, u"x.bin", 100);
    finalizeTree(t.tree);
  }
};

TEST_F(BreadcrumbTest, SegmentsLeadFromAboveTheRootDownToTheViewRoot) {
  DeepTree deep(3);
  ViewState s = windowState(1280, 800);
  showTree(s, deep.t.tree, deep.chain[1]);
  std::vector<BreadcrumbSegment> segments = breadcrumbSegments(s);
  ASSERT_EQ(segments.size(), 5u);
  EXPECT_EQ(segments[0].path, u"D:\\");
  EXPECT_EQ(segments[1].path, u"D:\\Photos");
  EXPECT_EQ(segments[2].name, u"2020");
  EXPECT_TRUE(segments[2].path.empty()) << "the scanned root is a node, not a folder to scan";
  EXPECT_EQ(segments[2].node, deep.t.tree.rootIndex);
  EXPECT_EQ(segments[3].node, deep.chain[0]);
  EXPECT_EQ(segments[4].node, deep.chain[1]);
  EXPECT_EQ(segments[4].name, u"folderbABCDE");

  s.review.open = true;
  s.review.root = deep.chain[0];
  segments = breadcrumbSegments(s);
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(narrow(segments[0].name), "Marked for deletion");
  EXPECT_EQ(segments[0].node, deep.chain[0]);
  EXPECT_EQ(segments[1].node, deep.chain[1]);

  s = windowState(1280, 800);
  EXPECT_TRUE(breadcrumbSegments(s).empty()) << "no tree, no segments";
}

TEST_F(BreadcrumbTest, LongPathCollapsesToFirstEllipsisAndLastSegments) {
  DeepTree deep(6);
  ViewState s = windowState(1280, 800);
  showTree(s, deep.t.tree, deep.chain.back());
  WindowLayout layout = layoutWindow(s, measure);
  const Breadcrumb& crumb = layout.breadcrumb;
  ASSERT_EQ(crumb.segments.size(), 9u);
  // 612 DIPs for the pieces: "D:" (36), "…" and separator (35), and the last two
  // (2 × (20 + 176)) fit; a third from the end would not.
  EXPECT_FALSE(crumb.segments[0].collapsed);
  for (size_t i = 1; i <= 6; i++) {
    EXPECT_TRUE(crumb.segments[i].collapsed) << i;
    EXPECT_TRUE(crumb.segments[i].rect.empty()) << i;
  }
  EXPECT_FALSE(crumb.segments[7].collapsed);
  EXPECT_FALSE(crumb.segments[8].collapsed);
  EXPECT_EQ(crumb.segments[0].rect, (PixelRect{layout.pathBar.left + 8, 14, layout.pathBar.left + 44, 46}));
  EXPECT_EQ(crumb.ellipsis, (PixelRect{layout.pathBar.left + 64, 14, layout.pathBar.left + 79, 46}));
  EXPECT_EQ(crumb.segments[7].rect.left, layout.pathBar.left + 99);
  EXPECT_EQ(crumb.separators.size(), 3u);
  EXPECT_LE(crumb.segments[8].rect.right, layout.pathBar.right);
  EXPECT_TRUE(isClickableSegment(crumb, 0));
  EXPECT_FALSE(isClickableSegment(crumb, 3)) << "collapsed";
  EXPECT_TRUE(isClickableSegment(crumb, 7));
  EXPECT_FALSE(isClickableSegment(crumb, 8)) << "the shown folder itself";

  // Zoomed out two levels everything fits again.
  showTree(s, deep.t.tree, deep.chain[0]);
  layout = layoutWindow(s, measure);
  for (const BreadcrumbSegment& segment : layout.breadcrumb.segments) EXPECT_FALSE(segment.collapsed);
  EXPECT_TRUE(layout.breadcrumb.ellipsis.empty());
}

TEST_F(BreadcrumbTest, FirstAndLastStayWhenNothingElseCanGo) {
  DeepTree deep(1);
  ViewState s = windowState(960, 800);
  s.settings.sidebarWidth = 312;
  showTree(s, deep.t.tree, deep.chain[0]);
  Breadcrumb crumb;
  crumb.segments = breadcrumbSegments(s);
  placeBreadcrumb(crumb, PixelRect{0, 8, 100, 52}, 96, measure);
  ASSERT_EQ(crumb.segments.size(), 4u);
  EXPECT_FALSE(crumb.segments.front().collapsed);
  EXPECT_FALSE(crumb.segments.back().collapsed);
  EXPECT_TRUE(crumb.segments[1].collapsed);
  EXPECT_LE(crumb.segments.back().rect.right, 100) << "clipped to the bar";
}

}  // namespace
