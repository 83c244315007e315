// The Direct3D 9 device over one OpenGL 4.5 core context.
// Implements: device creation on an SDL window (or a hidden one of its own), the back buffer as
//   a framebuffer object presented with a flipping blit, fullscreen mode changes, presentation
//   intervals, render targets and depth-stencil surfaces, scenes, Clear, StretchRect (with
//   multisample resolves), ColorFill, viewports, scissor rectangles, streams with instancing
//   frequencies, indices, declarations, texture binding, indexed and plain draws.
// Leaves out: Reset and device loss, additional swap chains, cursors, gamma, user-pointer draws,
//   locking the back buffer, stretching into multisampled surfaces.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/d3d9_internal.h"

namespace d3d9gl {

namespace {

template <class T>
void rebind(T*& slot, T* object) {
    if (slot == object) return;
    if (object) object->bindRef();
    T* old = slot;
    slot = object;
    if (old) old->bindUnref();
}

template <class T>
void unbind(T*& slot) {
    T* old = slot;
    slot = nullptr;
    if (old) old->bindUnref();
}

// GL texture unit of a Direct3D sampler stage, -1 when there is none.
int stageUnit(DWORD stage) {
    if (stage < 16) return static_cast<int>(stage);
    if (stage >= D3DVERTEXTEXTURESAMPLER0 && stage <= D3DVERTEXTEXTURESAMPLER3)
        return static_cast<int>(16 + stage - D3DVERTEXTEXTURESAMPLER0);
    return -1;
}

RECT wholeRect(const Surface* s) { return RECT{0, 0, static_cast<LONG>(s->width()), static_cast<LONG>(s->height())}; }

bool rectInside(const RECT& r, const Surface* s) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           static_cast<UINT>(r.right) <= s->width() && static_cast<UINT>(r.bottom) <= s->height();
}

GLenum primitiveMode(D3DPRIMITIVETYPE type, UINT primitives, GLsizei& count) {
    switch (type) {
    case D3DPT_POINTLIST: count = static_cast<GLsizei>(primitives); return GL_POINTS;
    case D3DPT_LINELIST: count = static_cast<GLsizei>(primitives * 2); return GL_LINES;
    case D3DPT_LINESTRIP: count = static_cast<GLsizei>(primitives + 1); return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: count = static_cast<GLsizei>(primitives * 3); return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: count = static_cast<GLsizei>(primitives + 2); return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: count = static_cast<GLsizei>(primitives + 2); return GL_TRIANGLE_FAN;
    default: count = 0; return 0;
    }
}

GLenum depthAttachment(const Surface* s) {
    return s->info()->stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Creation and destruction
// ---------------------------------------------------------------------------------------------
Device::Device(Direct3D* d3d, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
               const D3DPRESENT_PARAMETERS& pp)
    : d3d_(d3d), limits_(d3d->limits()), pp_(pp) {
    ++gLiveObjects;
    d3d_->AddRef();
    creation_.AdapterOrdinal = adapter;
    creation_.DeviceType = type;
    creation_.hFocusWindow = focus;
    creation_.BehaviorFlags = flags;
}

HRESULT Device::init(HWND window) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return D3DERR_NOTAVAILABLE;
    videoInit_ = true;
    if (window) {
        window_ = win32SdlWindow(window);  // the Win32 stand-in's SDL window
        if (!window_) return D3DERR_INVALIDCALL;
        if (!(SDL_GetWindowFlags(window_) & SDL_WINDOW_OPENGL)) {
            std::fprintf(stderr, "CreateDevice: the window was not created for OpenGL\n");
            return D3DERR_INVALIDCALL;
        }
    }
    if (pp_.BackBufferWidth == 0 || pp_.BackBufferHeight == 0) {
        // A windowed back buffer of size zero takes the client area's size.
        if (!pp_.Windowed || !window_) return D3DERR_INVALIDCALL;
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        if (pp_.BackBufferWidth == 0) pp_.BackBufferWidth = static_cast<UINT>(std::max(0, w));
        if (pp_.BackBufferHeight == 0) pp_.BackBufferHeight = static_cast<UINT>(std::max(0, h));
        if (pp_.BackBufferWidth == 0 || pp_.BackBufferHeight == 0) return D3DERR_INVALIDCALL;
    }
    const UINT maxSize = static_cast<UINT>(std::min(limits_.maxTextureSize, limits_.maxRenderbufferSize));
    if (pp_.BackBufferWidth > maxSize || pp_.BackBufferHeight > maxSize) return D3DERR_NOTAVAILABLE;
    if (pp_.BackBufferFormat == D3DFMT_UNKNOWN) pp_.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (pp_.BackBufferCount == 0) pp_.BackBufferCount = 1;

    setContextAttributes();
    const bool debugGl = std::getenv("ORLUNDE_GL_DEBUG") != nullptr;
    if (debugGl) SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_DEBUG_FLAG);
    if (!window_) {
        window_ = SDL_CreateWindow("orlunde", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                   static_cast<int>(pp_.BackBufferWidth), static_cast<int>(pp_.BackBufferHeight),
                                   SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window_) {
            std::fprintf(stderr, "CreateDevice: no window: %s\n", SDL_GetError());
            return D3DERR_NOTAVAILABLE;
        }
        ownsWindow_ = true;
    }
    context_ = SDL_GL_CreateContext(window_);
    if (debugGl) SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
    if (!context_) {
        std::fprintf(stderr, "CreateDevice: no OpenGL 4.5 core context: %s\n", SDL_GetError());
        return D3DERR_NOTAVAILABLE;
    }
    if (debugGl) {
        // ORLUNDE_GL_DEBUG: every GL error and warning of this context goes to standard error.
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
        glDebugMessageCallback(
            [](GLenum, GLenum type, GLuint, GLenum severity, GLsizei, const GLchar* message, const void*) {
                if (severity != GL_DEBUG_SEVERITY_NOTIFICATION || type == GL_DEBUG_TYPE_ERROR)
                    std::fprintf(stderr, "GL: %s\n", message);
            },
            nullptr);
    }
    // Immediate presentation never waits for the retrace; the default waits for one.
    const UINT interval = pp_.PresentationInterval;
    int swap = interval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0
               : interval == D3DPRESENT_INTERVAL_TWO     ? 2
               : interval == D3DPRESENT_INTERVAL_THREE   ? 3
               : interval == D3DPRESENT_INTERVAL_FOUR    ? 4
                                                         : 1;
    if (SDL_GL_SetSwapInterval(swap) != 0 && swap > 1) SDL_GL_SetSwapInterval(1);

    if (!pp_.Windowed && !ownsWindow_) {
        SDL_DisplayMode mode{};
        mode.format = SDL_PIXELFORMAT_RGB888;
        mode.w = static_cast<int>(pp_.BackBufferWidth);
        mode.h = static_cast<int>(pp_.BackBufferHeight);
        mode.refresh_rate = static_cast<int>(pp_.FullScreen_RefreshRateInHz);
        if (SDL_SetWindowDisplayMode(window_, &mode) != 0 || SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) != 0) {
            std::fprintf(stderr, "CreateDevice: no fullscreen mode %ux%u: %s\n", pp_.BackBufferWidth,
                         pp_.BackBufferHeight, SDL_GetError());
            return D3DERR_NOTAVAILABLE;
        }
        madeFullscreen_ = true;
    }

    // Direct3D's conventions: render-target row 0 is the top row, depth runs 0..1.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glCreateFramebuffers(1, &drawFbo_);
    glCreateFramebuffers(1, &readFbo_);
    glCreateFramebuffers(1, &blitFbo_);
    glCreateVertexArrays(1, &vao_);
    glBindVertexArray(vao_);
    glCreateSamplers(static_cast<GLsizei>(kMaxTextureUnits), samplers_.data());
    for (UINT u = 0; u < kMaxTextureUnits; ++u) glBindSampler(u, samplers_[u]);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    // The back buffer and the automatic depth buffer belong to the device (no external ref).
    const FormatInfo* bbInfo = formatInfo(pp_.BackBufferFormat);
    clearGlErrors();
    GLuint rb = 0;
    glCreateRenderbuffers(1, &rb);
    glNamedRenderbufferStorageMultisample(rb, samplesFor(pp_.MultiSampleType), bbInfo->internalFormat,
                                          static_cast<GLsizei>(pp_.BackBufferWidth),
                                          static_cast<GLsizei>(pp_.BackBufferHeight));
    if (HRESULT hr = glAllocationResult(); FAILED(hr)) {
        glDeleteRenderbuffers(1, &rb);
        return hr;
    }
    GLint samples = 0;
    glGetNamedRenderbufferParameteriv(rb, GL_RENDERBUFFER_SAMPLES, &samples);
    backBuffer_ = new Surface(this, 0, pp_.BackBufferWidth, pp_.BackBufferHeight, pp_.BackBufferFormat,
                              D3DUSAGE_RENDERTARGET, pp_.MultiSampleType, rb, samples);
    backBuffer_->bindRef();
    if (pp_.EnableAutoDepthStencil) {
        const FormatInfo* dsInfo = formatInfo(pp_.AutoDepthStencilFormat);
        GLuint ds = 0;
        glCreateRenderbuffers(1, &ds);
        glNamedRenderbufferStorageMultisample(ds, samplesFor(pp_.MultiSampleType), dsInfo->internalFormat,
                                              static_cast<GLsizei>(pp_.BackBufferWidth),
                                              static_cast<GLsizei>(pp_.BackBufferHeight));
        if (HRESULT hr = glAllocationResult(); FAILED(hr)) {
            glDeleteRenderbuffers(1, &ds);
            return hr;
        }
        glGetNamedRenderbufferParameteriv(ds, GL_RENDERBUFFER_SAMPLES, &samples);
        autoDepth_ = new Surface(this, 0, pp_.BackBufferWidth, pp_.BackBufferHeight, pp_.AutoDepthStencilFormat,
                                 D3DUSAGE_DEPTHSTENCIL, pp_.MultiSampleType, ds, samples);
        autoDepth_->bindRef();
    }
    setDefaultStates();
    rebind(targets_[0], backBuffer_);
    rebind(depth_, autoDepth_);
    resetViewportToTarget();
    dirty_ = ~0u;
    return D3D_OK;
}

Device::~Device() {
    if (context_) {
        makeCurrent();
        for (auto& t : targets_) unbind(t);
        unbind(depth_);
        for (auto& t : textures_) unbind(t);
        for (auto& s : streams_) unbind(s);
        unbind(indices_);
        unbind(decl_);
        if (backBuffer_) backBuffer_->bindUnref();
        if (autoDepth_) autoDepth_->bindUnref();
        glBindVertexArray(0);
        glDeleteVertexArrays(1, &vao_);
        glDeleteSamplers(static_cast<GLsizei>(kMaxTextureUnits), samplers_.data());
        GLuint fbos[] = {drawFbo_, readFbo_, blitFbo_, resolveFbo_};
        glDeleteFramebuffers(4, fbos);
        if (resolveRenderbuffer_) glDeleteRenderbuffers(1, &resolveRenderbuffer_);
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
    }
    if (madeFullscreen_) SDL_SetWindowFullscreen(window_, 0);
    if (ownsWindow_ && window_) SDL_DestroyWindow(window_);
    if (videoInit_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    d3d_->Release();
    --gLiveObjects;
}

ULONG Device::Release() {
    if (refs_ == 0) return 0;
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

void Device::makeCurrentSlow() { SDL_GL_MakeCurrent(window_, context_); }

HRESULT Device::GetDirect3D(IDirect3D9** ppD3D9) {
    if (!ppD3D9) return D3DERR_INVALIDCALL;
    d3d_->AddRef();
    *ppD3D9 = d3d_;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* pCaps) {
    if (!pCaps) return D3DERR_INVALIDCALL;
    d3d_->fillCaps(*pCaps);
    pCaps->AdapterOrdinal = pCaps->MasterAdapterOrdinal = creation_.AdapterOrdinal;
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) {
    if (!pMode || iSwapChain != 0) return D3DERR_INVALIDCALL;
    if (!pp_.Windowed) {
        *pMode = D3DDISPLAYMODE{pp_.BackBufferWidth, pp_.BackBufferHeight, pp_.FullScreen_RefreshRateInHz,
                                pp_.BackBufferFormat};
        return D3D_OK;
    }
    return d3d_->GetAdapterDisplayMode(creation_.AdapterOrdinal, pMode);
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) {
    if (!pParameters) return D3DERR_INVALIDCALL;
    *pParameters = creation_;
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Presentation
// ---------------------------------------------------------------------------------------------
HRESULT Device::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND, const RGNDATA*) {
    makeCurrent();
    RECT src = wholeRect(backBuffer_);
    if (pSourceRect) {
        if (!rectInside(*pSourceRect, backBuffer_)) return D3DERR_INVALIDCALL;
        src = *pSourceRect;
    }
    if (ownsWindow_) {
        // Nothing is on screen: finishing the submitted work is all a present means here.
        glFlush();
        return D3D_OK;
    }
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(window_, &dw, &dh);
    RECT dst{0, 0, dw, dh};
    if (pDestRect) dst = *pDestRect;
    GLuint fbo = resolveForRead(backBuffer_, GL_COLOR_BUFFER_BIT);
    glEnableCap(GL_SCISSOR_TEST, gl_.scissorTest, false);
    dirty_ |= kDirtyScissor;
    const bool scaled = (src.right - src.left) != (dst.right - dst.left) || (src.bottom - src.top) != (dst.bottom - dst.top);
    // The window's framebuffer has its origin at the bottom: flip while copying.
    glBlitNamedFramebuffer(fbo, 0, src.left, src.top, src.right, src.bottom, dst.left, dh - dst.top, dst.right,
                           dh - dst.bottom, GL_COLOR_BUFFER_BIT, scaled ? GL_LINEAR : GL_NEAREST);
    SDL_GL_SwapWindow(window_);
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE, IDirect3DSurface9** ppBackBuffer) {
    if (!ppBackBuffer) return D3DERR_INVALIDCALL;
    *ppBackBuffer = nullptr;
    if (iSwapChain != 0 || iBackBuffer >= pp_.BackBufferCount) return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *ppBackBuffer = backBuffer_;
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Targets
// ---------------------------------------------------------------------------------------------
void Device::resetViewportToTarget() {
    const Surface* rt = targets_[0];
    viewport_ = D3DVIEWPORT9{0, 0, rt->width(), rt->height(), 0.0f, 1.0f};
    scissorRect_ = RECT{0, 0, static_cast<LONG>(rt->width()), static_cast<LONG>(rt->height())};
    dirty_ |= kDirtyViewport | kDirtyScissor | kDirtyProgram;
}

HRESULT Device::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) {
    const UINT slots = std::min<UINT>(kMaxRenderTargets, static_cast<UINT>(limits_.maxColorAttachments));
    if (RenderTargetIndex >= slots) return D3DERR_INVALIDCALL;
    Surface* s = nullptr;
    if (pRenderTarget) {
        s = dynamic_cast<Surface*>(pRenderTarget);
        if (!s || s->device() != this || s->isDepth()) return D3DERR_INVALIDCALL;
        D3DSURFACE_DESC desc;
        s->GetDesc(&desc);
        if (!(desc.Usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    } else if (RenderTargetIndex == 0) {
        return D3DERR_INVALIDCALL;
    }
    rebind(targets_[RenderTargetIndex], s);
    dirty_ |= kDirtyTargets;
    // Setting target 0 resets the viewport and scissor rectangle to the whole target.
    if (RenderTargetIndex == 0) resetViewportToTarget();
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) {
    if (!ppRenderTarget) return D3DERR_INVALIDCALL;
    *ppRenderTarget = nullptr;
    if (RenderTargetIndex >= kMaxRenderTargets) return D3DERR_INVALIDCALL;
    Surface* s = targets_[RenderTargetIndex];
    if (!s) return D3DERR_NOTFOUND;
    s->AddRef();
    *ppRenderTarget = s;
    return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) {
    Surface* s = nullptr;
    if (pNewZStencil) {
        s = dynamic_cast<Surface*>(pNewZStencil);
        if (!s || s->device() != this || !s->isDepth()) return D3DERR_INVALIDCALL;
    }
    rebind(depth_, s);
    dirty_ |= kDirtyTargets;
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) {
    if (!ppZStencilSurface) return D3DERR_INVALIDCALL;
    *ppZStencilSurface = nullptr;
    if (!depth_) return D3DERR_NOTFOUND;
    depth_->AddRef();
    *ppZStencilSurface = depth_;
    return D3D_OK;
}

HRESULT Device::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT Device::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) {
    if (Flags == 0 || (Flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL))) return D3DERR_INVALIDCALL;
    if (Count > 0 && !pRects) return D3DERR_INVALIDCALL;
    if ((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depth_) return D3DERR_INVALIDCALL;
    if ((Flags & D3DCLEAR_STENCIL) && !depth_->info()->stencil) return D3DERR_INVALIDCALL;
    makeCurrent();
    if (dirty_ & kDirtyTargets) flushTargets();
    if (!drawFboComplete_) return D3DERR_INVALIDCALL;

    // Clears reach the viewport (and the scissor rectangle when it is on) with every mask open.
    RECT area{static_cast<LONG>(viewport_.X), static_cast<LONG>(viewport_.Y),
              static_cast<LONG>(viewport_.X + viewport_.Width), static_cast<LONG>(viewport_.Y + viewport_.Height)};
    if (renderStates_[D3DRS_SCISSORTESTENABLE]) {
        area.left = std::max(area.left, scissorRect_.left);
        area.top = std::max(area.top, scissorRect_.top);
        area.right = std::min(area.right, scissorRect_.right);
        area.bottom = std::min(area.bottom, scissorRect_.bottom);
    }
    glColorMaskCached(0xF);
    glDepthMaskCached(GL_TRUE);
    glStencilWriteMaskCached(0xFFu);
    glEnableCap(GL_SCISSOR_TEST, gl_.scissorTest, true);
    dirty_ |= kDirtyColorMask | kDirtyDepth | kDirtyStencil | kDirtyScissor;

    const float rgba[4] = {static_cast<float>((Color >> 16) & 0xFF) / 255.0f,
                           static_cast<float>((Color >> 8) & 0xFF) / 255.0f, static_cast<float>(Color & 0xFF) / 255.0f,
                           static_cast<float>(Color >> 24) / 255.0f};
    const float depth = std::clamp(Z, 0.0f, 1.0f);
    const GLint stencil = static_cast<GLint>(Stencil & 0xFF);
    const DWORD rects = Count > 0 ? Count : 1;
    for (DWORD i = 0; i < rects; ++i) {
        RECT r = area;
        if (Count > 0) {
            r.left = std::max(r.left, pRects[i].x1);
            r.top = std::max(r.top, pRects[i].y1);
            r.right = std::min(r.right, pRects[i].x2);
            r.bottom = std::min(r.bottom, pRects[i].y2);
        }
        if (r.left >= r.right || r.top >= r.bottom) continue;
        glScissorCached(r.left, r.top, r.right - r.left, r.bottom - r.top);
        if (Flags & D3DCLEAR_TARGET) {
            for (UINT t = 0; t < kMaxRenderTargets; ++t) {
                if (targets_[t]) glClearNamedFramebufferfv(drawFbo_, GL_COLOR, static_cast<GLint>(t), rgba);
            }
        }
        const bool z = Flags & D3DCLEAR_ZBUFFER, s = Flags & D3DCLEAR_STENCIL;
        if (z && s)
            glClearNamedFramebufferfi(drawFbo_, GL_DEPTH_STENCIL, 0, depth, stencil);
        else if (z)
            glClearNamedFramebufferfv(drawFbo_, GL_DEPTH, 0, &depth);
        else if (s)
            glClearNamedFramebufferiv(drawFbo_, GL_STENCIL, 0, &stencil);
    }
    if (Flags & D3DCLEAR_TARGET) afterDraw();
    return D3D_OK;
}

HRESULT Device::StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestSurface,
                            const RECT* pDestRect, D3DTEXTUREFILTERTYPE Filter) {
    auto* src = dynamic_cast<Surface*>(pSourceSurface);
    auto* dst = dynamic_cast<Surface*>(pDestSurface);
    if (!src || !dst || src == dst || src->device() != this || dst->device() != this) return D3DERR_INVALIDCALL;
    if (Filter != D3DTEXF_NONE && Filter != D3DTEXF_POINT && Filter != D3DTEXF_LINEAR) return D3DERR_INVALIDCALL;
    if (src->isDepth() != dst->isDepth()) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC dd;
    dst->GetDesc(&dd);
    if (!(dd.Usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL))) return D3DERR_INVALIDCALL;
    RECT sr = pSourceRect ? *pSourceRect : wholeRect(src);
    RECT dr = pDestRect ? *pDestRect : wholeRect(dst);
    if (!rectInside(sr, src) || !rectInside(dr, dst)) return D3DERR_INVALIDCALL;
    const bool scaled = (sr.right - sr.left) != (dr.right - dr.left) || (sr.bottom - sr.top) != (dr.bottom - dr.top);
    if (dst->samples() > 0 && (src->samples() != dst->samples() || scaled)) return D3DERR_INVALIDCALL;
    if (src->isDepth() && (scaled || src->format() != dst->format() || inScene_)) return D3DERR_INVALIDCALL;

    makeCurrent();
    const GLbitfield mask = src->isDepth() ? (GL_DEPTH_BUFFER_BIT | (src->info()->stencil ? GL_STENCIL_BUFFER_BIT : 0))
                                           : GL_COLOR_BUFFER_BIT;
    GLuint from = readFbo_;
    if (src->samples() > 0 && dst->samples() == 0 && scaled) {
        from = resolveForRead(src, mask);  // resolve first: a multisample blit cannot scale
    } else if (src->isDepth()) {
        attachScratch(readFbo_, readAttached_, 4, src);
    } else {
        attachScratch(readFbo_, readAttached_, 0, src);
        glNamedFramebufferReadBuffer(readFbo_, GL_COLOR_ATTACHMENT0);
    }
    if (dst->isDepth()) {
        attachScratch(blitFbo_, blitAttached_, 4, dst);
    } else {
        attachScratch(blitFbo_, blitAttached_, 0, dst);
        glNamedFramebufferDrawBuffer(blitFbo_, GL_COLOR_ATTACHMENT0);
    }
    glEnableCap(GL_SCISSOR_TEST, gl_.scissorTest, false);
    dirty_ |= kDirtyScissor;
    const GLenum filter = (Filter == D3DTEXF_LINEAR && scaled && !src->isDepth()) ? GL_LINEAR : GL_NEAREST;
    glBlitNamedFramebuffer(from, blitFbo_, sr.left, sr.top, sr.right, sr.bottom, dr.left, dr.top, dr.right, dr.bottom,
                           mask, filter);
    dst->contentsChanged();
    return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) {
    auto* s = dynamic_cast<Surface*>(pSurface);
    if (!s || s->device() != this || s->isDepth()) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc;
    s->GetDesc(&desc);
    if (!(desc.Usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    RECT r = pRect ? *pRect : wholeRect(s);
    if (!rectInside(r, s)) return D3DERR_INVALIDCALL;
    makeCurrent();
    attachScratch(blitFbo_, blitAttached_, 0, s);
    glNamedFramebufferDrawBuffer(blitFbo_, GL_COLOR_ATTACHMENT0);
    glColorMaskCached(0xF);
    glEnableCap(GL_SCISSOR_TEST, gl_.scissorTest, true);
    glScissorCached(r.left, r.top, r.right - r.left, r.bottom - r.top);
    dirty_ |= kDirtyColorMask | kDirtyScissor;
    const float rgba[4] = {static_cast<float>((color >> 16) & 0xFF) / 255.0f,
                           static_cast<float>((color >> 8) & 0xFF) / 255.0f, static_cast<float>(color & 0xFF) / 255.0f,
                           static_cast<float>(color >> 24) / 255.0f};
    glClearNamedFramebufferfv(blitFbo_, GL_COLOR, 0, rgba);
    s->contentsChanged();
    return D3D_OK;
}

GLuint Device::resolveForRead(Surface* surface, GLbitfield mask) {
    glEnableCap(GL_SCISSOR_TEST, gl_.scissorTest, false);
    dirty_ |= kDirtyScissor;
    const bool depth = surface->isDepth();
    attachScratch(readFbo_, readAttached_, depth ? 4 : 0, surface);
    if (!depth) glNamedFramebufferReadBuffer(readFbo_, GL_COLOR_ATTACHMENT0);
    if (surface->samples() == 0) return readFbo_;
    const GLenum format = surface->info()->internalFormat;
    if (!resolveFbo_ || resolveWidth_ != surface->width() || resolveHeight_ != surface->height() ||
        resolveFormat_ != format) {
        if (resolveRenderbuffer_) glDeleteRenderbuffers(1, &resolveRenderbuffer_);
        if (!resolveFbo_) glCreateFramebuffers(1, &resolveFbo_);
        glCreateRenderbuffers(1, &resolveRenderbuffer_);
        glNamedRenderbufferStorage(resolveRenderbuffer_, format, static_cast<GLsizei>(surface->width()),
                                   static_cast<GLsizei>(surface->height()));
        glNamedFramebufferRenderbuffer(resolveFbo_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
        glNamedFramebufferRenderbuffer(resolveFbo_, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
        glNamedFramebufferRenderbuffer(resolveFbo_, depth ? depthAttachment(surface) : GL_COLOR_ATTACHMENT0,
                                       GL_RENDERBUFFER, resolveRenderbuffer_);
        resolveWidth_ = surface->width();
        resolveHeight_ = surface->height();
        resolveFormat_ = format;
    }
    if (!depth) {
        glNamedFramebufferDrawBuffer(resolveFbo_, GL_COLOR_ATTACHMENT0);
        glNamedFramebufferReadBuffer(resolveFbo_, GL_COLOR_ATTACHMENT0);
    }
    const GLint w = static_cast<GLint>(surface->width()), h = static_cast<GLint>(surface->height());
    glBlitNamedFramebuffer(readFbo_, resolveFbo_, 0, 0, w, h, 0, 0, w, h, mask, GL_NEAREST);
    return resolveFbo_;
}

HRESULT Device::readSurface(Surface* surface, std::vector<uint32_t>& argb) {
    if (surface->isDepth()) return D3DERR_INVALIDCALL;
    makeCurrent();
    GLuint fbo = resolveForRead(surface, GL_COLOR_BUFFER_BIT);
    glBindReadFramebufferCached(fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    const UINT w = surface->width(), h = surface->height();
    argb.assign(static_cast<size_t>(w) * h, 0);
    glReadnPixels(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                  static_cast<GLsizei>(argb.size() * sizeof(uint32_t)), argb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // A scratch framebuffer left bound for reading would be revalidated, and found empty, once
    // its surface is gone.
    glBindReadFramebufferCached(0);
    if (surface->info()->opaque) {
        for (uint32_t& p : argb) p |= 0xFF000000u;
    }
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Viewport and scissor
// ---------------------------------------------------------------------------------------------
HRESULT Device::SetViewport(const D3DVIEWPORT9* vp) {
    if (!vp) return D3DERR_INVALIDCALL;
    const Surface* rt = targets_[0];
    if (vp->Width == 0 || vp->Height == 0 || vp->X + vp->Width > rt->width() || vp->Y + vp->Height > rt->height() ||
        vp->X > rt->width() || vp->Y > rt->height())
        return D3DERR_INVALIDCALL;
    if (!(vp->MinZ >= 0.0f && vp->MinZ <= 1.0f && vp->MaxZ >= 0.0f && vp->MaxZ <= 1.0f)) return D3DERR_INVALIDCALL;
    if (std::memcmp(vp, &viewport_, sizeof viewport_) == 0) return D3D_OK;
    viewport_ = *vp;
    dirty_ |= kDirtyViewport | kDirtyProgram;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* pViewport) {
    if (!pViewport) return D3DERR_INVALIDCALL;
    *pViewport = viewport_;
    return D3D_OK;
}

HRESULT Device::SetScissorRect(const RECT* pRect) {
    if (!pRect || pRect->left > pRect->right || pRect->top > pRect->bottom) return D3DERR_INVALIDCALL;
    scissorRect_ = *pRect;
    dirty_ |= kDirtyScissor;
    return D3D_OK;
}

HRESULT Device::GetScissorRect(RECT* pRect) {
    if (!pRect) return D3DERR_INVALIDCALL;
    *pRect = scissorRect_;
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Vertex input, textures
// ---------------------------------------------------------------------------------------------
HRESULT Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                UINT Stride) {
    if (StreamNumber >= kMaxStreams) return D3DERR_INVALIDCALL;
    VertexBuffer* vb = nullptr;
    if (pStreamData) {
        vb = dynamic_cast<VertexBuffer*>(pStreamData);
        if (!vb || vb->device() != this) return D3DERR_INVALIDCALL;
    }
    if (streams_[StreamNumber] == vb && streamOffset_[StreamNumber] == OffsetInBytes &&
        streamStride_[StreamNumber] == Stride)
        return D3D_OK;
    rebind(streams_[StreamNumber], vb);
    streamOffset_[StreamNumber] = OffsetInBytes;
    streamStride_[StreamNumber] = Stride;
    dirty_ |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                                UINT* pStride) {
    if (!ppStreamData || !pOffsetInBytes || !pStride) return D3DERR_INVALIDCALL;
    *ppStreamData = nullptr;
    if (StreamNumber >= kMaxStreams) return D3DERR_INVALIDCALL;
    if (VertexBuffer* vb = streams_[StreamNumber]) {
        vb->AddRef();
        *ppStreamData = vb;
    }
    *pOffsetInBytes = streamOffset_[StreamNumber];
    *pStride = streamStride_[StreamNumber];
    return D3D_OK;
}

HRESULT Device::SetStreamSourceFreq(UINT StreamNumber, UINT Setting) {
    if (StreamNumber >= kMaxStreams) return D3DERR_INVALIDCALL;
    const bool indexed = Setting & D3DSTREAMSOURCE_INDEXEDDATA, instance = Setting & D3DSTREAMSOURCE_INSTANCEDATA;
    if ((indexed && instance) || (Setting & 0x3FFFFFFFu) == 0) return D3DERR_INVALIDCALL;
    if (StreamNumber == 0 && instance) return D3DERR_INVALIDCALL;
    if (streamFreq_[StreamNumber] == Setting) return D3D_OK;
    streamFreq_[StreamNumber] = Setting;
    dirty_ |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT Device::GetStreamSourceFreq(UINT StreamNumber, UINT* pSetting) {
    if (!pSetting || StreamNumber >= kMaxStreams) return D3DERR_INVALIDCALL;
    *pSetting = streamFreq_[StreamNumber];
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* pIndexData) {
    IndexBuffer* ib = nullptr;
    if (pIndexData) {
        ib = dynamic_cast<IndexBuffer*>(pIndexData);
        if (!ib || ib->device() != this) return D3DERR_INVALIDCALL;
    }
    if (indices_ == ib) return D3D_OK;
    rebind(indices_, ib);
    dirty_ |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** ppIndexData) {
    if (!ppIndexData) return D3DERR_INVALIDCALL;
    *ppIndexData = indices_;
    if (indices_) indices_->AddRef();
    return D3D_OK;
}

HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) {
    VertexDecl* decl = nullptr;
    if (pDecl) {
        decl = dynamic_cast<VertexDecl*>(pDecl);
        if (!decl || decl->device() != this) return D3DERR_INVALIDCALL;
    }
    if (decl_ == decl) return D3D_OK;
    rebind(decl_, decl);
    dirty_ |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) {
    if (!ppDecl) return D3DERR_INVALIDCALL;
    *ppDecl = decl_;
    if (decl_) decl_->AddRef();
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
    const int unit = stageUnit(Stage);
    if (unit < 0) return D3DERR_INVALIDCALL;
    if (static_cast<IDirect3DBaseTexture9*>(textures_[unit]) == pTexture) return D3D_OK;
    Texture* t = nullptr;
    if (pTexture) {
        t = dynamic_cast<Texture*>(pTexture);
        if (!t || t->device() != this || t->pool() == D3DPOOL_SYSTEMMEM || t->pool() == D3DPOOL_SCRATCH)
            return D3DERR_INVALIDCALL;
    }
    rebind(textures_[unit], t);
    if (t)
        boundTextureUnits_ |= 1u << unit;
    else
        boundTextureUnits_ &= ~(1u << unit);
    dirtyTextureUnits_ |= 1u << unit;
    dirty_ |= kDirtyTextures;
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) {
    if (!ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    const int unit = stageUnit(Stage);
    if (unit < 0) return D3DERR_INVALIDCALL;
    if (Texture* t = textures_[unit]) {
        t->AddRef();
        *ppTexture = t;
    }
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Draws
// ---------------------------------------------------------------------------------------------
HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT, UINT,
                                     UINT startIndex, UINT primCount) {
    GLsizei count = 0;
    const GLenum mode = primitiveMode(PrimitiveType, primCount, count);
    if (!mode || primCount == 0 || !indices_) return D3DERR_INVALIDCALL;
    const bool wide = indices_->format() == D3DFMT_INDEX32;
    const UINT indexSize = wide ? 4u : 2u;
    // Never read past the index buffer.
    const uint64_t end = (static_cast<uint64_t>(startIndex) + static_cast<uint64_t>(count)) * indexSize;
    if (end > indices_->size()) return D3DERR_INVALIDCALL;
    const bool instanced = streamFreq_[0] & D3DSTREAMSOURCE_INDEXEDDATA;
    makeCurrent();
    if (!flush(instanced)) return D3DERR_INVALIDCALL;
    const void* offset = reinterpret_cast<const void*>(static_cast<uintptr_t>(startIndex) * indexSize);
    const GLenum type = wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    if (instanced) {
        const GLsizei instances = static_cast<GLsizei>(streamFreq_[0] & 0x3FFFFFFFu);
        glDrawElementsInstancedBaseVertex(mode, count, type, offset, instances, BaseVertexIndex);
    } else {
        glDrawElementsBaseVertex(mode, count, type, offset, BaseVertexIndex);
    }
    afterDraw();
    return D3D_OK;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
    GLsizei count = 0;
    const GLenum mode = primitiveMode(PrimitiveType, PrimitiveCount, count);
    if (!mode || PrimitiveCount == 0) return D3DERR_INVALIDCALL;
    makeCurrent();
    // Instancing frequencies apply to indexed draws only.
    if (!flush(false)) return D3DERR_INVALIDCALL;
    glDrawArrays(mode, static_cast<GLint>(StartVertex), count);
    afterDraw();
    return D3D_OK;
}

void Device::afterDraw() {
    for (Surface* t : targets_) {
        if (t) t->contentsChanged();
    }
}

}  // namespace d3d9gl
