// Effect compilation (per effect and per pass) and the hot calls drawing code makes on an
// effect every frame: parameter writes by name and CommitChanges with nothing changed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/d3d9.h"
#include "platform/d3d9_gl.h"
#include "platform/d3dx9effect.h"
#include "platform/d3dx9math.h"

namespace {

IDirect3DDevice9* device() {
    static IDirect3DDevice9* d = [] {
        IDirect3D9* d3d = nullptr;
        IDirect3DDevice9* dev = nullptr;
        if (FAILED(d3d9glCreateOffscreenDevice(64, 64, &d3d, &dev))) {
            std::fprintf(stderr, "no Direct3D device: run under xvfb-run\n");
            std::exit(1);
        }
        return dev;
    }();
    return d;
}

std::string path(const char* relative) { return std::string(ORLUNDE_SOURCE_ROOT) + "/" + relative; }

ID3DXEffect* compile(const std::string& file) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    if (FAILED(D3DXCreateEffectFromFileA(device(), file.c_str(), nullptr, nullptr, D3DXSHADER_DEBUG, nullptr, &effect,
                                         &errors))) {
        std::fprintf(stderr, "%s", errors ? static_cast<const char*>(errors->GetBufferPointer()) : "compile failed\n");
        std::exit(1);
    }
    if (errors) errors->Release();
    return effect;
}

UINT passCount(ID3DXEffect* effect) {
    D3DXEFFECT_DESC desc{};
    effect->GetDesc(&desc);
    UINT passes = 0;
    for (UINT t = 0; t < desc.Techniques; ++t) {
        D3DXTECHNIQUE_DESC td{};
        effect->GetTechniqueDesc(effect->GetTechnique(t), &td);
        passes += td.Passes;
    }
    return passes;
}

// The first compilation in a process, with glslang's one-time initialisation (run first, once).
void BM_FirstCompile(benchmark::State& state) {
    device();
    for (auto _ : state) compile(path("data/general.fx"))->Release();
}
BENCHMARK(BM_FirstCompile)->Iterations(1)->Unit(benchmark::kMillisecond);

// Whole compilation of one file; the "per_pass" counter is the time divided by its passes.
void BM_Compile(benchmark::State& state, const char* file) {
    const std::string p = path(file);
    compile(p)->Release();  // first-use initialisation out of the measurement
    UINT passes = 0;
    for (auto _ : state) {
        ID3DXEffect* effect = compile(p);
        passes = passCount(effect);
        effect->Release();
    }
    state.counters["passes"] = passes;
    state.counters["per_pass"] = benchmark::Counter(static_cast<double>(state.iterations()) * passes,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(BM_Compile, general, "data/general.fx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Compile, three_pass, "tests/fixtures/effect_three_pass.fx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Compile, fixture_two_techniques, "tests/fixtures/effect_basic.fx")->Unit(benchmark::kMillisecond);

struct Bound {
    ID3DXEffect* effect = compile(path("tests/fixtures/effect_three_pass.fx"));
    Bound() {
        UINT passes = 0;
        effect->Begin(&passes, 0);
        effect->BeginPass(2);
    }
    ~Bound() {
        effect->EndPass();
        effect->End();
        effect->Release();
    }
};

void BM_SetFloat(benchmark::State& state) {
    Bound b;
    float t = 0;
    for (auto _ : state) {
        b.effect->SetFloat("time", t);
        t += 1.0f;
    }
}
BENCHMARK(BM_SetFloat);

void BM_SetFloatArraySync(benchmark::State& state) {
    Bound b;
    float sync[23] = {};
    for (auto _ : state) {
        sync[0] += 1.0f;
        b.effect->SetFloatArray("SYNC", sync, 23);
    }
}
BENCHMARK(BM_SetFloatArraySync);

void BM_SetMatrix(benchmark::State& state) {
    Bound b;
    D3DXMATRIX m(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    for (auto _ : state) {
        m._41 += 1.0f;
        b.effect->SetMatrix("matWorldViewProjection", &m);
    }
}
BENCHMARK(BM_SetMatrix);

void BM_SetUndeclared(benchmark::State& state) {
    Bound b;
    for (auto _ : state) benchmark::DoNotOptimize(b.effect->SetFloat("notDeclaredHere", 1.0f));
}
BENCHMARK(BM_SetUndeclared);

void BM_CommitChangesClean(benchmark::State& state) {
    Bound b;
    b.effect->CommitChanges();
    for (auto _ : state) benchmark::DoNotOptimize(b.effect->CommitChanges());
}
BENCHMARK(BM_CommitChangesClean);

// A write and the upload it causes: what a frame pays per changed draw.
void BM_SetFloatAndCommit(benchmark::State& state) {
    Bound b;
    float t = 0;
    for (auto _ : state) {
        b.effect->SetFloat("time", t += 1.0f);
        b.effect->CommitChanges();
    }
}
BENCHMARK(BM_SetFloatAndCommit);

}  // namespace

BENCHMARK_MAIN();
