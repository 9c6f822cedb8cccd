// The lava's compiled shaders (generated/lava_shaders.h, built by D3DCompile under
// Wine) drawn through real Direct3D 11 on a device of this test's own, and read back
// against the CPU glow. Under Wine this is wined3d on the X display ctest gives the
// program; the same steps are what LavaGpu does on the window's device.
#include "lava_shaders.h"
#include "tools/shaders/dxbc.h"
#include "treemap/lava.h"
#include "../tree_fixture.h"
#include <windows.h>
#include <d2d1_1.h>
#include <d3d11_1.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

// The scheme the maps of this file are drawn with.
static int32_t gTestScheme = 0;

namespace {
template <typename T>
struct Com {
  T* p = nullptr;
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() { reset(); }
  void reset() {
    if (p) p->Release();
    p = nullptr;
  }
  T** out() {
    reset();
    return &p;
  }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

// The instance layout of one run in the vertex buffer.
struct RunVertexData {
  int32_t x, y, length, startAge, stepX, stepY;
};
static_assert(sizeof(RunVertexData) == 24);

struct LavaConstantsData {
  int32_t width, height, t, gap;
};
static_assert(sizeof(LavaConstantsData) == 16);

// A bare device with everything LavaGpu sets up once per device.
struct LavaRig {
  Com<ID3D11Device> device;
  Com<ID3D11DeviceContext> context;
  Com<ID3D11Device1> device1;
  Com<ID3D11DeviceContext1> context1;
  Com<ID3DDeviceContextState> state;
  D3D_FEATURE_LEVEL level = D3D_FEATURE_LEVEL_9_1;
  Com<ID3D11VertexShader> vertexShader;
  Com<ID3D11PixelShader> pixelShader;
  Com<ID3D11InputLayout> inputLayout;
  Com<ID3D11BlendState> blend;
  Com<ID3D11Buffer> constants;
  std::string adapter;
  std::string failure;

  bool fail(const char* step, HRESULT hr) {
    char text[128];
    std::snprintf(text, sizeof text, "%s failed: 0x%08lx", step, static_cast<unsigned long>(hr));
    failure = text;
    return false;
  }

  bool create() {
    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1, D3D_FEATURE_LEVEL_10_0};
    HRESULT hr = E_FAIL;
    for (D3D_DRIVER_TYPE type : {D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP}) {
      hr = D3D11CreateDevice(nullptr, type, nullptr, D3D11_CREATE_DEVICE_BGRA_SUPPORT, levels, 3,
                             D3D11_SDK_VERSION, device.out(), &level, context.out());
      if (SUCCEEDED(hr)) break;
    }
    if (FAILED(hr)) return fail("D3D11CreateDevice", hr);
    Com<IDXGIDevice> dxgi;
    Com<IDXGIAdapter> dxgiAdapter;
    DXGI_ADAPTER_DESC description = {};
    if (SUCCEEDED(device->QueryInterface(__uuidof(IDXGIDevice), reinterpret_cast<void**>(dxgi.out()))) &&
        SUCCEEDED(dxgi->GetAdapter(dxgiAdapter.out())) && SUCCEEDED(dxgiAdapter->GetDesc(&description))) {
      for (const wchar_t* c = description.Description; *c; ++c) adapter.push_back(*c < 128 ? char(*c) : '?');
    }
    device->QueryInterface(__uuidof(ID3D11Device1), reinterpret_cast<void**>(device1.out()));
    context->QueryInterface(__uuidof(ID3D11DeviceContext1), reinterpret_cast<void**>(context1.out()));
    if (device1 && context1) {
      hr = device1->CreateDeviceContextState(0, &level, 1, D3D11_SDK_VERSION, __uuidof(ID3D11Device1), nullptr,
                                             state.out());
      if (FAILED(hr)) state.reset();
    }
    hr = device->CreateVertexShader(kLavaVertexShader, sizeof kLavaVertexShader, nullptr, vertexShader.out());
    if (FAILED(hr)) return fail("CreateVertexShader", hr);
    hr = device->CreatePixelShader(kLavaPixelShader, sizeof kLavaPixelShader, nullptr, pixelShader.out());
    if (FAILED(hr)) return fail("CreatePixelShader", hr);
    const D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"RUN", 0, DXGI_FORMAT_R32G32B32A32_SINT, 0, 0, D3D11_INPUT_PER_INSTANCE_DATA, 1},
        {"DIR", 0, DXGI_FORMAT_R32G32_SINT, 0, 16, D3D11_INPUT_PER_INSTANCE_DATA, 1},
    };
    hr = device->CreateInputLayout(elements, 2, kLavaVertexShader, sizeof kLavaVertexShader, inputLayout.out());
    if (FAILED(hr)) return fail("CreateInputLayout", hr);
    D3D11_BLEND_DESC blendDescription = {};
    D3D11_RENDER_TARGET_BLEND_DESC& target = blendDescription.RenderTarget[0];
    target.BlendEnable = TRUE;
    target.SrcBlend = D3D11_BLEND_ONE;
    target.DestBlend = D3D11_BLEND_ONE;
    target.BlendOp = D3D11_BLEND_OP_ADD;
    target.SrcBlendAlpha = D3D11_BLEND_ZERO;
    target.DestBlendAlpha = D3D11_BLEND_ONE;
    target.BlendOpAlpha = D3D11_BLEND_OP_ADD;
    target.RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
    hr = device->CreateBlendState(&blendDescription, blend.out());
    if (FAILED(hr)) return fail("CreateBlendState", hr);
    D3D11_BUFFER_DESC constantsDescription = {sizeof(LavaConstantsData), D3D11_USAGE_DEFAULT,
                                              D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
    hr = device->CreateBuffer(&constantsDescription, nullptr, constants.out());
    if (FAILED(hr)) return fail("CreateBuffer (constants)", hr);
    return true;
  }

  Com<ID3D11Texture2D>* texture(Com<ID3D11Texture2D>& out, int32_t width, int32_t height, D3D11_USAGE usage,
                                UINT bind, UINT cpu) {
    D3D11_TEXTURE2D_DESC d = {};
    d.Width = UINT(width);
    d.Height = UINT(height);
    d.MipLevels = 1;
    d.ArraySize = 1;
    d.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    d.SampleDesc.Count = 1;
    d.Usage = usage;
    d.BindFlags = bind;
    d.CPUAccessFlags = cpu;
    return SUCCEEDED(device->CreateTexture2D(&d, nullptr, out.out())) ? &out : nullptr;
  }

  // raster + the glow of the layout's runs at t into `target`, as LavaGpu draws it
  bool drawInto(Com<ID3D11Texture2D>& target, const TreemapLayout& layout, const std::vector<uint32_t>& raster,
                int32_t width, int32_t height, int32_t t) {
    Com<ID3D11Texture2D> source;
    if (!texture(source, width, height, D3D11_USAGE_DEFAULT, 0, 0) ||
        !texture(target, width, height, D3D11_USAGE_DEFAULT, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET, 0))
      return false;
    context->UpdateSubresource(source.p, 0, nullptr, raster.data(), UINT(4 * width), 0);
    context->CopyResource(target.p, source.p);
    Com<ID3D11RenderTargetView> view;
    if (FAILED(device->CreateRenderTargetView(target.p, nullptr, view.out()))) return false;

    int32_t g = layout.gap;
    std::vector<uint32_t> lookupValues(lavaLookupCount(g));
    if (!fillLavaLookup(g, lookupValues.data())) return false;
    D3D11_TEXTURE1D_DESC lookupDescription = {UINT(lookupValues.size()), 1, 1, DXGI_FORMAT_R32_UINT,
                                              D3D11_USAGE_IMMUTABLE, D3D11_BIND_SHADER_RESOURCE, 0, 0};
    D3D11_SUBRESOURCE_DATA lookupData = {lookupValues.data(), 0, 0};
    Com<ID3D11Texture1D> lookup;
    Com<ID3D11ShaderResourceView> lookupView;
    if (FAILED(device->CreateTexture1D(&lookupDescription, &lookupData, lookup.out())) ||
        FAILED(device->CreateShaderResourceView(lookup.p, nullptr, lookupView.out())))
      return false;
    std::vector<RunVertexData> runs;
    for (const FlowRun& r : layout.flowRuns) runs.push_back({r.x, r.y, r.length, r.startAge, r.stepX, r.stepY});
    Com<ID3D11Buffer> runBuffer;
    if (!runs.empty()) {
      D3D11_BUFFER_DESC d = {UINT(runs.size() * sizeof(RunVertexData)), D3D11_USAGE_IMMUTABLE,
                             D3D11_BIND_VERTEX_BUFFER, 0, 0, 0};
      D3D11_SUBRESOURCE_DATA data = {runs.data(), 0, 0};
      if (FAILED(device->CreateBuffer(&d, &data, runBuffer.out()))) return false;
    }
    LavaConstantsData values = {width, height, t, g};
    context->UpdateSubresource(constants.p, 0, nullptr, &values, 0, 0);

    if (runBuffer) {
      Com<ID3DDeviceContextState> previous;
      if (state) context1->SwapDeviceContextState(state.p, previous.out());
      D3D11_VIEWPORT viewport = {0, 0, float(width), float(height), 0, 1};
      context->RSSetViewports(1, &viewport);
      context->IASetInputLayout(inputLayout.p);
      UINT stride = sizeof(RunVertexData), offset = 0;
      context->IASetVertexBuffers(0, 1, &runBuffer.p, &stride, &offset);
      context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
      context->VSSetShader(vertexShader.p, nullptr, 0);
      context->VSSetConstantBuffers(0, 1, &constants.p);
      context->PSSetShader(pixelShader.p, nullptr, 0);
      context->PSSetConstantBuffers(0, 1, &constants.p);
      context->PSSetShaderResources(0, 1, &lookupView.p);
      context->OMSetBlendState(blend.p, nullptr, 0xFFFFFFFF);
      context->OMSetRenderTargets(1, &view.p, nullptr);
      context->DrawInstanced(4, UINT(runs.size()), 0, 0);
      context->OMSetRenderTargets(0, nullptr, nullptr);
      if (state) context1->SwapDeviceContextState(previous.p, nullptr);
    }
    return true;
  }

  std::vector<uint32_t> readBack(ID3D11Texture2D* target, int32_t width, int32_t height) {
    Com<ID3D11Texture2D> staging;
    if (!texture(staging, width, height, D3D11_USAGE_STAGING, 0, D3D11_CPU_ACCESS_READ)) return {};
    context->CopyResource(staging.p, target);
    D3D11_MAPPED_SUBRESOURCE mapped = {};
    if (FAILED(context->Map(staging.p, 0, D3D11_MAP_READ, 0, &mapped))) return {};
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y)
      std::memcpy(&pixels[size_t(y) * size_t(width)], static_cast<const uint8_t*>(mapped.pData) + size_t(y) * mapped.RowPitch,
                  size_t(width) * 4);
    context->Unmap(staging.p, 0);
    return pixels;
  }

  // empty on a failure
  std::vector<uint32_t> draw(const TreemapLayout& layout, const std::vector<uint32_t>& raster, int32_t width,
                             int32_t height, int32_t t) {
    Com<ID3D11Texture2D> target;
    if (!drawInto(target, layout, raster, width, height, t)) return {};
    return readBack(target.p, width, height);
  }
};

LavaRig& rig() {
  static LavaRig* shared = [] {
    LavaRig* r = new LavaRig;
    if (r->create())
      std::printf("lava shaders on \"%s\", feature level 0x%x, device 1.1 %s, context state %s\n", r->adapter.c_str(),
                  unsigned(r->level), r->device1 && r->context1 ? "yes" : "no", r->state ? "yes" : "no");
    return r;
  }();
  return *shared;
}

// The GPU frame against the CPU one: both start from the same raster.
void expectSameGlow(const TreemapLayout& layout, const std::vector<uint32_t>& raster, int32_t width, int32_t height,
                    int32_t t, const std::string& what) {
  std::vector<uint32_t> cpu = raster;
  drawLavaFlow(layout, cpu.data(), cpu.size(), width, height, t);
  bool reached = std::any_of(layout.flowRuns.begin(), layout.flowRuns.end(),
                             [t](const FlowRun& r) { return r.startAge <= t; });
  EXPECT_EQ(cpu != raster, reached) << what << ": the comparison would prove nothing";
  std::vector<uint32_t> gpu = rig().draw(layout, raster, width, height, t);
  ASSERT_EQ(gpu.size(), cpu.size()) << what << ": the GPU frame could not be drawn";
  int worst = 0;
  size_t differing = 0, first = 0;
  for (size_t i = 0; i < cpu.size(); ++i) {
    int largest = 0;
    for (int shift = 0; shift <= 16; shift += 8)
      largest = std::max(largest, std::abs(int(cpu[i] >> shift & 0xFF) - int(gpu[i] >> shift & 0xFF)));
    if (largest > 0 && differing++ == 0) first = i;
    worst = std::max(worst, largest);
  }
  // The blend adds 8-bit values exactly; allow one step for a driver that rounds
  // its float output differently, and nothing more.
  EXPECT_LE(worst, 1) << what << ": " << differing << " pixels differ, first at " << first % size_t(width) << ","
                      << first / size_t(width) << " cpu " << std::hex << cpu[first] << " gpu " << gpu[first];
}

std::vector<uint32_t> rasterOf(const TreemapLayout& layout, int32_t width, int32_t height) {
  std::vector<uint32_t> pixels(size_t(width) * size_t(height));
  rasterTreemap(layout, pixels.data(), pixels.size(), width, height, kMapSchemes[4].background, 0, mapSchemeAt(gTestScheme));
  return pixels;
}
}  // namespace

TEST(LavaShaders, BlobsAreValidContainers) {
  EXPECT_TRUE(dxbc::containerValid(kLavaVertexShader, sizeof kLavaVertexShader));
  EXPECT_TRUE(dxbc::containerValid(kLavaPixelShader, sizeof kLavaPixelShader));
  // a changed byte breaks the checksum, as Direct3D would see it
  std::vector<uint8_t> changed(kLavaPixelShader, kLavaPixelShader + sizeof kLavaPixelShader);
  changed[changed.size() / 2] ^= 1;
  EXPECT_FALSE(dxbc::containerValid(changed.data(), changed.size()));
}

TEST(LavaShaders, DeviceTakesThem) {
  LavaRig& r = rig();
  ASSERT_TRUE(r.failure.empty()) << r.failure;
  EXPECT_GE(r.level, D3D_FEATURE_LEVEL_10_0);
  RecordProperty("adapter", r.adapter);
  RecordProperty("contextState", r.state ? "yes" : "no");
}

TEST(LavaShaders, DemoFlowMatchesTheCpu) {
  ASSERT_TRUE(rig().failure.empty()) << rig().failure;
  gTestScheme = 4;
  FixtureTree f;
  buildDemoTree(f);
  TreemapLayout layout;
  layoutTreemap(layout, f.tree, f.tree.rootIndex, 160, 100, nullptr, 0, 3, true, mapSchemeAt(gTestScheme));
  std::vector<uint32_t> raster = rasterOf(layout, 160, 100);
  for (int32_t t : {0, 1, 30, 90, 200, lavaTotal(layout)})
    expectSameGlow(layout, raster, 160, 100, t, "demo at t " + std::to_string(t));
  releaseTreemapLayout(layout);
  gTestScheme = 0;
}

TEST(LavaShaders, RandomLayoutsMatchTheCpu) {
  ASSERT_TRUE(rig().failure.empty()) << rig().failure;
  gTestScheme = 4;
  std::mt19937 random(2323);
  for (int round = 0; round < 8; ++round) {
    FixtureTree f;
    buildRandomTree(f, random, 1 + int(random() % 400), 1 + int(random() % 40), 1 + int(random() % 6));
    int32_t width = 80 + int32_t(random() % 500), height = 60 + int32_t(random() % 300);
    int32_t gap = 1 + int32_t(random() % 5);
    TreemapLayout layout;
    layoutTreemap(layout, f.tree, f.tree.rootIndex, width, height, nullptr, 0, gap, true, mapSchemeAt(gTestScheme));
    std::vector<uint32_t> raster = rasterOf(layout, width, height);
    int32_t t = int32_t(random() % uint32_t(lavaTotal(layout) + 1));
    expectSameGlow(layout, raster, width, height, t,
                   "round " + std::to_string(round) + " gap " + std::to_string(gap) + " t " + std::to_string(t));
    releaseTreemapLayout(layout);
  }
  gTestScheme = 0;
}

// Runs reaching over the edges, flowing left, not reached yet, at the smallest and
// the largest gap, on a bright background where sums saturate.
TEST(LavaShaders, EdgesAndGapsMatchTheCpu) {
  ASSERT_TRUE(rig().failure.empty()) << rig().failure;
  for (int32_t g : {1, 2, 16}) {
    TreemapLayout layout;
    layout.gap = g;
    layout.flowRuns = {{-5, -10, 60, 0, 0, 1}, {95, 20, 40, 3, 0, 1}, {99, 50, 120, 10, -1, 0},
                       {-20, 70, 50, 0, 1, 0}, {30, 30, 1, 0, 1, 0},  {50, 10, 30, 500, 0, 1}};
    std::vector<uint32_t> raster(100 * 80);
    for (size_t i = 0; i < raster.size(); ++i) raster[i] = i % 7 == 0 ? 0xFFF0F0F0u : 0xFF102030u;
    for (int32_t t : {0, 5, 40, 200, 2000})
      expectSameGlow(layout, raster, 100, 80, t, "gap " + std::to_string(g) + " t " + std::to_string(t));
  }
}

// The GPU frame reaches the window as LavaGpu hands it over: a Direct2D bitmap on the
// target texture's DXGI surface, here drawn by Direct2D into another texture.
TEST(LavaShaders, FrameReachesDirect2D) {
  LavaRig& r = rig();
  ASSERT_TRUE(r.failure.empty()) << r.failure;
  FixtureTree f;
  buildDemoTree(f);
  gTestScheme = 4;
  TreemapLayout layout;
  layoutTreemap(layout, f.tree, f.tree.rootIndex, 160, 100, nullptr, 0, 3, true, mapSchemeAt(gTestScheme));
  std::vector<uint32_t> raster = rasterOf(layout, 160, 100);
  gTestScheme = 0;
  Com<ID3D11Texture2D> frame, shown;
  ASSERT_TRUE(r.drawInto(frame, layout, raster, 160, 100, 60));
  ASSERT_TRUE(r.texture(shown, 160, 100, D3D11_USAGE_DEFAULT, D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE, 0));

  Com<ID2D1Factory1> factory;
  Com<IDXGIDevice> dxgi;
  Com<ID2D1Device> device2d;
  Com<ID2D1DeviceContext> context2d;
  ASSERT_HRESULT_SUCCEEDED(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory1), nullptr,
                                             reinterpret_cast<void**>(factory.out())));
  ASSERT_HRESULT_SUCCEEDED(r.device->QueryInterface(__uuidof(IDXGIDevice), reinterpret_cast<void**>(dxgi.out())));
  ASSERT_HRESULT_SUCCEEDED(factory->CreateDevice(dxgi.p, device2d.out()));
  ASSERT_HRESULT_SUCCEEDED(device2d->CreateDeviceContext(D2D1_DEVICE_CONTEXT_OPTIONS_NONE, context2d.out()));
  auto bitmapOn = [&](ID3D11Texture2D* texture, D2D1_BITMAP_OPTIONS options, Com<ID2D1Bitmap1>& bitmap) {
    Com<IDXGISurface> surface;
    HRESULT hr = texture->QueryInterface(__uuidof(IDXGISurface), reinterpret_cast<void**>(surface.out()));
    if (FAILED(hr)) return hr;
    D2D1_BITMAP_PROPERTIES1 properties = {};
    properties.pixelFormat = {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE};
    properties.dpiX = properties.dpiY = 96;
    properties.bitmapOptions = options;
    return context2d->CreateBitmapFromDxgiSurface(surface.p, &properties, bitmap.out());
  };
  Com<ID2D1Bitmap1> frameBitmap, targetBitmap;
  ASSERT_HRESULT_SUCCEEDED(bitmapOn(frame.p, D2D1_BITMAP_OPTIONS_NONE, frameBitmap));
  ASSERT_HRESULT_SUCCEEDED(bitmapOn(shown.p, D2D1_BITMAP_OPTIONS_TARGET, targetBitmap));
  context2d->SetTarget(targetBitmap.p);
  context2d->BeginDraw();
  context2d->DrawBitmap(frameBitmap.p, D2D1::RectF(0, 0, 160, 100), 1.0f, D2D1_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                        nullptr, nullptr);
  ASSERT_HRESULT_SUCCEEDED(context2d->EndDraw());
  context2d->SetTarget(nullptr);
  std::vector<uint32_t> cpu = raster;
  drawLavaFlow(layout, cpu.data(), cpu.size(), 160, 100, 60);
  std::vector<uint32_t> seen = r.readBack(shown.p, 160, 100);
  ASSERT_EQ(seen.size(), cpu.size());
  size_t differing = 0;
  for (size_t i = 0; i < seen.size(); ++i) differing += (seen[i] & 0xFFFFFF) != (cpu[i] & 0xFFFFFF);
  EXPECT_EQ(differing, 0u) << "pixels Direct2D shows differently from the CPU glow";
  releaseTreemapLayout(layout);
}
