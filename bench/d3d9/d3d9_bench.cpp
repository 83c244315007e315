// Cost per call of the Direct3D 9 stand-in's hot operations next to raw GL doing the same work
// in the same process and context: an unchanged render state, a discard lock of the 6,400-byte
// instance buffer, and one instanced draw of two streams (200 instances, as part one draws).
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/d3d9.h"
#include "platform/d3d9_gl.h"

namespace {

const char* kVertexSource = R"(#version 410 core
layout(location = 0) in vec3 inPos;
layout(location = 9) in vec4 inOffset;
layout(location = 10) in vec4 inColour;
uniform vec2 orl_PixelOffset;
out vec4 colour;
void main() {
    gl_Position = vec4(inPos.xy * 0.05 + inOffset.xy, inPos.z, 1.0);
    colour = inColour;
    gl_Position.xy += orl_PixelOffset * gl_Position.w;
}
)";
const char* kFragmentSource = R"(#version 410 core
in vec4 colour;
out vec4 frag;
void main() { frag = colour; }
)";

struct Instance {
    float offset[4];
    float colour[4];
};
constexpr int kInstances = 200;
static_assert(sizeof(Instance) * kInstances == 6400);

// One device on a small hidden back buffer, with a 12-triangle mesh on stream 0 and the
// instance buffer on stream 1.
struct Rig {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexBuffer9* mesh = nullptr;
    IDirect3DVertexBuffer9* instances = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
    GLuint program = 0;
    // The same objects in raw GL.
    GLuint rawVao = 0, rawMesh = 0, rawInstances = 0, rawIndices = 0;
    std::vector<Instance> data = std::vector<Instance>(kInstances);
    static constexpr int kTriangles = 12;

    Rig() {
        if (FAILED(d3d9glCreateOffscreenDevice(128, 128, &d3d, &device))) {
            std::fprintf(stderr, "no Direct3D device: run under xvfb-run\n");
            std::exit(1);
        }

        std::vector<float> vertices;
        std::vector<uint16_t> idx;
        for (int t = 0; t < kTriangles; ++t) {
            const float x = static_cast<float>(t % 4) - 1.5f, y = static_cast<float>(t / 4) - 1.0f;
            const float tri[] = {x, y, 0.5f, 0, 0, 1, 0, 0, x + 1, y, 0.5f, 0, 0, 1, 1, 0, x, y + 1, 0.5f, 0, 0, 1, 0, 1};
            vertices.insert(vertices.end(), std::begin(tri), std::end(tri));
            for (int k = 0; k < 3; ++k) idx.push_back(static_cast<uint16_t>(t * 3 + k));
        }
        device->CreateVertexBuffer(static_cast<UINT>(vertices.size() * 4), D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT,
                                   &mesh, nullptr);
        device->CreateVertexBuffer(6400, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0x112, D3DPOOL_DEFAULT, &instances,
                                   nullptr);
        device->CreateIndexBuffer(static_cast<UINT>(idx.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                  D3DPOOL_MANAGED, &indices, nullptr);
        void* p = nullptr;
        mesh->Lock(0, 0, &p, 0);
        std::memcpy(p, vertices.data(), vertices.size() * 4);
        mesh->Unlock();
        indices->Lock(0, 0, &p, 0);
        std::memcpy(p, idx.data(), idx.size() * 2);
        indices->Unlock();
        for (int i = 0; i < kInstances; ++i) {
            data[static_cast<size_t>(i)] = {{static_cast<float>(i % 20) * 0.1f - 1.0f, static_cast<float>(i / 20) * 0.2f - 1.0f, 0, 0},
                                            {1, 0.5f, 0.25f, 1}};
        }
        instances->Lock(0, 0, &p, D3DLOCK_DISCARD);
        std::memcpy(p, data.data(), 6400);
        instances->Unlock();
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
            {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            {1, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
            {1, 16, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 2},
            D3DDECL_END()};
        device->CreateVertexDeclaration(elements, &decl);

        program = glCreateProgram();
        for (auto [stage, src] : {std::pair{GL_VERTEX_SHADER, kVertexSource}, std::pair{GL_FRAGMENT_SHADER, kFragmentSource}}) {
            GLuint s = glCreateShader(stage);
            glShaderSource(s, 1, &src, nullptr);
            glCompileShader(s);
            glAttachShader(program, s);
            glDeleteShader(s);
        }
        glLinkProgram(program);
        d3d9glSetProgram(device, program);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

        // Raw GL: the same buffers and layout in a VAO of its own.
        glCreateBuffers(1, &rawMesh);
        glNamedBufferData(rawMesh, static_cast<GLsizeiptr>(vertices.size() * 4), vertices.data(), GL_STATIC_DRAW);
        glCreateBuffers(1, &rawInstances);
        glNamedBufferData(rawInstances, 6400, data.data(), GL_DYNAMIC_DRAW);
        glCreateBuffers(1, &rawIndices);
        glNamedBufferData(rawIndices, static_cast<GLsizeiptr>(idx.size() * 2), idx.data(), GL_STATIC_DRAW);
        glCreateVertexArrays(1, &rawVao);
        const struct {
            GLuint loc, binding, size, offset;
        } attribs[] = {{0, 0, 3, 0}, {2, 0, 3, 12}, {8, 0, 2, 24}, {9, 1, 4, 0}, {10, 1, 4, 16}};
        for (const auto& a : attribs) {
            glEnableVertexArrayAttrib(rawVao, a.loc);
            glVertexArrayAttribFormat(rawVao, a.loc, static_cast<GLint>(a.size), GL_FLOAT, GL_FALSE, a.offset);
            glVertexArrayAttribBinding(rawVao, a.loc, a.binding);
        }
        glVertexArrayVertexBuffer(rawVao, 0, rawMesh, 0, 32);
        glVertexArrayVertexBuffer(rawVao, 1, rawInstances, 0, 32);
        glVertexArrayBindingDivisor(rawVao, 1, 1);
        glVertexArrayElementBuffer(rawVao, rawIndices);
    }

    // The demo's instanced draw: frequencies, streams, declaration, indices, one draw, reset.
    void instancedDraw(UINT count = kInstances) {
        device->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | count);
        device->SetStreamSource(0, mesh, 0, 32);
        device->SetStreamSourceFreq(1, D3DSTREAMSOURCE_INSTANCEDATA | 1);
        device->SetStreamSource(1, instances, 0, 32);
        device->SetVertexDeclaration(decl);
        device->SetIndices(indices);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, kTriangles * 3, 0, kTriangles);
        device->SetStreamSourceFreq(0, 1);
        device->SetStreamSourceFreq(1, 1);
    }
};

Rig& rig() {
    static Rig r;
    return r;
}

// Raw GL runs bind their own vertex array and program; the stand-in's come back afterwards.
struct SavedBindings {
    GLint vao = 0, program = 0;
    SavedBindings() {
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao);
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    }
    ~SavedBindings() {
        glBindVertexArray(static_cast<GLuint>(vao));
        glUseProgram(static_cast<GLuint>(program));
    }
};

// Keeps the queue of a software renderer from growing without bound.
void drain(int64_t i) {
    if ((i & 255) == 255) glFinish();
}

void BM_SetRenderStateUnchanged(benchmark::State& state) {
    IDirect3DDevice9* d = rig().device;
    for (auto _ : state) {
        benchmark::DoNotOptimize(d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE));
    }
}
BENCHMARK(BM_SetRenderStateUnchanged);

void BM_RawGlRedundantCullFace(benchmark::State& state) {
    rig();
    for (auto _ : state) {
        glCullFace(GL_BACK);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RawGlRedundantCullFace);

void BM_DiscardLock6400(benchmark::State& state) {
    Rig& r = rig();
    int64_t i = 0;
    for (auto _ : state) {
        void* p = nullptr;
        r.instances->Lock(0, 0, &p, D3DLOCK_DISCARD);
        std::memcpy(p, r.data.data(), 6400);
        r.instances->Unlock();
        // A draw reads the buffer every time, so a lock that waited for the GPU would show.
        if (state.range(0)) r.instancedDraw();
        drain(i++);
    }
    glFinish();
}
BENCHMARK(BM_DiscardLock6400)->Arg(0)->Arg(1);

void BM_RawGlOrphanUpload6400(benchmark::State& state) {
    Rig& r = rig();
    SavedBindings saved;
    glUseProgram(r.program);
    int64_t i = 0;
    for (auto _ : state) {
        glNamedBufferData(r.rawInstances, 6400, r.data.data(), GL_DYNAMIC_DRAW);
        if (state.range(0)) {
            glBindVertexArray(r.rawVao);
            glDrawElementsInstancedBaseVertex(GL_TRIANGLES, Rig::kTriangles * 3, GL_UNSIGNED_SHORT, nullptr, kInstances,
                                              0);
        }
        drain(i++);
    }
    glFinish();
}
BENCHMARK(BM_RawGlOrphanUpload6400)->Arg(0)->Arg(1);

// The other raw way to write a whole dynamic buffer: map it invalidated, copy, unmap.
void BM_RawGlMapInvalidate6400(benchmark::State& state) {
    Rig& r = rig();
    int64_t i = 0;
    for (auto _ : state) {
        void* p = glMapNamedBufferRange(r.rawInstances, 0, 6400, GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT);
        std::memcpy(p, r.data.data(), 6400);
        glUnmapNamedBuffer(r.rawInstances);
        drain(i++);
    }
    glFinish();
}
BENCHMARK(BM_RawGlMapInvalidate6400);

void BM_InstancedDrawSequence(benchmark::State& state) {
    Rig& r = rig();
    int64_t i = 0;
    for (auto _ : state) {
        r.instancedDraw(static_cast<UINT>(state.range(0)));
        drain(i++);
    }
    glFinish();
}
// 200 instances as the demo draws them, and 1 to show the call overhead beside the rendering.
BENCHMARK(BM_InstancedDrawSequence)->Arg(200)->Arg(1);

void BM_RawGlInstancedDraw(benchmark::State& state) {
    Rig& r = rig();
    SavedBindings saved;
    int64_t i = 0;
    for (auto _ : state) {
        glBindVertexArray(r.rawVao);
        glUseProgram(r.program);
        glDrawElementsInstancedBaseVertex(GL_TRIANGLES, Rig::kTriangles * 3, GL_UNSIGNED_SHORT, nullptr,
                                          static_cast<GLsizei>(state.range(0)), 0);
        drain(i++);
    }
    glFinish();
}
BENCHMARK(BM_RawGlInstancedDraw)->Arg(200)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
