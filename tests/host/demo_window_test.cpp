// The window procedure, the class window, the frame-rate line and the device under Xvfb.
#include "app/demo_window.h"

#include "app/display_settings.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

void drainQueue() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
}

bool quitPosted() {
    MSG m;
    bool quit = false;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        quit = quit || m.message == WM_QUIT;
    return quit;
}

void windowed(uint32_t width, uint32_t height) {
    displaySettings = DisplaySettings{};
    displaySettings.width = width;
    displaySettings.height = height;
    displaySettings.aspectRatio = 16.0f / 9.0f;
    testing::internal::CaptureStdout();
    displaySettings.computeTargetRect();
    testing::internal::GetCapturedStdout();
}

class ClassWindow : public testing::Test {
protected:
    void SetUp() override {
        windowed(320, 240);
        recompileShadersFlag = 0;
        reloadTexturesFlag = 0;
        win32ResetKeyState();
        testing::internal::CaptureStdout();
        window = createClassWindow();
        printed = testing::internal::GetCapturedStdout();
        ASSERT_NE(window, nullptr);
        drainQueue();
        win32ResetKeyState();
    }
    void TearDown() override {
        if (IsWindow(window))
            DestroyWindow(window);
        drainQueue();
        EXPECT_TRUE(UnregisterClassA("4k", nullptr));
    }
    HWND window = nullptr;
    std::string printed;
};

TEST_F(ClassWindow, ClientAreaIsTheModeAndTheWindowIsShownResizable) {
    EXPECT_EQ(printed, "hello!");
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);
    SDL_Window* sdl = win32SdlWindow(window);
    EXPECT_STREQ(SDL_GetWindowTitle(sdl), "Tovenmark");
    Uint32 flags = SDL_GetWindowFlags(sdl);
    EXPECT_TRUE(flags & SDL_WINDOW_SHOWN);
    EXPECT_TRUE(flags & SDL_WINDOW_RESIZABLE);
    // The class exists now: a second window of it cannot register again.
    testing::internal::CaptureStdout();
    EXPECT_EQ(createClassWindow(), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

struct KeyCase {
    const char* name;
    int pressed[2]; // keys pressed since the last query (0: none)
    uint8_t recompile, reload;
    bool quit;
};

TEST_F(ClassWindow, KeyDownSetsFlagsFromTheAsynchronousKeyState) {
    const KeyCase cases[] = {
        {"no key", {0, 0}, 0, 0, false},
        {"R", {'R', 0}, 1, 0, false},
        {"T", {'T', 0}, 0, 1, false},
        {"R and T", {'R', 'T'}, 1, 1, false},
        {"Escape", {VK_ESCAPE, 0}, 0, 0, true},
        {"T with Escape", {'T', VK_ESCAPE}, 0, 1, true},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        recompileShadersFlag = 0;
        reloadTexturesFlag = 0;
        for (int vk : c.pressed)
            if (vk)
                win32SimulateKeyPress(vk);
        // The message's own key does not matter: 'A' here.
        EXPECT_EQ(windowProc(window, WM_KEYDOWN, 'A', 0), 0);
        EXPECT_EQ(recompileShadersFlag, c.recompile);
        EXPECT_EQ(reloadTexturesFlag, c.reload);
        EXPECT_EQ(quitPosted(), c.quit);
    }
    // The procedure only ever sets the flags.
    recompileShadersFlag = 1;
    windowProc(window, WM_KEYDOWN, 'R', 0);
    EXPECT_EQ(recompileShadersFlag, 1);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(ClassWindow, SystemCommandsForScreenSaverAndPowerAreSwallowedAsWholeValues) {
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    EXPECT_EQ(windowProc(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(windowProc(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    // Not the whole value: default handling, which lets the screen saver run.
    windowProc(window, WM_SYSCOMMAND, SC_SCREENSAVE | 2, 0);
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());
    SDL_DisableScreenSaver();
    EXPECT_FALSE(quitPosted());
}

TEST_F(ClassWindow, DestroyAndCloseEndInTheQuitMessage) {
    EXPECT_EQ(windowProc(window, WM_DESTROY, 0, 0), 0);
    EXPECT_TRUE(quitPosted());
    EXPECT_TRUE(IsWindow(window)) << "WM_DESTROY only posts the quit";
    // Close through the system menu: default handling destroys the window, whose
    // WM_DESTROY posts the quit.
    EXPECT_EQ(windowProc(window, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(quitPosted());
}

TEST(FrameTimer, MeasuresSinceTheLastReset) {
    FrameTimer timer;
    EXPECT_GT(timer.secondsPerTick, 0.0);
    SDL_Delay(30);
    EXPECT_GE(timer.elapsed(), 0.025f);
    timer.reset();
    EXPECT_LT(timer.elapsed(), 0.02f);
}

TEST(EndFrame, PrintsOneFpsLineOnEveryHundredthFrame) {
    DemoWindow* w = static_cast<DemoWindow*>(operator new(sizeof(DemoWindow)));
    // Only the frame bookkeeping is exercised: no Direct3D interface is made.
    new (&w->timer) FrameTimer();
    w->depthStencil = nullptr;
    frameCount = 0;
    testing::internal::CaptureStdout();
    for (int i = 0; i < 99; ++i)
        w->endFrame();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    SDL_Delay(20);
    testing::internal::CaptureStdout();
    w->endFrame();
    std::string line = testing::internal::GetCapturedStdout();
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, std::regex("fps = ([0-9.]+)  ms = ([0-9.]+)\n"))) << line;
    double fps = std::stod(m[1]), ms = std::stod(m[2]);
    // The line describes the single frame just ended, about 20 ms long.
    EXPECT_GE(ms, 19.0);
    EXPECT_LT(ms, 500.0);
    EXPECT_NEAR(fps, 1000.0 / ms, 1000.0 / ms * 0.2);
    testing::internal::CaptureStdout();
    for (int i = 0; i < 100; ++i)
        w->endFrame();
    line = testing::internal::GetCapturedStdout();
    EXPECT_EQ(frameCount, 200);
    EXPECT_TRUE(std::regex_match(line, std::regex("fps = [0-9.]+  ms = [0-9.]+\n"))) << line;
    operator delete(w);
}

TEST(DemoWindow, OpensAWindowedDeviceWithItsOwnDepthSurfaceAndReleasesAll) {
    windowed(640, 480);
    displaySettings.aspectRatio = 4.0f / 3.0f;
    displaySettings.renderHeight = 360;
    {
        DemoWindow demo;
        ASSERT_NE(d3d, nullptr);
        testing::internal::CaptureStdout();
        ASSERT_TRUE(demo.open());
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "hello!HEIGHT = 480.000000  WIDTH = 640.000000  RENDERHEIGHT = 360.000000\n");
        EXPECT_EQ(WIDTH, 640);
        EXPECT_EQ(HEIGHT, 480);
        EXPECT_EQ(RENDERHEIGHT, 360);
        ASSERT_NE(d3dDevice, nullptr);
        D3DDEVICE_CREATION_PARAMETERS cp{};
        ASSERT_EQ(d3dDevice->GetCreationParameters(&cp), D3D_OK);
        EXPECT_EQ(cp.BehaviorFlags & ~D3DCREATE_PUREDEVICE, D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED);
        IDirect3DSurface9* depth = nullptr;
        ASSERT_EQ(d3dDevice->GetDepthStencilSurface(&depth), D3D_OK);
        EXPECT_EQ(depth, demo.depthStencil);
        D3DSURFACE_DESC desc{};
        depth->GetDesc(&desc);
        EXPECT_EQ(desc.Format, D3DFMT_D24X8);
        EXPECT_EQ(desc.Width, 640u);
        EXPECT_EQ(desc.Height, 480u);
        depth->Release();
        EXPECT_EQ(d3dDevice->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        // The viewer may resize the window; the back buffer keeps the mode's size.
        D3DDEVICE_CREATION_PARAMETERS cp2{};
        d3dDevice->GetCreationParameters(&cp2);
        SDL_SetWindowSize(win32SdlWindow(cp2.hFocusWindow), 500, 300);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
        EXPECT_EQ(d3dDevice->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        IDirect3DSurface9* back = nullptr;
        ASSERT_EQ(d3dDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        back->GetDesc(&desc);
        EXPECT_EQ(desc.Width, 640u);
        EXPECT_EQ(desc.Height, 480u);
        back->Release();
    }
    EXPECT_EQ(d3d, nullptr);
    EXPECT_EQ(d3dDevice, nullptr);
}

TEST(DemoWindow, DefaultChoicesGiveAFullscreenDevicePresentingImmediately) {
    displaySettings = DisplaySettings{};
    displaySettings.width = 800;
    displaySettings.height = 600;
    displaySettings.fullscreen = 1;
    displaySettings.vsync = 1;
    testing::internal::CaptureStdout();
    displaySettings.computeTargetRect();
    DemoWindow demo;
    bool opened = demo.open();
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(opened);
    EXPECT_EQ(out, "HEIGHT = 600.000000  WIDTH = 800.000000  RENDERHEIGHT = 450.000000\n");
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    D3DDEVICE_CREATION_PARAMETERS cp{};
    d3dDevice->GetCreationParameters(&cp);
    SDL_Window* sdl = win32SdlWindow(cp.hFocusWindow);
    ASSERT_NE(sdl, nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN);
}

TEST(DemoWindow, FailedDeviceIsReportedAndLeavesNoDevice) {
    windowed(320, 240);
    DemoWindow demo;
    ASSERT_NE(d3d, nullptr);
    // A handle that names no window of ours: CreateDevice refuses it.
    int notAWindow = 0;
    testing::internal::CaptureStderr();
    bool made = demo.D3D9Init(reinterpret_cast<HWND>(&notAWindow));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(made);
    EXPECT_NE(err.find("MessageBox [Error::D3D9Init] CreateDevice\n"), std::string::npos) << err;
    EXPECT_EQ(d3dDevice, nullptr);
    EXPECT_EQ(demo.depthStencil, nullptr);
}

} // namespace
