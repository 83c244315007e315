// Render, sampler and pipeline state of the Direct3D 9 device, and the one flush before a draw.
// Implements: Direct3D's default render and sampler states, SetRenderState/SetSamplerState as
//   shadowed stores with dirty groups, translation of each group to GL (depth, culling with
//   Direct3D's on-screen winding, fill mode, blending, stencil with two-sided mode, colour
//   writes, depth bias, scissor, multisampling), GL sampler objects per stage, the vertex array
//   built from declaration and streams (instancing divisors), the program and its pixel-offset
//   uniform, and a shadow of every GL binding so nothing is set twice.
// Leaves out: fixed-function states (lighting, fog, texture stages, alpha test: core GL has no
//   alpha test, shaders discard), point sprites, clip planes, sRGB writes.
#include <bit>
#include <cstring>

#include "platform/d3d9_internal.h"

namespace d3d9gl {

namespace {

constexpr DWORD floatBits(float f) {
    return std::bit_cast<DWORD>(f);
}
float bitsFloat(DWORD d) { return std::bit_cast<float>(d); }

// Which dirty group each render state belongs to (0: no GL state behind it).
constexpr std::array<uint32_t, kRenderStates> makeStateGroups() {
    std::array<uint32_t, kRenderStates> g{};
    g[D3DRS_ZENABLE] = g[D3DRS_ZWRITEENABLE] = g[D3DRS_ZFUNC] = kDirtyDepth;
    g[D3DRS_FILLMODE] = g[D3DRS_CULLMODE] = kDirtyRaster;
    g[D3DRS_SRCBLEND] = g[D3DRS_DESTBLEND] = g[D3DRS_ALPHABLENDENABLE] = g[D3DRS_BLENDOP] = kDirtyBlend;
    g[D3DRS_BLENDFACTOR] = g[D3DRS_SEPARATEALPHABLENDENABLE] = g[D3DRS_SRCBLENDALPHA] = kDirtyBlend;
    g[D3DRS_DESTBLENDALPHA] = g[D3DRS_BLENDOPALPHA] = kDirtyBlend;
    for (DWORD s = D3DRS_STENCILENABLE; s <= D3DRS_STENCILWRITEMASK; ++s) g[s] = kDirtyStencil;
    for (DWORD s = D3DRS_TWOSIDEDSTENCILMODE; s <= D3DRS_CCW_STENCILFUNC; ++s) g[s] = kDirtyStencil;
    g[D3DRS_COLORWRITEENABLE] = kDirtyColorMask;
    g[D3DRS_SCISSORTESTENABLE] = kDirtyScissor;
    g[D3DRS_DEPTHBIAS] = g[D3DRS_SLOPESCALEDEPTHBIAS] = kDirtyDepthBias;
    g[D3DRS_MULTISAMPLEANTIALIAS] = kDirtyMultisample;
    return g;
}
constexpr std::array<uint32_t, kRenderStates> kStateGroups = makeStateGroups();

GLenum cmpFunc(DWORD f) {
    switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum blendFactor(DWORD b) {
    switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return GL_ONE;
    }
}

GLenum blendOp(DWORD op) {
    switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

// D3DBLEND_BOTHSRCALPHA and BOTHINVSRCALPHA set both factors from the source one.
void blendPair(DWORD src, DWORD dst, GLenum& glSrc, GLenum& glDst) {
    if (src == D3DBLEND_BOTHSRCALPHA) {
        glSrc = GL_SRC_ALPHA;
        glDst = GL_ONE_MINUS_SRC_ALPHA;
    } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
        glSrc = GL_ONE_MINUS_SRC_ALPHA;
        glDst = GL_SRC_ALPHA;
    } else {
        glSrc = blendFactor(src);
        glDst = blendFactor(dst);
    }
}

GLenum stencilOp(DWORD op) {
    switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

GLint wrapMode(DWORD a) {
    switch (a) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return GL_MIRROR_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
    }
}

// The upper-left clip origin also turns GL's facing test over, so GL's winding is the one seen
// on screen. GL's front face is Direct3D's clockwise one: D3DCULL_CCW culls GL's back faces,
// D3DCULL_CW its front faces.
constexpr GLenum kFrontFaceScreenClockwise = GL_CW;

}  // namespace

// ---------------------------------------------------------------------------------------------
// State storage
// ---------------------------------------------------------------------------------------------
void Device::setDefaultStates() {
    auto& rs = renderStates_;
    rs.fill(0);
    rs[D3DRS_ZENABLE] = pp_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = floatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = floatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_POINTSIZE] = floatBits(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = floatBits(1.0f);
    rs[D3DRS_POINTSIZE_MAX] = floatBits(64.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_COLORWRITEENABLE] = rs[D3DRS_COLORWRITEENABLE1] = rs[D3DRS_COLORWRITEENABLE2] =
        rs[D3DRS_COLORWRITEENABLE3] = 0xFu;
    rs[D3DRS_BLENDOP] = rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;
    rs[D3DRS_CCW_STENCILFAIL] = rs[D3DRS_CCW_STENCILZFAIL] = rs[D3DRS_CCW_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    for (auto& s : samplerStates_) {
        s.fill(0);
        s[D3DSAMP_ADDRESSU] = s[D3DSAMP_ADDRESSV] = s[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        s[D3DSAMP_MAGFILTER] = s[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        s[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        s[D3DSAMP_MAXANISOTROPY] = 1;
    }
    for (auto& f : streamFreq_) f = 1;
    dirty_ = ~0u;
    dirtySamplerUnits_ = (1u << kMaxTextureUnits) - 1;
    dirtyTextureUnits_ = (1u << kMaxTextureUnits) - 1;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    if (State >= kRenderStates) return D3DERR_INVALIDCALL;
    DWORD& slot = renderStates_[State];
    if (slot == Value) return D3D_OK;
    slot = Value;
    dirty_ |= kStateGroups[State];
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    if (!pValue || State >= kRenderStates) return D3DERR_INVALIDCALL;
    *pValue = renderStates_[State];
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
    int unit = Sampler < 16 ? static_cast<int>(Sampler)
               : (Sampler >= D3DVERTEXTEXTURESAMPLER0 && Sampler <= D3DVERTEXTEXTURESAMPLER3)
                   ? static_cast<int>(16 + Sampler - D3DVERTEXTEXTURESAMPLER0)
                   : -1;
    if (unit < 0 || Type == 0 || Type >= kSamplerStates) return D3DERR_INVALIDCALL;
    DWORD& slot = samplerStates_[unit][Type];
    if (slot == Value) return D3D_OK;
    slot = Value;
    dirtySamplerUnits_ |= 1u << unit;
    dirty_ |= kDirtySamplers;
    return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) {
    int unit = Sampler < 16 ? static_cast<int>(Sampler)
               : (Sampler >= D3DVERTEXTEXTURESAMPLER0 && Sampler <= D3DVERTEXTEXTURESAMPLER3)
                   ? static_cast<int>(16 + Sampler - D3DVERTEXTEXTURESAMPLER0)
                   : -1;
    if (!pValue || unit < 0 || Type == 0 || Type >= kSamplerStates) return D3DERR_INVALIDCALL;
    *pValue = samplerStates_[unit][Type];
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Shadowed GL setters
// ---------------------------------------------------------------------------------------------
void Device::glEnableCap(GLenum cap, bool& shadow, bool on) {
    if (shadow == on) return;
    shadow = on;
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

void Device::glColorMaskCached(uint32_t mask) {
    if (gl_.colorMask == mask) return;
    gl_.colorMask = mask;
    glColorMask(mask & D3DCOLORWRITEENABLE_RED, (mask & D3DCOLORWRITEENABLE_GREEN) != 0,
                (mask & D3DCOLORWRITEENABLE_BLUE) != 0, (mask & D3DCOLORWRITEENABLE_ALPHA) != 0);
}

void Device::glDepthMaskCached(GLboolean on) {
    if (gl_.depthMask == on) return;
    gl_.depthMask = on;
    glDepthMask(on);
}

void Device::glStencilWriteMaskCached(GLuint mask) {
    for (int f = 0; f < 2; ++f) {
        if (gl_.stencilWriteMask[f] == mask) continue;
        gl_.stencilWriteMask[f] = mask;
        glStencilMaskSeparate(f == 0 ? GL_FRONT : GL_BACK, mask);
    }
}

void Device::glScissorCached(GLint x, GLint y, GLint w, GLint h) {
    if (gl_.scissor[0] == x && gl_.scissor[1] == y && gl_.scissor[2] == w && gl_.scissor[3] == h) return;
    gl_.scissor[0] = x;
    gl_.scissor[1] = y;
    gl_.scissor[2] = w;
    gl_.scissor[3] = h;
    glScissor(x, y, w, h);
}

void Device::glBindDrawFramebufferCached(GLuint fbo) {
    if (gl_.drawFbo == fbo) return;
    gl_.drawFbo = fbo;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
}

void Device::glBindReadFramebufferCached(GLuint fbo) {
    if (gl_.readFbo == fbo) return;
    gl_.readFbo = fbo;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
}

void Device::glBindTextureCached(UINT unit, GLuint name) {
    if (gl_.textures[unit] == name) return;
    gl_.textures[unit] = name;
    glBindTextureUnit(unit, name);
}

void Device::attachScratch(GLuint fbo, std::array<const Surface*, 5>& shadow, int slot, const Surface* surface) {
    if (shadow[slot] == surface) return;
    shadow[slot] = surface;
    if (slot < 4) {
        const GLenum attachment = GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(slot);
        if (surface)
            surface->attach(fbo, attachment);
        else
            glNamedFramebufferTexture(fbo, attachment, 0, 0);
    } else {
        glNamedFramebufferTexture(fbo, GL_DEPTH_STENCIL_ATTACHMENT, 0, 0);
        if (surface) surface->attach(fbo, surface->info()->stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT);
    }
}

void Device::forgetTexture(GLuint name) {
    // Deleting a texture unbinds it from every unit of the current context.
    for (GLuint& t : gl_.textures) {
        if (t == name) t = 0;
    }
}

void Device::forgetBuffer(GLuint name) {
    for (BindingShadow& b : bindingShadow_) {
        if (b.buffer == name) b.buffer = ~0u;
    }
    if (elementShadow_ == name) elementShadow_ = ~0u;
}

void Device::forgetSurface(const Surface* surface) {
    struct Scratch {
        GLuint fbo;
        std::array<const Surface*, 5>* shadow;
    };
    const Scratch scratch[] = {{drawFbo_, &drawAttached_}, {readFbo_, &readAttached_}, {blitFbo_, &blitAttached_}};
    for (const Scratch& s : scratch) {
        for (int slot = 0; slot < 5; ++slot) {
            if ((*s.shadow)[slot] == surface) attachScratch(s.fbo, *s.shadow, slot, nullptr);
        }
    }
    dirty_ |= kDirtyTargets;
}

// ---------------------------------------------------------------------------------------------
// Flush
// ---------------------------------------------------------------------------------------------
bool Device::flush(bool instanced) {
    if (!program_) return false;
    if (dirty_ & kDirtyTargets) flushTargets();
    if (!drawFboComplete_) return false;
    glBindDrawFramebufferCached(drawFbo_);
    if ((dirty_ & kDirtyVertexInput) || instanced != vertexInputInstanced_) {
        if (!flushVertexInput(instanced)) return false;
    }
    if (dirty_ & kDirtyViewport) flushViewport();
    if (dirty_ & kDirtyScissor) flushScissor();
    if (dirty_ & kDirtyDepth) flushDepth();
    if (dirty_ & kDirtyRaster) flushRaster();
    if (dirty_ & kDirtyBlend) flushBlend();
    if (dirty_ & kDirtyStencil) flushStencil();
    if (dirty_ & kDirtyColorMask) flushColorMask();
    if (dirty_ & kDirtyDepthBias) flushDepthBias();
    if (dirty_ & kDirtyMultisample) glEnableCap(GL_MULTISAMPLE, gl_.multisample, renderStates_[D3DRS_MULTISAMPLEANTIALIAS]);
    if (dirty_ & kDirtyTextures) flushTextures();
    if (dirty_ & kDirtySamplers) flushSamplers();
    // Textures drawn into since they were bound get their automatic mipmaps now.
    for (uint32_t units = boundTextureUnits_; units; units &= units - 1) {
        textures_[static_cast<size_t>(__builtin_ctz(units))]->refreshMips();
    }
    if (dirty_ & kDirtyProgram) flushProgram();
    dirty_ = 0;
    return true;
}

void Device::flushTargets() {
    bool changed = false;
    for (int i = 0; i < static_cast<int>(kMaxRenderTargets); ++i) {
        if (drawAttached_[i] != targets_[i]) {
            attachScratch(drawFbo_, drawAttached_, i, targets_[i]);
            changed = true;
        }
    }
    if (drawAttached_[4] != depth_) {
        attachScratch(drawFbo_, drawAttached_, 4, depth_);
        changed = true;
    }
    if (changed || !drawFboComplete_) {
        GLenum buffers[kMaxRenderTargets];
        GLsizei count = 0;
        for (UINT i = 0; i < kMaxRenderTargets; ++i) {
            buffers[i] = targets_[i] ? GL_COLOR_ATTACHMENT0 + i : GL_NONE;
            if (targets_[i]) count = static_cast<GLsizei>(i + 1);
        }
        glNamedFramebufferDrawBuffers(drawFbo_, std::max<GLsizei>(count, 1), buffers);
        drawFboComplete_ = glCheckNamedFramebufferStatus(drawFbo_, GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    dirty_ &= ~kDirtyTargets;
}

void Device::flushViewport() {
    const GLint v[4] = {static_cast<GLint>(viewport_.X), static_cast<GLint>(viewport_.Y),
                        static_cast<GLint>(viewport_.Width), static_cast<GLint>(viewport_.Height)};
    if (std::memcmp(v, gl_.viewport, sizeof v) != 0) {
        std::memcpy(gl_.viewport, v, sizeof v);
        glViewport(v[0], v[1], v[2], v[3]);
    }
    if (gl_.depthRange[0] != viewport_.MinZ || gl_.depthRange[1] != viewport_.MaxZ) {
        gl_.depthRange[0] = viewport_.MinZ;
        gl_.depthRange[1] = viewport_.MaxZ;
        glDepthRangef(viewport_.MinZ, viewport_.MaxZ);
    }
    // Direct3D 9 pixel centres sit on integer coordinates, GL's half a pixel further: move
    // every vertex half a pixel right and down (down is -y in clip space). Down is one
    // sub-pixel step (1/256) short of half a pixel: an edge on a row of pixel centres then
    // lies just above it, so that row goes to the triangle below, as Direct3D's top-left rule
    // decides; GL's own tie rule would give it to the triangle above and leave a screen quad's
    // top row undrawn.
    pixelOffset_[0] = 1.0f / static_cast<float>(viewport_.Width);
    pixelOffset_[1] = -(1.0f - 2.0f / 256.0f) / static_cast<float>(viewport_.Height);
    dirty_ |= kDirtyProgram;
}

void Device::flushScissor() {
    const bool on = renderStates_[D3DRS_SCISSORTESTENABLE] != 0;
    glEnableCap(GL_SCISSOR_TEST, gl_.scissorTest, on);
    if (on) {
        const RECT& r = scissorRect_;
        glScissorCached(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
}

void Device::flushDepth() {
    const bool test = renderStates_[D3DRS_ZENABLE] != D3DZB_FALSE;
    glEnableCap(GL_DEPTH_TEST, gl_.depthTest, test);
    const GLenum func = cmpFunc(renderStates_[D3DRS_ZFUNC]);
    if (gl_.depthFunc != func) {
        gl_.depthFunc = func;
        glDepthFunc(func);
    }
    glDepthMaskCached(renderStates_[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
}

void Device::flushRaster() {
    const DWORD cull = renderStates_[D3DRS_CULLMODE];
    glEnableCap(GL_CULL_FACE, gl_.cull, cull == D3DCULL_CW || cull == D3DCULL_CCW);
    const GLenum face = cull == D3DCULL_CW ? GL_FRONT : GL_BACK;
    if (gl_.cullFace != face) {
        gl_.cullFace = face;
        glCullFace(face);
    }
    if (gl_.frontFace != kFrontFaceScreenClockwise) {
        gl_.frontFace = kFrontFaceScreenClockwise;
        glFrontFace(kFrontFaceScreenClockwise);
    }
    const DWORD fill = renderStates_[D3DRS_FILLMODE];
    const GLenum mode = fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL;
    if (gl_.polygonMode != mode) {
        gl_.polygonMode = mode;
        glPolygonMode(GL_FRONT_AND_BACK, mode);
    }
}

void Device::flushBlend() {
    const auto& rs = renderStates_;
    glEnableCap(GL_BLEND, gl_.blend, rs[D3DRS_ALPHABLENDENABLE] != 0);
    if (!rs[D3DRS_ALPHABLENDENABLE]) return;  // the rest is set when blending is next on
    GLenum src, dst, srcA, dstA;
    blendPair(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], src, dst);
    GLenum eq = blendOp(rs[D3DRS_BLENDOP]), eqA = eq;
    if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
        blendPair(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA], srcA, dstA);
        eqA = blendOp(rs[D3DRS_BLENDOPALPHA]);
    } else {
        srcA = src;
        dstA = dst;
    }
    if (gl_.blendSrc != src || gl_.blendDst != dst || gl_.blendSrcAlpha != srcA || gl_.blendDstAlpha != dstA) {
        gl_.blendSrc = src;
        gl_.blendDst = dst;
        gl_.blendSrcAlpha = srcA;
        gl_.blendDstAlpha = dstA;
        glBlendFuncSeparate(src, dst, srcA, dstA);
    }
    if (gl_.blendEq != eq || gl_.blendEqAlpha != eqA) {
        gl_.blendEq = eq;
        gl_.blendEqAlpha = eqA;
        glBlendEquationSeparate(eq, eqA);
    }
    const DWORD c = rs[D3DRS_BLENDFACTOR];
    if (gl_.blendColor != c) {
        gl_.blendColor = c;
        glBlendColor(static_cast<float>((c >> 16) & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
                     static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>(c >> 24) / 255.0f);
    }
}

void Device::flushStencil() {
    const auto& rs = renderStates_;
    glEnableCap(GL_STENCIL_TEST, gl_.stencilTest, rs[D3DRS_STENCILENABLE] != 0);
    const bool twoSided = rs[D3DRS_TWOSIDEDSTENCILMODE] != 0;
    for (int f = 0; f < 2; ++f) {
        // GL's front faces are Direct3D's clockwise ones; the CCW_ states drive the others.
        const bool ccw = f == 1 && twoSided;
        const GLenum face = f == 0 ? GL_FRONT : GL_BACK;
        const GLenum func = cmpFunc(rs[ccw ? D3DRS_CCW_STENCILFUNC : D3DRS_STENCILFUNC]);
        const GLint ref = static_cast<GLint>(rs[D3DRS_STENCILREF] & 0xFF);
        const GLuint mask = rs[D3DRS_STENCILMASK];
        if (gl_.stencilFunc[f] != func || gl_.stencilRef[f] != ref || gl_.stencilMask[f] != mask) {
            gl_.stencilFunc[f] = func;
            gl_.stencilRef[f] = ref;
            gl_.stencilMask[f] = mask;
            glStencilFuncSeparate(face, func, ref, mask);
        }
        const GLenum ops[3] = {stencilOp(rs[ccw ? D3DRS_CCW_STENCILFAIL : D3DRS_STENCILFAIL]),
                               stencilOp(rs[ccw ? D3DRS_CCW_STENCILZFAIL : D3DRS_STENCILZFAIL]),
                               stencilOp(rs[ccw ? D3DRS_CCW_STENCILPASS : D3DRS_STENCILPASS])};
        if (std::memcmp(ops, gl_.stencilOps[f], sizeof ops) != 0) {
            std::memcpy(gl_.stencilOps[f], ops, sizeof ops);
            glStencilOpSeparate(face, ops[0], ops[1], ops[2]);
        }
    }
    glStencilWriteMaskCached(rs[D3DRS_STENCILWRITEMASK]);
}

void Device::flushColorMask() { glColorMaskCached(renderStates_[D3DRS_COLORWRITEENABLE] & 0xFu); }

void Device::flushDepthBias() {
    const float bias = bitsFloat(renderStates_[D3DRS_DEPTHBIAS]);
    const float slope = bitsFloat(renderStates_[D3DRS_SLOPESCALEDEPTHBIAS]);
    const bool on = bias != 0.0f || slope != 0.0f;
    if (gl_.polygonOffset != on) {
        gl_.polygonOffset = on;
        for (GLenum cap : {GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT}) {
            if (on)
                glEnable(cap);
            else
                glDisable(cap);
        }
    }
    // Direct3D's bias is in depth units; GL's units are steps of a 24-bit depth buffer.
    const float units = bias * 16777216.0f;
    if (on && (gl_.polygonOffsetFactor != slope || gl_.polygonOffsetUnits != units)) {
        gl_.polygonOffsetFactor = slope;
        gl_.polygonOffsetUnits = units;
        glPolygonOffset(slope, units);
    }
}

void Device::flushTextures() {
    for (uint32_t units = dirtyTextureUnits_; units; units &= units - 1) {
        const UINT u = static_cast<UINT>(__builtin_ctz(units));
        glBindTextureCached(u, textures_[u] ? textures_[u]->name() : 0);
    }
    dirtyTextureUnits_ = 0;
}

void Device::flushSamplers() {
    const bool anisotropic = limits_.maxAnisotropy > 1.0f;
    for (uint32_t units = dirtySamplerUnits_; units; units &= units - 1) {
        const UINT u = static_cast<UINT>(__builtin_ctz(units));
        const auto& s = samplerStates_[u];
        SamplerShadow& sh = samplerShadow_[u];
        const GLuint sampler = samplers_[u];
        const GLenum wrapNames[3] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R};
        const DWORD wraps[3] = {s[D3DSAMP_ADDRESSU], s[D3DSAMP_ADDRESSV], s[D3DSAMP_ADDRESSW]};
        for (int i = 0; i < 3; ++i) {
            const GLint w = wrapMode(wraps[i]);
            if (sh.wrap[i] != w) {
                sh.wrap[i] = w;
                glSamplerParameteri(sampler, wrapNames[i], w);
            }
        }
        const DWORD minF = s[D3DSAMP_MINFILTER], magF = s[D3DSAMP_MAGFILTER], mipF = s[D3DSAMP_MIPFILTER];
        const bool minLinear = minF >= D3DTEXF_LINEAR;
        GLint min = minLinear ? GL_LINEAR : GL_NEAREST;
        if (mipF == D3DTEXF_POINT) min = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        if (mipF >= D3DTEXF_LINEAR) min = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        const GLint mag = magF >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
        if (sh.minFilter != min) {
            sh.minFilter = min;
            glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, min);
        }
        if (sh.magFilter != mag) {
            sh.magFilter = mag;
            glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, mag);
        }
        if (anisotropic) {
            const bool on = minF == D3DTEXF_ANISOTROPIC || magF == D3DTEXF_ANISOTROPIC;
            const float a = on ? std::clamp(static_cast<float>(s[D3DSAMP_MAXANISOTROPY]), 1.0f, limits_.maxAnisotropy)
                               : 1.0f;
            if (sh.maxAnisotropy != a) {
                sh.maxAnisotropy = a;
                glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT, a);
            }
        }
        const float bias = bitsFloat(s[D3DSAMP_MIPMAPLODBIAS]);
        if (sh.lodBias != bias) {
            sh.lodBias = bias;
            glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, bias);
        }
        // D3DSAMP_MAXMIPLEVEL names the most detailed level sampled.
        const float minLod = static_cast<float>(s[D3DSAMP_MAXMIPLEVEL]);
        if (sh.minLod != minLod) {
            sh.minLod = minLod;
            glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, minLod);
        }
        const DWORD c = s[D3DSAMP_BORDERCOLOR];
        if (!sh.borderSet || sh.borderColor != c) {
            sh.borderSet = true;
            sh.borderColor = c;
            const float rgba[4] = {static_cast<float>((c >> 16) & 0xFF) / 255.0f,
                                   static_cast<float>((c >> 8) & 0xFF) / 255.0f,
                                   static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>(c >> 24) / 255.0f};
            glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, rgba);
        }
    }
    dirtySamplerUnits_ = 0;
}

bool Device::flushVertexInput(bool instanced) {
    if (!decl_) return false;
    uint32_t wanted = 0;
    for (const AttribFormat& a : decl_->attribs()) {
        if (!streams_[a.stream]) return false;  // the declaration reads a stream with no buffer
        wanted |= 1u << a.location;
        AttribShadow& sh = attribShadow_[static_cast<size_t>(a.location)];
        const GLuint loc = static_cast<GLuint>(a.location);
        if (!sh.enabled) {
            sh.enabled = true;
            glEnableVertexArrayAttrib(vao_, loc);
        }
        if (sh.size != a.size || sh.type != a.type || sh.normalized != a.normalized || sh.offset != a.offset) {
            sh.size = a.size;
            sh.type = a.type;
            sh.normalized = a.normalized;
            sh.offset = a.offset;
            glVertexArrayAttribFormat(vao_, loc, a.size, a.type, a.normalized, a.offset);
        }
        if (sh.stream != a.stream) {
            sh.stream = a.stream;
            glVertexArrayAttribBinding(vao_, loc, a.stream);
        }
    }
    for (int loc = 0; loc < kD3d9glAttribCount; ++loc) {
        AttribShadow& sh = attribShadow_[static_cast<size_t>(loc)];
        if (sh.enabled && !(wanted & (1u << loc))) {
            sh.enabled = false;
            glDisableVertexArrayAttrib(vao_, static_cast<GLuint>(loc));
        }
    }
    for (uint32_t streams = decl_->streamMask(); streams; streams &= streams - 1) {
        const UINT s = static_cast<UINT>(__builtin_ctz(streams));
        BindingShadow& b = bindingShadow_[s];
        const GLuint name = streams_[s]->name();
        const GLintptr offset = static_cast<GLintptr>(streamOffset_[s]);
        const GLsizei stride = static_cast<GLsizei>(streamStride_[s]);
        if (b.buffer != name || b.offset != offset || b.stride != stride) {
            b.buffer = name;
            b.offset = offset;
            b.stride = stride;
            glVertexArrayVertexBuffer(vao_, s, name, offset, stride);
        }
        // Instance data advances once per `divisor` instances, and only in instanced draws.
        const UINT freq = streamFreq_[s];
        const GLuint divisor = (instanced && (freq & D3DSTREAMSOURCE_INSTANCEDATA)) ? (freq & 0x3FFFFFFFu) : 0;
        if (b.divisor != divisor) {
            b.divisor = divisor;
            glVertexArrayBindingDivisor(vao_, s, divisor);
        }
    }
    const GLuint elements = indices_ ? indices_->name() : 0;
    if (elementShadow_ != elements) {
        elementShadow_ = elements;
        glVertexArrayElementBuffer(vao_, elements);
    }
    vertexInputInstanced_ = instanced;
    return true;
}

void Device::flushProgram() {
    if (gl_.program != program_) {
        gl_.program = program_;
        glUseProgram(program_);
    }
    auto it = programs_.find(program_);
    if (it == programs_.end()) return;
    ProgramInfo& info = it->second;
    if (info.pixelOffsetLocation < 0) return;
    if (!info.pixelOffsetSet || info.pixelOffset[0] != pixelOffset_[0] || info.pixelOffset[1] != pixelOffset_[1]) {
        info.pixelOffsetSet = true;
        info.pixelOffset[0] = pixelOffset_[0];
        info.pixelOffset[1] = pixelOffset_[1];
        glProgramUniform2f(program_, info.pixelOffsetLocation, pixelOffset_[0], pixelOffset_[1]);
    }
}

void Device::setProgram(GLuint program) {
    if (program == program_) return;
    program_ = program;
    dirty_ |= kDirtyProgram;
    if (program && programs_.find(program) == programs_.end()) {
        makeCurrent();
        ProgramInfo info;
        GLint linked = GL_FALSE;
        if (glIsProgram(program)) glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (linked) info.pixelOffsetLocation = glGetUniformLocation(program, "orl_PixelOffset");
        programs_.emplace(program, info);
    }
}

void Device::forgetProgram(GLuint program) {
    programs_.erase(program);
    if (program_ == program) program_ = 0;
    if (gl_.program == program && program != 0) {
        makeCurrent();
        gl_.program = 0;
        glUseProgram(0);
    }
}

}  // namespace d3d9gl
