// DX9-style HLSL to GLSL 4.10: glslang's HLSL front end to SPIR-V, SPIRV-Cross to GLSL.
// Implements: one entry point per compile (DX9-compatible mode, legalising optimiser on),
//   row-major matrix packing by default, messages mapped back to the original file and line,
//   the interface semantics of each stage, cross-compilation of a vertex/pixel pair with
//   vertex inputs placed by a caller's attribute table and varyings linked by semantic, the
//   vertex epilogue (uniform orl_PixelOffset, colour clamping below vs_3_0), and std140
//   reflection of the global block and the samplers.
// Leaves out: geometry/compute stages, explicit register bindings, constant buffers other than
//   the globals.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/effect_parser.h"
#include "platform/effect_preprocessor.h"

namespace fx {

struct SpirvShader {
    Stage stage = Stage::Vertex;
    std::string entry;
    std::vector<uint32_t> words;
    std::vector<std::string> inputs;   // semantics of the non-builtin inputs, upper case
    std::vector<std::string> outputs;  // semantics of the non-builtin outputs, upper case
    // Pixel shaders reading VPOS: Direct3D 9 gives whole pixel numbers where GL's fragment
    // coordinate has the pixel centre, half a pixel further.
    bool vposFromPixelCentre = false;
};

// Compiles one entry point of source (a stageSource text line for line with src). Messages are
// "file(line,col): error: ..." located through src; fallback locates errors without a line.
bool compileHlsl(const std::string& source, Stage stage, const std::string& entry, const PreprocessedSource& src,
                 const Diagnostic& fallback, bool optimize, SpirvShader& out, std::vector<Diagnostic>& errors);

enum class ScalarKind { Float, Int, Uint };

// A member of the global uniform block, in std140 as SPIRV-Cross lays it out.
struct UniformMember {
    std::string name;          // the HLSL name
    uint32_t offset = 0;
    uint32_t size = 0;         // bytes the member occupies up to its last element
    ScalarKind kind = ScalarKind::Float;
    uint32_t rows = 1;         // HLSL rows (1 for scalars and vectors)
    uint32_t columns = 1;      // HLSL columns (vector size)
    uint32_t elements = 0;     // 0: not an array
    uint32_t arrayStride = 0;
    uint32_t matrixStride = 0;
    bool rowsContiguous = true;  // HLSL row r of a matrix starts at r * matrixStride

    bool operator==(const UniformMember&) const = default;
};

struct UniformBlock {
    bool present = false;
    uint32_t size = 0;
    std::vector<UniformMember> members;
};

struct GlslStage {
    std::string source;
    UniformBlock globals;
    std::vector<std::string> samplers;  // HLSL names of the samplers the stage uses
};

// Vertex-input semantic (name without index, upper case) and index to attribute location, -1
// for none.
using AttribLocator = std::function<int(const std::string& semantic, unsigned index)>;

// Name of the uniform block holding the globals in the GLSL output.
inline constexpr const char* kGlobalBlockName = "orl_Globals";
// The GLSL uniform of an HLSL sampler: the same in every stage and pass of an effect.
std::string samplerUniformName(const std::string& hlslName);
// Splits "TEXCOORD3" into "TEXCOORD", 3.
void splitSemantic(const std::string& semantic, std::string& name, unsigned& index);

// Cross-compiles a vertex and a pixel shader into a GLSL pair whose varyings meet by semantic.
// clampVertexColours: the COLORn outputs are clamped to 0..1, as vertex shader models below 3.0
// do with their colour registers.
bool crossCompile(const SpirvShader& vertex, const SpirvShader& pixel, const AttribLocator& attrib,
                  GlslStage& vertexOut, GlslStage& pixelOut, std::string& error, bool clampVertexColours = false);

}  // namespace fx
