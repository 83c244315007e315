// orlunde_fxc: the effect checker. Compiles one effect file exactly as the demo does (the same
// D3DX stand-in, on a hidden GL device) and prints its techniques, passes and render states,
// and its parameters with type, element count and default; on failure prints the compiler's
// messages and exits with 1.
//
//   orlunde_fxc [-DNAME[=VALUE]]... [-q] file.fx
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d9.h"
#include "platform/d3d9_gl.h"
#include "platform/d3dx9effect.h"

namespace {

const char* className(D3DXPARAMETER_CLASS c) {
    switch (c) {
    case D3DXPC_SCALAR: return "scalar";
    case D3DXPC_VECTOR: return "vector";
    case D3DXPC_MATRIX_ROWS: return "matrix";
    case D3DXPC_MATRIX_COLUMNS: return "matrix";
    case D3DXPC_OBJECT: return "object";
    case D3DXPC_STRUCT: return "struct";
    }
    return "?";
}

const char* typeName(D3DXPARAMETER_TYPE t) {
    switch (t) {
    case D3DXPT_BOOL: return "bool";
    case D3DXPT_INT: return "int";
    case D3DXPT_FLOAT: return "float";
    case D3DXPT_STRING: return "string";
    case D3DXPT_TEXTURE: return "texture";
    case D3DXPT_TEXTURE1D: return "texture1D";
    case D3DXPT_TEXTURE2D: return "texture2D";
    case D3DXPT_TEXTURE3D: return "texture3D";
    case D3DXPT_TEXTURECUBE: return "textureCUBE";
    case D3DXPT_SAMPLER: return "sampler";
    case D3DXPT_SAMPLER1D: return "sampler1D";
    case D3DXPT_SAMPLER2D: return "sampler2D";
    case D3DXPT_SAMPLER3D: return "sampler3D";
    case D3DXPT_SAMPLERCUBE: return "samplerCUBE";
    default: return "void";
    }
}

// "float4x4", "float2", "float" as HLSL spells them.
std::string spelled(const D3DXPARAMETER_DESC& d) {
    std::string s = typeName(d.Type);
    if (d.Class == D3DXPC_VECTOR) s += std::to_string(d.Columns);
    if (d.Class == D3DXPC_MATRIX_ROWS || d.Class == D3DXPC_MATRIX_COLUMNS)
        s += std::to_string(d.Rows) + "x" + std::to_string(d.Columns);
    return s;
}

void printParameters(ID3DXEffect* effect, UINT count) {
    std::printf("parameters: %u\n", count);
    for (UINT i = 0; i < count; ++i) {
        D3DXHANDLE h = effect->GetParameter(nullptr, i);
        D3DXPARAMETER_DESC d{};
        if (!h || FAILED(effect->GetParameterDesc(h, &d))) continue;
        std::string line = "  " + spelled(d) + " " + d.Name;
        if (d.Elements) line += "[" + std::to_string(d.Elements) + "]";
        if (d.Semantic) line += std::string(" : ") + d.Semantic;
        const UINT elements = d.Elements ? d.Elements : 1;
        std::printf("%s  (%s, %u element%s", line.c_str(), className(d.Class), elements, elements == 1 ? "" : "s");
        if (d.Class != D3DXPC_OBJECT && d.Class != D3DXPC_STRUCT) {
            std::vector<float> values(d.Bytes / 4);
            effect->GetFloatArray(h, values.data(), static_cast<UINT>(values.size()));
            bool zero = true;
            for (float v : values) zero = zero && v == 0.0f;
            if (zero) {
                std::printf(", default 0");
            } else {
                std::printf(", default {");
                for (size_t k = 0; k < values.size(); ++k) std::printf("%s%g", k ? ", " : "", values[k]);
                std::printf("}");
            }
        }
        std::printf(")\n");
        D3DXPASS_STATE s{};
        for (UINT k = 0; SUCCEEDED(effect->GetSamplerStateDesc(h, k, &s)); ++k)
            std::printf("      %s = %s\n", s.Name, s.ValueText);
    }
}

void printTechniques(ID3DXEffect* effect, UINT count) {
    std::printf("techniques: %u\n", count);
    D3DXHANDLE current = effect->GetCurrentTechnique();
    for (UINT t = 0; t < count; ++t) {
        D3DXHANDLE th = effect->GetTechnique(t);
        D3DXTECHNIQUE_DESC td{};
        effect->GetTechniqueDesc(th, &td);
        std::printf("  technique %s: %u pass%s%s\n", td.Name[0] ? td.Name : "(unnamed)", td.Passes,
                    td.Passes == 1 ? "" : "es", th == current ? " (current)" : "");
        for (UINT p = 0; p < td.Passes; ++p) {
            D3DXHANDLE ph = effect->GetPass(th, p);
            D3DXPASS_DESC pd{};
            effect->GetPassDesc(ph, &pd);
            std::printf("    pass %u %s: %s %s(), %s %s()\n", p, pd.Name[0] ? pd.Name : "(unnamed)",
                        pd.VertexShaderProfile, pd.VertexShaderEntry, pd.PixelShaderProfile, pd.PixelShaderEntry);
            for (UINT s = 0; s < pd.States; ++s) {
                D3DXPASS_STATE st{};
                if (SUCCEEDED(effect->GetPassState(ph, s, &st)))
                    std::printf("      %s = %s  (state %u = %u)\n", st.Name, st.ValueText, st.State, st.Value);
            }
        }
    }
}

int usage() {
    std::fprintf(stderr, "usage: orlunde_fxc [-DNAME[=VALUE]]... [-q] file.fx\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> names, values;
    const char* path = nullptr;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("-D", 0) == 0 && a.size() > 2) {
            size_t eq = a.find('=');
            names.push_back(a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2));
            values.push_back(eq == std::string::npos ? "1" : a.substr(eq + 1));
        } else if (a == "-q") {
            quiet = true;
        } else if (a.empty() || a[0] == '-' || path) {
            return usage();
        } else {
            path = argv[i];
        }
    }
    if (!path) return usage();
    std::vector<D3DXMACRO> macros;
    for (size_t i = 0; i < names.size(); ++i) macros.push_back(D3DXMACRO{names[i].c_str(), values[i].c_str()});
    macros.push_back(D3DXMACRO{nullptr, nullptr});

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    const HRESULT created = d3d9glCreateOffscreenDevice(16, 16, &d3d, &device);
    if (created == D3DERR_NOTAVAILABLE) {
        std::fprintf(stderr, "orlunde_fxc: no Direct3D device (a display with OpenGL 4.5 is needed)\n");
        return 2;
    }
    if (FAILED(created)) {
        std::fprintf(stderr, "orlunde_fxc: CreateDevice failed\n");
        return 2;
    }

    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffectFromFileA(device, path, macros.data(), nullptr, D3DXSHADER_DEBUG, nullptr, &effect,
                                           &errors);
    int status = 0;
    if (FAILED(hr)) {
        if (errors) std::fputs(static_cast<const char*>(errors->GetBufferPointer()), stderr);
        std::fprintf(stderr, "%s: compilation failed (0x%08X)\n", path, static_cast<unsigned>(hr));
        status = 1;
    } else if (!quiet) {
        D3DXEFFECT_DESC desc{};
        effect->GetDesc(&desc);
        std::printf("effect %s\n", path);
        printTechniques(effect, desc.Techniques);
        printParameters(effect, desc.Parameters);
    }
    if (errors) errors->Release();
    if (effect) effect->Release();
    device->Release();
    d3d->Release();
    return status;
}
