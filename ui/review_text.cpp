#include "ui/review_text.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/format.h"
#include "ui/view_rules.h"

namespace {

std::u16string itemsText(int64_t count) { return formatPlural(count, text(Text::Item), {formatCount(count)}); }

}  // namespace

ReviewCardText reviewCardText(const ViewState& s) {
  const ReviewView& r = s.review;
  ReviewCardText out;
  if (r.deletionRunning) {
    out.text = formatText(text(Text::MovingToTheRecycleBinOf), {formatCount(r.deletionDone), formatCount(r.deletionTotal)});
    out.secondButton = text(Text::Cancel);
    return out;
  }
  if (!r.permanent.empty()) {
    const int64_t count = static_cast<int64_t>(r.permanent.size());
    out.text = formatPlural(count, text(Text::ItemCannotGoToTheRecycle), {formatCount(count), formatSize(r.permanentBytes)});
    out.mainButton = text(Text::DeletePermanently);
    out.secondButton = text(Text::KeepThem);
    return out;
  }
  out.backShown = true;
  out.secondButton = text(Text::ClearMarks);
  if (!r.failures.empty()) {
    const int64_t count = static_cast<int64_t>(r.failures.size());
    out.text = formatPlural(count, text(Text::ItemCouldNotBeDeletedPoint), {formatCount(count)});
    out.mainButton = text(Text::Retry);
    return out;
  }
  out.text = std::u16string(text(Text::MarkedForDeletion)) + u" · " + itemsText(s.marks.itemCount) + u" · " +
             formatSize(s.marks.bytes) + u" · " + std::u16string(text(Text::FreedOnceTheRecycleBinIs));
  out.mainButton = text(Text::MoveToRecycleBin);
  return out;
}

std::u16string marksPillText(const ViewState& s) {
  return itemsText(s.marks.itemCount) + u" · " + formatSize(s.marks.bytes);
}

std::u16string marksPillName(const ViewState& s) {
  return formatText(text(Text::Text291), {itemsText(s.marks.itemCount), text(Text::MarkedForDeletion), formatSize(s.marks.bytes)});
}

std::u16string deletionErrorOf(const ViewState& s, int32_t node) {
  if (!isValidNode(s, node)) return {};
  for (const DeletionFailure& failure : s.review.failures)
    if (isAtOrBelow(*s.shown.tree, node, failure.node)) return failure.message.empty() ? u"?" : failure.message;
  return {};
}
