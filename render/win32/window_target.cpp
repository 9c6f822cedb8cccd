#include "render/win32/window_target.h"
#include "platform/platform.h"

namespace {
bool fail(WindowTarget& target, const char16_t* step, HRESULT code) {
  recordRenderFailure(step, code);
  releaseWindowTarget(target);
  return false;
}

HRESULT setTargetBitmap(WindowTarget& target) {
  IDXGISurface* surface = nullptr;
  HRESULT hr = target.swapChain->GetBuffer(0, __uuidof(IDXGISurface), reinterpret_cast<void**>(&surface));
  if (FAILED(hr)) {
    recordRenderFailure(u"GetBuffer", hr);
    return hr;
  }
  D2D1_BITMAP_PROPERTIES1 properties = {};
  properties.pixelFormat = {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE};
  properties.dpiX = properties.dpiY = 96.0f;
  properties.bitmapOptions = D2D1_BITMAP_OPTIONS_TARGET | D2D1_BITMAP_OPTIONS_CANNOT_DRAW;
  hr = target.context->CreateBitmapFromDxgiSurface(surface, &properties, &target.bitmap);
  surface->Release();
  if (FAILED(hr)) {
    recordRenderFailure(u"CreateBitmapFromDxgiSurface", hr);
    return hr;
  }
  target.context->SetTarget(target.bitmap);
  return S_OK;
}

void clientSize(HWND window, uint32_t& width, uint32_t& height) {
  RECT r = {};
  GetClientRect(window, &r);
  width = r.right > r.left ? static_cast<uint32_t>(r.right - r.left) : 0;
  height = r.bottom > r.top ? static_cast<uint32_t>(r.bottom - r.top) : 0;
}

// The window's update region, taken before BeginPaint validates it.
void readUpdateRegion(HWND window, FrameDamage& damage) {
  damage.whole = true;
  damage.count = 0;
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (!region) return;
  int kind = GetUpdateRgn(window, region, FALSE);
  if (kind == SIMPLEREGION || kind == COMPLEXREGION) {
    GetRgnBox(region, &damage.bounds);
    DWORD bytes = GetRegionData(region, 0, nullptr);
    alignas(RGNDATAHEADER) unsigned char buffer[sizeof(RGNDATAHEADER) + sizeof(RECT) * FrameDamage::kMaxRects];
    if (bytes > 0 && bytes <= sizeof buffer && GetRegionData(region, bytes, reinterpret_cast<RGNDATA*>(buffer))) {
      const RGNDATA* data = reinterpret_cast<const RGNDATA*>(buffer);
      const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
      for (DWORD i = 0; i < data->rdh.nCount && damage.count < FrameDamage::kMaxRects; i++) damage.rects[damage.count++] = rects[i];
    } else {
      damage.rects[0] = damage.bounds;
      damage.count = 1;
    }
    damage.whole = false;
  }
  DeleteObject(region);
}

bool coversClient(const RECT& r, uint32_t width, uint32_t height) {
  return r.left <= 0 && r.top <= 0 && r.right >= static_cast<LONG>(width) && r.bottom >= static_cast<LONG>(height);
}

// Only what the frame drew: the rest of the window is the kept picture.
HRESULT presentDamage(IDXGISwapChain1* swapChain, const FrameDamage* damage) {
  if (!damage || damage->whole || damage->count == 0) return swapChain->Present(1, 0);
  RECT rects[FrameDamage::kMaxRects];
  for (int32_t i = 0; i < damage->count; i++) rects[i] = damage->rects[i];
  DXGI_PRESENT_PARAMETERS parameters = {};
  parameters.DirtyRectsCount = static_cast<UINT>(damage->count);
  parameters.pDirtyRects = rects;
  return swapChain->Present1(1, 0, &parameters);
}

void countPresentedFrame(HWND window) {
  uintptr_t count = reinterpret_cast<uintptr_t>(GetPropW(window, kFramePropertyName));
  SetPropW(window, kFramePropertyName, reinterpret_cast<HANDLE>(count + 1));
}
}  // namespace

bool createWindowTarget(WindowTarget& target, HWND window, const RenderDevice& device) {
  releaseWindowTarget(target);
  if (!sharedWriteFactory()) return false;
  IDXGIFactory2* factory = adapterFactory(device);
  if (!factory) return false;
  uint32_t width, height;
  clientSize(window, width, height);
  // Sequential, not discard: the back buffer keeps the last picture after Present, so
  // a frame that changes a few pixels (a hover, the memory figures) draws only those.
  DXGI_SWAP_CHAIN_DESC1 description = swapChainDescription(width ? width : 1, height ? height : 1, 1,
                                                           DXGI_SWAP_EFFECT_SEQUENTIAL, DXGI_ALPHA_MODE_UNSPECIFIED);
  HRESULT hr = factory->CreateSwapChainForHwnd(device.d3d, window, &description, nullptr, nullptr, &target.swapChain);
  if (SUCCEEDED(hr)) factory->MakeWindowAssociation(window, DXGI_MWA_NO_WINDOW_CHANGES | DXGI_MWA_NO_ALT_ENTER);
  factory->Release();
  if (FAILED(hr)) return fail(target, u"CreateSwapChainForHwnd", hr);

  hr = device.d2d->CreateDeviceContext(D2D1_DEVICE_CONTEXT_OPTIONS_NONE, &target.context);
  if (FAILED(hr)) return fail(target, u"CreateDeviceContext", hr);
  hr = setTargetBitmap(target);
  if (FAILED(hr)) {
    releaseWindowTarget(target);
    return false;
  }
  hr = target.context->CreateSolidColorBrush(D2D1::ColorF(0, 0, 0, 1), &target.brush);
  if (FAILED(hr)) return fail(target, u"CreateSolidColorBrush", hr);
  target.context->SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE_CLEARTYPE);
  target.device = device.d2d;
  target.device->AddRef();
  return true;
}

bool resizeWindowTarget(WindowTarget& target, uint32_t width, uint32_t height) {
  target.holdsFrame = false;
  target.context->SetTarget(nullptr);
  releaseCom(target.bitmap);
  HRESULT hr = target.swapChain->ResizeBuffers(0, width, height, DXGI_FORMAT_UNKNOWN, 0);
  if (FAILED(hr)) return fail(target, u"ResizeBuffers", hr);
  if (FAILED(setTargetBitmap(target))) {
    releaseWindowTarget(target);
    return false;
  }
  return true;
}

void releaseWindowTarget(WindowTarget& target) {
  releaseCom(target.brush);
  if (target.context) target.context->SetTarget(nullptr);
  releaseCom(target.bitmap);
  releaseCom(target.context);
  releaseCom(target.swapChain);
  releaseCom(target.device);
  target.holdsFrame = false;
}

bool windowTargetIsStale(const WindowTarget& target) {
  return target.device && target.device != currentD2DDevice();
}

D2D1_SIZE_U windowTargetSize(const WindowTarget& target) {
  return target.bitmap ? target.bitmap->GetPixelSize() : D2D1::SizeU(0, 0);
}

bool addReleaseHook(DeviceBoundResources& resources, ReleaseHook release, void* owner) {
  if (resources.hookCount >= DeviceBoundResources::kMaxHooks) return false;
  resources.hooks[resources.hookCount++] = {release, owner};
  return true;
}

void releaseDeviceBound(DeviceBoundResources& resources) {
  for (int32_t i = 0; i < resources.hookCount; i++) resources.hooks[i].release(resources.hooks[i].owner);
  releaseWindowTarget(resources.target);
  resources.releases++;
}

FrameOutcome paintWindow(HWND window, DeviceBoundResources& resources, const FrameOptions& options, DrawFunction draw,
                         void* context) {
  double start = nowMs();
  FrameDamage* damage = options.damage;
  if (damage) readUpdateRegion(window, *damage);
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  if (options.updateRect) *options.updateRect = paint.rcPaint;
  uint32_t width, height;
  clientSize(window, width, height);
  WindowTarget& target = resources.target;
  if (target.exists() && windowTargetIsStale(target)) releaseDeviceBound(resources);
  FrameOutcome outcome = FrameOutcome::EmptyClient;
  if (width && height) {
    outcome = FrameOutcome::NoTarget;
    if (!target.exists()) {
      const RenderDevice* device = acquireRenderDevice();
      if (device) createWindowTarget(target, window, *device);
    }
    if (target.exists()) {
      D2D1_SIZE_U size = windowTargetSize(target);
      if ((size.width != width || size.height != height) && !resizeWindowTarget(target, width, height)) {
        releaseWindowTarget(target);
        InvalidateRect(window, nullptr, FALSE);
        EndPaint(window, &paint);
        return FrameOutcome::ResizeFailed;
      }
      if (damage && (!target.holdsFrame || damage->count == 0 || coversClient(damage->bounds, width, height)))
        damage->whole = true;
      target.context->BeginDraw();
      draw(context, target.context, target.brush, width, height);
      HRESULT hr = target.context->EndDraw();
      if (HRESULT simulated = takeSimulatedDeviceLoss()) hr = simulated;
      if (SUCCEEDED(hr)) hr = presentDamage(target.swapChain, damage);
      // A failed frame may have left the buffer half drawn: the next one draws it all.
      target.holdsFrame = SUCCEEDED(hr);
      if (SUCCEEDED(hr)) {
        outcome = FrameOutcome::Presented;
      } else if (isDeviceLoss(hr)) {
        dropRenderDevice(target.device);
        releaseDeviceBound(resources);
        InvalidateRect(window, nullptr, FALSE);
        outcome = FrameOutcome::DeviceLost;
      } else {
        outcome = FrameOutcome::DrawFailed;
      }
    }
  }
  EndPaint(window, &paint);
  if (outcome == FrameOutcome::Presented) {
    if (options.timing) recordFrame(*options.timing, start, nowMs(), options.zooming);
    if (options.publishFrameCounter) countPresentedFrame(window);
  }
  return outcome;
}
