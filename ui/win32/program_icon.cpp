#include "ui/win32/program_icon.h"
#include <commctrl.h>
#include <vector>

namespace {

using LoadIconWithScaleDownFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);

// mingw's import library lacks LoadIconWithScaleDown, and only comctl32 version 6
// has it: looked up at run time, with the plain resource load behind it.
HICON loadIcon(HINSTANCE instance, int32_t size) {
  static LoadIconWithScaleDownFunction scaleDown = [] {
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    return comctl ? reinterpret_cast<LoadIconWithScaleDownFunction>(
                        reinterpret_cast<void*>(GetProcAddress(comctl, "LoadIconWithScaleDown")))
                  : nullptr;
  }();
  HICON icon = nullptr;
  if (scaleDown) {
    if (SUCCEEDED(scaleDown(instance, MAKEINTRESOURCEW(kProgramIconResource), size, size, &icon))) return icon;
    if (SUCCEEDED(scaleDown(nullptr, reinterpret_cast<PCWSTR>(IDI_APPLICATION), size, size, &icon))) return icon;
  }
  icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconResource), IMAGE_ICON, size, size, 0));
  if (!icon) icon = static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(32512), IMAGE_ICON, size, size, LR_SHARED));
  return icon;
}

// The icon's colour and mask as premultiplied BGRA rows, top to bottom.
bool iconPixels(HICON icon, int32_t size, std::vector<uint32_t>& out) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return false;
  BITMAPINFO header = {};
  header.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB};
  out.assign(static_cast<size_t>(size) * size, 0);
  HDC screen = GetDC(nullptr);
  bool ok = info.hbmColor && GetDIBits(screen, info.hbmColor, 0, size, out.data(), &header, DIB_RGB_COLORS) == size;
  bool anyAlpha = false;
  for (uint32_t p : out) anyAlpha = anyAlpha || (p >> 24) != 0;
  if (ok && !anyAlpha && info.hbmMask) {
    // An icon without alpha: its AND mask says which pixels are transparent.
    std::vector<uint32_t> mask(out.size());
    if (GetDIBits(screen, info.hbmMask, 0, size, mask.data(), &header, DIB_RGB_COLORS) == size)
      for (size_t i = 0; i < out.size(); i++) out[i] = (mask[i] & 0xFFFFFF) ? 0 : (out[i] | 0xFF000000u);
  }
  ReleaseDC(nullptr, screen);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (!ok) return false;
  for (uint32_t& p : out) {
    uint32_t a = p >> 24;
    uint32_t r = ((p >> 16) & 255) * a / 255, g = ((p >> 8) & 255) * a / 255, b = (p & 255) * a / 255;
    p = a << 24 | r << 16 | g << 8 | b;
  }
  return true;
}

}  // namespace

ID2D1Bitmap* programIconBitmap(ProgramIcon& icon, HINSTANCE instance, int32_t size, ID2D1DeviceContext* dc) {
  if (icon.size == size && (icon.bitmap || icon.missing)) return icon.bitmap;
  releaseProgramIcon(icon);
  icon.size = size;
  HICON handle = size > 0 ? loadIcon(instance, size) : nullptr;
  std::vector<uint32_t> pixels;
  bool ok = handle && iconPixels(handle, size, pixels);
  if (handle) DestroyIcon(handle);
  D2D1_BITMAP_PROPERTIES properties = {{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, 96.0f, 96.0f};
  if (!ok || FAILED(dc->CreateBitmap(D2D1::SizeU(size, size), pixels.data(), size * 4, properties, &icon.bitmap))) {
    icon.bitmap = nullptr;
    icon.missing = true;
  }
  return icon.bitmap;
}

void releaseProgramIcon(ProgramIcon& icon) {
  if (icon.bitmap) icon.bitmap->Release();
  icon = {};
}

void releaseProgramIconHook(void* icon) { releaseProgramIcon(*static_cast<ProgramIcon*>(icon)); }
