// One window and Direct3D device for a whole test program, set into the host globals, and
// helpers to read pixels back and to watch console output as it is written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gfx/host.h"
#include "platform/d3d9.h"

// Back-buffer size of the test device.
inline constexpr int kTestWidth = 64;
inline constexpr int kTestHeight = 64;

// The pixels of a surface as A8R8G8B8 values, top row first.
struct Pixels {
    std::vector<uint32_t> argb;
    UINT width = 0;
    UINT height = 0;
    uint32_t at(UINT x, UINT y) const { return argb[(size_t)y * width + x]; }
};
Pixels readSurface(IDirect3DSurface9* surface);
Pixels readBackBuffer();
Pixels readTextureLevel(IDirect3DTexture9* texture, UINT level);

// Colour channels compared with a tolerance (for JPEG and filtered samples).
bool nearColor(uint32_t a, uint32_t b, int tolerance);

// Replaces stdout by a stream that records everything written (and passes it on) and hands
// each chunk to `onWrite`, so a test can act in the middle of a call (answer a prompt, fix a file).
class StdoutHook {
public:
    explicit StdoutHook(std::function<void(const std::string&)> onWrite = {});
    ~StdoutHook();
    const std::string& text() const { return text_; }

private:
    static ssize_t write(void* cookie, const char* data, size_t size);
    std::function<void(const std::string&)> onWrite_;
    std::string text_;
    FILE* saved_ = nullptr;
    FILE* hook_ = nullptr;
};

// Writes text to a file (a broken or fixed effect, a damaged image...).
void writeTextFile(const std::string& path, const std::string& text);
std::string tempPath(const std::string& name);

// Matrices built by hand, so these tests do not depend on the math library.
inline D3DMATRIX identityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}
// Left-handed orthographic projection of a width x height box, depth 0 to 100000.
inline D3DMATRIX orthoMatrixLH(float width, float height) {
    D3DMATRIX m{};
    m._11 = 2.0f / width;
    m._22 = 2.0f / height;
    m._33 = 1.0f / 100000.0f;
    m._44 = 1.0f;
    return m;
}

// The test effect (tests/fixtures/gfx_test.fx): pass 0 solid DiffuseColor, pass 1 tex0 point-sampled.
inline constexpr const char* kTestEffectPath = "tests/fixtures/gfx_test.fx";
