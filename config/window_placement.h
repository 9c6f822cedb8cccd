// The `window` setting: the main window's normal-position rectangle as
// `left,top,right,bottom`, followed by `,max` when it was maximised.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

struct WindowPlacementText {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t count = 0;          // how many of the four numbers were read
  bool maximised = false;     // `max` followed the fourth number
};

// Up to four numbers, each an optional `-` and digits followed by at most one `,`;
// reading stops where no digit follows. Numbers beyond 32 bits are clamped.
WindowPlacementText parseWindowPlacement(std::u16string_view text);
std::u16string formatWindowPlacement(int32_t left, int32_t top, int32_t right, int32_t bottom, bool maximised);
// All four numbers read and at least 400 × 300 (the monitor test is the window's).
bool isUsablePlacement(const WindowPlacementText& placement);
