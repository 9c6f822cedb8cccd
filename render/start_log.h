// The rules of bringing Direct2D up at start: what each of the three tries
// does, the line each failed try leaves in mossbloom.log, and the text of the
// message box after the third. render/win32/render_start.h runs them.
//
// Threading: pure functions.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

constexpr int32_t kStartTries = 3;
constexpr uint32_t kStartRetryDelayMs = 200;

struct StartTry {
  bool delayFirst;     // sleep kStartRetryDelayMs before it
  bool rebuild;        // rebuild the device instead of taking the current one
  bool warpOnly;       // skip the hardware driver
  const char16_t* label;   // "GPU" or "WARP" in the log
};
StartTry startTry(int32_t number);   // 1..3

struct LocalTime {
  uint32_t year, month, day, hour, minute, second;
};
// "%04u-%02u-%02u %02u:%02u:%02u Direct2D start, try %d (%ls): %ls failed, 0x%08lX\r\n"
std::u16string startLogLine(const LocalTime& time, int32_t tryNumber, std::u16string_view step, uint32_t code);
// "%ls\n\n%ls: 0x%08lX": the message, the failed step and its code.
std::u16string startFailureText(std::u16string_view message, std::u16string_view step, uint32_t code);
