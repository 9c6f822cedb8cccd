// Threading: window thread.
#include "ui/export_command.h"
#include "ui/failure_text.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/format.h"
#include "ui/scan_lifecycle.h"

namespace {

std::u16string_view lastComponent(std::u16string_view path) {
  size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::u16string defaultExportFileName(std::u16string_view rootPath) {
  while (!rootPath.empty() && (rootPath.back() == u'\\' || rootPath.back() == u':')) rootPath.remove_suffix(1);
  std::u16string name(lastComponent(rootPath));
  if (name.empty()) name = u"mossbloom";
  return name + u".csv";
}

int64_t exportPercent(int64_t done, int64_t total) {
  if (total < 1) return 0;
  int64_t percent = done * 100 / total;
  return percent < 0 ? 0 : percent > 100 ? 100 : percent;
}

void beginExport(ViewState& s, std::u16string_view path, Outcome& out) {
  s.exporting.running = true;
  s.exporting.fileName = std::u16string(lastComponent(path));
  s.exporting.percent = 0;
  out.repaint = true;
}

void finishExport(ViewState& s, const FinishedExport& finished, std::u16string (*systemText)(uint32_t code),
                  Outcome& out) {
  s.exporting = {};
  out.repaint = true;
  if (finished.succeeded) {
    showNotice(s, NoticeKind::Success,
               formatPlural(finished.rows, text(Text::ExportedRowTo), {formatCount(finished.rows), finished.path}), out);
  } else if (!finished.cancelled) {
    showNotice(s, NoticeKind::Error, formatText(text(Text::ExportToFailed), {finished.path, exportFailureReasonText(finished.failure, systemText)}), out);
  }
}
