// The shipped pictures: sizes the scenes expect, overlays with real alpha.
#include <gtest/gtest.h>

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

struct Picture {
    int w = 0, h = 0, channels = 0;
    std::unique_ptr<unsigned char, void (*)(void*)> px{nullptr, stbi_image_free};
};

Picture load(const std::string& path) {
    Picture p;
    p.px.reset(stbi_load(path.c_str(), &p.w, &p.h, &p.channels, 4));
    return p;
}

TEST(ShippedPictures, HaveTheSizesTheirScenesUse) {
    struct Case {
        const char* path;
        int w, h;
    } cases[] = {
        {"data/backroundfx/surface.jpg", 1024, 1024},  // tiled by the background: a power of two
        {"data/gris/augetext.JPG", 512, 512},
        {"data/endscreen/endscreen.jpg", 1280, 720},   // full-screen pictures are 16:9
        {"data/loadingscreen/load_2.png", 1280, 720},
        {"app/resources/bitmap_1001.bmp", 200, 125},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Picture p = load(c.path);
        ASSERT_TRUE(p.px) << stbi_failure_reason();
        EXPECT_EQ(p.w, c.w);
        EXPECT_EQ(p.h, c.h);
    }
    EXPECT_EQ(load("app/resources/bitmap_1001.bmp").channels, 3);  // a 24-bit bitmap
}

// Every overlay keeps the middle of the picture visible and covers some of it.
TEST(ShippedPictures, OverlaysAreSixteenByNineWithRealAlpha) {
    for (int i = 0; i <= 6; ++i) {
        std::string path = i == 0 ? "data/vignetting.png" : "data/vignetting_" + std::to_string(i) + ".png";
        SCOPED_TRACE(path);
        Picture p = load(path);
        ASSERT_TRUE(p.px) << stbi_failure_reason();
        EXPECT_EQ(p.channels, 4);
        EXPECT_EQ(p.w * 9, p.h * 16);
        const unsigned char* px = p.px.get();
        int centre = px[(size_t(p.h / 2) * size_t(p.w) + size_t(p.w / 2 + 3)) * 4 + 3];
        int most = 0;
        for (size_t k = 0; k < size_t(p.w) * size_t(p.h); ++k) most = std::max(most, int(px[k * 4 + 3]));
        EXPECT_LT(centre, 64);
        EXPECT_GT(most, 128);
    }
}

}  // namespace
