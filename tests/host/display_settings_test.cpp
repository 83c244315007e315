#include "app/display_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Mode {
    uint32_t width, height;
    // renderHeight and offset for windowed 4:3, 16:10, 16:9, then fullscreen.
    uint32_t render[4];
    uint32_t offset[4];
};

const Mode kModes[] = {
    {800, 600, {450, 540, 600, 450}, {75, 30, 0, 75}},
    {1024, 768, {576, 691, 768, 576}, {96, 38, 0, 96}},
    {1280, 720, {540, 648, 720, 720}, {90, 36, 0, 0}},
    {1280, 1024, {768, 921, 1024, 720}, {128, 51, 0, 152}},
    {1680, 1050, {787, 945, 1050, 945}, {131, 52, 0, 52}},
    {1920, 1200, {900, 1080, 1200, 1080}, {150, 60, 0, 60}},
};
const float kAspects[3] = {4.0f / 3.0f, 1.6f, 16.0f / 9.0f};
const char* kTargetLines[3] = {"TargetRect =  0.750000 1.000000\n", "TargetRect =  0.900000 1.000000\n",
                               "TargetRect =  1.000000 1.000000\n"};

std::string run(uint32_t width, uint32_t height, float aspect, bool fullscreen) {
    displaySettings = DisplaySettings{};
    displaySettings.width = width;
    displaySettings.height = height;
    displaySettings.aspectRatio = aspect;
    displaySettings.fullscreen = fullscreen ? 1 : 0;
    testing::internal::CaptureStdout();
    displaySettings.computeTargetRect();
    return testing::internal::GetCapturedStdout();
}

TEST(DisplaySettings, PictureBandForEveryModeAndChoice) {
    for (const Mode& m : kModes) {
        for (int column = 0; column < 4; ++column) {
            bool fullscreen = column == 3;
            // Fullscreen ignores the aspect choice: try it with 16:10.
            std::string out = run(m.width, m.height, kAspects[fullscreen ? 1 : column], fullscreen);
            SCOPED_TRACE(std::to_string(m.width) + "x" + std::to_string(m.height) + " column " + std::to_string(column));
            EXPECT_EQ(displaySettings.renderWidth, m.width);
            EXPECT_EQ(displaySettings.renderHeight, m.render[column]);
            EXPECT_EQ(displaySettings.offset, m.offset[column]);
            if (fullscreen) {
                EXPECT_EQ(out, "");
                EXPECT_EQ(displaySettings.aspectRatio, 4.0f / 3.0f);
            } else {
                EXPECT_EQ(out, kTargetLines[column]);
                EXPECT_EQ(displaySettings.aspectRatio, kAspects[column]);
            }
        }
    }
}

TEST(DisplaySettings, PrintsTheFiveSettingsLines) {
    run(1024, 768, 1.6f, false);
    displaySettings.refreshRate = 60;
    displaySettings.multiSampleType = 4;
    testing::internal::CaptureStdout();
    displaySettings.printSettings();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "screen = 1024x768@60\nrender = 1024x691\noffset = 38\nratio  = 1.600000\nms = 4\n");

    run(800, 600, 16.0f / 9.0f, true);
    testing::internal::CaptureStdout();
    displaySettings.printSettings();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "screen = 800x600@0\nrender = 800x450\noffset = 75\nratio  = 1.333333\nms = 0\n");
}

} // namespace
