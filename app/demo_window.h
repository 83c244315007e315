// The program's window, its window procedure, the Direct3D interface and device, and the
// frame-rate report.
#pragma once

#include "platform/d3d9.h"
#include "platform/win32.h"

#include <cstdint>

// Published for every Part that draws.
extern IDirect3D9* d3d;
extern IDirect3DDevice9* d3dDevice;
extern int WIDTH;
extern int HEIGHT;
extern int RENDERHEIGHT;
// Hot-reload requests from keys R and T, served and cleared by the development frame loop.
extern uint8_t recompileShadersFlag;
extern uint8_t reloadTexturesFlag;
// Frames ended so far (endFrame).
extern int frameCount;

// A stopwatch over the performance counter.
struct FrameTimer {
    int64_t start = 0;
    double secondsPerTick = 0.0;

    FrameTimer();
    float elapsed();
    void reset();
};

struct DemoWindow {
    IDirect3DSurface9* depthStencil = nullptr;
    FrameTimer timer;

    // Creates the Direct3D interface; shows a warning box when there is none (d3d stays null).
    DemoWindow();
    // Releases the depth-stencil surface, the device and the interface, in that order.
    ~DemoWindow();
    DemoWindow(const DemoWindow&) = delete;
    DemoWindow& operator=(const DemoWindow&) = delete;

    // Window, COM, published sizes and device from displaySettings. False after the first
    // failure, which has been shown in a message box.
    bool open();
    // Device and separate depth-stencil surface on the given window.
    bool D3D9Init(HWND window);
    // Counts the frame, prints the fps line every 100th frame, restarts the timer.
    void endFrame();
};

// Registers class "4k" and opens its window with a client area of the chosen mode's size.
HWND createClassWindow();
// The procedure of the windowed-mode window.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
