// synth: renders the demo's music from the timeline's section table into a WAV file.
//
//   synth TIMELINE OUT.wav [--from SECONDS] [--seconds SECONDS]
#include "tools/synth/synth.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: synth TIMELINE OUT.wav [--from SECONDS] [--seconds SECONDS]\n");
        return 2;
    }
    double from = 0.0, seconds = -1.0;
    for (int i = 3; i + 1 < argc; i += 2) {
        std::string opt = argv[i];
        if (opt == "--from")
            from = std::atof(argv[i + 1]);
        else if (opt == "--seconds")
            seconds = std::atof(argv[i + 1]);
        else {
            std::fprintf(stderr, "synth: unknown option %s\n", opt.c_str());
            return 2;
        }
    }
    try {
        timeline::Timeline tl = timeline::parseFile(argv[1]);
        synth::Report r;
        synth::Stereo s = synth::render(tl, from, seconds, synth::MasterSettings{}, &r);
        synth::writeWav(argv[2], s);
        std::printf("synth: %s: %.2f s, %.2f LUFS, peak %.2f dBFS, master gain %+.2f dB\n", argv[2], r.seconds,
                    r.loudness, r.peakDb, r.gainDb);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "synth: %s\n", e.what());
        return 1;
    }
    return 0;
}
