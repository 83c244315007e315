#include "device_env.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/d3d9_gl.h"

IDirect3DDevice9* d3dDevice = nullptr;
int WIDTH = kTestWidth;
int HEIGHT = kTestHeight;
int RENDERHEIGHT = kTestHeight;
DisplaySettings displaySettings;

namespace {

LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

class DeviceEnvironment : public testing::Environment {
public:
    void SetUp() override {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = testWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "gfx_tests";
        RegisterClassExA(&windowClass);
        RECT rect{0, 0, kTestWidth, kTestHeight};
        AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
        window_ = CreateWindowExA(0, "gfx_tests", "gfx tests", WS_OVERLAPPEDWINDOW, 0, 0, rect.right - rect.left,
                                  rect.bottom - rect.top, nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(window_, nullptr) << "no window (is a display running?)";
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr) << "no Direct3D (is a display with GL 4.5 running?)";

        D3DPRESENT_PARAMETERS present{};
        present.BackBufferWidth = kTestWidth;
        present.BackBufferHeight = kTestHeight;
        present.BackBufferFormat = D3DFMT_X8R8G8B8;
        present.BackBufferCount = 1;
        present.SwapEffect = D3DSWAPEFFECT_DISCARD;
        present.hDeviceWindow = window_;
        present.Windowed = TRUE;
        present.EnableAutoDepthStencil = TRUE;
        present.AutoDepthStencilFormat = D3DFMT_D24S8;
        present.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        const HRESULT hr = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                              D3DCREATE_HARDWARE_VERTEXPROCESSING, &present, &d3dDevice);
        ASSERT_TRUE(SUCCEEDED(hr) && d3dDevice) << "CreateDevice failed: " << std::hex << hr;
        displaySettings.width = displaySettings.renderWidth = kTestWidth;
        displaySettings.height = displaySettings.renderHeight = kTestHeight;
    }

    void TearDown() override {
        if (d3dDevice)
            d3dDevice->Release();
        d3dDevice = nullptr;
        if (d3d_)
            d3d_->Release();
        if (window_)
            DestroyWindow(window_);
    }

private:
    HWND window_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
};

const testing::Environment* const environment = testing::AddGlobalTestEnvironment(new DeviceEnvironment);

}  // namespace

Pixels readSurface(IDirect3DSurface9* surface) {
    Pixels pixels;
    d3d9glReadSurface(surface, pixels.argb, &pixels.width, &pixels.height);
    return pixels;
}

Pixels readBackBuffer() {
    IDirect3DSurface9* back = nullptr;
    Pixels pixels;
    if (SUCCEEDED(d3dDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) {
        pixels = readSurface(back);
        back->Release();
    }
    return pixels;
}

Pixels readTextureLevel(IDirect3DTexture9* texture, UINT level) {
    IDirect3DSurface9* surface = nullptr;
    Pixels pixels;
    if (texture && SUCCEEDED(texture->GetSurfaceLevel(level, &surface))) {
        pixels = readSurface(surface);
        surface->Release();
    }
    return pixels;
}

bool nearColor(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int ca = (int)((a >> shift) & 0xff), cb = (int)((b >> shift) & 0xff);
        if (std::abs(ca - cb) > tolerance)
            return false;
    }
    return true;
}

StdoutHook::StdoutHook(std::function<void(const std::string&)> onWrite) : onWrite_(std::move(onWrite)) {
    std::fflush(stdout);
    cookie_io_functions_t functions{};
    functions.write = &StdoutHook::write;
    hook_ = fopencookie(this, "w", functions);
    setvbuf(hook_, nullptr, _IONBF, 0);
    saved_ = stdout;
    stdout = hook_;
}

StdoutHook::~StdoutHook() {
    stdout = saved_;
    std::fclose(hook_);
}

ssize_t StdoutHook::write(void* cookie, const char* data, size_t size) {
    auto* self = (StdoutHook*)cookie;
    const std::string chunk(data, size);
    self->text_ += chunk;
    std::fwrite(data, 1, size, self->saved_);  // still shown, so failure messages are not lost
    if (self->onWrite_)
        self->onWrite_(chunk);
    return (ssize_t)size;
}

void writeTextFile(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

std::string tempPath(const std::string& name) { return std::string(ORLUNDE_BINARY_DIR) + "/" + name; }
