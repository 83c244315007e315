// Private classes of the Direct3D 9 stand-in, shared by the d3d9*.cpp files.
// Implements: the reference-counting base of device children, the GL state shadow, the
//   classes behind IDirect3D9, IDirect3DDevice9 and each resource kind.
// Leaves out: anything callers outside platform/d3d9*.cpp may use (see d3d9.h, d3d9_gl.h).
#pragma once

#include <epoxy/gl.h>

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/d3d9.h"
#include "platform/d3d9_gl.h"

namespace d3d9gl {

class Device;
class Direct3D;

// Counts every live object of the stand-in (d3d9glLiveObjectCount).
extern int gLiveObjects;

// Limits of the GL implementation, probed once per IDirect3D9.
struct GlLimits {
    int maxTextureSize = 0;
    int maxRenderbufferSize = 0;
    int maxSamples = 0;       // largest sample count of the colour and depth formats
    int maxColorAttachments = 1;
    float maxAnisotropy = 1.0f;
};

// How a D3DFORMAT lives in GL.
struct FormatInfo {
    GLenum internalFormat = 0;
    GLenum uploadFormat = 0;  // client format of locked data
    GLenum uploadType = 0;
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    UINT bytesPerPixel = 0;
    bool depth = false;
    bool stencil = false;
    bool colorRenderable = false;
    bool opaque = false;  // X8 formats: alpha reads back as 1
};
// Null for formats the stand-in does not support.
const FormatInfo* formatInfo(D3DFORMAT format);

// Shared reference counting of every device child. `ext_` counts the references handed out
// through the interface (AddRef/Release); `bind_` counts the device's own holds (a bound target,
// texture, buffer or declaration). While ext_ > 0 the child holds one reference on its device;
// it is deleted once both counts reach zero, so a released but still bound object lives on
// until the device lets go of it, as in Direct3D 9.
template <class Iface>
class Child : public Iface {
public:
    Child(Device* device, ULONG externalRefs);
    virtual ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    HRESULT QueryInterface(REFIID, void** ppvObj) override {
        if (ppvObj) *ppvObj = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;

    virtual void bindRef() { ++bind_; }
    virtual void bindUnref();

    Device* device() const { return device_; }

protected:
    Device* device_;
    ULONG ext_;
    ULONG bind_ = 0;
};

class Texture;

// A 2D image a device can draw into, read from or copy: a texture level, a render target, a
// depth-stencil surface or the back buffer.
class Surface final : public Child<IDirect3DSurface9> {
public:
    // A standalone surface backed by a renderbuffer.
    Surface(Device* device, ULONG externalRefs, UINT width, UINT height, D3DFORMAT format, DWORD usage,
            D3DMULTISAMPLE_TYPE ms, GLuint renderbuffer, int samples);
    // Level `level` of a texture; shares the texture's reference count.
    Surface(Texture* container, UINT level, UINT width, UINT height);
    ~Surface() override;

    ULONG AddRef() override;
    ULONG Release() override;
    void bindRef() override;
    void bindUnref() override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetContainer(REFIID, void** ppContainer) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    // Attaches this surface to `attachment` of framebuffer `fbo`.
    void attach(GLuint fbo, GLenum attachment) const;
    // Called after anything drew into the surface.
    void contentsChanged();

    UINT width() const { return width_; }
    UINT height() const { return height_; }
    D3DFORMAT format() const { return format_; }
    const FormatInfo* info() const { return info_; }
    int samples() const { return samples_; }
    bool isDepth() const { return info_ && info_->depth; }
    Texture* container() const { return container_; }

private:
    Texture* container_ = nullptr;
    UINT level_ = 0;
    UINT width_, height_;
    D3DFORMAT format_;
    const FormatInfo* info_;
    DWORD usage_;
    D3DMULTISAMPLE_TYPE ms_ = D3DMULTISAMPLE_NONE;
    GLuint renderbuffer_ = 0;
    int samples_ = 0;
};

class Texture final : public Child<IDirect3DTexture9> {
public:
    Texture(Device* device, GLuint name, UINT width, UINT height, UINT levels, UINT glLevels, DWORD usage,
            D3DFORMAT format, D3DPOOL pool);
    ~Texture() override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return levels_; }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType) override;
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return autoGenFilter_; }
    void GenerateMipSubLevels() override;
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;

    GLuint name() const { return name_; }
    D3DFORMAT format() const { return format_; }
    DWORD usage() const { return usage_; }
    D3DPOOL pool() const { return pool_; }
    const FormatInfo* info() const { return info_; }
    UINT levelWidth(UINT level) const { return std::max(1u, width_ >> level); }
    UINT levelHeight(UINT level) const { return std::max(1u, height_ >> level); }
    // The sub-levels are regenerated before the next draw that samples the texture.
    void markMipsStale() {
        if (usage_ & D3DUSAGE_AUTOGENMIPMAP) mipsStale_ = true;
    }
    void refreshMips() {
        if (mipsStale_) GenerateMipSubLevels();
    }
    ULONG externalRefs() const { return ext_; }

    friend class Surface;

private:
    struct Lock {
        std::vector<uint8_t> bytes;
        RECT rect{};
        UINT pitch = 0;
        DWORD flags = 0;
        bool active = false;
    };

    GLuint name_;
    UINT width_, height_;
    UINT levels_;    // as reported; 1 for automatic mipmaps
    UINT glLevels_;  // allocated in GL
    DWORD usage_;
    D3DFORMAT format_;
    const FormatInfo* info_;
    D3DPOOL pool_;
    D3DTEXTUREFILTERTYPE autoGenFilter_ = D3DTEXF_LINEAR;
    bool mipsStale_ = false;
    std::vector<std::unique_ptr<Surface>> surfaces_;  // created on first GetSurfaceLevel
    std::vector<Lock> locks_;
    std::vector<bool> written_;
};

// Vertex and index buffers: a GL buffer with a CPU copy that Lock hands out, so that a lock
// never waits for the GPU; Unlock uploads the locked range (orphaning the storage when the
// whole buffer or a discarded one is written).
template <class Iface, class Desc>
class Buffer final : public Child<Iface> {
public:
    Buffer(Device* device, GLuint name, std::vector<uint8_t>&& shadow, DWORD usage, D3DPOOL pool, D3DFORMAT format,
           DWORD fvf);
    ~Buffer() override;

    D3DRESOURCETYPE GetType() override;
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(Desc* pDesc) override;

    GLuint name() const { return name_; }
    D3DFORMAT format() const { return format_; }
    UINT size() const { return static_cast<UINT>(shadow_.size()); }

private:
    GLuint name_;
    std::vector<uint8_t> shadow_;
    DWORD usage_;
    D3DPOOL pool_;
    D3DFORMAT format_;
    DWORD fvf_;
    UINT lockOffset_ = 0;
    UINT lockSize_ = 0;
    DWORD lockFlags_ = 0;
    int lockDepth_ = 0;
    bool dirtyAll_ = false;
};
using VertexBuffer = Buffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
using IndexBuffer = Buffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

// One vertex attribute as GL sees it.
struct AttribFormat {
    int location = -1;
    UINT stream = 0;
    GLint size = 0;
    GLenum type = 0;
    GLboolean normalized = GL_FALSE;
    GLuint offset = 0;
};

class VertexDecl final : public Child<IDirect3DVertexDeclaration9> {
public:
    VertexDecl(Device* device, std::vector<D3DVERTEXELEMENT9>&& elements, std::vector<AttribFormat>&& attribs);
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) override;

    const std::vector<AttribFormat>& attribs() const { return attribs_; }
    // Bit s set: the declaration reads stream s.
    uint32_t streamMask() const { return streamMask_; }

private:
    std::vector<D3DVERTEXELEMENT9> elements_;  // including the end marker
    std::vector<AttribFormat> attribs_;
    uint32_t streamMask_ = 0;
};

// Shadow of the GL state the device sets, so that nothing is set twice.
struct GlShadow {
    GLuint program = 0;
    GLuint drawFbo = 0;
    GLuint readFbo = 0;
    GLint viewport[4] = {-1, -1, -1, -1};
    float depthRange[2] = {-1.0f, -1.0f};
    GLint scissor[4] = {-1, -1, -1, -1};
    bool scissorTest = false;
    bool depthTest = false;
    GLenum depthFunc = GL_LESS;
    GLboolean depthMask = GL_TRUE;
    bool cull = false;
    GLenum cullFace = GL_BACK;
    GLenum frontFace = GL_CCW;
    GLenum polygonMode = GL_FILL;
    bool blend = false;
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO, blendSrcAlpha = GL_ONE, blendDstAlpha = GL_ZERO;
    GLenum blendEq = GL_FUNC_ADD, blendEqAlpha = GL_FUNC_ADD;
    uint32_t blendColor = 0;
    uint32_t colorMask = 0xF;
    bool stencilTest = false;
    GLenum stencilFunc[2] = {GL_ALWAYS, GL_ALWAYS};  // front, back
    GLint stencilRef[2] = {0, 0};
    GLuint stencilMask[2] = {~0u, ~0u};
    GLuint stencilWriteMask[2] = {~0u, ~0u};
    GLenum stencilOps[2][3] = {{GL_KEEP, GL_KEEP, GL_KEEP}, {GL_KEEP, GL_KEEP, GL_KEEP}};
    bool polygonOffset = false;
    float polygonOffsetFactor = 0.0f, polygonOffsetUnits = 0.0f;
    bool multisample = true;
    std::array<GLuint, 20> textures{};
};

constexpr UINT kMaxStreams = 16;
constexpr UINT kMaxTextureUnits = 20;  // 16 pixel stages, then 4 vertex-texture samplers
constexpr UINT kMaxRenderTargets = 4;
constexpr UINT kSamplerStates = 14;
constexpr UINT kRenderStates = 256;

class Direct3D final : public IDirect3D9 {
public:
    explicit Direct3D(const GlLimits& limits);
    ~Direct3D();

    HRESULT QueryInterface(REFIID, void** ppvObj) override {
        if (ppvObj) *ppvObj = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    UINT GetAdapterCount() override;
    UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override;
    HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) override;
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat, D3DFORMAT BackBufferFormat,
                            BOOL bWindowed) override;
    HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                              D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL Windowed,
                                       D3DMULTISAMPLE_TYPE MultiSampleType, DWORD* pQualityLevels) override;
    HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                         D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice9** ppReturnedDeviceInterface) override;

    const GlLimits& limits() const { return limits_; }
    void fillCaps(D3DCAPS9& caps) const;
    // Whether `type` samples can back a surface of `format` (D3D_OK or D3DERR_NOTAVAILABLE).
    HRESULT checkMultiSample(D3DFORMAT format, D3DMULTISAMPLE_TYPE type) const;

private:
    std::vector<D3DDISPLAYMODE> modes(UINT adapter, D3DFORMAT format) const;

    ULONG refs_ = 1;
    GlLimits limits_;
};

// Dirty groups flushed before a draw.
enum Dirty : uint32_t {
    kDirtyTargets = 1u << 0,
    kDirtyViewport = 1u << 1,
    kDirtyScissor = 1u << 2,
    kDirtyDepth = 1u << 3,
    kDirtyRaster = 1u << 4,
    kDirtyBlend = 1u << 5,
    kDirtyStencil = 1u << 6,
    kDirtyColorMask = 1u << 7,
    kDirtyDepthBias = 1u << 8,
    kDirtyMultisample = 1u << 9,
    kDirtyTextures = 1u << 10,
    kDirtySamplers = 1u << 11,
    kDirtyVertexInput = 1u << 12,
    kDirtyProgram = 1u << 13,
};

// What the device last told GL about one vertex attribute location or stream binding.
struct AttribShadow {
    bool enabled = false;
    UINT stream = ~0u;
    GLint size = 0;
    GLenum type = 0;
    GLboolean normalized = GL_FALSE;
    GLuint offset = ~0u;
};
struct BindingShadow {
    GLuint buffer = ~0u;
    GLintptr offset = -1;
    GLsizei stride = -1;
    GLuint divisor = ~0u;
};
struct SamplerShadow {
    GLint wrap[3] = {-1, -1, -1};
    GLint minFilter = -1, magFilter = -1;
    float maxAnisotropy = -1.0f;
    float lodBias = -1e30f;
    float minLod = -1e30f;
    DWORD borderColor = 0xFFFFFFFFu;
    bool borderSet = false;
};

struct ProgramInfo {
    GLint pixelOffsetLocation = -1;
    float pixelOffset[2] = {0.0f, 0.0f};
    bool pixelOffsetSet = false;
};

class Device final : public IDirect3DDevice9 {
public:
    Device(Direct3D* d3d, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
           const D3DPRESENT_PARAMETERS& pp);
    ~Device();
    // Opens the window and GL context and builds the back buffer; D3D_OK or the failure.
    HRESULT init(HWND window);

    // IUnknown
    HRESULT QueryInterface(REFIID, void** ppvObj) override {
        if (ppvObj) *ppvObj = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
    HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
    HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const RGNDATA* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface9** ppBackBuffer) override;
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) override;
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                               DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface,
                               HANDLE* pSharedHandle) override;
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                      DWORD MultisampleQuality, BOOL Discard, IDirect3DSurface9** ppSurface,
                                      HANDLE* pSharedHandle) override;
    HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestSurface,
                        const RECT* pDestRect, D3DTEXTUREFILTERTYPE Filter) override;
    HRESULT ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) override;
    HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
    HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
    HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
    HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
    HRESULT SetScissorRect(const RECT* pRect) override;
    HRESULT GetScissorRect(RECT* pRect) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                 UINT NumVertices, UINT startIndex, UINT primCount) override;
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                    IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override;
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                            UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                            UINT* pStride) override;
    HRESULT SetStreamSourceFreq(UINT StreamNumber, UINT Setting) override;
    HRESULT GetStreamSourceFreq(UINT StreamNumber, UINT* pSetting) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
    HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) override;

    // Bridge (d3d9_gl.h).
    void setProgram(GLuint program);
    GLuint program() const { return program_; }
    void forgetProgram(GLuint program);
    HRESULT readSurface(Surface* surface, std::vector<uint32_t>& argb);

    // Makes this device's GL context current (cheap when it already is). Asks SDL rather than
    // trusting a cache: dialogs and message boxes may make a context of their own current.
    void makeCurrent() {
        if (SDL_GL_GetCurrentContext() != context_) makeCurrentSlow();
    }
    const GlLimits& limits() const { return limits_; }
    Direct3D* d3d() const { return d3d_; }
    const D3DPRESENT_PARAMETERS& presentParameters() const { return pp_; }

    // Called by resources as their GL objects go away, so that no shadow names a dead object.
    void forgetTexture(GLuint name);
    void forgetBuffer(GLuint name);
    void forgetSurface(const Surface* surface);

    // GL error state around resource creation.
    static void clearGlErrors();
    static HRESULT glAllocationResult();

private:
    void makeCurrentSlow();
    void setDefaultStates();
    void resetViewportToTarget();
    // Brings GL up to date for a draw; false when the draw cannot happen.
    bool flush(bool instanced);
    void flushTargets();
    void flushViewport();
    void flushScissor();
    void flushDepth();
    void flushRaster();
    void flushBlend();
    void flushStencil();
    void flushColorMask();
    void flushDepthBias();
    void flushTextures();
    void flushSamplers();
    bool flushVertexInput(bool instanced);
    void flushProgram();
    void afterDraw();

    // Shadowed GL setters.
    void glEnableCap(GLenum cap, bool& shadow, bool on);
    void glColorMaskCached(uint32_t mask);
    void glDepthMaskCached(GLboolean on);
    void glStencilWriteMaskCached(GLuint mask);
    void glScissorCached(GLint x, GLint y, GLint w, GLint h);
    void glBindDrawFramebufferCached(GLuint fbo);
    void glBindReadFramebufferCached(GLuint fbo);
    void glBindTextureCached(UINT unit, GLuint name);
    // Attaches `surface` to slot `slot` (0..3 colour, 4 depth) of a scratch framebuffer.
    void attachScratch(GLuint fbo, std::array<const Surface*, 5>& shadow, int slot, const Surface* surface);
    // Resolves a multisampled surface into a single-sampled renderbuffer of its size;
    // returns the framebuffer to read from.
    GLuint resolveForRead(Surface* surface, GLbitfield mask);

    ULONG refs_ = 1;
    Direct3D* d3d_;
    GlLimits limits_;
    D3DDEVICE_CREATION_PARAMETERS creation_{};
    D3DPRESENT_PARAMETERS pp_{};
    SDL_Window* window_ = nullptr;
    bool ownsWindow_ = false;
    bool madeFullscreen_ = false;
    SDL_GLContext context_ = nullptr;
    bool videoInit_ = false;

    Surface* backBuffer_ = nullptr;
    Surface* autoDepth_ = nullptr;
    std::array<Surface*, kMaxRenderTargets> targets_{};
    Surface* depth_ = nullptr;
    std::array<Texture*, kMaxTextureUnits> textures_{};
    std::array<VertexBuffer*, kMaxStreams> streams_{};
    std::array<UINT, kMaxStreams> streamOffset_{};
    std::array<UINT, kMaxStreams> streamStride_{};
    std::array<UINT, kMaxStreams> streamFreq_{};
    IndexBuffer* indices_ = nullptr;
    VertexDecl* decl_ = nullptr;
    GLuint program_ = 0;
    std::unordered_map<GLuint, ProgramInfo> programs_;

    std::array<DWORD, kRenderStates> renderStates_{};
    std::array<std::array<DWORD, kSamplerStates>, kMaxTextureUnits> samplerStates_{};
    D3DVIEWPORT9 viewport_{};
    RECT scissorRect_{};
    bool inScene_ = false;

    uint32_t dirty_ = ~0u;
    uint32_t dirtyTextureUnits_ = 0;
    uint32_t dirtySamplerUnits_ = 0;
    uint32_t boundTextureUnits_ = 0;

    // GL objects and their shadows.
    GlShadow gl_;
    GLuint drawFbo_ = 0;
    GLuint readFbo_ = 0;
    GLuint blitFbo_ = 0;
    GLuint vao_ = 0;
    GLuint resolveRenderbuffer_ = 0;
    GLuint resolveFbo_ = 0;
    UINT resolveWidth_ = 0, resolveHeight_ = 0;
    GLenum resolveFormat_ = 0;
    std::array<GLuint, kMaxTextureUnits> samplers_{};
    std::array<SamplerShadow, kMaxTextureUnits> samplerShadow_{};
    std::array<const Surface*, 5> drawAttached_{};
    std::array<const Surface*, 5> readAttached_{};
    std::array<const Surface*, 5> blitAttached_{};
    bool drawFboComplete_ = false;
    std::array<AttribShadow, kD3d9glAttribCount> attribShadow_{};
    std::array<BindingShadow, kMaxStreams> bindingShadow_{};
    GLuint elementShadow_ = ~0u;
    const VertexDecl* vertexInputDecl_ = nullptr;
    bool vertexInputInstanced_ = false;
    float pixelOffset_[2] = {0.0f, 0.0f};
};

// The GL attributes every context of the stand-in asks for (4.5 core, double-buffered).
void setContextAttributes();

// Samples GL allocates for a multisample type (0 for none).
int samplesFor(D3DMULTISAMPLE_TYPE type);

}  // namespace d3d9gl
