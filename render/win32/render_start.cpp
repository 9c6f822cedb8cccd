#include "render/win32/render_start.h"
#include "base/utf.h"
#include "render/start_log.h"

void appendStartLog(std::u16string_view directory, std::u16string_view line) {
  std::wstring text(line.begin(), line.end());
  OutputDebugStringW(text.c_str());
  if (directory.empty()) return;
  std::wstring folder(directory.begin(), directory.end());
  // The settings folder may not exist yet on the very start that needs the log.
  for (size_t at = folder.find(L'\\', 3); at != std::wstring::npos; at = folder.find(L'\\', at + 1))
    CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
  std::wstring path = folder + L"\\mossbloom.log";
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string bytes = utf8FromUtf16(line);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

namespace {
bool runTry(const RenderStartShared& shared, int32_t number) {
  StartTry plan = startTry(number);
  if (plan.delayFirst) Sleep(kStartRetryDelayMs);
  if (plan.rebuild && !rebuildRenderDevice(plan.warpOnly ? DriverChoice::WarpOnly : DriverChoice::HardwareFirst))
    return false;
  const RenderDevice* device = acquireRenderDevice();
  return device && createWindowTarget(shared.resources->target, shared.window, *device);
}

void logFailedTry(const RenderStartRequest& request, int32_t number, const RenderFailure& failure) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  LocalTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  appendStartLog(request.settingsDirectory,
                 startLogLine(time, number, failure.step, static_cast<uint32_t>(failure.code)));
}
}  // namespace

uint32_t runRenderStart(const RenderStartRequest& request) {
  RenderStartShared& shared = *request.shared;
  double begun = nowMs();
  WaitForSingleObject(request.windowCreated, INFINITE);
  double windowSeen = nowMs();
  bool succeeded = false;
  for (int32_t number = 1; number <= kStartTries && !succeeded; number++) {
    succeeded = runTry(shared, number);
    if (!succeeded) {
      shared.failure = lastRenderFailure();
      shared.failedTries = number;
      logFailedTry(request, number, shared.failure);
    }
  }
  shared.succeeded = succeeded;
  shared.waitMs = windowSeen - begun;
  shared.bringUpMs = nowMs() - windowSeen;
  PostMessageW(shared.window, kRendererStartedMessage, succeeded ? 1 : 0, 0);
  return 0;
}

Thread startRenderStart(RenderStartRequest request) {
  return startClosureThread(256 * 1024, [request = std::move(request)]() -> uint32_t { return runRenderStart(request); });
}
