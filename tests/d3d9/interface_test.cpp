// The Direct3D 9 interface object: adapters, modes, checks, caps and device creation.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/d3d9.h"
#include "platform/d3d9_gl.h"
#include "platform/win32.h"

namespace {

class InterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        if (!d3d_) {
            GTEST_SKIP() << "no display";
        }
    }
    void TearDown() override {
        if (d3d_) {
            EXPECT_EQ(d3d_->Release(), 0u);
        }
        EXPECT_EQ(d3d9glLiveObjectCount(), 0);
    }
    static D3DPRESENT_PARAMETERS params(UINT w, UINT h) {
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = w;
        pp.BackBufferHeight = h;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 3;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
        return pp;
    }
    IDirect3D9* d3d_ = nullptr;
};

TEST(Direct3DCreate9Test, RejectsOtherSdkVersions) { EXPECT_EQ(Direct3DCreate9(31), nullptr); }

TEST_F(InterfaceTest, ListsTheDisplayModesSmallestFirst) {
    ASSERT_GE(d3d_->GetAdapterCount(), 1u);
    const UINT count = d3d_->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
    ASSERT_GT(count, 0u);
    D3DDISPLAYMODE previous{};
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE m{};
        ASSERT_EQ(d3d_->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &m), D3D_OK);
        EXPECT_EQ(m.Format, D3DFMT_X8R8G8B8);
        EXPECT_TRUE(m.Width > previous.Width || (m.Width == previous.Width && m.Height >= previous.Height));
        previous = m;
    }
    D3DDISPLAYMODE m{};
    EXPECT_EQ(d3d_->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, count, &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_A8R8G8B8), 0u);  // not an adapter format
    EXPECT_EQ(d3d_->GetAdapterModeCount(7, D3DFMT_X8R8G8B8), 0u);
    D3DDISPLAYMODE desktop{};
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop), D3D_OK);
    EXPECT_GT(desktop.Width, 0u);
}

TEST_F(InterfaceTest, MultisampleChecksFollowTheGlLimits) {
    DWORD quality = 99;
    EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, FALSE, D3DMULTISAMPLE_NONE,
                                               &quality),
              D3D_OK);
    EXPECT_EQ(quality, 1u);
    // The supported types form a prefix of 2, 4, 6, ... 16; the first unsupported one fails.
    bool failed = false;
    for (UINT type = 2; type <= 16; type += 2) {
        HRESULT hr = d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, FALSE,
                                                      static_cast<D3DMULTISAMPLE_TYPE>(type), &quality);
        if (failed) {
            EXPECT_EQ(hr, D3DERR_NOTAVAILABLE) << type;
        }
        if (FAILED(hr)) {
            EXPECT_EQ(hr, D3DERR_NOTAVAILABLE);
            EXPECT_EQ(quality, 0u);
            failed = true;
        }
    }
    EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, FALSE, D3DMULTISAMPLE_NONE, nullptr),
              D3DERR_NOTAVAILABLE);
}

TEST_F(InterfaceTest, CapsOfferHardwareTransformAndAPureDevice) {
    D3DCAPS9 caps{};
    ASSERT_EQ(d3d_->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_PUREDEVICE);
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    EXPECT_GE(caps.MaxStreams, 2u);
    EXPECT_EQ(d3d_->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(InterfaceTest, CreateDeviceFailuresLeaveNoDevice) {
    D3DCAPS9 caps{};
    d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
    struct Case {
        const char* what;
        D3DPRESENT_PARAMETERS pp;
        DWORD flags;
        HRESULT expected;
    };
    Case cases[] = {
        {"back buffer larger than GL allows", params(caps.MaxTextureWidth + 1, 16), 0x44, D3DERR_NOTAVAILABLE},
        {"four back buffers", params(16, 16), 0x44, D3DERR_INVALIDCALL},
        {"no vertex processing named", params(16, 16), D3DCREATE_MULTITHREADED, D3DERR_INVALIDCALL},
        {"zero-sized back buffer without a window", params(0, 0), 0x44, D3DERR_INVALIDCALL},
    };
    cases[1].pp.BackBufferCount = 4;
    for (Case& c : cases) {
        IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(static_cast<uintptr_t>(0x1234));
        EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, c.flags, &c.pp, &device), c.expected) << c.what;
        EXPECT_EQ(device, nullptr) << c.what;
    }
    EXPECT_EQ(d3d9glLiveObjectCount(), 1);
}

TEST_F(InterfaceTest, DeviceWithoutWindowRendersAndPresents) {
    // The host's parameters: 0x54 behaviour, three back buffers, immediate presentation.
    D3DPRESENT_PARAMETERS pp = params(320, 200);
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x54, &pp, &device), D3D_OK);
    IDirect3DSurface9* bb = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 2, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(bb->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 320u);
    EXPECT_EQ(desc.Height, 200u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF0000u, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    }
    std::vector<uint32_t> px;
    ASSERT_EQ(d3d9glReadSurface(bb, px, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(px[100 * 320 + 100], 0xFFFF0000u);  // red; the X8 back buffer reads opaque
    EXPECT_EQ(bb->Release(), 0u);
    IDirect3D9* owner = nullptr;
    ASSERT_EQ(device->GetDirect3D(&owner), D3D_OK);
    EXPECT_EQ(owner, d3d_);
    owner->Release();
    EXPECT_EQ(device->Release(), 0u);
}

TEST_F(InterfaceTest, DevicesRefuseEachOthersObjects) {
    D3DPRESENT_PARAMETERS pa = params(32, 32), pb = params(16, 16);
    IDirect3DDevice9 *a = nullptr, *b = nullptr;
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x44, &pa, &a), D3D_OK);
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x44, &pb, &b), D3D_OK);
    IDirect3DTexture9* tex = nullptr;
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(b->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex, nullptr),
              D3D_OK);
    ASSERT_EQ(tex->GetSurfaceLevel(0, &target), D3D_OK);
    EXPECT_EQ(a->SetTexture(0, tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(a->SetRenderTarget(0, target), D3DERR_INVALIDCALL);
    // Each device keeps drawing into its own context.
    ASSERT_EQ(b->SetRenderTarget(0, target), D3D_OK);
    ASSERT_EQ(b->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0), D3D_OK);
    ASSERT_EQ(a->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0), D3D_OK);
    std::vector<uint32_t> px;
    ASSERT_EQ(d3d9glReadSurface(target, px, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(px[5], 0xFF00FF00u);
    target->Release();
    EXPECT_EQ(tex->Release(), 0u);  // still bound to b
    EXPECT_EQ(b->Release(), 0u);
    EXPECT_EQ(a->Release(), 0u);
}

LRESULT CALLBACK plainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

TEST_F(InterfaceTest, DeviceOnAWindowTakesItsClientAreaAndPresents) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = plainProc;
    wc.lpszClassName = "d3d9test";
    RegisterClassExA(&wc);
    HWND window = CreateWindowExA(0, "d3d9test", "d3d9test", WS_OVERLAPPEDWINDOW, 0, 0, 240, 160, nullptr, nullptr,
                                  nullptr, nullptr);
    if (!window) {
        GTEST_SKIP() << "no windowing system (rendering offscreen)";
    }
    RECT client{};
    GetClientRect(window, &client);
    // A zero-sized windowed back buffer takes the client area, as in Direct3D.
    D3DPRESENT_PARAMETERS pp = params(0, 0);
    pp.hDeviceWindow = window;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window, 0x44, &pp, &device), D3D_OK);
    EXPECT_EQ(pp.BackBufferWidth, static_cast<UINT>(client.right - client.left));
    EXPECT_EQ(pp.BackBufferHeight, static_cast<UINT>(client.bottom - client.top));
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(device->Release(), 0u);

    // Fullscreen at the desktop's mode, and back to a window when the device goes.
    D3DDISPLAYMODE desktop{};
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(0, &desktop), D3D_OK);
    pp = params(desktop.Width, desktop.Height);
    pp.hDeviceWindow = window;
    pp.Windowed = FALSE;
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window, 0x44, &pp, &device), D3D_OK);
    EXPECT_TRUE(SDL_GetWindowFlags(win32SdlWindow(window)) & SDL_WINDOW_FULLSCREEN);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FFu, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_FALSE(SDL_GetWindowFlags(win32SdlWindow(window)) & SDL_WINDOW_FULLSCREEN);
    DestroyWindow(window);
    UnregisterClassA("d3d9test", nullptr);
}

TEST(NoMultisamplingTest, HardwareWithoutSamplesFailsCleanly) {
    // Stands in for an adapter that offers no multisampling at all.
    setenv("ORLUNDE_D3D9_MAX_SAMPLES", "0", 1);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    unsetenv("ORLUNDE_D3D9_MAX_SAMPLES");
    if (!d3d) {
        GTEST_SKIP() << "no display";
    }
    DWORD quality = 7;
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, FALSE, D3DMULTISAMPLE_2_SAMPLES,
                                              &quality),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(quality, 0u);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 32;
    pp.BackBufferHeight = 32;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x44, &pp, &device), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x44, &pp, &device), D3D_OK);
    // A multisampled render texture asks for samples: it fails, nothing is created.
    IDirect3DSurface9* target = reinterpret_cast<IDirect3DSurface9*>(static_cast<uintptr_t>(0x1234));
    EXPECT_EQ(device->CreateRenderTarget(32, 32, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_2_SAMPLES, 0, FALSE, &target, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(target, nullptr);
    IDirect3DSurface9* depth = reinterpret_cast<IDirect3DSurface9*>(static_cast<uintptr_t>(0x1234));
    EXPECT_EQ(device->CreateDepthStencilSurface(32, 32, D3DFMT_D24S8, D3DMULTISAMPLE_2_SAMPLES, 0, TRUE, &depth,
                                                nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(depth, nullptr);
    // Without samples the multisample type NONE still works.
    ASSERT_EQ(device->CreateRenderTarget(32, 32, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
              D3D_OK);
    EXPECT_EQ(target->Release(), 0u);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(d3d->Release(), 0u);
    EXPECT_EQ(d3d9glLiveObjectCount(), 0);
}

}  // namespace
