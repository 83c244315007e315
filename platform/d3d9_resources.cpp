// Direct3D 9 resources over GL objects, and the device calls that create them.
// Implements: reference counting of device children, textures (immutable GL storage, CPU locks
//   of managed, system-memory and dynamic textures, automatic mipmaps), surfaces (texture levels,
//   renderbuffer render targets and depth-stencil surfaces), vertex and index buffers (CPU copy,
//   orphaning uploads), vertex declarations (D3DDECLTYPE to GL attribute formats).
// Leaves out: locking render targets and depth surfaces, compressed formats, private data,
//   resource priorities, shared handles.
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "platform/d3d9_internal.h"

namespace d3d9gl {

// ---------------------------------------------------------------------------------------------
// Reference counting
// ---------------------------------------------------------------------------------------------
template <class Iface>
Child<Iface>::Child(Device* device, ULONG externalRefs) : device_(device), ext_(externalRefs) {
    ++gLiveObjects;
    if (ext_ > 0) device_->AddRef();
}

template <class Iface>
Child<Iface>::~Child() {
    --gLiveObjects;
}

template <class Iface>
ULONG Child<Iface>::AddRef() {
    if (ext_++ == 0) device_->AddRef();
    return ext_;
}

template <class Iface>
ULONG Child<Iface>::Release() {
    if (ext_ == 0) return 0;
    ULONG left = --ext_;
    if (left == 0) {
        // The device reference goes last: deleting this object needs the device's context.
        Device* device = device_;
        if (bind_ == 0) delete this;
        device->Release();
    }
    return left;
}

template <class Iface>
void Child<Iface>::bindUnref() {
    if (bind_ > 0 && --bind_ == 0 && ext_ == 0) delete this;
}

template <class Iface>
HRESULT Child<Iface>::GetDevice(IDirect3DDevice9** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *ppDevice = device_;
    return D3D_OK;
}

template class Child<IDirect3DSurface9>;
template class Child<IDirect3DTexture9>;
template class Child<IDirect3DVertexBuffer9>;
template class Child<IDirect3DIndexBuffer9>;
template class Child<IDirect3DVertexDeclaration9>;

namespace {

UINT alignedPitch(UINT width, UINT bpp) { return (width * bpp + 3u) & ~3u; }

bool validRect(const RECT& r, UINT width, UINT height) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && static_cast<UINT>(r.right) <= width &&
           static_cast<UINT>(r.bottom) <= height;
}

// Pixel-store settings for a tightly described client rectangle of `pitch` bytes per row.
void setRowLength(GLenum rowLength, UINT pitch, UINT bpp) {
    glPixelStorei(rowLength, static_cast<GLint>(pitch / bpp));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Surfaces
// ---------------------------------------------------------------------------------------------
Surface::Surface(Device* device, ULONG externalRefs, UINT width, UINT height, D3DFORMAT format, DWORD usage,
                 D3DMULTISAMPLE_TYPE ms, GLuint renderbuffer, int samples)
    : Child(device, externalRefs),
      width_(width),
      height_(height),
      format_(format),
      info_(formatInfo(format)),
      usage_(usage),
      ms_(ms),
      renderbuffer_(renderbuffer),
      samples_(samples) {}

Surface::Surface(Texture* container, UINT level, UINT width, UINT height)
    : Child(container->device(), 0),
      container_(container),
      level_(level),
      width_(width),
      height_(height),
      format_(container->format()),
      info_(container->info()),
      usage_(container->usage()) {}

Surface::~Surface() {
    device_->makeCurrent();
    device_->forgetSurface(this);
    if (renderbuffer_) glDeleteRenderbuffers(1, &renderbuffer_);
}

// A texture level shares the reference count of its texture.
ULONG Surface::AddRef() { return container_ ? container_->AddRef() : Child::AddRef(); }
ULONG Surface::Release() { return container_ ? container_->Release() : Child::Release(); }
void Surface::bindRef() {
    if (container_)
        container_->bindRef();
    else
        Child::bindRef();
}
void Surface::bindUnref() {
    if (container_)
        container_->bindUnref();
    else
        Child::bindUnref();
}

HRESULT Surface::GetContainer(REFIID, void** ppContainer) {
    if (!ppContainer) return D3DERR_INVALIDCALL;
    *ppContainer = nullptr;
    if (!container_) return E_NOINTERFACE;
    container_->AddRef();
    *ppContainer = static_cast<IDirect3DTexture9*>(container_);
    return D3D_OK;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Format = format_;
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Usage = usage_;
    pDesc->Pool = container_ ? container_->pool() : D3DPOOL_DEFAULT;
    pDesc->MultiSampleType = ms_;
    pDesc->MultiSampleQuality = 0;
    pDesc->Width = width_;
    pDesc->Height = height_;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
    if (!container_) return D3DERR_INVALIDCALL;
    return container_->LockRect(level_, pLockedRect, pRect, Flags);
}

HRESULT Surface::UnlockRect() {
    if (!container_) return D3DERR_INVALIDCALL;
    return container_->UnlockRect(level_);
}

void Surface::attach(GLuint fbo, GLenum attachment) const {
    if (container_)
        glNamedFramebufferTexture(fbo, attachment, container_->name(), static_cast<GLint>(level_));
    else
        glNamedFramebufferRenderbuffer(fbo, attachment, GL_RENDERBUFFER, renderbuffer_);
}

void Surface::contentsChanged() {
    if (!container_) return;
    container_->written_[level_] = true;
    if (level_ == 0) container_->markMipsStale();
}

// ---------------------------------------------------------------------------------------------
// Textures
// ---------------------------------------------------------------------------------------------
Texture::Texture(Device* device, GLuint name, UINT width, UINT height, UINT levels, UINT glLevels, DWORD usage,
                 D3DFORMAT format, D3DPOOL pool)
    : Child(device, 1),
      name_(name),
      width_(width),
      height_(height),
      levels_(levels),
      glLevels_(glLevels),
      usage_(usage),
      format_(format),
      info_(formatInfo(format)),
      pool_(pool),
      surfaces_(levels),
      locks_(levels),
      written_(levels, false) {}

Texture::~Texture() {
    device_->makeCurrent();
    surfaces_.clear();
    device_->forgetTexture(name_);
    glDeleteTextures(1, &name_);
}

HRESULT Texture::SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType) {
    if (FilterType == D3DTEXF_NONE || FilterType > D3DTEXF_GAUSSIANQUAD) return D3DERR_INVALIDCALL;
    autoGenFilter_ = FilterType;
    return D3D_OK;
}

void Texture::GenerateMipSubLevels() {
    mipsStale_ = false;
    if (glLevels_ < 2) return;
    device_->makeCurrent();
    glGenerateTextureMipmap(name_);
}

HRESULT Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    if (!pDesc || Level >= levels_) return D3DERR_INVALIDCALL;
    pDesc->Format = format_;
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Usage = usage_;
    pDesc->Pool = pool_;
    pDesc->MultiSampleType = D3DMULTISAMPLE_NONE;
    pDesc->MultiSampleQuality = 0;
    pDesc->Width = levelWidth(Level);
    pDesc->Height = levelHeight(Level);
    return D3D_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) {
    if (!ppSurfaceLevel) return D3DERR_INVALIDCALL;
    *ppSurfaceLevel = nullptr;
    if (Level >= levels_) return D3DERR_INVALIDCALL;
    if (!surfaces_[Level]) {
        surfaces_[Level].reset(new (std::nothrow) Surface(this, Level, levelWidth(Level), levelHeight(Level)));
        if (!surfaces_[Level]) return E_OUTOFMEMORY;
    }
    AddRef();
    *ppSurfaceLevel = surfaces_[Level].get();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
    if (!pLockedRect) return D3DERR_INVALIDCALL;
    pLockedRect->pBits = nullptr;
    pLockedRect->Pitch = 0;
    if (Level >= levels_ || locks_[Level].active) return D3DERR_INVALIDCALL;
    if (usage_ & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
    if (pool_ == D3DPOOL_DEFAULT && !(usage_ & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
    const UINT w = levelWidth(Level), h = levelHeight(Level);
    RECT r{0, 0, static_cast<LONG>(w), static_cast<LONG>(h)};
    if (pRect) {
        if (!validRect(*pRect, w, h)) return D3DERR_INVALIDCALL;
        r = *pRect;
    }
    Lock& lock = locks_[Level];
    const UINT bpp = info_->bytesPerPixel;
    const UINT rw = static_cast<UINT>(r.right - r.left), rh = static_cast<UINT>(r.bottom - r.top);
    lock.pitch = alignedPitch(rw, bpp);
    try {
        lock.bytes.assign(static_cast<size_t>(lock.pitch) * rh, 0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (written_[Level] && !(Flags & D3DLOCK_DISCARD)) {
        device_->makeCurrent();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        setRowLength(GL_PACK_ROW_LENGTH, lock.pitch, bpp);
        glGetTextureSubImage(name_, static_cast<GLint>(Level), r.left, r.top, 0, static_cast<GLsizei>(rw),
                             static_cast<GLsizei>(rh), 1, info_->uploadFormat, info_->uploadType,
                             static_cast<GLsizei>(lock.bytes.size()), lock.bytes.data());
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    }
    lock.rect = r;
    lock.flags = Flags;
    lock.active = true;
    pLockedRect->pBits = lock.bytes.data();
    pLockedRect->Pitch = static_cast<INT>(lock.pitch);
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT Level) {
    if (Level >= levels_ || !locks_[Level].active) return D3DERR_INVALIDCALL;
    Lock& lock = locks_[Level];
    if (!(lock.flags & D3DLOCK_READONLY)) {
        device_->makeCurrent();
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        setRowLength(GL_UNPACK_ROW_LENGTH, lock.pitch, info_->bytesPerPixel);
        glTextureSubImage2D(name_, static_cast<GLint>(Level), lock.rect.left, lock.rect.top,
                            lock.rect.right - lock.rect.left, lock.rect.bottom - lock.rect.top, info_->uploadFormat,
                            info_->uploadType, lock.bytes.data());
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        written_[Level] = true;
        if (Level == 0) markMipsStale();
    }
    std::vector<uint8_t>().swap(lock.bytes);
    lock.active = false;
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Buffers
// ---------------------------------------------------------------------------------------------
template <class Iface, class Desc>
Buffer<Iface, Desc>::Buffer(Device* device, GLuint name, std::vector<uint8_t>&& shadow, DWORD usage, D3DPOOL pool,
                            D3DFORMAT format, DWORD fvf)
    : Child<Iface>(device, 1),
      name_(name),
      shadow_(std::move(shadow)),
      usage_(usage),
      pool_(pool),
      format_(format),
      fvf_(fvf) {}

template <class Iface, class Desc>
Buffer<Iface, Desc>::~Buffer() {
    this->device_->makeCurrent();
    this->device_->forgetBuffer(name_);
    glDeleteBuffers(1, &name_);
}

template <class Iface, class Desc>
D3DRESOURCETYPE Buffer<Iface, Desc>::GetType() {
    return std::is_same_v<Iface, IDirect3DVertexBuffer9> ? D3DRTYPE_VERTEXBUFFER : D3DRTYPE_INDEXBUFFER;
}

template <class Iface, class Desc>
HRESULT Buffer<Iface, Desc>::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) {
    if (!ppbData) return D3DERR_INVALIDCALL;
    *ppbData = nullptr;
    const UINT total = size();
    if (SizeToLock == 0) {
        if (OffsetToLock > total) return D3DERR_INVALIDCALL;
        SizeToLock = total - OffsetToLock;
    }
    if (OffsetToLock > total || SizeToLock > total - OffsetToLock) return D3DERR_INVALIDCALL;
    if (lockDepth_ == 0) {
        lockOffset_ = OffsetToLock;
        lockSize_ = SizeToLock;
        lockFlags_ = Flags;
        dirtyAll_ = false;
    } else {
        // Nested locks widen the range that Unlock uploads.
        const UINT end = std::max(lockOffset_ + lockSize_, OffsetToLock + SizeToLock);
        lockOffset_ = std::min(lockOffset_, OffsetToLock);
        lockSize_ = end - lockOffset_;
        if (!(Flags & D3DLOCK_READONLY)) lockFlags_ &= ~D3DLOCK_READONLY;
        if (!(Flags & D3DLOCK_NOOVERWRITE)) lockFlags_ &= ~D3DLOCK_NOOVERWRITE;
    }
    if ((Flags & D3DLOCK_DISCARD) && (usage_ & D3DUSAGE_DYNAMIC)) dirtyAll_ = true;
    ++lockDepth_;
    *ppbData = shadow_.data() + OffsetToLock;
    return D3D_OK;
}

template <class Iface, class Desc>
HRESULT Buffer<Iface, Desc>::Unlock() {
    if (lockDepth_ == 0) return D3DERR_INVALIDCALL;
    if (--lockDepth_ > 0) return D3D_OK;
    if (lockFlags_ & D3DLOCK_READONLY) return D3D_OK;
    this->device_->makeCurrent();
    const UINT total = size();
    if (dirtyAll_ || lockSize_ == total) {
        // New storage for the whole buffer: draws still reading the old contents keep theirs,
        // so the upload never waits for the GPU.
        glNamedBufferData(name_, total, shadow_.data(), (usage_ & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    } else if (lockFlags_ & D3DLOCK_NOOVERWRITE) {
        // The caller promises not to touch data in use: write without synchronising.
        void* p = glMapNamedBufferRange(name_, lockOffset_, lockSize_,
                                        GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT);
        if (p) {
            std::memcpy(p, shadow_.data() + lockOffset_, lockSize_);
            glUnmapNamedBuffer(name_);
        } else {
            glNamedBufferSubData(name_, lockOffset_, lockSize_, shadow_.data() + lockOffset_);
        }
    } else {
        glNamedBufferSubData(name_, lockOffset_, lockSize_, shadow_.data() + lockOffset_);
    }
    return D3D_OK;
}

template <class Iface, class Desc>
HRESULT Buffer<Iface, Desc>::GetDesc(Desc* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Format = format_;
    pDesc->Type = GetType();
    pDesc->Usage = usage_;
    pDesc->Pool = pool_;
    pDesc->Size = size();
    if constexpr (std::is_same_v<Desc, D3DVERTEXBUFFER_DESC>) pDesc->FVF = fvf_;
    return D3D_OK;
}

template class Buffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
template class Buffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

// ---------------------------------------------------------------------------------------------
// Vertex declarations
// ---------------------------------------------------------------------------------------------
VertexDecl::VertexDecl(Device* device, std::vector<D3DVERTEXELEMENT9>&& elements, std::vector<AttribFormat>&& attribs)
    : Child(device, 1), elements_(std::move(elements)), attribs_(std::move(attribs)) {
    for (const AttribFormat& a : attribs_) streamMask_ |= 1u << a.stream;
}

HRESULT VertexDecl::GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) {
    if (!pNumElements) return D3DERR_INVALIDCALL;
    *pNumElements = static_cast<UINT>(elements_.size());
    if (pElement) std::memcpy(pElement, elements_.data(), elements_.size() * sizeof(D3DVERTEXELEMENT9));
    return D3D_OK;
}

namespace {

// GL attribute format of a D3DDECLTYPE; false for D3DDECLTYPE_UNUSED and unknown types.
bool declTypeFormat(BYTE type, AttribFormat& f) {
    switch (type) {
    case D3DDECLTYPE_FLOAT1: f.size = 1; f.type = GL_FLOAT; return true;
    case D3DDECLTYPE_FLOAT2: f.size = 2; f.type = GL_FLOAT; return true;
    case D3DDECLTYPE_FLOAT3: f.size = 3; f.type = GL_FLOAT; return true;
    case D3DDECLTYPE_FLOAT4: f.size = 4; f.type = GL_FLOAT; return true;
    // D3DCOLOR is the value 0xAARRGGBB: GL reads it with the BGRA size and gets (r, g, b, a).
    case D3DDECLTYPE_D3DCOLOR: f.size = GL_BGRA; f.type = GL_UNSIGNED_BYTE; f.normalized = GL_TRUE; return true;
    case D3DDECLTYPE_UBYTE4: f.size = 4; f.type = GL_UNSIGNED_BYTE; return true;
    case D3DDECLTYPE_SHORT2: f.size = 2; f.type = GL_SHORT; return true;
    case D3DDECLTYPE_SHORT4: f.size = 4; f.type = GL_SHORT; return true;
    case D3DDECLTYPE_UBYTE4N: f.size = 4; f.type = GL_UNSIGNED_BYTE; f.normalized = GL_TRUE; return true;
    case D3DDECLTYPE_SHORT2N: f.size = 2; f.type = GL_SHORT; f.normalized = GL_TRUE; return true;
    case D3DDECLTYPE_SHORT4N: f.size = 4; f.type = GL_SHORT; f.normalized = GL_TRUE; return true;
    case D3DDECLTYPE_USHORT2N: f.size = 2; f.type = GL_UNSIGNED_SHORT; f.normalized = GL_TRUE; return true;
    case D3DDECLTYPE_USHORT4N: f.size = 4; f.type = GL_UNSIGNED_SHORT; f.normalized = GL_TRUE; return true;
    case D3DDECLTYPE_UDEC3: f.size = 4; f.type = GL_UNSIGNED_INT_2_10_10_10_REV; return true;
    case D3DDECLTYPE_DEC3N: f.size = 4; f.type = GL_INT_2_10_10_10_REV; f.normalized = GL_TRUE; return true;
    case D3DDECLTYPE_FLOAT16_2: f.size = 2; f.type = GL_HALF_FLOAT; return true;
    case D3DDECLTYPE_FLOAT16_4: f.size = 4; f.type = GL_HALF_FLOAT; return true;
    default: return false;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------------------------
void Device::clearGlErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

HRESULT Device::glAllocationResult() {
    GLenum err = glGetError();
    clearGlErrors();
    if (err == GL_NO_ERROR) return D3D_OK;
    return err == GL_OUT_OF_MEMORY ? D3DERR_OUTOFVIDEOMEMORY : D3DERR_INVALIDCALL;
}

HRESULT Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) {
    if (!ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    if (pSharedHandle) return D3DERR_INVALIDCALL;
    const UINT maxSize = static_cast<UINT>(limits_.maxTextureSize);
    if (Width == 0 || Height == 0 || Width > maxSize || Height > maxSize) return D3DERR_INVALIDCALL;
    const FormatInfo* info = formatInfo(Format);
    if (!info || Pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    const bool target = Usage & D3DUSAGE_RENDERTARGET, depth = Usage & D3DUSAGE_DEPTHSTENCIL;
    if (target && (!info->colorRenderable || Pool != D3DPOOL_DEFAULT)) return D3DERR_INVALIDCALL;
    if (depth && (!info->depth || Pool != D3DPOOL_DEFAULT)) return D3DERR_INVALIDCALL;
    if (info->depth && !depth) return D3DERR_INVALIDCALL;
    if ((Usage & D3DUSAGE_DYNAMIC) && (Pool == D3DPOOL_MANAGED || target || depth)) return D3DERR_INVALIDCALL;
    UINT full = 1;
    for (UINT s = std::max(Width, Height); s > 1; s >>= 1) ++full;
    UINT levels = Levels, glLevels = Levels;
    if (Usage & D3DUSAGE_AUTOGENMIPMAP) {
        if (Levels > 1 || Pool == D3DPOOL_SYSTEMMEM || Pool == D3DPOOL_SCRATCH || depth) return D3DERR_INVALIDCALL;
        levels = 1;
        glLevels = full;
    } else {
        if (levels == 0) levels = full;
        if (levels > full) return D3DERR_INVALIDCALL;
        glLevels = levels;
    }

    makeCurrent();
    clearGlErrors();
    GLuint name = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &name);
    glTextureStorage2D(name, static_cast<GLsizei>(glLevels), info->internalFormat, static_cast<GLsizei>(Width),
                       static_cast<GLsizei>(Height));
    HRESULT hr = glAllocationResult();
    if (FAILED(hr)) {
        glDeleteTextures(1, &name);
        return hr;
    }
    glTextureParameteriv(name, GL_TEXTURE_SWIZZLE_RGBA, info->swizzle);
    auto* texture = new (std::nothrow) Texture(this, name, Width, Height, levels, glLevels, Usage, Format, Pool);
    if (!texture) {
        glDeleteTextures(1, &name);
        return E_OUTOFMEMORY;
    }
    *ppTexture = texture;
    return D3D_OK;
}

namespace {

// A vertex or index buffer: a CPU shadow that Lock hands out, and the GL buffer it uploads to.
template <class Buffer, class Interface>
HRESULT createBuffer(Device* device, UINT length, DWORD usage, D3DPOOL pool, D3DFORMAT format, DWORD fvf,
                     Interface** out) {
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> shadow;
    try {
        shadow.resize(length);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    device->makeCurrent();
    Device::clearGlErrors();
    GLuint name = 0;
    glCreateBuffers(1, &name);
    glNamedBufferData(name, length, nullptr, (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    HRESULT hr = Device::glAllocationResult();
    if (FAILED(hr)) {
        glDeleteBuffers(1, &name);
        return hr;
    }
    auto* buffer = new (std::nothrow) Buffer(device, name, std::move(shadow), usage, pool, format, fvf);
    if (!buffer) {
        glDeleteBuffers(1, &name);
        return E_OUTOFMEMORY;
    }
    *out = buffer;
    return D3D_OK;
}

}  // namespace

HRESULT Device::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                   IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) {
    if (!ppVertexBuffer) return D3DERR_INVALIDCALL;
    *ppVertexBuffer = nullptr;
    if (pSharedHandle || Length == 0 || Pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    return createBuffer<VertexBuffer>(this, Length, Usage, Pool, D3DFMT_VERTEXDATA, FVF, ppVertexBuffer);
}

HRESULT Device::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) {
    if (!ppIndexBuffer) return D3DERR_INVALIDCALL;
    *ppIndexBuffer = nullptr;
    if (pSharedHandle || Length == 0 || Pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    if (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    return createBuffer<IndexBuffer>(this, Length, Usage, Pool, Format, 0, ppIndexBuffer);
}

namespace {

HRESULT createSurface(Device* device, UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms,
                      DWORD quality, DWORD usage, IDirect3DSurface9** ppSurface, HANDLE* shared) {
    if (!ppSurface) return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    if (shared) return D3DERR_INVALIDCALL;
    const UINT maxSize = static_cast<UINT>(device->limits().maxRenderbufferSize);
    if (width == 0 || height == 0 || width > maxSize || height > maxSize) return D3DERR_INVALIDCALL;
    const FormatInfo* info = formatInfo(format);
    const bool depth = usage & D3DUSAGE_DEPTHSTENCIL;
    if (!info || (depth ? !info->depth : !info->colorRenderable)) return D3DERR_INVALIDCALL;
    if (FAILED(device->d3d()->checkMultiSample(format, ms)) || quality >= 1) return D3DERR_INVALIDCALL;
    device->makeCurrent();
    Device::clearGlErrors();
    GLuint rb = 0;
    glCreateRenderbuffers(1, &rb);
    glNamedRenderbufferStorageMultisample(rb, samplesFor(ms), info->internalFormat, static_cast<GLsizei>(width),
                                          static_cast<GLsizei>(height));
    HRESULT hr = Device::glAllocationResult();
    if (FAILED(hr)) {
        glDeleteRenderbuffers(1, &rb);
        return hr;
    }
    GLint samples = 0;
    glGetNamedRenderbufferParameteriv(rb, GL_RENDERBUFFER_SAMPLES, &samples);
    auto* surface = new (std::nothrow) Surface(device, 1, width, height, format, usage, ms, rb, samples);
    if (!surface) {
        glDeleteRenderbuffers(1, &rb);
        return E_OUTOFMEMORY;
    }
    *ppSurface = surface;
    return D3D_OK;
}

}  // namespace

HRESULT Device::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                   DWORD MultisampleQuality, BOOL, IDirect3DSurface9** ppSurface,
                                   HANDLE* pSharedHandle) {
    return createSurface(this, Width, Height, Format, MultiSample, MultisampleQuality, D3DUSAGE_RENDERTARGET,
                         ppSurface, pSharedHandle);
}

HRESULT Device::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                          DWORD MultisampleQuality, BOOL, IDirect3DSurface9** ppSurface,
                                          HANDLE* pSharedHandle) {
    return createSurface(this, Width, Height, Format, MultiSample, MultisampleQuality, D3DUSAGE_DEPTHSTENCIL,
                         ppSurface, pSharedHandle);
}

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                        IDirect3DVertexDeclaration9** ppDecl) {
    if (!ppDecl) return D3DERR_INVALIDCALL;
    *ppDecl = nullptr;
    if (!pVertexElements) return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> elements;
    std::vector<AttribFormat> attribs;
    uint32_t usedLocations = 0;
    for (UINT i = 0;; ++i) {
        if (i >= MAXD3DDECLLENGTH) return D3DERR_INVALIDCALL;  // no end marker within bounds
        const D3DVERTEXELEMENT9& e = pVertexElements[i];
        elements.push_back(e);
        if (e.Stream == 0xFF) break;
        AttribFormat f;
        if (e.Stream >= kMaxStreams || (e.Offset & 3u) != 0 || !declTypeFormat(e.Type, f) ||
            e.Usage > D3DDECLUSAGE_SAMPLE || e.Method > D3DDECLMETHOD_LOOKUPPRESAMPLED)
            return D3DERR_INVALIDCALL;
        for (UINT j = 0; j + 1 < elements.size(); ++j) {
            if (elements[j].Usage == e.Usage && elements[j].UsageIndex == e.UsageIndex) return D3DERR_INVALIDCALL;
        }
        f.location = d3d9glAttribLocation(e.Usage, e.UsageIndex);
        if (f.location < 0 || (usedLocations & (1u << f.location))) continue;  // nothing in GL reads it
        usedLocations |= 1u << f.location;
        f.stream = e.Stream;
        f.offset = e.Offset;
        attribs.push_back(f);
    }
    auto* decl = new (std::nothrow) VertexDecl(this, std::move(elements), std::move(attribs));
    if (!decl) return E_OUTOFMEMORY;
    *ppDecl = decl;
    return D3D_OK;
}

}  // namespace d3d9gl
