// The bridge between the Direct3D 9 stand-in and GL code beside it (d3d9_gl.h).
// Implements: program selection, the semantic-to-attribute-location table, GL texture names,
//   surface read-back.
// Leaves out: nothing of d3d9_gl.h (the live-object count is in d3d9_interface.cpp).
#include "platform/d3d9_internal.h"

using namespace d3d9gl;

void d3d9glSetProgram(IDirect3DDevice9* device, unsigned program) {
    if (auto* d = dynamic_cast<Device*>(device)) d->setProgram(program);
}

unsigned d3d9glProgram(IDirect3DDevice9* device) {
    auto* d = dynamic_cast<Device*>(device);
    return d ? d->program() : 0;
}

void d3d9glForgetProgram(IDirect3DDevice9* device, unsigned program) {
    if (auto* d = dynamic_cast<Device*>(device)) d->forgetProgram(program);
}

int d3d9glAttribLocation(unsigned usage, unsigned usageIndex) {
    switch (usage) {
    case D3DDECLUSAGE_POSITION:
    case D3DDECLUSAGE_POSITIONT: return usageIndex == 0 ? 0 : -1;
    case D3DDECLUSAGE_BLENDWEIGHT: return usageIndex == 0 ? 1 : -1;
    case D3DDECLUSAGE_NORMAL: return usageIndex == 0 ? 2 : -1;
    case D3DDECLUSAGE_COLOR: return usageIndex < 2 ? 3 + static_cast<int>(usageIndex) : -1;
    case D3DDECLUSAGE_TANGENT: return usageIndex == 0 ? 5 : -1;
    case D3DDECLUSAGE_BINORMAL: return usageIndex == 0 ? 6 : -1;
    case D3DDECLUSAGE_BLENDINDICES: return usageIndex == 0 ? 7 : -1;
    case D3DDECLUSAGE_TEXCOORD: return usageIndex < 8 ? 8 + static_cast<int>(usageIndex) : -1;
    default: return -1;
    }
}

unsigned d3d9glTextureName(IDirect3DBaseTexture9* texture) {
    auto* t = dynamic_cast<Texture*>(texture);
    return t ? t->name() : 0;
}

HRESULT d3d9glReadSurface(IDirect3DSurface9* surface, std::vector<uint32_t>& argbTopRowFirst, UINT* width,
                          UINT* height) {
    auto* s = dynamic_cast<Surface*>(surface);
    if (!s) return D3DERR_INVALIDCALL;
    HRESULT hr = s->device()->readSurface(s, argbTopRowFirst);
    if (FAILED(hr)) return hr;
    if (width) *width = s->width();
    if (height) *height = s->height();
    return D3D_OK;
}
