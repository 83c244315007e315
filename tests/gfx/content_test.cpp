// The demo's own meshes and pictures go through the libraries without a single message box.
#include <gtest/gtest.h>

#include <filesystem>

#include "device_env.h"
#include "gfx/mesh.h"
#include "gfx/textures.h"

namespace {

TEST(ShippedContent, MeshesAndPicturesLoadCleanly) {
    const char* const meshes[] = {
        "data/gris/h.SCENEauge2_3.mesh", "g1", "data/gris/gris.SCENEgrismesh_1.mesh", "g2",
        "data/gris/gris.SCENEkjeft_0.mesh", "g3", "data/gris/gris.SCENEnasabor_7.mesh", "g4",
        "data/gris/gris.SCENEring_2.mesh", "g5", "data/gris/gris.SCENEtann_8.mesh", "g6",
        "data/part_1/shape2.SCENEStar01.mesh", "shape", nullptr,
    };
    const char* const pictures[] = {
        "data/gris/augetext.JPG", "eyes", "data/loadingscreen/load_2.png", "loady",
        "data/backroundfx/surface.jpg", "surface1", "data/endscreen/endscreen.jpg", "endscreen",
        "data/vignetting.png", "vignetting", "data/vignetting_6.png", "overlay6", nullptr,
    };
    for (int i = 0; meshes[i]; i += 2)
        if (!std::filesystem::exists(meshes[i]))
            GTEST_SKIP() << meshes[i] << " has not been made";
    for (int i = 0; pictures[i]; i += 2)
        if (!std::filesystem::exists(pictures[i]))
            GTEST_SKIP() << pictures[i] << " has not been made";

    MeshProxy proxy;
    TextureStack stack;
    testing::internal::CaptureStderr();
    {
        StdoutHook quiet;
        proxy.load(meshes);
        stack.load(pictures);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(proxy.objects.size(), 7u);
    for (const Mesh* mesh : proxy.objects) {
        EXPECT_NE(mesh->vertexBuffer, nullptr);
        EXPECT_NE(mesh->declaration, nullptr);
        EXPECT_GT(mesh->triangleCount, 0u);
    }
    // The instanced shape needs position, normal and one texture coordinate first.
    EXPECT_EQ(proxy.find("shape")->stride, 32u);
    EXPECT_EQ(stack.objects.size(), 6u);
}

}  // namespace
