#include "platform/d3dx9mesh.h"

namespace {

UINT declTypeSize(BYTE type) {
    switch (type) {
    case D3DDECLTYPE_FLOAT1: return 4;
    case D3DDECLTYPE_FLOAT2: return 8;
    case D3DDECLTYPE_FLOAT3: return 12;
    case D3DDECLTYPE_FLOAT4: return 16;
    case D3DDECLTYPE_D3DCOLOR:
    case D3DDECLTYPE_UBYTE4:
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_UBYTE4N:
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_UDEC3:
    case D3DDECLTYPE_DEC3N:
    case D3DDECLTYPE_FLOAT16_2: return 4;
    case D3DDECLTYPE_SHORT4:
    case D3DDECLTYPE_SHORT4N:
    case D3DDECLTYPE_USHORT4N:
    case D3DDECLTYPE_FLOAT16_4: return 8;
    default: return 0;
    }
}

// Declarations hold at most this many elements before the end marker.
constexpr int kMaxDeclElements = 64;

}  // namespace

UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* decl, DWORD stream) {
    if (!decl)
        return 0;
    UINT size = 0;
    for (int i = 0; i < kMaxDeclElements && decl[i].Stream != 0xFF; ++i) {
        if (decl[i].Stream != stream)
            continue;
        const UINT end = (UINT)decl[i].Offset + declTypeSize(decl[i].Type);
        if (end > size)
            size = end;
    }
    return size;
}
