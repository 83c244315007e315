// The viewer's display choices and the letterboxed picture area derived from them.
#pragma once

#include <cstdint>

struct DisplaySettings {
    uint32_t width = 0;           // chosen mode: window client and back-buffer size
    uint32_t height = 0;
    uint32_t refreshRate = 0;     // only printed; the device uses the default rate
    float aspectRatio = 0.0f;     // monitor aspect from the dialog; 4/3 in fullscreen
    uint8_t fullscreen = 0;
    uint8_t vsync = 0;
    uint32_t multiSampleType = 0; // D3DMULTISAMPLE_TYPE for the multisampled render targets
    uint32_t renderWidth = 0;     // picture area, always the full width
    uint32_t renderHeight = 0;    // picture area height (letterboxed)
    uint32_t offset = 0;          // height of one letterbox bar; only printed

    void computeTargetRect();
    void printSettings();
};

extern DisplaySettings displaySettings;
