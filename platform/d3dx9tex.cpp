#include "platform/d3dx9tex.h"

#include <stb_image.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool readWholeFile(const char* path, std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize((size_t)size);
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    return ok;
}

// The decoder reads the file through these callbacks, so that a decoder asking for bytes past
// the end (a truncated file, which stb_image would otherwise fill with zeros) is noticed.
struct ImageSource {
    const unsigned char* data;
    size_t size;
    size_t position;
    bool overrun;
};

int readSource(void* user, char* out, int wanted) {
    auto* source = (ImageSource*)user;
    const size_t left = source->size - source->position;
    const size_t count = std::min(left, (size_t)std::max(wanted, 0));
    if (count == 0 && wanted > 0)
        source->overrun = true;
    std::memcpy(out, source->data + source->position, count);
    source->position += count;
    return (int)count;
}

void skipSource(void* user, int count) {
    auto* source = (ImageSource*)user;
    const long long target = (long long)source->position + count;
    source->position = (size_t)std::clamp<long long>(target, 0, (long long)source->size);
}

int sourceAtEnd(void* user) {
    auto* source = (ImageSource*)user;
    return source->position >= source->size;
}

// Halves a 4-byte-per-texel image (each side down to at least 1) by averaging 2 x 2 blocks; on
// an odd side the last row or column pairs with itself.
std::vector<unsigned char> halve(const std::vector<unsigned char>& src, UINT width, UINT height, UINT& outWidth,
                                 UINT& outHeight) {
    outWidth = std::max(1u, width / 2);
    outHeight = std::max(1u, height / 2);
    std::vector<unsigned char> dst((size_t)outWidth * outHeight * 4);
    for (UINT y = 0; y < outHeight; ++y) {
        const unsigned char* row0 = src.data() + (size_t)std::min(2 * y, height - 1) * width * 4;
        const unsigned char* row1 = src.data() + (size_t)std::min(2 * y + 1, height - 1) * width * 4;
        unsigned char* out = dst.data() + (size_t)y * outWidth * 4;
        for (UINT x = 0; x < outWidth; ++x) {
            const size_t a = (size_t)std::min(2 * x, width - 1) * 4, b = (size_t)std::min(2 * x + 1, width - 1) * 4;
            for (int c = 0; c < 4; ++c)
                out[4 * x + c] = (unsigned char)((row0[a + c] + row0[b + c] + row1[a + c] + row1[b + c] + 2) / 4);
        }
    }
    return dst;
}

// Copies a B, G, R, A image into a locked A8R8G8B8 level, top row first.
void writeLevel(const std::vector<unsigned char>& bgra, UINT width, UINT height, const D3DLOCKED_RECT& locked) {
    const size_t rowBytes = (size_t)width * 4;
    for (UINT y = 0; y < height; ++y)
        std::memcpy((unsigned char*)locked.pBits + (size_t)y * (size_t)locked.Pitch, bgra.data() + y * rowBytes,
                    rowBytes);
}

}  // namespace

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR srcFile, IDirect3DTexture9** texture) {
    if (texture)
        *texture = nullptr;
    if (!device || !srcFile || !texture)
        return D3DERR_INVALIDCALL;

    std::vector<unsigned char> bytes;
    if (!readWholeFile(srcFile, bytes))
        return D3DXERR_INVALIDDATA;

    ImageSource source{bytes.data(), bytes.size(), 0, false};
    const stbi_io_callbacks callbacks{readSource, skipSource, sourceAtEnd};
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_callbacks(&callbacks, &source, &width, &height, &channels, 4);
    if (!pixels || source.overrun || width <= 0 || height <= 0) {
        stbi_image_free(pixels);
        return D3DXERR_INVALIDDATA;
    }
    // A8R8G8B8 keeps the bytes B, G, R, A in memory: swap red and blue once, before the mips.
    std::vector<unsigned char> level(pixels, pixels + (size_t)width * (size_t)height * 4);
    stbi_image_free(pixels);
    for (size_t i = 0; i < level.size(); i += 4)
        std::swap(level[i], level[i + 2]);

    IDirect3DTexture9* created = nullptr;
    HRESULT hr = device->CreateTexture((UINT)width, (UINT)height, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &created,
                                       nullptr);
    if (FAILED(hr) || !created)
        return FAILED(hr) ? hr : D3DERR_INVALIDCALL;

    UINT levelWidth = (UINT)width, levelHeight = (UINT)height;
    const DWORD levels = created->GetLevelCount();
    for (DWORD i = 0; i < levels; ++i) {
        if (i > 0)
            level = halve(level, levelWidth, levelHeight, levelWidth, levelHeight);
        D3DLOCKED_RECT locked{};
        hr = created->LockRect(i, &locked, nullptr, 0);
        if (FAILED(hr) || !locked.pBits) {
            created->Release();
            return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
        }
        writeLevel(level, levelWidth, levelHeight, locked);
        created->UnlockRect(i);
    }
    *texture = created;
    return D3D_OK;
}
