// The program's icon as the sidebar shows it: loaded from the executable's
// resources at the size asked for (LoadIconWithScaleDown, so a large image is
// scaled down rather than a small one blown up) and kept as a premultiplied
// Direct2D bitmap until the size changes or the device goes.
//
// Threading: the window thread.
#pragma once
#include <windows.h>
#include <d2d1_1.h>
#include <cstdint>

constexpr int32_t kProgramIconResource = 1;

struct ProgramIcon {
  ID2D1Bitmap* bitmap = nullptr;
  int32_t size = 0;          // pixels, of the bitmap
  bool missing = false;      // the resource could not be loaded at this size
};

// The bitmap for `size` pixels, made when missing or of another size; null when
// the executable has no icon (the system's application icon stands in) or it
// cannot be made.
ID2D1Bitmap* programIconBitmap(ProgramIcon& icon, HINSTANCE instance, int32_t size, ID2D1DeviceContext* dc);
void releaseProgramIcon(ProgramIcon& icon);
void releaseProgramIconHook(void* icon);   // a ReleaseHook for DeviceBoundResources
