// The device scene: four quadrants, a one-pixel frame along the client edges
// and a small bitmap made on the device, in colours that depend on the variant.
// Exact colours at known points tell a stretched, stale or lost frame apart.
#include "render_window.h"

namespace {
struct DeviceScene {
  ID2D1Bitmap* pattern = nullptr;   // device-bound: released with the target, rebuilt on the next paint
  uint32_t patternBuilds = 0;
};

// Kept in step with tests/e2e/win64/render_device.py.
constexpr uint32_t kQuadrants[4][4] = {
    {0x204080, 0x40A020, 0xC03020, 0xE0C040},
    {0x103050, 0x30C0B0, 0xA02080, 0x808080},
    {0xF0F0F0, 0x000000, 0x1090F0, 0x705010},
    {0x402000, 0x00FF00, 0xFF0000, 0x0000FF},
};
constexpr uint32_t kFrameColors[4] = {0xFF00FF, 0x00FFFF, 0xFFFF00, 0xFFFFFF};
constexpr uint32_t kPatternColors[4] = {0x112233, 0x445566, 0x778899, 0xAABBCC};   // 2 × 2, row by row

D2D1_COLOR_F color(uint32_t rgb) {
  return D2D1::ColorF(((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, 1.0f);
}

void fill(ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, float l, float t, float r, float b, uint32_t rgb) {
  brush->SetColor(color(rgb));
  dc->FillRectangle(D2D1::RectF(l, t, r, b), brush);
}

void releasePattern(void* owner) { releaseCom(static_cast<DeviceScene*>(owner)->pattern); }
}  // namespace

void* createDeviceScene(TestWindow& w) {
  auto* scene = new DeviceScene;
  addReleaseHook(w.resources, releasePattern, scene);
  return scene;
}

void drawDeviceScene(TestWindow& w, ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width, uint32_t height) {
  auto& scene = *static_cast<DeviceScene*>(w.scene);
  uint32_t v = w.variant % 4;
  dc->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
  float mx = static_cast<float>(width / 2), my = static_cast<float>(height / 2);
  float fw = static_cast<float>(width), fh = static_cast<float>(height);
  fill(dc, brush, 0, 0, mx, my, kQuadrants[v][0]);
  fill(dc, brush, mx, 0, fw, my, kQuadrants[v][1]);
  fill(dc, brush, 0, my, mx, fh, kQuadrants[v][2]);
  fill(dc, brush, mx, my, fw, fh, kQuadrants[v][3]);
  uint32_t frame = kFrameColors[v];
  fill(dc, brush, 0, 0, fw, 1, frame);
  fill(dc, brush, 0, fh - 1, fw, fh, frame);
  fill(dc, brush, 0, 0, 1, fh, frame);
  fill(dc, brush, fw - 1, 0, fw, fh, frame);
  if (!scene.pattern) {
    uint32_t pixels[4];
    for (int i = 0; i < 4; i++) pixels[i] = kPatternColors[i] | 0xFF000000u;
    D2D1_BITMAP_PROPERTIES properties = {{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE}, 96, 96};
    if (SUCCEEDED(dc->CreateBitmap(D2D1::SizeU(2, 2), pixels, 8, &properties, &scene.pattern))) scene.patternBuilds++;
  }
  if (scene.pattern && width >= 64 && height >= 64)
    dc->DrawBitmap(scene.pattern, D2D1::RectF(16, 16, 48, 48), 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
}

void publishDeviceScene(TestWindow& w) {
  auto& scene = *static_cast<DeviceScene*>(w.scene);
  SetPropW(w.window, L"MossbloomTest.PatternBuilds", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(scene.patternBuilds)));
}
