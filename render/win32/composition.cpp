#include "render/win32/composition.h"

namespace {
using CreateDevice2Function = HRESULT(WINAPI*)(IUnknown* renderingDevice, REFIID iid, void** device);

CreateDevice2Function createDevice2() {
  static CreateDevice2Function function = [] {
    HMODULE module = LoadLibraryExW(L"dcomp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? reinterpret_cast<CreateDevice2Function>(
                        reinterpret_cast<void*>(GetProcAddress(module, "DCompositionCreateDevice2")))
                  : nullptr;
  }();
  return function;
}
}  // namespace

bool compositionAvailable() { return createDevice2() != nullptr; }

bool createCompositionTarget(CompositionTarget& c, HWND window, bool topmost, const RenderDevice& device) {
  releaseCompositionTarget(c);
  CreateDevice2Function create = createDevice2();
  if (!create) return false;
  bool made = SUCCEEDED(create(device.d2d, __uuidof(IDCompositionDesktopDevice), reinterpret_cast<void**>(&c.device))) &&
              c.device && SUCCEEDED(c.device->CreateTargetForHwnd(window, topmost, &c.target)) &&
              SUCCEEDED(c.device->CreateVisual(&c.visual)) && SUCCEEDED(c.target->SetRoot(c.visual));
  if (!made) releaseCompositionTarget(c);
  return made;
}

void releaseCompositionTarget(CompositionTarget& c) {
  releaseCom(c.visual);
  releaseCom(c.target);
  releaseCom(c.device);
}

bool createCompositionSurface(CompositionSurface& s, const RenderDevice& device, ID2D1DeviceContext* context,
                              uint32_t width, uint32_t height, bool premultiplied) {
  releaseCompositionSurface(s);
  if (!width || !height) return false;
  IDXGIFactory2* factory = adapterFactory(device);
  bool ok = factory != nullptr;
  if (ok) {
    DXGI_SWAP_CHAIN_DESC1 description =
        swapChainDescription(width, height, 2, DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL,
                             premultiplied ? DXGI_ALPHA_MODE_PREMULTIPLIED : DXGI_ALPHA_MODE_IGNORE);
    ok = SUCCEEDED(factory->CreateSwapChainForComposition(device.d3d, &description, nullptr, &s.swapChain));
  }
  releaseCom(factory);
  IDXGISurface* buffer = nullptr;
  if (ok) ok = SUCCEEDED(s.swapChain->GetBuffer(0, __uuidof(IDXGISurface), reinterpret_cast<void**>(&buffer)));
  if (ok) {
    D2D1_BITMAP_PROPERTIES1 properties = {};
    properties.pixelFormat = {DXGI_FORMAT_B8G8R8A8_UNORM,
                              premultiplied ? D2D1_ALPHA_MODE_PREMULTIPLIED : D2D1_ALPHA_MODE_IGNORE};
    properties.dpiX = properties.dpiY = 96.0f;
    properties.bitmapOptions = D2D1_BITMAP_OPTIONS_TARGET | D2D1_BITMAP_OPTIONS_CANNOT_DRAW;
    ok = SUCCEEDED(context->CreateBitmapFromDxgiSurface(buffer, &properties, &s.bitmap));
  }
  releaseCom(buffer);
  if (!ok) {
    releaseCompositionSurface(s);
    return false;
  }
  s.width = width;
  s.height = height;
  return true;
}

void releaseCompositionSurface(CompositionSurface& s) {
  releaseCom(s.bitmap);
  releaseCom(s.swapChain);
  s.width = s.height = 0;
}
