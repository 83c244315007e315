// The graphics libraries' own logic, without a device: result texts, name lookup, the effect
// library's begin/end/compile rules, vertex sizes and the refusal of damaged mesh files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "fake_effect.h"
#include "gfx/diagnostics.h"
#include "gfx/effects.h"
#include "gfx/mesh.h"
#include "gfx/textures.h"
#include "mesh_writer.h"
#include "platform/d3dx9mesh.h"

namespace {

std::string box(const std::string& caption, const std::string& text) {
    return "MessageBox [" + caption + "] " + text + "\n";
}

TEST(ReportResult, PicksTheTextByExactResultCode) {
    struct Case {
        HRESULT result;
        const char* caption;
        const char* detail;
        const char* text;
    };
    const Case cases[] = {
        {D3DERR_INVALIDCALL, "VertexDecl", "instancing", "InvalidCall With instancing"},
        {E_OUTOFMEMORY, "IndexBuffer", "data/a.mesh", "OutOfMemory With data/a.mesh"},
        {D3DERR_OUTOFVIDEOMEMORY, "VertexBuffer", "data/b.mesh", "OutOfVideoMemory With data/b.mesh"},
        {D3DXERR_INVALIDDATA, "TextureStack", "eyes", "InvalidData With eyes"},
        {S_OK, "TextureStack", "loady", "No Case With loady - Everything Should Be Fine"},
        {D3DERR_NOTAVAILABLE, "TextureStack", "x", "No Case With x - Everything Should Be Fine"},
        {E_FAIL, "VertexDecl", "Murvik", "No Case With Murvik - Everything Should Be Fine"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        reportResult(c.result, c.caption, c.detail);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), box(c.caption, c.text));
    }
}

TEST(ReportResult, CutsLongTextsTo63Characters) {
    const std::string path = "data/some/rather/long/directory/name/for/a/mesh/file.mesh";
    testing::internal::CaptureStderr();
    reportResult(E_FAIL, "VertexBuffer", path.c_str());
    const std::string expected = ("No Case With " + path + " - Everything Should Be Fine").substr(0, 63);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), box("VertexBuffer", expected));
}

// A library holding fake effects under the given names.
struct FakeLibrary {
    Effects effects;
    FakeEffect fakes[3];
    explicit FakeLibrary(std::initializer_list<const char*> names) {
        int i = 0;
        for (const char* name : names) {
            effects.names.push_back(name);
            effects.objects.push_back(&fakes[i++]);
        }
    }
    ~FakeLibrary() { effects.objects.clear(); }  // the fakes are not heap objects
};

TEST(ResourceStackFind, FirstRegistrationWinsAndCaseMatters) {
    FakeLibrary lib({"general", "part1", "general"});
    EXPECT_EQ(lib.effects.find("general"), &lib.fakes[0]);
    EXPECT_EQ(lib.effects.find("part1"), &lib.fakes[1]);

    testing::internal::CaptureStderr();
    EXPECT_EQ(lib.effects.find("General"), nullptr);
    EXPECT_EQ(lib.effects.find("part"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), box("No Match", "General") + box("No Match", "part"));
}

TEST(ResourceStackFind, AnEntryWithoutObjectYieldsNullSilently) {
    TextureStack stack;
    stack.names = {"surface1", "endscreen"};
    stack.paths = {"a.jpg", "b.jpg"};
    testing::internal::CaptureStderr();
    EXPECT_EQ(stack.find("endscreen"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(EffectsBegin, PassIndexAgainstThePassCount) {
    struct Case {
        UINT passCount;
        unsigned pass;
        std::vector<std::string> calls;
        std::string boxes;
    };
    const Case cases[] = {
        {2, 1, {"Begin", "BeginPass 1"}, ""},
        {2, 2, {"Begin", "BeginPass 2"}, ""},  // equal to the count: BeginPass refuses it itself
        {2, 3, {"Begin"}, box("Effect Error [Begin]", "Effect[fx] -  has MaxPasses[2] and cannot use Pass[3] ")},
    };
    for (const Case& c : cases) {
        FakeLibrary lib({"fx"});
        lib.fakes[0].passCount = c.passCount;
        lib.effects.setCurrentRef("fx");
        testing::internal::CaptureStderr();
        lib.effects.begin(c.pass, nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.boxes) << "pass " << c.pass;
        EXPECT_EQ(lib.fakes[0].calls, c.calls) << "pass " << c.pass;
    }
}

TEST(EffectsBegin, RefusalsTouchNoPass) {
    FakeLibrary lib({"fx", "bare"});
    lib.fakes[1].hasTechnique = false;
    testing::internal::CaptureStderr();
    lib.effects.begin(0, nullptr);  // no ref and no current name
    lib.effects.end(nullptr);
    lib.effects.begin(0, "bare");
    lib.effects.begin(0, "missing");
    lib.effects.end("missing");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              box("Effect", "CurrentRef & Ref == NULL") + box("Effect", "CurrentRef & Ref == NULL") +
                  box("Effect->Begin", "Begin[Ref == bare] Doesn't Have An Current Technique") +
                  box("No Match", "missing") + box("No Match", "missing"));
    EXPECT_TRUE(lib.fakes[0].calls.empty());
    EXPECT_TRUE(lib.fakes[1].calls.empty());
    EXPECT_EQ(lib.effects.current(), nullptr);
}

TEST(EffectsBegin, ExplicitRefOverridesTheCurrentOneAndEndClosesIt) {
    FakeLibrary lib({"fx", "other"});
    lib.fakes[1].passCount = 5;
    lib.effects.setCurrentRef("fx");
    EXPECT_EQ(lib.effects.current(), &lib.fakes[0]);
    lib.effects.begin(4, "other");
    lib.effects.end("other");
    EXPECT_EQ(lib.fakes[1].calls, (std::vector<std::string>{"Begin", "BeginPass 4", "EndPass", "End"}));
    EXPECT_TRUE(lib.fakes[0].calls.empty());
}

TEST(EffectsClear, ReleasesEachEffectOnceAndEmptiesTheLists) {
    FakeEffect* a = new FakeEffect;
    FakeEffect* b = new FakeEffect;
    {
        Effects effects;
        effects.names = {"a", "b"};
        effects.objects = {a, b};
        effects.clear();
        EXPECT_EQ(effects.size(), 0);
        EXPECT_TRUE(effects.names.empty());
        EXPECT_EQ(a->releases, 1);
        effects.names = {"b"};
        effects.objects = {b};
    }  // destruction releases what is still held
    EXPECT_EQ(a->releases, 1);
    EXPECT_EQ(b->releases, 2);
    delete a;
    delete b;
}

TEST(EffectsCompile, ListsWithoutEffectFiles) {
    Effects effects;
    const char* const odd[] = {"data/general.fx", nullptr};
    const char* const empty[] = {nullptr};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    effects.compile(odd);
    const std::string oddOut = testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), box("Error", "Check Your Effect ParamenterList "));
    EXPECT_EQ(oddOut, "");
    testing::internal::CaptureStdout();
    effects.compile(empty);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Effects::Done Compiling\n");
    EXPECT_EQ(effects.size(), 0);
}

TEST(DeclVertexSize, FurthestElementEndOfTheStream) {
    const D3DVERTEXELEMENT9 decl[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
        {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
        {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
        {1, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_TEXCOORD, 1},
        {1, 16, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
        D3DDECL_END(),
    };
    EXPECT_EQ(D3DXGetDeclVertexSize(decl, 0), 32u);
    EXPECT_EQ(D3DXGetDeclVertexSize(decl, 1), 20u);
    EXPECT_EQ(D3DXGetDeclVertexSize(decl, 2), 0u);
    EXPECT_EQ(D3DXGetDeclVertexSize(nullptr, 0), 0u);
}

TEST(FormatBits, VertexSizeCountsOnlyBitsWithElements) {
    EXPECT_EQ(formatBitsVertexSize(0x0007), 32u);
    EXPECT_EQ(formatBitsVertexSize(0x0005), 20u);
    EXPECT_EQ(formatBitsVertexSize(0x0041), 16u);
    EXPECT_EQ(formatBitsVertexSize(0x03FF), 4u * 27);
    EXPECT_EQ(formatBitsVertexSize(0xFC00), 0u);
}

std::string tempPath(const char* name) { return std::string(ORLUNDE_BINARY_DIR) + "/" + name; }

void expectEmpty(const Mesh& mesh) {
    EXPECT_EQ(mesh.vertexBuffer, nullptr);
    EXPECT_EQ(mesh.indexBuffer, nullptr);
    EXPECT_EQ(mesh.declaration, nullptr);
    EXPECT_EQ(mesh.triangleCount, 0u);
    EXPECT_EQ(mesh.vertexCount, 0u);
    EXPECT_EQ(mesh.stride, 0u);
    EXPECT_TRUE(mesh.indices.empty());
}

// One triangle of three 20-byte vertices (position, texture coordinate).
MeshFileLayout goodTriangle() {
    MeshFileLayout layout;
    layout.triangles = 1;
    layout.vertices = 3;
    layout.stride = 20;
    layout.formatBits = 0x0005;
    layout.indices = {0, 1, 2};
    layout.vertexData.assign(15, 0.5f);
    return layout;
}

TEST(MeshFileLoad, DamagedFilesAreRefusedBeforeAnythingIsCreated) {
    struct Case {
        const char* what;
        MeshFileLayout layout;
        size_t keepBytes;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, auto change, size_t keep = SIZE_MAX) {
        MeshFileLayout layout = goodTriangle();
        change(layout);
        cases.push_back({what, layout, keep});
    };
    add("header cut short", [](MeshFileLayout&) {}, 80);
    add("vertex data cut short", [](MeshFileLayout&) {}, 86 + 6 + 59);
    add("more triangles than indices", [](MeshFileLayout& s) { s.triangles = 4; });
    add("more vertices than data", [](MeshFileLayout& s) { s.vertices = 100; });
    add("stride beyond the data", [](MeshFileLayout& s) { s.stride = 64; });
    add("index bytes beyond 32 bits", [](MeshFileLayout& s) { s.triangles = 0x2AAAAAABu; });
    add("vertex bytes beyond 32 bits", [](MeshFileLayout& s) { s.vertices = 0x10000; s.stride = 0x10000; });
    add("index past the vertices", [](MeshFileLayout& s) { s.indices = {0, 1, 3}; });
    add("stride shorter than its format", [](MeshFileLayout& s) { s.stride = 16; s.vertexData.resize(12); });

    const std::string path = tempPath("gfx_damaged.mesh");
    for (const Case& c : cases) {
        writeMeshFile(path, c.layout, c.keepBytes);
        Mesh mesh;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        mesh.loadFile(path.c_str());
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), box("Invalid MeshFile", path)) << c.what;
        EXPECT_NE(out.find("MeshFile [" + path + "] refused"), std::string::npos) << c.what << ": " << out;
        expectEmpty(mesh);
    }
}

TEST(MeshProxyLoad, MissingFilesRegisterEmptyMeshesAndAnOddListStops) {
    MeshProxy proxy;
    const char* const list[] = {"data/no_such.mesh", "g1", "data/other.mesh", nullptr};
    testing::internal::CaptureStderr();
    proxy.load(list);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              box("Failed To Open The MeshFile", "data/no_such.mesh") + box("MeshProxy", "Check Your Parameter List"));
    ASSERT_EQ(proxy.objects.size(), 1u);
    Mesh* g1 = proxy.find("g1");
    ASSERT_NE(g1, nullptr);
    expectEmpty(*g1);
    g1->draw();  // nothing to draw, and no device needed to find that out
}

}  // namespace
