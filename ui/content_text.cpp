#include "ui/content_text.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/format.h"
#include "ui/view_rules.h"

std::u16string scanProgressText(const ViewState& s) {
  const ScanProgressSnapshot& p = s.scan.progress;
  if (p.total > 0) {
    int64_t percent = p.done >= p.total ? 100 : (p.done > 0 ? p.done * 100 / p.total : 0);
    return formatText(text(Text::ReadingTheMFTOfRecords), {percent, formatCount(p.done), formatCount(p.total)});
  }
  return formatPlural(p.done, text(Text::ItemFound), {formatCount(p.done)});
}

std::u16string scanElapsedText(const ViewState& s) {
  double elapsed = s.nowMs - s.scan.startMs;
  return formatSeconds(elapsed > 0 ? elapsed : 0);
}

std::u16string scanningTitle(const ViewState& s) { return formatText(text(Text::Scanning_41), {s.scan.rootPath}); }

std::u16string scanningLine(const ViewState& s) { return scanProgressText(s) + u" · " + scanElapsedText(s); }

std::u16string_view pathTitle(const ViewState& s) {
  return text(s.scan.scanning ? Text::Scanning_47 : Text::DiskUsage);
}

EmptyState emptyState(const ViewState& s) {
  if (s.scan.scanning) return {};
  if (!hasTree(s)) return {u'\uE8B7', text(Text::SelectADriveToAnalyzeIts)};
  if (!isValidNode(s, s.shown.viewRoot) || shownSize(s, s.shown.viewRoot) > 0) return {};
  if (s.shown.filterActive) return {u'\uE71C', text(Text::NoFilesMatchTheFilter)};
  if (s.settings.sizeMode == SizeMode::OnDisk) return {u'\uE753', text(Text::NothingHereIsStoredOnThis)};
  return {u'\uE753', text(Text::ThisFolderIsEmpty)};
}
