// The viewer's display settings and the letterboxed picture band derived from them.
#include "app/display_settings.h"

#include <cstdio>

DisplaySettings displaySettings;

namespace {
// 16/9 in single precision, the aspect the demo's picture is composed for.
constexpr float kWideAspect = 1.7777778f;
} // namespace

void DisplaySettings::computeTargetRect() {
    if (fullscreen) {
        // Fullscreen shows a 16:9 band across the full width; the monitor is taken as 4:3.
        renderWidth = width;
        renderHeight = (uint32_t)((double)width * 0.5625);
        aspectRatio = 4.0f / 3.0f;
    } else {
        float q = aspectRatio / kWideAspect;
        renderWidth = width;
        renderHeight = (uint32_t)((double)height / (1.0 / (double)q));

        float s = aspectRatio / kWideAspect;
        float sx = 1.0f;
        if (s > 1.0f) {
            sx = 1.0f / s;
            s = 1.0f;
        }
        float x = (float)((double)width * sx);
        float y = (float)((double)height * s);
        std::printf("TargetRect =  %f %f\n", (double)y / height, (double)x / width);
    }
    // Unsigned on purpose: a band taller than the screen (wider than 16:9) wraps, and the
    // value is only printed.
    offset = (height - renderHeight) >> 1;
}

void DisplaySettings::printSettings() {
    std::printf("screen = %dx%d@%d\n", (int)width, (int)height, (int)refreshRate);
    std::printf("render = %dx%d\n", (int)renderWidth, (int)renderHeight);
    std::printf("offset = %d\n", (int)offset);
    std::printf("ratio  = %f\n", (double)aspectRatio);
    std::printf("ms = %d\n", (int)multiSampleType);
}
