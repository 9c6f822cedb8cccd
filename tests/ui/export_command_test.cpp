#include "ui/export_command.h"

#include "ui_fixture.h"

namespace {

class ExportCommand : public TreeTextTest {};

// The system's words for ERROR_PATH_NOT_FOUND; the window asks the system for them.
std::u16string pathNotFoundText(uint32_t code) {
  return code == 3 ? u"The system cannot find the path specified." : u"?";
}

TEST_F(ExportCommand, ProposedNameIsTheRootsLastComponent) {
  struct Case { const char16_t* root; const char* name; };
  const Case cases[] = {
      {u"C:\\", "C.csv"},
      {u"C:", "C.csv"},
      {u"D:\\Photos\\2020", "2020.csv"},
      {u"D:\\Photos\\2020\\", "2020.csv"},
      {u"\\\\server\\share", "share.csv"},
      {u"/home/me/data", "data.csv"},
      {u"", "mossbloom.csv"},
      {u"\\", "mossbloom.csv"},
      {u"/", "mossbloom.csv"},
  };
  for (const Case& c : cases) EXPECT_EQ(narrow(defaultExportFileName(c.root)), c.name) << narrow(c.root);
}

TEST_F(ExportCommand, PercentIsZeroUntilTheTotalIsKnownAndNeverLeavesTheRange) {
  struct Case { int64_t done, total, percent; };
  const Case cases[] = {{0, 0, 0}, {50, 0, 0}, {0, 10, 0}, {1, 3, 33}, {10, 10, 100}, {11, 10, 100}, {-1, 10, 0}};
  for (const Case& c : cases) EXPECT_EQ(exportPercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
}

TEST_F(ExportCommand, TheSummaryLineFollowsTheExportAndTheEndShowsOneNotice) {
  ViewState s = withTree();
  Outcome begun;
  beginExport(s, u"C:\\out\\scan.csv", begun);
  EXPECT_TRUE(s.exporting.running);
  EXPECT_EQ(narrow(s.exporting.fileName), "scan.csv");

  struct Case { const char* name; FinishedExport finished; NoticeKind kind; const char* text; };
  const Case cases[] = {
      {"many rows", {true, false, 1234, u"C:\\out\\scan.csv", {}}, NoticeKind::Success,
       "Exported 1,234 rows to C:\\out\\scan.csv"},
      {"one row", {true, false, 1, u"C:\\out\\scan.csv", {}}, NoticeKind::Success, "Exported 1 row to C:\\out\\scan.csv"},
      {"failed", {false, false, 10, u"C:\\gone\\scan.csv", {ExportFailureReason::System, 3}},
       NoticeKind::Error, "Export to C:\\gone\\scan.csv failed: The system cannot find the path specified."},
      {"out of memory", {false, false, 10, u"C:\\out\\scan.csv", {ExportFailureReason::OutOfMemory, 0}},
       NoticeKind::Error, "Export to C:\\out\\scan.csv failed: Not enough memory."},
      {"stopped on request", {false, true, 10, u"C:\\out\\scan.csv", {ExportFailureReason::Stopped, 0}}, NoticeKind::None, ""},
  };
  for (const Case& c : cases) {
    ViewState t = s;
    Outcome out;
    finishExport(t, c.finished, pathNotFoundText, out);
    EXPECT_FALSE(t.exporting.running) << c.name;
    EXPECT_EQ(t.notice.kind, c.kind) << c.name;
    EXPECT_EQ(narrow(t.notice.text), c.text) << c.name;
    EXPECT_TRUE(out.repaint) << c.name;
  }
}

}  // namespace
