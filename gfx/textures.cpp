#include "gfx/textures.h"

#include <cstdio>

#include "gfx/diagnostics.h"
#include "gfx/host.h"
#include "platform/d3dx9tex.h"

TextureStack sceneTextures;
TextureStack loadingTextures;

namespace {

void releaseAll(std::vector<IDirect3DTexture9*>& textures) {
    for (IDirect3DTexture9* texture : textures)
        if (texture)
            texture->Release();
    textures.clear();
}

}  // namespace

TextureStack::~TextureStack() { releaseAll(objects); }

void TextureStack::load(const char* const list[]) {
    if (!list)
        return;
    for (int i = 0; list[i]; i += 2) {
        const char* path = list[i];
        const char* name = list[i + 1];
        if (!name) {
            MessageBoxA(nullptr, "Check Your Texture ParamenterList\n", "Error", MB_OK);
            return;
        }
        IDirect3DTexture9* texture = nullptr;
        const HRESULT hr = D3DXCreateTextureFromFileA(d3dDevice, path, &texture);
        if (FAILED(hr) || !texture) {
            reportResult(hr, "TextureStack", name);
            return;
        }
        // An entry left without a texture by a failed reload keeps its place, so that every
        // object stays paired with its own name.
        objects.resize(names.size(), nullptr);
        objects.push_back(texture);
        names.push_back(name);
        paths.push_back(path);
    }
}

void TextureStack::reloadAllTextures() {
    int held = 0;
    for (IDirect3DTexture9* texture : objects)
        held += texture != nullptr;
    std::printf("first sizeof stack = %d\n", held);
    releaseAll(objects);
    for (std::size_t j = 0; j < names.size(); ++j) {
        std::printf("loading  [%s][%s]\n", paths[j], names[j]);
        IDirect3DTexture9* texture = nullptr;
        const HRESULT hr = D3DXCreateTextureFromFileA(d3dDevice, paths[j], &texture);
        if (FAILED(hr) || !texture) {
            reportResult(hr, "TextureStack", paths[j]);
            return;
        }
        objects.push_back(texture);
    }
}
