#include "app/failure_text.h"
#include "platform/text.h"

std::u16string_view mftFailureText(MftFailure failure) {
  switch (failure) {
    case MftFailure::None: break;
    case MftFailure::NotLocalDrivePath: return u"not a local drive path";
    case MftFailure::AdministratorRightsRequired: return u"administrator rights required";
    case MftFailure::CannotOpenVolume: return u"cannot open volume";
    case MftFailure::NotNtfsVolume: return u"not an NTFS volume";
    case MftFailure::CannotReadMft: return u"cannot read $MFT";
    case MftFailure::CannotDecodeRunList: return u"cannot decode $MFT run list";
    case MftFailure::Cancelled: return u"cancelled";
    case MftFailure::ReadError: return u"read error";
    case MftFailure::RootRecordMissing: return u"root directory record missing";
    case MftFailure::FolderNotFound: return u"folder not found in MFT";
  }
  return {};
}

std::u16string exportFailureText(const ExportFailure& failure) {
  switch (failure.reason) {
    case ExportFailureReason::None: break;
    case ExportFailureReason::System: return systemErrorText(failure.systemError);
    case ExportFailureReason::OutOfMemory: return u"Not enough memory.";
    case ExportFailureReason::Stopped: return u"Stopped.";
  }
  return {};
}

std::u16string importFailureText(const ImportFailure& failure) {
  switch (failure.reason) {
    case ImportFailureReason::None: break;
    case ImportFailureReason::NotAnExport:
      return u"no column header line starting with \"File Name,\" or no first row";
    case ImportFailureReason::System: return systemErrorText(failure.systemError);
    case ImportFailureReason::NotRegularFile: return u"Not a regular file";
    case ImportFailureReason::ChangedWhileRead: return u"The file changed while it was read";
    case ImportFailureReason::OutOfMemory: return u"Not enough memory.";
    case ImportFailureReason::Stopped: return u"Stopped.";
  }
  return {};
}
