#include "tests/d3d9/d3d9_fixture.h"

#include <cstdio>
#include <cstring>

namespace d3d9test {

namespace {

const char* kVertexSource = R"(#version 410 core
layout(location = 0) in vec3 inPos;
layout(location = 8) in vec2 inUv;
layout(location = 9) in vec4 inOffset;
layout(location = 10) in vec4 inColour;
uniform vec2 screenSize;
uniform vec2 orl_PixelOffset;
out vec2 uv;
out vec4 colour;
void main() {
    vec2 p = inPos.xy + inOffset.xy;
    gl_Position = vec4(p.x / screenSize.x * 2.0 - 1.0, 1.0 - p.y / screenSize.y * 2.0, inPos.z, 1.0);
    uv = inUv;
    colour = inColour;
    gl_Position.xy += orl_PixelOffset * gl_Position.w;
}
)";

const char* kFragmentSource = R"(#version 410 core
uniform vec4 solid;
uniform int mode;
uniform sampler2D tex;
in vec2 uv;
in vec4 colour;
out vec4 frag;
void main() {
    frag = mode == 0   ? solid
           : mode == 1 ? texture(tex, uv)
           : mode == 2 ? colour
                       : vec4(floor(gl_FragCoord.xy) / 255.0, fract(gl_FragCoord.x), 1.0);
}
)";

GLuint compile(GLenum stage, const char* source) {
    GLuint s = glCreateShader(stage);
    glShaderSource(s, 1, &source, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024];
        glGetShaderInfoLog(s, sizeof log, nullptr, log);
        ADD_FAILURE() << log;
    }
    return s;
}

}  // namespace

GLuint DeviceTest::buildProgram() {
    GLuint vs = compile(GL_VERTEX_SHADER, kVertexSource), fs = compile(GL_FRAGMENT_SHADER, kFragmentSource);
    GLuint p = glCreateProgram();
    glAttachShader(p, vs);
    glAttachShader(p, fs);
    glLinkProgram(p);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    EXPECT_TRUE(ok);
    return p;
}

void DeviceTest::SetUp() {
    const HRESULT created = d3d9glCreateOffscreenDevice(kWidth, kHeight, &d3d_, &device_);
    if (created == D3DERR_NOTAVAILABLE) {
        GTEST_SKIP() << "no display";
    }
    ASSERT_EQ(created, D3D_OK);
    ASSERT_EQ(device_->CreateVertexBuffer(4096, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &vb_,
                                          nullptr),
              D3D_OK);
    ASSERT_EQ(device_->CreateIndexBuffer(6 * 64 * sizeof(uint16_t), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                         D3DPOOL_MANAGED, &ib_, nullptr),
              D3D_OK);
    void* p = nullptr;
    ASSERT_EQ(ib_->Lock(0, 0, &p, 0), D3D_OK);
    auto* idx = static_cast<uint16_t*>(p);
    for (uint16_t q = 0; q < 64; ++q) {
        const uint16_t b = static_cast<uint16_t>(q * 4);
        const uint16_t quad[6] = {b, uint16_t(b + 1), uint16_t(b + 2), uint16_t(b + 2), uint16_t(b + 1),
                                  uint16_t(b + 3)};
        std::memcpy(idx + q * 6, quad, sizeof quad);
    }
    ASSERT_EQ(ib_->Unlock(), D3D_OK);
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
        D3DDECL_END()};
    ASSERT_EQ(device_->CreateVertexDeclaration(elements, &decl_), D3D_OK);
    program_ = buildProgram();
    colorLoc_ = glGetUniformLocation(program_, "solid");
    modeLoc_ = glGetUniformLocation(program_, "mode");
    screenLoc_ = glGetUniformLocation(program_, "screenSize");
    setScreen(kWidth, kHeight);
    d3d9glSetProgram(device_, program_);
    device_->SetRenderState(D3DRS_ZENABLE, FALSE);
}

void DeviceTest::TearDown() {
    if (!d3d_) return;
    if (device_) {
        d3d9glForgetProgram(device_, program_);
        glDeleteProgram(program_);
    }
    for (IUnknown* o : std::initializer_list<IUnknown*>{decl_, ib_, vb_}) {
        if (o) {
            EXPECT_EQ(o->Release(), 0u);
        }
    }
    if (device_) {
        EXPECT_EQ(device_->Release(), 0u);
    }
    EXPECT_EQ(d3d_->Release(), 0u);
    EXPECT_EQ(d3d9glLiveObjectCount(), 0);
}

void DeviceTest::useShade(Shade shade, uint32_t argb) {
    glProgramUniform1i(program_, modeLoc_, static_cast<int>(shade));
    glProgramUniform4f(program_, colorLoc_, static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                       static_cast<float>((argb >> 8) & 0xFF) / 255.0f, static_cast<float>(argb & 0xFF) / 255.0f,
                       static_cast<float>(argb >> 24) / 255.0f);
}

void DeviceTest::setScreen(UINT width, UINT height) {
    glProgramUniform2f(program_, screenLoc_, static_cast<float>(width), static_cast<float>(height));
}

HRESULT DeviceTest::drawQuads(const std::vector<Vertex>& vertices) {
    void* p = nullptr;
    HRESULT hr = vb_->Lock(0, 0, &p, D3DLOCK_DISCARD);
    if (FAILED(hr)) return hr;
    std::memcpy(p, vertices.data(), vertices.size() * sizeof(Vertex));
    vb_->Unlock();
    device_->SetStreamSource(0, vb_, 0, sizeof(Vertex));
    device_->SetVertexDeclaration(decl_);
    device_->SetIndices(ib_);
    const UINT quads = static_cast<UINT>(vertices.size() / 4);
    return device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(vertices.size()), 0, quads * 2);
}

std::vector<Vertex> DeviceTest::pixelQuad(float x0, float y0, float x1, float y1, float z) {
    // Direct3D 9 pixel centres sit on integers: a quad whose edges lie half a pixel outside
    // them covers exactly the pixels [x0, x1) x [y0, y1), with texel centres at pixel centres.
    x0 -= 0.5f, y0 -= 0.5f, x1 -= 0.5f, y1 -= 0.5f;
    return {{x0, y0, z, 0, 0}, {x1, y0, z, 1, 0}, {x0, y1, z, 0, 1}, {x1, y1, z, 1, 1}};
}

std::vector<uint32_t> DeviceTest::readBack(IDirect3DSurface9* surface, UINT* w, UINT* h) {
    std::vector<uint32_t> pixels;
    EXPECT_EQ(d3d9glReadSurface(surface, pixels, w, h), D3D_OK);
    return pixels;
}

std::vector<uint32_t> DeviceTest::readBackBuffer() {
    IDirect3DSurface9* bb = nullptr;
    EXPECT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    std::vector<uint32_t> pixels = readBack(bb);
    bb->Release();
    return pixels;
}

}  // namespace d3d9test
