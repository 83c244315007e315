// Rendering through the Direct3D 9 stand-in, read back pixel by pixel.
#include <cmath>
#include <cstring>

#include "tests/d3d9/d3d9_fixture.h"

namespace d3d9test {
namespace {

using RenderTest = DeviceTest;

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu;

uint32_t at(const std::vector<uint32_t>& px, UINT width, UINT x, UINT y) { return px[y * width + x]; }

int channel(uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

TEST_F(RenderTest, ClearFillsTheBackBufferAndOnlyTheGivenRectangles) {
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF123456u, 1.0f, 0), D3D_OK);
    for (uint32_t p : readBackBuffer()) ASSERT_EQ(p, 0xFF123456u);

    const D3DRECT rect{10, 5, 20, 8};
    ASSERT_EQ(device_->Clear(1, &rect, D3DCLEAR_TARGET, kRed, 1.0f, 0), D3D_OK);
    // A viewport limits a clear too.
    D3DVIEWPORT9 vp{40, 30, 4, 4, 0.0f, 1.0f};
    ASSERT_EQ(device_->SetViewport(&vp), D3D_OK);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGreen, 1.0f, 0), D3D_OK);
    std::vector<uint32_t> px = readBackBuffer();
    for (UINT y = 0; y < kHeight; ++y) {
        for (UINT x = 0; x < kWidth; ++x) {
            const bool inRect = x >= 10 && x < 20 && y >= 5 && y < 8;
            const bool inViewport = x >= 40 && x < 44 && y >= 30 && y < 34;
            ASSERT_EQ(at(px, kWidth, x, y), inRect ? kRed : inViewport ? kGreen : 0xFF123456u) << x << "," << y;
        }
    }
}

TEST_F(RenderTest, RenderToTextureKeepsTheTopRowOnTop) {
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(device_->CreateTexture(32, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex, nullptr),
              D3D_OK);
    IDirect3DSurface9* level = nullptr, *backBuffer = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
    ASSERT_EQ(device_->GetRenderTarget(0, &backBuffer), D3D_OK);

    // Into the texture: blue everywhere, red over its top quarter.
    ASSERT_EQ(device_->SetRenderTarget(0, level), D3D_OK);
    D3DVIEWPORT9 vp{};
    device_->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 32u);  // the viewport follows the new target
    EXPECT_EQ(vp.Height, 16u);
    ASSERT_EQ(device_->SetDepthStencilSurface(nullptr), D3D_OK);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, kBlue, 1.0f, 0), D3D_OK);
    setScreen(32, 16);
    useShade(Shade::Solid, kRed);
    ASSERT_EQ(drawQuads(pixelQuad(0, 0, 32, 4)), D3D_OK);
    UINT w = 0, h = 0;
    std::vector<uint32_t> texels = readBack(level, &w, &h);
    ASSERT_EQ(w, 32u);
    ASSERT_EQ(h, 16u);
    for (UINT y = 0; y < h; ++y) ASSERT_EQ(at(texels, w, 5, y), y < 4 ? kRed : kBlue) << y;

    // Sampled back over the whole back buffer: the red band is still at the top.
    ASSERT_EQ(device_->SetRenderTarget(0, backBuffer), D3D_OK);
    setScreen(kWidth, kHeight);
    ASSERT_EQ(device_->SetTexture(0, tex), D3D_OK);
    useShade(Shade::Textured);
    ASSERT_EQ(drawQuads(pixelQuad(0, 0, kWidth, kHeight)), D3D_OK);
    std::vector<uint32_t> px = readBackBuffer();
    for (UINT y = 0; y < kHeight; ++y) ASSERT_EQ(at(px, kWidth, 30, y), y < kHeight / 4 ? kRed : kBlue) << y;

    device_->SetTexture(0, nullptr);
    level->Release();
    backBuffer->Release();
    EXPECT_EQ(tex->Release(), 0u);
}

TEST_F(RenderTest, HalfPixelOffsetMakesPixelQuadsAndCheckerboardsExact) {
    // A checkerboard of single texels, uploaded the way the texture loader does it.
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(device_->CreateTexture(kWidth, kHeight, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * static_cast<UINT>(lr.Pitch));
        for (UINT x = 0; x < kWidth; ++x) row[x] = ((x + y) & 1) ? kRed : kBlue;
    }
    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);

    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device_->SetTexture(0, tex);
    useShade(Shade::Textured);  // point sampling by default
    ASSERT_EQ(drawQuads(pixelQuad(0, 0, kWidth, kHeight)), D3D_OK);
    std::vector<uint32_t> px = readBackBuffer();
    for (UINT y = 0; y < kHeight; ++y) {
        for (UINT x = 0; x < kWidth; ++x) ASSERT_EQ(at(px, kWidth, x, y), ((x + y) & 1) ? kRed : kBlue) << x << "," << y;
    }

    // A pixel-exact quad covers exactly its columns, even on a viewport that starts elsewhere.
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    D3DVIEWPORT9 vp{16, 8, 32, 32, 0.0f, 1.0f};
    device_->SetViewport(&vp);
    setScreen(32, 32);
    useShade(Shade::Solid, kGreen);
    ASSERT_EQ(drawQuads(pixelQuad(3, 2, 7, 5)), D3D_OK);
    px = readBackBuffer();
    for (UINT y = 0; y < kHeight; ++y) {
        for (UINT x = 0; x < kWidth; ++x) {
            const bool inside = x >= 19 && x < 23 && y >= 10 && y < 13;
            ASSERT_EQ(rgb(at(px, kWidth, x, y)), inside ? rgb(kGreen) : 0u) << x << "," << y;
        }
    }
    device_->SetTexture(0, nullptr);
    EXPECT_EQ(tex->Release(), 0u);
}

TEST_F(RenderTest, QuadOverTheWholeClipSpaceCoversEveryPixel) {
    // Edges exactly on the first row's and column's pixel centres: Direct3D's top-left rule
    // draws them, so a screen quad from -1 to 1 leaves no line of clear colour at any edge.
    useShade(Shade::Solid, kGreen);
    const float w = static_cast<float>(kWidth), h = static_cast<float>(kHeight);
    ASSERT_EQ(drawQuads({{0, 0, 0.5f, 0, 0}, {w, 0, 0.5f, 1, 0}, {0, h, 0.5f, 0, 1}, {w, h, 0.5f, 1, 1}}), D3D_OK);
    std::vector<uint32_t> px = readBackBuffer();
    for (UINT y = 0; y < kHeight; ++y)
        for (UINT x = 0; x < kWidth; ++x) ASSERT_EQ(rgb(at(px, kWidth, x, y)), rgb(kGreen)) << x << "," << y;

    // Two quads meeting on a row of pixel centres share it out once: the lower one owns it.
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    useShade(Shade::Solid, kRed);
    ASSERT_EQ(drawQuads({{0, 0, 0.5f, 0, 0}, {w, 0, 0.5f, 1, 0}, {0, 10, 0.5f, 0, 1}, {w, 10, 0.5f, 1, 1}}), D3D_OK);
    useShade(Shade::Solid, kBlue);
    ASSERT_EQ(drawQuads({{0, 10, 0.5f, 0, 0}, {w, 10, 0.5f, 1, 0}, {0, h, 0.5f, 0, 1}, {w, h, 0.5f, 1, 1}}), D3D_OK);
    px = readBackBuffer();
    EXPECT_EQ(rgb(at(px, kWidth, 5, 9)), rgb(kRed));
    EXPECT_EQ(rgb(at(px, kWidth, 5, 10)), rgb(kBlue));
}

TEST_F(RenderTest, FragmentCoordinatesCountFromTheTopLeftPixelCentre) {
    useShade(Shade::FragCoord);
    ASSERT_EQ(drawQuads(pixelQuad(0, 0, kWidth, kHeight)), D3D_OK);
    std::vector<uint32_t> px = readBackBuffer();
    for (UINT y : {0u, 7u, kHeight - 1}) {
        for (UINT x : {0u, 9u, kWidth - 1}) {
            const uint32_t p = at(px, kWidth, x, y);
            EXPECT_EQ(channel(p, 16), static_cast<int>(x));
            EXPECT_EQ(channel(p, 8), static_cast<int>(y));
            EXPECT_NEAR(channel(p, 0), 128, 1);  // the centre of the pixel
        }
    }
}

TEST_F(RenderTest, DepthRunsFromZeroToOne) {
    device_->SetRenderState(D3DRS_ZENABLE, TRUE);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    useShade(Shade::Solid, kRed);
    ASSERT_EQ(drawQuads(pixelQuad(0, 0, 16, 16, 0.25f)), D3D_OK);
    useShade(Shade::Solid, kGreen);
    ASSERT_EQ(drawQuads(pixelQuad(0, 0, 16, 16, 0.75f)), D3D_OK);  // behind: hidden
    // Direct3D clips depth below 0 (GL's default range would keep it).
    ASSERT_EQ(drawQuads(pixelQuad(20, 0, 36, 16, -0.25f)), D3D_OK);
    // Depth writes off: the quad draws but leaves the depth buffer as it was.
    device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    useShade(Shade::Solid, kBlue);
    ASSERT_EQ(drawQuads(pixelQuad(40, 0, 56, 16, 0.1f)), D3D_OK);
    device_->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    useShade(Shade::Solid, kGreen);
    ASSERT_EQ(drawQuads(pixelQuad(48, 0, 64, 16, 0.5f)), D3D_OK);
    // Clear's depth value is clamped into the range.
    device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 40.0f, 0);
    useShade(Shade::Solid, kRed);
    ASSERT_EQ(drawQuads(pixelQuad(0, 30, 8, 40, 0.99f)), D3D_OK);

    std::vector<uint32_t> px = readBackBuffer();
    EXPECT_EQ(at(px, kWidth, 8, 8), kRed);
    EXPECT_EQ(rgb(at(px, kWidth, 28, 8)), 0u);
    EXPECT_EQ(at(px, kWidth, 44, 8), kBlue);
    EXPECT_EQ(at(px, kWidth, 52, 8), kGreen);  // passed where the blue quad wrote no depth
    EXPECT_EQ(at(px, kWidth, 60, 8), kGreen);
    EXPECT_EQ(at(px, kWidth, 4, 35), kRed);
}

TEST_F(RenderTest, CullModesFollowTheWindingSeenOnScreen) {
    // Clockwise on screen (y down): top-left, top-right, bottom-left.
    const std::vector<Vertex> clockwise = {{0, 0, 0.5f, 0, 0}, {64, 0, 0.5f, 0, 0}, {0, 48, 0.5f, 0, 0}};
    const std::vector<Vertex> counter = {{0, 0, 0.5f, 0, 0}, {0, 48, 0.5f, 0, 0}, {64, 0, 0.5f, 0, 0}};
    struct Case {
        DWORD cull;
        bool clockwiseDrawn, counterDrawn;
    } cases[] = {{D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}, {D3DCULL_NONE, true, true}};
    useShade(Shade::Solid, kRed);
    device_->SetVertexDeclaration(decl_);
    device_->SetStreamSource(0, vb_, 0, sizeof(Vertex));
    for (const Case& c : cases) {
        device_->SetRenderState(D3DRS_CULLMODE, c.cull);
        for (int pass = 0; pass < 2; ++pass) {
            const std::vector<Vertex>& tri = pass == 0 ? clockwise : counter;
            device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
            void* p = nullptr;
            ASSERT_EQ(vb_->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
            std::memcpy(p, tri.data(), tri.size() * sizeof(Vertex));
            vb_->Unlock();
            ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
            const bool drawn = rgb(readBackBuffer()[5 * kWidth + 5]) != 0;
            EXPECT_EQ(drawn, pass == 0 ? c.clockwiseDrawn : c.counterDrawn) << "cull " << c.cull << " pass " << pass;
        }
    }
}

TEST_F(RenderTest, BlendStatesMixAsDirect3DDoes) {
    struct Case {
        DWORD op, src, dst;
        uint32_t source, dest;
        int red, blue;  // expected channels, +-2
    } cases[] = {
        {D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0x80FF0000u, kBlue, 128, 127},
        {D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ONE, 0xFF800000u, 0xFF4000FFu, 0xC0, 0xFF},
        {D3DBLENDOP_REVSUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE, 0xFF400010u, 0xFFC00080u, 0x80, 0x70},
        {D3DBLENDOP_MAX, D3DBLEND_ZERO, D3DBLEND_ZERO, 0xFF200080u, 0xFF800020u, 0x80, 0x80},
        {D3DBLENDOP_ADD, D3DBLEND_BOTHSRCALPHA, D3DBLEND_ZERO, 0x40FF0000u, kBlue, 64, 191},
    };
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    for (const Case& c : cases) {
        device_->SetRenderState(D3DRS_BLENDOP, c.op);
        device_->SetRenderState(D3DRS_SRCBLEND, c.src);
        device_->SetRenderState(D3DRS_DESTBLEND, c.dst);
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, c.dest, 1.0f, 0);
        useShade(Shade::Solid, c.source);
        ASSERT_EQ(drawQuads(pixelQuad(0, 0, 8, 8)), D3D_OK);
        const uint32_t p = readBackBuffer()[2 * kWidth + 2];
        EXPECT_NEAR(channel(p, 16), c.red, 2) << "op " << c.op << " src " << c.src;
        EXPECT_NEAR(channel(p, 0), c.blue, 2) << "op " << c.op << " src " << c.src;
    }
    // Blending off again writes the source as it is.
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    useShade(Shade::Solid, 0x10FF0000u);
    ASSERT_EQ(drawQuads(pixelQuad(0, 0, 8, 8)), D3D_OK);
    EXPECT_EQ(rgb(readBackBuffer()[2 * kWidth + 2]), rgb(kRed));
}

TEST_F(RenderTest, StencilScissorAndColourWritesMaskTheDraw) {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0, 1.0f, 0);
    // Mark the stencil under a quad without touching colour.
    device_->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    device_->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    device_->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    device_->SetRenderState(D3DRS_STENCILREF, 1);
    useShade(Shade::Solid, kRed);
    ASSERT_EQ(drawQuads(pixelQuad(8, 8, 24, 24)), D3D_OK);
    // Then draw everywhere where it is set, inside a scissor rectangle, red and blue only.
    device_->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_BLUE);
    device_->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    const RECT scissor{0, 0, 16, 48};
    device_->SetScissorRect(&scissor);
    device_->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    useShade(Shade::Solid, 0xFFFFFFFFu);
    ASSERT_EQ(drawQuads(pixelQuad(0, 0, kWidth, kHeight)), D3D_OK);
    std::vector<uint32_t> px = readBackBuffer();
    EXPECT_EQ(rgb(at(px, kWidth, 10, 10)), 0xFF00FFu);  // stencil set, inside the scissor: no green
    EXPECT_EQ(rgb(at(px, kWidth, 20, 10)), 0u);         // outside the scissor
    EXPECT_EQ(rgb(at(px, kWidth, 4, 4)), 0u);           // no stencil mark
    // A new render target brings the scissor rectangle back to the whole target.
    IDirect3DSurface9* bb = nullptr;
    device_->GetRenderTarget(0, &bb);
    device_->SetRenderTarget(0, bb);
    RECT r{};
    device_->GetScissorRect(&r);
    EXPECT_EQ(r.right, static_cast<LONG>(kWidth));
    EXPECT_EQ(r.bottom, static_cast<LONG>(kHeight));
    bb->Release();
}

TEST_F(RenderTest, InstancedDrawReadsStreamOnePerInstance) {
    // Stream 0: one 4 x 4 quad at the origin; stream 1: an offset and colour per instance.
    const std::vector<Vertex> quad = pixelQuad(0, 0, 4, 4);
    void* p = nullptr;
    ASSERT_EQ(vb_->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
    std::memcpy(p, quad.data(), quad.size() * sizeof(Vertex));
    vb_->Unlock();
    IDirect3DVertexBuffer9* instances = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(6400, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0x112, D3DPOOL_DEFAULT,
                                          &instances, nullptr),
              D3D_OK);
    const Instance records[3] = {{10, 10, 0, 0, 1, 0, 0, 1}, {30, 20, 0, 0, 0, 1, 0, 1}, {50, 40, 0, 0, 0, 0, 1, 1}};
    ASSERT_EQ(instances->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
    std::memcpy(p, records, sizeof records);
    instances->Unlock();
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
        {1, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
        {1, 16, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 2},
        D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device_->CreateVertexDeclaration(elements, &decl), D3D_OK);

    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    useShade(Shade::InstanceColour);
    ASSERT_EQ(device_->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | 3), D3D_OK);
    ASSERT_EQ(device_->SetStreamSource(0, vb_, 0, sizeof(Vertex)), D3D_OK);
    ASSERT_EQ(device_->SetStreamSourceFreq(1, D3DSTREAMSOURCE_INSTANCEDATA | 1), D3D_OK);
    ASSERT_EQ(device_->SetStreamSource(1, instances, 0, sizeof(Instance)), D3D_OK);
    device_->SetVertexDeclaration(decl);
    device_->SetIndices(ib_);
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    std::vector<uint32_t> px = readBackBuffer();
    EXPECT_EQ(at(px, kWidth, 11, 11), kRed);
    EXPECT_EQ(at(px, kWidth, 31, 21), kGreen);
    EXPECT_EQ(at(px, kWidth, 51, 41), kBlue);
    EXPECT_EQ(rgb(at(px, kWidth, 1, 1)), 0u);

    // Frequencies back to 1: one plain draw, every vertex reading instance record 0.
    device_->SetStreamSourceFreq(0, 1);
    device_->SetStreamSourceFreq(1, 1);
    device_->SetStreamSource(1, instances, 0, 0);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    px = readBackBuffer();
    EXPECT_EQ(at(px, kWidth, 11, 11), kRed);
    EXPECT_EQ(rgb(at(px, kWidth, 31, 21)), 0u);

    device_->SetStreamSource(1, nullptr, 0, 0);
    device_->SetVertexDeclaration(decl_);
    EXPECT_EQ(decl->Release(), 0u);
    EXPECT_EQ(instances->Release(), 0u);
}

TEST_F(RenderTest, MultisampledTargetResolvesIntoATextureWithFreshMipmaps) {
    if (FAILED(d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, FALSE, D3DMULTISAMPLE_4_SAMPLES,
                                                nullptr))) {
        GTEST_SKIP() << "no 4x multisampling";
    }
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(device_->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP, D3DFMT_A8R8G8B8,
                                     D3DPOOL_DEFAULT, &tex, nullptr),
              D3D_OK);
    EXPECT_EQ(tex->GetLevelCount(), 1u);
    IDirect3DSurface9 *level = nullptr, *ms = nullptr, *msDepth = nullptr, *saved = nullptr, *savedDepth = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
    ASSERT_EQ(device_->CreateRenderTarget(32, 32, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, FALSE, &ms, nullptr),
              D3D_OK);
    ASSERT_EQ(device_->CreateDepthStencilSurface(32, 32, D3DFMT_D24S8, D3DMULTISAMPLE_4_SAMPLES, 0, TRUE, &msDepth,
                                                 nullptr),
              D3D_OK);
    device_->GetRenderTarget(0, &saved);
    device_->GetDepthStencilSurface(&savedDepth);
    ASSERT_EQ(device_->SetRenderTarget(0, ms), D3D_OK);
    ASSERT_EQ(device_->SetDepthStencilSurface(msDepth), D3D_OK);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlue, 1.0f, 0), D3D_OK);
    setScreen(32, 32);
    useShade(Shade::Solid, kRed);
    // A triangle over the upper-left half: its diagonal edge gets mixed samples.
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    ASSERT_EQ(drawQuads({{0, 0, 0.5f, 0, 0}, {32, 0, 0.5f, 0, 0}, {0, 32, 0.5f, 0, 0}, {0, 32, 0.5f, 0, 0}}), D3D_OK);
    device_->SetRenderTarget(0, saved);
    device_->SetDepthStencilSurface(savedDepth);
    ASSERT_EQ(device_->StretchRect(ms, nullptr, level, nullptr, D3DTEXF_NONE), D3D_OK);

    std::vector<uint32_t> texels = readBack(level);
    EXPECT_EQ(texels[2 * 32 + 2], kRed);
    EXPECT_EQ(texels[29 * 32 + 29], kBlue);
    int mixed = 0;
    for (uint32_t t : texels) mixed += (channel(t, 16) > 20 && channel(t, 16) < 235) ? 1 : 0;
    EXPECT_GT(mixed, 0) << "no edge sample was resolved";
    EXPECT_EQ(readBack(ms), texels);  // reading a multisampled surface resolves it first

    // Sampling only the 1 x 1 level reads the average the resolve left behind.
    setScreen(kWidth, kHeight);
    device_->SetTexture(0, tex);
    device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    device_->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 5);
    useShade(Shade::Textured);
    ASSERT_EQ(drawQuads(pixelQuad(0, 0, 8, 8)), D3D_OK);
    const uint32_t avg = readBackBuffer()[4 * kWidth + 4];
    EXPECT_NEAR(channel(avg, 16), 128, 24);
    EXPECT_NEAR(channel(avg, 0), 128, 24);

    device_->SetTexture(0, nullptr);
    for (IUnknown* o : std::initializer_list<IUnknown*>{saved, savedDepth, level, ms, msDepth}) o->Release();
    EXPECT_EQ(tex->Release(), 0u);
}

TEST_F(RenderTest, DiscardLockKeepsWhatEarlierDrawsRead) {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    useShade(Shade::Solid, kRed);
    ASSERT_EQ(drawQuads(pixelQuad(0, 0, 16, 16)), D3D_OK);
    // The buffer is rewritten while the first draw may still be queued.
    useShade(Shade::Solid, kRed);
    ASSERT_EQ(drawQuads(pixelQuad(32, 0, 48, 16)), D3D_OK);
    std::vector<uint32_t> px = readBackBuffer();
    EXPECT_EQ(at(px, kWidth, 8, 8), kRed);
    EXPECT_EQ(at(px, kWidth, 40, 8), kRed);
    EXPECT_EQ(rgb(at(px, kWidth, 24, 8)), 0u);

    // A partial lock without discard keeps the rest of the contents.
    void* p = nullptr;
    ASSERT_EQ(vb_->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
    std::memset(p, 0xAB, 4096);
    vb_->Unlock();
    ASSERT_EQ(vb_->Lock(100, 8, &p, 0), D3D_OK);
    std::memset(p, 0x11, 8);
    vb_->Unlock();
    ASSERT_EQ(vb_->Lock(0, 0, &p, D3DLOCK_READONLY), D3D_OK);
    const auto* bytes = static_cast<const uint8_t*>(p);
    EXPECT_EQ(bytes[99], 0xAB);
    EXPECT_EQ(bytes[100], 0x11);
    EXPECT_EQ(bytes[107], 0x11);
    EXPECT_EQ(bytes[108], 0xAB);
    vb_->Unlock();
}

TEST_F(RenderTest, UnchangedStatesAndProgramlessDrawsAreHandled) {
    DWORD v = 0;
    EXPECT_EQ(device_->GetRenderState(D3DRS_CULLMODE, &v), D3D_OK);
    EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW), D3D_OK);
    EXPECT_EQ(device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(300), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetSamplerState(40, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
    // Without a program nothing can be drawn, and the draw says so.
    d3d9glSetProgram(device_, 0);
    EXPECT_EQ(drawQuads(pixelQuad(0, 0, 4, 4)), D3DERR_INVALIDCALL);
    d3d9glSetProgram(device_, program_);
    EXPECT_EQ(drawQuads(pixelQuad(0, 0, 4, 4)), D3D_OK);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

}  // namespace
}  // namespace d3d9test
