// Mesh files into buffers and declarations, and meshes drawn with their exact counts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_env.h"
#include "gfx/effects.h"
#include "gfx/mesh.h"
#include "mesh_writer.h"
#include "platform/d3d9_gl.h"

namespace {

struct Element {
    WORD offset;
    BYTE type;
    BYTE usage;
};

std::vector<Element> declElements(IDirect3DVertexDeclaration9* decl) {
    D3DVERTEXELEMENT9 elements[MAXD3DDECLLENGTH + 1];
    UINT count = MAXD3DDECLLENGTH + 1;
    std::vector<Element> out;
    if (!decl || FAILED(decl->GetDeclaration(elements, &count)))
        return out;
    for (UINT i = 0; i < count && elements[i].Stream != 0xFF; ++i) {
        EXPECT_EQ(elements[i].Stream, 0);
        EXPECT_EQ(elements[i].Method, D3DDECLMETHOD_DEFAULT);
        EXPECT_EQ(elements[i].UsageIndex, 0);
        out.push_back({elements[i].Offset, elements[i].Type, elements[i].Usage});
    }
    return out;
}

bool operator==(const Element& a, const Element& b) {
    return a.offset == b.offset && a.type == b.type && a.usage == b.usage;
}

TEST(BuildVertexDecl, ElementsFollowTheFormatBits) {
    struct Case {
        uint16_t bits;
        std::vector<Element> elements;
    };
    const Case cases[] = {
        {0x0007, {{0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION}, {12, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL},
                  {24, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD}}},
        {0x0005, {{0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION}, {12, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD}}},
        {0x0041, {{0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION}, {12, D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_BLENDWEIGHT}}},
        {0x003B, {{0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION}, {12, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL},
                  {24, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_TANGENT}, {36, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_BINORMAL},
                  {48, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_COLOR}}},
        {0x0081, {{0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION}, {12, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_TEXCOORD}}},
    };
    for (const Case& c : cases) {
        IDirect3DVertexDeclaration9* decl = nullptr;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(buildVertexDecl(c.bits, &decl)) << std::hex << c.bits;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(declElements(decl), c.elements) << std::hex << c.bits;
        if (decl)
            decl->Release();
    }
}

TEST(BuildVertexDecl, BitsWithoutElementsAreReportedOneByOne) {
    IDirect3DVertexDeclaration9* decl = nullptr;
    StdoutHook out;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(buildVertexDecl(0x1000 | 0x0400 | 0x0005, &decl));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "MessageBox [VertexDecl] There's something very wrong\n"
              "MessageBox [VertexDecl] There's something very wrong\n");
    EXPECT_EQ(out.text(), "vertexdecl bit[10]\nvertexdecl bit[12]\n");
    EXPECT_EQ(declElements(decl), (std::vector<Element>{{0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION},
                                                        {12, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD}}));
    if (decl)
        decl->Release();
}

// 32-byte vertices (position, normal, texture coordinate) at clip-space x, y.
void addVertex(MeshFileLayout& layout, float x, float y) {
    layout.vertexData.insert(layout.vertexData.end(), {x, y, 0.5f, 0, 0, 1, 0, 0});
}

// Three triangles: two make the left half of the screen, one the bottom-right corner. The last
// two vertices are used by no triangle.
MeshFileLayout threeTriangles() {
    MeshFileLayout layout;
    layout.triangles = 3;
    layout.vertices = 9;
    layout.stride = 32;
    layout.formatBits = 0x0007;
    addVertex(layout, -1, 1);
    addVertex(layout, 0, 1);
    addVertex(layout, -1, -1);
    addVertex(layout, 0, -1);
    addVertex(layout, 0.5f, -1);
    addVertex(layout, 1, -1);
    addVertex(layout, 1, -0.5f);
    addVertex(layout, 0.5f, 1);
    addVertex(layout, 1, 1);
    layout.indices = {0, 1, 2, 1, 3, 2, 4, 6, 5};
    return layout;
}

TEST(MeshLoadFile, BuffersCountsCopiesAndConsoleLines) {
    const MeshFileLayout layout = threeTriangles();
    const std::string path = writeMeshFile(tempPath("gfx_three.mesh"), layout);
    Mesh mesh;
    StdoutHook out;
    mesh.loadFile(path.c_str());
    EXPECT_EQ(out.text(), "Copy VertexBuffer new[9] old[9]\nyay\n");
    EXPECT_EQ(mesh.triangleCount, 3u);
    EXPECT_EQ(mesh.vertexCount, 9u);
    EXPECT_EQ(mesh.stride, 32u);
    ASSERT_NE(mesh.vertexBuffer, nullptr);
    ASSERT_NE(mesh.indexBuffer, nullptr);
    ASSERT_NE(mesh.declaration, nullptr);
    EXPECT_EQ(mesh.indices, layout.indices);
    ASSERT_EQ(mesh.vertexCopyA.size(), 9u);
    ASSERT_EQ(mesh.vertexCopyB.size(), 9u);
    EXPECT_EQ(mesh.vertexCopyA[4].position[0], 0.5f);
    EXPECT_EQ(mesh.vertexCopyB[8].position[1], 1.0f);
    D3DVERTEXBUFFER_DESC vb{};
    mesh.vertexBuffer->GetDesc(&vb);
    EXPECT_EQ(vb.Size, 9u * 32);
    EXPECT_EQ(vb.Pool, D3DPOOL_DEFAULT);
    D3DINDEXBUFFER_DESC ib{};
    mesh.indexBuffer->GetDesc(&ib);
    EXPECT_EQ(ib.Size, 18u);
    EXPECT_EQ(ib.Format, D3DFMT_INDEX16);

    const int live = d3d9glLiveObjectCount();
    mesh.release();
    EXPECT_EQ(d3d9glLiveObjectCount(), live - 3);
    EXPECT_TRUE(mesh.vertexCopyA.empty());
    EXPECT_TRUE(mesh.indices.empty());
}

TEST(MeshLoadFile, StrideOtherThan32KeepsNoCopies) {
    MeshFileLayout layout;
    layout.triangles = 1;
    layout.vertices = 3;
    layout.stride = 20;
    layout.formatBits = 0x0005;
    layout.indices = {0, 1, 2};
    layout.vertexData.assign(15, 0.0f);
    Mesh mesh;
    StdoutHook out;
    mesh.loadFile(writeMeshFile(tempPath("gfx_stride20.mesh"), layout).c_str());
    EXPECT_EQ(out.text(), "yay\n");
    EXPECT_TRUE(mesh.vertexCopyA.empty());
    EXPECT_NE(mesh.vertexBuffer, nullptr);
}

TEST(MeshDraw, DrawsExactlyTheFilesTriangles) {
    Mesh mesh;
    {
        StdoutHook quiet;
        mesh.loadFile(writeMeshFile(tempPath("gfx_draw.mesh"), threeTriangles()).c_str());
    }
    Effects effects;
    const char* const list[] = {kTestEffectPath, "test", nullptr};
    {
        StdoutHook quiet;
        effects.compile(list);
    }
    ASSERT_EQ(effects.size(), 1);
    ID3DXEffect* fx = effects.objects[0];
    const D3DMATRIX identity = identityMatrix();
    const float white[4] = {1, 1, 1, 1};
    fx->SetMatrix("matWorldViewProjection", &identity);
    fx->SetFloatArray("DiffuseColor", white, 4);

    d3dDevice->BeginScene();
    d3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    d3dDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d3dDevice->SetRenderState(D3DRS_ZENABLE, 0);
    d3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    effects.setCurrentRef("test");
    effects.begin(0, nullptr);
    mesh.draw();
    effects.end(nullptr);
    d3dDevice->EndScene();

    const Pixels px = readBackBuffer();
    ASSERT_EQ(px.width, (UINT)kTestWidth);
    // The left half, 32 pixels a row, and the corner triangle's staircase. The outermost rows
    // are left out: which pixels on the screen's own edge a draw covers is the device's concern.
    int left = 0, right = 0;
    for (UINT y = 1; y < 63; ++y)
        for (UINT x = 0; x < 64; ++x)
            if ((px.at(x, y) & 0xFFFFFF) == 0xFFFFFF)
                ++(x < 32 ? left : right);
    EXPECT_EQ(left, 32 * 62);
    EXPECT_NEAR(right, 14 * 15 / 2, 16);
    EXPECT_EQ(px.at(5, 5) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(px.at(5, 60) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(px.at(62, 62) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(px.at(60, 4) & 0xFFFFFF, 0u);
    EXPECT_EQ(px.at(40, 30) & 0xFFFFFF, 0u);
}

}  // namespace
