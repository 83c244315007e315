// Direct3D 9 value types shared by the device stand-in and the D3DX math stand-in.
// Implements: D3DVECTOR, D3DMATRIX, D3DCOLORVALUE, D3DCOLOR and its packing macros.
// Leaves out: every other D3D type (see d3d9.h).
#pragma once

#include "platform/win32.h"

typedef DWORD D3DCOLOR;

// A D3DCOLOR packs A8R8G8B8 into 32 bits: alpha in the top byte, then red, green, blue.
#define D3DCOLOR_ARGB(a, r, g, b) \
    ((D3DCOLOR)((((a) & 0xffu) << 24) | (((r) & 0xffu) << 16) | (((g) & 0xffu) << 8) | ((b) & 0xffu)))
#define D3DCOLOR_XRGB(r, g, b) D3DCOLOR_ARGB(0xff, r, g, b)

struct D3DVECTOR {
    float x, y, z;
};

struct D3DCOLORVALUE {
    float r, g, b, a;
};

// Row-major 4x4 matrix, applied to row vectors (p' = p * M).
struct D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};
