// Effect-file parser (see effect_parser.h for what it covers and leaves out).
#include "platform/effect_parser.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>

#include "platform/d3d9.h"

namespace fx {

const Parameter* EffectSource::findParameter(const std::string& name) const {
    for (const Parameter& p : parameters)
        if (p.name == name) return &p;
    return nullptr;
}

bool validProfile(const std::string& profile, Stage stage) {
    static const char* const vs[] = {"vs_1_1", "vs_2_0", "vs_2_a", "vs_2_sw", "vs_3_0", "vs_3_sw"};
    static const char* const ps[] = {"ps_1_1", "ps_1_2", "ps_1_3", "ps_1_4", "ps_2_0",
                                     "ps_2_a", "ps_2_b", "ps_2_sw", "ps_3_0", "ps_3_sw"};
    std::string p = profile;
    std::transform(p.begin(), p.end(), p.begin(), [](unsigned char c) { return std::tolower(c); });
    if (stage == Stage::Vertex) return std::find(std::begin(vs), std::end(vs), p) != std::end(vs);
    return std::find(std::begin(ps), std::end(ps), p) != std::end(ps);
}

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}
std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

// ---- State tables ---------------------------------------------------------------------------

enum class ValueKind { Bool, Int, Float, ZBuffer, Fill, Shade, Blend, BlendOp, Cull, Cmp, StencilOp, ColorWrite,
                       Filter, Address };

struct StateInfo {
    const char* name;
    uint32_t state;
    ValueKind kind;
};

const StateInfo kRenderStates[] = {
    {"ZEnable", D3DRS_ZENABLE, ValueKind::ZBuffer},
    {"FillMode", D3DRS_FILLMODE, ValueKind::Fill},
    {"ShadeMode", D3DRS_SHADEMODE, ValueKind::Shade},
    {"ZWriteEnable", D3DRS_ZWRITEENABLE, ValueKind::Bool},
    {"AlphaTestEnable", D3DRS_ALPHATESTENABLE, ValueKind::Bool},
    {"LastPixel", D3DRS_LASTPIXEL, ValueKind::Bool},
    {"SrcBlend", D3DRS_SRCBLEND, ValueKind::Blend},
    {"DestBlend", D3DRS_DESTBLEND, ValueKind::Blend},
    {"CullMode", D3DRS_CULLMODE, ValueKind::Cull},
    {"ZFunc", D3DRS_ZFUNC, ValueKind::Cmp},
    {"AlphaRef", D3DRS_ALPHAREF, ValueKind::Int},
    {"AlphaFunc", D3DRS_ALPHAFUNC, ValueKind::Cmp},
    {"DitherEnable", D3DRS_DITHERENABLE, ValueKind::Bool},
    {"AlphaBlendEnable", D3DRS_ALPHABLENDENABLE, ValueKind::Bool},
    {"FogEnable", D3DRS_FOGENABLE, ValueKind::Bool},
    {"SpecularEnable", D3DRS_SPECULARENABLE, ValueKind::Bool},
    {"StencilEnable", D3DRS_STENCILENABLE, ValueKind::Bool},
    {"StencilFail", D3DRS_STENCILFAIL, ValueKind::StencilOp},
    {"StencilZFail", D3DRS_STENCILZFAIL, ValueKind::StencilOp},
    {"StencilPass", D3DRS_STENCILPASS, ValueKind::StencilOp},
    {"StencilFunc", D3DRS_STENCILFUNC, ValueKind::Cmp},
    {"StencilRef", D3DRS_STENCILREF, ValueKind::Int},
    {"StencilMask", D3DRS_STENCILMASK, ValueKind::Int},
    {"StencilWriteMask", D3DRS_STENCILWRITEMASK, ValueKind::Int},
    {"TextureFactor", D3DRS_TEXTUREFACTOR, ValueKind::Int},
    {"Clipping", D3DRS_CLIPPING, ValueKind::Bool},
    {"Lighting", D3DRS_LIGHTING, ValueKind::Bool},
    {"ClipPlaneEnable", D3DRS_CLIPPLANEENABLE, ValueKind::Int},
    {"PointSize", D3DRS_POINTSIZE, ValueKind::Float},
    {"PointSpriteEnable", D3DRS_POINTSPRITEENABLE, ValueKind::Bool},
    {"MultiSampleAntialias", D3DRS_MULTISAMPLEANTIALIAS, ValueKind::Bool},
    {"MultiSampleMask", D3DRS_MULTISAMPLEMASK, ValueKind::Int},
    {"ColorWriteEnable", D3DRS_COLORWRITEENABLE, ValueKind::ColorWrite},
    {"BlendOp", D3DRS_BLENDOP, ValueKind::BlendOp},
    {"ScissorTestEnable", D3DRS_SCISSORTESTENABLE, ValueKind::Bool},
    {"SlopeScaleDepthBias", D3DRS_SLOPESCALEDEPTHBIAS, ValueKind::Float},
    {"AntialiasedLineEnable", D3DRS_ANTIALIASEDLINEENABLE, ValueKind::Bool},
    {"TwoSidedStencilMode", D3DRS_TWOSIDEDSTENCILMODE, ValueKind::Bool},
    {"CCW_StencilFail", D3DRS_CCW_STENCILFAIL, ValueKind::StencilOp},
    {"CCW_StencilZFail", D3DRS_CCW_STENCILZFAIL, ValueKind::StencilOp},
    {"CCW_StencilPass", D3DRS_CCW_STENCILPASS, ValueKind::StencilOp},
    {"CCW_StencilFunc", D3DRS_CCW_STENCILFUNC, ValueKind::Cmp},
    {"BlendFactor", D3DRS_BLENDFACTOR, ValueKind::Int},
    {"SRGBWriteEnable", D3DRS_SRGBWRITEENABLE, ValueKind::Bool},
    {"DepthBias", D3DRS_DEPTHBIAS, ValueKind::Float},
    {"SeparateAlphaBlendEnable", D3DRS_SEPARATEALPHABLENDENABLE, ValueKind::Bool},
    {"SrcBlendAlpha", D3DRS_SRCBLENDALPHA, ValueKind::Blend},
    {"DestBlendAlpha", D3DRS_DESTBLENDALPHA, ValueKind::Blend},
    {"BlendOpAlpha", D3DRS_BLENDOPALPHA, ValueKind::BlendOp},
};

const StateInfo kSamplerStates[] = {
    {"AddressU", D3DSAMP_ADDRESSU, ValueKind::Address},
    {"AddressV", D3DSAMP_ADDRESSV, ValueKind::Address},
    {"AddressW", D3DSAMP_ADDRESSW, ValueKind::Address},
    {"BorderColor", D3DSAMP_BORDERCOLOR, ValueKind::Int},
    {"MagFilter", D3DSAMP_MAGFILTER, ValueKind::Filter},
    {"MinFilter", D3DSAMP_MINFILTER, ValueKind::Filter},
    {"MipFilter", D3DSAMP_MIPFILTER, ValueKind::Filter},
    {"MipMapLodBias", D3DSAMP_MIPMAPLODBIAS, ValueKind::Float},
    {"MaxMipLevel", D3DSAMP_MAXMIPLEVEL, ValueKind::Int},
    {"MaxAnisotropy", D3DSAMP_MAXANISOTROPY, ValueKind::Int},
    {"SRGBTexture", D3DSAMP_SRGBTEXTURE, ValueKind::Bool},
};

struct EnumValue {
    const char* name;
    uint32_t value;
};

// Enum names per value kind, without their D3D prefix (which is also accepted).
bool enumValue(ValueKind kind, const std::string& written, uint32_t& value) {
    static const std::map<ValueKind, std::pair<const char*, std::vector<EnumValue>>> table = {
        {ValueKind::Bool, {"", {{"TRUE", 1}, {"FALSE", 0}}}},
        {ValueKind::ZBuffer, {"D3DZB_", {{"TRUE", D3DZB_TRUE}, {"FALSE", D3DZB_FALSE}, {"USEW", D3DZB_USEW}}}},
        {ValueKind::Fill, {"D3DFILL_", {{"POINT", 1}, {"WIREFRAME", 2}, {"SOLID", 3}}}},
        {ValueKind::Shade, {"D3DSHADE_", {{"FLAT", 1}, {"GOURAUD", 2}, {"PHONG", 3}}}},
        {ValueKind::Blend,
         {"D3DBLEND_",
          {{"ZERO", 1}, {"ONE", 2}, {"SRCCOLOR", 3}, {"INVSRCCOLOR", 4}, {"SRCALPHA", 5}, {"INVSRCALPHA", 6},
           {"DESTALPHA", 7}, {"INVDESTALPHA", 8}, {"DESTCOLOR", 9}, {"INVDESTCOLOR", 10}, {"SRCALPHASAT", 11},
           {"BOTHSRCALPHA", 12}, {"BOTHINVSRCALPHA", 13}, {"BLENDFACTOR", 14}, {"INVBLENDFACTOR", 15}}}},
        {ValueKind::BlendOp,
         {"D3DBLENDOP_", {{"ADD", 1}, {"SUBTRACT", 2}, {"REVSUBTRACT", 3}, {"MIN", 4}, {"MAX", 5}}}},
        {ValueKind::Cull, {"D3DCULL_", {{"NONE", 1}, {"CW", 2}, {"CCW", 3}}}},
        {ValueKind::Cmp,
         {"D3DCMP_",
          {{"NEVER", 1}, {"LESS", 2}, {"EQUAL", 3}, {"LESSEQUAL", 4}, {"GREATER", 5}, {"NOTEQUAL", 6},
           {"GREATEREQUAL", 7}, {"ALWAYS", 8}}}},
        {ValueKind::StencilOp,
         {"D3DSTENCILOP_",
          {{"KEEP", 1}, {"ZERO", 2}, {"REPLACE", 3}, {"INCRSAT", 4}, {"DECRSAT", 5}, {"INVERT", 6}, {"INCR", 7},
           {"DECR", 8}}}},
        {ValueKind::ColorWrite,
         {"D3DCOLORWRITEENABLE_", {{"RED", 1}, {"GREEN", 2}, {"BLUE", 4}, {"ALPHA", 8}}}},
        {ValueKind::Filter,
         {"D3DTEXF_",
          {{"NONE", 0}, {"POINT", 1}, {"LINEAR", 2}, {"ANISOTROPIC", 3}, {"PYRAMIDALQUAD", 6},
           {"GAUSSIANQUAD", 7}}}},
        {ValueKind::Address,
         {"D3DTADDRESS_", {{"WRAP", 1}, {"MIRROR", 2}, {"CLAMP", 3}, {"BORDER", 4}, {"MIRRORONCE", 5}}}},
    };
    std::string w = upper(written);
    if (w == "TRUE" || w == "FALSE") {
        if (kind == ValueKind::Bool || kind == ValueKind::ZBuffer || kind == ValueKind::Int) {
            value = w == "TRUE";
            return true;
        }
    }
    auto it = table.find(kind);
    if (it == table.end()) return false;
    std::string prefix = it->second.first;
    if (!prefix.empty() && w.rfind(prefix, 0) == 0) w = w.substr(prefix.size());
    for (const EnumValue& e : it->second.second)
        if (w == e.name) {
            value = e.value;
            return true;
        }
    return false;
}

// ---- Tokens ---------------------------------------------------------------------------------

struct Tok {
    enum Kind { Ident, Number, String, Punct, End } kind;
    std::string text;
    size_t offset = 0;
    int line = 1, column = 1;  // output line, 1-based column
};

std::vector<Tok> lex(const std::string& s) {
    std::vector<Tok> out;
    size_t i = 0;
    int line = 1;
    size_t lineStart = 0;
    bool atLineStart = true;
    while (i < s.size()) {
        char c = s[i];
        if (c == '\n') {
            ++line;
            lineStart = ++i;
            atLineStart = true;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (c == '#' && atLineStart) {  // a kept #pragma line
            while (i < s.size() && s[i] != '\n') ++i;
            continue;
        }
        atLineStart = false;
        Tok t{Tok::Punct, "", i, line, static_cast<int>(i - lineStart) + 1};
        size_t start = i;
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_')) ++i;
            t.kind = Tok::Ident;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            ++i;
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.' ||
                                    ((s[i] == '+' || s[i] == '-') && (s[i - 1] == 'e' || s[i - 1] == 'E') &&
                                     !(s[start] == '0' && start + 1 < s.size() && (s[start + 1] == 'x' || s[start + 1] == 'X')))))
                ++i;
            t.kind = Tok::Number;
        } else if (c == '"') {
            ++i;
            while (i < s.size() && s[i] != '"' && s[i] != '\n') i += (s[i] == '\\') ? 2 : 1;
            if (i < s.size() && s[i] == '"') ++i;
            t.kind = Tok::String;
        } else {
            ++i;
        }
        t.text = s.substr(start, i - start);
        out.push_back(std::move(t));
    }
    Tok end{Tok::End, "", s.size(), line, static_cast<int>(s.size() - lineStart) + 1};
    out.push_back(end);
    return out;
}

bool isTypeModifier(const std::string& s) {
    static const std::set<std::string> m = {"static",   "uniform", "extern",   "shared",          "volatile",
                                            "const",    "row_major", "column_major", "inline",    "precise",
                                            "nointerpolation", "linear", "centroid", "noperspective", "groupshared"};
    return m.count(s) > 0;
}

// Scalar, vector and matrix type names: bool, int, uint, dword, half, float, double and their
// N and NxM forms.
bool numericType(const std::string& name, BaseType& base, int& rows, int& columns) {
    static const std::pair<const char*, BaseType> bases[] = {
        {"bool", BaseType::Bool},        {"int", BaseType::Int},          {"uint", BaseType::Uint},
        {"dword", BaseType::Uint},       {"half", BaseType::Float},       {"float", BaseType::Float},
        {"double", BaseType::Float},     {"min16float", BaseType::Float}, {"min10float", BaseType::Float},
        {"min16int", BaseType::Int},     {"min12int", BaseType::Int},     {"min16uint", BaseType::Uint}};
    for (const auto& b : bases) {
        size_t n = std::strlen(b.first);
        if (name.compare(0, n, b.first) != 0) continue;
        std::string rest = name.substr(n);
        base = b.second;
        if (rest.empty()) {
            rows = columns = 1;
            return true;
        }
        if (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '4') {
            rows = 1;
            columns = rest[0] - '0';
            return true;
        }
        if (rest.size() == 3 && rest[1] == 'x' && rest[0] >= '1' && rest[0] <= '4' && rest[2] >= '1' &&
            rest[2] <= '4') {
            rows = rest[0] - '0';
            columns = rest[2] - '0';
            return true;
        }
    }
    return false;
}

class Parser {
public:
    Parser(const PreprocessedSource& src, EffectSource& out, std::vector<Diagnostic>& errors)
        : src_(src), out_(out), errors_(errors), toks_(lex(src.text)) {}

    bool run();

private:
    struct ParseError {};

    const Tok& peek(size_t ahead = 0) const { return toks_[std::min(pos_ + ahead, toks_.size() - 1)]; }
    const Tok& next() {
        const Tok& t = peek();
        if (pos_ < toks_.size() - 1) ++pos_;
        return t;
    }
    bool is(const char* punct, size_t ahead = 0) const {
        const Tok& t = peek(ahead);
        return t.kind == Tok::Punct && t.text == punct;
    }
    bool isIdent(const char* word, size_t ahead = 0) const {
        const Tok& t = peek(ahead);
        return t.kind == Tok::Ident && t.text == word;
    }
    bool isIdentNoCase(const char* word, size_t ahead = 0) const {
        const Tok& t = peek(ahead);
        return t.kind == Tok::Ident && lower(t.text) == word;
    }

    [[noreturn]] void fail(const Tok& at, const std::string& message) {
        report(at, message);
        throw ParseError{};
    }
    void report(const Tok& at, const std::string& message) {
        SourceLine where = src_.locate(at.line);
        const std::string& file = where.file < static_cast<int>(src_.files.size()) ? src_.files[where.file] : "";
        errors_.push_back(Diagnostic{file, where.line, at.column, message, false});
    }
    std::string describe(const Tok& t) const { return t.kind == Tok::End ? "end of file" : "'" + t.text + "'"; }
    void expect(const char* punct, const char* what) {
        if (!is(punct)) fail(peek(), std::string("syntax error: expected '") + punct + "' " + what + ", found " + describe(peek()));
        next();
    }
    const Tok& expectIdent(const char* what) {
        if (peek().kind != Tok::Ident) fail(peek(), std::string("syntax error: expected ") + what + ", found " + describe(peek()));
        return next();
    }

    void blank(size_t begin, size_t end) {
        for (size_t i = begin; i < end && i < out_.hlsl.size(); ++i)
            if (out_.hlsl[i] != '\n') out_.hlsl[i] = ' ';
    }
    size_t endOf(const Tok& t) const { return t.offset + t.text.size(); }

    // Skips a balanced group opened by the current token (one of ( [ { <).
    void skipGroup(const char* open, const char* close) {
        const Tok& first = peek();
        int depth = 0;
        do {
            if (peek().kind == Tok::End) fail(first, std::string("syntax error: '") + open + "' is never closed");
            if (is(open)) ++depth;
            if (is(close)) --depth;
            next();
        } while (depth > 0);
    }
    void skipAnnotation(size_t blankFrom) {
        const Tok& first = next();  // '<'
        while (!is(">")) {
            if (peek().kind == Tok::End) fail(first, "syntax error: annotation '<' is never closed");
            next();
        }
        blank(blankFrom, endOf(next()));
    }

    void topLevel();
    void parseStruct();
    void parseTechnique();
    void parsePass(Technique& technique);
    void parseState(std::vector<StateAssignment>& into, const StateInfo* table, size_t count, const char* what,
                    Parameter* sampler);
    void parseDeclarationOrFunction();
    void parseFunction(size_t begin, const std::string& returnType, const Tok& name);
    EffectSource::Field parseField(bool parameter);
    std::vector<float> parseInitializer(const Tok& name);
    void parseSamplerState(Parameter& p);
    std::string parseType(std::string* templateText = nullptr);
    EffectSource::Semantic semanticOf(const Tok& t) const {
        return EffectSource::Semantic{t.offset, t.text.size(), upper(t.text)};
    }
    void checkEntries();
    void inferSamplerTypes();

    const PreprocessedSource& src_;
    EffectSource& out_;
    std::vector<Diagnostic>& errors_;
    std::vector<Tok> toks_;
    size_t pos_ = 0;
};

bool Parser::run() {
    out_ = EffectSource{};
    out_.hlsl = src_.text;
    size_t before = errors_.size();
    try {
        while (peek().kind != Tok::End) topLevel();
        checkEntries();
        inferSamplerTypes();
    } catch (const ParseError&) {
    }
    return errors_.size() == before;
}

void Parser::topLevel() {
    if (is(";")) {
        next();
        return;
    }
    if (isIdentNoCase("technique") || isIdentNoCase("technique9")) {
        parseTechnique();
        return;
    }
    if (isIdent("struct")) {
        parseStruct();
        return;
    }
    if (isIdent("typedef")) {
        while (!is(";") && peek().kind != Tok::End) next();
        expect(";", "after typedef");
        return;
    }
    if (peek().kind != Tok::Ident) fail(peek(), "syntax error: unexpected " + describe(peek()));
    parseDeclarationOrFunction();
}

std::string Parser::parseType(std::string* templateText) {
    const Tok& t = expectIdent("a type");
    std::string type = t.text;
    if (is("<") && (type == "vector" || type == "matrix")) {
        std::string args;
        size_t from = pos_;
        skipGroup("<", ">");
        for (size_t i = from; i < pos_; ++i) args += toks_[i].text;
        if (templateText) *templateText = args;
        type += args;
    }
    return type;
}

EffectSource::Field Parser::parseField(bool parameter) {
    EffectSource::Field f;
    while (peek().kind == Tok::Ident &&
           (isTypeModifier(peek().text) || peek().text == "in" || peek().text == "out" || peek().text == "inout")) {
        const std::string& m = next().text;
        if (m == "out") f.in = false, f.out = true;
        if (m == "inout") f.in = true, f.out = true;
    }
    f.type = parseType();
    f.name = expectIdent("a name").text;
    while (is("[")) skipGroup("[", "]");
    while (is(":")) {
        next();
        const Tok& s = expectIdent("a semantic");
        if (s.text == "register" || s.text == "packoffset") {
            if (is("(")) skipGroup("(", ")");
        } else {
            f.semantic = semanticOf(s);
        }
    }
    if (parameter && is("=")) {
        next();
        int depth = 0;
        while (peek().kind != Tok::End && !(depth == 0 && (is(",") || is(")")))) {
            if (is("(")) ++depth;
            if (is(")")) --depth;
            next();
        }
    }
    return f;
}

void Parser::parseStruct() {
    next();  // struct
    EffectSource::Struct st;
    st.name = expectIdent("a struct name").text;
    expect("{", "after the struct name");
    while (!is("}")) {
        if (peek().kind == Tok::End) fail(peek(), "syntax error: struct '" + st.name + "' is never closed");
        EffectSource::Field f = parseField(false);
        st.members.push_back(f);
        while (is(",")) {  // float a, b : TEXCOORD1;
            next();
            EffectSource::Field g = f;
            g.name = expectIdent("a member name").text;
            g.semantic = {};
            while (is("[")) skipGroup("[", "]");
            if (is(":")) {
                next();
                g.semantic = semanticOf(expectIdent("a semantic"));
            }
            st.members.push_back(g);
        }
        expect(";", "after a struct member");
    }
    next();
    while (!is(";")) {
        if (peek().kind == Tok::End) fail(peek(), "syntax error: expected ';' after struct '" + st.name + "'");
        next();
    }
    next();
    out_.structs.push_back(std::move(st));
}

void Parser::parseTechnique() {
    const Tok& keyword = next();
    Technique technique;
    technique.line = keyword.line;
    if (peek().kind == Tok::Ident) technique.name = next().text;
    if (is("<")) skipAnnotation(keyword.offset);
    expect("{", "to open the technique");
    while (!is("}")) {
        if (isIdentNoCase("pass")) {
            parsePass(technique);
        } else {
            fail(peek(), "syntax error: expected 'pass' or '}' in technique, found " + describe(peek()));
        }
    }
    const Tok& close = next();
    blank(keyword.offset, endOf(close));
    if (technique.passes.empty()) fail(keyword, "technique '" + technique.name + "' has no pass");
    for (const Technique& t : out_.techniques)
        if (!technique.name.empty() && t.name == technique.name)
            fail(keyword, "technique '" + technique.name + "' is defined twice");
    out_.techniques.push_back(std::move(technique));
}

void Parser::parsePass(Technique& technique) {
    const Tok& keyword = next();
    Pass pass;
    pass.line = keyword.line;
    if (peek().kind == Tok::Ident) pass.name = next().text;
    if (is("<")) skipAnnotation(keyword.offset);
    expect("{", "to open the pass");
    while (!is("}")) {
        if (peek().kind == Tok::End) fail(keyword, "syntax error: pass is never closed");
        const Tok& name = expectIdent("a state name");
        std::string key = lower(name.text);
        if (key == "vertexshader" || key == "pixelshader") {
            Stage stage = key == "vertexshader" ? Stage::Vertex : Stage::Pixel;
            ShaderBinding& b = stage == Stage::Vertex ? pass.vertex : pass.pixel;
            expect("=", "after the state name");
            if (!isIdent("compile"))
                fail(peek(), "'" + name.text + "' must be assigned 'compile <profile> <entry>()'");
            next();
            const Tok& profile = expectIdent("a shader profile");
            if (!validProfile(profile.text, stage))
                fail(profile, "invalid " + std::string(stage == Stage::Vertex ? "vertex" : "pixel") +
                                  " shader profile '" + profile.text + "'");
            const Tok& entry = expectIdent("an entry-point name");
            expect("(", "after the entry-point name");
            if (!is(")")) fail(peek(), "arguments to the entry point '" + entry.text + "' are not supported");
            next();
            expect(";", "after the shader assignment");
            b.entry = entry.text;
            b.profile = profile.text;
            b.line = entry.line;
            b.column = entry.column;
            continue;
        }
        --pos_;
        parseState(pass.states, kRenderStates, std::size(kRenderStates), "render state", nullptr);
    }
    next();
    if (!pass.vertex.present() && !pass.pixel.present())
        fail(keyword, "pass '" + pass.name + "' has neither a vertex nor a pixel shader");
    technique.passes.push_back(std::move(pass));
}

void Parser::parseState(std::vector<StateAssignment>& into, const StateInfo* table, size_t count,
                        const char* what, Parameter* sampler) {
    const Tok& name = expectIdent("a state name");
    if (is("[")) fail(peek(), std::string("indexed ") + what + " '" + name.text + "' is not supported");
    expect("=", "after the state name");
    if (sampler && lower(name.text) == "texture") {
        bool angle = is("<"), paren = is("(");
        if (angle || paren) next();
        sampler->samplerTexture = expectIdent("a texture name").text;
        if (angle) expect(">", "after the texture name");
        if (paren) expect(")", "after the texture name");
        expect(";", "after the state");
        return;
    }
    const StateInfo* info = nullptr;
    for (size_t i = 0; i < count; ++i)
        if (lower(table[i].name) == lower(name.text)) info = &table[i];
    if (!info) fail(name, std::string("unknown ") + what + " '" + name.text + "'");
    StateAssignment a;
    a.name = name.text;
    a.state = info->state;
    a.line = name.line;
    a.column = name.column;
    uint32_t value = 0;
    bool first = true;
    while (!is(";")) {
        if (peek().kind == Tok::End) fail(name, "syntax error: expected ';' after the state");
        if (!first) {
            if (!is("|")) fail(peek(), "syntax error: unexpected " + describe(peek()) + " in the value of '" + name.text + "'");
            a.valueText += next().text;
        }
        bool negative = false;
        if (is("-")) {
            negative = true;
            a.valueText += next().text;
        }
        const Tok& v = next();
        a.valueText += v.text;
        uint32_t part = 0;
        if (v.kind == Tok::Number) {
            std::string digits = v.text;
            bool isFloat = digits.find_first_of(".eE") != std::string::npos &&
                           !(digits.size() > 1 && (digits[1] == 'x' || digits[1] == 'X'));
            while (!digits.empty() && std::strchr("fFhHuUlL", digits.back())) digits.pop_back();
            if (info->kind == ValueKind::Float) {
                float f = std::strtof(digits.c_str(), nullptr) * (negative ? -1.0f : 1.0f);
                std::memcpy(&part, &f, 4);
            } else if (isFloat) {
                fail(v, "render state '" + name.text + "' takes an integer, not '" + v.text + "'");
            } else {
                long long n = std::strtoll(digits.c_str(), nullptr, 0);
                part = static_cast<uint32_t>(negative ? -n : n);
            }
        } else if (v.kind != Tok::Ident || !enumValue(info->kind, v.text, part)) {
            fail(v, "invalid value " + describe(v) + " for " + what + " '" + name.text + "'");
        }
        value |= part;
        first = false;
    }
    if (first) fail(peek(), std::string("missing value for ") + what + " '" + name.text + "'");
    next();
    a.value = value;
    into.push_back(std::move(a));
}

void Parser::parseSamplerState(Parameter& p) {
    expect("{", "after sampler_state");
    while (!is("}")) {
        if (peek().kind == Tok::End) fail(peek(), "syntax error: sampler_state is never closed");
        parseState(p.samplerStates, kSamplerStates, std::size(kSamplerStates), "sampler state", &p);
    }
    next();
}

// Constant initialiser values in order: numbers, true/false, constructor calls and brace lists,
// with + - * / and parentheses.
std::vector<float> Parser::parseInitializer(const Tok& name) {
    std::vector<float> values;
    std::function<double()> expr, term, factor;
    std::function<void()> element;
    factor = [&]() -> double {
        if (is("-")) return next(), -factor();
        if (is("+")) return next(), factor();
        if (is("(")) {
            next();
            double v = expr();
            expect(")", "in the initialiser");
            return v;
        }
        const Tok& t = next();
        if (t.kind == Tok::Number) {
            std::string digits = t.text;
            bool hex = digits.size() > 1 && (digits[1] == 'x' || digits[1] == 'X');
            while (!digits.empty() && std::strchr(hex ? "uUlL" : "fFhHuUlL", digits.back())) digits.pop_back();
            return hex ? static_cast<double>(std::strtoll(digits.c_str(), nullptr, 16)) : std::strtod(digits.c_str(), nullptr);
        }
        if (t.kind == Tok::Ident && (t.text == "true" || t.text == "false")) return t.text == "true" ? 1.0 : 0.0;
        fail(t, "the initialiser of '" + name.text + "' is not a constant (at " + describe(t) + ")");
    };
    term = [&]() -> double {
        double v = factor();
        while (is("*") || is("/")) {
            bool mul = next().text == "*";
            double r = factor();
            v = mul ? v * r : v / r;
        }
        return v;
    };
    expr = [&]() -> double {
        double v = term();
        while (is("+") || is("-")) {
            bool add = next().text == "+";
            double r = term();
            v = add ? v + r : v - r;
        }
        return v;
    };
    element = [&]() {
        if (is("{")) {
            next();
            while (!is("}")) {
                element();
                if (is(",")) next();
                else if (!is("}")) fail(peek(), "syntax error: expected ',' or '}' in the initialiser of '" + name.text + "'");
            }
            next();
            return;
        }
        BaseType b;
        int r, c;
        if (peek().kind == Tok::Ident && is("(", 1) && numericType(peek().text, b, r, c)) {
            next();
            next();
            while (!is(")")) {
                element();
                if (is(",")) next();
                else if (!is(")")) fail(peek(), "syntax error: expected ',' or ')' in the initialiser of '" + name.text + "'");
            }
            next();
            return;
        }
        values.push_back(static_cast<float>(expr()));
    };
    element();
    return values;
}

void Parser::parseDeclarationOrFunction() {
    size_t begin = peek().offset;
    bool isStatic = false, isConst = false;
    while (peek().kind == Tok::Ident && isTypeModifier(peek().text)) {
        const std::string& m = next().text;
        if (m == "static") isStatic = true;
        if (m == "const") isConst = true;
    }
    std::string templateArgs;
    const Tok& typeTok = peek();
    std::string type = parseType(&templateArgs);
    const Tok& name = expectIdent("a name");
    if (is("(")) {
        parseFunction(begin, type, name);
        return;
    }

    std::string ltype = lower(type);
    bool isTexture = ltype == "texture" || ltype == "texture1d" || ltype == "texture2d" || ltype == "texture3d" ||
                     ltype == "texturecube";
    bool isSampler = ltype == "sampler" || ltype == "sampler1d" || ltype == "sampler2d" || ltype == "sampler3d" ||
                     ltype == "samplercube" || ltype == "sampler_state";
    bool isString = type == "string";
    bool isParameter = !isStatic && !isConst;

    Parameter proto;
    proto.typeName = type;
    proto.line = typeTok.line;
    proto.typeOffset = typeTok.offset;
    proto.typeLength = typeTok.text.size();
    if (isTexture) {
        proto.type = BaseType::Texture;
        proto.cls = ParamClass::Object;
    } else if (isSampler) {
        proto.type = BaseType::Sampler;
        proto.cls = ParamClass::Object;
        proto.samplerDimension = ltype == "sampler1d" ? 1 : ltype == "sampler3d" ? 3 : ltype == "samplercube" ? 6 : 2;
    } else if (isString) {
        proto.type = BaseType::String;
        proto.cls = ParamClass::Object;
    } else if (type == "vector" || type == "matrix" || type.rfind("vector<", 0) == 0 || type.rfind("matrix<", 0) == 0) {
        proto.type = BaseType::Float;
        proto.rows = type[0] == 'm' ? 4 : 1;
        proto.columns = 4;
        if (!templateArgs.empty()) {  // <float,R,C> or <float,N>
            std::vector<std::string> parts;
            std::string cur;
            for (char c : templateArgs.substr(1, templateArgs.size() - 2)) {
                if (c == ',') parts.push_back(cur), cur.clear();
                else cur += c;
            }
            parts.push_back(cur);
            int r = 1, c = 1;
            numericType(parts[0], proto.type, r, c);
            if (type[0] == 'm' && parts.size() == 3) proto.rows = std::atoi(parts[1].c_str()), proto.columns = std::atoi(parts[2].c_str());
            if (type[0] == 'v' && parts.size() == 2) proto.rows = 1, proto.columns = std::atoi(parts[1].c_str());
        }
        proto.cls = proto.rows > 1 ? ParamClass::Matrix : ParamClass::Vector;
    } else if (numericType(type, proto.type, proto.rows, proto.columns)) {
        proto.cls = proto.rows > 1 ? ParamClass::Matrix : proto.columns > 1 ? ParamClass::Vector : ParamClass::Scalar;
    } else {
        bool known = false;
        for (const auto& s : out_.structs) known = known || s.name == type;
        if (!known) fail(typeTok, "unknown type '" + type + "'");
        proto.type = BaseType::Struct;
        proto.cls = ParamClass::Struct;
    }
    // The sampler type glslang needs; a plain 'sampler' gets one from its use (inferSamplerTypes).
    if (isSampler && (ltype == "sampler" || ltype == "sampler_state")) proto.typeName = "sampler";

    const Tok* declName = &name;
    while (true) {
        Parameter p = proto;
        p.name = declName->text;
        while (is("[")) {
            const Tok& open = next();
            const Tok& n = next();
            if (n.kind != Tok::Number) fail(n, "array size of '" + p.name + "' must be a number");
            expect("]", "after the array size");
            int count = std::atoi(n.text.c_str());
            if (count <= 0) fail(open, "array size of '" + p.name + "' must be positive");
            p.elements = p.elements > 0 ? p.elements * count : count;
        }
        while (is(":")) {
            size_t colon = peek().offset;
            next();
            const Tok& s = expectIdent("a semantic");
            if (s.text == "register" || s.text == "packoffset") {
                if (is("(")) skipGroup("(", ")");
                blank(colon, toks_[pos_ - 1].offset + 1);  // explicit registers need GL extensions
            } else {
                p.semantic = s.text;
            }
        }
        if (is("<")) skipAnnotation(peek().offset);
        if (is("=")) {
            size_t eq = peek().offset;
            next();
            if (isSampler && (isIdent("sampler_state") || isIdent("Sampler_State"))) {
                next();
                parseSamplerState(p);
                blank(eq, toks_[pos_ - 1].offset + 1);
            } else if (isTexture || isString || isSampler) {
                while (!is(";") && !is(",") && peek().kind != Tok::End) next();
            } else if (isParameter) {
                const Tok& at = peek();
                p.defaults = parseInitializer(name);
                size_t count = static_cast<size_t>(p.valueCount());
                if (p.cls != ParamClass::Struct) {
                    if (p.defaults.size() == 1 && count > 1 && p.elements == 0) p.defaults.assign(count, p.defaults[0]);
                    if (p.defaults.size() > count) fail(at, "too many initialisers for '" + p.name + "'");
                    p.defaults.resize(count, 0.0f);
                }
                blank(eq, toks_[pos_ - 1].offset + toks_[pos_ - 1].text.size());  // defaults are uploaded, not compiled
            } else {
                // A static or const initialiser stays for the compiler; the functions it calls
                // must stay with it.
                int depth = 0;
                while (peek().kind != Tok::End && !(depth == 0 && (is(";") || is(",")))) {
                    if (is("(") || is("{")) ++depth;
                    if (is(")") || is("}")) --depth;
                    if (peek().kind == Tok::Ident) out_.globalReferences.push_back(peek().text);
                    next();
                }
            }
        }
        if (isParameter && !isString) {
            if (out_.findParameter(p.name)) fail(*declName, "redefinition of '" + p.name + "'");
            out_.parameters.push_back(std::move(p));
        }
        if (is(",")) {
            next();
            declName = &expectIdent("a name");
            continue;
        }
        break;
    }
    if (!is(";")) fail(peek(), "syntax error: expected ';' after the declaration of '" + name.text + "', found " + describe(peek()));
    const Tok& semi = next();
    if (isTexture || isString) blank(begin, endOf(semi));
}

void Parser::parseFunction(size_t begin, const std::string& returnType, const Tok& name) {
    EffectSource::Function f;
    f.name = name.text;
    f.returnType = returnType;
    f.begin = begin;
    next();  // (
    if (isIdent("void") && is(")", 1)) next();
    while (!is(")")) {
        if (peek().kind == Tok::End) fail(name, "syntax error: parameter list of '" + name.text + "' is never closed");
        f.params.push_back(parseField(true));
        if (is(",")) next();
        else if (!is(")")) fail(peek(), "syntax error: expected ',' or ')' in the parameters of '" + name.text + "', found " + describe(peek()));
    }
    next();
    if (is(":")) {
        next();
        f.semantic = semanticOf(expectIdent("a semantic"));
    }
    if (is(";")) {  // a prototype
        next();
        return;
    }
    if (!is("{")) fail(peek(), "syntax error: expected '{' to open the body of '" + name.text + "', found " + describe(peek()));
    size_t from = pos_;
    skipGroup("{", "}");
    std::set<std::string> seen;
    for (size_t i = from; i < pos_; ++i)
        if (toks_[i].kind == Tok::Ident && seen.insert(toks_[i].text).second) f.referenced.push_back(toks_[i].text);
    f.end = endOf(toks_[pos_ - 1]);
    if (std::find(out_.functions.begin(), out_.functions.end(), f.name) == out_.functions.end())
        out_.functions.push_back(f.name);
    out_.functionDefs.push_back(std::move(f));
}

void Parser::checkEntries() {
    for (const Technique& t : out_.techniques)
        for (const Pass& p : t.passes)
            for (const ShaderBinding* b : {&p.vertex, &p.pixel}) {
                if (!b->present()) continue;
                if (std::find(out_.functions.begin(), out_.functions.end(), b->entry) == out_.functions.end()) {
                    Tok at{Tok::Ident, b->entry, 0, b->line, b->column};
                    report(at, "entry point '" + b->entry + "' not found");
                }
            }
    if (errors_.size()) throw ParseError{};
}

void Parser::inferSamplerTypes() {
    for (Parameter& p : out_.parameters) {
        if (p.type != BaseType::Sampler || p.typeName != "sampler") continue;
        for (size_t i = 0; i + 2 < toks_.size(); ++i) {
            if (toks_[i].kind != Tok::Ident || toks_[i + 1].text != "(" || toks_[i + 2].text != p.name) continue;
            const std::string& fn = toks_[i].text;
            if (fn.rfind("texCUBE", 0) == 0) p.samplerDimension = 6;
            else if (fn.rfind("tex3D", 0) == 0) p.samplerDimension = 3;
            else if (fn.rfind("tex1D", 0) == 0) p.samplerDimension = 1;
            else if (fn.rfind("tex2D", 0) == 0) p.samplerDimension = 2;
        }
    }
}

}  // namespace

bool parseEffect(const PreprocessedSource& src, EffectSource& out, std::vector<Diagnostic>& errors) {
    Parser parser(src, out, errors);
    return parser.run();
}

std::string stageSource(const EffectSource& effect, Stage stage, const std::string& entry, bool* readsVpos) {
    if (readsVpos) *readsVpos = false;
    struct Edit {
        size_t offset, length;
        std::string text;
    };
    std::vector<Edit> edits;
    std::string text = effect.hlsl;

    // Functions the entry point cannot reach are blanked out: they may use what this stage lacks.
    std::set<std::string> reachable = {entry};
    std::vector<std::string> work = {entry};
    for (const std::string& r : effect.globalReferences)
        if (reachable.insert(r).second) work.push_back(r);
    while (!work.empty()) {
        std::string name = work.back();
        work.pop_back();
        for (const auto& f : effect.functionDefs)
            if (f.name == name)
                for (const std::string& r : f.referenced)
                    if (reachable.insert(r).second) work.push_back(r);
    }
    std::vector<std::pair<size_t, size_t>> removed;
    for (const auto& f : effect.functionDefs)
        if (!reachable.count(f.name)) {
            removed.push_back({f.begin, f.end});
            for (size_t i = f.begin; i < f.end; ++i)
                if (text[i] != '\n') text[i] = ' ';
        }

    auto rename = [&](const EffectSource::Semantic& s, bool output) {
        if (s.text.empty()) return;
        std::string to;
        const std::string& t = s.text;
        if (stage == Stage::Vertex && output && (t == "POSITION" || t == "POSITION0")) to = "SV_Position";
        if (stage == Stage::Pixel && output) {
            if (t.rfind("COLOR", 0) == 0 && (t.size() == 5 || std::isdigit(static_cast<unsigned char>(t[5]))))
                to = "SV_Target" + t.substr(5);
            if (t == "DEPTH" || t == "DEPTH0") to = "SV_Depth";
        }
        if (stage == Stage::Pixel && !output && (t.rfind("POSITION", 0) == 0 || t == "VPOS")) to = "SV_Position";
        if (stage == Stage::Pixel && !output && t == "VPOS" && readsVpos) *readsVpos = true;
        if (!to.empty()) edits.push_back(Edit{s.offset, s.length, to});
    };
    std::set<std::pair<std::string, bool>> visited;
    std::function<void(const std::string&, bool)> structType = [&](const std::string& type, bool output) {
        if (!visited.insert({type, output}).second) return;
        for (const auto& st : effect.structs)
            if (st.name == type)
                for (const auto& m : st.members) {
                    rename(m.semantic, output);
                    structType(m.type, output);
                }
    };
    for (const auto& f : effect.functionDefs) {
        if (f.name != entry) continue;
        rename(f.semantic, true);
        structType(f.returnType, true);
        for (const auto& p : f.params) {
            if (p.out) {
                rename(p.semantic, true);
                structType(p.type, true);
            }
            if (p.in) {
                rename(p.semantic, false);
                structType(p.type, false);
            }
        }
        break;
    }
    // A plain 'sampler' needs its dimension spelled out.
    for (const Parameter& p : effect.parameters) {
        if (p.type != BaseType::Sampler || p.typeName != "sampler") continue;
        const char* spelled = p.samplerDimension == 6 ? "samplerCUBE" : p.samplerDimension == 3 ? "sampler3D"
                              : p.samplerDimension == 1 ? "sampler1D" : "sampler2D";
        if (p.typeLength == 0) continue;
        bool dup = false;
        for (const Edit& e : edits) dup = dup || e.offset == p.typeOffset;
        if (!dup) edits.push_back(Edit{p.typeOffset, p.typeLength, spelled});
    }
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.offset > b.offset; });
    for (const Edit& e : edits) {
        bool inRemoved = false;
        for (const auto& r : removed) inRemoved = inRemoved || (e.offset >= r.first && e.offset < r.second);
        if (!inRemoved) text.replace(e.offset, e.length, e.text);
    }
    return text;
}

}  // namespace fx
