#include "gfx/render_texture.h"

#include <cstdio>

#include "gfx/host.h"

RenderTexture sceneTarget;
RenderTexture feedbackA;
RenderTexture feedbackB;

namespace {

template <class T>
void releaseHeld(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

}  // namespace

void RenderTexture::create(int32_t newWidth, int32_t newHeight, uint8_t newMultisample, D3DFORMAT format) {
    release();
    width = newWidth;
    height = newHeight;
    multisample = newMultisample;
    std::printf("RenderTexture [W = %d    H = %d\n", width, height);

    auto fail = [this](const char* what) {
        MessageBoxA(nullptr, what, "RenderTexture", MB_OK);
        release();
    };
    if (!d3dDevice || width <= 0 || height <= 0) {
        fail("CreateTexture");
        return;
    }
    const D3DMULTISAMPLE_TYPE samples = (D3DMULTISAMPLE_TYPE)displaySettings.multiSampleType;
    const DWORD usage = multisample ? D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP : D3DUSAGE_RENDERTARGET;
    if (FAILED(d3dDevice->CreateTexture((UINT)width, (UINT)height, 1, usage, format, D3DPOOL_DEFAULT, &texture,
                                        nullptr))) {
        texture = nullptr;
        fail("CreateTexture");
        return;
    }
    if (!multisample) {
        if (FAILED(d3dDevice->CreateDepthStencilSurface((UINT)width, (UINT)height, D3DFMT_D24S8,
                                                        D3DMULTISAMPLE_NONE, 0, TRUE, &depthStencil, nullptr))) {
            depthStencil = nullptr;
            fail("CreateDepthStencil");
            return;
        }
    } else {
        std::printf("created ms depthstencil\n");
        if (FAILED(d3dDevice->CreateDepthStencilSurface((UINT)width, (UINT)height, D3DFMT_D24S8, samples, 0,
                                                        TRUE, &depthStencil, nullptr))) {
            depthStencil = nullptr;
            fail("CreateDepthStencil (ms)");
            return;
        }
        if (FAILED(d3dDevice->CreateRenderTarget((UINT)width, (UINT)height, format, samples, 0, FALSE, &msTarget,
                                                 nullptr))) {
            msTarget = nullptr;
            fail("CreateRenderTarget (ms)");
            return;
        }
    }
    if (FAILED(texture->GetSurfaceLevel(0, &surface))) {
        surface = nullptr;
        fail("GetSurfaceLevel");
    }
}

void RenderTexture::createScaled(float scaleX, float scaleY, uint8_t newMultisample, D3DFORMAT format) {
    const auto scaledWidth = (int32_t)((double)displaySettings.renderWidth * (double)scaleX);
    const auto scaledHeight = (int32_t)((double)displaySettings.renderHeight * (double)scaleY);
    create(scaledWidth, scaledHeight, newMultisample, format);
}

void RenderTexture::begin() {
    // A render texture that was never created, or was released after a failure, has been
    // reported already: it leaves the device's targets alone and opens no scene.
    if (!surface || !d3dDevice || savedTarget)
        return;
    auto fail = [this](const char* what, const char* caption) {
        MessageBoxA(nullptr, what, caption, MB_OK);
        release();
    };
    if (FAILED(d3dDevice->GetRenderTarget(0, &savedTarget))) {
        savedTarget = nullptr;
        fail("GetRenderTarget", "RenderTexture");
        return;
    }
    if (FAILED(d3dDevice->GetDepthStencilSurface(&savedDepthStencil))) {
        savedDepthStencil = nullptr;
        fail("GetDepthStencil", "RenderTarget");
        return;
    }
    if (FAILED(d3dDevice->SetRenderTarget(0, multisample ? msTarget : surface))) {
        fail(multisample ? "SetRenderTarget (ms)" : "SetRenderTarget", "RenderTexture");
        return;
    }
    if (FAILED(d3dDevice->SetDepthStencilSurface(depthStencil))) {
        fail("SetDepthStencilSurface", "RenderTexture");
        return;
    }
    d3dDevice->BeginScene();
}

void RenderTexture::end() {
    // Only a begin that opened its scene is closed.
    if (!savedTarget || !d3dDevice)
        return;
    auto fail = [this](const char* what) {
        MessageBoxA(nullptr, what, "RenderTexture", MB_OK);
        release();
    };
    d3dDevice->EndScene();
    if (FAILED(d3dDevice->SetRenderTarget(0, savedTarget))) {
        fail("SetRenderTarget (End)");
        return;
    }
    if (FAILED(d3dDevice->SetDepthStencilSurface(savedDepthStencil))) {
        fail("SetDepthStencil (end)");
        return;
    }
    if (multisample)
        d3dDevice->StretchRect(msTarget, nullptr, surface, nullptr, D3DTEXF_NONE);
    releaseHeld(savedDepthStencil);
    releaseHeld(savedTarget);
}

void RenderTexture::release() {
    releaseHeld(msTarget);
    releaseHeld(texture);
    releaseHeld(depthStencil);
    releaseHeld(surface);
    releaseHeld(savedTarget);
    releaseHeld(savedDepthStencil);
}
