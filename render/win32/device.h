// The graphics device every window shares: Direct3D 11 (hardware first, then
// WARP), its DXGI device, a single-threaded Direct2D factory and the Direct2D
// device, complete or empty. Device loss is a normal state: a window that sees
// it drops the device and the next paint builds a new one.
//
// Threading: the window thread and the render-start thread. One exclusive SRW
// lock serialises creating, rebuilding, dropping and trimming; drawing itself
// is single-threaded by protocol (the window draws only after the start thread
// has finished with the device).
//
// Sections: the record · the shared device · DirectWrite · failures · test seams
#pragma once
#include <windows.h>
#include <d2d1_1.h>
#include <d3d11.h>
#include <dwrite.h>
#include <dxgi1_3.h>
#include <cstdint>

template <typename T>
void releaseCom(T*& object) {
  if (object) {
    object->Release();
    object = nullptr;
  }
}

// --- The record ------------------------------------------------------------------
struct RenderDevice {
  ID3D11Device* d3d = nullptr;
  ID3D11DeviceContext* immediate = nullptr;
  IDXGIDevice3* dxgi = nullptr;
  ID2D1Factory1* factory = nullptr;
  ID2D1Device* d2d = nullptr;
  bool warp = false;   // made by the software rasteriser
  bool complete() const { return d2d != nullptr; }
};

enum class DriverChoice : uint8_t { HardwareFirst, WarpOnly };

// A device of its own, apart from the shared one (the splash window's thread
// makes one). A failure records its step and leaves the record empty.
bool createRenderDevice(RenderDevice& device, DriverChoice choice);
void releaseRenderDevice(RenderDevice& device);

// --- The shared device -------------------------------------------------------------
// The complete device, created under the lock when empty; null when creation fails.
// The pointer stays valid until the device is rebuilt or dropped.
const RenderDevice* acquireRenderDevice();
// Releases everything and creates it again.
bool rebuildRenderDevice(DriverChoice choice);
// Releases the device only if it is still the one whose loss the caller saw
// (two windows may report the same loss).
void dropRenderDevice(ID2D1Device* seen);
// Gives back what the device caches: minimised main window, closed cards.
void trimRenderDevice();
// The current Direct2D device, null when empty: windows compare it with the one
// their target was made from.
ID2D1Device* currentD2DDevice();
// How many times the shared device was built; a new number means new resources.
uint32_t renderDeviceBuilds();
bool renderDeviceIsWarp();

// The DXGI factory that owns the device's adapter, for swap chains; null on a
// failure, recorded as "IDXGIDevice::GetAdapter" or "IDXGIAdapter::GetParent".
IDXGIFactory2* adapterFactory(const RenderDevice& device);
// A B8G8R8A8 render-target swap chain, no multisampling, stretched.
DXGI_SWAP_CHAIN_DESC1 swapChainDescription(uint32_t width, uint32_t height, uint32_t buffers, DXGI_SWAP_EFFECT effect,
                                           DXGI_ALPHA_MODE alpha);

// --- DirectWrite -------------------------------------------------------------------
// The shared factory, created on first use and kept for the process; null when
// it cannot be made (step "DWriteCreateFactory").
IDWriteFactory* sharedWriteFactory();

// --- Failures ----------------------------------------------------------------------
// The step that failed last, by the name the start-up log uses, and its code.
struct RenderFailure {
  const char16_t* step = u"";
  HRESULT code = S_OK;
};
RenderFailure lastRenderFailure();
void recordRenderFailure(const char16_t* step, HRESULT code);
// DXGI_ERROR_DEVICE_REMOVED, DXGI_ERROR_DEVICE_RESET or D2DERR_RECREATE_TARGET.
bool isDeviceLoss(HRESULT code);

// --- Test seams ----------------------------------------------------------------------
// The next frame's EndDraw reports `code` as if the driver had (0 clears).
void simulateDeviceLoss(HRESULT code);
HRESULT takeSimulatedDeviceLoss();
// The next `count` device creations (-1: all of them) fail at D3D11CreateDevice
// with `code`, for hardware and WARP alike (count 0 clears).
void simulateDeviceCreationFailures(HRESULT code, int32_t count);
