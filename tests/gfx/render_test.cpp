// Render textures, the screen quad and the render-state helpers, checked on rendered pixels.
#include <gtest/gtest.h>

#include <stb_image_write.h>

#include <string>

#include "device_env.h"
#include "gfx/effects.h"
#include "gfx/quad.h"
#include "gfx/render_texture.h"
#include "platform/d3d9_gl.h"
#include "platform/d3dx9tex.h"

namespace {

// The test effect, compiled once per test that draws.
struct TestEffect {
    Effects effects;
    ID3DXEffect* fx = nullptr;
    TestEffect() {
        const char* const list[] = {kTestEffectPath, "test", nullptr};
        StdoutHook quiet;
        effects.compile(list);
        if (effects.size() == 1)
            fx = effects.objects[0];
        effects.setCurrentRef("test");
    }
};

// The screen quad's buffers (and "general" in mainEffects), made once per test program.
void ensureQuad() {
    if (quadMesh.vertexBuffer)
        return;
    StdoutHook quiet;
    InitQuad();
}

void quadStates() {
    setCullAndDepth(D3DCULL_NONE, 0);
    setBlend(0, D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
}

// A 2 x 2 texture: top-left red, top-right green, bottom-left blue, bottom-right white.
IDirect3DTexture9* cornerTexture() {
    const unsigned char rgba[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    const std::string path = tempPath("gfx_corners.png");
    stbi_write_png(path.c_str(), 2, 2, 4, rgba, 8);
    IDirect3DTexture9* texture = nullptr;
    D3DXCreateTextureFromFileA(d3dDevice, path.c_str(), &texture);
    return texture;
}

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

class QuadTest : public testing::Test {
protected:
    void SetUp() override { ensureQuad(); }
    void TearDown() override {
        WIDTH = kTestWidth;
        HEIGHT = kTestHeight;
        RENDERHEIGHT = kTestHeight;
    }
};

TEST_F(QuadTest, InitQuadCompilesGeneralAndCreatesTheBuffers) {
    Effects saved;
    std::swap(saved.names, mainEffects.names);
    std::swap(saved.objects, mainEffects.objects);
    quadMesh.release();
    StdoutHook out;
    InitQuad();
    EXPECT_EQ(out.text(), "InitQuad -> General.fxEffects::Compiling data/general.fx\nEffects::Done Compiling\n");
    EXPECT_EQ(mainEffects.size(), 1);
    EXPECT_NE(mainEffects.find("general"), nullptr);
    ASSERT_NE(quadMesh.vertexBuffer, nullptr);
    ASSERT_NE(quadMesh.indexBuffer, nullptr);
    D3DVERTEXBUFFER_DESC vb{};
    quadMesh.vertexBuffer->GetDesc(&vb);
    EXPECT_EQ(vb.Size, 128u);
    EXPECT_EQ(vb.Usage, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY);
    D3DINDEXBUFFER_DESC ib{};
    quadMesh.indexBuffer->GetDesc(&ib);
    EXPECT_EQ(ib.Size, 12u);
    EXPECT_EQ(ib.Pool, D3DPOOL_MANAGED);
    std::swap(saved.names, mainEffects.names);
    std::swap(saved.objects, mainEffects.objects);
}

TEST_F(QuadTest, FullScreenQuadCornersCarryTheirTextureCoordinates) {
    TestEffect test;
    ASSERT_NE(test.fx, nullptr);
    IDirect3DTexture9* texture = cornerTexture();
    ASSERT_NE(texture, nullptr);
    const D3DMATRIX ortho = orthoMatrixLH((float)WIDTH, (float)HEIGHT);
    test.fx->SetMatrix("matWorldViewProjection", &ortho);
    test.fx->SetTexture("tex0", texture);

    d3dDevice->BeginScene();
    d3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    quadStates();
    test.effects.begin(1, nullptr);
    drawFullScreenQuad();
    test.effects.end(nullptr);
    d3dDevice->EndScene();
    test.fx->SetTexture("tex0", nullptr);
    texture->Release();

    EXPECT_EQ(quadMesh.triangleCount, 2u);
    EXPECT_EQ(quadMesh.vertexCount, 4u);
    EXPECT_EQ(quadMesh.stride, 20u);
    // Screen bottom-left is vertex 0 with (u, v) = (1, 0), the texture's top-right texel, and
    // so on: the quad shows the texture turned half round.
    const Pixels px = readBackBuffer();
    EXPECT_EQ(px.at(1, 62) & 0xFFFFFF, kGreen);
    EXPECT_EQ(px.at(62, 62) & 0xFFFFFF, kRed);
    EXPECT_EQ(px.at(1, 1) & 0xFFFFFF, kWhite);
    EXPECT_EQ(px.at(62, 1) & 0xFFFFFF, kBlue);
}

TEST_F(QuadTest, GeneralShowsTheTextureUprightInsideTheBand) {
    ID3DXEffect* general = mainEffects.find("general");
    ASSERT_NE(general, nullptr);
    IDirect3DTexture9* texture = cornerTexture();
    RENDERHEIGHT = 32;  // a letterboxed band of rows 16 to 47
    const D3DMATRIX ortho = orthoMatrixLH((float)WIDTH, (float)HEIGHT);
    mainEffects.setCurrentRef("general");
    general->SetMatrix("matWorldViewProjection", &ortho);
    general->SetTexture("tex0", texture);

    d3dDevice->BeginScene();
    d3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    quadStates();
    mainEffects.begin(0, nullptr);
    drawFullScreenQuad();
    mainEffects.end(nullptr);
    d3dDevice->EndScene();
    general->SetTexture("tex0", nullptr);
    texture->Release();

    const Pixels px = readBackBuffer();
    EXPECT_EQ(px.at(1, 17) & 0xFFFFFF, kRed);
    EXPECT_EQ(px.at(62, 17) & 0xFFFFFF, kGreen);
    EXPECT_EQ(px.at(1, 46) & 0xFFFFFF, kBlue);
    EXPECT_EQ(px.at(62, 46) & 0xFFFFFF, kWhite);
    EXPECT_EQ(px.at(30, 14) & 0xFFFFFF, 0u);  // the bars keep their clear colour
    EXPECT_EQ(px.at(30, 49) & 0xFFFFFF, 0u);
}

TEST(RenderStates, SetBlendOffLeavesOperationAndFactors) {
    setBlend(1, D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    setBlend(0, D3DBLENDOP_SUBTRACT, D3DBLEND_ONE, D3DBLEND_ZERO);
    DWORD enable = 9, op = 0, src = 0, dst = 0;
    d3dDevice->GetRenderState(D3DRS_ALPHABLENDENABLE, &enable);
    d3dDevice->GetRenderState(D3DRS_BLENDOP, &op);
    d3dDevice->GetRenderState(D3DRS_SRCBLEND, &src);
    d3dDevice->GetRenderState(D3DRS_DESTBLEND, &dst);
    EXPECT_EQ(enable, 0u);
    EXPECT_EQ(op, (DWORD)D3DBLENDOP_ADD);
    EXPECT_EQ(src, (DWORD)D3DBLEND_SRCALPHA);
    EXPECT_EQ(dst, (DWORD)D3DBLEND_INVSRCALPHA);

    setCullAndDepth(D3DCULL_CCW, 1);
    DWORD cull = 0, z = 0;
    d3dDevice->GetRenderState(D3DRS_CULLMODE, &cull);
    d3dDevice->GetRenderState(D3DRS_ZENABLE, &z);
    EXPECT_EQ(cull, (DWORD)D3DCULL_CCW);
    EXPECT_EQ(z, 1u);
    setCullAndDepth(D3DCULL_NONE, 0);
}

TEST(RenderTextureCreate, ScaledSizesTruncateAndPrint) {
    displaySettings.renderWidth = 1279;
    displaySettings.renderHeight = 33;
    RenderTexture target;
    std::string created;
    {
        StdoutHook out;
        target.createScaled(0.5f, 1.0f, 0, D3DFMT_X8R8G8B8);
        created = out.text();
    }
    EXPECT_EQ(created, "RenderTexture [W = 639    H = 33\n");
    EXPECT_EQ(target.width, 639);
    EXPECT_EQ(target.height, 33);
    EXPECT_NE(target.texture, nullptr);
    EXPECT_NE(target.surface, nullptr);
    EXPECT_NE(target.depthStencil, nullptr);
    EXPECT_EQ(target.msTarget, nullptr);
    displaySettings.renderWidth = kTestWidth;
    displaySettings.renderHeight = kTestHeight;
}

TEST(RenderTextureDraw, MultisampledDrawingResolvesIntoTheTextureAndTargetsComeBack) {
    TestEffect test;
    ASSERT_NE(test.fx, nullptr);
    ensureQuad();
    displaySettings.multiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    const int liveBefore = d3d9glLiveObjectCount();
    {
        RenderTexture target;
        std::string created;
        {
            StdoutHook out;
            target.create(32, 16, 1, D3DFMT_A8R8G8B8);
            created = out.text();
        }
        EXPECT_EQ(created, "RenderTexture [W = 32    H = 16\ncreated ms depthstencil\n");
        ASSERT_NE(target.msTarget, nullptr);
        D3DSURFACE_DESC ms{};
        target.msTarget->GetDesc(&ms);
        EXPECT_EQ(ms.MultiSampleType, D3DMULTISAMPLE_4_SAMPLES);

        IDirect3DSurface9* before = nullptr;
        IDirect3DSurface9* beforeDepth = nullptr;
        d3dDevice->GetRenderTarget(0, &before);
        d3dDevice->GetDepthStencilSurface(&beforeDepth);

        // Left half blue over a red clear, drawn in the render texture's own pixel space.
        const D3DMATRIX ortho = orthoMatrixLH(32.0f, 16.0f);
        const float blue[4] = {0, 0, 1, 1};
        test.fx->SetMatrix("matWorldViewProjection", &ortho);
        test.fx->SetFloatArray("DiffuseColor", blue, 4);
        target.begin();
        d3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFF0000, 1.0f, 0);
        quadStates();
        test.effects.begin(0, nullptr);
        drawQuad(16.0f, 16.0f, -8.0f, 0.0f, 0.0f);
        test.effects.end(nullptr);
        target.end();

        IDirect3DSurface9* after = nullptr;
        IDirect3DSurface9* afterDepth = nullptr;
        d3dDevice->GetRenderTarget(0, &after);
        d3dDevice->GetDepthStencilSurface(&afterDepth);
        EXPECT_EQ(after, before);
        EXPECT_EQ(afterDepth, beforeDepth);
        EXPECT_EQ(target.savedTarget, nullptr);
        EXPECT_EQ(target.savedDepthStencil, nullptr);
        for (IDirect3DSurface9* s : {before, beforeDepth, after, afterDepth})
            if (s)
                s->Release();

        const Pixels px = readTextureLevel(target.texture, 0);
        ASSERT_EQ(px.width, 32u);
        EXPECT_EQ(px.at(2, 8) & 0xFFFFFF, kBlue);
        EXPECT_EQ(px.at(13, 2) & 0xFFFFFF, kBlue);
        EXPECT_EQ(px.at(18, 8) & 0xFFFFFF, kRed);
        EXPECT_EQ(px.at(30, 14) & 0xFFFFFF, kRed);
    }
    EXPECT_EQ(d3d9glLiveObjectCount(), liveBefore);
    displaySettings.multiSampleType = D3DMULTISAMPLE_NONE;
}

TEST(RenderTextureDraw, MultisampledWithoutSamplesStillResolves) {
    displaySettings.multiSampleType = D3DMULTISAMPLE_NONE;
    RenderTexture target;
    {
        StdoutHook quiet;
        target.create(16, 16, 1, D3DFMT_A8R8G8B8);
    }
    ASSERT_NE(target.msTarget, nullptr);
    target.begin();
    d3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    target.end();
    EXPECT_EQ(readTextureLevel(target.texture, 0).at(8, 8) & 0xFFFFFF, kGreen);
}

TEST(RenderTextureDraw, AReleasedRenderTextureLeavesTheDeviceAlone) {
    RenderTexture target;  // never created
    IDirect3DSurface9* before = nullptr;
    d3dDevice->GetRenderTarget(0, &before);
    testing::internal::CaptureStderr();
    target.begin();
    target.end();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    IDirect3DSurface9* after = nullptr;
    d3dDevice->GetRenderTarget(0, &after);
    EXPECT_EQ(after, before);
    before->Release();
    after->Release();
}

}  // namespace

namespace {

TEST(RenderTextureDraw, ABeginThatCannotSaveTheDepthSurfaceReportsAndReleases) {
    IDirect3DSurface9* depth = nullptr;
    ASSERT_TRUE(SUCCEEDED(d3dDevice->GetDepthStencilSurface(&depth)));
    RenderTexture target;
    {
        StdoutHook quiet;
        target.create(16, 16, 0, D3DFMT_X8R8G8B8);
    }
    ASSERT_NE(target.texture, nullptr);
    d3dDevice->SetDepthStencilSurface(nullptr);  // the device has none to hand back
    testing::internal::CaptureStderr();
    target.begin();
    target.end();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "MessageBox [RenderTarget] GetDepthStencil\n");
    EXPECT_EQ(target.texture, nullptr);
    EXPECT_EQ(target.surface, nullptr);
    EXPECT_EQ(target.depthStencil, nullptr);
    EXPECT_EQ(target.savedTarget, nullptr);
    EXPECT_EQ(target.width, 16);
    d3dDevice->SetDepthStencilSurface(depth);
    depth->Release();
}

}  // namespace
