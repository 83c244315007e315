// Resource creation failures, locking and reference counting of the Direct3D 9 stand-in.
#include <functional>

#include "tests/d3d9/d3d9_fixture.h"

namespace d3d9test {
namespace {

using ResourceTest = DeviceTest;

// Something that is not null, to prove a failed call clears its out-pointer.
template <class T>
T* junk() {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(0x1234));
}

TEST_F(ResourceTest, FailedCreationsReturnTheirResultAndANullObject) {
    D3DCAPS9 caps{};
    ASSERT_EQ(device_->GetDeviceCaps(&caps), D3D_OK);
    const UINT tooBig = caps.MaxTextureWidth + 1;
    const bool noSixteen = FAILED(
        d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, FALSE, D3DMULTISAMPLE_16_SAMPLES, nullptr));
    struct Case {
        const char* what;
        std::function<HRESULT(void**)> call;
        HRESULT expected;
    };
    IDirect3DDevice9* d = device_;
    const std::vector<Case> cases = {
        {"texture of width 0",
         [d](void** p) {
             return d->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, (IDirect3DTexture9**)p, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"texture over the size limit",
         [d, tooBig](void** p) {
             return d->CreateTexture(tooBig, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, (IDirect3DTexture9**)p,
                                     nullptr);
         },
         D3DERR_INVALIDCALL},
        {"texture of a compressed format",
         [d](void** p) {
             return d->CreateTexture(4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, (IDirect3DTexture9**)p, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"managed render-target texture",
         [d](void** p) {
             return d->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                     (IDirect3DTexture9**)p, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"more levels than the chain has",
         [d](void** p) {
             return d->CreateTexture(4, 4, 4, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, (IDirect3DTexture9**)p, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"vertex buffer of length 0",
         [d](void** p) {
             return d->CreateVertexBuffer(0, 0, 0, D3DPOOL_DEFAULT, (IDirect3DVertexBuffer9**)p, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"index buffer of a vertex format",
         [d](void** p) {
             return d->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, (IDirect3DIndexBuffer9**)p,
                                         nullptr);
         },
         D3DERR_INVALIDCALL},
        {"depth-stencil surface of a colour format",
         [d](void** p) {
             return d->CreateDepthStencilSurface(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                 (IDirect3DSurface9**)p, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"render target of a depth format",
         [d](void** p) {
             return d->CreateRenderTarget(8, 8, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, (IDirect3DSurface9**)p,
                                          nullptr);
         },
         D3DERR_INVALIDCALL},
        {"render target over the size limit",
         [d, tooBig](void** p) {
             return d->CreateRenderTarget(tooBig, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                          (IDirect3DSurface9**)p, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"render target with a quality level that does not exist",
         [d](void** p) {
             return d->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 3, FALSE,
                                          (IDirect3DSurface9**)p, nullptr);
         },
         D3DERR_INVALIDCALL},
        {"declaration without an end marker",
         [d](void** p) {
             std::vector<D3DVERTEXELEMENT9> many(70, {0, 0, D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_TEXCOORD, 0});
             for (size_t i = 0; i < many.size(); ++i) many[i].UsageIndex = static_cast<BYTE>(i);
             return d->CreateVertexDeclaration(many.data(), (IDirect3DVertexDeclaration9**)p);
         },
         D3DERR_INVALIDCALL},
        {"declaration naming one usage twice",
         [d](void** p) {
             const D3DVERTEXELEMENT9 e[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                            {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                            D3DDECL_END()};
             return d->CreateVertexDeclaration(e, (IDirect3DVertexDeclaration9**)p);
         },
         D3DERR_INVALIDCALL},
        {"declaration with an unaligned offset",
         [d](void** p) {
             const D3DVERTEXELEMENT9 e[] = {{0, 2, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
             return d->CreateVertexDeclaration(e, (IDirect3DVertexDeclaration9**)p);
         },
         D3DERR_INVALIDCALL},
    };
    for (const Case& c : cases) {
        void* out = junk<void>();
        EXPECT_EQ(c.call(&out), c.expected) << c.what;
        EXPECT_EQ(out, nullptr) << c.what;
    }
    if (noSixteen) {
        IDirect3DSurface9* s = junk<IDirect3DSurface9>();
        EXPECT_EQ(device_->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_16_SAMPLES, 0, FALSE, &s, nullptr),
                  D3DERR_INVALIDCALL);
        EXPECT_EQ(s, nullptr);
    }
    // Only the fixture's objects: interface, device, back buffer, its depth buffer, vb, ib, decl.
    EXPECT_EQ(d3d9glLiveObjectCount(), 7);
}

TEST_F(ResourceTest, MisusedCallsFailWithoutSideEffects) {
    EXPECT_EQ(device_->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device_->GetDepthStencilSurface(&depth), D3D_OK);
    EXPECT_EQ(device_->SetRenderTarget(0, depth), D3DERR_INVALIDCALL);  // a depth surface is no colour target
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_STENCIL | 0x100, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 vp{60, 0, 10, 10, 0.0f, 1.0f};
    EXPECT_EQ(device_->SetViewport(&vp), D3DERR_INVALIDCALL);  // outside the render target
    EXPECT_EQ(device_->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INSTANCEDATA | 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetStreamSourceFreq(1, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->EndScene(), D3D_OK);
    EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);

    // A draw that would read past the end of the index buffer is refused.
    device_->SetStreamSource(0, vb_, 0, sizeof(Vertex));
    device_->SetVertexDeclaration(decl_);
    device_->SetIndices(ib_);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 380, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 378, 2), D3D_OK);

    // Without a depth-stencil surface there is no depth to clear.
    ASSERT_EQ(device_->SetDepthStencilSurface(nullptr), D3D_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    device_->SetDepthStencilSurface(depth);
    depth->Release();

    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(device_->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target,
                                     nullptr),
              D3D_OK);
    D3DLOCKED_RECT lr{};
    EXPECT_EQ(target->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // render targets are not lockable
    EXPECT_EQ(lr.pBits, nullptr);
    IDirect3DSurface9* s = junk<IDirect3DSurface9>();
    EXPECT_EQ(target->GetSurfaceLevel(1, &s), D3DERR_INVALIDCALL);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(target->Release(), 0u);
}

TEST_F(ResourceTest, TextureLocksRoundTripPerLevel) {
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(device_->CreateTexture(8, 4, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    ASSERT_EQ(tex->GetLevelCount(), 4u);  // 8x4, 4x2, 2x1, 1x1
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(tex->GetLevelDesc(2, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(desc.Height, 1u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    for (UINT level = 0; level < 2; ++level) {
        D3DLOCKED_RECT lr{};
        ASSERT_EQ(tex->LockRect(level, &lr, nullptr, 0), D3D_OK);
        D3DLOCKED_RECT again{};
        EXPECT_EQ(tex->LockRect(level, &again, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
        EXPECT_EQ(again.pBits, nullptr);
        const UINT w = 8 >> level, h = 4 >> level;
        for (UINT y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * static_cast<UINT>(lr.Pitch));
            for (UINT x = 0; x < w; ++x) row[x] = 0x00010203u * (x + 1) + y * 0x00100000u + level;
        }
        ASSERT_EQ(tex->UnlockRect(level), D3D_OK);
    }
    EXPECT_EQ(tex->UnlockRect(0), D3DERR_INVALIDCALL);
    // A sub-rectangle lock sees what was written and updates only its pixels.
    RECT r{2, 1, 4, 3};
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(tex->LockRect(0, &lr, &r, 0), D3D_OK);
    auto* first = static_cast<uint32_t*>(lr.pBits);
    EXPECT_EQ(first[0] & 0x00FFFFFFu, 0x00010203u * 3 + 0x00100000u);
    first[1] = 0x00ABCDEFu;
    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);

    IDirect3DSurface9* level0 = nullptr, *level1 = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(0, &level0), D3D_OK);
    ASSERT_EQ(tex->GetSurfaceLevel(1, &level1), D3D_OK);
    UINT w = 0, h = 0;
    std::vector<uint32_t> px = readBack(level0, &w, &h);
    ASSERT_EQ(px.size(), 32u);
    EXPECT_EQ(px[1 * 8 + 3], 0xFFABCDEFu);  // X8 formats read back opaque
    EXPECT_EQ(px[0 * 8 + 0], 0xFF010203u);
    EXPECT_EQ(px[3 * 8 + 7], 0xFF000000u | ((0x00010203u * 8 + 3 * 0x00100000u) & 0x00FFFFFFu));
    px = readBack(level1, &w, &h);
    EXPECT_EQ(w, 4u);
    EXPECT_EQ(px[1 * 4 + 1], 0xFF000000u | (0x00010203u * 2 + 0x00100000u + 1));
    level0->Release();
    level1->Release();
    EXPECT_EQ(tex->Release(), 0u);
}

TEST_F(ResourceTest, ReferenceCountsFollowDirect3DAndReachZero) {
    const int base = d3d9glLiveObjectCount();
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(device_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex, nullptr),
              D3D_OK);
    // Every child holds the device; the device reports it.
    EXPECT_EQ(device_->AddRef(), 6u);  // the test's, vb, ib, decl, texture, this one
    EXPECT_EQ(device_->Release(), 5u);

    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(tex->AddRef(), 3u);  // a level shares its texture's count
    EXPECT_EQ(tex->Release(), 2u);
    EXPECT_EQ(level->Release(), 1u);

    // Bound and released, the texture lives on until the device lets go of it.
    ASSERT_EQ(device_->SetTexture(0, tex), D3D_OK);
    EXPECT_EQ(tex->Release(), 0u);
    EXPECT_EQ(d3d9glLiveObjectCount(), base + 2);  // the texture and its level surface
    IDirect3DBaseTexture9* got = nullptr;
    ASSERT_EQ(device_->GetTexture(0, &got), D3D_OK);
    EXPECT_EQ(got, static_cast<IDirect3DBaseTexture9*>(tex));
    EXPECT_EQ(got->Release(), 0u);
    ASSERT_EQ(device_->SetTexture(0, nullptr), D3D_OK);
    EXPECT_EQ(d3d9glLiveObjectCount(), base);

    // The host's order: a separate depth surface made current, then released before the device.
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device_->CreateDepthStencilSurface(kWidth, kHeight, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                                                 nullptr),
              D3D_OK);
    ASSERT_EQ(device_->SetDepthStencilSurface(depth), D3D_OK);
    IDirect3DSurface9* current = nullptr;
    ASSERT_EQ(device_->GetDepthStencilSurface(&current), D3D_OK);
    EXPECT_EQ(current, depth);
    EXPECT_EQ(current->Release(), 1u);
    EXPECT_EQ(depth->Release(), 0u);
    EXPECT_EQ(d3d9glLiveObjectCount(), base + 1);  // still the device's depth surface
    // TearDown releases the rest and expects every count to reach zero.
}

TEST_F(ResourceTest, DeclarationsReportTheirElements) {
    UINT count = 0;
    ASSERT_EQ(decl_->GetDeclaration(nullptr, &count), D3D_OK);
    ASSERT_EQ(count, 3u);
    D3DVERTEXELEMENT9 e[3];
    ASSERT_EQ(decl_->GetDeclaration(e, &count), D3D_OK);
    EXPECT_EQ(e[1].Offset, 12);
    EXPECT_EQ(e[1].Usage, D3DDECLUSAGE_TEXCOORD);
    EXPECT_EQ(e[2].Stream, 0xFF);
}

TEST(D3d9AttribTable, SemanticsMapToDistinctLocations) {
    struct Case {
        unsigned usage, index;
        int location;
    } cases[] = {{D3DDECLUSAGE_POSITION, 0, 0},   {D3DDECLUSAGE_BLENDWEIGHT, 0, 1}, {D3DDECLUSAGE_NORMAL, 0, 2},
                 {D3DDECLUSAGE_COLOR, 0, 3},      {D3DDECLUSAGE_COLOR, 1, 4},       {D3DDECLUSAGE_TANGENT, 0, 5},
                 {D3DDECLUSAGE_BINORMAL, 0, 6},   {D3DDECLUSAGE_TEXCOORD, 0, 8},    {D3DDECLUSAGE_TEXCOORD, 1, 9},
                 {D3DDECLUSAGE_TEXCOORD, 2, 10},  {D3DDECLUSAGE_TEXCOORD, 7, 15},   {D3DDECLUSAGE_TEXCOORD, 8, -1},
                 {D3DDECLUSAGE_POSITION, 1, -1},  {D3DDECLUSAGE_PSIZE, 0, -1},      {D3DDECLUSAGE_FOG, 0, -1}};
    for (const Case& c : cases) EXPECT_EQ(d3d9glAttribLocation(c.usage, c.index), c.location) << c.usage << "/" << c.index;
}

}  // namespace
}  // namespace d3d9test
