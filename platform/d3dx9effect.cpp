// D3DX effect stand-in over the GL device (see d3dx9effect.h for what it covers and leaves out).
// An effect file is preprocessed, split by the effect parser, each entry point compiled once to
// SPIR-V, and each pass linked into one GL program. Parameter writes go straight into a CPU copy
// of the effect's std140 global block, which reaches GL at BeginPass/CommitChanges only when
// something changed.
#include "platform/d3dx9effect.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/d3d9_gl.h"
#include "platform/effect_parser.h"
#include "platform/effect_preprocessor.h"
#include "platform/hlsl_compiler.h"

namespace {

// ---- ID3DXBuffer ----------------------------------------------------------------------------

class Buffer final : public ID3DXBuffer {
public:
    explicit Buffer(size_t bytes) : data_(bytes, 0) {}
    HRESULT QueryInterface(REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    LPVOID GetBufferPointer() override { return data_.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(data_.size()); }

private:
    std::vector<char> data_;
    ULONG refs_ = 1;
};

ID3DXBuffer* textBuffer(const std::string& text) {
    Buffer* b = new Buffer(text.size() + 1);
    std::memcpy(b->GetBufferPointer(), text.c_str(), text.size() + 1);
    return b;
}

// ---- The effect -----------------------------------------------------------------------------

// Name hash over 8-byte words: with the length it is the whole cost of a lookup besides one
// memcmp, a few nanoseconds for the demo's names.
inline uint32_t hashName(const char* s, size_t length) {
    uint64_t h = 0x9E3779B97F4A7C15ull ^ length;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t w;
        std::memcpy(&w, s + i, 8);
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    uint64_t tail = 0;
    for (; i < length; ++i) tail = (tail << 8) | static_cast<unsigned char>(s[i]);
    h = (h ^ tail) * 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 29;
    return static_cast<uint32_t>(h);
}

int declUsage(const std::string& semantic) {
    static const std::pair<const char*, int> usages[] = {
        {"POSITION", D3DDECLUSAGE_POSITION}, {"BLENDWEIGHT", D3DDECLUSAGE_BLENDWEIGHT},
        {"BLENDINDICES", D3DDECLUSAGE_BLENDINDICES}, {"NORMAL", D3DDECLUSAGE_NORMAL},
        {"PSIZE", D3DDECLUSAGE_PSIZE}, {"TEXCOORD", D3DDECLUSAGE_TEXCOORD},
        {"TANGENT", D3DDECLUSAGE_TANGENT}, {"BINORMAL", D3DDECLUSAGE_BINORMAL},
        {"TESSFACTOR", D3DDECLUSAGE_TESSFACTOR}, {"POSITIONT", D3DDECLUSAGE_POSITIONT},
        {"COLOR", D3DDECLUSAGE_COLOR}, {"FOG", D3DDECLUSAGE_FOG},
        {"DEPTH", D3DDECLUSAGE_DEPTH}, {"SAMPLE", D3DDECLUSAGE_SAMPLE}};
    for (const auto& u : usages)
        if (semantic == u.first) return u.second;
    return -1;
}

struct ParameterRuntime {
    fx::Parameter info;
    std::vector<float> values;  // valueCount() floats, row by row
    IDirect3DBaseTexture9* texture = nullptr;
    const fx::UniformMember* member = nullptr;  // its place in the global block, if any
    std::vector<uint32_t> offsets;               // block offset of each value; kNoOffset: not in the block
    bool contiguous = false;                     // float values packed one after another
    fx::ScalarKind kind = fx::ScalarKind::Float;
    int textureParam = -1;                      // samplers: the texture parameter they read
};

constexpr uint32_t kNoOffset = 0xFFFFFFFFu;
constexpr size_t kMaxSamplerUnits = 16;  // the sampler stages of a Direct3D 9 pixel shader

void placeValues(ParameterRuntime& p, size_t blockSize);

struct SamplerUnit {
    int param;  // the sampler parameter
    DWORD unit;
};

struct PassRuntime {
    fx::Pass info;
    std::string handle;  // unique handle string: "technique.pass#index"
    GLuint program = 0;
    std::vector<SamplerUnit> samplers;
};

struct TechniqueRuntime {
    std::string name;
    std::vector<PassRuntime> passes;
    // What Begin saves and End restores.
    std::vector<D3DRENDERSTATETYPE> renderStates;
    std::vector<std::pair<DWORD, D3DSAMPLERSTATETYPE>> samplerStates;
};

class Effect final : public ID3DXEffect {
public:
    explicit Effect(IDirect3DDevice9* device) : device_(device) { device_->AddRef(); }

    // Builds everything; on failure the messages say why and the effect is to be released.
    bool build(const fx::PreprocessedSource& src, const fx::EffectSource& source, bool optimize,
               std::vector<fx::Diagnostic>& errors);

    HRESULT QueryInterface(REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT GetDesc(D3DXEFFECT_DESC* desc) override {
        if (!desc) return D3DERR_INVALIDCALL;
        desc->Creator = "orlunde effect compiler";
        desc->Parameters = static_cast<UINT>(params_.size());
        desc->Techniques = static_cast<UINT>(techniques_.size());
        desc->Functions = functionCount_;
        return D3D_OK;
    }
    HRESULT GetParameterDesc(D3DXHANDLE handle, D3DXPARAMETER_DESC* desc) override;
    HRESULT GetTechniqueDesc(D3DXHANDLE handle, D3DXTECHNIQUE_DESC* desc) override {
        int t = technique(handle);
        if (t < 0 || !desc) return D3DERR_INVALIDCALL;
        desc->Name = techniques_[t].name.c_str();
        desc->Passes = static_cast<UINT>(techniques_[t].passes.size());
        desc->Annotations = 0;
        return D3D_OK;
    }
    HRESULT GetPassDesc(D3DXHANDLE handle, D3DXPASS_DESC* desc) override {
        const PassRuntime* p = pass(handle);
        if (!p || !desc) return D3DERR_INVALIDCALL;
        desc->Name = p->info.name.c_str();
        desc->Annotations = 0;
        desc->VertexShaderEntry = p->info.vertex.entry.c_str();
        desc->VertexShaderProfile = p->info.vertex.profile.c_str();
        desc->PixelShaderEntry = p->info.pixel.entry.c_str();
        desc->PixelShaderProfile = p->info.pixel.profile.c_str();
        desc->States = static_cast<UINT>(p->info.states.size());
        return D3D_OK;
    }
    HRESULT GetPassState(D3DXHANDLE handle, UINT index, D3DXPASS_STATE* state) override {
        const PassRuntime* p = pass(handle);
        if (!p || !state || index >= p->info.states.size()) return D3DERR_INVALIDCALL;
        const fx::StateAssignment& s = p->info.states[index];
        state->Name = s.name.c_str();
        state->ValueText = s.valueText.c_str();
        state->State = s.state;
        state->Value = s.value;
        return D3D_OK;
    }
    D3DXHANDLE GetParameter(D3DXHANDLE parent, UINT index) override {
        if (parent || index >= params_.size()) return nullptr;
        return params_[index].info.name.c_str();
    }
    D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) override {
        int i = parent ? -1 : parameter(name);
        return i < 0 ? nullptr : params_[i].info.name.c_str();
    }
    D3DXHANDLE GetTechnique(UINT index) override {
        return index < techniques_.size() ? techniques_[index].name.c_str() : nullptr;
    }
    D3DXHANDLE GetTechniqueByName(LPCSTR name) override {
        if (!name) return nullptr;
        for (const TechniqueRuntime& t : techniques_)
            if (t.name == name) return t.name.c_str();
        return nullptr;
    }
    D3DXHANDLE GetPass(D3DXHANDLE handle, UINT index) override {
        int t = technique(handle);
        if (t < 0 || index >= techniques_[t].passes.size()) return nullptr;
        return techniques_[t].passes[index].handle.c_str();
    }
    D3DXHANDLE GetPassByName(D3DXHANDLE handle, LPCSTR name) override {
        int t = technique(handle);
        if (t < 0 || !name) return nullptr;
        for (const PassRuntime& p : techniques_[t].passes)
            if (p.info.name == name) return p.handle.c_str();
        return nullptr;
    }

    HRESULT SetValue(D3DXHANDLE handle, LPCVOID data, UINT bytes) override {
        int i = parameter(handle);
        if (i < 0 || !data) return D3DERR_INVALIDCALL;
        ParameterRuntime& p = params_[i];
        if (p.info.type == fx::BaseType::Texture || p.info.type == fx::BaseType::Sampler) {
            if (bytes < sizeof(void*)) return D3DERR_INVALIDCALL;
            IDirect3DBaseTexture9* t = nullptr;
            std::memcpy(&t, data, sizeof t);
            return SetTexture(handle, t);
        }
        return write(p, static_cast<const float*>(data), bytes / 4);
    }
    HRESULT GetValue(D3DXHANDLE handle, LPVOID data, UINT bytes) override {
        int i = parameter(handle);
        if (i < 0 || !data) return D3DERR_INVALIDCALL;
        const ParameterRuntime& p = params_[i];
        if (p.info.type == fx::BaseType::Texture || p.info.type == fx::BaseType::Sampler) {
            if (bytes < sizeof(void*)) return D3DERR_INVALIDCALL;
            if (p.texture) p.texture->AddRef();
            std::memcpy(data, &p.texture, sizeof p.texture);
            return D3D_OK;
        }
        size_t n = std::min<size_t>(bytes / 4, p.values.size());
        std::memcpy(data, p.values.data(), n * 4);
        return D3D_OK;
    }
    HRESULT SetBool(D3DXHANDLE handle, BOOL value) override {
        float v = value ? 1.0f : 0.0f;
        return write(handle, &v, 1);
    }
    HRESULT SetInt(D3DXHANDLE handle, INT value) override {
        float v = static_cast<float>(value);
        return write(handle, &v, 1);
    }
    HRESULT SetFloat(D3DXHANDLE handle, FLOAT value) override { return write(handle, &value, 1); }
    HRESULT GetFloat(D3DXHANDLE handle, FLOAT* value) override { return GetFloatArray(handle, value, 1); }
    HRESULT SetFloatArray(D3DXHANDLE handle, const FLOAT* values, UINT count) override {
        if (!values) return D3DERR_INVALIDCALL;
        return write(handle, values, count);
    }
    HRESULT GetFloatArray(D3DXHANDLE handle, FLOAT* values, UINT count) override {
        int i = parameter(handle);
        if (i < 0 || !values || params_[i].values.empty()) return D3DERR_INVALIDCALL;
        size_t n = std::min<size_t>(count, params_[i].values.size());
        std::memcpy(values, params_[i].values.data(), n * 4);
        return D3D_OK;
    }
    HRESULT SetMatrix(D3DXHANDLE handle, const D3DMATRIX* matrix) override {
        return matrix ? SetMatrixArray(handle, matrix, 1) : D3DERR_INVALIDCALL;
    }
    HRESULT GetMatrix(D3DXHANDLE handle, D3DMATRIX* matrix) override;
    HRESULT SetMatrixArray(D3DXHANDLE handle, const D3DMATRIX* matrices, UINT count) override;
    HRESULT SetTexture(D3DXHANDLE handle, IDirect3DBaseTexture9* texture) override {
        int i = parameter(handle);
        if (i < 0) return D3DERR_INVALIDCALL;
        ParameterRuntime& p = params_[i];
        if (p.info.type != fx::BaseType::Texture && p.info.type != fx::BaseType::Sampler) return D3DERR_INVALIDCALL;
        if (p.texture == texture) return D3D_OK;
        if (texture) texture->AddRef();
        if (p.texture) p.texture->Release();
        p.texture = texture;
        texturesDirty_ = true;
        return D3D_OK;
    }

    D3DXHANDLE GetCurrentTechnique() override {
        return current_ < techniques_.size() ? techniques_[current_].name.c_str() : nullptr;
    }
    HRESULT SetTechnique(D3DXHANDLE handle) override {
        int t = technique(handle);
        if (t < 0 || begun_) return D3DERR_INVALIDCALL;
        current_ = static_cast<size_t>(t);
        return D3D_OK;
    }
    HRESULT Begin(UINT* passes, DWORD flags) override;
    HRESULT BeginPass(UINT pass) override;
    HRESULT CommitChanges() override {
        if (active_ == nullptr) return D3DERR_INVALIDCALL;
        if (blockDirty_) {
            upload();
            glBindBufferBase(GL_UNIFORM_BUFFER, 0, ubo_);
        }
        if (texturesDirty_) bindSamplers(*active_);
        return D3D_OK;
    }
    HRESULT EndPass() override {
        if (active_ == nullptr) return D3DERR_INVALIDCALL;
        active_ = nullptr;
        return D3D_OK;
    }
    HRESULT End() override;

    HRESULT GetSamplerStateDesc(D3DXHANDLE handle, UINT index, D3DXPASS_STATE* state) override {
        int i = parameter(handle);
        if (i < 0 || !state || params_[i].info.type != fx::BaseType::Sampler) return D3DERR_INVALIDCALL;
        const fx::Parameter& p = params_[i].info;
        if (!p.samplerTexture.empty()) {
            if (index == 0) {
                *state = D3DXPASS_STATE{"Texture", p.samplerTexture.c_str(), 0, 0};
                return D3D_OK;
            }
            --index;
        }
        if (index >= p.samplerStates.size()) return D3DERR_INVALIDCALL;
        const fx::StateAssignment& s = p.samplerStates[index];
        *state = D3DXPASS_STATE{s.name.c_str(), s.valueText.c_str(), s.state, s.value};
        return D3D_OK;
    }

    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (!device) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *device = device_;
        return D3D_OK;
    }

private:
    ~Effect() override;

    int parameter(const char* name) const {
        if (!name || slots_.empty()) return -1;
        const size_t length = std::strlen(name);
        const uint32_t h = hashName(name, length);
        for (uint32_t s = h & slotMask_;; s = (s + 1) & slotMask_) {
            int i = slots_[s];
            if (i < 0) return -1;
            const std::string& n = params_[i].info.name;
            if (hashes_[i] == h && n.size() == length && std::memcmp(n.data(), name, length) == 0) return i;
        }
    }
    int technique(D3DXHANDLE handle) const {
        if (!handle) return -1;
        for (size_t t = 0; t < techniques_.size(); ++t)
            if (techniques_[t].name.c_str() == handle) return static_cast<int>(t);
        for (size_t t = 0; t < techniques_.size(); ++t)
            if (techniques_[t].name == handle) return static_cast<int>(t);
        return -1;
    }
    const PassRuntime* pass(D3DXHANDLE handle) const {
        for (const TechniqueRuntime& t : techniques_)
            for (const PassRuntime& p : t.passes)
                if (p.handle.c_str() == handle) return &p;
        return nullptr;
    }

    HRESULT write(D3DXHANDLE handle, const float* values, size_t count) {
        int i = parameter(handle);
        return i < 0 ? D3DERR_INVALIDCALL : write(params_[i], values, count);
    }
    HRESULT write(ParameterRuntime& p, const float* values, size_t count, size_t first = 0);
    void store(const ParameterRuntime& p, size_t first, size_t count);
    void upload() {
        glNamedBufferSubData(ubo_, 0, static_cast<GLsizeiptr>(block_.size()), block_.data());
        blockDirty_ = false;
    }
    void bindSamplers(const PassRuntime& pass);
    GLuint glShader(GLenum type, const std::string& source, std::string& log);

    ULONG refs_ = 1;
    IDirect3DDevice9* device_;
    std::vector<ParameterRuntime> params_;
    std::vector<uint32_t> hashes_;
    std::vector<int> slots_;
    uint32_t slotMask_ = 0;
    std::vector<TechniqueRuntime> techniques_;
    UINT functionCount_ = 0;
    size_t current_ = 0;

    fx::UniformBlock layout_;
    std::vector<uint8_t> block_;
    GLuint ubo_ = 0;
    bool blockDirty_ = true;
    bool texturesDirty_ = true;

    bool begun_ = false;
    bool restore_ = false;
    const PassRuntime* active_ = nullptr;
    std::vector<DWORD> savedRender_, savedSampler_;
    std::map<std::string, GLuint> shaders_;  // GL shader objects by source, shared by passes
};

Effect::~Effect() {
    for (TechniqueRuntime& t : techniques_)
        for (PassRuntime& p : t.passes)
            if (p.program) {
                d3d9glForgetProgram(device_, p.program);
                glDeleteProgram(p.program);
            }
    for (auto& s : shaders_) glDeleteShader(s.second);
    if (ubo_) glDeleteBuffers(1, &ubo_);
    for (ParameterRuntime& p : params_)
        if (p.texture) p.texture->Release();
    device_->Release();
}

GLuint Effect::glShader(GLenum type, const std::string& source, std::string& log) {
    auto it = shaders_.find(source);
    if (it != shaders_.end()) return it->second;
    GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        GLint length = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
        std::string text(static_cast<size_t>(std::max(length, 1)), '\0');
        glGetShaderInfoLog(shader, length, nullptr, text.data());
        log = text.c_str();
        glDeleteShader(shader);
        return 0;
    }
    shaders_.emplace(source, shader);
    return shader;
}

bool Effect::build(const fx::PreprocessedSource& src, const fx::EffectSource& source, bool optimize,
                   std::vector<fx::Diagnostic>& errors) {
    auto locate = [&](int line, int column, const std::string& message) {
        fx::SourceLine where = src.locate(line);
        return fx::Diagnostic{src.files[where.file], where.line, column, message, false};
    };
    functionCount_ = static_cast<UINT>(source.functions.size());
    // An effect without techniques is valid (parameters only); it has no current technique.

    // Parameters and their name table (open addressing, at most half full).
    for (const fx::Parameter& p : source.parameters) {
        ParameterRuntime r;
        r.info = p;
        if (p.type != fx::BaseType::Texture && p.type != fx::BaseType::Sampler && p.type != fx::BaseType::Struct) {
            r.values = p.defaults;
            r.values.resize(static_cast<size_t>(p.valueCount()), 0.0f);
        }
        params_.push_back(std::move(r));
    }
    uint32_t slots = 8;
    while (slots < params_.size() * 2) slots *= 2;
    slots_.assign(slots, -1);
    slotMask_ = slots - 1;
    for (size_t i = 0; i < params_.size(); ++i) {
        const std::string& name = params_[i].info.name;
        uint32_t h = hashName(name.data(), name.size());
        hashes_.push_back(h);
        uint32_t s = h & slotMask_;
        while (slots_[s] >= 0) s = (s + 1) & slotMask_;
        slots_[s] = static_cast<int>(i);
    }
    for (ParameterRuntime& p : params_) {
        if (p.info.type != fx::BaseType::Sampler || p.info.samplerTexture.empty()) continue;
        p.textureParam = parameter(p.info.samplerTexture.c_str());
        if (p.textureParam < 0 || params_[p.textureParam].info.type != fx::BaseType::Texture) {
            errors.push_back(locate(p.info.line, 1, "sampler '" + p.info.name + "' names '" + p.info.samplerTexture +
                                                        "', which is not a texture parameter"));
            return false;
        }
    }

    // Each entry point is compiled once per stage; each pass links its pair.
    std::map<std::pair<int, std::string>, fx::SpirvShader> spirv;
    auto compiled = [&](fx::Stage stage, const fx::ShaderBinding& b) -> const fx::SpirvShader* {
        auto key = std::make_pair(static_cast<int>(stage), b.entry);
        auto it = spirv.find(key);
        if (it != spirv.end()) return &it->second;
        fx::SpirvShader s;
        fx::Diagnostic fallback = locate(b.line, b.column, "");
        bool vpos = false;
        if (!fx::compileHlsl(fx::stageSource(source, stage, b.entry, &vpos), stage, b.entry, src, fallback, optimize,
                             s, errors))
            return nullptr;
        s.vposFromPixelCentre = vpos;
        return &spirv.emplace(key, std::move(s)).first->second;
    };
    auto attrib = [](const std::string& semantic, unsigned index) {
        int usage = declUsage(semantic);
        return usage < 0 ? -1 : d3d9glAttribLocation(static_cast<unsigned>(usage), index);
    };

    bool haveLayout = false;
    // Techniques and passes are stored as they are built, so that the destructor frees the GL
    // objects of a build that fails half way.
    techniques_.reserve(source.techniques.size());
    for (const fx::Technique& t : source.techniques) {
        techniques_.emplace_back();
        TechniqueRuntime& tr = techniques_.back();
        tr.name = t.name;
        tr.passes.reserve(t.passes.size());
        for (size_t pi = 0; pi < t.passes.size(); ++pi) {
            const fx::Pass& p = t.passes[pi];
            tr.passes.emplace_back();
            PassRuntime& pr = tr.passes.back();
            pr.info = p;
            pr.handle = t.name + "." + p.name + "#" + std::to_string(pi);
            if (!p.vertex.present() || !p.pixel.present()) {
                errors.push_back(locate(p.line, 1, "pass '" + p.name + "' needs both a vertex and a pixel shader"));
                return false;
            }
            const fx::SpirvShader* vs = compiled(fx::Stage::Vertex, p.vertex);
            const fx::SpirvShader* ps = compiled(fx::Stage::Pixel, p.pixel);
            if (!vs || !ps) return false;
            fx::GlslStage gv, gp;
            std::string why;
            const bool belowModel3 = p.vertex.profile.size() > 3 && p.vertex.profile[3] < '3';
            if (!fx::crossCompile(*vs, *ps, attrib, gv, gp, why, belowModel3)) {
                errors.push_back(locate(p.pixel.line, p.pixel.column, why));
                return false;
            }
            for (const fx::UniformBlock* b : {&gv.globals, &gp.globals}) {
                if (!b->present) continue;
                if (!haveLayout) {
                    layout_ = *b;
                    haveLayout = true;
                } else if (!(b->members == layout_.members)) {
                    errors.push_back(locate(p.line, 1, "internal error: the global parameters are laid out "
                                                       "differently in pass '" + p.name + "'"));
                    return false;
                }
            }
            std::string log;
            GLuint v = glShader(GL_VERTEX_SHADER, gv.source, log);
            GLuint f = v ? glShader(GL_FRAGMENT_SHADER, gp.source, log) : 0;
            if (!v || !f) {
                errors.push_back(locate(p.line, 1, "GLSL compilation of pass '" + p.name + "' failed: " + log));
                return false;
            }
            pr.program = glCreateProgram();
            glAttachShader(pr.program, v);
            glAttachShader(pr.program, f);
            glLinkProgram(pr.program);
            GLint ok = 0;
            glGetProgramiv(pr.program, GL_LINK_STATUS, &ok);
            if (!ok) {
                GLint length = 0;
                glGetProgramiv(pr.program, GL_INFO_LOG_LENGTH, &length);
                std::string text(static_cast<size_t>(std::max(length, 1)), '\0');
                glGetProgramInfoLog(pr.program, length, nullptr, text.data());
                errors.push_back(locate(p.line, 1, "linking pass '" + p.name + "' failed: " + text.c_str()));
                return false;
            }
            glDetachShader(pr.program, v);
            glDetachShader(pr.program, f);
            GLuint blockIndex = glGetUniformBlockIndex(pr.program, fx::kGlobalBlockName);
            if (blockIndex != GL_INVALID_INDEX) glUniformBlockBinding(pr.program, blockIndex, 0);
            // Sampler units, per program, in order of first use.
            std::vector<std::string> used = gv.samplers;
            for (const std::string& s : gp.samplers)
                if (std::find(used.begin(), used.end(), s) == used.end()) used.push_back(s);
            for (const std::string& s : used) {
                int param = parameter(s.c_str());
                if (param < 0 || params_[param].info.type != fx::BaseType::Sampler) {
                    errors.push_back(locate(p.line, 1, "sampler '" + s + "' is not a global sampler parameter"));
                    return false;
                }
                if (pr.samplers.size() >= kMaxSamplerUnits) {
                    errors.push_back(locate(p.line, 1, "pass '" + p.name + "' uses more than " +
                                                           std::to_string(kMaxSamplerUnits) + " samplers"));
                    return false;
                }
                DWORD unit = static_cast<DWORD>(pr.samplers.size());
                GLint location = glGetUniformLocation(pr.program, fx::samplerUniformName(s).c_str());
                if (location >= 0) glProgramUniform1i(pr.program, location, static_cast<GLint>(unit));
                pr.samplers.push_back(SamplerUnit{param, unit});
            }
            for (const fx::StateAssignment& s : p.states) {
                auto rs = static_cast<D3DRENDERSTATETYPE>(s.state);
                if (std::find(tr.renderStates.begin(), tr.renderStates.end(), rs) == tr.renderStates.end())
                    tr.renderStates.push_back(rs);
            }
            for (const SamplerUnit& su : pr.samplers)
                for (const fx::StateAssignment& s : params_[su.param].info.samplerStates) {
                    auto key = std::make_pair(su.unit, static_cast<D3DSAMPLERSTATETYPE>(s.state));
                    if (std::find(tr.samplerStates.begin(), tr.samplerStates.end(), key) == tr.samplerStates.end())
                        tr.samplerStates.push_back(key);
                }
        }
    }

    // The global block: one buffer for the effect, defaults written in.
    if (haveLayout) {
        block_.assign(layout_.size, 0);
        for (ParameterRuntime& p : params_) {
            for (const fx::UniformMember& m : layout_.members)
                if (m.name == p.info.name) p.member = &m;
            if (!p.member) continue;
            placeValues(p, block_.size());
            store(p, 0, p.values.size());
        }
        glCreateBuffers(1, &ubo_);
        glNamedBufferData(ubo_, static_cast<GLsizeiptr>(block_.size()), block_.data(), GL_DYNAMIC_DRAW);
        blockDirty_ = false;
    }
    return true;
}

// Where each value of a parameter lives in the block: elements at the array stride, matrix rows
// at the matrix stride (or columns, for a column-major member).
void placeValues(ParameterRuntime& p, size_t blockSize) {
    const fx::UniformMember& m = *p.member;
    const size_t rows = static_cast<size_t>(p.info.rows), columns = static_cast<size_t>(p.info.columns);
    const size_t perElement = rows * columns;
    p.kind = m.kind;
    p.offsets.assign(p.values.size(), kNoOffset);
    for (size_t v = 0; v < p.values.size(); ++v) {
        size_t element = v / perElement, within = v % perElement;
        size_t r = within / columns, c = within % columns;
        if ((m.elements > 0 && element >= m.elements) || (m.elements == 0 && element > 0)) break;
        if (r >= m.rows || c >= m.columns) continue;
        size_t offset = m.offset + element * m.arrayStride;
        if (m.rows > 1)
            offset += m.rowsContiguous ? r * m.matrixStride + c * 4 : c * m.matrixStride + r * 4;
        else
            offset += c * 4;
        if (offset + 4 <= blockSize) p.offsets[v] = static_cast<uint32_t>(offset);
    }
    p.contiguous = p.kind == fx::ScalarKind::Float && !p.offsets.empty();
    for (size_t v = 0; v < p.offsets.size() && p.contiguous; ++v)
        p.contiguous = p.offsets[v] == p.offsets[0] + 4 * v;
}

// Copies values [first, first + count) of a parameter into the block image.
void Effect::store(const ParameterRuntime& p, size_t first, size_t count) {
    uint8_t* block = block_.data();
    const uint32_t* offsets = p.offsets.data();
    const float* values = p.values.data();
    const size_t end = first + count;
    if (p.contiguous) {
        std::memcpy(block + offsets[first], values + first, count * 4);
        return;
    }
    if (p.kind == fx::ScalarKind::Float) {
        for (size_t v = first; v < end; ++v)
            if (offsets[v] != kNoOffset) std::memcpy(block + offsets[v], values + v, 4);
        return;
    }
    const bool isBool = p.info.type == fx::BaseType::Bool;
    for (size_t v = first; v < end; ++v) {
        if (offsets[v] == kNoOffset) continue;
        uint32_t bits;
        if (p.kind == fx::ScalarKind::Int) {
            int32_t i = static_cast<int32_t>(values[v]);
            std::memcpy(&bits, &i, 4);
        } else {
            bits = isBool ? (values[v] != 0.0f ? 1u : 0u) : static_cast<uint32_t>(values[v]);
        }
        std::memcpy(block + offsets[v], &bits, 4);
    }
}

HRESULT Effect::write(ParameterRuntime& p, const float* values, size_t count, size_t first) {
    if (p.values.empty()) return D3DERR_INVALIDCALL;
    if (first >= p.values.size()) return D3D_OK;
    size_t n = std::min(count, p.values.size() - first);
    float* at = p.values.data() + first;
    if (std::memcmp(at, values, n * 4) == 0) return D3D_OK;  // unchanged: nothing to upload
    std::memcpy(at, values, n * 4);
    if (p.member) {
        store(p, first, n);
        blockDirty_ = true;
    }
    return D3D_OK;
}

HRESULT Effect::SetMatrixArray(D3DXHANDLE handle, const D3DMATRIX* matrices, UINT count) {
    int i = parameter(handle);
    if (i < 0 || !matrices) return D3DERR_INVALIDCALL;
    ParameterRuntime& p = params_[i];
    if (p.values.empty()) return D3DERR_INVALIDCALL;
    // Each matrix fills rows x columns values; a float4x3 takes the first three columns.
    const size_t rows = std::min<size_t>(static_cast<size_t>(p.info.rows), 4);
    const size_t columns = std::min<size_t>(static_cast<size_t>(p.info.columns), 4);
    const size_t perMatrix = rows * columns;
    for (UINT k = 0; k < count && k * perMatrix < p.values.size(); ++k) {
        float values[16];
        if (perMatrix == 16) {
            std::memcpy(values, matrices[k].m, sizeof values);
        } else {
            for (size_t r = 0; r < rows; ++r)
                for (size_t c = 0; c < columns; ++c) values[r * columns + c] = matrices[k].m[r][c];
        }
        write(p, values, perMatrix, k * perMatrix);
    }
    return D3D_OK;
}

HRESULT Effect::GetMatrix(D3DXHANDLE handle, D3DMATRIX* matrix) {
    int i = parameter(handle);
    if (i < 0 || !matrix || params_[i].values.empty()) return D3DERR_INVALIDCALL;
    const ParameterRuntime& p = params_[i];
    std::memset(matrix, 0, sizeof *matrix);
    const size_t rows = static_cast<size_t>(p.info.rows), columns = static_cast<size_t>(p.info.columns);
    for (size_t r = 0; r < rows && r < 4; ++r)
        for (size_t c = 0; c < columns && c < 4; ++c) matrix->m[r][c] = p.values[r * columns + c];
    return D3D_OK;
}

HRESULT Effect::GetParameterDesc(D3DXHANDLE handle, D3DXPARAMETER_DESC* desc) {
    int i = parameter(handle);
    if (i < 0 || !desc) return D3DERR_INVALIDCALL;
    const fx::Parameter& p = params_[i].info;
    desc->Name = p.name.c_str();
    desc->Semantic = p.semantic.empty() ? nullptr : p.semantic.c_str();
    switch (p.cls) {
    case fx::ParamClass::Scalar: desc->Class = D3DXPC_SCALAR; break;
    case fx::ParamClass::Vector: desc->Class = D3DXPC_VECTOR; break;
    case fx::ParamClass::Matrix: desc->Class = D3DXPC_MATRIX_ROWS; break;
    case fx::ParamClass::Object: desc->Class = D3DXPC_OBJECT; break;
    case fx::ParamClass::Struct: desc->Class = D3DXPC_STRUCT; break;
    }
    switch (p.type) {
    case fx::BaseType::Bool: desc->Type = D3DXPT_BOOL; break;
    case fx::BaseType::Int:
    case fx::BaseType::Uint: desc->Type = D3DXPT_INT; break;
    case fx::BaseType::Float: desc->Type = D3DXPT_FLOAT; break;
    case fx::BaseType::String: desc->Type = D3DXPT_STRING; break;
    case fx::BaseType::Texture:
        desc->Type = p.typeName == "texture1D" ? D3DXPT_TEXTURE1D : p.typeName == "texture2D" ? D3DXPT_TEXTURE2D
                     : p.typeName == "texture3D" ? D3DXPT_TEXTURE3D : p.typeName == "textureCUBE" ? D3DXPT_TEXTURECUBE
                                                                                                  : D3DXPT_TEXTURE;
        break;
    case fx::BaseType::Sampler:
        desc->Type = p.samplerDimension == 1 ? D3DXPT_SAMPLER1D : p.samplerDimension == 3 ? D3DXPT_SAMPLER3D
                     : p.samplerDimension == 6 ? D3DXPT_SAMPLERCUBE : D3DXPT_SAMPLER2D;
        break;
    case fx::BaseType::Struct:
    case fx::BaseType::Void: desc->Type = D3DXPT_VOID; break;
    }
    bool object = p.cls == fx::ParamClass::Object;
    desc->Rows = object ? 0 : static_cast<UINT>(p.rows);
    desc->Columns = object ? 0 : static_cast<UINT>(p.columns);
    desc->Elements = static_cast<UINT>(p.elements);
    desc->Annotations = 0;
    desc->StructMembers = 0;
    desc->Flags = 0;
    desc->Bytes = object ? 4 : static_cast<UINT>(params_[i].values.size() * 4);
    return D3D_OK;
}

void Effect::bindSamplers(const PassRuntime& pass) {
    for (const SamplerUnit& su : pass.samplers) {
        const ParameterRuntime& s = params_[su.param];
        IDirect3DBaseTexture9* texture = s.textureParam >= 0 ? params_[s.textureParam].texture : s.texture;
        device_->SetTexture(su.unit, texture);
    }
    texturesDirty_ = false;
}

HRESULT Effect::Begin(UINT* passes, DWORD flags) {
    if (current_ >= techniques_.size() || begun_) return D3DERR_INVALIDCALL;
    const TechniqueRuntime& t = techniques_[current_];
    if (passes) *passes = static_cast<UINT>(t.passes.size());
    begun_ = true;
    restore_ = (flags & D3DXFX_DONOTSAVESTATE) == 0;
    if (restore_) {
        savedRender_.assign(t.renderStates.size(), 0);
        for (size_t i = 0; i < t.renderStates.size(); ++i) device_->GetRenderState(t.renderStates[i], &savedRender_[i]);
        savedSampler_.assign(t.samplerStates.size(), 0);
        for (size_t i = 0; i < t.samplerStates.size(); ++i)
            device_->GetSamplerState(t.samplerStates[i].first, t.samplerStates[i].second, &savedSampler_[i]);
    }
    return D3D_OK;
}

HRESULT Effect::BeginPass(UINT index) {
    if (!begun_ || active_) return D3DERR_INVALIDCALL;
    const TechniqueRuntime& t = techniques_[current_];
    if (index >= t.passes.size()) return D3DERR_INVALIDCALL;
    const PassRuntime& p = t.passes[index];
    d3d9glSetProgram(device_, p.program);
    for (const fx::StateAssignment& s : p.info.states)
        device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(s.state), s.value);
    for (const SamplerUnit& su : p.samplers)
        for (const fx::StateAssignment& s : params_[su.param].info.samplerStates)
            device_->SetSamplerState(su.unit, static_cast<D3DSAMPLERSTATETYPE>(s.state), s.value);
    bindSamplers(p);
    if (ubo_) {
        if (blockDirty_) upload();
        // Other effects bind their own block at the same point.
        glBindBufferBase(GL_UNIFORM_BUFFER, 0, ubo_);
    }
    active_ = &p;
    return D3D_OK;
}

HRESULT Effect::End() {
    if (!begun_) return D3DERR_INVALIDCALL;
    active_ = nullptr;
    begun_ = false;
    if (restore_) {
        const TechniqueRuntime& t = techniques_[current_];
        for (size_t i = 0; i < t.renderStates.size(); ++i) device_->SetRenderState(t.renderStates[i], savedRender_[i]);
        for (size_t i = 0; i < t.samplerStates.size(); ++i)
            device_->SetSamplerState(t.samplerStates[i].first, t.samplerStates[i].second, savedSampler_[i]);
    }
    return D3D_OK;
}

// ---- Creation -------------------------------------------------------------------------------

// Each message names file, line and column, followed by the source line with a caret.
HRESULT fail(const std::vector<fx::Diagnostic>& errors, LPD3DXBUFFER* out, const fx::PreprocessedSource* src = nullptr) {
    if (out) {
        std::string text;
        for (const fx::Diagnostic& d : errors) text += src ? src->format(d) : fx::formatDiagnostic(d) + "\n";
        *out = textBuffer(text);
    }
    return D3DXERR_INVALIDDATA;
}

HRESULT create(IDirect3DDevice9* device, const std::string& text, const std::string& name, const D3DXMACRO* defines,
               LPD3DXINCLUDE include, DWORD flags, LPD3DXEFFECT* effect, LPD3DXBUFFER* errors) {
    std::vector<fx::MacroDefinition> macros;
    for (const D3DXMACRO* m = defines; m && m->Name; ++m)
        macros.push_back(fx::MacroDefinition{m->Name, m->Definition ? m->Definition : ""});
    fx::IncludeOpener opener = fx::openIncludeFromDisk;
    if (include)
        opener = [include](const std::string& file, bool system, const std::string&, std::string& out,
                           std::string& path) {
            LPCVOID data = nullptr;
            UINT bytes = 0;
            if (FAILED(include->Open(system ? D3DXINC_SYSTEM : D3DXINC_LOCAL, file.c_str(), nullptr, &data, &bytes)) ||
                !data)
                return false;
            out.assign(static_cast<const char*>(data), bytes);
            include->Close(data);
            path = file;
            return true;
        };
    std::vector<fx::Diagnostic> diagnostics;
    fx::PreprocessedSource pre;
    if (!fx::preprocess(text, name, macros, opener, pre, diagnostics)) return fail(diagnostics, errors, &pre);
    fx::EffectSource source;
    if (!fx::parseEffect(pre, source, diagnostics)) return fail(diagnostics, errors, &pre);
    Effect* e = new Effect(device);
    bool built = false;
    try {
        built = e->build(pre, source, (flags & D3DXSHADER_SKIPOPTIMIZATION) == 0, diagnostics);
    } catch (...) {
        e->Release();
        throw;
    }
    if (!built) {
        e->Release();
        return fail(diagnostics, errors, &pre);
    }
    *effect = e;
    return D3D_OK;
}

}  // namespace

HRESULT D3DXCreateBuffer(DWORD bytes, LPD3DXBUFFER* buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = new Buffer(bytes);
    return D3D_OK;
}

HRESULT D3DXCreateEffectEx(IDirect3DDevice9* device, LPCVOID srcData, UINT srcLength, LPCSTR srcName,
                           const D3DXMACRO* defines, LPD3DXINCLUDE include, DWORD flags, LPD3DXEFFECTPOOL /*pool*/,
                           LPD3DXEFFECT* effect, LPD3DXBUFFER* errors) {
    if (errors) *errors = nullptr;
    if (!effect) return D3DERR_INVALIDCALL;
    *effect = nullptr;
    if (!device || !srcData) return D3DERR_INVALIDCALL;
    try {
        std::string text(static_cast<const char*>(srcData), srcLength);
        return create(device, text, srcName ? srcName : "memory", defines, include, flags, effect, errors);
    } catch (const std::exception& e) {
        return fail({fx::Diagnostic{srcName ? srcName : "memory", 1, 1, std::string("internal error: ") + e.what()}},
                    errors);
    }
}

HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID srcData, UINT srcLength, const D3DXMACRO* defines,
                         LPD3DXINCLUDE include, DWORD flags, LPD3DXEFFECTPOOL pool, LPD3DXEFFECT* effect,
                         LPD3DXBUFFER* errors) {
    return D3DXCreateEffectEx(device, srcData, srcLength, nullptr, defines, include, flags, pool, effect, errors);
}

HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, LPCSTR srcFile, const D3DXMACRO* defines,
                                  LPD3DXINCLUDE include, DWORD flags, LPD3DXEFFECTPOOL pool, LPD3DXEFFECT* effect,
                                  LPD3DXBUFFER* errors) {
    if (errors) *errors = nullptr;
    if (!effect) return D3DERR_INVALIDCALL;
    *effect = nullptr;
    if (!device || !srcFile) return D3DERR_INVALIDCALL;
    std::string s;
    try {
        std::ifstream in(srcFile, std::ios::binary);
        if (!in) {
            if (errors) *errors = textBuffer(std::string(srcFile) + "(1,1): error: cannot open the effect file\n");
            return D3DXERR_INVALIDDATA;
        }
        std::ostringstream text;
        text << in.rdbuf();
        s = text.str();
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
    return D3DXCreateEffectEx(device, s.data(), static_cast<UINT>(s.size()), srcFile, defines, include, flags, pool,
                              effect, errors);
}
