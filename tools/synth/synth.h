// A small synthesizer that renders the demo's music from the timeline's section table:
// drums, bass, pads, arpeggio and lead, with delay, reverb, side-chain and a master stage that
// brings the mix to a target loudness under a peak ceiling.
#pragma once

#include "tools/trackc/timeline.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace synth {

constexpr int kSampleRate = 44100;

struct Stereo {
    std::vector<float> left, right;
    size_t frames() const { return left.size(); }
};

struct MasterSettings {
    double targetLufs = -14.0;   // integrated loudness of the finished mix
    double ceilingDb = -1.5;     // sample peak ceiling of the limiter
    // When finite, this gain is applied instead of bringing the render to targetLufs: a short
    // render then keeps the level it has inside the whole song.
    double fixedGainDb = NAN;
};

struct Report {
    double seconds = 0.0;
    double loudness = 0.0;   // integrated loudness, LUFS
    double peakDb = 0.0;     // highest sample, dBFS
    double gainDb = 0.0;     // master gain applied before the limiter
};

// Renders `seconds` of the song starting at `from` seconds (seconds < 0: to the end of the last
// section). Throws std::runtime_error for a section table the arrangement does not know.
Stereo render(const timeline::Timeline& tl, double from, double seconds, const MasterSettings& master,
              Report* report);

// Integrated loudness (ITU-R BS.1770, gated) of a stereo signal at kSampleRate, in LUFS.
double integratedLoudness(const Stereo& s);
double peakDb(const Stereo& s);

// 16-bit PCM stereo WAV.
void writeWav(const std::string& path, const Stereo& s);

}  // namespace synth
