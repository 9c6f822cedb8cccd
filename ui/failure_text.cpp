#include "ui/failure_text.h"
#include "config/text_format.h"

Text mftFailureTextId(MftFailure failure) {
  switch (failure) {
    case MftFailure::None: break;
    case MftFailure::NotLocalDrivePath: return Text::NotALocalDrivePath;
    case MftFailure::AdministratorRightsRequired: return Text::AdministratorRightsRequired;
    case MftFailure::CannotOpenVolume: return Text::CannotOpenVolume;
    case MftFailure::NotNtfsVolume: return Text::NotAnNTFSVolume;
    case MftFailure::CannotReadMft: return Text::CannotReadMFT;
    case MftFailure::CannotDecodeRunList: return Text::CannotDecodeMFTRunList;
    case MftFailure::Cancelled: return Text::Cancelled;
    case MftFailure::ReadError: return Text::ReadError;
    case MftFailure::RootRecordMissing: return Text::RootDirectoryRecordMissing;
    case MftFailure::FolderNotFound: return Text::FolderNotFoundInMFT;
  }
  return Text(0);
}

std::u16string fastScanFallbackNotice(MftFailure failure) {
  if (failure == MftFailure::None) return {};
  return formatText(text(Text::MFTUnavailableUsedDirectoryWalk), {text(mftFailureTextId(failure))});
}

std::u16string exportFailureReasonText(const ExportFailure& failure, std::u16string (*systemText)(uint32_t code)) {
  switch (failure.reason) {
    case ExportFailureReason::None: break;
    case ExportFailureReason::System: return systemText ? systemText(failure.systemError) : std::u16string();
    case ExportFailureReason::OutOfMemory: return std::u16string(text(Text::NotEnoughMemory));
    case ExportFailureReason::Stopped: return std::u16string(text(Text::Stopped));
  }
  return {};
}
