// The program's window, its window procedure, the Direct3D interface and device, and the
// frame-rate report.
#include "app/demo_window.h"

#include "app/display_settings.h"

#include <cstdio>

IDirect3D9* d3d = nullptr;
IDirect3DDevice9* d3dDevice = nullptr;
int WIDTH = 0;
int HEIGHT = 0;
int RENDERHEIGHT = 0;
uint8_t recompileShadersFlag = 0;
uint8_t reloadTexturesFlag = 0;
int frameCount = 0;

FrameTimer::FrameTimer() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    secondsPerTick = 1.0 / (double)frequency.QuadPart;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    start = now.QuadPart;
}

float FrameTimer::elapsed() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return (float)((double)(now.QuadPart - start) * secondsPerTick);
}

void FrameTimer::reset() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    start = now.QuadPart;
}

DemoWindow::DemoWindow() {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d)
        MessageBoxA(nullptr, "Failed Direct3DCreate9(SDK_VERSION)", "D3D9Init", MB_ICONWARNING);
}

DemoWindow::~DemoWindow() {
    if (depthStencil) {
        depthStencil->Release();
        depthStencil = nullptr;
    }
    if (d3dDevice) {
        d3dDevice->Release();
        d3dDevice = nullptr;
    }
    if (d3d) {
        d3d->Release();
        d3d = nullptr;
    }
}

bool DemoWindow::open() {
    HWND window = nullptr;
    if (displaySettings.fullscreen) {
        // A plain system edit window is enough for a fullscreen device; it has no procedure
        // of ours, so the frame loop tests Escape itself.
        window = CreateWindowExA(0, "edit", "edit", WS_VISIBLE | ES_UPPERCASE, 0, 0, (int)displaySettings.width,
                                 (int)displaySettings.height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!window)
            MessageBoxA(nullptr, "CreateWindowExA", "Fucky stuff", MB_OK);
    } else {
        window = createClassWindow();
    }

    if (FAILED(CoInitialize(nullptr)))
        std::printf("shit\n");

    HEIGHT = (int)displaySettings.height;
    WIDTH = (int)displaySettings.width;
    RENDERHEIGHT = (int)displaySettings.renderHeight;
    std::printf("HEIGHT = %f  WIDTH = %f  RENDERHEIGHT = %f\n", (double)HEIGHT, (double)WIDTH, (double)RENDERHEIGHT);

    if (displaySettings.fullscreen)
        ShowCursor(FALSE);

    if (!window) {
        MessageBoxA(nullptr, "CreateWindowEx()", "ERROR", MB_ICONWARNING);
        return false;
    }
    return D3D9Init(window);
}

bool DemoWindow::D3D9Init(HWND window) {
    // Without an interface no device can be made.
    if (!d3d) {
        MessageBoxA(nullptr, "CreateDevice", "Error::D3D9Init", MB_OK);
        return false;
    }

    D3DCAPS9 caps{};
    d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
    DWORD flags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    if (!(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT))
        MessageBoxA(nullptr, "No D3DDEVCAPS_HWTRANSFORMANDLIGHT (May Run Slow)", "D3D9CAPS", MB_OK);
    if ((caps.DevCaps & D3DDEVCAPS_PUREDEVICE) && (flags & D3DCREATE_HARDWARE_VERTEXPROCESSING))
        flags |= D3DCREATE_PUREDEVICE;
    flags |= D3DCREATE_MULTITHREADED;

    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = displaySettings.width;
    pp.BackBufferHeight = displaySettings.height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 3;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    pp.MultiSampleQuality = 0;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = displaySettings.fullscreen ? FALSE : TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.Flags = 0;
    pp.FullScreen_RefreshRateInHz = 0;
    // The Vsync box asks for presentation without waiting for the retrace.
    pp.PresentationInterval = displaySettings.vsync ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_DEFAULT;

    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, flags, &pp, &d3dDevice))) {
        d3dDevice = nullptr;
        MessageBoxA(nullptr, "CreateDevice", "Error::D3D9Init", MB_OK);
        return false;
    }
    if (FAILED(d3dDevice->CreateDepthStencilSurface(displaySettings.width, displaySettings.height, D3DFMT_D24X8,
                                                    D3DMULTISAMPLE_NONE, 0, TRUE, &depthStencil, nullptr))) {
        depthStencil = nullptr;
        MessageBoxA(nullptr, "CreateDepthStencilSurface", "Error::D3D9Init", MB_OK);
        return false;
    }
    if (FAILED(d3dDevice->SetDepthStencilSurface(depthStencil))) {
        MessageBoxA(nullptr, "SetDepthStencilSurface", "Error::D3D9Init", MB_OK);
        return false;
    }
    return true;
}

void DemoWindow::endFrame() {
    ++frameCount;
    if (frameCount % 100 == 0) {
        float e = timer.elapsed();
        double ms = e * 1000.0;
        float e2 = timer.elapsed();
        double fps = 1.0 / e2;
        std::printf("fps = %f  ms = %f\n", fps, ms);
    }
    timer.reset();
}

HWND createClassWindow() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = windowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = nullptr;
    wc.hIcon = nullptr;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(uintptr_t)(COLOR_WINDOW + 1);
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = "4k";
    wc.hIconSm = nullptr;
    if (!RegisterClassExA(&wc))
        return nullptr;

    RECT rect = {0, 0, (LONG)displaySettings.width, (LONG)displaySettings.height};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowExA(0, "4k", "Tovenmark", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, nullptr, nullptr);
    std::printf("hello!");
    if (window)
        ShowWindow(window, SW_SHOW);
    return window;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        // The asynchronous state decides, not the message's key: a held T counts with any key.
        if (GetAsyncKeyState('R'))
            recompileShadersFlag = 1;
        if (GetAsyncKeyState('T'))
            reloadTexturesFlag = 1;
        if (GetAsyncKeyState(VK_ESCAPE)) {
            PostQuitMessage(0);
            return 0;
        }
        break;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER)
            return 0;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
