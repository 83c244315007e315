// A device on a hidden window with a small GL program for drawing pixel-space quads, and
// helpers to read pixels back.
#pragma once

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/d3d9.h"
#include "platform/d3d9_gl.h"

namespace d3d9test {

// Position in Direct3D screen pixels (y down; pixel centres on integers) and a texture coordinate.
struct Vertex {
    float x, y, z, u, v;
};

// Instance record of stream 1: TEXCOORD1 = pixel offset, TEXCOORD2 = colour.
struct Instance {
    float dx, dy, pad0, pad1;
    float r, g, b, a;
};

// What the fragment shader writes.
// FragCoord writes (floor(x), floor(y)) / 255 to red and green and fract(x) to blue.
enum class Shade { Solid = 0, Textured = 1, InstanceColour = 2, FragCoord = 3 };

inline uint32_t rgb(uint32_t argb) { return argb & 0x00FFFFFFu; }

class DeviceTest : public ::testing::Test {
protected:
    static constexpr UINT kWidth = 64;
    static constexpr UINT kHeight = 48;

    void SetUp() override;
    void TearDown() override;

    // Builds a program from vertex and fragment source with the pixel-offset epilogue in place.
    static GLuint buildProgram();
    void useShade(Shade shade, uint32_t argb = 0xFFFFFFFFu);
    // Screen size the vertex shader maps pixel coordinates from (the current render target).
    void setScreen(UINT width, UINT height);

    // Writes vertices into the dynamic buffer (discarding it) and draws them as a list of
    // quads (4 vertices each: top-left, top-right, bottom-left, bottom-right).
    HRESULT drawQuads(const std::vector<Vertex>& vertices);
    // A D3D-style pixel-exact quad covering pixels [x0, x1) x [y0, y1).
    static std::vector<Vertex> pixelQuad(float x0, float y0, float x1, float y1, float z = 0.5f);

    std::vector<uint32_t> readBack(IDirect3DSurface9* surface, UINT* w = nullptr, UINT* h = nullptr);
    std::vector<uint32_t> readBackBuffer();

    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexBuffer9* vb_ = nullptr;
    IDirect3DIndexBuffer9* ib_ = nullptr;
    IDirect3DVertexDeclaration9* decl_ = nullptr;
    GLuint program_ = 0;
    GLint colorLoc_ = -1, modeLoc_ = -1, screenLoc_ = -1;
};

}  // namespace d3d9test
