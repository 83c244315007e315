// Time to load a 1024 x 1024 JPEG into a texture with its full mip chain, through
// D3DXCreateTextureFromFileA on the GL device; and the JPEG decoding alone, for comparison.
#include <benchmark/benchmark.h>

#include <stb_image.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/d3d9.h"
#include "platform/d3d9_gl.h"
#include "platform/d3dx9tex.h"
#include "platform/win32.h"

namespace {

IDirect3DDevice9* device = nullptr;
std::string jpegPath;

// A 1024 x 1024 picture with smooth gradients and fine detail, so the JPEG has realistic content.
std::string writeJpeg() {
    const int size = 1024;
    std::vector<unsigned char> rgb((size_t)size * size * 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            unsigned char* p = &rgb[((size_t)y * size + x) * 3];
            p[0] = (unsigned char)(x / 4);
            p[1] = (unsigned char)(y / 4);
            p[2] = (unsigned char)(127.5 + 127.5 * std::sin(x * 0.05) * std::cos(y * 0.07));
        }
    const std::string path = "bench_gfx_1024.jpg";
    stbi_write_jpg(path.c_str(), size, size, 3, rgb.data(), 90);
    return path;
}

bool openDevice() {
    IDirect3D9* d3d = nullptr;
    return SUCCEEDED(d3d9glCreateOffscreenDevice(64, 64, &d3d, &device));
}

void BM_CreateTextureFromJpeg1024(benchmark::State& state) {
    for (auto _ : state) {
        IDirect3DTexture9* texture = nullptr;
        if (FAILED(D3DXCreateTextureFromFileA(device, jpegPath.c_str(), &texture))) {
            state.SkipWithError("D3DXCreateTextureFromFileA failed");
            break;
        }
        texture->Release();
    }
}
BENCHMARK(BM_CreateTextureFromJpeg1024)->Unit(benchmark::kMillisecond);

void BM_DecodeJpeg1024Only(benchmark::State& state) {
    for (auto _ : state) {
        int w, h, n;
        stbi_uc* pixels = stbi_load(jpegPath.c_str(), &w, &h, &n, 4);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
}
BENCHMARK(BM_DecodeJpeg1024Only)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!openDevice()) {
        std::fprintf(stderr, "bench_gfx: no Direct3D device (run under xvfb-run)\n");
        return 1;
    }
    jpegPath = writeJpeg();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    device->Release();
    std::remove(jpegPath.c_str());
    return 0;
}
