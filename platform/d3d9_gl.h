// Bridge between the Direct3D 9 stand-in and the code that drives GL beside it (the D3DX
// effect stand-in) or inspects it (tests).
// Implements: program selection with the pixel-offset uniform, the vertex attribute table,
//   GL names of textures, surface read-back and a count of live Direct3D objects.
// Leaves out: everything the public interfaces already cover.
//
// Rules for code that calls GL itself while a device exists (there is one GL context, current
// on the main thread from CreateDevice to the device's last Release):
// - select programs only with d3d9glSetProgram, never glUseProgram;
// - set uniforms with glProgramUniform* and fill buffers with glNamedBufferSubData, so that no
//   binding the device shadows changes (array/element buffers, VAO, framebuffers, texture units,
//   samplers, blend/depth/raster state);
// - bind textures with IDirect3DDevice9::SetTexture(stage, ...): stage N is GL texture unit N,
//   so a sampler uniform for stage N is set to N; sampler state goes through SetSamplerState;
// - uniform blocks may be bound with glBindBufferBase(GL_UNIFORM_BUFFER, ...): the device does
//   not use uniform buffers;
// - call d3d9glForgetProgram before deleting a program handed to d3d9glSetProgram.
//
// Vertex shaders end with the pixel-offset epilogue:
//     uniform vec2 orl_PixelOffset;
//     ... gl_Position.xy += orl_PixelOffset * gl_Position.w;   (last statement of main)
// The device keeps it equal to the D3D9 half-pixel shift of the current viewport. Render
// targets keep D3D's top-left origin and depth range 0..1 through glClipControl, so shaders
// need no other fix-up. With that origin gl_FragCoord runs as Direct3D's screen does: (0.5, 0.5)
// is the centre of the top-left pixel (VPOS = gl_FragCoord.xy - 0.5), and dFdy grows downwards.
// Texture row 0 is the image's top row and is sampled at v = 0.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9.h"

// The GL program the following draws use (0: none). Cached by the device.
void d3d9glSetProgram(IDirect3DDevice9* device, unsigned program);
// The program last given to d3d9glSetProgram (0 when none or no device).
unsigned d3d9glProgram(IDirect3DDevice9* device);
// Drops what the device caches about a program (uniform locations) before it is deleted; if it
// is the current program, the device selects none.
void d3d9glForgetProgram(IDirect3DDevice9* device, unsigned program);

// Number of vertex attribute locations the table below uses.
constexpr int kD3d9glAttribCount = 16;
// The GL vertex attribute location for a D3DDECLUSAGE and usage index, -1 when it has none:
//   POSITION0 0, BLENDWEIGHT0 1, NORMAL0 2, COLOR0 3, COLOR1 4, TANGENT0 5, BINORMAL0 6,
//   BLENDINDICES0 7, TEXCOORD0..7 8..15 (POSITIONT0 shares 0, PSIZE0 shares 1 with nothing
//   else: -1).
int d3d9glAttribLocation(unsigned usage, unsigned usageIndex);

// The GL texture name behind a texture created by this stand-in (0 for null or foreign ones).
unsigned d3d9glTextureName(IDirect3DBaseTexture9* texture);

// Reads a surface back as A8R8G8B8 values, row 0 = the surface's top row. Works for the back
// buffer, render targets (multisampled ones are resolved first), depth surfaces excepted, and
// texture levels. Fails with D3DERR_INVALIDCALL for null or unreadable surfaces.
HRESULT d3d9glReadSurface(IDirect3DSurface9* surface, std::vector<uint32_t>& argbTopRowFirst, UINT* width,
                          UINT* height);

// An offscreen device for tools, benchmarks and tests: a hidden window, an X8R8G8B8 back
// buffer of width x height with a D24S8 depth buffer, presenting without waiting. On success
// *d3d and *device each hold one reference; on failure both are null and the result says why
// (D3DERR_NOTAVAILABLE when there is no display at all).
HRESULT d3d9glCreateOffscreenDevice(UINT width, UINT height, IDirect3D9** d3d, IDirect3DDevice9** device);

// Live objects made by this stand-in: the IDirect3D9, devices, textures, surfaces, buffers and
// vertex declarations. Zero once every reference has been released.
int d3d9glLiveObjectCount();
