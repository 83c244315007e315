// HLSL to GLSL through glslang and SPIRV-Cross (see hlsl_compiler.h).
#include "platform/hlsl_compiler.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <regex>
#include <set>
#include <spirv_cross/spirv_glsl.hpp>

namespace fx {

namespace {

void initGlslang() {
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

// glslang reports "ERROR: 0:12: 'tok' : message"; the line is one of the stage text's.
void translateLog(const std::string& log, const std::string& source, const PreprocessedSource& src,
                  const Diagnostic& fallback, std::vector<Diagnostic>& errors) {
    static const std::regex located(R"(^(ERROR|WARNING): [^:]*:(\d+): (.*)$)");
    static const std::regex plain(R"(^(ERROR|WARNING): (.*)$)");
    size_t start = 0;
    bool any = false;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(start, end - start);
        start = end + 1;
        std::smatch m;
        if (std::regex_match(line, m, located)) {
            if (m[1] == "WARNING") continue;
            int outLine = std::stoi(m[2]);
            std::string message = m[3];
            while (!message.empty() && message.back() == ' ') message.pop_back();
            Diagnostic d;
            SourceLine where = src.locate(outLine);
            d.file = where.file < static_cast<int>(src.files.size()) ? src.files[where.file] : fallback.file;
            d.line = where.line;
            d.column = 1;
            // Columns: the first quoted token of the message, found on its line.
            size_t q = message.find('\'');
            size_t q2 = q == std::string::npos ? q : message.find('\'', q + 1);
            if (q2 != std::string::npos && q2 > q + 1) {
                std::string token = message.substr(q + 1, q2 - q - 1);
                size_t lineStart = 0;
                for (int l = 1; l < outLine && lineStart != std::string::npos; ++l) {
                    lineStart = source.find('\n', lineStart);
                    if (lineStart != std::string::npos) ++lineStart;
                }
                if (lineStart != std::string::npos) {
                    size_t lineEnd = source.find('\n', lineStart);
                    std::string text = source.substr(lineStart, lineEnd == std::string::npos ? std::string::npos
                                                                                               : lineEnd - lineStart);
                    size_t at = text.find(token);
                    if (at != std::string::npos) d.column = static_cast<int>(at) + 1;
                }
            }
            // glslang puts the offending token first: "'x' : undeclared identifier".
            static const std::regex expected(R"(^'(.*)' : Expected\s*$)");
            std::smatch e;
            d.message = std::regex_match(message, e, expected) ? "syntax error: expected '" + e[1].str() + "'" : message;
            errors.push_back(d);
            any = true;
        } else if (std::regex_match(line, m, plain)) {
            if (m[1] == "WARNING") continue;
            std::string message = m[2];
            if (message.find("compilation errors") != std::string::npos && any) continue;
            Diagnostic d = fallback;
            d.message = message;
            errors.push_back(d);
            any = true;
        }
    }
    if (!any) {
        Diagnostic d = fallback;
        d.message = "compilation failed";
        errors.push_back(d);
    }
}

bool isBuiltinSemantic(const std::string& s) { return s.rfind("SV_", 0) == 0; }

}  // namespace

std::string samplerUniformName(const std::string& hlslName) { return "orl_sampler_" + hlslName; }

void splitSemantic(const std::string& semantic, std::string& name, unsigned& index) {
    size_t digits = semantic.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(semantic[digits - 1]))) --digits;
    name = upper(semantic.substr(0, digits));
    index = digits < semantic.size() ? static_cast<unsigned>(std::stoul(semantic.substr(digits))) : 0;
}

bool compileHlsl(const std::string& source, Stage stage, const std::string& entry, const PreprocessedSource& src,
                 const Diagnostic& fallback, bool optimize, SpirvShader& out, std::vector<Diagnostic>& errors) {
    initGlslang();
    const EShLanguage language = stage == Stage::Vertex ? EShLangVertex : EShLangFragment;
    glslang::TShader shader(language);
    const char* text = source.c_str();
    int length = static_cast<int>(source.size());
    shader.setStringsWithLengths(&text, &length, 1);
    shader.setEntryPoint(entry.c_str());
    // D3DX hands matrices over row by row; the file may still say otherwise with its own pragma.
    shader.setPreamble("#pragma pack_matrix(row_major)\n");
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();
    shader.setAutoMapBindings(true);
    shader.setAutoMapLocations(true);
    const EShMessages messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl |
                                                          EShMsgHlslDX9Compatible);
    if (!shader.parse(GetDefaultResources(), 100, false, messages)) {
        translateLog(shader.getInfoLog(), source, src, fallback, errors);
        return false;
    }
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(messages)) {
        translateLog(program.getInfoLog(), source, src, fallback, errors);
        return false;
    }
    glslang::SpvOptions options;
    options.disableOptimizer = !optimize;
    options.validate = false;
    spv::SpvBuildLogger logger;
    out = SpirvShader{};
    out.stage = stage;
    out.entry = entry;
    glslang::GlslangToSpv(*program.getIntermediate(language), out.words, &logger, &options);
    if (out.words.empty()) {
        Diagnostic d = fallback;
        d.message = "SPIR-V generation failed: " + logger.getAllMessages();
        errors.push_back(d);
        return false;
    }
    try {
        spirv_cross::Compiler reflect(out.words);
        spirv_cross::ShaderResources res = reflect.get_shader_resources();
        for (const auto& r : res.stage_inputs)
            out.inputs.push_back(upper(reflect.get_decoration_string(r.id, spv::DecorationHlslSemanticGOOGLE)));
        for (const auto& r : res.stage_outputs)
            out.outputs.push_back(upper(reflect.get_decoration_string(r.id, spv::DecorationHlslSemanticGOOGLE)));
    } catch (const std::exception& e) {
        Diagnostic d = fallback;
        d.message = std::string("SPIR-V reflection failed: ") + e.what();
        errors.push_back(d);
        return false;
    }
    return true;
}

namespace {

bool crossOne(const SpirvShader& shader, const std::map<std::string, uint32_t>& varyings, const AttribLocator& attrib,
              bool clampColors, GlslStage& out, std::string& error) {
    spirv_cross::CompilerGLSL glsl(shader.words);
    spirv_cross::CompilerGLSL::Options options;
    options.version = 410;
    options.es = false;
    options.vulkan_semantics = false;
    options.enable_420pack_extension = false;
    glsl.set_common_options(options);

    spirv_cross::ShaderResources res = glsl.get_shader_resources();
    auto semanticOf = [&](uint32_t id) { return upper(glsl.get_decoration_string(id, spv::DecorationHlslSemanticGOOGLE)); };
    for (const auto& r : res.stage_inputs) {
        std::string semantic = semanticOf(r.id);
        if (isBuiltinSemantic(semantic)) continue;
        int location = -1;
        if (shader.stage == Stage::Vertex) {
            std::string name;
            unsigned index = 0;
            splitSemantic(semantic, name, index);
            location = attrib ? attrib(name, index) : -1;
            if (location < 0) {
                error = "vertex input semantic '" + semantic + "' has no vertex attribute";
                return false;
            }
        } else {
            auto it = varyings.find(semantic);
            location = it == varyings.end() ? -1 : static_cast<int>(it->second);
        }
        glsl.set_decoration(r.id, spv::DecorationLocation, static_cast<uint32_t>(location));
    }
    std::vector<std::string> colours;  // outputs that shader models below 3.0 clamp to 0..1
    if (shader.stage == Stage::Vertex)
        for (const auto& r : res.stage_outputs) {
            std::string semantic = semanticOf(r.id);
            if (isBuiltinSemantic(semantic)) continue;
            glsl.set_decoration(r.id, spv::DecorationLocation, varyings.at(semantic));
            if (clampColors && semantic.rfind("COLOR", 0) == 0) {
                std::string name = "orl_out_" + semantic;
                glsl.set_name(r.id, name);
                colours.push_back(name);
            }
        }

    for (const auto& r : res.uniform_buffers) {
        // The globals: one block for the whole effect, bound by the effect at binding 0.
        glsl.set_name(r.base_type_id, kGlobalBlockName);
        glsl.set_name(r.id, "orl_g");
        glsl.unset_decoration(r.id, spv::DecorationBinding);
        glsl.unset_decoration(r.id, spv::DecorationDescriptorSet);
        const spirv_cross::SPIRType& type = glsl.get_type(r.base_type_id);
        out.globals.present = true;
        out.globals.size = static_cast<uint32_t>(glsl.get_declared_struct_size(type));
        for (uint32_t i = 0; i < type.member_types.size(); ++i) {
            const spirv_cross::SPIRType& mt = glsl.get_type(type.member_types[i]);
            UniformMember m;
            m.name = glsl.get_member_name(r.base_type_id, i);
            m.offset = glsl.type_struct_member_offset(type, i);
            m.size = static_cast<uint32_t>(glsl.get_declared_struct_member_size(type, i));
            m.kind = mt.basetype == spirv_cross::SPIRType::Float ? ScalarKind::Float
                     : mt.basetype == spirv_cross::SPIRType::Int ? ScalarKind::Int
                                                                 : ScalarKind::Uint;
            // glslang keeps an HLSL row as a SPIR-V column: columns = HLSL rows, vecsize = HLSL columns.
            m.rows = mt.columns;
            m.columns = mt.vecsize;
            if (!mt.array.empty()) {
                m.elements = 1;
                for (uint32_t n : mt.array) m.elements *= n;
                m.arrayStride = glsl.type_struct_member_array_stride(type, i);
            }
            if (mt.columns > 1) {
                m.matrixStride = glsl.type_struct_member_matrix_stride(type, i);
                m.rowsContiguous = !glsl.has_member_decoration(r.base_type_id, i, spv::DecorationRowMajor);
            }
            out.globals.members.push_back(m);
        }
    }
    for (const auto& r : res.sampled_images) {
        std::string name = glsl.get_name(r.id);
        if (name.empty()) name = r.name;
        glsl.set_name(r.id, samplerUniformName(name));
        glsl.unset_decoration(r.id, spv::DecorationBinding);
        glsl.unset_decoration(r.id, spv::DecorationDescriptorSet);
        out.samplers.push_back(name);
    }
    if (!res.separate_images.empty() || !res.separate_samplers.empty()) {
        error = "separate textures and samplers are not supported; use sampler2D with tex2D";
        return false;
    }
    out.source = glsl.compile();
    if (shader.stage == Stage::Pixel && shader.vposFromPixelCentre) {
        const std::string version = "#version 410\n";
        size_t at = out.source.find(version);
        for (size_t p = out.source.find("gl_FragCoord"); p != std::string::npos; p = out.source.find("gl_FragCoord", p))
            out.source.replace(p, 12, "orl_FragCoord"), p += 13;
        out.source.insert(at == std::string::npos ? 0 : at + version.size(),
                          "#define orl_FragCoord (gl_FragCoord - vec4(0.5, 0.5, 0.0, 0.0))\n");
    }
    if (shader.stage == Stage::Vertex) {
        // The device's half-pixel shift is the last thing the vertex shader does.
        const std::string mainDecl = "void main()";
        size_t at = out.source.find(mainDecl);
        if (at == std::string::npos) {
            error = "unexpected GLSL output: no main";
            return false;
        }
        out.source.replace(at, mainDecl.size(), "void orl_vertex_main()");
        std::string clamps;
        for (const std::string& c : colours) clamps += "    " + c + " = clamp(" + c + ", 0.0, 1.0);\n";
        out.source += "\nuniform vec2 orl_PixelOffset;\n"
                      "void main()\n{\n    orl_vertex_main();\n" +
                      clamps + "    gl_Position.xy += orl_PixelOffset * gl_Position.w;\n}\n";
    }
    return true;
}

}  // namespace

bool crossCompile(const SpirvShader& vertex, const SpirvShader& pixel, const AttribLocator& attrib,
                  GlslStage& vertexOut, GlslStage& pixelOut, std::string& error, bool clampVertexColours) {
    // Varyings meet by semantic: both stages give each semantic the same location.
    std::set<std::string> semantics;
    for (const std::string& s : vertex.outputs)
        if (!isBuiltinSemantic(s)) semantics.insert(s);
    for (const std::string& s : pixel.inputs) {
        if (isBuiltinSemantic(s)) continue;
        if (!std::count(vertex.outputs.begin(), vertex.outputs.end(), s)) {
            error = "pixel shader '" + pixel.entry + "' reads '" + s + "', which vertex shader '" + vertex.entry +
                    "' does not write";
            return false;
        }
    }
    std::map<std::string, uint32_t> varyings;
    for (const std::string& s : semantics) varyings.emplace(s, static_cast<uint32_t>(varyings.size()));
    vertexOut = GlslStage{};
    pixelOut = GlslStage{};
    try {
        return crossOne(vertex, varyings, attrib, clampVertexColours, vertexOut, error) &&
               crossOne(pixel, varyings, attrib, false, pixelOut, error);
    } catch (const std::exception& e) {
        error = std::string("GLSL generation failed: ") + e.what();
        return false;
    }
}

}  // namespace fx
