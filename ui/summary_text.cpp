#include "ui/summary_text.h"
#include "ui/failure_text.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/format.h"
#include "ui/content_text.h"
#include "ui/view_rules.h"

namespace {

constexpr std::u16string_view kJoin = u" · ";

std::u16string_view fileNameOf(std::u16string_view path) {
  size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string countText(Text id, int64_t count) { return formatPlural(count, text(id), {formatCount(count)}); }

std::u16string_view sizeModeWord(const ViewState& s) {
  return text(s.settings.sizeMode == SizeMode::OnDisk ? Text::OnDisk_85 : Text::Logical_86);
}

using ViewCounts = ShownTree::Counts;

bool countsHold(const ViewCounts& c, const Tree& tree, int32_t root) {
  return c.tree == &tree && c.root == root && c.nodeCount == tree.nodeCount && c.treeFiles == tree.fileCount &&
         c.treeFolders == tree.folderCount;
}

// The files and folders below `root`, without it; the tree's root has them counted already.
ViewCounts countBelow(const Tree& tree, int32_t root) {
  ViewCounts c{&tree, root, tree.nodeCount, tree.fileCount, tree.folderCount, tree.fileCount, tree.folderCount};
  if (root == tree.rootIndex) return c;
  c.files = c.folders = 0;
  if (root < 0 || root >= tree.nodeCount) return c;
  // Depth first through the child links, climbing back by the parent links: no stack.
  int32_t n = tree.node(root).firstChild;
  while (n >= 0) {
    const TreeNode& node = tree.node(n);
    if (!(node.flags & kNodeDetached)) (node.flags & kNodeFolder ? c.folders : c.files)++;
    if (node.firstChild >= 0) {
      n = node.firstChild;
      continue;
    }
    while (n != root && tree.node(n).nextSibling < 0) n = tree.node(n).parent;
    n = n == root ? -1 : tree.node(n).nextSibling;
  }
  return c;
}

ViewCounts viewCountsOf(const ViewState& s) {
  const Tree& tree = *s.shown.tree;
  if (countsHold(s.shown.viewCounts, tree, s.shown.viewRoot)) return s.shown.viewCounts;
  return countBelow(tree, s.shown.viewRoot);
}

// Size, counts or the filter's match, the source, the time and the tree's notes.
void treeSummary(const ViewState& s, SummaryText& out) {
  const Tree& tree = *s.shown.tree;
  std::u16string size = formatSize(shownSize(s, s.shown.viewRoot));
  std::u16string& head = out.head;
  if (s.review.open) {
    head = size + u" " + std::u16string(sizeModeWord(s));
  } else if (s.shown.filterActive) {
    int64_t matching = s.shown.matchingCount;
    head = formatPlural(matching, text(Text::InMatchingFileOf),
                        {size, sizeModeWord(s), formatCount(matching), formatCount(tree.fileCount)});
  } else {
    head = size + u" " + std::u16string(sizeModeWord(s));
    head += kJoin;
    const ViewCounts counts = viewCountsOf(s);
    head += countText(Text::File_88, counts.files);
    head += kJoin;
    head += countText(Text::Folder_89, counts.folders);
  }
  if (s.shown.source == TreeSource::Csv) {
    head += formatText(text(Text::ImportedFrom), {fileNameOf(s.shown.csvPath)});
  } else {
    head += formatText(text(Text::ScannedWith),
                       {text(s.shown.source == TreeSource::Mft ? Text::MFT : Text::DirectoryWalk_93)});
  }
  if (s.shown.scanMs >= 0)
    head += formatText(text(Text::In), {formatDuration(s.shown.scanMs + (s.shown.aggregateMs > 0 ? s.shown.aggregateMs : 0))});
  if (tree.hardLinkCount > 0) head += countText(Text::HardLink, tree.hardLinkCount);
  if (tree.streamCount > 0) head += countText(Text::AlternateDataStream, tree.streamCount);
  if (tree.pendingFolderCount > 0) head += countText(Text::PartialFolderNotScannedYet, tree.pendingFolderCount);
  if (tree.unreadableFolderCount > 0)
    out.piece = countText(Text::FolderCouldntBeReadResultsIncomplete, tree.unreadableFolderCount);
}

}  // namespace

SummaryText summaryText(const ViewState& s) {
  SummaryText out;
  if (s.exporting.running) {
    out.head = formatText(text(Text::ExportingToEscStops), {s.exporting.fileName, s.exporting.percent});
    return out;
  }
  if (!hasTree(s)) {
    if (s.scan.scanning)
      out.head = formatText(text(Text::Scanning_44), {s.scan.rootPath, scanProgressText(s), scanElapsedText(s)});
    else
      out.head = std::u16string(text(Text::PickADriveToSeeWhat));
    return out;
  }
  treeSummary(s, out);
  if (s.filter.sizeInvalid) out.tail += text(Text::SizeNotUnderstoodTry500MB);
  if (s.shown.fallback != MftFailure::None) {
    out.tail += kJoin;
    out.tail += fastScanFallbackNotice(s.shown.fallback);
  }
  return out;
}

void refreshViewCounts(ViewState& s) {
  if (!hasTree(s) || countsHold(s.shown.viewCounts, *s.shown.tree, s.shown.viewRoot)) return;
  s.shown.viewCounts = countBelow(*s.shown.tree, s.shown.viewRoot);
}

std::u16string summaryLine(const SummaryText& summary) {
  if (summary.piece.empty()) return summary.head + summary.tail;
  return summary.head + std::u16string(kJoin) + summary.piece + summary.tail;
}

size_t fittingPrefix(std::u16string_view text, std::u16string_view suffix, double available, TextStyle style,
                     const TextMeasurer& measure) {
  std::u16string candidate;
  auto fits = [&](size_t length) {
    candidate.assign(text.substr(0, length));
    candidate += suffix;
    return measure.textWidth(style, candidate) <= available;
  };
  // Invariant: a prefix of `low` units fits (or low is 0), one of `high` + 1 does not.
  size_t low = 0, high = text.size();
  if (high == 0 || fits(high)) return high;
  high--;
  while (low < high) {
    size_t middle = low + (high - low + 1) / 2;
    if (fits(middle)) low = middle;
    else high = middle - 1;
  }
  // A cut between a high and a low surrogate would leave half a character.
  if (low > 0 && low < text.size() && text[low - 1] >= 0xD800 && text[low - 1] <= 0xDBFF &&
      text[low] >= 0xDC00 && text[low] <= 0xDFFF)
    low--;
  return low;
}

SummaryFit fitSummary(const SummaryText& summary, double available, const TextMeasurer& measure) {
  SummaryFit fit;
  fit.head = summary.head;
  if (!summary.piece.empty()) fit.head += kJoin;
  fit.headWidth = measure.textWidth(TextStyle::Caption, fit.head);
  fit.pieceWidth = summary.piece.empty() ? 0 : measure.textWidth(TextStyle::Caption, summary.piece);
  fit.tailWidth = summary.tail.empty() ? 0 : measure.textWidth(TextStyle::Caption, summary.tail);
  if (summary.piece.empty() || fit.headWidth + fit.pieceWidth + fit.tailWidth <= available) return fit;
  // Keep the piece whole: the head gives way, then the tail is trimmed after it.
  size_t keep = fittingPrefix(summary.head, kJoin, available - fit.pieceWidth, TextStyle::Caption, measure);
  fit.shortened = true;
  fit.head = keep > 0 ? summary.head.substr(0, keep) + std::u16string(kJoin) : std::u16string();
  fit.headWidth = fit.head.empty() ? 0 : measure.textWidth(TextStyle::Caption, fit.head);
  return fit;
}
