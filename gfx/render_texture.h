// Render textures: textures the demo draws into and then reads as effect textures, each with
// its own depth-stencil surface; a multisampled one draws into a separate multisampled surface
// that is resolved into the texture when drawing ends.
#pragma once

#include <cstdint>

#include "platform/d3d9.h"

struct RenderTexture {
    int32_t width = 512;
    int32_t height = 512;
    uint8_t multisample = 0;
    IDirect3DTexture9* texture = nullptr;        // what effects read
    IDirect3DSurface9* surface = nullptr;        // level 0 of texture
    IDirect3DSurface9* depthStencil = nullptr;
    IDirect3DSurface9* msTarget = nullptr;       // only when multisampled
    IDirect3DSurface9* savedDepthStencil = nullptr;  // the device's, held from begin to end
    IDirect3DSurface9* savedTarget = nullptr;        // the device's render target 0, likewise

    RenderTexture() = default;
    RenderTexture(const RenderTexture&) = delete;
    RenderTexture& operator=(const RenderTexture&) = delete;
    ~RenderTexture() { release(); }

    // Creates the texture and surfaces; a failure is reported and leaves it released.
    void create(int32_t width, int32_t height, uint8_t multisample, D3DFORMAT format);
    // create with the picture area of the display settings scaled by scaleX, scaleY.
    void createScaled(float scaleX, float scaleY, uint8_t multisample, D3DFORMAT format);
    // Makes this the target of the following draws and opens a scene.
    void begin();
    // Closes the scene, gives the device its targets back and resolves a multisampled drawing.
    void end();
    // Releases every object held; size and multisample flag stay.
    void release();
};

extern RenderTexture sceneTarget;  // part one's picture, multisampled
extern RenderTexture feedbackA;    // the end screen's feedback pair
extern RenderTexture feedbackB;
