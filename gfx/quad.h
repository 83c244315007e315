// The screen quad (one textured rectangle, refilled on every draw) and the render-state
// helpers every scene calls before drawing.
#pragma once

#include "gfx/mesh.h"
#include "platform/d3d9.h"

struct QuadVertex {
    float x, y, z;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 20);

// Buffers, declaration and counts of the screen quad.
extern Mesh quadMesh;

// Compiles "general" into mainEffects and creates the quad's buffers. Needs the device.
void InitQuad();
// Draws a width x height rectangle centred at (x, y) in the plane z with the current pass.
void drawQuad(float width, float height, float x, float y, float z);
// The quad of WIDTH x RENDERHEIGHT centred on the origin.
void drawFullScreenQuad();
void setCullAndDepth(D3DCULL cullMode, BYTE depthTest);
// With enable 0 only blending is switched off; the operation and factors keep their values.
void setBlend(BYTE enable, D3DBLENDOP blendOp, D3DBLEND source, D3DBLEND destination);
