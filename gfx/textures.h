// The texture library: textures loaded from image files and registered under short names,
// remembering each file path so that the development build can reload them all from disk.
#pragma once

#include "gfx/resource_stack.h"
#include "platform/d3d9.h"

struct TextureStack : ResourceStack<IDirect3DTexture9> {
    TextureStack() = default;
    TextureStack(const TextureStack&) = delete;
    TextureStack& operator=(const TextureStack&) = delete;
    ~TextureStack();

    // Loads and registers each (path, name) pair of a null-terminated list; the first file
    // that fails to load is reported and ends the call.
    void load(const char* const list[]);
    // Development build: releases every texture and loads each entry again from its path. A
    // failure is reported and ends the reload; that entry and the later ones hold no texture.
    void reloadAllTextures();
};

extern TextureStack sceneTextures;    // the scenes' textures, reloaded on T
extern TextureStack loadingTextures;  // the loading screen's textures, never reloaded
