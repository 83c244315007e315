// Effect files without a device: preprocessing, parsing, per-stage HLSL and its compilation.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "platform/effect_parser.h"
#include "platform/effect_preprocessor.h"
#include "platform/hlsl_compiler.h"

using namespace fx;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string joined(const std::vector<Diagnostic>& errors) {
    std::string text;
    for (const Diagnostic& d : errors) text += formatDiagnostic(d) + "\n";
    return text;
}

// Preprocesses and parses; returns the messages ("" on success).
std::string parse(const std::string& text, EffectSource& out, PreprocessedSource* pre = nullptr) {
    PreprocessedSource local;
    PreprocessedSource& p = pre ? *pre : local;
    std::vector<Diagnostic> errors;
    if (preprocess(text, "mem.fx", {}, nullptr, p, errors)) parseEffect(p, out, errors);
    return joined(errors);
}

// Whitespace runs squeezed to one space, to compare texts whatever their spacing.
std::string squeezed(const std::string& s) {
    std::string out;
    for (char c : s) {
        bool space = c == ' ' || c == '\t' || c == '\n';
        if (space && (out.empty() || out.back() == ' ')) continue;
        out += space ? ' ' : c;
    }
    return out;
}

int lineCount(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

}  // namespace

TEST(EffectPreprocessor, MacrosConditionalsAndIncludesKeepTheLineMap) {
    std::map<std::string, std::string> files = {
        {"common.fxh", "#pragma once_is_ignored\nfloat fromInclude;\n"},
    };
    auto opener = [&](const std::string& name, bool, const std::string&, std::string& text, std::string& path) {
        auto it = files.find(name);
        if (it == files.end()) return false;
        text = it->second;
        path = name;
        return true;
    };
    const std::string src =
        "#define SCALE(x) ((x) * FACTOR)\n"          // 1
        "#define FACTOR 2\n"                          // 2
        "#define CAT(a, b) a##b\n"                    // 3
        "#if defined(FACTOR) && FACTOR > 1\n"         // 4
        "float CAT(big, Value) = SCALE(3);\n"         // 5
        "#elif 1\n"                                   // 6
        "float never;\n"                              // 7
        "#else\n"                                     // 8
        "float neither;\n"                            // 9
        "#endif\n"                                    // 10
        "#include \"common.fxh\"\n"                   // 11
        "float after; /* a comment\n"                 // 12
        "   over two lines */ float split \\\n"      // 13
        "  Value;\n";                                 // 14
    PreprocessedSource out;
    std::vector<Diagnostic> errors;
    ASSERT_TRUE(preprocess(src, "main.fx", {{"EXTRA", "1"}}, opener, out, errors)) << joined(errors);
    EXPECT_NE(squeezed(out.text).find("float bigValue = ((3) * 2 ) ;"), std::string::npos) << out.text;
    EXPECT_EQ(out.text.find("never"), std::string::npos);
    EXPECT_EQ(out.text.find("neither"), std::string::npos);
    EXPECT_EQ(out.text.find("comment"), std::string::npos);
    EXPECT_NE(squeezed(out.text).find("float split Value;"), std::string::npos) << out.text;

    // Every output line knows where it came from, across the include.
    ASSERT_EQ(static_cast<int>(out.lines.size()), lineCount(out.text));
    auto where = [&](const std::string& needle) {
        int line = 1 + static_cast<int>(std::count(out.text.begin(), out.text.begin() + out.text.find(needle), '\n'));
        SourceLine l = out.locate(line);
        return out.files[l.file] + ":" + std::to_string(l.line);
    };
    EXPECT_EQ(where("bigValue"), "main.fx:5");
    EXPECT_EQ(where("fromInclude"), "common.fxh:2");
    EXPECT_EQ(where("after"), "main.fx:12");
    EXPECT_EQ(where("split"), "main.fx:13");
}

TEST(EffectPreprocessor, ErrorsNameFileLineAndColumn) {
    struct Case {
        const char* source;
        const char* expected;
    };
    const Case cases[] = {
        {"float a;\n#error stop here\n", "p.fx(2,2): error: #error stop here"},
        {"#if 1\nfloat a;\n", "p.fx(1,1): error: unterminated #if"},
        {"#endif\n", "p.fx(1,2): error: #endif without #if"},
        {"#include \"missing.fxh\"\n", "p.fx(1,2): error: cannot open include file 'missing.fxh'"},
        {"#if 1 +\n#endif\n", "p.fx(1,2): error: missing operand in #if expression"},
        {"#frobnicate\n", "p.fx(1,2): error: unknown preprocessor directive '#frobnicate'"},
    };
    for (const Case& c : cases) {
        PreprocessedSource out;
        std::vector<Diagnostic> errors;
        EXPECT_FALSE(preprocess(c.source, "p.fx", {}, nullptr, out, errors)) << c.source;
        ASSERT_FALSE(errors.empty()) << c.source;
        EXPECT_EQ(formatDiagnostic(errors[0]), c.expected) << c.source;
    }
}

TEST(EffectParser, FixtureParametersSamplersAndTechniques) {
    EffectSource fx;
    PreprocessedSource pre;
    ASSERT_EQ(parse(readFile("tests/fixtures/effect_basic.fx"), fx, &pre), "");

    const Parameter* m = fx.findParameter("matWorldViewProjection");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->cls, ParamClass::Matrix);
    EXPECT_EQ(m->rows * 10 + m->columns, 44);
    EXPECT_EQ(m->semantic, "WORLDVIEWPROJECTION");
    EXPECT_TRUE(m->defaults.empty());

    const Parameter* sync = fx.findParameter("SYNC");
    ASSERT_NE(sync, nullptr);
    EXPECT_EQ(sync->elements, 23);
    EXPECT_EQ(sync->valueCount(), 23);

    EXPECT_EQ(fx.findParameter("time")->defaults, std::vector<float>{0.5f});
    EXPECT_EQ(fx.findParameter("texelsize")->defaults, (std::vector<float>{0.25f, 0.5f}));
    EXPECT_EQ(fx.findParameter("DiffuseColor")->defaults, (std::vector<float>{0.1f, 0.2f, 0.3f, 1.0f}));
    EXPECT_EQ(fx.findParameter("k")->defaults, std::vector<float>{1.0f});  // GAIN * 0.5

    const Parameter* s0 = fx.findParameter("s0");
    ASSERT_NE(s0, nullptr);
    EXPECT_EQ(s0->type, BaseType::Sampler);
    EXPECT_EQ(s0->samplerTexture, "tex0");
    std::vector<std::pair<uint32_t, uint32_t>> states;
    for (const StateAssignment& s : s0->samplerStates) states.push_back({s.state, s.value});
    // MinFilter, MagFilter POINT; MipFilter NONE; AddressU CLAMP; AddressV WRAP.
    EXPECT_EQ(states, (std::vector<std::pair<uint32_t, uint32_t>>{{6, 1}, {5, 1}, {7, 0}, {1, 3}, {2, 1}}));
    EXPECT_EQ(fx.findParameter("tex0")->type, BaseType::Texture);

    ASSERT_EQ(fx.techniques.size(), 2u);
    EXPECT_EQ(fx.techniques[0].name, "Main");
    ASSERT_EQ(fx.techniques[0].passes.size(), 3u);
    const Pass& p1 = fx.techniques[0].passes[1];
    EXPECT_EQ(p1.name, "P1");
    EXPECT_EQ(p1.vertex.entry, "VS");
    EXPECT_EQ(p1.vertex.profile, "vs_2_0");
    EXPECT_EQ(p1.pixel.entry, "PS_Texture");
    states.clear();
    for (const StateAssignment& s : p1.states) states.push_back({s.state, s.value});
    // AlphaBlendEnable TRUE, SrcBlend SRCALPHA, DestBlend INVSRCALPHA, BlendOp ADD, ZWriteEnable false.
    EXPECT_EQ(states, (std::vector<std::pair<uint32_t, uint32_t>>{{27, 1}, {19, 5}, {20, 6}, {171, 1}, {14, 0}}));
    EXPECT_EQ(fx.techniques[1].name, "Other");
    EXPECT_EQ(fx.techniques[1].passes[0].states[0].value, 3u);  // CullMode CCW

    // The glslang text keeps every line and drops the effect-only syntax.
    EXPECT_EQ(lineCount(fx.hlsl), lineCount(pre.text));
    EXPECT_EQ(fx.hlsl.find("technique"), std::string::npos);
    EXPECT_EQ(fx.hlsl.find("sampler_state"), std::string::npos);
    EXPECT_EQ(fx.hlsl.find("ResourceName"), std::string::npos);
}

TEST(EffectParser, DefaultsOfEveryShape) {
    EffectSource fx;
    ASSERT_EQ(parse("float4 splat = 0.5;\n"
                    "float3 v = {1, -2, 3.5f};\n"
                    "float2x2 m = {1, 2, 3, 4};\n"
                    "float4x4 ident = float4x4(1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1);\n"
                    "float arr[3] = {1, 2};\n"
                    "bool flag = true;\n"
                    "int n = 0x10;\n"
                    "static float hidden = 3;\n"
                    "float e = (1 + 2) * 2 / 4;\n",
                    fx),
              "");
    EXPECT_EQ(fx.findParameter("splat")->defaults, (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(fx.findParameter("v")->defaults, (std::vector<float>{1, -2, 3.5f}));
    EXPECT_EQ(fx.findParameter("m")->defaults, (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(fx.findParameter("ident")->defaults.size(), 16u);
    EXPECT_EQ(fx.findParameter("ident")->defaults[15], 1.0f);
    EXPECT_EQ(fx.findParameter("arr")->defaults, (std::vector<float>{1, 2, 0}));
    EXPECT_EQ(fx.findParameter("flag")->type, BaseType::Bool);
    EXPECT_EQ(fx.findParameter("flag")->defaults, std::vector<float>{1});
    EXPECT_EQ(fx.findParameter("n")->defaults, std::vector<float>{16});
    EXPECT_EQ(fx.findParameter("hidden"), nullptr);  // static: not a parameter
    EXPECT_EQ(fx.findParameter("e")->defaults, std::vector<float>{1.5f});
}

TEST(EffectParser, ErrorsNameTheLine) {
    const std::string shaders =
        "float4 VS(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
        "float4 PS() : COLOR { return 1; }\n";
    struct Case {
        std::string source;
        std::string expected;
    };
    const Case cases[] = {
        {shaders + "technique T { pass P { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 Nope(); } }\n",
         "mem.fx(3,89): error: entry point 'Nope' not found"},
        {shaders + "technique T { pass P {\n  Cullmode = SIDEWAYS;\n} }\n",
         "mem.fx(4,14): error: invalid value 'SIDEWAYS' for render state 'Cullmode'"},
        {shaders + "technique T { pass P {\n  FrobState = 1;\n} }\n", "mem.fx(4,3): error: unknown render state 'FrobState'"},
        {shaders + "technique T { pass P { VertexShader = compile ps_3_0 VS(); } }\n",
         "mem.fx(3,47): error: invalid vertex shader profile 'ps_3_0'"},
        {shaders + "technique T { pass P { PixelShader = compile ps_3_0 PS() } }\n",
         "mem.fx(3,58): error: syntax error: expected ';' after the shader assignment, found '}'"},
        {shaders + "technique T {\n", "mem.fx(4,1): error: syntax error: expected 'pass' or '}' in technique, found end of file"},
        {"texture t;\nsampler2D s = sampler_state { Texture = <t>; MinFilter = BLURRY; };\n",
         "mem.fx(2,58): error: invalid value 'BLURRY' for sampler state 'MinFilter'"},
        {"float k = time * 2;\n", "mem.fx(1,11): error: the initialiser of 'k' is not a constant (at 'time')"},
        {"float a;\nfloat a;\n", "mem.fx(2,7): error: redefinition of 'a'"},
        {"float4 c = {1, 2, 3, 4, 5};\n", "mem.fx(1,12): error: too many initialisers for 'c'"},
    };
    for (const Case& c : cases) {
        EffectSource fx;
        std::string messages = parse(c.source, fx);
        EXPECT_EQ(messages.substr(0, messages.find('\n')), c.expected) << c.source;
    }
}

TEST(EffectParser, StageSourceRewritesOutputSemanticsOnly) {
    EffectSource fx;
    PreprocessedSource pre;
    ASSERT_EQ(parse("struct VOut { float4 pos : POSITION; float4 c : COLOR0; };\n"
                    "struct POut { float4 c : COLOR0; float d : DEPTH; };\n"
                    "VOut VS(float4 pos : POSITION, float4 c : COLOR0) { VOut o; o.pos = pos; o.c = c; return o; }\n"
                    "POut PS(VOut i, float2 vpos : VPOS) { POut o; o.c = i.c; o.d = 0; return o; }\n"
                    "float4 Unused() : COLOR { return tex2D(s, 0); }\n"
                    "float three() { return 3; }\n"
                    "static const float kThree = three();\n"
                    "technique T { pass P { VertexShader = compile vs_3_0 VS(); PixelShader = compile ps_3_0 PS(); } }\n",
                    fx, &pre),
              "");
    std::string vs = stageSource(fx, Stage::Vertex, "VS");
    std::string ps = stageSource(fx, Stage::Pixel, "PS");
    EXPECT_EQ(lineCount(vs), lineCount(pre.text));
    EXPECT_EQ(lineCount(ps), lineCount(pre.text));
    // Vertex stage: the output struct's POSITION becomes SV_Position, its inputs stay.
    EXPECT_NE(vs.find("float4 pos : SV_Position; float4 c : COLOR0;"), std::string::npos) << vs;
    EXPECT_NE(vs.find("VS(float4 pos : POSITION, float4 c : COLOR0)"), std::string::npos) << vs;
    // Pixel stage: COLOR0/DEPTH outputs become SV_Target0/SV_Depth, COLOR0 inputs stay.
    EXPECT_NE(ps.find("float4 c : SV_Target0; float d : SV_Depth;"), std::string::npos) << ps;
    EXPECT_NE(ps.find("float4 pos : SV_Position; float4 c : COLOR0;"), std::string::npos) << ps;
    EXPECT_NE(ps.find("vpos : SV_Position"), std::string::npos) << ps;
    // Functions the entry does not reach are gone (this one uses an undeclared sampler); those
    // a static initialiser calls stay.
    EXPECT_EQ(vs.find("Unused"), std::string::npos);
    EXPECT_NE(vs.find("float three()"), std::string::npos);
}

namespace {

// Compiles entry points of a source held in memory for the stage; returns the messages.
std::string compile(const std::string& text, Stage stage, const char* entry, SpirvShader& out) {
    EffectSource fx;
    PreprocessedSource pre;
    std::vector<Diagnostic> errors;
    if (!preprocess(text, "c.fx", {}, nullptr, pre, errors) || !parseEffect(pre, fx, errors)) return joined(errors);
    compileHlsl(stageSource(fx, stage, entry), stage, entry, pre, Diagnostic{"c.fx", 1, 1, ""}, true, out, errors);
    return joined(errors);
}

int attrib(const std::string& semantic, unsigned index) {
    if (semantic == "POSITION") return 0;
    if (semantic == "TEXCOORD") return 8 + static_cast<int>(index);
    return -1;
}

}  // namespace

TEST(HlslCompiler, ErrorsMapToTheOriginalLine) {
    SpirvShader out;
    std::string messages = compile("#define UNUSED 1\n"
                                   "\n"
                                   "float4 PS() : COLOR\n"
                                   "{\n"
                                   "    return missingColour;\n"
                                   "}\n",
                                   Stage::Pixel, "PS", out);
    EXPECT_EQ(messages.substr(0, messages.find('\n')), "c.fx(5,12): error: 'missingColour' : unknown variable");
}

TEST(HlslCompiler, VaryingsMeetBySemanticNotByOrder) {
    const std::string text =
        "struct V { float4 pos : POSITION; float2 uv : TEXCOORD0; float4 col : COLOR0; float3 n : TEXCOORD3; };\n"
        "V VS(float4 p : POSITION, float2 uv : TEXCOORD0) { V o; o.pos = p; o.uv = uv; o.col = p; o.n = p.xyz; return o; }\n"
        "float4 PS(float3 n : TEXCOORD3, float4 col : COLOR0, float2 uv : TEXCOORD0) : COLOR { return col + n.x + uv.y; }\n";
    SpirvShader vs, ps;
    ASSERT_EQ(compile(text, Stage::Vertex, "VS", vs), "");
    ASSERT_EQ(compile(text, Stage::Pixel, "PS", ps), "");
    GlslStage gv, gp;
    std::string error;
    ASSERT_TRUE(crossCompile(vs, ps, attrib, gv, gp, error)) << error;
    // Each semantic's location, as declared in each stage.
    auto location = [](const std::string& glsl, const char* direction, const char* name) {
        std::string needle = ") " + std::string(direction) + " ";
        for (size_t at = glsl.find(needle); at != std::string::npos; at = glsl.find(needle, at + 1)) {
            size_t lineEnd = glsl.find('\n', at);
            std::string decl = glsl.substr(at, lineEnd - at);
            if (decl.find(name) == std::string::npos) continue;
            size_t open = glsl.rfind("location = ", at);
            return std::stoi(glsl.substr(open + 11));
        }
        return -1;
    };
    EXPECT_EQ(location(gv.source, "out", "_uv"), location(gp.source, "in", "uv"));
    EXPECT_EQ(location(gv.source, "out", "_col"), location(gp.source, "in", "col"));
    EXPECT_EQ(location(gv.source, "out", "_n"), location(gp.source, "in", " n;"));
    EXPECT_NE(gv.source.find("gl_Position.xy += orl_PixelOffset * gl_Position.w;"), std::string::npos);
    // Vertex inputs sit where the attribute table puts them.
    EXPECT_NE(gv.source.find("layout(location = 8) in vec2 uv;"), std::string::npos) << gv.source;

    // A pixel input no vertex output feeds is an error, not a silent zero.
    SpirvShader lonely;
    ASSERT_EQ(compile("float4 PS(float4 c : COLOR1) : COLOR { return c; }\n", Stage::Pixel, "PS", lonely), "");
    EXPECT_FALSE(crossCompile(vs, lonely, attrib, gv, gp, error));
    EXPECT_NE(error.find("'COLOR1'"), std::string::npos) << error;
}

TEST(HlslCompiler, GlobalBlockLayoutIsStd140WithRowsKept) {
    const std::string text =
        "float4x4 M; float SYNC[23]; float2 texelsize; float4x3 bones; bool on; int count;\n"
        "float4 VS(float4 p : POSITION) : POSITION { return mul(p, M) + SYNC[22] + texelsize.x + mul(p, bones).x + on + count; }\n";
    SpirvShader vs;
    ASSERT_EQ(compile(text, Stage::Vertex, "VS", vs), "");
    SpirvShader ps;
    ASSERT_EQ(compile("float4 PS() : COLOR { return 1; }\n", Stage::Pixel, "PS", ps), "");
    GlslStage gv, gp;
    std::string error;
    ASSERT_TRUE(crossCompile(vs, ps, attrib, gv, gp, error)) << error;
    ASSERT_TRUE(gv.globals.present);
    std::map<std::string, UniformMember> m;
    for (const UniformMember& u : gv.globals.members) m[u.name] = u;
    EXPECT_EQ(m["M"].offset, 0u);
    EXPECT_EQ(m["M"].matrixStride, 16u);
    EXPECT_TRUE(m["M"].rowsContiguous);
    EXPECT_EQ(m["SYNC"].offset, 64u);
    EXPECT_EQ(m["SYNC"].elements, 23u);
    EXPECT_EQ(m["SYNC"].arrayStride, 16u);  // 368 bytes for 23 floats
    EXPECT_EQ(m["texelsize"].offset, 64u + 368u);
    EXPECT_EQ(m["bones"].rows, 4u);
    EXPECT_EQ(m["bones"].columns, 3u);
    EXPECT_EQ(m["on"].kind, ScalarKind::Uint);
    EXPECT_EQ(m["count"].kind, ScalarKind::Int);
}

// Cut anywhere, the fixture must parse or fail with located messages, never crash or loop.
TEST(EffectParser, EveryTruncationFailsCleanly) {
    const std::string text = readFile("tests/fixtures/effect_basic.fx");
    ASSERT_FALSE(text.empty());
    for (size_t n = 0; n < text.size(); ++n) {
        EffectSource fx;
        PreprocessedSource pre;
        std::vector<Diagnostic> errors;
        bool ok = preprocess(text.substr(0, n), "cut.fx", {}, nullptr, pre, errors) && parseEffect(pre, fx, errors);
        if (ok) {
            for (const Technique& t : fx.techniques)
                for (const Pass& p : t.passes) {
                    if (p.vertex.present()) stageSource(fx, Stage::Vertex, p.vertex.entry);
                    if (p.pixel.present()) stageSource(fx, Stage::Pixel, p.pixel.entry);
                }
            continue;
        }
        ASSERT_FALSE(errors.empty()) << n;
        EXPECT_GE(errors[0].line, 1) << n;
        EXPECT_EQ(errors[0].file, "cut.fx") << n;
    }
}

TEST(HlslCompiler, PlainSamplersAndColumnMajorMatrices) {
    // A plain 'sampler' takes the dimension of its use; a column_major matrix is laid out by
    // columns, which the effect's writes follow.
    const std::string text =
        "texture t;\n"
        "sampler plain = sampler_state { Texture = <t>; };\n"
        "sampler cube = sampler_state { Texture = <t>; };\n"
        "column_major float4x4 C;\n"
        "float4 PS(float2 uv : TEXCOORD0) : COLOR { return tex2D(plain, uv) + texCUBE(cube, uv.xyx) + C[1]; }\n";
    SpirvShader ps;
    ASSERT_EQ(compile(text, Stage::Pixel, "PS", ps), "");
    SpirvShader vs;
    ASSERT_EQ(compile("struct O { float4 p : POSITION; float2 uv : TEXCOORD0; };\n"
                      "O VS(float4 p : POSITION) { O o; o.p = p; o.uv = p.xy; return o; }\n",
                      Stage::Vertex, "VS", vs),
              "");
    GlslStage gv, gp;
    std::string error;
    ASSERT_TRUE(crossCompile(vs, ps, attrib, gv, gp, error)) << error;
    EXPECT_NE(gp.source.find("uniform sampler2D orl_sampler_plain;"), std::string::npos) << gp.source;
    EXPECT_NE(gp.source.find("uniform samplerCube orl_sampler_cube;"), std::string::npos) << gp.source;
    ASSERT_EQ(gp.globals.members.size(), 1u);
    EXPECT_FALSE(gp.globals.members[0].rowsContiguous);
    EXPECT_EQ(gp.samplers, (std::vector<std::string>{"plain", "cube"}));
}
