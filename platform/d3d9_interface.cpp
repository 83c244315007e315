// The Direct3D 9 interface object over SDL2 video and a probed OpenGL 4.5 core context.
// Implements: Direct3DCreate9, IDirect3D9 (adapters as SDL displays, their real modes sorted as
//   Direct3D lists them, multisample and format checks from the GL limits, device caps),
//   the D3DFORMAT to GL format table and the live-object count.
// Leaves out: software devices, adapter identifiers and monitors, format conversion checks.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/d3d9_internal.h"

namespace d3d9gl {

int gLiveObjects = 0;

namespace {

constexpr GLint kRGBA[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};

FormatInfo color(GLenum internal, GLenum format, GLenum type, UINT bpp, bool renderable, const GLint* swizzle = kRGBA,
                 bool opaque = false) {
    FormatInfo f;
    f.internalFormat = internal;
    f.uploadFormat = format;
    f.uploadType = type;
    for (int i = 0; i < 4; ++i) f.swizzle[i] = swizzle[i];
    f.bytesPerPixel = bpp;
    f.colorRenderable = renderable;
    f.opaque = opaque;
    return f;
}

FormatInfo depthFormat(GLenum internal, GLenum format, GLenum type, UINT bpp, bool stencil) {
    FormatInfo f;
    f.internalFormat = internal;
    f.uploadFormat = format;
    f.uploadType = type;
    f.bytesPerPixel = bpp;
    f.depth = true;
    f.stencil = stencil;
    return f;
}

struct FormatEntry {
    D3DFORMAT format;
    FormatInfo info;
};

const std::vector<FormatEntry>& formatTable() {
    static const GLint rgb1[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ONE};
    static const GLint lum[4] = {GL_RED, GL_RED, GL_RED, GL_ONE};
    static const GLint alphaOnly[4] = {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED};
    static const GLint lumAlpha[4] = {GL_RED, GL_RED, GL_RED, GL_GREEN};
    static const GLint r111[4] = {GL_RED, GL_ONE, GL_ONE, GL_ONE};
    static const GLint rg11[4] = {GL_RED, GL_GREEN, GL_ONE, GL_ONE};
    // A8R8G8B8 is the 32-bit value 0xAARRGGBB: bytes B, G, R, A in memory, GL's BGRA order.
    static const std::vector<FormatEntry> table = {
        {D3DFMT_A8R8G8B8, color(GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, true)},
        {D3DFMT_X8R8G8B8, color(GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, true, rgb1, true)},
        {D3DFMT_A8B8G8R8, color(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, true)},
        {D3DFMT_X8B8G8R8, color(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, true, rgb1, true)},
        {D3DFMT_R5G6B5, color(GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2, true)},
        {D3DFMT_A1R5G5B5, color(GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, true)},
        {D3DFMT_X1R5G5B5, color(GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, true, rgb1, true)},
        {D3DFMT_A4R4G4B4, color(GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, true)},
        {D3DFMT_A2R10G10B10, color(GL_RGB10_A2, GL_BGRA, GL_UNSIGNED_INT_2_10_10_10_REV, 4, true)},
        {D3DFMT_A2B10G10R10, color(GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, 4, true)},
        {D3DFMT_G16R16, color(GL_RG16, GL_RG, GL_UNSIGNED_SHORT, 4, true, rg11)},
        {D3DFMT_A16B16G16R16, color(GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, 8, true)},
        {D3DFMT_L8, color(GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, false, lum)},
        {D3DFMT_A8, color(GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, false, alphaOnly)},
        {D3DFMT_A8L8, color(GL_RG8, GL_RG, GL_UNSIGNED_BYTE, 2, false, lumAlpha)},
        {D3DFMT_R16F, color(GL_R16F, GL_RED, GL_HALF_FLOAT, 2, true, r111)},
        {D3DFMT_G16R16F, color(GL_RG16F, GL_RG, GL_HALF_FLOAT, 4, true, rg11)},
        {D3DFMT_A16B16G16R16F, color(GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8, true)},
        {D3DFMT_R32F, color(GL_R32F, GL_RED, GL_FLOAT, 4, true, r111)},
        {D3DFMT_G32R32F, color(GL_RG32F, GL_RG, GL_FLOAT, 8, true, rg11)},
        {D3DFMT_A32B32G32R32F, color(GL_RGBA32F, GL_RGBA, GL_FLOAT, 16, true)},
        {D3DFMT_D16, depthFormat(GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, 2, false)},
        {D3DFMT_D16_LOCKABLE, depthFormat(GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, 2, false)},
        {D3DFMT_D24X8, depthFormat(GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, 4, false)},
        {D3DFMT_D24S8, depthFormat(GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4, true)},
        {D3DFMT_D32, depthFormat(GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT, 4, false)},
        {D3DFMT_D32F_LOCKABLE, depthFormat(GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT, 4, false)},
        {D3DFMT_D24FS8, depthFormat(GL_DEPTH32F_STENCIL8, GL_DEPTH_STENCIL, GL_FLOAT_32_UNSIGNED_INT_24_8_REV, 8,
                                    true)},
    };
    return table;
}

int maxSamplesOf(GLenum internalFormat) {
    GLint count = 0;
    glGetInternalformativ(GL_RENDERBUFFER, internalFormat, GL_NUM_SAMPLE_COUNTS, 1, &count);
    if (count <= 0) return 0;
    std::vector<GLint> samples(static_cast<size_t>(count));
    glGetInternalformativ(GL_RENDERBUFFER, internalFormat, GL_SAMPLES, count, samples.data());
    GLint best = 0;
    for (GLint s : samples) best = std::max(best, s);
    return best;
}

// Opens a hidden window with a GL 4.5 core context to read the implementation's limits.
bool probeLimits(GlLimits& limits) {
    setContextAttributes();
    SDL_Window* window = SDL_CreateWindow("orlunde-probe", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 16, 16,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        std::fprintf(stderr, "Direct3DCreate9: no window: %s\n", SDL_GetError());
        return false;
    }
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        std::fprintf(stderr, "Direct3DCreate9: no OpenGL 4.5 core context: %s\n", SDL_GetError());
        SDL_DestroyWindow(window);
        return false;
    }
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limits.maxTextureSize);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limits.maxRenderbufferSize);
    glGetIntegerv(GL_MAX_COLOR_ATTACHMENTS, &limits.maxColorAttachments);
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    limits.maxSamples = std::min({maxSamples, maxSamplesOf(GL_RGBA8), maxSamplesOf(GL_DEPTH24_STENCIL8)});
    if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ||
        epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic")) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &limits.maxAnisotropy);
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    if (previous) SDL_GL_MakeCurrent(previousWindow, previous);
    return limits.maxTextureSize > 0;
}

}  // namespace

void setContextAttributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

const FormatInfo* formatInfo(D3DFORMAT format) {
    for (const FormatEntry& e : formatTable()) {
        if (e.format == format) return &e.info;
    }
    return nullptr;
}

int samplesFor(D3DMULTISAMPLE_TYPE type) {
    if (type == D3DMULTISAMPLE_NONE) return 0;
    if (type == D3DMULTISAMPLE_NONMASKABLE) return 2;  // its one quality level: the smallest count
    return static_cast<int>(type);
}

Direct3D::Direct3D(const GlLimits& limits) : limits_(limits) { ++gLiveObjects; }

Direct3D::~Direct3D() {
    --gLiveObjects;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

ULONG Direct3D::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

UINT Direct3D::GetAdapterCount() {
    int displays = SDL_GetNumVideoDisplays();
    return displays > 0 ? static_cast<UINT>(displays) : 0;
}

std::vector<D3DDISPLAYMODE> Direct3D::modes(UINT adapter, D3DFORMAT format) const {
    std::vector<D3DDISPLAYMODE> list;
    // The adapter formats are X8R8G8B8 and R5G6B5. GL renders 32-bit colour whatever the
    // desktop depth, so every display mode is offered in both.
    if (format != D3DFMT_X8R8G8B8 && format != D3DFMT_R5G6B5) return list;
    int count = SDL_GetNumDisplayModes(static_cast<int>(adapter));
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(static_cast<int>(adapter), i, &m) != 0) continue;
        if (m.w <= 0 || m.h <= 0) continue;
        D3DDISPLAYMODE d{static_cast<UINT>(m.w), static_cast<UINT>(m.h), static_cast<UINT>(std::max(0, m.refresh_rate)),
                         format};
        bool seen = false;
        for (const D3DDISPLAYMODE& e : list) {
            seen = seen || (e.Width == d.Width && e.Height == d.Height && e.RefreshRate == d.RefreshRate);
        }
        if (!seen) list.push_back(d);
    }
    // Some video drivers (offscreen rendering) list no usable mode: offer the desktop's.
    SDL_DisplayMode desktop;
    if (list.empty() && SDL_GetDesktopDisplayMode(static_cast<int>(adapter), &desktop) == 0 && desktop.w > 0 &&
        desktop.h > 0) {
        list.push_back(D3DDISPLAYMODE{static_cast<UINT>(desktop.w), static_cast<UINT>(desktop.h),
                                      static_cast<UINT>(std::max(0, desktop.refresh_rate)), format});
    }
    // Direct3D lists modes from the smallest up: by width, then height, then refresh rate.
    std::sort(list.begin(), list.end(), [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
        if (a.Width != b.Width) return a.Width < b.Width;
        if (a.Height != b.Height) return a.Height < b.Height;
        return a.RefreshRate < b.RefreshRate;
    });
    return list;
}

UINT Direct3D::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) {
    if (Adapter >= GetAdapterCount()) return 0;
    return static_cast<UINT>(modes(Adapter, Format).size());
}

HRESULT Direct3D::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) {
    if (!pMode || Adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    std::vector<D3DDISPLAYMODE> list = modes(Adapter, Format);
    if (list.empty()) return D3DERR_NOTAVAILABLE;
    if (Mode >= list.size()) return D3DERR_INVALIDCALL;
    *pMode = list[Mode];
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
    if (!pMode || Adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(static_cast<int>(Adapter), &m) != 0) return D3DERR_NOTAVAILABLE;
    pMode->Width = static_cast<UINT>(m.w);
    pMode->Height = static_cast<UINT>(m.h);
    pMode->RefreshRate = static_cast<UINT>(std::max(0, m.refresh_rate));
    pMode->Format = SDL_BITSPERPIXEL(m.format) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                  D3DFORMAT BackBufferFormat, BOOL) {
    if (Adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    if (DevType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    if (AdapterFormat != D3DFMT_X8R8G8B8 && AdapterFormat != D3DFMT_R5G6B5) return D3DERR_NOTAVAILABLE;
    if (BackBufferFormat != D3DFMT_X8R8G8B8 && BackBufferFormat != D3DFMT_A8R8G8B8 &&
        BackBufferFormat != D3DFMT_R5G6B5 && BackBufferFormat != D3DFMT_UNKNOWN)
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT, DWORD Usage,
                                    D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
    if (Adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    const FormatInfo* f = formatInfo(CheckFormat);
    if (!f) return D3DERR_NOTAVAILABLE;
    if (RType != D3DRTYPE_SURFACE && RType != D3DRTYPE_TEXTURE) return D3DERR_NOTAVAILABLE;
    if ((Usage & D3DUSAGE_RENDERTARGET) && !f->colorRenderable) return D3DERR_NOTAVAILABLE;
    if ((Usage & D3DUSAGE_DEPTHSTENCIL) && !f->depth) return D3DERR_NOTAVAILABLE;
    if (!(Usage & D3DUSAGE_DEPTHSTENCIL) && f->depth && RType == D3DRTYPE_TEXTURE) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D::checkMultiSample(D3DFORMAT format, D3DMULTISAMPLE_TYPE type) const {
    const FormatInfo* f = formatInfo(format);
    if (!f || (!f->colorRenderable && !f->depth)) return D3DERR_NOTAVAILABLE;
    if (type == D3DMULTISAMPLE_NONE) return D3D_OK;
    if (type > D3DMULTISAMPLE_16_SAMPLES) return D3DERR_INVALIDCALL;
    if (limits_.maxSamples < 2) return D3DERR_NOTAVAILABLE;
    int want = type == D3DMULTISAMPLE_NONMASKABLE ? 2 : static_cast<int>(type);
    return want <= limits_.maxSamples ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL,
                                             D3DMULTISAMPLE_TYPE MultiSampleType, DWORD* pQualityLevels) {
    if (pQualityLevels) *pQualityLevels = 0;
    if (Adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    HRESULT hr = checkMultiSample(SurfaceFormat, MultiSampleType);
    if (FAILED(hr)) return hr;
    // One quality level per type: GL offers no vendor quality settings.
    if (pQualityLevels) *pQualityLevels = 1;
    return D3D_OK;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT, D3DFORMAT RenderTargetFormat,
                                         D3DFORMAT DepthStencilFormat) {
    if (Adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    const FormatInfo* rt = formatInfo(RenderTargetFormat);
    const FormatInfo* ds = formatInfo(DepthStencilFormat);
    return rt && rt->colorRenderable && ds && ds->depth ? D3D_OK : D3DERR_NOTAVAILABLE;
}

void Direct3D::fillCaps(D3DCAPS9& caps) const {
    std::memset(&caps, 0, sizeof caps);
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.Caps2 = D3DCAPS2_CANAUTOGENMIPMAP;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE |
                                 D3DPRESENT_INTERVAL_TWO | D3DPRESENT_INTERVAL_THREE | D3DPRESENT_INTERVAL_FOUR;
    caps.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_EXECUTEVIDEOMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                   D3DDEVCAPS_TLVERTEXVIDEOMEMORY | D3DDEVCAPS_TEXTUREVIDEOMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX |
                   D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX |
                   D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_PUREDEVICE;
    caps.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                             D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_BLENDOP |
                             D3DPMISCCAPS_INDEPENDENTWRITEMASKS | D3DPMISCCAPS_SEPARATEALPHABLEND;
    caps.RasterCaps = D3DPRASTERCAPS_SCISSORTEST | D3DPRASTERCAPS_SLOPESCALEDEPTHBIAS | D3DPRASTERCAPS_DEPTHBIAS |
                      D3DPRASTERCAPS_MIPMAPLODBIAS | (limits_.maxAnisotropy > 1.0f ? D3DPRASTERCAPS_ANISOTROPY : 0u);
    caps.ZCmpCaps = caps.AlphaCmpCaps = D3DPCMPCAPS_ALL;
    caps.SrcBlendCaps = caps.DestBlendCaps = 0x3FFFu;
    caps.TextureCaps = D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
    caps.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                             D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR |
                             (limits_.maxAnisotropy > 1.0f
                                  ? D3DPTFILTERCAPS_MINFANISOTROPIC | D3DPTFILTERCAPS_MAGFANISOTROPIC
                                  : 0u);
    caps.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                              D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV | D3DPTADDRESSCAPS_MIRRORONCE;
    caps.MaxTextureWidth = caps.MaxTextureHeight = static_cast<DWORD>(limits_.maxTextureSize);
    caps.MaxTextureRepeat = 8192;
    caps.MaxTextureAspectRatio = static_cast<DWORD>(limits_.maxTextureSize);
    caps.MaxAnisotropy = static_cast<DWORD>(limits_.maxAnisotropy);
    caps.MaxVertexW = 1e10f;
    caps.GuardBandLeft = caps.GuardBandTop = -32768.0f;
    caps.GuardBandRight = caps.GuardBandBottom = 32768.0f;
    caps.StencilCaps = D3DSTENCILCAPS_ALL;
    caps.MaxTextureBlendStages = 8;
    caps.MaxSimultaneousTextures = 8;
    caps.MaxUserClipPlanes = 0;
    caps.MaxPointSize = 256.0f;
    caps.MaxPrimitiveCount = 0xFFFFFFu;
    caps.MaxVertexIndex = 0xFFFFFFu;
    caps.MaxStreams = kMaxStreams;
    caps.MaxStreamStride = 2048;
    caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
    caps.MaxVertexShaderConst = 256;
    caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
    caps.PixelShader1xMaxValue = 65504.0f;
    caps.NumberOfAdaptersInGroup = 1;
    caps.DeclTypes = 0x3FFu;
    caps.NumSimultaneousRTs = static_cast<DWORD>(std::min<int>(limits_.maxColorAttachments, kMaxRenderTargets));
    caps.StretchRectFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                                 D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    caps.VS20Caps.NumTemps = caps.PS20Caps.NumTemps = 32;
    caps.VS20Caps.DynamicFlowControlDepth = caps.PS20Caps.DynamicFlowControlDepth = 24;
    caps.VS20Caps.StaticFlowControlDepth = caps.PS20Caps.StaticFlowControlDepth = 4;
    caps.PS20Caps.NumInstructionSlots = 512;
    caps.VertexTextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MAGFPOINT;
    caps.MaxVShaderInstructionsExecuted = caps.MaxPShaderInstructionsExecuted = 65535;
    caps.MaxVertexShader30InstructionSlots = caps.MaxPixelShader30InstructionSlots = 32768;
}

HRESULT Direct3D::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
    if (!pCaps || Adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    fillCaps(*pCaps);
    pCaps->AdapterOrdinal = Adapter;
    pCaps->MasterAdapterOrdinal = Adapter;
    return D3D_OK;
}

HRESULT Direct3D::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                               D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = nullptr;
    if (!pp || Adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    const DWORD vertexProcessing = BehaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                                    D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                                    D3DCREATE_MIXED_VERTEXPROCESSING);
    // Exactly one vertex-processing mode must be named.
    if (vertexProcessing == 0 || (vertexProcessing & (vertexProcessing - 1)) != 0) return D3DERR_INVALIDCALL;
    if (pp->BackBufferCount > D3DPRESENT_BACK_BUFFERS_MAX) {
        pp->BackBufferCount = D3DPRESENT_BACK_BUFFERS_MAX;
        return D3DERR_INVALIDCALL;
    }
    if (pp->SwapEffect < D3DSWAPEFFECT_DISCARD || pp->SwapEffect > D3DSWAPEFFECT_COPY) return D3DERR_INVALIDCALL;
    if (pp->MultiSampleType != D3DMULTISAMPLE_NONE && pp->SwapEffect != D3DSWAPEFFECT_DISCARD)
        return D3DERR_INVALIDCALL;
    const UINT interval = pp->PresentationInterval;
    if (interval != D3DPRESENT_INTERVAL_DEFAULT && interval != D3DPRESENT_INTERVAL_IMMEDIATE &&
        interval != D3DPRESENT_INTERVAL_ONE && interval != D3DPRESENT_INTERVAL_TWO &&
        interval != D3DPRESENT_INTERVAL_THREE && interval != D3DPRESENT_INTERVAL_FOUR)
        return D3DERR_INVALIDCALL;
    if (pp->BackBufferFormat == D3DFMT_UNKNOWN && !pp->Windowed) return D3DERR_INVALIDCALL;
    if (pp->BackBufferFormat != D3DFMT_UNKNOWN && pp->BackBufferFormat != D3DFMT_X8R8G8B8 &&
        pp->BackBufferFormat != D3DFMT_A8R8G8B8 && pp->BackBufferFormat != D3DFMT_R5G6B5)
        return D3DERR_NOTAVAILABLE;
    if (pp->EnableAutoDepthStencil) {
        const FormatInfo* ds = formatInfo(pp->AutoDepthStencilFormat);
        if (!ds || !ds->depth) return D3DERR_INVALIDCALL;
    }
    if (FAILED(checkMultiSample(D3DFMT_X8R8G8B8, pp->MultiSampleType))) return D3DERR_NOTAVAILABLE;
    if (pp->MultiSampleType != D3DMULTISAMPLE_NONE && pp->MultiSampleQuality >= 1) return D3DERR_INVALIDCALL;

    HWND window = pp->hDeviceWindow ? pp->hDeviceWindow : hFocusWindow;
    auto* device = new (std::nothrow) Device(this, Adapter, DeviceType, hFocusWindow, BehaviorFlags, *pp);
    if (!device) return E_OUTOFMEMORY;
    HRESULT hr = device->init(window);
    if (FAILED(hr)) {
        device->Release();
        return hr;
    }
    // The sizes, format and count the device settled on go back to the caller, as in Direct3D.
    const D3DPRESENT_PARAMETERS& chosen = device->presentParameters();
    pp->BackBufferWidth = chosen.BackBufferWidth;
    pp->BackBufferHeight = chosen.BackBufferHeight;
    pp->BackBufferFormat = chosen.BackBufferFormat;
    pp->BackBufferCount = chosen.BackBufferCount;
    *ppDevice = device;
    return D3D_OK;
}

}  // namespace d3d9gl

using namespace d3d9gl;

IDirect3D9* Direct3DCreate9(UINT SdkVersion) {
    if (SdkVersion != D3D_SDK_VERSION) return nullptr;
    // With no display SDL falls back to its offscreen driver; that counts as no display unless
    // offscreen rendering was asked for (SDL_VIDEODRIVER=offscreen). An X server that resets
    // after its last client left refuses connections for a moment: try a few times.
    const char* wanted = std::getenv("SDL_VIDEODRIVER");
    const bool offscreenWanted = wanted && std::strcmp(wanted, "offscreen") == 0;
    bool open = false;
    for (int attempt = 0; attempt < 10 && !open; ++attempt) {
        if (attempt > 0) SDL_Delay(20);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) continue;
        const char* driver = SDL_GetCurrentVideoDriver();
        open = offscreenWanted || !driver || std::strcmp(driver, "offscreen") != 0;
        if (!open) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    if (!open) {
        std::fprintf(stderr, "Direct3DCreate9: no display\n");
        return nullptr;
    }
    // The GL implementation does not change while the process runs: probe it once.
    static GlLimits probed;
    static bool haveProbe = false;
    if (!haveProbe) {
        if (!probeLimits(probed)) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return nullptr;
        }
        haveProbe = true;
    }
    GlLimits limits = probed;
    // A development override to stand in for hardware with fewer (or no) samples.
    if (const char* cap = std::getenv("ORLUNDE_D3D9_MAX_SAMPLES")) {
        limits.maxSamples = std::min(limits.maxSamples, std::atoi(cap));
    }
    auto* d3d = new (std::nothrow) Direct3D(limits);
    if (!d3d) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return d3d;
}

int d3d9glLiveObjectCount() { return gLiveObjects; }
