#include "render/win32/lava_gpu.h"

#include "lava_shaders.h"
#include "treemap/lava.h"
#include <dxgi.h>
#include <vector>

namespace {

struct RunInstance {
  int32_t x, y, length, startAge, stepX, stepY;
};
static_assert(sizeof(RunInstance) == 24);

struct Constants {
  int32_t width, height, t, gap;
};
static_assert(sizeof(Constants) == 16);

template <typename T>
void drop(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

void releaseSurfaces(LavaGpu& g) {
  drop(g.bitmap);
  drop(g.targetView);
  drop(g.target);
  drop(g.source);
}

void releaseLookup(LavaGpu& g) {
  drop(g.lookupView);
  drop(g.lookup);
  drop(g.runs);
  g.runCount = 0;
}

void releaseDeviceObjects(LavaGpu& g) {
  releaseSurfaces(g);
  releaseLookup(g);
  drop(g.constants);
  drop(g.blend);
  drop(g.inputLayout);
  drop(g.pixelShader);
  drop(g.vertexShader);
  drop(g.state);
  drop(g.context1);
  drop(g.device);
}

bool capable(ID3D11Device* device, ID3D11DeviceContext* context) {
  if (device->GetFeatureLevel() < D3D_FEATURE_LEVEL_10_0) return false;
  ID3D11Device1* device1 = nullptr;
  ID3D11DeviceContext1* context1 = nullptr;
  bool both = SUCCEEDED(device->QueryInterface(__uuidof(ID3D11Device1), reinterpret_cast<void**>(&device1))) &&
              SUCCEEDED(context->QueryInterface(__uuidof(ID3D11DeviceContext1), reinterpret_cast<void**>(&context1)));
  drop(device1);
  drop(context1);
  return both;
}

bool setUpDevice(LavaGpu& g, ID3D11Device* device, ID3D11DeviceContext* context) {
  ID3D11Device1* device1 = nullptr;
  if (FAILED(device->QueryInterface(__uuidof(ID3D11Device1), reinterpret_cast<void**>(&device1)))) return false;
  bool ok = SUCCEEDED(context->QueryInterface(__uuidof(ID3D11DeviceContext1), reinterpret_cast<void**>(&g.context1)));
  D3D_FEATURE_LEVEL level = device->GetFeatureLevel();
  const UINT flags = (device->GetCreationFlags() & D3D11_CREATE_DEVICE_SINGLETHREADED)
                         ? D3D11_1_CREATE_DEVICE_CONTEXT_STATE_SINGLETHREADED
                         : 0;
  ok = ok && SUCCEEDED(device1->CreateDeviceContextState(flags, &level, 1, D3D11_SDK_VERSION, __uuidof(ID3D11Device1),
                                                         nullptr, &g.state));
  device1->Release();
  ok = ok && SUCCEEDED(device->CreateVertexShader(kLavaVertexShader, sizeof kLavaVertexShader, nullptr, &g.vertexShader));
  ok = ok && SUCCEEDED(device->CreatePixelShader(kLavaPixelShader, sizeof kLavaPixelShader, nullptr, &g.pixelShader));
  const D3D11_INPUT_ELEMENT_DESC elements[] = {
      {"RUN", 0, DXGI_FORMAT_R32G32B32A32_SINT, 0, 0, D3D11_INPUT_PER_INSTANCE_DATA, 1},
      {"DIR", 0, DXGI_FORMAT_R32G32_SINT, 0, 16, D3D11_INPUT_PER_INSTANCE_DATA, 1},
  };
  ok = ok && SUCCEEDED(device->CreateInputLayout(elements, 2, kLavaVertexShader, sizeof kLavaVertexShader, &g.inputLayout));
  D3D11_BLEND_DESC blend = {};
  D3D11_RENDER_TARGET_BLEND_DESC& b = blend.RenderTarget[0];
  b.BlendEnable = TRUE;
  b.SrcBlend = D3D11_BLEND_ONE;
  b.DestBlend = D3D11_BLEND_ONE;
  b.BlendOp = D3D11_BLEND_OP_ADD;
  b.SrcBlendAlpha = D3D11_BLEND_ZERO;
  b.DestBlendAlpha = D3D11_BLEND_ONE;
  b.BlendOpAlpha = D3D11_BLEND_OP_ADD;
  b.RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
  ok = ok && SUCCEEDED(device->CreateBlendState(&blend, &g.blend));
  D3D11_BUFFER_DESC constants = {sizeof(Constants), D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
  ok = ok && SUCCEEDED(device->CreateBuffer(&constants, nullptr, &g.constants));
  return ok;
}

bool texture(ID3D11Device* device, int32_t width, int32_t height, UINT bind, ID3D11Texture2D** out) {
  D3D11_TEXTURE2D_DESC d = {};
  d.Width = static_cast<UINT>(width);
  d.Height = static_cast<UINT>(height);
  d.MipLevels = 1;
  d.ArraySize = 1;
  d.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  d.SampleDesc.Count = 1;
  d.Usage = D3D11_USAGE_DEFAULT;
  d.BindFlags = bind;
  return SUCCEEDED(device->CreateTexture2D(&d, nullptr, out));
}

bool makeSurfaces(LavaGpu& g, ID3D11Device* device, ID2D1DeviceContext* dc, int32_t width, int32_t height) {
  releaseSurfaces(g);
  bool ok = texture(device, width, height, 0, &g.source) &&
            texture(device, width, height, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET, &g.target) &&
            SUCCEEDED(device->CreateRenderTargetView(g.target, nullptr, &g.targetView));
  IDXGISurface* surface = nullptr;
  ok = ok && SUCCEEDED(g.target->QueryInterface(__uuidof(IDXGISurface), reinterpret_cast<void**>(&surface)));
  if (ok) {
    D2D1_BITMAP_PROPERTIES1 properties = {{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE}, 96.0f, 96.0f,
                                          D2D1_BITMAP_OPTIONS_NONE, nullptr};
    ok = SUCCEEDED(dc->CreateBitmapFromDxgiSurface(surface, &properties, &g.bitmap));
  }
  drop(surface);
  return ok;
}

bool uploadLookup(LavaGpu& g, ID3D11Device* device, const TreemapLayout& layout) {
  releaseLookup(g);
  const int32_t gap = layout.gap;
  std::vector<uint32_t> values(lavaLookupCount(gap));
  if (values.empty() || !fillLavaLookup(gap, values.data())) return false;
  D3D11_TEXTURE1D_DESC d = {static_cast<UINT>(values.size()), 1, 1, DXGI_FORMAT_R32_UINT, D3D11_USAGE_IMMUTABLE,
                            D3D11_BIND_SHADER_RESOURCE, 0, 0};
  D3D11_SUBRESOURCE_DATA data = {values.data(), 0, 0};
  if (FAILED(device->CreateTexture1D(&d, &data, &g.lookup)) ||
      FAILED(device->CreateShaderResourceView(g.lookup, nullptr, &g.lookupView)))
    return false;
  std::vector<RunInstance> runs;
  runs.reserve(layout.flowRuns.size());
  for (const FlowRun& r : layout.flowRuns) runs.push_back({r.x, r.y, r.length, r.startAge, r.stepX, r.stepY});
  if (runs.empty()) return true;
  D3D11_BUFFER_DESC b = {static_cast<UINT>(runs.size() * sizeof(RunInstance)), D3D11_USAGE_IMMUTABLE,
                         D3D11_BIND_VERTEX_BUFFER, 0, 0, 0};
  D3D11_SUBRESOURCE_DATA runData = {runs.data(), 0, 0};
  if (FAILED(device->CreateBuffer(&b, &runData, &g.runs))) return false;
  g.runCount = static_cast<uint32_t>(runs.size());
  return true;
}

void drawRuns(LavaGpu& g, ID3D11DeviceContext* context, int32_t width, int32_t height, int32_t t, int32_t gap) {
  ID3DDeviceContextState* previous = nullptr;
  g.context1->SwapDeviceContextState(g.state, &previous);
  Constants values = {width, height, t, gap};
  context->UpdateSubresource(g.constants, 0, nullptr, &values, 0, 0);
  D3D11_VIEWPORT viewport = {0, 0, static_cast<float>(width), static_cast<float>(height), 0, 1};
  context->RSSetViewports(1, &viewport);
  context->IASetInputLayout(g.inputLayout);
  UINT stride = sizeof(RunInstance), offset = 0;
  context->IASetVertexBuffers(0, 1, &g.runs, &stride, &offset);
  context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  context->VSSetShader(g.vertexShader, nullptr, 0);
  context->VSSetConstantBuffers(0, 1, &g.constants);
  context->PSSetShader(g.pixelShader, nullptr, 0);
  context->PSSetConstantBuffers(0, 1, &g.constants);
  context->PSSetShaderResources(0, 1, &g.lookupView);
  context->OMSetBlendState(g.blend, nullptr, 0xFFFFFFFF);
  context->OMSetRenderTargets(1, &g.targetView, nullptr);
  context->DrawInstanced(4, g.runCount, 0, 0);
  context->OMSetRenderTargets(0, nullptr, nullptr);
  g.context1->SwapDeviceContextState(previous, nullptr);
  drop(previous);
  g.draws++;
}

ID2D1Bitmap* failed(LavaGpu& g) {
  lavaGpuFailed(g.memory);
  releaseSurfaces(g);
  releaseLookup(g);
  return nullptr;
}

}  // namespace

ID2D1Bitmap* drawLavaGpu(LavaGpu& g, ID3D11Device* device, ID3D11DeviceContext* context, ID2D1DeviceContext* dc,
                         const TreemapLayout& layout, const uint32_t* pixels, int32_t width, int32_t height,
                         bool rasterNew, bool runsNew, int32_t t) {
  if (!device || !context || !dc || !pixels || width <= 0 || height <= 0) return nullptr;
  if (g.device && g.device != device) releaseLavaGpu(g);
  LavaGpuFacts facts;
  facts.device = device;
  facts.capable = g.memory.device == device ? g.memory.deviceReady || !g.memory.failed : capable(device, context);
  facts.context2d = dc;
  facts.width = width;
  facts.height = height;
  facts.gap = layout.gap;
  facts.t = t;
  facts.haveRuns = !layout.flowRuns.empty();
  facts.rasterNew = rasterNew;
  facts.runsNew = runsNew;
  LavaGpuPlan plan = planLavaGpu(g.memory, facts);
  if (plan.none) return nullptr;
  if (plan.setUpDevice) {
    releaseDeviceObjects(g);
    g.device = device;
    g.device->AddRef();
    if (g.refuseDevice || !setUpDevice(g, device, context)) return failed(g);
  }
  if (plan.makeSurfaces && !makeSurfaces(g, device, dc, width, height)) return failed(g);
  if (plan.uploadLookup && !uploadLookup(g, device, layout)) return failed(g);
  if (plan.uploadRaster) context->UpdateSubresource(g.source, 0, nullptr, pixels, static_cast<UINT>(width) * 4, 0);
  if (plan.redraw) {
    // Every frame starts from the plain raster.
    context->CopyResource(g.target, g.source);
    if (plan.drawRuns && g.runs && g.runCount) drawRuns(g, context, width, height, t, layout.gap);
  }
  return g.bitmap;
}

void releaseLavaGpu(LavaGpu& g) {
  releaseDeviceObjects(g);
  g.memory = LavaGpuMemory{};
}

void releaseLavaGpuHook(void* gpu) { releaseLavaGpu(*static_cast<LavaGpu*>(gpu)); }
