// The shell's file operation for one item.
//
// IFileOperation is the way on Windows 10 and 11. Wine implements the object but
// answers E_NOTIMPL from SetOperationFlags, DeleteItem and PerformOperations; the
// sequence stops at the first failing step, so with E_NOTIMPL nothing has been done
// yet and SHFileOperationW runs the same deletion instead. Stopping at once matters:
// an operation carried out without its flags would not go to the Recycle Bin.
//
// FOF_WANTNUKEWARNING is kept in the Recycle Bin mode of both ways: without it the
// older call silently deletes permanently what the Recycle Bin refuses.
//
// Threading: the deletion thread.
#include "ui/win32/recycle_bin.h"

#include "platform/listing.h"
#include <objbase.h>
#include <shellapi.h>
#include <shobjidl.h>
#include <string>

namespace {

// {3AD05575-8857-4850-9277-11B85BDB8E09}
constexpr CLSID kFileOperationClass = {0x3ad05575, 0x8857, 0x4850, {0x92, 0x77, 0x11, 0xb8, 0x5b, 0xdb, 0x8e, 0x09}};

constexpr DWORD kRecycleFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOERRORUI |
                                FOF_WANTNUKEWARNING | FOFX_RECYCLEONDELETE | FOFX_EARLYFAILURE;
constexpr DWORD kPermanentFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOFX_EARLYFAILURE;
static_assert(kRecycleFlags == 0x184454 && kPermanentFlags == 0x100414);

constexpr HRESULT kCancelled = static_cast<HRESULT>(0x800704C7);

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

template <typename T>
void release(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

// Whether the shell's answer means the interface is not there to use.
bool missing(HRESULT result) { return result == E_NOTIMPL || result == REGDB_E_CLASSNOTREG; }

// The IFileOperation sequence; `fallBack` is set when it stopped before doing anything
// because the system lacks it.
HRESULT deleteThroughFileOperation(const std::u16string& path, DeletionMode mode, HWND owner, bool& fallBack) {
  IFileOperation* operation = nullptr;
  IShellItem* item = nullptr;
  HRESULT result = CoCreateInstance(kFileOperationClass, nullptr,
                                    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                    IID_IFileOperation, reinterpret_cast<void**>(&operation));
  if (SUCCEEDED(result)) result = SHCreateItemFromParsingName(wide(path), nullptr, IID_IShellItem, reinterpret_cast<void**>(&item));
  if (SUCCEEDED(result)) {
    result = operation->SetOperationFlags(mode == DeletionMode::RecycleBin ? kRecycleFlags : kPermanentFlags);
    if (missing(result)) fallBack = true;
  }
  if (SUCCEEDED(result)) result = operation->SetOwnerWindow(owner);
  if (SUCCEEDED(result)) {
    result = operation->DeleteItem(item, nullptr);
    if (missing(result)) fallBack = true;
  }
  if (SUCCEEDED(result)) {
    result = operation->PerformOperations();
    if (result == E_NOTIMPL) fallBack = true;
  }
  if (SUCCEEDED(result)) {
    BOOL aborted = FALSE;
    result = operation->GetAnyOperationsAborted(&aborted);
    if (SUCCEEDED(result) && aborted) result = kCancelled;
  }
  if (!operation && missing(result)) fallBack = true;
  release(item);
  release(operation);
  return result;
}

// The older call with the same meaning; its result as a Windows error.
uint32_t deleteThroughShellOperation(const std::u16string& path, DeletionMode mode) {
  std::u16string from = path;
  from.push_back(u'\0');   // a list of names ends with an empty one
  SHFILEOPSTRUCTW operation = {};
  // No owner: whatever the call asks, it asks on its own, never through the window
  // thread, which may be waiting for this one.
  operation.hwnd = nullptr;
  operation.wFunc = FO_DELETE;
  operation.pFrom = wide(from);
  operation.fFlags = static_cast<FILEOP_FLAGS>(mode == DeletionMode::RecycleBin ? (kRecycleFlags & 0xFFFF)
                                                                                 : (kPermanentFlags & 0xFFFF));
  int32_t result = SHFileOperationW(&operation);
  return windowsCodeOfShellResult(result, operation.fAnyOperationsAborted != FALSE);
}

}  // namespace

uint32_t shellDeleteItem(std::u16string_view path, DeletionMode mode, HWND owner) {
  const std::u16string item(path);
  HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  bool fallBack = false;
  HRESULT result = deleteThroughFileOperation(item, mode, owner, fallBack);
  uint32_t code = fallBack ? deleteThroughShellOperation(item, mode)
                           : SUCCEEDED(result) ? 0 : windowsCodeOfHresult(static_cast<uint32_t>(result));
  if (SUCCEEDED(initialised)) CoUninitialize();
  return code;
}

bool driveHasRecycleBin(std::u16string_view path) {
  const std::u16string item(path);
  wchar_t volume[MAX_PATH + 1];
  if (!GetVolumePathNameW(wide(item), volume, MAX_PATH + 1)) return true;
  return GetDriveTypeW(volume) == DRIVE_FIXED;
}

ItemOutcome openForDeletion(std::u16string_view path, const PathFacts& checked) {
  std::u16string full;
  appendListingPath(full, path);
  HANDLE handle = CreateFileW(wide(full), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {kItemFailed, GetLastError(), ItemChange::None};
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(handle, &info) != FALSE;
  CloseHandle(handle);
  if (known && checked.identityKnown) {
    const uint64_t fileId = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    if (info.dwVolumeSerialNumber != checked.volume || fileId != checked.fileId)
      return {kItemFailed, 0, ItemChange::ChangedWhileDeleting};
  }
  if (known && ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) != checked.link)
    return {kItemFailed, 0, checked.link ? ItemChange::LinkReplaced : ItemChange::BecameLink};
  return {};
}

// --- The backend ----------------------------------------------------------------------------
PathFacts ShellDeletionBackend::query(std::u16string_view path) { return queryPathFacts(path); }

bool ShellDeletionBackend::hasRecycleBin(std::u16string_view path) { return driveHasRecycleBin(path); }

ItemOutcome ShellDeletionBackend::remove(const DeletionJob& job, size_t index, const PathFacts& checked) {
  const std::u16string& path = job.paths[index];
  // The scanned root is never deleted, and nothing outside it.
  if (path.size() <= job.rootPath.size() || path.compare(0, job.rootPath.size(), job.rootPath) != 0)
    return {kItemFailed, ERROR_INVALID_PARAMETER, ItemChange::None};
  ItemOutcome opened = openForDeletion(path, checked);
  if (opened.result != kItemPending) return opened;
  if (uint32_t code = shellDeleteItem(path, job.mode, owner)) return {kItemFailed, code, ItemChange::None};
  return {kItemDeleted, 0, ItemChange::None};
}

void ShellDeletionBackend::progressed(bool finished) {
  if (onProgress) onProgress(context, finished);
}
