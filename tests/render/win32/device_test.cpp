// The shared render device and window targets with real Direct3D 11 and
// Direct2D (under Wine on a private X display: ctest gives this program one).
#include "render/win32/device.h"
#include "render/win32/window_target.h"
#include <gtest/gtest.h>

namespace {
// Every test starts and ends with a fresh shared device and no simulated failures.
class RenderDeviceTest : public testing::Test {
 protected:
  void SetUp() override {
    simulateDeviceCreationFailures(S_OK, 0);
    ASSERT_TRUE(rebuildRenderDevice(DriverChoice::HardwareFirst)) << "no Direct3D 11 device here";
  }
  void TearDown() override {
    simulateDeviceCreationFailures(S_OK, 0);
    takeSimulatedDeviceLoss();
  }
};

struct HiddenWindow {
  HiddenWindow(int width, int height, DWORD style = WS_OVERLAPPEDWINDOW) {
    WNDCLASSW c = {};
    c.lpfnWndProc = DefWindowProcW;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = L"MossbloomDeviceTest";
    RegisterClassW(&c);
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, style, FALSE);
    window = CreateWindowW(L"MossbloomDeviceTest", L"device test", style, 0, 0, r.right - r.left,
                           r.bottom - r.top, nullptr, nullptr, c.hInstance, nullptr);
  }
  ~HiddenWindow() { DestroyWindow(window); }
  HWND window;
};
}  // namespace

TEST_F(RenderDeviceTest, AcquireKeepsTheCompleteDevice) {
  uint32_t builds = renderDeviceBuilds();
  const RenderDevice* device = acquireRenderDevice();
  ASSERT_NE(device, nullptr);
  EXPECT_TRUE(device->d3d && device->immediate && device->dxgi && device->factory && device->d2d);
  EXPECT_EQ(acquireRenderDevice(), device);
  EXPECT_EQ(renderDeviceBuilds(), builds) << "a complete device is not built again";
  EXPECT_EQ(currentD2DDevice(), device->d2d);
}

TEST_F(RenderDeviceTest, DropOnlyTheDeviceThatWasSeenToFail) {
  ID2D1Device* first = acquireRenderDevice()->d2d;
  ASSERT_TRUE(rebuildRenderDevice(DriverChoice::HardwareFirst));
  ID2D1Device* second = currentD2DDevice();
  // A second window reporting the loss of the device already replaced changes nothing.
  dropRenderDevice(first == second ? nullptr : first);
  EXPECT_EQ(currentD2DDevice(), second);
  uint32_t builds = renderDeviceBuilds();
  dropRenderDevice(second);
  EXPECT_EQ(currentD2DDevice(), nullptr);
  ASSERT_NE(acquireRenderDevice(), nullptr);
  EXPECT_EQ(renderDeviceBuilds(), builds + 1) << "the next acquire builds a new device";
}

TEST_F(RenderDeviceTest, WarpOnlyAndTrim) {
  ASSERT_TRUE(rebuildRenderDevice(DriverChoice::WarpOnly));
  EXPECT_TRUE(renderDeviceIsWarp());
  trimRenderDevice();
  ASSERT_NE(acquireRenderDevice(), nullptr);
  ASSERT_TRUE(rebuildRenderDevice(DriverChoice::HardwareFirst));
  EXPECT_FALSE(renderDeviceIsWarp());
  dropRenderDevice(currentD2DDevice());
  trimRenderDevice();   // on an empty device: nothing to do
}

TEST_F(RenderDeviceTest, FailedCreationNamesItsStepAndLeavesTheDeviceEmpty) {
  simulateDeviceCreationFailures(static_cast<HRESULT>(0x887A0004), 1);
  EXPECT_FALSE(rebuildRenderDevice(DriverChoice::HardwareFirst));
  EXPECT_EQ(currentD2DDevice(), nullptr);
  RenderFailure failure = lastRenderFailure();
  EXPECT_EQ(std::u16string_view(failure.step), u"D3D11CreateDevice");
  EXPECT_EQ(static_cast<uint32_t>(failure.code), 0x887A0004u);
  EXPECT_NE(acquireRenderDevice(), nullptr) << "only one creation was to fail";
}

TEST_F(RenderDeviceTest, AnOwnDeviceBesideTheSharedOne) {
  RenderDevice own;
  ASSERT_TRUE(createRenderDevice(own, DriverChoice::WarpOnly));
  EXPECT_TRUE(own.complete());
  EXPECT_TRUE(own.warp);
  EXPECT_NE(own.d2d, currentD2DDevice());
  releaseRenderDevice(own);
  EXPECT_FALSE(own.complete());
  EXPECT_EQ(own.d3d, nullptr);
}

TEST_F(RenderDeviceTest, WindowTargetFollowsTheClientAreaAndTheDevice) {
  HiddenWindow w(320, 200);
  ASSERT_NE(w.window, nullptr);
  WindowTarget target;
  ASSERT_TRUE(createWindowTarget(target, w.window, *acquireRenderDevice()));
  EXPECT_TRUE(target.exists() && target.swapChain && target.bitmap && target.brush);
  D2D1_SIZE_U size = windowTargetSize(target);
  EXPECT_EQ(size.width, 320u);
  EXPECT_EQ(size.height, 200u);
  ASSERT_TRUE(resizeWindowTarget(target, 123, 45));
  size = windowTargetSize(target);
  EXPECT_EQ(size.width, 123u);
  EXPECT_EQ(size.height, 45u);
  EXPECT_FALSE(windowTargetIsStale(target));
  ASSERT_TRUE(rebuildRenderDevice(DriverChoice::HardwareFirst));
  EXPECT_TRUE(windowTargetIsStale(target)) << "made from the device before the rebuild";
  releaseWindowTarget(target);
  EXPECT_FALSE(target.exists());
  EXPECT_EQ(target.device, nullptr);
}

TEST_F(RenderDeviceTest, EmptyClientAreaGetsAOnePixelSwapChain) {
  HiddenWindow w(0, 0, WS_POPUP);   // a popup has no minimum size
  RECT client;
  GetClientRect(w.window, &client);
  ASSERT_EQ(client.right, 0);
  WindowTarget target;
  ASSERT_TRUE(createWindowTarget(target, w.window, *acquireRenderDevice()));
  EXPECT_EQ(windowTargetSize(target).width, 1u);
  EXPECT_EQ(windowTargetSize(target).height, 1u);
  releaseWindowTarget(target);
}

TEST_F(RenderDeviceTest, ReleaseHooksRunBeforeTheTargetGoes) {
  HiddenWindow w(64, 64);
  DeviceBoundResources resources;
  ASSERT_TRUE(createWindowTarget(resources.target, w.window, *acquireRenderDevice()));
  struct Seen {
    int calls = 0;
    bool targetStillThere = false;
    DeviceBoundResources* resources = nullptr;
  } seen;
  seen.resources = &resources;
  ASSERT_TRUE(addReleaseHook(resources, [](void* p) {
    auto* s = static_cast<Seen*>(p);
    s->calls++;
    s->targetStillThere = s->resources->target.exists();
  }, &seen));
  releaseDeviceBound(resources);
  EXPECT_EQ(seen.calls, 1);
  EXPECT_TRUE(seen.targetStillThere) << "resources made on the context go before the context";
  EXPECT_FALSE(resources.target.exists());
  EXPECT_EQ(resources.releases, 1u);
  for (int i = 1; i < DeviceBoundResources::kMaxHooks; i++) EXPECT_TRUE(addReleaseHook(resources, [](void*) {}, nullptr));
  EXPECT_FALSE(addReleaseHook(resources, [](void*) {}, nullptr)) << "the list is full";
}

TEST(RenderDeviceLoss, TheThreeLossCodes) {
  EXPECT_TRUE(isDeviceLoss(DXGI_ERROR_DEVICE_REMOVED));
  EXPECT_TRUE(isDeviceLoss(DXGI_ERROR_DEVICE_RESET));
  EXPECT_TRUE(isDeviceLoss(static_cast<HRESULT>(D2DERR_RECREATE_TARGET)));
  EXPECT_FALSE(isDeviceLoss(E_FAIL));
  EXPECT_FALSE(isDeviceLoss(DXGI_ERROR_DEVICE_HUNG));
  EXPECT_FALSE(isDeviceLoss(S_OK));
  simulateDeviceLoss(DXGI_ERROR_DEVICE_RESET);
  EXPECT_EQ(takeSimulatedDeviceLoss(), DXGI_ERROR_DEVICE_RESET);
  EXPECT_EQ(takeSimulatedDeviceLoss(), S_OK) << "reported once";
}
