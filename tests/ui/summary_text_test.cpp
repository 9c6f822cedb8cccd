#include "ui/summary_text.h"

#include "engine/filter.h"
#include "ui_fixture.h"
#include <vector>

namespace {

class Summary : public TreeTextTest {
 protected:
  // Filters the sample through the engine, as applying filters does.
  void filter(ViewState& s, std::u16string_view names) {
    CompiledFilter f = compileFilter(names, u"", 0);
    s.shown.matchingCount = applyFilter(sample.tree(), f, false, weights, nullptr, false);
    s.shown.weights = weights.data();
    s.shown.weightCount = weights.size();
    s.shown.weightsInUse = true;
    s.shown.filterActive = true;
  }
};

struct LineCase {
  const char* name;
  void (*prepare)(ViewState&, Summary&);
  const char* line;
};

TEST_F(Summary, EveryStateInEnglish) {
  ViewState none = windowState(1280, 800);
  EXPECT_EQ(narrow(summaryLine(summaryText(none))), "Pick a drive to see what is using its space");

  ViewState scanning = windowState(1280, 800);
  scanning.scan.scanning = true;
  scanning.scan.rootPath = u"C:\\";
  scanning.scan.startMs = scanning.nowMs - 12345;
  scanning.scan.progress.done = 1234;
  EXPECT_EQ(narrow(summaryLine(summaryText(scanning))), "Scanning C:\\ · 1,234 items found · 12.3 s");
  scanning.scan.progress.done = 1;
  EXPECT_EQ(narrow(summaryLine(summaryText(scanning))), "Scanning C:\\ · 1 item found · 12.3 s");
  scanning.scan.progress = {50, 200, true};
  EXPECT_EQ(narrow(summaryLine(summaryText(scanning))), "Scanning C:\\ · Reading the MFT · 25 % · 50 of 200 records · 12.3 s");

  ViewState s = withTree();
  EXPECT_EQ(narrow(summaryLine(summaryText(s))), "18.0 kB logical · 5 files · 4 folders · scanned with directory walk in 1.25 s");
  s.exporting = {true, u"scan.csv", 42};
  EXPECT_EQ(narrow(summaryLine(summaryText(s))), "Exporting to scan.csv · 42 % · Esc stops");

  s = withTree();
  filter(s, u"*.jpg");
  EXPECT_EQ(narrow(summaryLine(summaryText(s))),
            "7.0 kB logical in 2 matching files (of 5) · scanned with directory walk in 1.25 s");
  s = withTree();
  filter(s, u"doc*");
  EXPECT_EQ(narrow(summaryLine(summaryText(s))),
            "1.0 kB logical in 1 matching file (of 5) · scanned with directory walk in 1.25 s");

  s = withTree();
  s.review.open = true;
  s.review.root = sample.root;
  s.shown.source = TreeSource::Mft;
  s.shown.scanMs = -1;
  EXPECT_EQ(narrow(summaryLine(summaryText(s))), "18.0 kB logical · scanned with MFT");

  s = withTree();
  s.shown.source = TreeSource::Csv;
  s.shown.csvPath = u"D:\\exports\\Local Disk (C).csv";
  s.shown.viewRoot = sample.photos;
  s.settings.sizeUnits = SizeUnits::Binary;
  EXPECT_EQ(narrow(summaryLine(summaryText(s))),
            "7.0 kB logical · 2 files · 0 folders · imported from Local Disk (C).csv in 1.25 s");
}

TEST_F(Summary, CountsFollowTheViewRoot) {
  const struct {
    int32_t SampleTree::*root;
    const char* line;
  } cases[] = {
      {&SampleTree::root, "18.0 kB logical · 5 files · 4 folders"},
      {&SampleTree::users, "8.0 kB logical · 3 files · 2 folders"},
      {&SampleTree::me, "8.0 kB logical · 3 files · 1 folder"},
      {&SampleTree::photos, "7.0 kB logical · 2 files · 0 folders"},
      {&SampleTree::empty, "0 B logical · 0 files · 0 folders"},
  };
  ViewState s = withTree();
  for (bool refreshed : {false, true}) {
    for (const auto& c : cases) {
      s.shown.viewRoot = sample.*c.root;
      if (refreshed) refreshViewCounts(s);
      std::string line = narrow(summaryLine(summaryText(s)));
      EXPECT_EQ(line.substr(0, line.find(" · scanned")), c.line) << (refreshed ? "counted once" : "counted by the line");
    }
  }
  // Counts kept for one tree are not taken for another at the same address.
  s.shown.viewRoot = sample.photos;
  refreshViewCounts(s);
  TestTree other;
  int32_t root = other.root(u"C:\\");
  int32_t photos = other.folder(root, u"photos");
  other.file(photos, u"x.jpg", 1000);
  finalizeTree(other.tree);
  s.shown.viewCounts.tree = &other.tree;
  s.shown.tree = &other.tree;
  s.shown.viewRoot = photos;
  s.shown.viewCounts.root = photos;
  std::string line = narrow(summaryLine(summaryText(s)));
  EXPECT_EQ(line.substr(0, line.find(" · scanned")), "1.0 kB logical · 1 file · 0 folders");
}

TEST_F(Summary, OptionalPiecesWithTheirPlurals) {
  ViewState s = withTree();
  Tree& tree = sample.tree();
  tree.hardLinkCount = 1;
  tree.streamCount = 2;
  tree.pendingFolderCount = 3;
  tree.unreadableFolderCount = 1;
  s.filter.sizeInvalid = true;
  s.shown.fallback = MftFailure::NotNtfsVolume;
  SummaryText summary = summaryText(s);
  EXPECT_EQ(narrow(summary.head),
            "18.0 kB logical · 5 files · 4 folders · scanned with directory walk in 1.25 s · 1 hard link"
            " · 2 alternate data streams · partial: 3 folders not scanned yet");
  EXPECT_EQ(narrow(summary.piece), "1 folder couldn't be read, results incomplete");
  EXPECT_EQ(narrow(summary.tail),
            " · size not understood (try 500 MB, 2 GB) · MFT unavailable (not an NTFS volume), used directory walk");
  tree.hardLinkCount = 2;
  tree.streamCount = 1;
  tree.pendingFolderCount = 1;
  tree.unreadableFolderCount = 4;
  summary = summaryText(s);
  EXPECT_NE(summary.head.find(u" · 2 hard links · 1 alternate data stream · partial: 1 folder not scanned yet"),
            std::u16string::npos);
  EXPECT_EQ(narrow(summary.piece), "4 folders couldn't be read, results incomplete");
}

struct PluralCase {
  const char16_t* language;
  int64_t files, folders, links, unreadable;
  const char* head;
  const char* piece;
};

TEST_F(Summary, PolishAndRussianPickTheirPluralForms) {
  const PluralCase cases[] = {
      {u"pl", 1, 1, 0, 0, "18,0 kB logicznie · 1 plik · 1 folder · skanowanie: przeglądanie katalogów w 1,25 s", ""},
      {u"pl", 22, 5, 3, 2,
       "18,0 kB logicznie · 22 pliki · 5 folderów · skanowanie: przeglądanie katalogów w 1,25 s · 3 linki twarde",
       "Nie można odczytać 2 folderów, wyniki niepełne"},
      {u"pl", 112, 24, 5, 1,
       "18,0 kB logicznie · 112 plików · 24 foldery · skanowanie: przeglądanie katalogów w 1,25 s · 5 linków twardych",
       "Nie można odczytać 1 folderu, wyniki niepełne"},
      {u"ru", 21, 3, 1, 0, "18,0 kB логический · 21 файл · 3 папки · сканирование: обход папок за 1,25 s · 1 жесткая ссылка", ""},
      {u"ru", 11, 111, 22, 21,
       "18,0 kB логический · 11 файлов · 111 папок · сканирование: обход папок за 1,25 s · 22 жесткие ссылки",
       "Не удалось прочитать 21 папку, результаты неполные"},
  };
  for (const PluralCase& c : cases) {
    loadLanguage(c.language);
    ViewState s = withTree();
    sample.tree().fileCount = c.files;
    sample.tree().folderCount = c.folders;
    sample.tree().hardLinkCount = c.links;
    sample.tree().unreadableFolderCount = c.unreadable;
    SummaryText summary = summaryText(s);
    EXPECT_EQ(narrow(summary.head), c.head);
    EXPECT_EQ(narrow(summary.piece), c.piece);
  }
}

TEST_F(Summary, UnreadablePieceStaysVisibleWhenTheLineIsShortened) {
  ViewState s = withTree();
  sample.tree().unreadableFolderCount = 3;
  s.shown.fallback = MftFailure::ReadError;
  SummaryText summary = summaryText(s);
  const double pieceWidth = summary.piece.size() * 6.0;

  // Room for everything: nothing changes.
  SummaryFit fit = fitSummary(summary, 10000, measure);
  EXPECT_FALSE(fit.shortened);
  EXPECT_EQ(fit.head, summary.head + u" · ");

  // 40 units of head room: the head's first 37 units, then " · ", then the piece.
  fit = fitSummary(summary, pieceWidth + 40 * 6, measure);
  EXPECT_TRUE(fit.shortened);
  EXPECT_EQ(fit.head, summary.head.substr(0, 37) + u" · ");
  EXPECT_EQ(fit.pieceWidth, pieceWidth);
  EXPECT_LE(fit.headWidth + fit.pieceWidth, pieceWidth + 40 * 6);

  // Less room than the piece itself: the piece alone.
  fit = fitSummary(summary, pieceWidth - 1, measure);
  EXPECT_TRUE(fit.head.empty());

  // Laid out in the window: the piece's rectangle carries the tooltip.
  s.clientWidth = 700;
  s.outerWidth = 700;
  WindowLayout layout = layoutWindow(s, measure);
  EXPECT_TRUE(layout.summaryFit.shortened);
  EXPECT_FALSE(layout.summaryPiece.empty());
  EXPECT_EQ(layout.tooltips[3], layout.summaryPiece);
  EXPECT_LE(layout.summaryPiece.right, layout.summaryLine.right);
  EXPECT_EQ(layout.summaryPiece.left, layout.summaryHead.right);
}

TEST_F(Summary, ShorteningNeverSplitsASurrogatePair) {
  // "ab😀😀cd": units a b H L H L c d; widths 6 each.
  const std::u16string text = u"ab\U0001F600\U0001F600cd";
  struct Case {
    double room;   // DIPs for prefix + " · "
    size_t units;
  } cases[] = {
      {5 * 6, 2},    // 2 units fit; 3 would end inside the first pair
      {6 * 6, 3 - 1},
      {7 * 6, 4},
      {8 * 6, 4},    // 5 would end inside the second pair
      {9 * 6, 6},
      {11 * 6, 8},
      {0, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(fittingPrefix(text, u" · ", c.room, TextStyle::Caption, measure), c.units) << c.room;
  SummaryText summary{text, u"PIECE", u""};
  SummaryFit fit = fitSummary(summary, 5 * 6 + 6 * 6, measure);
  EXPECT_EQ(fit.head, u"ab · ");
}

TEST_F(Summary, BinarySearchMeasuresLogarithmicallyOften) {
  std::u16string head(4000, u'x');
  measure.calls = 0;
  EXPECT_EQ(fittingPrefix(head, u" · ", 1000 * 6, TextStyle::Caption, measure), 997u);
  EXPECT_LE(measure.calls, 14);
}

}  // namespace
