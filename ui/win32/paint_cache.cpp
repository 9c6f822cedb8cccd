#include "ui/win32/paint_cache.h"

namespace {

bool inside(const PixelRect& inner, const PixelRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

}  // namespace

PixelRect statusRegion(const WindowLayout& l, int32_t clientHeight) {
  const PixelRect& panel = l.content.panel;
  return {panel.left, panel.bottom, panel.right, clientHeight};
}

PixelRect hoverRepaintRect(const WindowLayout& l, int32_t clientHeight) {
  const PixelRect& map = l.content.map;
  PixelRect status = statusRegion(l, clientHeight);
  return {std::min(map.left, status.left), map.top, std::max(map.right, status.right), clientHeight};
}

bool chromeReusable(const ChromeCache& cache, const WindowLayout& l, int32_t width, int32_t height,
                    const PixelRect& dirty) {
  if (!cache.valid || !cache.bitmap || cache.width != width || cache.height != height) return false;
  if (!(cache.map == l.content.map) || !(cache.status == statusRegion(l, height))) return false;
  return !dirty.empty() && inside(dirty, hoverRepaintRect(l, height));
}

bool beginChrome(ChromeCache& cache, ID2D1DeviceContext* dc, int32_t width, int32_t height) {
  cache.valid = false;
  if (cache.bitmap && (cache.width != width || cache.height != height)) releaseChrome(cache);
  if (!cache.bitmap) {
    D2D1_BITMAP_PROPERTIES1 properties = {{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE}, 96.0f, 96.0f,
                                          D2D1_BITMAP_OPTIONS_TARGET, nullptr};
    if (FAILED(dc->CreateBitmap(D2D1::SizeU(static_cast<UINT32>(width), static_cast<UINT32>(height)), nullptr, 0,
                                properties, &cache.bitmap))) {
      cache.bitmap = nullptr;
      return false;
    }
    cache.width = width;
    cache.height = height;
  }
  // A device context may change its target while it draws.
  dc->GetTarget(&cache.window);
  if (!cache.window) return false;
  dc->SetTarget(cache.bitmap);
  return true;
}

void endChrome(ChromeCache& cache, ID2D1DeviceContext* dc, const WindowLayout& l) {
  dc->SetTarget(cache.window);
  cache.window->Release();
  cache.window = nullptr;
  cache.map = l.content.map;
  cache.status = statusRegion(l, cache.height);
  cache.valid = true;
  cache.takes++;
}

void drawChrome(ChromeCache& cache, ID2D1DeviceContext* dc) {
  D2D1_RECT_F all = D2D1::RectF(0, 0, static_cast<float>(cache.width), static_cast<float>(cache.height));
  dc->DrawBitmap(cache.bitmap, all, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
}

void drawChromePart(ChromeCache& cache, ID2D1DeviceContext* dc, const PixelRect& r) {
  PixelRect part = intersect(r, {0, 0, cache.width, cache.height});
  if (part.empty()) return;
  D2D1_RECT_F at = D2D1::RectF(static_cast<float>(part.left), static_cast<float>(part.top), static_cast<float>(part.right),
                               static_cast<float>(part.bottom));
  dc->DrawBitmap(cache.bitmap, at, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, at);
}

void releaseChrome(ChromeCache& cache) {
  if (cache.bitmap) cache.bitmap->Release();
  cache.bitmap = nullptr;
  cache.width = cache.height = 0;
  cache.valid = false;
}

void releaseChromeHook(void* cache) { releaseChrome(*static_cast<ChromeCache*>(cache)); }
