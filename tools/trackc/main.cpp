// trackc: compiles the demo's timeline source into one track file per sync track, and prints
// track files or the section table back as text.
//
//   trackc compile TIMELINE OUTDIR [PREFIX]   writes OUTDIR/PREFIX_<name>.track (PREFIX: sync)
//   trackc check TIMELINE                     parses the source and reports the first fault
//   trackc print FILE.track [TIMELINE]        lists the keys (bar:beat positions with TIMELINE)
//   trackc sections TIMELINE                  lists the sections with their rows and seconds
#include "sync/device.h"
#include "tools/trackc/timeline.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: trackc compile TIMELINE OUTDIR [PREFIX]\n"
                 "       trackc check TIMELINE\n"
                 "       trackc print FILE.track [TIMELINE]\n"
                 "       trackc sections TIMELINE\n");
    return 2;
}

// Every track the demo reads must be keyed, and nothing else may be: a misspelt name would
// otherwise leave a track silently at zero.
void checkNames(const timeline::Timeline& tl, const std::string& source) {
    for (const timeline::Track& t : tl.tracks) {
        bool known = false;
        for (int i = 0; i < kSyncTrackCount; ++i) known = known || t.name == kTrackNames[i];
        if (!known) throw timeline::ParseError(source, t.line, "'" + t.name + "' is not a sync track name");
        if (t.keys.empty()) throw timeline::ParseError(source, t.line, "track '" + t.name + "' has no keys");
    }
    for (int i = 0; i < kSyncTrackCount; ++i)
        if (!tl.findTrack(kTrackNames[i]))
            throw std::runtime_error(source + ": track '" + kTrackNames[i] + "' is missing");
}

int compile(const std::string& source, const std::string& outDir, const std::string& prefix) {
    timeline::Timeline tl = timeline::parseFile(source);
    checkNames(tl, source);
    for (int i = 0; i < kSyncTrackCount; ++i) {
        const timeline::Track* t = tl.findTrack(kTrackNames[i]);
        std::vector<uint8_t> bytes = timeline::encodeTrack(t->keys);
        std::string path = outDir + "/" + prefix + "_" + t->name + ".track";
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + path);
    }
    std::printf("trackc: %d tracks from %s into %s\n", kSyncTrackCount, source.c_str(), outDir.c_str());
    return 0;
}

int print(const std::string& path, const std::string& source) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<timeline::Key> keys = timeline::decodeTrack(bytes);
    timeline::Timeline tl;  // the default tempo when no source is given
    if (!source.empty()) tl = timeline::parseFile(source);
    std::printf("# %s: %zu keys\n", path.c_str(), keys.size());
    std::printf("# %8s  %-9s %9s  %14s  %s\n", "row", "bar:beat", "seconds", "value", "type");
    for (const timeline::Key& k : keys) {
        std::string type = timeline::typeName(k.type);
        if (k.type < 0 || k.type > 3) type = std::to_string(k.type) + " (as step)";
        std::printf("  %8u  %-9s %9.3f  %14.6g  %s\n", k.row, timeline::formatPosition(k.row, tl).c_str(),
                    k.row / tl.rowsPerSecond(), k.value, type.c_str());
    }
    return 0;
}

int sections(const std::string& source) {
    timeline::Timeline tl = timeline::parseFile(source);
    std::printf("# tempo %g, %d rows per beat, %d beats per bar (%.3f s per bar)\n", tl.bpm, tl.rowsPerBeat,
                tl.beatsPerBar, tl.secondsPerBar());
    std::printf("# %-10s %5s %5s %7s %9s %9s\n", "section", "bar", "bars", "row", "start s", "end s");
    for (const timeline::Section& s : tl.sections)
        std::printf("  %-10s %5d %5d %7d %9.2f %9.2f\n", s.name.c_str(), s.firstBar, s.bars,
                    s.firstBar * tl.rowsPerBar(), s.firstBar * tl.secondsPerBar(), s.endBar() * tl.secondsPerBar());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() >= 3 && args.size() <= 4 && args[0] == "compile")
            return compile(args[1], args[2], args.size() == 4 ? args[3] : "sync");
        if (args.size() == 2 && args[0] == "check") {
            timeline::Timeline tl = timeline::parseFile(args[1]);
            checkNames(tl, args[1]);
            return 0;
        }
        if ((args.size() == 2 || args.size() == 3) && args[0] == "print")
            return print(args[1], args.size() == 3 ? args[2] : "");
        if (args.size() == 2 && args[0] == "sections") return sections(args[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "trackc: %s\n", e.what());
        return 1;
    }
    return usage();
}
