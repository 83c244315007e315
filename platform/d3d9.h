// Direct3D 9 stand-in over OpenGL 4.5 core (bodies in d3d9*.cpp).
// Implements: the COM-style interfaces IUnknown, IDirect3D9, IDirect3DDevice9, the resource,
//   texture, surface, buffer and vertex-declaration interfaces, with their methods in the usual
//   slot order; the types, enums, constants and result codes the demo uses; Direct3DCreate9.
// Leaves out: fixed-function lighting and transforms, shaders objects (the effect stand-in
//   supplies GL programs through d3d9_gl.h), volumes, cube maps, swap chains, state blocks,
//   queries, patches, palettes and gamma. Their slots exist so the vtable keeps its shape; the
//   default bodies answer D3DERR_INVALIDCALL (or zero) and do nothing.
//
// Behaviour worth knowing:
// - Every Create* and Get* call that returns an object adds a reference. Each child object holds
//   a reference on its device while it has references of its own, so the device's Release
//   returns a non-zero count until its children are gone. Objects bound to the device (render
//   targets, depth-stencil surface, textures, streams, indices, declaration) stay alive after
//   their last Release until they are unbound, as in Direct3D 9; the device's own back buffer
//   and automatic depth buffer live as long as the device.
// - CreateDevice with no window (null focus and device windows) renders into a hidden window of
//   its own; Present then only flushes. The back buffer is always an offscreen surface that
//   Present copies to the window.
// - Drawing needs a GL program selected through d3d9glSetProgram (d3d9_gl.h); a draw without
//   one fails with D3DERR_INVALIDCALL.
// - ORLUNDE_GL_DEBUG=1 reports GL errors on standard error; ORLUNDE_D3D9_MAX_SAMPLES=n caps the
//   multisampling offered (0: none), read by Direct3DCreate9.
#pragma once

#include "platform/d3d9types.h"
#include "platform/win32.h"

// ---------------------------------------------------------------------------------------------
// COM basics
// ---------------------------------------------------------------------------------------------
#ifndef ORLUNDE_GUID_DEFINED
#define ORLUNDE_GUID_DEFINED
struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
typedef GUID IID;
typedef const GUID& REFGUID;
typedef const GUID& REFIID;
#endif

typedef void* HANDLE;
struct HDC__;
typedef HDC__* HDC;
struct HMONITOR__;
typedef HMONITOR__* HMONITOR;
struct RGNDATA;
struct PALETTEENTRY;

#ifndef ORLUNDE_IUNKNOWN_DEFINED
#define ORLUNDE_IUNKNOWN_DEFINED
// AddRef and Release return the new reference count; an object deletes itself at zero.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObj) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
#endif

// ---------------------------------------------------------------------------------------------
// Result codes
// ---------------------------------------------------------------------------------------------
#define MAKE_D3DHRESULT(code) ((HRESULT)(0x88760000u | (DWORD)(code)))
#define MAKE_D3DSTATUS(code) ((HRESULT)(0x08760000u | (DWORD)(code)))

#define D3D_OK S_OK
#define D3DERR_WRONGTEXTUREFORMAT MAKE_D3DHRESULT(2072)
#define D3DERR_UNSUPPORTEDCOLOROPERATION MAKE_D3DHRESULT(2073)
#define D3DERR_UNSUPPORTEDCOLORARG MAKE_D3DHRESULT(2074)
#define D3DERR_UNSUPPORTEDALPHAOPERATION MAKE_D3DHRESULT(2075)
#define D3DERR_UNSUPPORTEDALPHAARG MAKE_D3DHRESULT(2076)
#define D3DERR_TOOMANYOPERATIONS MAKE_D3DHRESULT(2077)
#define D3DERR_CONFLICTINGTEXTUREFILTER MAKE_D3DHRESULT(2078)
#define D3DERR_UNSUPPORTEDFACTORVALUE MAKE_D3DHRESULT(2079)
#define D3DERR_CONFLICTINGRENDERSTATE MAKE_D3DHRESULT(2081)
#define D3DERR_UNSUPPORTEDTEXTUREFILTER MAKE_D3DHRESULT(2082)
#define D3DERR_CONFLICTINGTEXTUREPALETTE MAKE_D3DHRESULT(2086)
#define D3DERR_DRIVERINTERNALERROR MAKE_D3DHRESULT(2087)
#define D3DERR_NOTFOUND MAKE_D3DHRESULT(2150)
#define D3DERR_MOREDATA MAKE_D3DHRESULT(2151)
#define D3DERR_DEVICELOST MAKE_D3DHRESULT(2152)
#define D3DERR_DEVICENOTRESET MAKE_D3DHRESULT(2153)
#define D3DERR_NOTAVAILABLE MAKE_D3DHRESULT(2154)
#define D3DERR_OUTOFVIDEOMEMORY MAKE_D3DHRESULT(380)
#define D3DERR_INVALIDDEVICE MAKE_D3DHRESULT(2155)
#define D3DERR_INVALIDCALL MAKE_D3DHRESULT(2156)
#define D3DERR_DRIVERINVALIDCALL MAKE_D3DHRESULT(2157)
#define D3DERR_WASSTILLDRAWING MAKE_D3DHRESULT(540)
// The "invalid data" result the D3DX loaders give for unreadable files (0x88760B59).
#define D3DERR_INVALIDDATA MAKE_D3DHRESULT(2905)
#define D3DOK_NOAUTOGEN MAKE_D3DSTATUS(2159)

// ---------------------------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------------------------
#define D3D_SDK_VERSION 32
#define D3DADAPTER_DEFAULT 0
#define D3DENUM_WHQL_LEVEL 0x00000002u

#define D3DCREATE_FPU_PRESERVE 0x00000002u
#define D3DCREATE_MULTITHREADED 0x00000004u
#define D3DCREATE_PUREDEVICE 0x00000010u
#define D3DCREATE_SOFTWARE_VERTEXPROCESSING 0x00000020u
#define D3DCREATE_HARDWARE_VERTEXPROCESSING 0x00000040u
#define D3DCREATE_MIXED_VERTEXPROCESSING 0x00000080u
#define D3DCREATE_DISABLE_DRIVER_MANAGEMENT 0x00000100u
#define D3DCREATE_ADAPTERGROUP_DEVICE 0x00000200u

#define D3DDEVCAPS_EXECUTESYSTEMMEMORY 0x00000010u
#define D3DDEVCAPS_EXECUTEVIDEOMEMORY 0x00000020u
#define D3DDEVCAPS_TLVERTEXSYSTEMMEMORY 0x00000040u
#define D3DDEVCAPS_TLVERTEXVIDEOMEMORY 0x00000080u
#define D3DDEVCAPS_TEXTURESYSTEMMEMORY 0x00000100u
#define D3DDEVCAPS_TEXTUREVIDEOMEMORY 0x00000200u
#define D3DDEVCAPS_DRAWPRIMTLVERTEX 0x00000400u
#define D3DDEVCAPS_CANRENDERAFTERFLIP 0x00000800u
#define D3DDEVCAPS_TEXTURENONLOCALVIDMEM 0x00001000u
#define D3DDEVCAPS_DRAWPRIMITIVES2 0x00002000u
#define D3DDEVCAPS_SEPARATETEXTUREMEMORIES 0x00004000u
#define D3DDEVCAPS_DRAWPRIMITIVES2EX 0x00008000u
#define D3DDEVCAPS_HWTRANSFORMANDLIGHT 0x00010000u
#define D3DDEVCAPS_CANBLTSYSTONONLOCAL 0x00020000u
#define D3DDEVCAPS_HWRASTERIZATION 0x00080000u
#define D3DDEVCAPS_PUREDEVICE 0x00100000u
#define D3DDEVCAPS_QUINTICRTPATCHES 0x00200000u
#define D3DDEVCAPS_RTPATCHES 0x00400000u
#define D3DDEVCAPS_RTPATCHHANDLEZERO 0x00800000u
#define D3DDEVCAPS_NPATCHES 0x01000000u

#define D3DPRESENT_INTERVAL_DEFAULT 0x00000000u
#define D3DPRESENT_INTERVAL_ONE 0x00000001u
#define D3DPRESENT_INTERVAL_TWO 0x00000002u
#define D3DPRESENT_INTERVAL_THREE 0x00000004u
#define D3DPRESENT_INTERVAL_FOUR 0x00000008u
#define D3DPRESENT_INTERVAL_IMMEDIATE 0x80000000u

#define D3DPRESENT_BACK_BUFFERS_MAX 3
#define D3DPRESENTFLAG_LOCKABLE_BACKBUFFER 0x00000001u
#define D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL 0x00000002u

#define D3DUSAGE_RENDERTARGET 0x00000001u
#define D3DUSAGE_DEPTHSTENCIL 0x00000002u
#define D3DUSAGE_WRITEONLY 0x00000008u
#define D3DUSAGE_SOFTWAREPROCESSING 0x00000010u
#define D3DUSAGE_DONOTCLIP 0x00000020u
#define D3DUSAGE_POINTS 0x00000040u
#define D3DUSAGE_RTPATCHES 0x00000080u
#define D3DUSAGE_NPATCHES 0x00000100u
#define D3DUSAGE_DYNAMIC 0x00000200u
#define D3DUSAGE_AUTOGENMIPMAP 0x00000400u
#define D3DUSAGE_DMAP 0x00004000u

#define D3DLOCK_READONLY 0x00000010u
#define D3DLOCK_NOSYSLOCK 0x00000800u
#define D3DLOCK_NOOVERWRITE 0x00001000u
#define D3DLOCK_DISCARD 0x00002000u
#define D3DLOCK_DONOTWAIT 0x00004000u
#define D3DLOCK_NO_DIRTY_UPDATE 0x00008000u

#define D3DCLEAR_TARGET 0x00000001u
#define D3DCLEAR_ZBUFFER 0x00000002u
#define D3DCLEAR_STENCIL 0x00000004u

#define D3DCOLORWRITEENABLE_RED 0x1u
#define D3DCOLORWRITEENABLE_GREEN 0x2u
#define D3DCOLORWRITEENABLE_BLUE 0x4u
#define D3DCOLORWRITEENABLE_ALPHA 0x8u

// Stream-source frequency: the top two bits pick the kind, the low 30 bits hold the count.
#define D3DSTREAMSOURCE_INDEXEDDATA (1u << 30)
#define D3DSTREAMSOURCE_INSTANCEDATA (2u << 30)

// Sampler indices of the displacement-map and vertex-texture samplers.
#define D3DDMAPSAMPLER 256
#define D3DVERTEXTEXTURESAMPLER0 (D3DDMAPSAMPLER + 1)
#define D3DVERTEXTEXTURESAMPLER1 (D3DDMAPSAMPLER + 2)
#define D3DVERTEXTEXTURESAMPLER2 (D3DDMAPSAMPLER + 3)
#define D3DVERTEXTEXTURESAMPLER3 (D3DDMAPSAMPLER + 4)

#define D3DCAPS2_FULLSCREENGAMMA 0x00020000u
#define D3DCAPS2_CANAUTOGENMIPMAP 0x40000000u
#define D3DPMISCCAPS_MASKZ 0x00000002u
#define D3DPMISCCAPS_CULLNONE 0x00000010u
#define D3DPMISCCAPS_CULLCW 0x00000020u
#define D3DPMISCCAPS_CULLCCW 0x00000040u
#define D3DPMISCCAPS_COLORWRITEENABLE 0x00000080u
#define D3DPMISCCAPS_BLENDOP 0x00000800u
#define D3DPMISCCAPS_INDEPENDENTWRITEMASKS 0x00004000u
#define D3DPMISCCAPS_SEPARATEALPHABLEND 0x00020000u
#define D3DPRASTERCAPS_SCISSORTEST 0x01000000u
#define D3DPRASTERCAPS_SLOPESCALEDEPTHBIAS 0x02000000u
#define D3DPRASTERCAPS_DEPTHBIAS 0x04000000u
#define D3DPRASTERCAPS_ANISOTROPY 0x00020000u
#define D3DPRASTERCAPS_MIPMAPLODBIAS 0x00002000u
#define D3DPTFILTERCAPS_MINFPOINT 0x00000100u
#define D3DPTFILTERCAPS_MINFLINEAR 0x00000200u
#define D3DPTFILTERCAPS_MINFANISOTROPIC 0x00000400u
#define D3DPTFILTERCAPS_MIPFPOINT 0x00010000u
#define D3DPTFILTERCAPS_MIPFLINEAR 0x00020000u
#define D3DPTFILTERCAPS_MAGFPOINT 0x01000000u
#define D3DPTFILTERCAPS_MAGFLINEAR 0x02000000u
#define D3DPTFILTERCAPS_MAGFANISOTROPIC 0x04000000u
#define D3DPTADDRESSCAPS_WRAP 0x00000001u
#define D3DPTADDRESSCAPS_MIRROR 0x00000002u
#define D3DPTADDRESSCAPS_CLAMP 0x00000004u
#define D3DPTADDRESSCAPS_BORDER 0x00000008u
#define D3DPTADDRESSCAPS_INDEPENDENTUV 0x00000010u
#define D3DPTADDRESSCAPS_MIRRORONCE 0x00000020u
#define D3DPTEXTURECAPS_POW2 0x00000002u
#define D3DPTEXTURECAPS_ALPHA 0x00000004u
#define D3DPTEXTURECAPS_MIPMAP 0x00004000u
#define D3DPCMPCAPS_ALL 0x000000FFu
#define D3DSTENCILCAPS_ALL 0x000001FFu
#define D3DSTENCILCAPS_TWOSIDED 0x00000100u

#define D3DFVF_XYZ 0x002u
#define D3DFVF_XYZRHW 0x004u
#define D3DFVF_NORMAL 0x010u
#define D3DFVF_PSIZE 0x020u
#define D3DFVF_DIFFUSE 0x040u
#define D3DFVF_SPECULAR 0x080u
#define D3DFVF_TEX1 0x100u
#define D3DFVF_TEX2 0x200u

#define D3DMAXDECLLENGTH 64
#define D3DDP_MAXTEXCOORD 8
#define MAXD3DDECLLENGTH 64

#define MAKEFOURCC(a, b, c, d) \
    ((DWORD)(BYTE)(a) | ((DWORD)(BYTE)(b) << 8) | ((DWORD)(BYTE)(c) << 16) | ((DWORD)(BYTE)(d) << 24))

// ---------------------------------------------------------------------------------------------
// Enumerations
// ---------------------------------------------------------------------------------------------
enum D3DFORMAT : DWORD {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A1R5G5B5 = 25,
    D3DFMT_A4R4G4B4 = 26,
    D3DFMT_R3G3B2 = 27,
    D3DFMT_A8 = 28,
    D3DFMT_A8R3G3B2 = 29,
    D3DFMT_X4R4G4B4 = 30,
    D3DFMT_A2B10G10R10 = 31,
    D3DFMT_A8B8G8R8 = 32,
    D3DFMT_X8B8G8R8 = 33,
    D3DFMT_G16R16 = 34,
    D3DFMT_A2R10G10B10 = 35,
    D3DFMT_A16B16G16R16 = 36,
    D3DFMT_L8 = 50,
    D3DFMT_A8L8 = 51,
    D3DFMT_D16_LOCKABLE = 70,
    D3DFMT_D32 = 71,
    D3DFMT_D15S1 = 73,
    D3DFMT_D24S8 = 75,
    D3DFMT_D24X8 = 77,
    D3DFMT_D24X4S4 = 79,
    D3DFMT_D16 = 80,
    D3DFMT_D32F_LOCKABLE = 82,
    D3DFMT_D24FS8 = 83,
    D3DFMT_VERTEXDATA = 100,
    D3DFMT_INDEX16 = 101,
    D3DFMT_INDEX32 = 102,
    D3DFMT_R16F = 111,
    D3DFMT_G16R16F = 112,
    D3DFMT_A16B16G16R16F = 113,
    D3DFMT_R32F = 114,
    D3DFMT_G32R32F = 115,
    D3DFMT_A32B32G32R32F = 116,
    D3DFMT_DXT1 = MAKEFOURCC('D', 'X', 'T', '1'),
    D3DFMT_DXT3 = MAKEFOURCC('D', 'X', 'T', '3'),
    D3DFMT_DXT5 = MAKEFOURCC('D', 'X', 'T', '5'),
    D3DFMT_FORCE_DWORD = 0x7fffffff
};

enum D3DMULTISAMPLE_TYPE : DWORD {
    D3DMULTISAMPLE_NONE = 0,
    D3DMULTISAMPLE_NONMASKABLE = 1,
    D3DMULTISAMPLE_2_SAMPLES = 2,
    D3DMULTISAMPLE_3_SAMPLES = 3,
    D3DMULTISAMPLE_4_SAMPLES = 4,
    D3DMULTISAMPLE_5_SAMPLES = 5,
    D3DMULTISAMPLE_6_SAMPLES = 6,
    D3DMULTISAMPLE_7_SAMPLES = 7,
    D3DMULTISAMPLE_8_SAMPLES = 8,
    D3DMULTISAMPLE_9_SAMPLES = 9,
    D3DMULTISAMPLE_10_SAMPLES = 10,
    D3DMULTISAMPLE_11_SAMPLES = 11,
    D3DMULTISAMPLE_12_SAMPLES = 12,
    D3DMULTISAMPLE_13_SAMPLES = 13,
    D3DMULTISAMPLE_14_SAMPLES = 14,
    D3DMULTISAMPLE_15_SAMPLES = 15,
    D3DMULTISAMPLE_16_SAMPLES = 16,
    D3DMULTISAMPLE_FORCE_DWORD = 0x7fffffff
};

enum D3DDEVTYPE : DWORD {
    D3DDEVTYPE_HAL = 1,
    D3DDEVTYPE_REF = 2,
    D3DDEVTYPE_SW = 3,
    D3DDEVTYPE_NULLREF = 4,
    D3DDEVTYPE_FORCE_DWORD = 0x7fffffff
};

enum D3DPOOL : DWORD {
    D3DPOOL_DEFAULT = 0,
    D3DPOOL_MANAGED = 1,
    D3DPOOL_SYSTEMMEM = 2,
    D3DPOOL_SCRATCH = 3,
    D3DPOOL_FORCE_DWORD = 0x7fffffff
};

enum D3DRESOURCETYPE : DWORD {
    D3DRTYPE_SURFACE = 1,
    D3DRTYPE_VOLUME = 2,
    D3DRTYPE_TEXTURE = 3,
    D3DRTYPE_VOLUMETEXTURE = 4,
    D3DRTYPE_CUBETEXTURE = 5,
    D3DRTYPE_VERTEXBUFFER = 6,
    D3DRTYPE_INDEXBUFFER = 7,
    D3DRTYPE_FORCE_DWORD = 0x7fffffff
};

enum D3DSWAPEFFECT : DWORD {
    D3DSWAPEFFECT_DISCARD = 1,
    D3DSWAPEFFECT_FLIP = 2,
    D3DSWAPEFFECT_COPY = 3,
    D3DSWAPEFFECT_FORCE_DWORD = 0x7fffffff
};

enum D3DBACKBUFFER_TYPE : DWORD {
    D3DBACKBUFFER_TYPE_MONO = 0,
    D3DBACKBUFFER_TYPE_LEFT = 1,
    D3DBACKBUFFER_TYPE_RIGHT = 2,
    D3DBACKBUFFER_TYPE_FORCE_DWORD = 0x7fffffff
};

enum D3DPRIMITIVETYPE : DWORD {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
    D3DPT_FORCE_DWORD = 0x7fffffff
};

enum D3DRENDERSTATETYPE : DWORD {
    D3DRS_ZENABLE = 7,
    D3DRS_FILLMODE = 8,
    D3DRS_SHADEMODE = 9,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_LASTPIXEL = 16,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ZFUNC = 23,
    D3DRS_ALPHAREF = 24,
    D3DRS_ALPHAFUNC = 25,
    D3DRS_DITHERENABLE = 26,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_FOGENABLE = 28,
    D3DRS_SPECULARENABLE = 29,
    D3DRS_FOGCOLOR = 34,
    D3DRS_FOGTABLEMODE = 35,
    D3DRS_FOGSTART = 36,
    D3DRS_FOGEND = 37,
    D3DRS_FOGDENSITY = 38,
    D3DRS_RANGEFOGENABLE = 48,
    D3DRS_STENCILENABLE = 52,
    D3DRS_STENCILFAIL = 53,
    D3DRS_STENCILZFAIL = 54,
    D3DRS_STENCILPASS = 55,
    D3DRS_STENCILFUNC = 56,
    D3DRS_STENCILREF = 57,
    D3DRS_STENCILMASK = 58,
    D3DRS_STENCILWRITEMASK = 59,
    D3DRS_TEXTUREFACTOR = 60,
    D3DRS_WRAP0 = 128,
    D3DRS_CLIPPING = 136,
    D3DRS_LIGHTING = 137,
    D3DRS_AMBIENT = 139,
    D3DRS_FOGVERTEXMODE = 140,
    D3DRS_COLORVERTEX = 141,
    D3DRS_LOCALVIEWER = 142,
    D3DRS_NORMALIZENORMALS = 143,
    D3DRS_CLIPPLANEENABLE = 152,
    D3DRS_POINTSIZE = 154,
    D3DRS_POINTSIZE_MIN = 155,
    D3DRS_POINTSPRITEENABLE = 156,
    D3DRS_MULTISAMPLEANTIALIAS = 161,
    D3DRS_MULTISAMPLEMASK = 162,
    D3DRS_POINTSIZE_MAX = 166,
    D3DRS_COLORWRITEENABLE = 168,
    D3DRS_BLENDOP = 171,
    D3DRS_SCISSORTESTENABLE = 174,
    D3DRS_SLOPESCALEDEPTHBIAS = 175,
    D3DRS_ANTIALIASEDLINEENABLE = 176,
    D3DRS_TWOSIDEDSTENCILMODE = 185,
    D3DRS_CCW_STENCILFAIL = 186,
    D3DRS_CCW_STENCILZFAIL = 187,
    D3DRS_CCW_STENCILPASS = 188,
    D3DRS_CCW_STENCILFUNC = 189,
    D3DRS_COLORWRITEENABLE1 = 190,
    D3DRS_COLORWRITEENABLE2 = 191,
    D3DRS_COLORWRITEENABLE3 = 192,
    D3DRS_BLENDFACTOR = 193,
    D3DRS_SRGBWRITEENABLE = 194,
    D3DRS_DEPTHBIAS = 195,
    D3DRS_SEPARATEALPHABLENDENABLE = 206,
    D3DRS_SRCBLENDALPHA = 207,
    D3DRS_DESTBLENDALPHA = 208,
    D3DRS_BLENDOPALPHA = 209,
    D3DRS_FORCE_DWORD = 0x7fffffff
};

enum D3DZBUFFERTYPE : DWORD { D3DZB_FALSE = 0, D3DZB_TRUE = 1, D3DZB_USEW = 2, D3DZB_FORCE_DWORD = 0x7fffffff };

enum D3DFILLMODE : DWORD {
    D3DFILL_POINT = 1,
    D3DFILL_WIREFRAME = 2,
    D3DFILL_SOLID = 3,
    D3DFILL_FORCE_DWORD = 0x7fffffff
};

enum D3DSHADEMODE : DWORD { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_FORCE_DWORD = 0x7fffffff };

enum D3DCULL : DWORD { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3, D3DCULL_FORCE_DWORD = 0x7fffffff };

enum D3DBLEND : DWORD {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
    D3DBLEND_SRCALPHASAT = 11,
    D3DBLEND_BOTHSRCALPHA = 12,
    D3DBLEND_BOTHINVSRCALPHA = 13,
    D3DBLEND_BLENDFACTOR = 14,
    D3DBLEND_INVBLENDFACTOR = 15,
    D3DBLEND_FORCE_DWORD = 0x7fffffff
};

enum D3DBLENDOP : DWORD {
    D3DBLENDOP_ADD = 1,
    D3DBLENDOP_SUBTRACT = 2,
    D3DBLENDOP_REVSUBTRACT = 3,
    D3DBLENDOP_MIN = 4,
    D3DBLENDOP_MAX = 5,
    D3DBLENDOP_FORCE_DWORD = 0x7fffffff
};

enum D3DCMPFUNC : DWORD {
    D3DCMP_NEVER = 1,
    D3DCMP_LESS = 2,
    D3DCMP_EQUAL = 3,
    D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5,
    D3DCMP_NOTEQUAL = 6,
    D3DCMP_GREATEREQUAL = 7,
    D3DCMP_ALWAYS = 8,
    D3DCMP_FORCE_DWORD = 0x7fffffff
};

enum D3DSTENCILOP : DWORD {
    D3DSTENCILOP_KEEP = 1,
    D3DSTENCILOP_ZERO = 2,
    D3DSTENCILOP_REPLACE = 3,
    D3DSTENCILOP_INCRSAT = 4,
    D3DSTENCILOP_DECRSAT = 5,
    D3DSTENCILOP_INVERT = 6,
    D3DSTENCILOP_INCR = 7,
    D3DSTENCILOP_DECR = 8,
    D3DSTENCILOP_FORCE_DWORD = 0x7fffffff
};

enum D3DSAMPLERSTATETYPE : DWORD {
    D3DSAMP_ADDRESSU = 1,
    D3DSAMP_ADDRESSV = 2,
    D3DSAMP_ADDRESSW = 3,
    D3DSAMP_BORDERCOLOR = 4,
    D3DSAMP_MAGFILTER = 5,
    D3DSAMP_MINFILTER = 6,
    D3DSAMP_MIPFILTER = 7,
    D3DSAMP_MIPMAPLODBIAS = 8,
    D3DSAMP_MAXMIPLEVEL = 9,
    D3DSAMP_MAXANISOTROPY = 10,
    D3DSAMP_SRGBTEXTURE = 11,
    D3DSAMP_ELEMENTINDEX = 12,
    D3DSAMP_DMAPOFFSET = 13,
    D3DSAMP_FORCE_DWORD = 0x7fffffff
};

enum D3DTEXTUREFILTERTYPE : DWORD {
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
    D3DTEXF_ANISOTROPIC = 3,
    D3DTEXF_PYRAMIDALQUAD = 6,
    D3DTEXF_GAUSSIANQUAD = 7,
    D3DTEXF_FORCE_DWORD = 0x7fffffff
};

enum D3DTEXTUREADDRESS : DWORD {
    D3DTADDRESS_WRAP = 1,
    D3DTADDRESS_MIRROR = 2,
    D3DTADDRESS_CLAMP = 3,
    D3DTADDRESS_BORDER = 4,
    D3DTADDRESS_MIRRORONCE = 5,
    D3DTADDRESS_FORCE_DWORD = 0x7fffffff
};

enum D3DTEXTURESTAGESTATETYPE : DWORD {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_TEXCOORDINDEX = 11,
    D3DTSS_FORCE_DWORD = 0x7fffffff
};

enum D3DTRANSFORMSTATETYPE : DWORD {
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_TEXTURE0 = 16,
    D3DTS_WORLD = 256,
    D3DTS_FORCE_DWORD = 0x7fffffff
};

enum D3DQUERYTYPE : DWORD {
    D3DQUERYTYPE_EVENT = 8,
    D3DQUERYTYPE_OCCLUSION = 9,
    D3DQUERYTYPE_FORCE_DWORD = 0x7fffffff
};

enum D3DDECLTYPE : BYTE {
    D3DDECLTYPE_FLOAT1 = 0,
    D3DDECLTYPE_FLOAT2 = 1,
    D3DDECLTYPE_FLOAT3 = 2,
    D3DDECLTYPE_FLOAT4 = 3,
    D3DDECLTYPE_D3DCOLOR = 4,
    D3DDECLTYPE_UBYTE4 = 5,
    D3DDECLTYPE_SHORT2 = 6,
    D3DDECLTYPE_SHORT4 = 7,
    D3DDECLTYPE_UBYTE4N = 8,
    D3DDECLTYPE_SHORT2N = 9,
    D3DDECLTYPE_SHORT4N = 10,
    D3DDECLTYPE_USHORT2N = 11,
    D3DDECLTYPE_USHORT4N = 12,
    D3DDECLTYPE_UDEC3 = 13,
    D3DDECLTYPE_DEC3N = 14,
    D3DDECLTYPE_FLOAT16_2 = 15,
    D3DDECLTYPE_FLOAT16_4 = 16,
    D3DDECLTYPE_UNUSED = 17
};

enum D3DDECLMETHOD : BYTE {
    D3DDECLMETHOD_DEFAULT = 0,
    D3DDECLMETHOD_PARTIALU = 1,
    D3DDECLMETHOD_PARTIALV = 2,
    D3DDECLMETHOD_CROSSUV = 3,
    D3DDECLMETHOD_UV = 4,
    D3DDECLMETHOD_LOOKUP = 5,
    D3DDECLMETHOD_LOOKUPPRESAMPLED = 6
};

enum D3DDECLUSAGE : BYTE {
    D3DDECLUSAGE_POSITION = 0,
    D3DDECLUSAGE_BLENDWEIGHT = 1,
    D3DDECLUSAGE_BLENDINDICES = 2,
    D3DDECLUSAGE_NORMAL = 3,
    D3DDECLUSAGE_PSIZE = 4,
    D3DDECLUSAGE_TEXCOORD = 5,
    D3DDECLUSAGE_TANGENT = 6,
    D3DDECLUSAGE_BINORMAL = 7,
    D3DDECLUSAGE_TESSFACTOR = 8,
    D3DDECLUSAGE_POSITIONT = 9,
    D3DDECLUSAGE_COLOR = 10,
    D3DDECLUSAGE_FOG = 11,
    D3DDECLUSAGE_DEPTH = 12,
    D3DDECLUSAGE_SAMPLE = 13
};

// ---------------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------------
struct D3DVERTEXELEMENT9 {
    WORD Stream;  // 0xFF ends the list
    WORD Offset;  // bytes from the start of the stream's vertex
    BYTE Type;    // D3DDECLTYPE
    BYTE Method;  // D3DDECLMETHOD
    BYTE Usage;   // D3DDECLUSAGE
    BYTE UsageIndex;
};
#define D3DDECL_END() {0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0}

struct D3DDISPLAYMODE {
    UINT Width;
    UINT Height;
    UINT RefreshRate;  // 0: the adapter's default rate
    D3DFORMAT Format;
};

struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
};

struct D3DDEVICE_CREATION_PARAMETERS {
    UINT AdapterOrdinal;
    D3DDEVTYPE DeviceType;
    HWND hFocusWindow;
    DWORD BehaviorFlags;
};

struct D3DVSHADERCAPS2_0 {
    DWORD Caps;
    INT DynamicFlowControlDepth;
    INT NumTemps;
    INT StaticFlowControlDepth;
};

struct D3DPSHADERCAPS2_0 {
    DWORD Caps;
    INT DynamicFlowControlDepth;
    INT NumTemps;
    INT StaticFlowControlDepth;
    INT NumInstructionSlots;
};

struct D3DCAPS9 {
    D3DDEVTYPE DeviceType;
    UINT AdapterOrdinal;
    DWORD Caps;
    DWORD Caps2;
    DWORD Caps3;
    DWORD PresentationIntervals;
    DWORD CursorCaps;
    DWORD DevCaps;
    DWORD PrimitiveMiscCaps;
    DWORD RasterCaps;
    DWORD ZCmpCaps;
    DWORD SrcBlendCaps;
    DWORD DestBlendCaps;
    DWORD AlphaCmpCaps;
    DWORD ShadeCaps;
    DWORD TextureCaps;
    DWORD TextureFilterCaps;
    DWORD CubeTextureFilterCaps;
    DWORD VolumeTextureFilterCaps;
    DWORD TextureAddressCaps;
    DWORD VolumeTextureAddressCaps;
    DWORD LineCaps;
    DWORD MaxTextureWidth;
    DWORD MaxTextureHeight;
    DWORD MaxVolumeExtent;
    DWORD MaxTextureRepeat;
    DWORD MaxTextureAspectRatio;
    DWORD MaxAnisotropy;
    float MaxVertexW;
    float GuardBandLeft;
    float GuardBandTop;
    float GuardBandRight;
    float GuardBandBottom;
    float ExtentsAdjust;
    DWORD StencilCaps;
    DWORD FVFCaps;
    DWORD TextureOpCaps;
    DWORD MaxTextureBlendStages;
    DWORD MaxSimultaneousTextures;
    DWORD VertexProcessingCaps;
    DWORD MaxActiveLights;
    DWORD MaxUserClipPlanes;
    DWORD MaxVertexBlendMatrices;
    DWORD MaxVertexBlendMatrixIndex;
    float MaxPointSize;
    DWORD MaxPrimitiveCount;
    DWORD MaxVertexIndex;
    DWORD MaxStreams;
    DWORD MaxStreamStride;
    DWORD VertexShaderVersion;
    DWORD MaxVertexShaderConst;
    DWORD PixelShaderVersion;
    float PixelShader1xMaxValue;
    DWORD DevCaps2;
    float MaxNpatchTessellationLevel;
    DWORD Reserved5;
    UINT MasterAdapterOrdinal;
    UINT AdapterOrdinalInGroup;
    UINT NumberOfAdaptersInGroup;
    DWORD DeclTypes;
    DWORD NumSimultaneousRTs;
    DWORD StretchRectFilterCaps;
    D3DVSHADERCAPS2_0 VS20Caps;
    D3DPSHADERCAPS2_0 PS20Caps;
    DWORD VertexTextureFilterCaps;
    DWORD MaxVShaderInstructionsExecuted;
    DWORD MaxPShaderInstructionsExecuted;
    DWORD MaxVertexShader30InstructionSlots;
    DWORD MaxPixelShader30InstructionSlots;
};

#define D3DVS_VERSION(major, minor) (0xFFFE0000u | ((major) << 8) | (minor))
#define D3DPS_VERSION(major, minor) (0xFFFF0000u | ((major) << 8) | (minor))

struct D3DSURFACE_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    UINT Width;
    UINT Height;
};

struct D3DVERTEXBUFFER_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
    DWORD FVF;
};

struct D3DINDEXBUFFER_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
};

// Pitch: bytes from one row to the next; row 0 is the top row of the image.
struct D3DLOCKED_RECT {
    INT Pitch;
    void* pBits;
};

struct D3DVIEWPORT9 {
    DWORD X;
    DWORD Y;
    DWORD Width;
    DWORD Height;
    float MinZ;
    float MaxZ;
};

struct D3DRECT {
    LONG x1;
    LONG y1;
    LONG x2;
    LONG y2;
};

// Records of the unimplemented slots; only pointers to them appear.
struct D3DADAPTER_IDENTIFIER9;
struct D3DRASTER_STATUS;
struct D3DGAMMARAMP;
struct D3DMATERIAL9;
struct D3DLIGHT9;
struct D3DCLIPSTATUS9;
struct D3DRECTPATCH_INFO;
struct D3DTRIPATCH_INFO;

// ---------------------------------------------------------------------------------------------
// Interfaces
// ---------------------------------------------------------------------------------------------
struct IDirect3D9;
struct IDirect3DDevice9;
struct IDirect3DResource9;
struct IDirect3DBaseTexture9;
struct IDirect3DTexture9;
struct IDirect3DSurface9;
struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;
struct IDirect3DVertexDeclaration9;
struct IDirect3DSwapChain9;
struct IDirect3DStateBlock9;
struct IDirect3DVolumeTexture9;
struct IDirect3DCubeTexture9;
struct IDirect3DVertexShader9;
struct IDirect3DPixelShader9;
struct IDirect3DQuery9;

struct IDirect3D9 : IUnknown {
    virtual HRESULT RegisterSoftwareDevice(void*) { return D3DERR_INVALIDCALL; }
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterIdentifier(UINT, DWORD, D3DADAPTER_IDENTIFIER9*) { return D3DERR_INVALIDCALL; }
    virtual UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) = 0;
    virtual HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT CheckDeviceType(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL) { return D3DERR_NOTAVAILABLE; }
    virtual HRESULT CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT) {
        return D3DERR_NOTAVAILABLE;
    }
    virtual HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat,
                                               BOOL Windowed, D3DMULTISAMPLE_TYPE MultiSampleType,
                                               DWORD* pQualityLevels) = 0;
    virtual HRESULT CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) {
        return D3DERR_NOTAVAILABLE;
    }
    virtual HRESULT CheckDeviceFormatConversion(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT) {
        return D3DERR_NOTAVAILABLE;
    }
    virtual HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) = 0;
    virtual HMONITOR GetAdapterMonitor(UINT) { return nullptr; }
    virtual HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                                 D3DPRESENT_PARAMETERS* pPresentationParameters,
                                 IDirect3DDevice9** ppReturnedDeviceInterface) = 0;
};

struct IDirect3DDevice9 : IUnknown {
    virtual HRESULT TestCooperativeLevel() { return D3D_OK; }
    virtual UINT GetAvailableTextureMem() { return 0; }
    virtual HRESULT EvictManagedResources() { return D3D_OK; }
    virtual HRESULT GetDirect3D(IDirect3D9** ppD3D9) = 0;
    virtual HRESULT GetDeviceCaps(D3DCAPS9* pCaps) = 0;
    virtual HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) = 0;
    virtual HRESULT SetCursorProperties(UINT, UINT, IDirect3DSurface9*) { return D3DERR_INVALIDCALL; }
    virtual void SetCursorPosition(int, int, DWORD) {}
    virtual BOOL ShowCursor(BOOL) { return FALSE; }
    virtual HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9** ppSwapChain) {
        if (ppSwapChain) *ppSwapChain = nullptr;
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT GetSwapChain(UINT, IDirect3DSwapChain9** ppSwapChain) {
        if (ppSwapChain) *ppSwapChain = nullptr;
        return D3DERR_INVALIDCALL;
    }
    virtual UINT GetNumberOfSwapChains() { return 1; }
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                            const RGNDATA* pDirtyRegion) = 0;
    virtual HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                  IDirect3DSurface9** ppBackBuffer) = 0;
    virtual HRESULT GetRasterStatus(UINT, D3DRASTER_STATUS*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetDialogBoxMode(BOOL) { return D3DERR_INVALIDCALL; }
    virtual void SetGammaRamp(UINT, DWORD, const D3DGAMMARAMP*) {}
    virtual void GetGammaRamp(UINT, D3DGAMMARAMP*) {}
    virtual HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                  D3DPOOL Pool, IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                        IDirect3DVolumeTexture9** ppVolumeTexture, HANDLE*) {
        if (ppVolumeTexture) *ppVolumeTexture = nullptr;
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture9** ppCubeTexture,
                                      HANDLE*) {
        if (ppCubeTexture) *ppCubeTexture = nullptr;
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                       IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                       DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface,
                                       HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                              D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                              BOOL Discard, IDirect3DSurface9** ppSurface,
                                              HANDLE* pSharedHandle) = 0;
    virtual HRESULT UpdateSurface(IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const POINT*) {
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT UpdateTexture(IDirect3DBaseTexture9*, IDirect3DBaseTexture9*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetRenderTargetData(IDirect3DSurface9*, IDirect3DSurface9*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetFrontBufferData(UINT, IDirect3DSurface9*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                                IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                                D3DTEXTUREFILTERTYPE Filter) = 0;
    virtual HRESULT ColorFill(IDirect3DSurface9*, const RECT*, D3DCOLOR) { return D3DERR_INVALIDCALL; }
    virtual HRESULT CreateOffscreenPlainSurface(UINT, UINT, D3DFORMAT, D3DPOOL, IDirect3DSurface9** ppSurface,
                                                HANDLE*) {
        if (ppSurface) *ppSurface = nullptr;
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) = 0;
    virtual HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) = 0;
    virtual HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) = 0;
    virtual HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                          DWORD Stencil) = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetViewport(const D3DVIEWPORT9* pViewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT9* pViewport) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetMaterial(D3DMATERIAL9*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetLight(DWORD, const D3DLIGHT9*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetLight(DWORD, D3DLIGHT9*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT LightEnable(DWORD, BOOL) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetLightEnable(DWORD, BOOL*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetClipPlane(DWORD, const float*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetClipPlane(DWORD, float*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) = 0;
    virtual HRESULT CreateStateBlock(DWORD, IDirect3DStateBlock9** ppSB) {
        if (ppSB) *ppSB = nullptr;
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT BeginStateBlock() { return D3DERR_INVALIDCALL; }
    virtual HRESULT EndStateBlock(IDirect3DStateBlock9** ppSB) {
        if (ppSB) *ppSB = nullptr;
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT SetClipStatus(const D3DCLIPSTATUS9*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetClipStatus(D3DCLIPSTATUS9*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) = 0;
    virtual HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) = 0;
    virtual HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) { return D3D_OK; }
    virtual HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) = 0;
    virtual HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) = 0;
    virtual HRESULT ValidateDevice(DWORD* pNumPasses) {
        if (pNumPasses) *pNumPasses = 1;
        return D3D_OK;
    }
    virtual HRESULT SetPaletteEntries(UINT, const PALETTEENTRY*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetPaletteEntries(UINT, PALETTEENTRY*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetCurrentTexturePalette(UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetCurrentTexturePalette(UINT*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetScissorRect(const RECT* pRect) = 0;
    virtual HRESULT GetScissorRect(RECT* pRect) = 0;
    virtual HRESULT SetSoftwareVertexProcessing(BOOL) { return D3D_OK; }
    virtual BOOL GetSoftwareVertexProcessing() { return FALSE; }
    virtual HRESULT SetNPatchMode(float) { return D3DERR_INVALIDCALL; }
    virtual float GetNPatchMode() { return 0.0f; }
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                         UINT NumVertices, UINT startIndex, UINT primCount) = 0;
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*,
                                           UINT) {
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer9*, IDirect3DVertexDeclaration9*, DWORD) {
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                            IDirect3DVertexDeclaration9** ppDecl) = 0;
    virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) = 0;
    virtual HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) = 0;
    virtual HRESULT SetFVF(DWORD) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetFVF(DWORD* pFVF) {
        if (pFVF) *pFVF = 0;
        return D3D_OK;
    }
    virtual HRESULT CreateVertexShader(const DWORD*, IDirect3DVertexShader9** ppShader) {
        if (ppShader) *ppShader = nullptr;
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT SetVertexShader(IDirect3DVertexShader9*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetVertexShader(IDirect3DVertexShader9** ppShader) {
        if (ppShader) *ppShader = nullptr;
        return D3D_OK;
    }
    virtual HRESULT SetVertexShaderConstantF(UINT, const float*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetVertexShaderConstantF(UINT, float*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetVertexShaderConstantI(UINT, const int*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetVertexShaderConstantI(UINT, int*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetVertexShaderConstantB(UINT, const BOOL*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetVertexShaderConstantB(UINT, BOOL*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                    UINT Stride) = 0;
    virtual HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                                    UINT* pStride) = 0;
    virtual HRESULT SetStreamSourceFreq(UINT StreamNumber, UINT Setting) = 0;
    virtual HRESULT GetStreamSourceFreq(UINT StreamNumber, UINT* pSetting) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) = 0;
    virtual HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) = 0;
    virtual HRESULT CreatePixelShader(const DWORD*, IDirect3DPixelShader9** ppShader) {
        if (ppShader) *ppShader = nullptr;
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT SetPixelShader(IDirect3DPixelShader9*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetPixelShader(IDirect3DPixelShader9** ppShader) {
        if (ppShader) *ppShader = nullptr;
        return D3D_OK;
    }
    virtual HRESULT SetPixelShaderConstantF(UINT, const float*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetPixelShaderConstantF(UINT, float*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetPixelShaderConstantI(UINT, const int*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetPixelShaderConstantI(UINT, int*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT SetPixelShaderConstantB(UINT, const BOOL*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetPixelShaderConstantB(UINT, BOOL*, UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) { return D3DERR_INVALIDCALL; }
    virtual HRESULT DeletePatch(UINT) { return D3DERR_INVALIDCALL; }
    virtual HRESULT CreateQuery(D3DQUERYTYPE, IDirect3DQuery9** ppQuery) {
        if (ppQuery) *ppQuery = nullptr;
        return D3DERR_NOTAVAILABLE;
    }
};

struct IDirect3DResource9 : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT SetPrivateData(REFGUID, const void*, DWORD, DWORD) { return D3DERR_INVALIDCALL; }
    virtual HRESULT GetPrivateData(REFGUID, void*, DWORD*) { return D3DERR_NOTFOUND; }
    virtual HRESULT FreePrivateData(REFGUID) { return D3DERR_NOTFOUND; }
    virtual DWORD SetPriority(DWORD) { return 0; }
    virtual DWORD GetPriority() { return 0; }
    virtual void PreLoad() {}
    virtual D3DRESOURCETYPE GetType() = 0;
};

struct IDirect3DBaseTexture9 : IDirect3DResource9 {
    virtual DWORD SetLOD(DWORD) { return 0; }
    virtual DWORD GetLOD() { return 0; }
    virtual DWORD GetLevelCount() = 0;
    virtual HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType) = 0;
    virtual D3DTEXTUREFILTERTYPE GetAutoGenFilterType() = 0;
    virtual void GenerateMipSubLevels() = 0;
};

struct IDirect3DTexture9 : IDirect3DBaseTexture9 {
    virtual HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) = 0;
    virtual HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) = 0;
    virtual HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
    virtual HRESULT UnlockRect(UINT Level) = 0;
    virtual HRESULT AddDirtyRect(const RECT*) { return D3D_OK; }
};

struct IDirect3DSurface9 : IDirect3DResource9 {
    virtual HRESULT GetContainer(REFIID, void** ppContainer) {
        if (ppContainer) *ppContainer = nullptr;
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT GetDesc(D3DSURFACE_DESC* pDesc) = 0;
    virtual HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
    virtual HRESULT UnlockRect() = 0;
    virtual HRESULT GetDC(HDC* phdc) {
        if (phdc) *phdc = nullptr;
        return D3DERR_INVALIDCALL;
    }
    virtual HRESULT ReleaseDC(HDC) { return D3DERR_INVALIDCALL; }
};

struct IDirect3DVertexBuffer9 : IDirect3DResource9 {
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) = 0;
};

struct IDirect3DIndexBuffer9 : IDirect3DResource9 {
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) = 0;
};

struct IDirect3DVertexDeclaration9 : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    // pElement null: *pNumElements gets the count including the end marker.
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) = 0;
};

typedef IDirect3D9* LPDIRECT3D9;
typedef IDirect3D9* PDIRECT3D9;
typedef IDirect3DDevice9* LPDIRECT3DDEVICE9;
typedef IDirect3DDevice9* PDIRECT3DDEVICE9;
typedef IDirect3DResource9* LPDIRECT3DRESOURCE9;
typedef IDirect3DBaseTexture9* LPDIRECT3DBASETEXTURE9;
typedef IDirect3DTexture9* LPDIRECT3DTEXTURE9;
typedef IDirect3DTexture9* PDIRECT3DTEXTURE9;
typedef IDirect3DSurface9* LPDIRECT3DSURFACE9;
typedef IDirect3DSurface9* PDIRECT3DSURFACE9;
typedef IDirect3DVertexBuffer9* LPDIRECT3DVERTEXBUFFER9;
typedef IDirect3DVertexBuffer9* PDIRECT3DVERTEXBUFFER9;
typedef IDirect3DIndexBuffer9* LPDIRECT3DINDEXBUFFER9;
typedef IDirect3DIndexBuffer9* PDIRECT3DINDEXBUFFER9;
typedef IDirect3DVertexDeclaration9* LPDIRECT3DVERTEXDECLARATION9;
typedef IDirect3DVertexDeclaration9* PDIRECT3DVERTEXDECLARATION9;

// The Direct3D interface, or null when SdkVersion is not D3D_SDK_VERSION or no display can be
// opened (no X server, no GL 4.5 core). Never crashes on a missing display.
IDirect3D9* Direct3DCreate9(UINT SdkVersion);
