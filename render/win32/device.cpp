#include "render/win32/device.h"
#include <atomic>

namespace {
SRWLOCK gDeviceLock = SRWLOCK_INIT;
RenderDevice gDevice;          // under gDeviceLock
uint32_t gBuilds = 0;          // under gDeviceLock

SRWLOCK gFailureLock = SRWLOCK_INIT;
RenderFailure gFailure;        // under gFailureLock

SRWLOCK gWriteLock = SRWLOCK_INIT;
IDWriteFactory* gWriteFactory = nullptr;   // under gWriteLock, kept for the process

std::atomic<HRESULT> gSimulatedLoss{0};
SRWLOCK gSeamLock = SRWLOCK_INIT;
HRESULT gCreationFailureCode = S_OK;   // under gSeamLock
int32_t gCreationFailuresLeft = 0;     // under gSeamLock; -1 = every creation

struct Exclusive {
  explicit Exclusive(SRWLOCK& l) : lock(l) { AcquireSRWLockExclusive(&lock); }
  ~Exclusive() { ReleaseSRWLockExclusive(&lock); }
  SRWLOCK& lock;
};

// One creation's simulated failure, used up by asking.
HRESULT takeSimulatedCreationFailure() {
  Exclusive hold(gSeamLock);
  if (gCreationFailuresLeft == 0) return S_OK;
  if (gCreationFailuresLeft > 0) gCreationFailuresLeft--;
  return gCreationFailureCode;
}

HRESULT createD3D(D3D_DRIVER_TYPE type, ID3D11Device** device, ID3D11DeviceContext** immediate) {
  return D3D11CreateDevice(nullptr, type, nullptr, D3D11_CREATE_DEVICE_BGRA_SUPPORT | D3D11_CREATE_DEVICE_SINGLETHREADED,
                           nullptr, 0, D3D11_SDK_VERSION, device, nullptr, immediate);
}

bool fail(RenderDevice& device, const char16_t* step, HRESULT code) {
  recordRenderFailure(step, code);
  releaseRenderDevice(device);
  return false;
}
}  // namespace

bool createRenderDevice(RenderDevice& device, DriverChoice choice) {
  releaseRenderDevice(device);
  if (HRESULT simulated = takeSimulatedCreationFailure()) return fail(device, u"D3D11CreateDevice", simulated);
  HRESULT hr = E_FAIL;
  if (choice == DriverChoice::HardwareFirst) hr = createD3D(D3D_DRIVER_TYPE_HARDWARE, &device.d3d, &device.immediate);
  if (FAILED(hr)) {
    releaseCom(device.immediate);
    releaseCom(device.d3d);
    hr = createD3D(D3D_DRIVER_TYPE_WARP, &device.d3d, &device.immediate);
    device.warp = true;
  }
  if (FAILED(hr)) return fail(device, u"D3D11CreateDevice", hr);
  hr = device.d3d->QueryInterface(__uuidof(IDXGIDevice3), reinterpret_cast<void**>(&device.dxgi));
  if (FAILED(hr)) return fail(device, u"IDXGIDevice3", hr);
  D2D1_FACTORY_OPTIONS options = {D2D1_DEBUG_LEVEL_NONE};
  hr = D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory1), &options,
                         reinterpret_cast<void**>(&device.factory));
  if (FAILED(hr)) return fail(device, u"D2D1CreateFactory", hr);
  hr = device.factory->CreateDevice(device.dxgi, &device.d2d);
  if (FAILED(hr)) return fail(device, u"ID2D1Factory1::CreateDevice", hr);
  return true;
}

void releaseRenderDevice(RenderDevice& device) {
  releaseCom(device.d2d);
  releaseCom(device.factory);
  releaseCom(device.dxgi);
  if (device.immediate) device.immediate->ClearState();
  releaseCom(device.immediate);
  releaseCom(device.d3d);
  device.warp = false;
}

const RenderDevice* acquireRenderDevice() {
  Exclusive hold(gDeviceLock);
  if (!gDevice.complete()) {
    if (!createRenderDevice(gDevice, DriverChoice::HardwareFirst)) return nullptr;
    gBuilds++;
  }
  return &gDevice;
}

bool rebuildRenderDevice(DriverChoice choice) {
  Exclusive hold(gDeviceLock);
  releaseRenderDevice(gDevice);
  if (!createRenderDevice(gDevice, choice)) return false;
  gBuilds++;
  return true;
}

void dropRenderDevice(ID2D1Device* seen) {
  Exclusive hold(gDeviceLock);
  if (seen && gDevice.d2d == seen) releaseRenderDevice(gDevice);
}

void trimRenderDevice() {
  Exclusive hold(gDeviceLock);
  if (!gDevice.complete()) return;
  gDevice.d2d->ClearResources(0);
  gDevice.immediate->Flush();
  gDevice.dxgi->Trim();
}

ID2D1Device* currentD2DDevice() {
  Exclusive hold(gDeviceLock);
  return gDevice.d2d;
}

uint32_t renderDeviceBuilds() {
  Exclusive hold(gDeviceLock);
  return gBuilds;
}

bool renderDeviceIsWarp() {
  Exclusive hold(gDeviceLock);
  return gDevice.complete() && gDevice.warp;
}

IDXGIFactory2* adapterFactory(const RenderDevice& device) {
  IDXGIAdapter* adapter = nullptr;
  HRESULT hr = device.dxgi->GetAdapter(&adapter);
  if (FAILED(hr)) {
    recordRenderFailure(u"IDXGIDevice::GetAdapter", hr);
    return nullptr;
  }
  IDXGIFactory2* factory = nullptr;
  hr = adapter->GetParent(__uuidof(IDXGIFactory2), reinterpret_cast<void**>(&factory));
  adapter->Release();
  if (FAILED(hr)) {
    recordRenderFailure(u"IDXGIAdapter::GetParent", hr);
    return nullptr;
  }
  return factory;
}

DXGI_SWAP_CHAIN_DESC1 swapChainDescription(uint32_t width, uint32_t height, uint32_t buffers, DXGI_SWAP_EFFECT effect,
                                           DXGI_ALPHA_MODE alpha) {
  DXGI_SWAP_CHAIN_DESC1 description = {};
  description.Width = width;
  description.Height = height;
  description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  description.SampleDesc.Count = 1;
  description.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  description.BufferCount = buffers;
  description.Scaling = DXGI_SCALING_STRETCH;
  description.SwapEffect = effect;
  description.AlphaMode = alpha;
  return description;
}

IDWriteFactory* sharedWriteFactory() {
  Exclusive hold(gWriteLock);
  if (!gWriteFactory) {
    HRESULT hr = DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                     reinterpret_cast<IUnknown**>(&gWriteFactory));
    if (FAILED(hr)) {
      gWriteFactory = nullptr;
      recordRenderFailure(u"DWriteCreateFactory", hr);
    }
  }
  return gWriteFactory;
}

RenderFailure lastRenderFailure() {
  Exclusive hold(gFailureLock);
  return gFailure;
}

void recordRenderFailure(const char16_t* step, HRESULT code) {
  Exclusive hold(gFailureLock);
  gFailure = {step, code};
}

bool isDeviceLoss(HRESULT code) {
  return code == DXGI_ERROR_DEVICE_REMOVED || code == DXGI_ERROR_DEVICE_RESET || code == static_cast<HRESULT>(D2DERR_RECREATE_TARGET);
}

void simulateDeviceLoss(HRESULT code) { gSimulatedLoss.store(code); }
HRESULT takeSimulatedDeviceLoss() { return gSimulatedLoss.exchange(0); }
void simulateDeviceCreationFailures(HRESULT code, int32_t count) {
  Exclusive hold(gSeamLock);
  gCreationFailureCode = code;
  gCreationFailuresLeft = count;
}
