// Effect-file preprocessor: the C-style preprocessing that D3DX applies before compiling.
// Implements: comments, line splices, #define (object- and function-like, # and ##), #undef,
//   #if/#ifdef/#ifndef/#elif/#else/#endif with defined() and integer expressions, #include
//   through a caller-supplied opener, #error, #pragma (pack_matrix kept, others dropped), #line
//   (accepted, ignored). Output keeps one line per source line, so a line map gives every
//   output line's file and line.
// Leaves out: macro invocations whose arguments span several lines, __FILE__/__LINE__,
//   trigraphs, #include_next.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fx {

// One located message, printed as "file(line,col): error: message".
struct Diagnostic {
    std::string file;
    int line = 0;
    int column = 0;
    std::string message;
    bool warning = false;
};

std::string formatDiagnostic(const Diagnostic& d);

struct SourceLine {
    int file = 0;  // index into PreprocessedSource::files
    int line = 0;  // 1-based line in that file
};

struct PreprocessedSource {
    std::string text;
    std::vector<SourceLine> lines;   // lines[i]: where output line i + 1 came from
    std::vector<std::string> files;    // files[0] is the main source
    std::vector<std::string> sources;  // the text of each file, as read

    // Maps a 1-based output line to its source file name and line (the main file's line
    // itself when out of range).
    SourceLine locate(int outputLine) const;
    // The diagnostic's line followed by the source line it points at and a caret under its
    // column, when the file is one of these.
    std::string format(const Diagnostic& d) const;
};

struct MacroDefinition {
    std::string name;
    std::string value;
};

// Opens an include: given the written name, whether it was <...>, and the including file's
// path, fills text and the path used for messages. Returns false when it cannot be opened.
using IncludeOpener = std::function<bool(const std::string& name, bool system, const std::string& parent,
                                         std::string& text, std::string& path)>;

// Reads includes from disk relative to the including file's directory.
bool openIncludeFromDisk(const std::string& name, bool system, const std::string& parent, std::string& text,
                         std::string& path);

// Preprocesses source (named name in messages). Returns false with errors filled on failure.
bool preprocess(const std::string& source, const std::string& name, const std::vector<MacroDefinition>& macros,
                const IncludeOpener& opener, PreprocessedSource& out, std::vector<Diagnostic>& errors);

}  // namespace fx
