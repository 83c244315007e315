// The mesh file writer, the OBJ conversion and the shipped mesh files.
#include "tools/meshtool/convert.h"
#include "tools/meshtool/meshfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

uint32_t u32At(const std::vector<uint8_t>& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

TEST(MeshFile, HeaderAndSizeAreWhatTheFormatDemands) {
    meshfile::Mesh m;
    m.name = "tri";
    m.formatBits = meshfile::kPosition | meshfile::kTexcoord;
    m.stride = meshfile::strideFor(m.formatBits);
    ASSERT_EQ(m.stride, 20u);
    m.indices = {0, 1, 2, 2, 1, 3};
    m.vertices.assign(4 * 5, 0.5f);
    std::vector<uint8_t> b = meshfile::encode(m);
    ASSERT_EQ(b.size(), 86u + 6 * 2 + 20 * 4);
    EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 4), "tri");
    EXPECT_EQ(u32At(b, 72), 2u);  // triangles
    EXPECT_EQ(u32At(b, 76), 4u);  // vertices
    EXPECT_EQ(u32At(b, 80), 20u);
    EXPECT_EQ(b[84] | b[85] << 8, 0x0005);
    EXPECT_EQ(b[86 + 2 * 3] | b[87 + 2 * 3] << 8, 2);  // fourth index
    meshfile::Mesh back = meshfile::decode(b);
    EXPECT_EQ(back.indices, m.indices);
    EXPECT_EQ(back.vertices, m.vertices);
    EXPECT_EQ(back.formatBits, m.formatBits);
    b.pop_back();
    EXPECT_THROW(meshfile::decode(b), std::runtime_error);
}

TEST(MeshFile, StrideFollowsTheFormatBits) {
    struct Case {
        uint16_t bits;
        uint32_t stride;
    } cases[] = {{0x0001, 12}, {0x0007, 32}, {0x0005, 20}, {0x0041, 16}, {0x001f, 56}, {0x0381, 48}, {0xfc01, 12}};
    for (const Case& c : cases) EXPECT_EQ(meshfile::strideFor(c.bits), c.stride) << std::hex << c.bits;
}

std::string writeObj(const std::string& name, const std::string& text) {
    std::filesystem::path p = std::filesystem::temp_directory_path() / name;
    std::ofstream(p) << text;
    return p.string();
}

TEST(MeshConvert, KeepsTheElementsTheSourceHolds) {
    // A quad with normals and texture coordinates, given as one polygon.
    std::string full = writeObj("meshtool_quad.obj",
                                "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
                                "f 1/1/1 2/2/1 3/3/1 4/4/1\n");
    meshfile::Mesh m = meshfile::convert(full, {});
    EXPECT_EQ(m.formatBits, 0x0007);
    EXPECT_EQ(m.stride, 32u);
    EXPECT_EQ(m.triangleCount(), 2u);
    EXPECT_EQ(m.vertexCount(), 4u);
    EXPECT_EQ(m.name, "meshtool_quad");
    for (uint32_t v = 0; v < m.vertexCount(); ++v) {
        const float* p = &m.vertices[v * 8];
        EXPECT_FLOAT_EQ(p[5], 1.0f);         // normal z
        EXPECT_FLOAT_EQ(p[7], 1.0f - p[1]);  // texture v runs downwards in the demo
    }
    std::string bare = writeObj("meshtool_bare.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    meshfile::Mesh b = meshfile::convert(bare, {});
    EXPECT_EQ(b.formatBits, 0x0001);
    EXPECT_EQ(b.stride, 12u);
    meshfile::ConvertOptions withNormals;
    withNormals.generateNormals = true;
    EXPECT_EQ(meshfile::convert(bare, withNormals).formatBits, 0x0003);
    EXPECT_THROW(meshfile::convert(writeObj("meshtool_empty.obj", "v 0 0 0\n"), {}), std::runtime_error);
}

// Every shipped mesh: complete, indices in range, position/normal/texcoord in 32 bytes, and
// sized for its scene.
TEST(ShippedMeshes, AreCompleteAndSizedForTheirScenes) {
    const char* head[] = {"data/gris/h.SCENEauge2_3.mesh",   "data/gris/gris.SCENEgrismesh_1.mesh",
                          "data/gris/gris.SCENEkjeft_0.mesh", "data/gris/gris.SCENEnasabor_7.mesh",
                          "data/gris/gris.SCENEring_2.mesh",  "data/gris/gris.SCENEtann_8.mesh"};
    auto check = [](const char* path, float maxRadius, float cy) {
        SCOPED_TRACE(path);
        meshfile::Mesh m = meshfile::decode(meshfile::readFile(path));
        EXPECT_EQ(m.formatBits, 0x0007);
        EXPECT_EQ(m.stride, 32u);
        ASSERT_GT(m.triangleCount(), 0u);
        for (uint16_t i : m.indices) ASSERT_LT(i, m.vertexCount());
        for (uint32_t v = 0; v < m.vertexCount(); ++v) {
            const float* p = &m.vertices[v * 8];
            EXPECT_LT(std::hypot(p[0], p[1] - cy, p[2]), maxRadius);
            EXPECT_NEAR(std::hypot(p[3], p[4], p[5]), 1.0f, 1e-3f);
            EXPECT_TRUE(p[6] >= 0 && p[6] <= 1 && p[7] >= 0 && p[7] <= 1);
        }
    };
    for (const char* p : head) check(p, 1.5f, 0.3f);  // seen from 4.5 units, looking at (0, 0.3, 0)
    check("data/part_1/shape2.SCENEStar01.mesh", 1.01f, 0.0f);
}

}  // namespace
