// Effect-file parser: splits a preprocessed DX9 effect file into what the HLSL compiler sees
// and what the effect runtime needs.
// Implements: global parameters (type, rows, columns, elements, semantic, constant default
//   values), texture and sampler declarations with sampler_state blocks, structs and function
//   signatures, technique/pass blocks with their shader bindings and render states (D3D9 names
//   and enum values), annotation skipping, and the per-stage HLSL text: effect-only syntax blanked
//   out line for line, DX9 output semantics rewritten for glslang, unreachable functions removed.
// Leaves out: shader and sampler variables assigned in passes (VertexShader = vsVar;), compile
//   arguments (compile vs_3_0 F(1.0)), state arrays, struct-typed parameter values, expressions
//   in pass states.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/effect_preprocessor.h"

namespace fx {

enum class BaseType { Bool, Int, Uint, Float, Texture, Sampler, String, Struct, Void };
enum class ParamClass { Scalar, Vector, Matrix, Object, Struct };
enum class Stage { Vertex, Pixel };

struct StateAssignment {
    std::string name;       // as written, e.g. "CullMode"
    std::string valueText;  // as written, e.g. "NONE"
    uint32_t state = 0;     // D3DRENDERSTATETYPE or D3DSAMPLERSTATETYPE value
    uint32_t value = 0;
    int line = 0;  // output line of the preprocessed text
    int column = 0;
};

struct Parameter {
    std::string name;
    std::string semantic;
    std::string typeName;  // as written: "float4x4", "sampler2D", "texture"
    BaseType type = BaseType::Float;
    ParamClass cls = ParamClass::Scalar;
    int rows = 1, columns = 1;
    int elements = 0;             // 0: not an array
    std::vector<float> defaults;  // rows * columns * max(1, elements) values, row by row; empty: none
    int line = 0;
    // Samplers: the texture parameter named by "Texture = <name>" and the other states.
    std::string samplerTexture;
    std::vector<StateAssignment> samplerStates;
    int samplerDimension = 2;  // 1, 2, 3, or 6 for a cube
    size_t typeOffset = 0, typeLength = 0;  // where the type word sits in the text

    int valueCount() const { return rows * columns * (elements > 0 ? elements : 1); }
};

struct ShaderBinding {
    std::string entry;
    std::string profile;
    int line = 0, column = 0;
    bool present() const { return !entry.empty(); }
};

struct Pass {
    std::string name;
    ShaderBinding vertex, pixel;
    std::vector<StateAssignment> states;
    int line = 0;
};

struct Technique {
    std::string name;
    std::vector<Pass> passes;
    int line = 0;
};

struct EffectSource {
    std::vector<Parameter> parameters;
    std::vector<Technique> techniques;
    std::vector<std::string> functions;  // names of the functions defined, once each
    std::string hlsl;                    // the preprocessed text with the effect syntax blanked out

    // Internal: what stageSource needs.
    struct Semantic {
        size_t offset = 0, length = 0;
        std::string text;  // upper case, e.g. "POSITION", "COLOR0"
    };
    struct Field {
        std::string type, name;
        bool out = false, in = true;
        Semantic semantic;
    };
    struct Struct {
        std::string name;
        std::vector<Field> members;
    };
    struct Function {
        std::string name, returnType;
        Semantic semantic;
        std::vector<Field> params;
        size_t begin = 0, end = 0;          // the whole definition
        std::vector<std::string> referenced;  // identifiers of its body
    };
    std::vector<Struct> structs;
    std::vector<Function> functionDefs;
    std::vector<std::string> globalReferences;  // identifiers in static and const initialisers

    const Parameter* findParameter(const std::string& name) const;
};

// Parses the preprocessed text. Errors carry the preprocessed text's line numbers mapped back
// through src (file and line of the original).
bool parseEffect(const PreprocessedSource& src, EffectSource& out, std::vector<Diagnostic>& errors);

// The HLSL text for one entry point: output POSITION, COLORn and DEPTH semantics (and VPOS
// inputs) turned into SV_ ones, functions the entry cannot reach blanked out. Line for line with
// the preprocessed text. readsVpos, when given, tells whether a VPOS input became SV_Position.
std::string stageSource(const EffectSource& effect, Stage stage, const std::string& entry, bool* readsVpos = nullptr);

// Profile checks: vs_1_1 .. vs_3_0 for vertex shaders, ps_1_1 .. ps_3_0 for pixel shaders.
bool validProfile(const std::string& profile, Stage stage);

}  // namespace fx
