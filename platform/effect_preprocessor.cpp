// Effect-file preprocessor (see effect_preprocessor.h for what it covers and leaves out).
#include "platform/effect_preprocessor.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace fx {

std::string formatDiagnostic(const Diagnostic& d) {
    std::ostringstream s;
    s << d.file << "(" << d.line << "," << (d.column > 0 ? d.column : 1) << "): " << (d.warning ? "warning" : "error")
      << ": " << d.message;
    return s.str();
}

SourceLine PreprocessedSource::locate(int outputLine) const {
    if (outputLine >= 1 && outputLine <= static_cast<int>(lines.size())) return lines[outputLine - 1];
    return SourceLine{0, outputLine};
}

std::string PreprocessedSource::format(const Diagnostic& d) const {
    std::string text = formatDiagnostic(d) + "\n";
    for (size_t f = 0; f < files.size() && f < sources.size(); ++f) {
        if (files[f] != d.file) continue;
        const std::string& src = sources[f];
        size_t start = 0;
        for (int l = 1; l < d.line && start != std::string::npos; ++l) {
            start = src.find('\n', start);
            if (start != std::string::npos) ++start;
        }
        if (start == std::string::npos || start >= src.size()) break;
        size_t end = src.find_first_of("\r\n", start);
        std::string line = src.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.find_first_not_of(" \t") == std::string::npos) break;
        std::string caret;
        for (int c = 1; c < d.column && static_cast<size_t>(c) <= line.size(); ++c)
            caret += line[static_cast<size_t>(c) - 1] == '\t' ? '\t' : ' ';
        text += "    " + line + "\n    " + caret + "^\n";
        break;
    }
    return text;
}

bool openIncludeFromDisk(const std::string& name, bool /*system*/, const std::string& parent, std::string& text,
                         std::string& path) {
    std::string dir;
    size_t slash = parent.find_last_of("/\\");
    if (slash != std::string::npos) dir = parent.substr(0, slash + 1);
    path = (!name.empty() && name[0] == '/') ? name : dir + name;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

namespace {

struct Token {
    enum Kind { Ident, Number, String, Punct, Space } kind;
    std::string text;
    int column = 0;  // 1-based column in the logical line, 0 for generated tokens
};

struct Macro {
    bool function = false;
    std::vector<std::string> params;
    std::vector<Token> body;
};

bool identStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool identChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::vector<Token> tokenize(const std::string& s, size_t from = 0) {
    std::vector<Token> out;
    size_t i = from;
    while (i < s.size()) {
        size_t start = i;
        char c = s[i];
        Token t{Token::Punct, "", static_cast<int>(start) + 1};
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\f' || s[i] == '\v')) ++i;
            t.kind = Token::Space;
        } else if (identStart(c)) {
            while (i < s.size() && identChar(s[i])) ++i;
            t.kind = Token::Ident;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            ++i;
            while (i < s.size()) {
                if (identChar(s[i]) || s[i] == '.') {
                    ++i;
                } else if ((s[i] == '+' || s[i] == '-') && (s[i - 1] == 'e' || s[i - 1] == 'E')) {
                    ++i;
                } else {
                    break;
                }
            }
            t.kind = Token::Number;
        } else if (c == '"' || c == '\'') {
            ++i;
            while (i < s.size() && s[i] != c) i += (s[i] == '\\' && i + 1 < s.size()) ? 2 : 1;
            if (i < s.size()) ++i;
            t.kind = Token::String;
        } else {
            static const char* const two[] = {"##", "<<", ">>", "<=", ">=", "==", "!=", "&&", "||"};
            i += 1;
            for (const char* op : two)
                if (s.compare(start, 2, op) == 0) i = start + 2;
        }
        t.text = s.substr(start, i - start);
        out.push_back(std::move(t));
    }
    return out;
}

std::string join(const std::vector<Token>& tokens) {
    std::string s;
    for (const Token& t : tokens) s += t.text;
    return s;
}

// A logical line: text with comments and splices removed, where it starts, and how many
// further physical lines its splices swallowed.
struct LogicalLine {
    std::string text;
    int line = 1;
    int spliced = 0;
};

std::vector<LogicalLine> splitLines(const std::string& src) {
    std::vector<LogicalLine> lines;
    LogicalLine cur;
    int physical = 1;
    bool inBlock = false;
    size_t i = 0;
    auto endLine = [&] {
        lines.push_back(cur);
        ++physical;
        cur = LogicalLine{};
        cur.line = physical;
    };
    while (i < src.size()) {
        char c = src[i];
        if (c == '\\' && (i + 1 < src.size()) && (src[i + 1] == '\n' || src[i + 1] == '\r')) {
            i += (src[i + 1] == '\r' && i + 2 < src.size() && src[i + 2] == '\n') ? 3 : 2;
            ++cur.spliced;
            ++physical;
            continue;
        }
        if (c == '\r' && i + 1 < src.size() && src[i + 1] == '\n') {
            ++i;
            continue;
        }
        if (c == '\n') {
            ++i;
            // A line inside a block comment continues the comment on its own output line.
            endLine();
            continue;
        }
        if (inBlock) {
            if (c == '*' && i + 1 < src.size() && src[i + 1] == '/') {
                inBlock = false;
                i += 2;
                cur.text += ' ';
            } else {
                ++i;
            }
            continue;
        }
        if (c == '/' && i + 1 < src.size() && src[i + 1] == '*') {
            inBlock = true;
            i += 2;
            continue;
        }
        if (c == '/' && i + 1 < src.size() && src[i + 1] == '/') {
            while (i < src.size() && src[i] != '\n') ++i;
            continue;
        }
        if (c == '"' || c == '\'') {
            size_t start = i++;
            while (i < src.size() && src[i] != c && src[i] != '\n') i += (src[i] == '\\' && i + 1 < src.size()) ? 2 : 1;
            if (i < src.size() && src[i] == c) ++i;
            cur.text.append(src, start, i - start);
            continue;
        }
        cur.text += c;
        ++i;
    }
    if (!cur.text.empty() || cur.spliced > 0 || lines.empty()) lines.push_back(cur);
    return lines;
}

class Preprocessor {
public:
    Preprocessor(const IncludeOpener& opener, PreprocessedSource& out, std::vector<Diagnostic>& errors)
        : opener_(opener), out_(out), errors_(errors) {}

    void define(const std::string& name, const std::string& value) {
        Macro m;
        m.body = tokenize(value);
        macros_[name] = std::move(m);
    }

    void run(const std::string& text, const std::string& name, int depth);

private:
    struct Conditional {
        bool parentActive;
        bool taken;
        bool active;
        bool sawElse;
        int line;
    };

    void error(int file, int line, int column, const std::string& message) {
        errors_.push_back(Diagnostic{out_.files[file], line, column, message, false});
    }
    void emit(const std::string& text, int file, int line) {
        out_.text += text;
        out_.text += '\n';
        out_.lines.push_back(SourceLine{file, line});
    }

    std::vector<Token> expand(const std::vector<Token>& in, std::set<std::string>& disabled, bool& ok);
    void directive(const LogicalLine& l, size_t hash, int file, int depth, std::vector<Conditional>& conds);
    bool evaluate(std::vector<Token> tokens, long long& value, std::string& why);

    const IncludeOpener& opener_;
    PreprocessedSource& out_;
    std::vector<Diagnostic>& errors_;
    std::map<std::string, Macro> macros_;
};

std::vector<Token> Preprocessor::expand(const std::vector<Token>& in, std::set<std::string>& disabled, bool& ok) {
    std::vector<Token> out;
    for (size_t i = 0; i < in.size(); ++i) {
        const Token& t = in[i];
        auto it = t.kind == Token::Ident ? macros_.find(t.text) : macros_.end();
        if (it == macros_.end() || disabled.count(t.text)) {
            out.push_back(t);
            continue;
        }
        const Macro& m = it->second;
        std::vector<Token> replaced;
        if (!m.function) {
            replaced = m.body;
        } else {
            size_t j = i + 1;
            while (j < in.size() && in[j].kind == Token::Space) ++j;
            if (j >= in.size() || in[j].text != "(") {
                out.push_back(t);  // a function-like macro name without arguments stays as it is
                continue;
            }
            std::vector<std::vector<Token>> args(1);
            int level = 0;
            size_t k = j + 1;
            for (; k < in.size(); ++k) {
                const std::string& s = in[k].text;
                if (in[k].kind == Token::Punct && s == "(") ++level;
                if (in[k].kind == Token::Punct && s == ")") {
                    if (level == 0) break;
                    --level;
                }
                if (in[k].kind == Token::Punct && s == "," && level == 0) {
                    args.emplace_back();
                    continue;
                }
                args.back().push_back(in[k]);
            }
            if (k >= in.size()) {
                ok = false;
                return out;
            }
            if (args.size() == 1 && m.params.empty() && join(args[0]).find_first_not_of(" \t") == std::string::npos)
                args.clear();
            if (args.size() != m.params.size()) {
                ok = false;
                return out;
            }
            auto paramIndex = [&](const std::string& name) -> int {
                for (size_t p = 0; p < m.params.size(); ++p)
                    if (m.params[p] == name) return static_cast<int>(p);
                return -1;
            };
            auto trimmed = [](std::vector<Token> v) {
                while (!v.empty() && v.front().kind == Token::Space) v.erase(v.begin());
                while (!v.empty() && v.back().kind == Token::Space) v.pop_back();
                return v;
            };
            const std::vector<Token>& body = m.body;
            auto neighbour = [&](size_t b, int dir) -> const Token* {
                for (long n = static_cast<long>(b) + dir; n >= 0 && n < static_cast<long>(body.size()); n += dir)
                    if (body[n].kind != Token::Space) return &body[n];
                return nullptr;
            };
            for (size_t b = 0; b < body.size(); ++b) {
                const Token& bt = body[b];
                if (bt.kind == Token::Punct && bt.text == "#") {
                    const Token* next = neighbour(b, 1);
                    int p = next && next->kind == Token::Ident ? paramIndex(next->text) : -1;
                    if (p >= 0) {
                        std::string s = "\"";
                        for (char c : join(trimmed(args[p]))) {
                            if (c == '"' || c == '\\') s += '\\';
                            s += c;
                        }
                        replaced.push_back(Token{Token::String, s + "\"", 0});
                        while (&body[b] != next) ++b;
                        continue;
                    }
                }
                int p = bt.kind == Token::Ident ? paramIndex(bt.text) : -1;
                if (p < 0) {
                    replaced.push_back(bt);
                    continue;
                }
                const Token* prev = neighbour(b, -1);
                const Token* next = neighbour(b, 1);
                bool pasted = (prev && prev->text == "##") || (next && next->text == "##");
                std::vector<Token> arg = trimmed(args[p]);
                if (!pasted) arg = expand(arg, disabled, ok);
                replaced.insert(replaced.end(), arg.begin(), arg.end());
            }
            i = k;
        }
        // Token pasting: glue the neighbours of each ## together.
        for (size_t p = 0; p < replaced.size(); ++p) {
            if (!(replaced[p].kind == Token::Punct && replaced[p].text == "##")) continue;
            size_t l = p, r = p + 1;
            while (l > 0 && replaced[l - 1].kind == Token::Space) --l;
            while (r < replaced.size() && replaced[r].kind == Token::Space) ++r;
            if (l == 0 || r >= replaced.size()) continue;
            std::string glued = replaced[l - 1].text + replaced[r].text;
            std::vector<Token> g = tokenize(glued);
            replaced.erase(replaced.begin() + (l - 1), replaced.begin() + (r + 1));
            replaced.insert(replaced.begin() + (l - 1), g.begin(), g.end());
            p = l - 1;
        }
        disabled.insert(t.text);
        std::vector<Token> rescanned = expand(replaced, disabled, ok);
        disabled.erase(t.text);
        out.push_back(Token{Token::Space, " ", 0});
        out.insert(out.end(), rescanned.begin(), rescanned.end());
        out.push_back(Token{Token::Space, " ", 0});
    }
    return out;
}

// Integer expression of #if / #elif, after defined() and macro expansion.
class ExpressionParser {
public:
    explicit ExpressionParser(std::vector<Token> tokens) {
        for (Token& t : tokens)
            if (t.kind != Token::Space) tokens_.push_back(std::move(t));
    }
    bool parse(long long& value, std::string& why) {
        value = ternary();
        if (!error_.empty()) {
            why = error_;
            return false;
        }
        if (pos_ != tokens_.size()) {
            why = "unexpected '" + tokens_[pos_].text + "' in #if expression";
            return false;
        }
        return true;
    }

private:
    const std::string& peek() const {
        static const std::string none;
        return pos_ < tokens_.size() ? tokens_[pos_].text : none;
    }
    bool accept(const char* op) {
        if (pos_ < tokens_.size() && tokens_[pos_].kind == Token::Punct && tokens_[pos_].text == op) {
            ++pos_;
            return true;
        }
        return false;
    }
    long long ternary() {
        long long c = binary(0);
        if (accept("?")) {
            long long a = ternary();
            if (!accept(":")) fail("expected ':' in #if expression");
            long long b = ternary();
            return c ? a : b;
        }
        return c;
    }
    static int precedence(const std::string& op) {
        static const std::map<std::string, int> p = {{"||", 1}, {"&&", 2}, {"|", 3},  {"^", 4},  {"&", 5},
                                                     {"==", 6}, {"!=", 6}, {"<", 7},  {">", 7},  {"<=", 7},
                                                     {">=", 7}, {"<<", 8}, {">>", 8}, {"+", 9},  {"-", 9},
                                                     {"*", 10}, {"/", 10}, {"%", 10}};
        auto it = p.find(op);
        return it == p.end() ? -1 : it->second;
    }
    long long binary(int minPrec) {
        long long lhs = unary();
        while (pos_ < tokens_.size() && tokens_[pos_].kind == Token::Punct) {
            std::string op = peek();
            int prec = precedence(op);
            if (prec < 0 || prec < minPrec) break;
            ++pos_;
            long long rhs = binary(prec + 1);
            if (op == "||") lhs = lhs || rhs;
            else if (op == "&&") lhs = lhs && rhs;
            else if (op == "|") lhs |= rhs;
            else if (op == "^") lhs ^= rhs;
            else if (op == "&") lhs &= rhs;
            else if (op == "==") lhs = lhs == rhs;
            else if (op == "!=") lhs = lhs != rhs;
            else if (op == "<") lhs = lhs < rhs;
            else if (op == ">") lhs = lhs > rhs;
            else if (op == "<=") lhs = lhs <= rhs;
            else if (op == ">=") lhs = lhs >= rhs;
            else if (op == "<<") lhs = (rhs >= 0 && rhs < 63) ? lhs << rhs : 0;
            else if (op == ">>") lhs = (rhs >= 0 && rhs < 63) ? lhs >> rhs : 0;
            else if (op == "+") lhs += rhs;
            else if (op == "-") lhs -= rhs;
            else if (op == "*") lhs *= rhs;
            else if (rhs == 0) fail("division by zero in #if expression");
            else if (op == "/") lhs /= rhs;
            else lhs %= rhs;
        }
        return lhs;
    }
    long long unary() {
        if (accept("!")) return !unary();
        if (accept("-")) return -unary();
        if (accept("+")) return unary();
        if (accept("~")) return ~unary();
        if (accept("(")) {
            long long v = ternary();
            if (!accept(")")) fail("expected ')' in #if expression");
            return v;
        }
        if (pos_ >= tokens_.size()) {
            fail("missing operand in #if expression");
            return 0;
        }
        const Token& t = tokens_[pos_++];
        if (t.kind == Token::Ident) return 0;  // an undefined name counts as 0
        if (t.kind == Token::Number) {
            std::string digits = t.text;
            while (!digits.empty() && std::strchr("uUlL", digits.back())) digits.pop_back();
            char* end = nullptr;
            long long v = std::strtoll(digits.c_str(), &end, 0);
            if (digits.empty() || *end != '\0') fail("invalid integer '" + t.text + "' in #if expression");
            return v;
        }
        fail("unexpected '" + t.text + "' in #if expression");
        return 0;
    }
    void fail(const std::string& why) {
        if (error_.empty()) error_ = why;
    }

    std::vector<Token> tokens_;
    size_t pos_ = 0;
    std::string error_;
};

bool Preprocessor::evaluate(std::vector<Token> tokens, long long& value, std::string& why) {
    std::vector<Token> resolved;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind == Token::Ident && tokens[i].text == "defined") {
            size_t j = i + 1;
            while (j < tokens.size() && tokens[j].kind == Token::Space) ++j;
            bool paren = j < tokens.size() && tokens[j].text == "(";
            if (paren)
                for (++j; j < tokens.size() && tokens[j].kind == Token::Space;) ++j;
            if (j >= tokens.size() || tokens[j].kind != Token::Ident) {
                why = "'defined' needs a macro name";
                return false;
            }
            bool isDefined = macros_.count(tokens[j].text) > 0;
            if (paren) {
                for (++j; j < tokens.size() && tokens[j].kind == Token::Space;) ++j;
                if (j >= tokens.size() || tokens[j].text != ")") {
                    why = "expected ')' after 'defined('";
                    return false;
                }
            }
            resolved.push_back(Token{Token::Number, isDefined ? "1" : "0", 0});
            i = j;
            continue;
        }
        resolved.push_back(tokens[i]);
    }
    std::set<std::string> disabled;
    bool ok = true;
    std::vector<Token> expanded = expand(resolved, disabled, ok);
    if (!ok) {
        why = "malformed macro invocation in #if expression";
        return false;
    }
    ExpressionParser parser(std::move(expanded));
    return parser.parse(value, why);
}

void Preprocessor::directive(const LogicalLine& l, size_t hash, int file, int depth,
                             std::vector<Conditional>& conds) {
    std::vector<Token> tokens = tokenize(l.text, hash + 1);
    size_t i = 0;
    while (i < tokens.size() && tokens[i].kind == Token::Space) ++i;
    if (i >= tokens.size()) return;  // the null directive
    const std::string name = tokens[i].text;
    int column = tokens[i].column;
    std::vector<Token> rest(tokens.begin() + static_cast<long>(i) + 1, tokens.end());
    auto firstIdent = [&](std::string& out) {
        for (const Token& t : rest) {
            if (t.kind == Token::Space) continue;
            if (t.kind != Token::Ident) return false;
            out = t.text;
            return true;
        }
        return false;
    };
    const bool active = conds.empty() || conds.back().active;

    if (name == "if" || name == "ifdef" || name == "ifndef") {
        Conditional c{active, false, false, false, l.line};
        if (active) {
            bool value = false;
            if (name == "if") {
                long long v = 0;
                std::string why;
                if (!evaluate(rest, v, why)) error(file, l.line, column, why);
                value = v != 0;
            } else {
                std::string macro;
                if (!firstIdent(macro)) error(file, l.line, column, "#" + name + " needs a macro name");
                value = macros_.count(macro) > 0;
                if (name == "ifndef") value = !value;
            }
            c.active = c.taken = value;
        }
        conds.push_back(c);
        return;
    }
    if (name == "elif" || name == "else") {
        if (conds.empty()) {
            error(file, l.line, column, "#" + name + " without #if");
            return;
        }
        Conditional& c = conds.back();
        if (c.sawElse) error(file, l.line, column, "#" + name + " after #else");
        if (name == "else") c.sawElse = true;
        if (!c.parentActive || c.taken) {
            c.active = false;
            return;
        }
        bool value = true;
        if (name == "elif") {
            long long v = 0;
            std::string why;
            if (!evaluate(rest, v, why)) error(file, l.line, column, why);
            value = v != 0;
        }
        c.active = c.taken = value;
        return;
    }
    if (name == "endif") {
        if (conds.empty())
            error(file, l.line, column, "#endif without #if");
        else
            conds.pop_back();
        return;
    }
    if (!active) return;

    if (name == "define") {
        size_t j = 0;
        while (j < rest.size() && rest[j].kind == Token::Space) ++j;
        if (j >= rest.size() || rest[j].kind != Token::Ident) {
            error(file, l.line, column, "#define needs a macro name");
            return;
        }
        std::string macroName = rest[j].text;
        Macro m;
        ++j;
        if (j < rest.size() && rest[j].text == "(") {  // no space: a function-like macro
            m.function = true;
            ++j;
            bool expectName = true;
            for (; j < rest.size() && rest[j].text != ")"; ++j) {
                if (rest[j].kind == Token::Space) continue;
                if (expectName && rest[j].kind == Token::Ident) {
                    m.params.push_back(rest[j].text);
                    expectName = false;
                } else if (!expectName && rest[j].text == ",") {
                    expectName = true;
                } else {
                    error(file, l.line, rest[j].column, "invalid parameter list of macro '" + macroName + "'");
                    return;
                }
            }
            if (j >= rest.size() || (expectName && !m.params.empty())) {
                error(file, l.line, column, "invalid parameter list of macro '" + macroName + "'");
                return;
            }
            ++j;
        }
        while (j < rest.size() && rest[j].kind == Token::Space) ++j;
        m.body.assign(rest.begin() + static_cast<long>(j), rest.end());
        while (!m.body.empty() && m.body.back().kind == Token::Space) m.body.pop_back();
        macros_[macroName] = std::move(m);
        return;
    }
    if (name == "undef") {
        std::string macro;
        if (!firstIdent(macro))
            error(file, l.line, column, "#undef needs a macro name");
        else
            macros_.erase(macro);
        return;
    }
    if (name == "include") {
        std::string target = join(rest);
        size_t b = target.find_first_not_of(" \t");
        if (b != std::string::npos && target[b] != '"' && target[b] != '<') {
            std::set<std::string> disabled;
            bool ok = true;
            target = join(expand(rest, disabled, ok));
            b = target.find_first_not_of(" \t");
        }
        bool system = b != std::string::npos && target[b] == '<';
        char close = system ? '>' : '"';
        size_t e = b == std::string::npos ? std::string::npos : target.find(close, b + 1);
        if (b == std::string::npos || (target[b] != '"' && target[b] != '<') || e == std::string::npos) {
            error(file, l.line, column, "#include expects \"file\" or <file>");
            return;
        }
        std::string includeName = target.substr(b + 1, e - b - 1);
        if (depth >= 32) {
            error(file, l.line, column, "#include nested too deeply");
            return;
        }
        std::string text, path;
        if (!opener_ || !opener_(includeName, system, out_.files[file], text, path)) {
            error(file, l.line, column, "cannot open include file '" + includeName + "'");
            return;
        }
        run(text, path.empty() ? includeName : path, depth + 1);
        return;
    }
    if (name == "error") {
        std::string message = join(rest);
        size_t b = message.find_first_not_of(" \t");
        error(file, l.line, column, "#error" + (b == std::string::npos ? std::string() : " " + message.substr(b)));
        return;
    }
    if (name == "pragma" || name == "line") return;  // #pragma pack_matrix is re-emitted by the caller
    error(file, l.line, column, "unknown preprocessor directive '#" + name + "'");
}

void Preprocessor::run(const std::string& text, const std::string& name, int depth) {
    int file = static_cast<int>(out_.files.size());
    out_.files.push_back(name);
    out_.sources.push_back(text);
    std::vector<Conditional> conds;
    for (const LogicalLine& l : splitLines(text)) {
        size_t first = l.text.find_first_not_of(" \t\r\f\v");
        bool active = conds.empty() || conds.back().active;
        if (first != std::string::npos && l.text[first] == '#') {
            size_t before = out_.lines.size();
            directive(l, first, file, depth, conds);
            // glslang understands the matrix-packing pragma: keep it where it was written.
            std::vector<Token> tokens = tokenize(l.text, first + 1);
            bool keep = active && out_.lines.size() == before && l.text.find("pack_matrix") != std::string::npos;
            if (keep) {
                size_t i = 0;
                while (i < tokens.size() && tokens[i].kind == Token::Space) ++i;
                keep = i < tokens.size() && tokens[i].text == "pragma";
            }
            emit(keep ? l.text : std::string(), file, l.line);
        } else if (active) {
            std::set<std::string> disabled;
            bool ok = true;
            std::vector<Token> expanded = expand(tokenize(l.text), disabled, ok);
            if (!ok) error(file, l.line, 1, "malformed macro invocation (its arguments must be on one line)");
            emit(join(expanded), file, l.line);
        } else {
            emit(std::string(), file, l.line);
        }
        for (int k = 1; k <= l.spliced; ++k) emit(std::string(), file, l.line + k);
    }
    if (!conds.empty()) error(file, conds.back().line, 1, "unterminated #if");
}

}  // namespace

bool preprocess(const std::string& source, const std::string& name, const std::vector<MacroDefinition>& macros,
                const IncludeOpener& opener, PreprocessedSource& out, std::vector<Diagnostic>& errors) {
    out = PreprocessedSource{};
    size_t before = errors.size();
    Preprocessor pp(opener, out, errors);
    for (const MacroDefinition& m : macros) pp.define(m.name, m.value);
    pp.run(source, name, 0);
    return errors.size() == before;
}

}  // namespace fx
