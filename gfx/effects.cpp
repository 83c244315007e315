#include "gfx/effects.h"

#include <cstdio>

#include "gfx/diagnostics.h"
#include "gfx/host.h"

const char* const kMainEffectList[] = {
    "data/general.fx",       "general",
    "data/backroundfx/backgroundfx.fx", "backgroundfx",
    "data/part_1/part_1.fx", "part1",
    nullptr,
};

Effects mainEffects;
Effects headEffects;

Effects::~Effects() { clear(); }

void Effects::compile(const char* const list[]) {
    if (!list)
        return;
    for (int i = 0; list[i]; i += 2) {
        const char* path = list[i];
        const char* name = list[i + 1];
        if (!name) {
            MessageBoxA(nullptr, "Check Your Effect ParamenterList\n", "Error", MB_OK);
            return;
        }
        std::printf("Effects::Compiling %s\n", path);

        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* messages = nullptr;
        const HRESULT hr = D3DXCreateEffectFromFileA(d3dDevice, path, nullptr, nullptr,
                                                     D3DXSHADER_DEBUG, nullptr, &effect, &messages);
        if (SUCCEEDED(hr) && effect) {
            if (messages)
                messages->Release();  // warnings are not shown
            objects.push_back(effect);
            names.push_back(name);
            continue;
        }
        if (effect)
            effect->Release();

        char caption[kCompileCaptionSize];
        std::snprintf(caption, sizeof caption, "Shader Compilation Error In [%s]", path);
        const char* text = messages ? (const char*)messages->GetBufferPointer() : nullptr;
        MessageBoxA(nullptr, text ? text : "The effect could not be created (no compiler messages)",
                    caption, MB_OK);
        if (messages)
            messages->Release();

        std::printf("Compiling shaders failed. try again Y/N (waiting for response)\n");
        std::fflush(stdout);
        // Blocks until the author answers: Y recompiles the whole list, N gives up the rest.
        for (;;) {
            const bool no = GetAsyncKeyState('N') != 0;
            const bool yes = GetAsyncKeyState('Y') != 0;
            if (yes) {
                clear();
                compile(list);
                break;
            }
            if (no)
                break;
        }
        return;
    }
    std::printf("Effects::Done Compiling\n");
}

ID3DXEffect* Effects::current() const {
    if (!currentRef)
        return nullptr;
    return find(currentRef);
}

void Effects::begin(unsigned pass, const char* ref) {
    const char* name = ref ? ref : currentRef;
    if (!name) {
        MessageBoxA(nullptr, "CurrentRef & Ref == NULL", "Effect", MB_OK);
        return;
    }
    ID3DXEffect* effect = find(name);
    if (!effect)
        return;

    char text[kMessageTextSize];
    if (!effect->GetCurrentTechnique()) {
        std::snprintf(text, sizeof text, "Begin[Ref == %s] Doesn't Have An Current Technique", name);
        MessageBoxA(nullptr, text, "Effect->Begin", MB_OK);
        return;
    }
    UINT passes = 0;
    effect->Begin(&passes, 0);
    // An index equal to the pass count is let through to BeginPass, which refuses it itself.
    if (pass > passes) {
        std::snprintf(text, sizeof text, "Effect[%s] -  has MaxPasses[%d] and cannot use Pass[%d]\n",
                      name, (int)passes, (int)pass);
        MessageBoxA(nullptr, text, "Effect Error [Begin]", MB_OK);
        return;
    }
    effect->BeginPass(pass);
}

void Effects::end(const char* ref) {
    const char* name = ref ? ref : currentRef;
    if (!name) {
        MessageBoxA(nullptr, "CurrentRef & Ref == NULL", "Effect", MB_OK);
        return;
    }
    ID3DXEffect* effect = find(name);
    if (!effect)
        return;
    effect->EndPass();
    effect->End();
}

void Effects::clear() {
    for (ID3DXEffect* effect : objects)
        if (effect)
            effect->Release();
    objects.clear();
    names.clear();
    paths.clear();
}

void Effects::recompileAllEffects() {
    clear();
    compile(kMainEffectList);
    std::printf("Size: %d\n", size());
}
