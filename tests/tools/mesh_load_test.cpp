// The shipped meshes load through the demo's own mesh loader on a real (GL) device.
#include "tests/gfx/device_env.h"
#include "gfx/mesh.h"
#include "tools/meshtool/meshfile.h"

#include <gtest/gtest.h>

namespace {

TEST(ShippedMeshes, LoadThroughTheDemosLoader) {
    const char* files[] = {"data/gris/h.SCENEauge2_3.mesh",      "data/gris/gris.SCENEgrismesh_1.mesh",
                           "data/gris/gris.SCENEkjeft_0.mesh",   "data/gris/gris.SCENEnasabor_7.mesh",
                           "data/gris/gris.SCENEring_2.mesh",    "data/gris/gris.SCENEtann_8.mesh",
                           "data/part_1/shape2.SCENEStar01.mesh"};
    for (const char* path : files) {
        SCOPED_TRACE(path);
        meshfile::Mesh expected = meshfile::decode(meshfile::readFile(path));
        Mesh mesh;
        mesh.loadFile(path);
        EXPECT_EQ(mesh.triangleCount, expected.triangleCount());
        EXPECT_EQ(mesh.vertexCount, expected.vertexCount());
        EXPECT_EQ(mesh.stride, 32u);
        EXPECT_NE(mesh.vertexBuffer, nullptr);
        EXPECT_NE(mesh.indexBuffer, nullptr);
        EXPECT_NE(mesh.declaration, nullptr);
        EXPECT_EQ(mesh.indices, expected.indices);
        ASSERT_EQ(mesh.vertexCopyA.size(), expected.vertexCount());
        EXPECT_EQ(mesh.vertexCopyA.back().texcoord[1], expected.vertices.back());
    }
}

}  // namespace
