#include "ui/layout.h"

#include "ui_fixture.h"
#include "ui/view_rules.h"

namespace {

class Layout : public UiTest {};

// With no drives and a standard user the widest sidebar text is "About Mossbloom":
// 52 + 15 units × 7 + 108 = 265 DIPs under the fake measurer.
constexpr int32_t kAutomaticWidth = 265;

struct SidebarCase {
  int32_t windowWidth;      // DIPs, outer
  int32_t setting;          // the sidebarWidth setting, 0 automatic
  bool longDriveLabel;      // a drive whose title is far wider than the sidebar
  int32_t maxWidth;
  int32_t width;
};

TEST_F(Layout, SidebarWidthFollowsTheWindowAndTheSetting) {
  const SidebarCase cases[] = {
      {800, 0, false, 312, kAutomaticWidth},
      {800, 0, true, 312, 312},      // a narrow window keeps the sidebar at 312 at most
      {960, 470, false, 312, 312},
      {1100, 0, true, 452, 452},
      {1127, 0, true, 479, 479},
      {1128, 0, true, 480, 480},     // from 1128 DIPs it may grow to 480
      {1500, 0, true, 480, 480},
      {1280, 400, false, 480, 400},
      {1280, 100, false, 480, 220},
      {1280, 0, false, 480, kAutomaticWidth},
  };
  for (const SidebarCase& c : cases) {
    ViewState s = windowState(c.windowWidth, 800);
    s.settings.sidebarWidth = c.setting;
    if (c.longDriveLabel) s.drives.push_back(driveEntry(u'C', std::u16string(60, u'x')));
    WindowLayout layout = layoutWindow(s, measure);
    EXPECT_EQ(layout.sidebar.maxWidth, c.maxWidth) << c.windowWidth;
    EXPECT_EQ(layout.sidebar.width, c.width) << c.windowWidth << " setting " << c.setting;
    EXPECT_EQ(layout.searchField.left, layout.sidebar.width + 16) << "the main column follows the sidebar";
  }
}

TEST_F(Layout, AutomaticWidthMeasuresEverySidebarText) {
  ViewState s = windowState(1280, 800);
  EXPECT_EQ(automaticSidebarWidth(s, measure), kAutomaticWidth);
  // A drive's second line: 68 + 40 units × 6 + 12.
  DriveEntry drive = driveEntry(u'D', u"Data", std::u16string(30, u'F'));
  s.drives.push_back(drive);
  EXPECT_EQ(automaticSidebarWidth(s, measure), 68 + (30 + 3 + 6 + 9 + 6) * 6 + 12);
  // The administrator's check box replaces the Fast description: 58 + 29 units × 7 + 12 = 273.
  s.drives.clear();
  s.facts.isAdministrator = true;
  EXPECT_EQ(automaticSidebarWidth(s, measure), 273);
}

TEST_F(Layout, ToolbarButtonsAreRightAlignedAtTheirWidestLabel) {
  ViewState s = windowState(1280, 800);
  WindowLayout layout = layoutWindow(s, measure);
  // Export at its minimum 100; the scan button sized by "Stopping…" (9 units): 16+16+8+63+16.
  EXPECT_EQ(layout.exportButton, (PixelRect{1156, 16, 1256, 48}));
  EXPECT_EQ(layout.scanButton, (PixelRect{1029, 16, 1148, 48}));
  EXPECT_EQ(layout.upButton, (PixelRect{933, 16, 1021, 48}));
  EXPECT_TRUE(layout.continueButton.empty());
  EXPECT_EQ(layout.pathBar, (PixelRect{281, 8, 917, 52}));
  EXPECT_EQ(layout.addressEdit, (PixelRect{293, 11, 905, 49}));
  EXPECT_EQ(layout.summaryLine, (PixelRect{281, 52, 1256, 72}));

  // A partial tree without a running scan adds Continue and narrows the path bar.
  SampleTree sample;
  sample.tree().pendingFolderCount = 2;
  showTree(s, sample.tree());
  layout = layoutWindow(s, measure);
  EXPECT_EQ(layout.continueButton, (PixelRect{809, 16, 925, 48}));
  EXPECT_EQ(layout.pathBar.right, 793);
  s.scan.scanning = true;
  EXPECT_TRUE(layoutWindow(s, measure).continueButton.empty());
}

// Where the icon font is missing its glyphs measure nothing, but the button still
// draws the icon's 16-DIP box: the label must keep its whole width beside it.
TEST_F(Layout, ToolbarButtonKeepsTheIconBoxWhenTheGlyphMeasuresNothing) {
  class NoIconFont : public FakeMeasurer {
   public:
    double textWidth(TextStyle style, std::u16string_view text) const override {
      if (style == TextStyle::SmallIcon || style == TextStyle::Icon) return 0;
      return FakeMeasurer::textWidth(style, text);
    }
  } noIcons;
  const IconLabel label{u'\uEDE1', u"Exportieren"};   // 11 units × 7
  EXPECT_EQ(toolbarButtonWidth(&label, 1, 100, noIcons), 16 + 16 + 8 + 77 + 16);
  EXPECT_EQ(toolbarButtonWidth(&label, 1, 100, measure), 16 + 16 + 8 + 77 + 16);
}

TEST_F(Layout, FilterBarSharesTheRestOfTheRow) {
  ViewState s = windowState(1280, 800);
  WindowLayout layout = layoutWindow(s, measure);
  // V = 1256 − 281 − 368 = 607.
  EXPECT_EQ(layout.searchField, (PixelRect{281, 84, 554, 116}));
  EXPECT_EQ(layout.typesField, (PixelRect{562, 84, 762, 116}));
  EXPECT_EQ(layout.sizeField, (PixelRect{770, 84, 904, 116}));
  EXPECT_EQ(layout.clearFilters, (PixelRect{912, 84, 944, 116}));
  EXPECT_EQ(layout.logicalSizes, (PixelRect{952, 84, 1044, 116}));
  EXPECT_EQ(layout.sizesOnDisk, (PixelRect{1044, 84, 1136, 116}));
  EXPECT_EQ(layout.decimalUnits, (PixelRect{1144, 84, 1200, 116}));
  EXPECT_EQ(layout.binaryUnits, (PixelRect{1200, 84, 1256, 116}));
  EXPECT_EQ(layout.tabs[0], (PixelRect{281, 124, 326, 156}));
  EXPECT_EQ(layout.tabs[1], (PixelRect{330, 124, 389, 156}));
  EXPECT_EQ(layout.tabs[2], (PixelRect{393, 124, 487, 156}));
}

TEST_F(Layout, NoticeMovesEverythingBelowItDown) {
  for (int32_t dpi : {96, 144}) {
    ViewState s = windowState(1280, 800, dpi);
    WindowLayout without = layoutWindow(s, measure);
    s.notice = {NoticeKind::Managed, u"Managed by your organization: the size mode is set by policy."};
    WindowLayout with = layoutWindow(s, measure);
    const int32_t d = scaleDip(48, dpi);
    EXPECT_EQ(with.noticeShift, 48);
    EXPECT_EQ(with.searchField.top, without.searchField.top + d) << dpi;
    EXPECT_EQ(with.binaryUnits.bottom, without.binaryUnits.bottom + d) << dpi;
    EXPECT_EQ(with.tabs[2].top, without.tabs[2].top + d) << dpi;
    EXPECT_EQ(with.content.panel.top, without.content.panel.top + d) << dpi;
    EXPECT_EQ(with.content.map.top, without.content.map.top + d) << dpi;
    EXPECT_EQ(with.status.bar, without.status.bar) << "the status bar stays at the bottom";
    EXPECT_EQ(with.pathBar, without.pathBar);
    EXPECT_TRUE(without.noticeBar.empty());
    EXPECT_EQ(with.noticeBar.top, scaleDip(80, dpi));
    // And it all comes back when the notice closes.
    s.notice = {};
    EXPECT_EQ(layoutWindow(s, measure).content.panel, without.content.panel);
  }
  ViewState s = windowState(1280, 800);
  s.notice = {NoticeKind::Information, u"Mossbloom 2.0 is available. You have 1.0.", u"2.0", NoticeAction::Update};
  WindowLayout layout = layoutWindow(s, measure);
  EXPECT_EQ(layout.noticeClose, (PixelRect{1216, 84, 1248, 116}));
  EXPECT_EQ(layout.noticeAction, (PixelRect{1112, 84, 1208, 116})) << "Update: 96 wide, 8 left of the close button";
  EXPECT_EQ(layout.noticeText, (PixelRect{325, 80, 1104, 120}));
  s.notice.action = NoticeAction::TurnOn;
  EXPECT_EQ(layoutWindow(s, measure).noticeAction.width(), 112);
}

TEST_F(Layout, StatusBarAndPerformancePanelInEachState) {
  ViewState s = windowState(1280, 800);
  WindowLayout folded = layoutWindow(s, measure);
  EXPECT_EQ(folded.status.bar, (PixelRect{285, 760, 1256, 788}));
  EXPECT_EQ(folded.status.panelButton, (PixelRect{1224, 760, 1256, 788}));
  EXPECT_EQ(narrow(folded.performanceSummary), "Startup 120 ms · 0 B");
  EXPECT_EQ(folded.status.performance, (PixelRect{1100, 760, 1220, 788}));
  EXPECT_EQ(folded.status.text, (PixelRect{285, 760, 1084, 788}));
  EXPECT_TRUE(folded.panel.panel.empty());
  EXPECT_EQ(folded.content.panel, (PixelRect{281, 162, 1256, 756}));
  EXPECT_EQ(folded.content.map, (PixelRect{287, 168, 1250, 750}));
  EXPECT_EQ(folded.tooltips[1], folded.status.performance);
  EXPECT_EQ(folded.tooltips[6], folded.status.panelButton);
  EXPECT_EQ(folded.tooltips[7], folded.status.text);
  EXPECT_EQ(folded.performanceHeader[1], folded.status.panelButton);

  s.settings.performancePanel = PerformancePanel::Open;
  WindowLayout open = layoutWindow(s, measure);
  EXPECT_EQ(open.panel.panel, (PixelRect{281, 660, 1256, 784}));
  EXPECT_EQ(open.status.bar, (PixelRect{285, 628, 1256, 652}));
  EXPECT_EQ(open.status.panelButton, (PixelRect{1216, 666, 1248, 694}));
  EXPECT_EQ(open.panel.title, (PixelRect{297, 670, 1239, 692}));
  EXPECT_EQ(open.panel.cells[0], (PixelRect{297, 698, 532, 724}));
  EXPECT_EQ(open.panel.cells[5], (PixelRect{532, 724, 767, 750}));
  EXPECT_EQ(open.panel.cells[11], (PixelRect{1002, 750, 1237, 776}));
  EXPECT_TRUE(open.status.performance.empty());
  EXPECT_EQ(open.status.text.right, 1256);
  EXPECT_EQ(open.content.panel.bottom, 624);
  EXPECT_EQ(open.tooltips[2], open.panel.cells[9]);

  // Still open while its fold animation runs.
  s.panelClosing = true;
  EXPECT_EQ(layoutWindow(s, measure).panel.panel, open.panel.panel);

  s.panelClosing = false;
  s.settings.performancePanel = PerformancePanel::Hidden;
  WindowLayout hidden = layoutWindow(s, measure);
  EXPECT_EQ(hidden.status.bar, folded.status.bar);
  EXPECT_TRUE(hidden.status.panelButton.empty());
  EXPECT_TRUE(hidden.performanceHeader[0].empty());
  EXPECT_EQ(hidden.status.text.right, 1256);
}

TEST_F(Layout, ReviewCardTakesTheTopOfTheContent) {
  ViewState s = windowState(1280, 800);
  SampleTree sample;
  showTree(s, sample.tree());
  setMarks(s, {sample.photos}, 3, 4000);
  s.review.open = true;
  s.review.root = sample.users;
  WindowLayout layout = layoutWindow(s, measure);
  EXPECT_EQ(layout.content.reviewCard, (PixelRect{282, 163, 1255, 213}));
  EXPECT_EQ(layout.content.map.top, 168 + 52);
  EXPECT_FALSE(layout.content.reviewMain.empty());
  EXPECT_LT(layout.content.reviewSecond.right, layout.content.reviewMain.left);
  EXPECT_LT(layout.content.reviewBack.right, layout.content.reviewSecond.left);
  EXPECT_TRUE(layout.status.marksPill.empty()) << "no pill inside the review";
}

TEST_F(Layout, DriveListScrollsAndKeepsTheSectionsBelowIt) {
  ViewState s = windowState(1280, 600);
  for (char16_t letter = u'C'; letter < u'C' + 10; letter++) s.drives.push_back(driveEntry(letter));
  s.driveScroll = 1000;
  WindowLayout layout = layoutWindow(s, measure);
  const SidebarLayout& bar = layout.sidebar;
  // Room: 600 − (48 + 8 + 160) − 108 = 276; the rows need 10 × 72 − 4 = 716.
  EXPECT_EQ(bar.driveList, (PixelRect{16, 108, 265, 384}));
  EXPECT_EQ(bar.driveScrollRange, 440);
  EXPECT_EQ(bar.driveScroll, 440) << "clamped to the range";
  EXPECT_EQ(bar.driveRows[0].top, 108 - 440);
  EXPECT_EQ(bar.driveRows[9], (PixelRect{16, 108 + 648 - 440, 265, 108 + 716 - 440}));
  EXPECT_EQ(bar.driveThumb, (PixelRect{269, 278, 273, 384})) << "76176 / 716 = 106 high, at the bottom";
  EXPECT_EQ(bar.scanModeHeading.top, 404);
  EXPECT_EQ(bar.scanModeBox, (PixelRect{16, 432, 265, 544}));
  EXPECT_EQ(bar.standardOption, (PixelRect{16, 432, 265, 488}));
  EXPECT_EQ(bar.fastOption, (PixelRect{16, 488, 265, 544}));
  EXPECT_EQ(bar.footer.top, 552);
  EXPECT_EQ(bar.about, (PixelRect{16, 552, 165, 588}));
  EXPECT_EQ(bar.version, (PixelRect{169, 552, 221, 588}));
  EXPECT_EQ(bar.settings, (PixelRect{225, 552, 265, 588}));

  // A very low window still shows one drive, and the footer stays 8 below the box.
  s = windowState(1280, 300);
  for (char16_t letter = u'C'; letter < u'C' + 10; letter++) s.drives.push_back(driveEntry(letter));
  layout = layoutWindow(s, measure);
  EXPECT_EQ(layout.sidebar.driveList.height(), 68);
  EXPECT_EQ(layout.sidebar.footer.top, layout.sidebar.scanModeBox.bottom + 8);

  // Two drives in a tall window: no overflow, no thumb, the footer at H − 48.
  s = windowState(1280, 900);
  s.drives = {driveEntry(u'C'), driveEntry(u'D')};
  s.driveScroll = 50;
  layout = layoutWindow(s, measure);
  EXPECT_EQ(layout.sidebar.driveList.height(), 140);
  EXPECT_EQ(layout.sidebar.driveScroll, 0);
  EXPECT_TRUE(layout.sidebar.driveThumb.empty());
  EXPECT_EQ(layout.sidebar.footer.top, 852);
}

TEST_F(Layout, AdministratorSeesTheCheckBoxAndTheLabel) {
  ViewState s = windowState(1280, 900);
  s.facts.isAdministrator = true;
  WindowLayout layout = layoutWindow(s, measure);
  const SidebarLayout& bar = layout.sidebar;
  EXPECT_EQ(bar.elevateCheck, (PixelRect{bar.fastOption.left + 12, bar.fastOption.top + 28, bar.fastOption.right - 12,
                                    bar.fastOption.bottom - 6}));
  EXPECT_EQ(bar.adminLabel, (PixelRect{24, bar.scanModeBox.bottom + 12, bar.width - 8, bar.scanModeBox.bottom + 32}));
  // The fast scan turned off by policy takes the check box away, not the label.
  s.facts.policies.disableMftScan = 1;
  layout = layoutWindow(s, measure);
  EXPECT_TRUE(layout.sidebar.elevateCheck.empty());
  EXPECT_FALSE(layout.sidebar.adminLabel.empty());
}

TEST_F(Layout, HigherDpiScalesEveryDipLength) {
  ViewState s = windowState(1280, 800, 144);
  WindowLayout layout = layoutWindow(s, measure);
  EXPECT_EQ(layout.sidebar.width, kAutomaticWidth) << "the width rule works in DIPs";
  EXPECT_EQ(layout.content.panel.top, 243);
  EXPECT_EQ(layout.searchField.left, scaleDip(kAutomaticWidth + 16, 144));
  EXPECT_EQ(layout.status.bar.top, s.clientHeight - 60);
  EXPECT_EQ(layout.exportButton.right, s.clientWidth - 36);
  EXPECT_EQ(layout.exportButton.width(), 150);
  EXPECT_EQ(scaleDip(3, 144), 5);
  EXPECT_EQ(scaleDip(1, 144), 2);
  EXPECT_EQ(scaleDip(6, 120), 8);
}

TEST_F(Layout, ScanningContentCentresOnTheMapArea) {
  ViewState s = windowState(1280, 800);
  s.drives.push_back(driveEntry(u'C'));
  s.scan.scanning = true;
  s.scan.rootPath = u"C:\\";
  s.scan.driveIndex = 0;
  s.scan.startMs = s.nowMs - 1000;
  WindowLayout layout = layoutWindow(s, measure);
  const ContentLayout& c = layout.content;
  EXPECT_EQ(c.centreY, (168 + 750) / 2);
  EXPECT_EQ(c.progressTrack, (PixelRect{768 - 120, c.centreY + 32, 768 + 120, c.centreY + 36}));
  EXPECT_TRUE(c.useFastScan.empty()) << "the tip waits 3 seconds";
  s.scan.startMs = s.nowMs - 3000;
  layout = layoutWindow(s, measure);
  // "Use Fast scan" with the restart icon: 16 + 16 + 8 + 91 + 16 = 147, at least 160.
  EXPECT_EQ(layout.content.useFastScan, (PixelRect{768 - 80, c.centreY + 86, 768 + 80, c.centreY + 118}));
  EXPECT_TRUE(layout.content.emptyText.empty());
  s.scan = {};
  EXPECT_FALSE(layoutWindow(s, measure).content.emptyText.empty()) << "no drive chosen";
}

}  // namespace
