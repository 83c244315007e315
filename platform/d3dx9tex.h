// D3DX 9 texture-loading stand-in: image files decoded with stb_image.
// Implements: D3DXCreateTextureFromFileA with D3DX's defaults (the image's own size, a full mip
//   chain, A8R8G8B8 in the managed pool), reading JPEG, PNG, BMP, TGA, GIF (first frame), PSD,
//   HDR, PIC and PNM; box-filtered mip levels; failure results for missing, unknown, damaged or
//   truncated files.
// Leaves out: the Ex variants with explicit size, format, filters and colour key, DDS files,
//   cube and volume textures, D3DXGetImageInfo, saving textures.
#pragma once

#include "platform/d3d9.h"

#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59u)
#endif

// Loads an image file into a new texture holding one reference. Failures leave *texture null:
// D3DERR_INVALIDCALL for a null device, path or out-pointer; D3DXERR_INVALIDDATA for a file
// that cannot be read or is not a complete image in a known format; otherwise the device's
// result for the texture it could not create or lock.
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR srcFile, IDirect3DTexture9** texture);
#define D3DXCreateTextureFromFile D3DXCreateTextureFromFileA
