#include "ui/drive_text.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/format.h"

namespace {

std::u16string detail(const ViewState& s, const DriveEntry& drive, bool accessible) {
  DriveStatus status = driveStatus(s.facts.policies, drive.letter);
  if (status.status == kDriveBlocked)
    return formatText(text(accessible ? Text::NotAllowed_9 : Text::NotAllowed_6), {text(Text::ManagedByYourOrganization)});
  if (status.status == kDriveLimited)
    return formatText(text(accessible ? Text::OnlyManaged_10 : Text::OnlyManaged_7), {status.folder});
  return formatText(text(accessible ? Text::FreeOf_11 : Text::FreeOf_8),
                    {drive.fileSystem, formatSize(drive.freeBytes), formatSize(drive.totalBytes)});
}

}  // namespace

std::u16string driveTitle(const DriveEntry& drive) {
  return drive.label + u" (" + std::u16string(1, drive.letter) + u":)";
}

std::u16string driveDetail(const ViewState& s, const DriveEntry& drive) { return detail(s, drive, false); }
std::u16string driveDescription(const ViewState& s, const DriveEntry& drive) { return detail(s, drive, true); }

double driveUsedShare(const DriveEntry& drive) {
  if (drive.totalBytes <= 0) return 0;
  double used = static_cast<double>(drive.totalBytes - drive.freeBytes) / static_cast<double>(drive.totalBytes);
  return used < 0 ? 0 : (used > 1 ? 1 : used);
}
