#include "tools/trackc/timeline.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace timeline {

const Section* Timeline::findSection(const std::string& name) const {
    for (const Section& s : sections)
        if (s.name == name) return &s;
    return nullptr;
}

const Track* Timeline::findTrack(const std::string& name) const {
    for (const Track& t : tracks)
        if (t.name == name) return &t;
    return nullptr;
}

const Section* Timeline::sectionAtBar(int bar) const {
    for (const Section& s : sections)
        if (bar >= s.firstBar && bar < s.endBar()) return &s;
    return nullptr;
}

ParseError::ParseError(const std::string& source, int line, const std::string& message)
    : std::runtime_error(source + ":" + std::to_string(line) + ": " + message), line(line) {}

namespace {

class Parser {
public:
    Parser(const std::string& source) : source(source) {}

    Timeline run(std::istream& in) {
        std::string text;
        while (std::getline(in, text)) {
            ++line;
            if (size_t hash = text.find('#'); hash != std::string::npos) text.resize(hash);
            std::istringstream words(text);
            std::vector<std::string> tok;
            for (std::string w; words >> w;) tok.push_back(w);
            if (!tok.empty()) directive(tok);
        }
        if (inRepeat) fail("repeat block opened on line " + std::to_string(repeatLine) + " has no end");
        finishTrack();
        if (tl.sections.empty()) fail("no sections");
        return tl;
    }

private:
    [[noreturn]] void fail(const std::string& message) const { throw ParseError(source, line, message); }

    void expectCount(const std::vector<std::string>& tok, size_t n, const char* usage) const {
        if (tok.size() != n) fail(std::string("expected '") + usage + "'");
    }

    long integer(const std::string& s, long lo, long hi) const {
        char* end = nullptr;
        long v = std::strtol(s.c_str(), &end, 10);
        if (s.empty() || *end != '\0') fail("'" + s + "' is not a whole number");
        if (v < lo || v > hi)
            fail("'" + s + "' is out of range " + std::to_string(lo) + " to " + std::to_string(hi));
        return v;
    }

    double number(const std::string& s) const {
        char* end = nullptr;
        double v = std::strtod(s.c_str(), &end);
        if (s.empty() || *end != '\0' || !std::isfinite(v)) fail("'" + s + "' is not a number");
        return v;
    }

    // "B", "B:b" (beat from 0, may have a decimal fraction) or "rN": a length in rows.
    int64_t offset(const std::string& s) const {
        if (s.size() > 1 && s[0] == 'r') return integer(s.substr(1), 0, 1L << 30);
        size_t colon = s.find(':');
        long bars = integer(s.substr(0, colon), 0, 1L << 20);
        double rows = double(bars) * tl.rowsPerBar();
        if (colon != std::string::npos) {
            double beat = number(s.substr(colon + 1));
            if (beat < 0.0) fail("negative beat in '" + s + "'");
            rows += beat * tl.rowsPerBeat;
        }
        double whole = std::round(rows);
        if (std::fabs(rows - whole) > 1e-6) fail("'" + s + "' does not fall on a whole row");
        return int64_t(whole);
    }

    // An absolute position: an offset from row 0, or a section name ("drop" for its first bar,
    // "drop.end" for the bar after it) optionally followed by +offset or -offset.
    uint32_t position(const std::string& s) const {
        if (s.empty()) fail("empty position");
        if (std::isdigit(static_cast<unsigned char>(s[0])) || (s[0] == 'r' && s.size() > 1 &&
                                                                std::isdigit(static_cast<unsigned char>(s[1]))))
            return uint32_t(offset(s));
        size_t sign = s.find_first_of("+-");
        std::string anchor = s.substr(0, sign);
        bool atEnd = false;
        if (anchor.size() > 4 && anchor.compare(anchor.size() - 4, 4, ".end") == 0) {
            atEnd = true;
            anchor.resize(anchor.size() - 4);
        }
        const Section* sec = tl.findSection(anchor);
        if (!sec) fail("unknown section '" + anchor + "' in position '" + s + "'");
        int64_t row = int64_t(atEnd ? sec->endBar() : sec->firstBar) * tl.rowsPerBar();
        if (sign != std::string::npos) {
            int64_t delta = offset(s.substr(sign + 1));
            row += s[sign] == '+' ? delta : -delta;
        }
        if (row < 0) fail("position '" + s + "' lies before row 0");
        if (row > int64_t(UINT32_MAX)) fail("position '" + s + "' is too far");
        return uint32_t(row);
    }

    int8_t keyType(const std::string& s) const {
        static const char* names[] = {"step", "linear", "smooth", "ramp"};
        for (int i = 0; i < 4; ++i)
            if (s == names[i]) return int8_t(i);
        fail("unknown interpolation '" + s + "' (step, linear, smooth or ramp)");
    }

    void addKey(uint32_t row, const std::string& value, const std::string& type) {
        Key key{row, float(number(value)), keyType(type)};
        auto [it, fresh] = keyLines.emplace(row, line);
        if (!fresh)
            fail("track '" + current->name + "' has two keys at row " + std::to_string(row) +
                 " (the other on line " + std::to_string(it->second) + ")");
        current->keys.push_back(key);
    }

    void finishTrack() {
        if (!current) return;
        std::sort(current->keys.begin(), current->keys.end(),
                  [](const Key& a, const Key& b) { return a.row < b.row; });
        current = nullptr;
        keyLines.clear();
    }

    void directive(const std::vector<std::string>& tok) {
        const std::string& word = tok[0];
        if (inRepeat) {
            if (word == "end" && tok.size() == 1) {
                emitRepeat();
                return;
            }
            if (word[0] != '+') fail("inside a repeat block, keys start with '+' (or close it with 'end')");
            expectCount(tok, 3, "+OFFSET VALUE TYPE");
            pattern.push_back({offset(word.substr(1)), tok[1], tok[2], line});
            return;
        }
        if (word == "tempo" || word == "rows_per_beat" || word == "beats_per_bar") {
            if (!tl.tracks.empty() || !tl.sections.empty()) fail("'" + word + "' must come before sections and tracks");
            expectCount(tok, 2, (word + " N").c_str());
            if (word == "tempo") {
                tl.bpm = number(tok[1]);
                if (tl.bpm <= 0.0) fail("tempo must be positive");
            } else if (word == "rows_per_beat") {
                tl.rowsPerBeat = int(integer(tok[1], 1, 1024));
            } else {
                tl.beatsPerBar = int(integer(tok[1], 1, 64));
            }
        } else if (word == "section") {
            if (!tl.tracks.empty()) fail("sections must come before the first track");
            expectCount(tok, 4, "section NAME FIRST_BAR BARS");
            Section s{tok[1], int(integer(tok[2], 0, 1 << 20)), int(integer(tok[3], 1, 1 << 20))};
            if (s.name.find_first_of("+-.:") != std::string::npos || std::isdigit(static_cast<unsigned char>(s.name[0])))
                fail("section name '" + s.name + "' must not start with a digit or hold + - . :");
            if (tl.findSection(s.name)) fail("section '" + s.name + "' defined twice");
            int expected = tl.totalBars();
            if (s.firstBar != expected)
                fail("section '" + s.name + "' starts at bar " + std::to_string(s.firstBar) +
                     ", the previous one ends at bar " + std::to_string(expected));
            tl.sections.push_back(s);
        } else if (word == "track") {
            expectCount(tok, 2, "track NAME");
            if (tl.sections.empty()) fail("tracks must follow the sections");
            finishTrack();
            if (tl.findTrack(tok[1])) fail("track '" + tok[1] + "' defined twice");
            tl.tracks.push_back({tok[1], line, {}});
            current = &tl.tracks.back();
        } else if (word == "repeat") {
            if (!current) fail("repeat outside a track");
            expectCount(tok, 4, "repeat FROM TO EVERY");
            repeatFrom = position(tok[1]);
            repeatTo = position(tok[2]);
            repeatEvery = offset(tok[3]);
            if (repeatEvery <= 0) fail("repeat period must be positive");
            if (repeatTo <= repeatFrom) fail("repeat ends before it starts");
            inRepeat = true;
            repeatLine = line;
            pattern.clear();
        } else if (word == "end" && tok.size() == 1) {
            fail("'end' without a repeat block");
        } else if (word[0] == '+') {
            fail("offset key outside a repeat block");
        } else {
            if (!current) fail("unknown directive '" + word + "' (keys belong after a 'track' line)");
            expectCount(tok, 3, "POSITION VALUE TYPE");
            addKey(position(word), tok[1], tok[2]);
        }
    }

    // Each repetition that starts before the block's end emits all of its keys.
    void emitRepeat() {
        if (pattern.empty()) fail("empty repeat block");
        int endLine = line;
        for (int64_t start = repeatFrom; start < repeatTo; start += repeatEvery) {
            for (const PatternKey& k : pattern) {
                line = k.line;
                int64_t row = start + k.offset;
                if (row > int64_t(UINT32_MAX)) fail("repeat runs past the last row");
                addKey(uint32_t(row), k.value, k.type);
            }
        }
        line = endLine;
        inRepeat = false;
    }

    struct PatternKey {
        int64_t offset;
        std::string value, type;
        int line;
    };

    std::string source;
    int line = 0;
    Timeline tl;
    Track* current = nullptr;
    std::map<uint32_t, int> keyLines;  // row -> line of the current track's keys
    bool inRepeat = false;
    int repeatLine = 0;
    int64_t repeatFrom = 0, repeatTo = 0, repeatEvery = 0;
    std::vector<PatternKey> pattern;
};

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

Timeline parse(std::istream& in, const std::string& sourceName) {
    Timeline tl = Parser(sourceName).run(in);
    return tl;
}

Timeline parseFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    return parse(in, path);
}

std::vector<uint8_t> encodeTrack(const std::vector<Key>& keys) {
    std::vector<uint8_t> out;
    out.reserve(4 + 9 * keys.size());
    put32(out, uint32_t(keys.size()));
    for (const Key& k : keys) {
        uint32_t bits;
        std::memcpy(&bits, &k.value, 4);
        put32(out, k.row);
        put32(out, bits);
        out.push_back(uint8_t(k.type));
    }
    return out;
}

std::vector<Key> decodeTrack(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 4) throw std::runtime_error("a track file holds at least its 4-byte key count");
    uint32_t n = get32(bytes.data());
    if (bytes.size() != 4 + 9 * uint64_t(n))
        throw std::runtime_error("key count " + std::to_string(n) + " needs " + std::to_string(4 + 9 * uint64_t(n)) +
                                 " bytes, the file has " + std::to_string(bytes.size()));
    std::map<uint32_t, Key> byRow;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* p = bytes.data() + 4 + 9 * size_t(i);
        Key k;
        k.row = get32(p);
        uint32_t bits = get32(p + 4);
        std::memcpy(&k.value, &bits, 4);
        k.type = int8_t(p[8]);
        byRow[k.row] = k;
    }
    std::vector<Key> keys;
    for (auto& [row, k] : byRow) keys.push_back(k);
    return keys;
}

std::string formatPosition(uint32_t row, const Timeline& tl) {
    uint32_t bar = row / uint32_t(tl.rowsPerBar());
    uint32_t inBar = row % uint32_t(tl.rowsPerBar());
    uint32_t beat = inBar / uint32_t(tl.rowsPerBeat);
    uint32_t sub = inBar % uint32_t(tl.rowsPerBeat);
    char buf[64];
    if (sub == 0)
        std::snprintf(buf, sizeof buf, "%u:%u", bar, beat);
    else {
        // Print the fraction of a beat as a short decimal ("12:1.5").
        std::snprintf(buf, sizeof buf, "%u:%u%s", bar, beat,
                      std::to_string(double(sub) / tl.rowsPerBeat).substr(1, 7).c_str());
        std::string s = buf;
        while (s.back() == '0') s.pop_back();
        return s;
    }
    return buf;
}

const char* typeName(int type) {
    switch (type) {
        case 0: return "step";
        case 1: return "linear";
        case 2: return "smooth";
        case 3: return "ramp";
        default: return "step";  // any other stored type behaves like step
    }
}

}  // namespace timeline
