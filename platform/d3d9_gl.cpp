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

HRESULT d3d9glCreateOffscreenDevice(UINT width, UINT height, IDirect3D9** d3d, IDirect3DDevice9** device) {
    if (!d3d || !device) return D3DERR_INVALIDCALL;
    *d3d = nullptr;
    *device = nullptr;
    IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!direct3d) return D3DERR_NOTAVAILABLE;
    D3DPRESENT_PARAMETERS present{};
    present.BackBufferWidth = width;
    present.BackBufferHeight = height;
    present.BackBufferFormat = D3DFMT_X8R8G8B8;
    present.BackBufferCount = 1;
    present.SwapEffect = D3DSWAPEFFECT_DISCARD;
    present.Windowed = TRUE;
    present.EnableAutoDepthStencil = TRUE;
    present.AutoDepthStencilFormat = D3DFMT_D24S8;
    present.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    const HRESULT hr = direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                              D3DCREATE_HARDWARE_VERTEXPROCESSING, &present, device);
    if (FAILED(hr)) {
        *device = nullptr;
        direct3d->Release();
        return hr;
    }
    *d3d = direct3d;
    return D3D_OK;
}
