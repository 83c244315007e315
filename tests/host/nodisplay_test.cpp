// Without an X server there is no Direct3D interface and no window: every step says so in
// its box, and nothing touches the missing objects.
#include "app/demo_window.h"

#include "app/display_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(NoDisplay, EveryFailureShowsItsBoxAndOpenFails) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    for (int fullscreen = 0; fullscreen < 2; ++fullscreen) {
        SCOPED_TRACE(fullscreen ? "fullscreen" : "windowed");
        displaySettings = DisplaySettings{};
        displaySettings.width = 640;
        displaySettings.height = 480;
        displaySettings.fullscreen = (uint8_t)fullscreen;
        displaySettings.renderHeight = 360;
        testing::internal::CaptureStderr();
        {
            DemoWindow demo;
            EXPECT_EQ(d3d, nullptr);
            testing::internal::CaptureStdout();
            EXPECT_FALSE(demo.open());
            std::string out = testing::internal::GetCapturedStdout();
            EXPECT_TRUE(has(out, "HEIGHT = 480.000000  WIDTH = 640.000000  RENDERHEIGHT = 360.000000\n")) << out;
            EXPECT_FALSE(demo.D3D9Init(nullptr));
            EXPECT_EQ(d3dDevice, nullptr);
        }
        std::string err = testing::internal::GetCapturedStderr();
        size_t created = err.find("MessageBox [D3D9Init] Failed Direct3DCreate9(SDK_VERSION)\n");
        size_t fucky = err.find("MessageBox [Fucky stuff] CreateWindowExA\n");
        size_t noWindow = err.find("MessageBox [ERROR] CreateWindowEx()\n");
        size_t device = err.find("MessageBox [Error::D3D9Init] CreateDevice\n");
        EXPECT_NE(created, std::string::npos) << err;
        EXPECT_NE(noWindow, std::string::npos) << err;
        EXPECT_GT(noWindow, created);
        EXPECT_GT(device, noWindow);
        if (fullscreen) {
            EXPECT_NE(fucky, std::string::npos) << err;
            EXPECT_LT(fucky, noWindow);
        } else {
            EXPECT_EQ(fucky, std::string::npos) << err;
        }
        EXPECT_EQ(d3d, nullptr);
    }
}

} // namespace
