// Image files into textures (the D3DX loader) and the texture library's load and reload.
#include <gtest/gtest.h>

#include <stb_image_write.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "device_env.h"
#include "gfx/textures.h"
#include "platform/d3d9_gl.h"
#include "platform/d3dx9tex.h"

namespace {

std::string box(const std::string& caption, const std::string& text) {
    return "MessageBox [" + caption + "] " + text + "\n";
}

// 4 x 2 RGBA picture: top row red, green, blue, white; bottom row black, grey, yellow, cyan.
const unsigned char kPicture[4 * 2 * 4] = {
    255, 0,   0,   255, 0,   255, 0,   255, 0,   0,   255, 255, 255, 255, 255, 255,
    0,   0,   0,   255, 128, 128, 128, 255, 255, 255, 0,   255, 0,   255, 255, 255,
};
const uint32_t kPictureArgb[8] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                                  0xFF000000, 0xFF808080, 0xFFFFFF00, 0xFF00FFFF};

// Writes the picture in the given format (by extension) and returns the path.
std::string writePicture(const std::string& name) {
    const std::string path = tempPath(name);
    const std::string ext = path.substr(path.size() - 3);
    if (ext == "png")
        stbi_write_png(path.c_str(), 4, 2, 4, kPicture, 16);
    else if (ext == "bmp")
        stbi_write_bmp(path.c_str(), 4, 2, 4, kPicture);
    else if (ext == "tga")
        stbi_write_tga(path.c_str(), 4, 2, 4, kPicture);
    else
        stbi_write_jpg(path.c_str(), 4, 2, 4, kPicture, 100);
    return path;
}

std::vector<unsigned char> readBytes(const std::string& path) {
    std::vector<unsigned char> bytes(std::filesystem::file_size(path));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return bytes;
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

TEST(TextureFromFile, DecodesEachFormatTopRowFirstWithAFullMipChain) {
    struct Case {
        const char* name;
        int tolerance;  // JPEG is lossy and subsamples colour
    };
    for (const Case c : {Case{"gfx_pic.png", 0}, Case{"gfx_pic.bmp", 0}, Case{"gfx_pic.tga", 0}, Case{"gfx_pic.jpg", 80}}) {
        const std::string path = writePicture(c.name);
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileA(d3dDevice, path.c_str(), &texture), D3D_OK) << c.name;
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->GetLevelCount(), 3u) << c.name;  // 4x2, 2x1, 1x1
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
        EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);

        const Pixels level0 = readTextureLevel(texture, 0);
        ASSERT_EQ(level0.width, 4u);
        ASSERT_EQ(level0.height, 2u);
        for (UINT i = 0; i < 8; ++i)
            EXPECT_TRUE(nearColor(level0.argb[i], kPictureArgb[i], c.tolerance))
                << c.name << " texel " << i << ": " << std::hex << level0.argb[i];
        if (c.tolerance == 0) {
            // Level 1 averages 2 x 2 blocks: (red, green, black, grey) and (blue, white, yellow, cyan).
            const Pixels level1 = readTextureLevel(texture, 1);
            ASSERT_EQ(level1.width, 2u);
            ASSERT_EQ(level1.height, 1u);
            EXPECT_TRUE(nearColor(level1.argb[0], 0xFF606020, 1)) << std::hex << level1.argb[0];
            EXPECT_TRUE(nearColor(level1.argb[1], 0xFF80BFBF, 1)) << std::hex << level1.argb[1];
        }
        texture->Release();
    }
}

TEST(TextureFromFile, MissingDamagedAndTruncatedFilesFail) {
    const std::string png = writePicture("gfx_cut.png");
    const std::string jpg = writePicture("gfx_cut.jpg");
    const std::string bmp = writePicture("gfx_cut.bmp");
    const std::string tga = writePicture("gfx_cut.tga");
    for (const std::string& path : {png, jpg, bmp, tga}) {
        std::vector<unsigned char> bytes = readBytes(path);
        bytes.resize(bytes.size() * 2 / 3);
        writeBytes(path, bytes);
    }
    const std::string text = tempPath("gfx_not_an_image.png");
    writeTextFile(text, "this is not a picture at all, only some words in a file");
    const std::string empty = tempPath("gfx_empty.jpg");
    writeTextFile(empty, "");

    const int liveBefore = d3d9glLiveObjectCount();
    for (const std::string& path : {tempPath("gfx_no_such_file.png"), text, empty, png, jpg, bmp, tga}) {
        IDirect3DTexture9* texture = (IDirect3DTexture9*)&texture;  // must come back null
        EXPECT_EQ(D3DXCreateTextureFromFileA(d3dDevice, path.c_str(), &texture), D3DXERR_INVALIDDATA) << path;
        EXPECT_EQ(texture, nullptr) << path;
    }
    EXPECT_EQ(d3d9glLiveObjectCount(), liveBefore);
}

class TextureStackTest : public testing::Test {
protected:
    void SetUp() override {
        paths_[0] = writePicture("gfx_stack0.png");
        paths_[1] = writePicture("gfx_stack1.bmp");
        paths_[2] = writePicture("gfx_stack2.tga");
        paths_[3] = writePicture("gfx_stack3.png");
        list_ = {paths_[0].c_str(), "first", paths_[1].c_str(), "second", paths_[2].c_str(), "third",
                 paths_[3].c_str(), "fourth", nullptr};
    }
    std::string paths_[4];
    std::vector<const char*> list_;
};

TEST_F(TextureStackTest, LoadStopsAtTheFirstFailureNamingTheTexture) {
    std::filesystem::remove(paths_[1]);
    TextureStack stack;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    stack.load(list_.data());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), box("TextureStack", "InvalidData With second"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // loading prints nothing
    ASSERT_EQ(stack.names.size(), 1u);
    EXPECT_NE(stack.find("first"), nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(stack.find("third"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), box("No Match", "third"));
}

TEST_F(TextureStackTest, OddListKeepsThePairsBeforeIt) {
    TextureStack stack;
    const char* const odd[] = {paths_[0].c_str(), "first", paths_[1].c_str(), nullptr};
    testing::internal::CaptureStderr();
    stack.load(odd);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), box("Error", "Check Your Texture ParamenterList "));
    ASSERT_EQ(stack.names.size(), 1u);
    EXPECT_STREQ(stack.names[0], "first");
    EXPECT_EQ(stack.paths.size(), 1u);
}

TEST_F(TextureStackTest, ReloadReplacesEveryTextureInOrderAndCanRepeat) {
    const int liveBefore = d3d9glLiveObjectCount();
    {
        TextureStack stack;
        stack.load(list_.data());
        ASSERT_EQ(stack.objects.size(), 4u);
        const int liveLoaded = d3d9glLiveObjectCount();
        for (int round = 0; round < 2; ++round) {
            StdoutHook out;
            stack.reloadAllTextures();
            std::string expected = "first sizeof stack = 4\n";
            const char* names[] = {"first", "second", "third", "fourth"};
            for (int i = 0; i < 4; ++i)
                expected += "loading  [" + paths_[i] + "][" + names[i] + "]\n";
            EXPECT_EQ(out.text(), expected);
            EXPECT_EQ(d3d9glLiveObjectCount(), liveLoaded);  // old ones released once, new ones held
            for (const char* name : names)
                EXPECT_EQ(readTextureLevel(stack.find(name), 0).at(2, 1), 0xFFFFFF00u) << name;
        }
    }
    EXPECT_EQ(d3d9glLiveObjectCount(), liveBefore);
}

TEST_F(TextureStackTest, ReloadStopsAtAMissingFileNamingItsPath) {
    TextureStack stack;
    stack.load(list_.data());
    const std::vector<unsigned char> saved = readBytes(paths_[3]);
    std::filesystem::remove(paths_[3]);

    StdoutHook out;
    testing::internal::CaptureStderr();
    stack.reloadAllTextures();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), box("TextureStack", "InvalidData With " + paths_[3]));
    EXPECT_EQ(std::count(out.text().begin(), out.text().end(), '\n'), 5);  // size line and four loading lines
    EXPECT_NE(stack.find("third"), nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(stack.find("fourth"), nullptr);  // no texture, and no "No Match" either
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    writeBytes(paths_[3], saved);
    stack.reloadAllTextures();
    EXPECT_NE(stack.find("fourth"), nullptr);
    EXPECT_NE(out.text().find("first sizeof stack = 3\n"), std::string::npos);
}

}  // namespace
