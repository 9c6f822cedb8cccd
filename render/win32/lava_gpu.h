// LavaGpu: the lava glow drawn on the render device. The raster goes into a source
// texture once per new raster; each new t copies it into a target texture and adds
// the glow of every flow run with one instanced draw of the two embedded shaders,
// inside a device context state of its own so that Direct2D's state is untouched.
// The target is wrapped as a Direct2D bitmap, which the map draws like any other.
// A device without feature level 10.0, ID3D11Device1 or ID3D11DeviceContext1, or a
// creation that fails, gives no bitmap: the caller then draws the glow on the CPU.
//
// What is redone when is decided by planLavaGpu (treemap/map_bitmap.h).
//
// Threading: the window thread, outside BeginDraw/EndDraw of its device context
// (the drawing goes straight to the immediate context).
#pragma once
#include "treemap/map_bitmap.h"
#include "treemap/treemap.h"
#include <d2d1_1.h>
#include <d3d11_1.h>
#include <cstdint>

struct LavaGpu {
  LavaGpuMemory memory;
  ID3D11Device* device = nullptr;          // counted, for the identity check
  ID3D11DeviceContext1* context1 = nullptr;
  ID3DDeviceContextState* state = nullptr;
  ID3D11VertexShader* vertexShader = nullptr;
  ID3D11PixelShader* pixelShader = nullptr;
  ID3D11InputLayout* inputLayout = nullptr;
  ID3D11BlendState* blend = nullptr;
  ID3D11Buffer* constants = nullptr;
  ID3D11Texture2D* source = nullptr;
  ID3D11Texture2D* target = nullptr;
  ID3D11RenderTargetView* targetView = nullptr;
  ID2D1Bitmap1* bitmap = nullptr;          // on the target's surface
  ID3D11Texture1D* lookup = nullptr;
  ID3D11ShaderResourceView* lookupView = nullptr;
  ID3D11Buffer* runs = nullptr;
  uint32_t runCount = 0;
  uint64_t draws = 0;                      // instanced draws, for tests
  bool refuseDevice = false;               // tests: treat every device as one whose set-up fails
};

// Raster + glow at t as a Direct2D bitmap (owned by `gpu`), or null: use the CPU path.
ID2D1Bitmap* drawLavaGpu(LavaGpu& gpu, ID3D11Device* device, ID3D11DeviceContext* context, ID2D1DeviceContext* dc,
                         const TreemapLayout& layout, const uint32_t* pixels, int32_t width, int32_t height,
                         bool rasterNew, bool runsNew, int32_t t);
// Lets everything go (the device changed or was lost); the next call starts over.
void releaseLavaGpu(LavaGpu& gpu);
void releaseLavaGpuHook(void* gpu);   // a ReleaseHook for DeviceBoundResources
