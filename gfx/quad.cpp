#include "gfx/quad.h"

#include <cstdio>
#include <cstring>

#include "gfx/effects.h"
#include "gfx/host.h"

Mesh quadMesh;

namespace {

constexpr UINT kQuadVertexBufferBytes = 128;  // only the first four vertices are used
constexpr UINT kQuadIndexBufferBytes = 12;

const D3DVERTEXELEMENT9 kQuadElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

// The declaration is made once and kept; a draw makes it if it is still missing.
void ensureQuadDeclaration() {
    if (!quadMesh.declaration && FAILED(d3dDevice->CreateVertexDeclaration(kQuadElements, &quadMesh.declaration)))
        quadMesh.declaration = nullptr;
}

}  // namespace

void InitQuad() {
    std::printf("InitQuad -> General.fx");
    static const char* const generalList[] = {"data/general.fx", "general", nullptr};
    mainEffects.compile(generalList);

    quadMesh.release();
    if (!d3dDevice ||
        FAILED(d3dDevice->CreateVertexBuffer(kQuadVertexBufferBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                             D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, D3DPOOL_DEFAULT,
                                             &quadMesh.vertexBuffer, nullptr))) {
        quadMesh.vertexBuffer = nullptr;
        MessageBoxA(nullptr, "CreateVertexBuffer", "DrawQuad", MB_OK);
        return;
    }
    if (FAILED(d3dDevice->CreateIndexBuffer(kQuadIndexBufferBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                            D3DPOOL_MANAGED, &quadMesh.indexBuffer, nullptr))) {
        quadMesh.indexBuffer = nullptr;
        MessageBoxA(nullptr, "CreateIndexBuffer", "GenerateGrid", MB_OK);
        return;
    }
    ensureQuadDeclaration();
}

void drawQuad(float width, float height, float x, float y, float z) {
    // Without both buffers (InitQuad not run or failed) there is nothing to draw with.
    if (!d3dDevice || !quadMesh.vertexBuffer || !quadMesh.indexBuffer)
        return;
    const float hw = width / 2.0f;
    const float hh = height / 2.0f;
    const QuadVertex vertices[4] = {
        {x - hw, y - hh, z, 1.0f, 0.0f},
        {x + hw, y - hh, z, 0.0f, 0.0f},
        {x - hw, y + hh, z, 1.0f, 1.0f},
        {x + hw, y + hh, z, 0.0f, 1.0f},
    };
    const WORD indices[6] = {0, 2, 1, 3, 1, 2};

    void* locked = nullptr;
    if (SUCCEEDED(quadMesh.vertexBuffer->Lock(0, 0, &locked, 0)) && locked) {
        std::memcpy(locked, vertices, sizeof vertices);
        quadMesh.vertexBuffer->Unlock();
    }
    locked = nullptr;
    if (SUCCEEDED(quadMesh.indexBuffer->Lock(0, 0, &locked, 0)) && locked) {
        std::memcpy(locked, indices, sizeof indices);
        quadMesh.indexBuffer->Unlock();
    }

    quadMesh.triangleCount = 2;
    quadMesh.vertexCount = 4;
    quadMesh.stride = sizeof(QuadVertex);
    ensureQuadDeclaration();
    quadMesh.draw();
}

void drawFullScreenQuad() { drawQuad((float)WIDTH, (float)RENDERHEIGHT, 0.0f, 0.0f, 0.0f); }

void setCullAndDepth(D3DCULL cullMode, BYTE depthTest) {
    if (!d3dDevice)
        return;
    d3dDevice->SetRenderState(D3DRS_CULLMODE, cullMode);
    d3dDevice->SetRenderState(D3DRS_ZENABLE, depthTest);
}

void setBlend(BYTE enable, D3DBLENDOP blendOp, D3DBLEND source, D3DBLEND destination) {
    if (!d3dDevice)
        return;
    d3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, enable);
    if (!enable)
        return;
    d3dDevice->SetRenderState(D3DRS_BLENDOP, blendOp);
    d3dDevice->SetRenderState(D3DRS_SRCBLEND, source);
    d3dDevice->SetRenderState(D3DRS_DESTBLEND, destination);
}
