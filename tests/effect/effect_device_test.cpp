// Effects on a GL device: the fixture rendered into a render texture and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/d3d9_gl.h"
#include "platform/d3dx9effect.h"
#include "platform/d3dx9math.h"

namespace {

IDirect3D9* gD3d = nullptr;
IDirect3DDevice9* gDevice = nullptr;

class DeviceEnvironment : public testing::Environment {
public:
    void SetUp() override {
        const HRESULT hr = d3d9glCreateOffscreenDevice(64, 64, &gD3d, &gDevice);
        ASSERT_TRUE(SUCCEEDED(hr) && gDevice) << "no device (is a display with GL 4.5 running?): " << std::hex << hr;
    }
    void TearDown() override {
        if (gDevice) gDevice->Release();
        if (gD3d) gD3d->Release();
        gDevice = nullptr;
        gD3d = nullptr;
    }
};

const auto* const kEnvironment = testing::AddGlobalTestEnvironment(new DeviceEnvironment);

constexpr UINT kSize = 8;

struct Vertex {
    float x, y, z, u, v;
};

std::string readText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Compiles a file; the message buffer's text, if any, goes to messages.
ID3DXEffect* load(const char* path, std::string* messages = nullptr, HRESULT* result = nullptr) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffectFromFileA(gDevice, path, nullptr, nullptr, D3DXSHADER_DEBUG, nullptr, &effect, &errors);
    if (result) *result = hr;
    if (errors) {
        if (messages) *messages = static_cast<const char*>(errors->GetBufferPointer());
        errors->Release();
    }
    return effect;
}

// An 8 x 8 render texture, a clip-space quad (uv 0,0 at the top left) and read-back.
class EffectRender : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(gDevice, nullptr);
        ASSERT_TRUE(SUCCEEDED(gDevice->CreateTexture(kSize, kSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                                     D3DPOOL_DEFAULT, &target_, nullptr)));
        target_->GetSurfaceLevel(0, &surface_);
        gDevice->GetRenderTarget(0, &backBuffer_);
        const Vertex quad[4] = {{-1, 1, 0, 0, 0}, {1, 1, 0, 1, 0}, {-1, -1, 0, 0, 1}, {1, -1, 0, 1, 1}};
        ASSERT_TRUE(SUCCEEDED(gDevice->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb_,
                                                          nullptr)));
        void* data = nullptr;
        vb_->Lock(0, 0, &data, 0);
        std::memcpy(data, quad, sizeof quad);
        vb_->Unlock();
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            D3DDECL_END()};
        gDevice->CreateVertexDeclaration(elements, &decl_);
        effect_ = load("tests/fixtures/effect_basic.fx", &messages_);
        ASSERT_NE(effect_, nullptr) << messages_;
        D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
        effect_->SetMatrix("matWorldViewProjection", &identity);
    }
    void TearDown() override {
        if (effect_) effect_->Release();
        if (backBuffer_) {
            gDevice->SetRenderTarget(0, backBuffer_);
            backBuffer_->Release();
        }
        if (decl_) decl_->Release();
        if (vb_) vb_->Release();
        if (surface_) surface_->Release();
        if (target_) target_->Release();
    }

    void beginTarget() {
        gDevice->SetRenderTarget(0, surface_);
        gDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        gDevice->BeginScene();
        gDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        gDevice->SetStreamSource(0, vb_, 0, sizeof(Vertex));
        gDevice->SetVertexDeclaration(decl_);
    }
    void drawQuad() { gDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2); }
    // Draws the quad once with pass `pass` of the current technique.
    void drawPass(UINT pass) {
        beginTarget();
        UINT passes = 0;
        effect_->Begin(&passes, 0);
        effect_->BeginPass(pass);
        drawQuad();
        effect_->EndPass();
        effect_->End();
        gDevice->EndScene();
    }
    std::vector<uint32_t> pixels() {
        std::vector<uint32_t> argb;
        UINT w = 0, h = 0;
        EXPECT_TRUE(SUCCEEDED(d3d9glReadSurface(surface_, argb, &w, &h)));
        EXPECT_EQ(w * h, kSize * kSize);
        argb.resize(kSize * kSize);
        return argb;
    }
    static int channel(uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

    IDirect3DTexture9* target_ = nullptr;
    IDirect3DSurface9* surface_ = nullptr;
    IDirect3DSurface9* backBuffer_ = nullptr;
    IDirect3DVertexBuffer9* vb_ = nullptr;
    IDirect3DVertexDeclaration9* decl_ = nullptr;
    ID3DXEffect* effect_ = nullptr;
    std::string messages_;
};

#define EXPECT_NEAR_ARGB(actual, a, r, g, b, tol)              \
    do {                                                       \
        uint32_t px_ = (actual);                               \
        EXPECT_NEAR(channel(px_, 24), (a), (tol)) << std::hex << px_; \
        EXPECT_NEAR(channel(px_, 16), (r), (tol)) << std::hex << px_; \
        EXPECT_NEAR(channel(px_, 8), (g), (tol)) << std::hex << px_;  \
        EXPECT_NEAR(channel(px_, 0), (b), (tol)) << std::hex << px_;  \
    } while (0)

TEST_F(EffectRender, TechniquesPassesAndReflection) {
    D3DXEFFECT_DESC desc{};
    effect_->GetDesc(&desc);
    EXPECT_EQ(desc.Techniques, 2u);
    EXPECT_EQ(desc.Parameters, 8u);
    D3DXHANDLE current = effect_->GetCurrentTechnique();
    ASSERT_NE(current, nullptr);
    EXPECT_STREQ(current, "Main");
    UINT passes = 0;
    ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 3u);
    EXPECT_EQ(effect_->BeginPass(3), D3DERR_INVALIDCALL);  // one past the last pass
    EXPECT_EQ(effect_->End(), D3D_OK);

    ASSERT_EQ(effect_->SetTechnique("Other"), D3D_OK);
    ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    effect_->End();

    D3DXPARAMETER_DESC p{};
    ASSERT_EQ(effect_->GetParameterDesc("SYNC", &p), D3D_OK);
    EXPECT_EQ(p.Class, D3DXPC_SCALAR);
    EXPECT_EQ(p.Elements, 23u);
    ASSERT_EQ(effect_->GetParameterDesc("matWorldViewProjection", &p), D3D_OK);
    EXPECT_EQ(p.Class, D3DXPC_MATRIX_ROWS);
    EXPECT_STREQ(p.Semantic, "WORLDVIEWPROJECTION");
    float defaults[4] = {};
    ASSERT_EQ(effect_->GetFloatArray("DiffuseColor", defaults, 4), D3D_OK);
    EXPECT_FLOAT_EQ(defaults[2], 0.3f);

    D3DXHANDLE pass = effect_->GetPass(effect_->GetTechnique(0), 1);
    D3DXPASS_DESC pd{};
    ASSERT_EQ(effect_->GetPassDesc(pass, &pd), D3D_OK);
    EXPECT_STREQ(pd.Name, "P1");
    EXPECT_STREQ(pd.PixelShaderEntry, "PS_Texture");
    EXPECT_EQ(pd.States, 5u);
    D3DXPASS_STATE state{};
    ASSERT_EQ(effect_->GetPassState(pass, 1, &state), D3D_OK);
    EXPECT_STREQ(state.Name, "SrcBlend");
    EXPECT_EQ(state.Value, static_cast<DWORD>(D3DBLEND_SRCALPHA));
}

// Pass 0 reads the colour and uv in the opposite order to the one the vertex shader writes:
// red from the colour, blue and alpha from uv. Misrouted varyings would swap them.
TEST_F(EffectRender, ParametersByNameAndVaryingsBySemantic) {
    const float colour[4] = {1.0f, 0.4f, 0.0f, 1.0f};
    ASSERT_EQ(effect_->SetFloatArray("DiffuseColor", colour, 4), D3D_OK);
    ASSERT_EQ(effect_->SetFloat("k", 0.5f), D3D_OK);
    // Names the effect does not declare change nothing.
    EXPECT_EQ(effect_->SetFloat("notDeclared", 9.0f), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect_->SetFloatArray("DiffuseColour", colour, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect_->SetTexture("tex9", nullptr), D3DERR_INVALIDCALL);
    drawPass(0);
    std::vector<uint32_t> px = pixels();
    // Red = colour.r * k, green = colour.g * k, blue = uv.x, alpha = uv.y.
    EXPECT_NEAR_ARGB(px[1 * kSize + 1], 32, 128, 51, 32, 10);
    EXPECT_NEAR_ARGB(px[7 * kSize + 4], 7 * 32, 128, 51, 4 * 32, 18);
}

TEST_F(EffectRender, MatricesApplyToRowVectors) {
    // The fixture as written (row-major packing) and packed by columns: SetMatrix means the
    // same matrix either way.
    std::string text = readText("tests/fixtures/effect_basic.fx");
    ASSERT_FALSE(text.empty());
    text = "#pragma pack_matrix(column_major)\n" + text;
    ID3DXEffect* columns = nullptr;
    ID3DXBuffer* errors = nullptr;
    ASSERT_EQ(D3DXCreateEffectEx(gDevice, text.data(), static_cast<UINT>(text.size()), "columns.fx", nullptr, nullptr,
                                 0, nullptr, &columns, &errors),
              D3D_OK);
    for (ID3DXEffect* effect : {effect_, columns}) {
        std::swap(effect_, effect);
        // D3DX row-vector form: scale by 0.5, then move by (0.5, 0.5): the quad lands in the top
        // right quarter. The transposed matrix would put w = 0.5x + 0.5y + 1 and smear it.
        D3DXMATRIX m(0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1, 0, 0.5f, 0.5f, 0, 1);
        ASSERT_EQ(effect_->SetMatrix("matWorldViewProjection", &m), D3D_OK);
        drawPass(0);
        std::vector<uint32_t> px = pixels();
        // Pixels clear of the quad's edges: inside the top right quarter, and outside it.
        for (UINT y = 0; y < kSize; ++y)
            for (UINT x = 0; x < kSize; ++x) {
                bool inside = x >= 5 && x <= 6 && y >= 1 && y <= 2;
                bool outside = x <= 2 || y >= 5;
                if (inside || outside) {
                    EXPECT_EQ((px[y * kSize + x] & 0xFF0000) != 0, inside) << x << "," << y;
                }
            }
        std::swap(effect_, effect);
    }
    columns->Release();
}

TEST_F(EffectRender, ArraysAndDefaultsReachTheShader) {
    float sync[23];
    for (int i = 0; i < 23; ++i) sync[i] = 0.01f * static_cast<float>(i);
    sync[0] = 0.2f;
    sync[22] = 0.4f;
    ASSERT_EQ(effect_->SetFloatArray("SYNC", sync, 23), D3D_OK);
    ASSERT_EQ(effect_->SetFloat("time", 0.6f), D3D_OK);
    drawPass(2);
    // (SYNC[0], SYNC[22], time, texelsize.y) with texelsize's default (0.25, 0.5).
    EXPECT_NEAR_ARGB(pixels()[9], 128, 51, 102, 153, 1);

    const float texel[2] = {0.1f, 0.8f};
    effect_->SetFloatArray("texelsize", texel, 2);
    drawPass(2);
    EXPECT_NEAR_ARGB(pixels()[9], 204, 51, 102, 153, 1);
}

TEST_F(EffectRender, CommitChangesBetweenDraws) {
    const float red[4] = {1, 0, 0, 1}, green[4] = {0, 1, 0, 1};
    effect_->SetFloatArray("DiffuseColor", red, 4);
    effect_->SetFloat("k", 1.0f);
    beginTarget();
    UINT passes = 0;
    effect_->Begin(&passes, 0);
    effect_->BeginPass(0);
    drawQuad();
    D3DXMATRIX quarter(0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1, 0, 0.5f, 0.5f, 0, 1);
    effect_->SetMatrix("matWorldViewProjection", &quarter);
    effect_->SetFloatArray("DiffuseColor", green, 4);
    EXPECT_EQ(effect_->CommitChanges(), D3D_OK);
    drawQuad();
    effect_->EndPass();
    effect_->End();
    gDevice->EndScene();
    std::vector<uint32_t> px = pixels();
    EXPECT_EQ(px[1 * kSize + 1] & 0xFFFF00, 0xFF0000u);  // bottom left: the first draw
    EXPECT_EQ(px[1 * kSize + 6] & 0xFFFF00, 0x00FF00u);  // top right: the committed one
    EXPECT_EQ(effect_->CommitChanges(), D3DERR_INVALIDCALL);  // outside a pass
}

// Vertex shader models below 3.0 clamp their colour outputs to 0..1; vs_3_0 passes them on.
TEST_F(EffectRender, ColourOutputsClampBelowShaderModel3) {
    const std::string text =
        "struct V { float4 pos : POSITION; float4 col : COLOR0; };\n"
        "V VS(float3 p : POSITION) { V o; o.pos = float4(p, 1); o.col = float4(2, 0.5, 0, 1); return o; }\n"
        "float4 PS(float4 col : COLOR0) : COLOR { return col * 0.5; }\n"
        "technique T {\n"
        "  pass Model2 { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); }\n"
        "  pass Model3 { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); }\n"
        "}\n";
    ID3DXEffect* colours = nullptr;
    ASSERT_EQ(D3DXCreateEffectEx(gDevice, text.data(), static_cast<UINT>(text.size()), "colours.fx", nullptr, nullptr,
                                 0, nullptr, &colours, nullptr),
              D3D_OK);
    std::swap(effect_, colours);
    drawPass(0);
    EXPECT_NEAR_ARGB(pixels()[3 * kSize + 3], 128, 128, 64, 0, 1);
    drawPass(1);
    EXPECT_NEAR_ARGB(pixels()[3 * kSize + 3], 128, 255, 64, 0, 1);
    std::swap(effect_, colours);
    colours->Release();
}

// VPOS counts whole pixels from the top left, as in Direct3D 9: pixel (x, y) reads (x, y).
TEST_F(EffectRender, VposCountsPixelsFromTheTopLeft) {
    const std::string text =
        "float4 VS(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
        "float4 PS(float2 vpos : VPOS) : COLOR { return float4(vpos.x / 8, vpos.y / 8, 0, 1); }\n"
        "technique T { pass P { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }\n";
    ID3DXEffect* vpos = nullptr;
    ASSERT_EQ(D3DXCreateEffectEx(gDevice, text.data(), static_cast<UINT>(text.size()), "vpos.fx", nullptr, nullptr, 0,
                                 nullptr, &vpos, nullptr),
              D3D_OK);
    std::swap(effect_, vpos);
    drawPass(0);
    std::vector<uint32_t> px = pixels();
    for (UINT y = 1; y < kSize - 1; y += 2)
        for (UINT x = 1; x < kSize - 1; x += 2)
            EXPECT_NEAR_ARGB(px[y * kSize + x], 255, static_cast<int>(x * 32), static_cast<int>(y * 32), 0, 1);
    std::swap(effect_, vpos);
    vpos->Release();
}

// A 2 x 2 texture: red, green / blue, white.
IDirect3DTexture9* cornerTexture() {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(gDevice->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr))) return nullptr;
    D3DLOCKED_RECT rect{};
    texture->LockRect(0, &rect, nullptr, 0);
    const uint32_t texels[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    for (int y = 0; y < 2; ++y)
        std::memcpy(static_cast<char*>(rect.pBits) + y * rect.Pitch, texels + 2 * y, 8);
    texture->UnlockRect(0);
    return texture;
}

TEST_F(EffectRender, TexturesWithTheirSamplerStatesAndPassStates) {
    IDirect3DTexture9* texture = cornerTexture();
    ASSERT_NE(texture, nullptr);
    ASSERT_EQ(effect_->SetTexture("tex0", texture), D3D_OK);
    gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    gDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);

    beginTarget();
    UINT passes = 0;
    effect_->Begin(&passes, 0);
    effect_->BeginPass(1);
    DWORD value = 0;
    gDevice->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, 1u);
    gDevice->GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_SRCALPHA));
    gDevice->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_POINT));
    drawQuad();
    effect_->EndPass();
    effect_->BeginPass(0);
    gDevice->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_FALSE));
    effect_->EndPass();
    effect_->End();
    gDevice->EndScene();
    // End puts back what the passes changed.
    gDevice->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, 0u);
    gDevice->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_TRUE));

    std::vector<uint32_t> px = pixels();
    // Point sampling: no blend even next to the middle, where linear filtering would mix.
    EXPECT_EQ(px[3 * kSize + 3] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(px[1 * kSize + 6] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(px[6 * kSize + 1] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(px[6 * kSize + 6] & 0xFFFFFF, 0xFFFFFFu);

    // Unbinding: the effect drops its reference.
    effect_->SetTexture("tex0", nullptr);
    EXPECT_EQ(texture->Release(), 0u);
}

TEST(EffectErrors, BrokenFilesReportFileLineAndColumn) {
    ASSERT_NE(gDevice, nullptr);
    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"tests/fixtures/effect_bad_syntax.fx", "tests/fixtures/effect_bad_syntax.fx(10,1): error: syntax error: expected ';'"},
        {"tests/fixtures/effect_bad_entry.fx",
         "tests/fixtures/effect_bad_entry.fx(12,81): error: entry point 'PSMissing' not found"},
        {"tests/fixtures/effect_bad_state.fx",
         "tests/fixtures/effect_bad_state.fx(10,9): error: unknown render state 'ZBufferMagic'"},
        {"tests/fixtures/no_such_effect.fx", "tests/fixtures/no_such_effect.fx(1,1): error: cannot open the effect file"},
    };
    for (const Case& c : cases) {
        std::string messages;
        HRESULT hr = S_OK;
        ID3DXEffect* effect = load(c.path, &messages, &hr);
        EXPECT_EQ(effect, nullptr) << c.path;
        EXPECT_TRUE(FAILED(hr)) << c.path;
        EXPECT_EQ(messages.substr(0, messages.find('\n')), c.expected) << messages;
        // Then the source line itself, with a caret under the column.
        const std::string source = readText(c.path);
        if (!source.empty()) {
            size_t second = messages.find('\n') + 1;
            std::string quoted = messages.substr(second, messages.find('\n', second) - second);
            ASSERT_GT(quoted.size(), 4u) << messages;
            EXPECT_NE(source.find(quoted.substr(4) + "\n"), std::string::npos) << messages;
            size_t col = std::stoul(c.expected + std::strcspn(c.expected, ",") + 1);
            EXPECT_EQ(messages.find("^", second), second + quoted.size() + 1 + 4 + col - 1) << messages;
        }
        if (effect) effect->Release();
    }
}

TEST(EffectErrors, EffectsFromMemoryWithMacros) {
    ASSERT_NE(gDevice, nullptr);
    const std::string text =
        "float4 VS(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
        "float4 PS() : COLOR { return VALUE; }\n"
        "#ifdef WITH_TECHNIQUE\n"
        "technique T { pass P { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }\n"
        "#endif\n";
    const D3DXMACRO withTechnique[] = {{"WITH_TECHNIQUE", nullptr}, {"VALUE", "0.5"}, {nullptr, nullptr}};
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    ASSERT_EQ(D3DXCreateEffectEx(gDevice, text.data(), static_cast<UINT>(text.size()), "mem.fx", withTechnique, nullptr,
                                 0, nullptr, &effect, &errors),
              D3D_OK);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(errors, nullptr);
    effect->Release();

    // Without the technique the file still compiles, but nothing can begin.
    const D3DXMACRO valueOnly[] = {{"VALUE", "0.5"}, {nullptr, nullptr}};
    ASSERT_EQ(D3DXCreateEffectEx(gDevice, text.data(), static_cast<UINT>(text.size()), "mem.fx", valueOnly, nullptr,
                                 0, nullptr, &effect, &errors),
              D3D_OK);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->GetCurrentTechnique(), nullptr);
    UINT passes = 7;
    EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);
    effect->Release();

    // Without VALUE the pixel shader does not compile: no effect, a message naming the line.
    const D3DXMACRO techniqueOnly[] = {{"WITH_TECHNIQUE", "1"}, {nullptr, nullptr}};
    EXPECT_TRUE(FAILED(D3DXCreateEffectEx(gDevice, text.data(), static_cast<UINT>(text.size()), "mem.fx",
                                          techniqueOnly, nullptr, 0, nullptr, &effect, &errors)));
    EXPECT_EQ(effect, nullptr);
    ASSERT_NE(errors, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(errors->GetBufferPointer())).substr(0, 26),
              "mem.fx(2,34): error: 'VALU");
    errors->Release();
}

}  // namespace

namespace {

// The fixture's shader code cut at a spread of places, its techniques kept: each cut either
// compiles or fails with a message and no effect.
TEST(EffectErrors, TruncatedFilesNeverGiveAHalfBuiltEffect) {
    ASSERT_NE(gDevice, nullptr);
    std::string text = readText("tests/fixtures/effect_basic.fx");
    ASSERT_FALSE(text.empty());
    const size_t split = text.find("technique Main");
    ASSERT_NE(split, std::string::npos);
    const std::string techniques = text.substr(split);
    for (size_t n = 0; n < split; n += 61) {
        const std::string cut = text.substr(0, n) + "\n" + techniques;
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* errors = nullptr;
        HRESULT hr = D3DXCreateEffectEx(gDevice, cut.data(), static_cast<UINT>(cut.size()), "cut.fx", nullptr, nullptr,
                                        0, nullptr, &effect, &errors);
        if (SUCCEEDED(hr)) {
            EXPECT_NE(effect, nullptr) << n;
            EXPECT_EQ(errors, nullptr) << n;
        } else {
            EXPECT_EQ(effect, nullptr) << n;
            ASSERT_NE(errors, nullptr) << n;
            EXPECT_EQ(std::string(static_cast<const char*>(errors->GetBufferPointer())).rfind("cut.fx(", 0), 0u) << n;
        }
        if (effect) effect->Release();
        if (errors) errors->Release();
    }
}

}  // namespace
