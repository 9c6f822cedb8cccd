#include "ui/status_text.h"

#include "engine/filter.h"
#include "ui/performance_text.h"
#include "ui/tooltip_text.h"
#include "ui_fixture.h"
#include <cmath>

namespace {

class Status : public TreeTextTest {};

TEST_F(Status, HoverLineNamesTheItemItsShareAndItsParent) {
  ViewState s = withTree();
  HoverLine line = hoverLine(s, sample.a);
  EXPECT_EQ(narrow(line.folder), "C:\\Users\\me\\photos\\");
  EXPECT_EQ(narrow(line.name), "a.jpg");
  EXPECT_EQ(narrow(line.info), "4.0 kB (4.1 kB on disk) · 22.2 % of view");
  EXPECT_EQ(narrow(line.parent), "photos  7.0 kB");

  line = hoverLine(s, sample.root);
  EXPECT_EQ(narrow(line.name), "C:\\");
  EXPECT_TRUE(line.folder.empty());
  EXPECT_TRUE(line.parent.empty()) << "the root has no parent text";
  EXPECT_EQ(narrow(line.info), "18.0 kB · 100.0 % of view");

  // In the on-disk mode the weights count sizes on disk (4096 per file here); the other size follows.
  s.settings.sizeMode = SizeMode::OnDisk;
  applyFilter(sample.tree(), compileFilter(u"", u"", 0), true, weights, nullptr, false);
  s.shown.weights = weights.data();
  s.shown.weightCount = weights.size();
  s.shown.weightsInUse = true;
  line = hoverLine(s, sample.a);
  EXPECT_EQ(narrow(line.info), "4.1 kB on disk (4.0 kB logical) · 20.0 % of view");

  // A view root of size 0 gives a share of 0.
  s = withTree();
  s.shown.viewRoot = sample.empty;
  EXPECT_NE(hoverLine(s, sample.tiny).info.find(u"0.0 %"), std::u16string::npos);
}

TEST_F(Status, OnlineOnlyFileSaysSo) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  int32_t cloud = t.add(root, u"cloud.docx", 5000, 0, false);
  finalizeTree(t.tree);
  ViewState s = windowState(1280, 800);
  showTree(s, t.tree);
  EXPECT_EQ(narrow(hoverLine(s, cloud).info), "5.0 kB · online-only (0 B on disk) · 100.0 % of view");
}

TEST_F(Status, LeftPartTakesTheFirstThatApplies) {
  ViewState s = windowState(1280, 800);
  EXPECT_EQ(statusText(s).kind, StatusKind::Empty);
  s = withTree();
  EXPECT_EQ(narrow(statusText(s).text),
            "Double-click or wheel up to zoom in · Wheel down, Backspace or mouse back to go up · Right-click: more options");
  s.currentView = MainView::Files;
  EXPECT_EQ(narrow(statusText(s).text),
            "Double-click or Enter: show in the map · Right-click: more options · Click a column header to sort");
  s.selection = {3, 4500, false, -1};
  EXPECT_EQ(narrow(statusText(s).text), "3 files selected · 4.5 kB");
  s.selection = {1, 4000, false, sample.a};
  EXPECT_EQ(statusText(s).kind, StatusKind::Hover) << "one selected file row shows its line";
  EXPECT_EQ(narrow(statusText(s).hover.name), "a.jpg");
  s.currentView = MainView::Extensions;
  s.selection = {2, 7000, true, -1};
  EXPECT_EQ(narrow(statusText(s).text), "2 types selected · 7.0 kB");
  s.marks.leftOutText = u"1 item in system folders was left out";
  EXPECT_EQ(statusText(s).kind, StatusKind::LeftOut);
  s.statusMessage = u"Exported 9 rows to C:\\scan.csv";
  EXPECT_EQ(statusText(s).kind, StatusKind::Message);
  setMarks(s, {sample.a}, 1, 4000);
  s.hover = {ElementId::MarksPill, -1};
  EXPECT_EQ(narrow(statusText(s).text),
            "Marked for deletion, nothing is deleted yet · Click: review, then move to the Recycle Bin · Right-click: clear marks");
}

TEST_F(Status, HoveredCellAndFocusedCellFeedTheLine) {
  ViewState s = withTree();
  WindowLayout layout = layoutWindow(s, measure);
  MapCells cells;
  cells.build(s, layout);
  s.hoverCell = cells.cellOf(sample.big);
  EXPECT_EQ(hoverLineNode(s), sample.big);
  EXPECT_EQ(narrow(statusLine(s)), "C:\\big.iso · 10.0 kB (4.1 kB on disk) · 55.5 % of view · C:\\  18.0 kB");
  EXPECT_EQ(narrow(tooltipText(s, 7, nullptr)), "C:\\big.iso\n10.0 kB (4.1 kB on disk)\n55.5 % of view\nC:\\  18.0 kB");
  s.hoverCell = -1;
  s.shown.focusNode = sample.tiny;
  s.focus = {ElementId::Map, 0};
  EXPECT_EQ(hoverLineNode(s), -1) << "the focused cell counts only while focus shows";
  s.focusVisible = true;
  s.windowHasFocus = true;
  EXPECT_EQ(hoverLineNode(s), sample.tiny);
}

TEST_F(Status, HoverLineSharesTheWidth) {
  ViewState s = withTree();
  HoverLine line = hoverLine(s, sample.a);
  line.info = u"4.0 kB · 22.2 % of view";
  HoverLineLayout placed = placeHoverLine(line, PixelRect{100, 0, 900, 28}, 96, measure);
  EXPECT_EQ(placed.parent, (PixelRect{812, 0, 900, 28}));   // 14 units × 6 + 4
  EXPECT_EQ(placed.folder, (PixelRect{100, 0, 215, 28}));   // 19 × 6 + 1
  EXPECT_EQ(placed.name, (PixelRect{215, 0, 247, 28}));     // 5 × 6 + 2
  EXPECT_EQ(placed.info, (PixelRect{257, 0, 443, 28}));     // 23 × 8 + 2, 10 after the name
  EXPECT_TRUE(placed.failure.empty());
  // A failed deletion's reason follows the info 16 DIPs on, amber, and takes at most a
  // third of what the parent leaves; the pieces never overlap.
  s.review.failures.push_back({sample.photos, u"Access is denied."});
  line = hoverLine(s, sample.a);
  EXPECT_EQ(narrow(line.failure), "Access is denied.") << "a failure of a folder holds for what lies in it";
  line.info = u"4.0 kB · 22.2 % of view";
  placed = placeHoverLine(line, PixelRect{100, 0, 900, 28}, 96, measure);
  EXPECT_EQ(placed.failure, (PixelRect{459, 0, 577, 28}));   // 17 × 6 + 16, 16 after the info
  placed = placeHoverLine(line, PixelRect{0, 0, 300, 28}, 96, measure);
  EXPECT_EQ(placed.failure.width(), 69);                     // (300 − 75 − 16) / 3
  EXPECT_LE(placed.failure.right, placed.parent.left);
  EXPECT_LE(placed.info.right, placed.failure.left);
  s.review.failures.clear();
  line.failure.clear();
  // A narrow bar gives the parent a quarter, info a third of the rest.
  placed = placeHoverLine(line, PixelRect{0, 0, 200, 28}, 96, measure);
  EXPECT_EQ(placed.parent.width(), 50);
  EXPECT_EQ(placed.info.width(), 44);
}

struct RateCase {
  std::vector<double> ages;   // newest first, ms before now
  int32_t fps;
};

TEST_F(Status, FrameRateOverTheLastFrames) {
  std::vector<double> steady;
  for (int i = 0; i < 40; i++) steady.push_back(20.0 * i);   // 50 fps, more frames than the ring holds
  const RateCase cases[] = {
      {{}, 0},
      {{100}, 1},
      {{900, 1900}, 1},            // idle: one frame a second
      {{1200}, 0},
      {{10, 10}, 2},               // same time: the count
      {{0, 250, 600, 900}, 4},     // two within 500 ms: 1 frame in 250 ms
      {steady, 50},
  };
  for (const RateCase& c : cases) {
    FrameTiming frames;
    // Oldest first into the ring, as painting records them.
    for (auto it = c.ages.rbegin(); it != c.ages.rend(); ++it) recordFrame(frames, 50000 - *it - 2, 50000 - *it, false);
    EXPECT_EQ(std::lround(frameRate(frames, 50000)), c.fps) << c.ages.size();
  }
}

TEST_F(Status, PerformanceFiguresAsCellsSummaryAndValue) {
  ViewState s = withTree();
  s.performance.layoutMs = 5.5;
  s.performance.renderMs = 12;
  s.performance.memory = {50000000, 60000000, 40000000, 45000000};
  recordFrame(s.performance.frames, s.nowMs - 102.5, s.nowMs - 100, false);
  PerformanceCell cells[kPerformanceCells];
  performanceCells(s, cells);
  const char* expected[kPerformanceCells][2] = {
      {"Startup", "120 ms"},        {"Scan", "1.23 s walk"},     {"Aggregate", "16 ms"},
      {"Layout", "5.5 ms"},         {"Render", "12 ms"},         {"Items", "9"},
      {"Throughput", "7/s"},        {"Tree memory", ""},         {"Working set", "50.0 MB"},
      {"Frame", "2.5 ms · 1 fps"},  {"Private bytes", "40.0 MB"}, {"Filter", ""},
  };
  for (int i = 0; i < kPerformanceCells; i++) {
    EXPECT_EQ(narrow(cells[i].label), expected[i][0]);
    if (i != 7) {
      EXPECT_EQ(narrow(cells[i].value), expected[i][1]) << expected[i][0];
    }
  }
  EXPECT_EQ(cells[7].value, formatSize(treeBytes(sample.tree())));
  EXPECT_EQ(narrow(performanceSummary(s)), "1.23 s walk · 9 items · 40.0 MB");
  s.shown.source = TreeSource::Mft;
  EXPECT_EQ(narrow(performanceSummary(s)), "1.23 s MFT · 9 items · 40.0 MB");
  performanceCells(s, cells);
  EXPECT_EQ(narrow(cells[1].value), "1.23 s MFT");
  s.shown.source = TreeSource::Csv;
  performanceCells(s, cells);
  EXPECT_EQ(narrow(cells[1].value), "1.23 s CSV");

  s.performance.lastZoomFps = 41.6;
  std::u16string value = performanceAccessibleValue(s);
  EXPECT_NE(value.find(u"Working set 50.0 MB (peak 60.0 MB), Frame 2.5 ms · 1 fps (last zoom 42 fps), Private bytes"),
            std::u16string::npos)
      << narrow(value);
  EXPECT_EQ(value.rfind(u"Startup 120 ms, Scan 1.23 s CSV", 0), 0u) << narrow(value);
  EXPECT_EQ(narrow(tooltipText(s, 2, nullptr)),
            "Paint time of the last frame and frames per second. Mossbloom paints only when something changes, so it shows"
            " about 1 fps while idle.\nLast zoom: 42 fps");

  ViewState none = windowState(1280, 800);
  none.performance.memory.privateBytes = 40000000;
  EXPECT_EQ(narrow(performanceSummary(none)), "Startup 120 ms · 40.0 MB");
}

TEST_F(Status, TooltipTexts) {
  ViewState s = withTree();
  s.performance.memory.peakWorkingSet = 60000000;
  EXPECT_EQ(narrow(tooltipText(s, 1, nullptr)), "Peak working set: 60.0 MB");
  EXPECT_EQ(narrow(tooltipText(s, 99, nullptr)), "Peak working set: 60.0 MB");
  EXPECT_EQ(narrow(tooltipText(s, 6, nullptr)), "Show more performance data");
  s.settings.performancePanel = PerformancePanel::Open;
  EXPECT_EQ(narrow(tooltipText(s, 6, nullptr)), "Show less performance data");
  s.facts.policies.defaultSizeMode = 0;
  EXPECT_EQ(narrow(tooltipText(s, 4, nullptr)),
            "Logical sizes: the size of each file as Windows reports it, also for cloud files that are only online.\n"
            "Managed by your organization: the size mode is set by policy.");
  EXPECT_EQ(tooltipMaxWidth(3), 640);
  EXPECT_EQ(tooltipMaxWidth(7), 640);
  EXPECT_EQ(tooltipMaxWidth(2), 360);

  // Unreadable folders: the first 15 by path and reason, then how many more.
  Tree& tree = sample.tree();
  for (int i = 0; i < 17; i++) tree.unreadableFolders.push_back({i % 2 ? sample.me : sample.photos, 5});
  tree.unreadableFolderCount = 17;
  std::u16string tip = tooltipText(s, 3, [](uint32_t code) { return u"Access is denied. (" + std::u16string(1, u'0' + code) + u")"; });
  EXPECT_EQ(tip.rfind(u"Folders that couldn't be read:\nC:\\Users\\me\\photos: Access is denied. (5)\nC:\\Users\\me: ", 0), 0u)
      << narrow(tip);
  EXPECT_NE(tip.find(u"(5)\nand 2 more"), std::u16string::npos) << narrow(tip);
  EXPECT_EQ(std::count(tip.begin(), tip.end(), u'\n'), 16);
}

}  // namespace
