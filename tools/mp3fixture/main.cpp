// Writes the deterministic test tone used by the audio fixtures as a 16-bit PCM WAV file:
// a tone that steps through four pitches every half second, with a short click on every
// whole second, so that position errors are audible and visible in a waveform view.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void put16(std::vector<unsigned char>& out, uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void put32(std::vector<unsigned char>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: mp3fixture OUT.wav RATE CHANNELS SECONDS\n");
        return 2;
    }
    const long rate = std::strtol(argv[2], nullptr, 10);
    const long channels = std::strtol(argv[3], nullptr, 10);
    const double seconds = std::strtod(argv[4], nullptr);
    if (rate < 8000 || rate > 48000 || channels < 1 || channels > 2 || !(seconds > 0.0 && seconds <= 60.0)) {
        std::fprintf(stderr, "mp3fixture: rate 8000..48000, 1 or 2 channels, 0..60 seconds\n");
        return 2;
    }

    const uint32_t frames = uint32_t(std::lround(seconds * double(rate)));
    const uint32_t dataBytes = frames * uint32_t(channels) * 2;
    std::vector<unsigned char> out;
    out.reserve(44 + dataBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, uint32_t(channels));
    put32(out, uint32_t(rate));
    put32(out, uint32_t(rate * channels * 2));
    put16(out, uint32_t(channels * 2));
    put16(out, 16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataBytes);

    const double pitches[] = {440.0, 554.37, 659.26, 880.0};
    const double pi = 3.141592653589793;
    double phase = 0.0;
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / double(rate);
        phase += 2.0 * pi * pitches[(i * 2 / uint32_t(rate)) % 4] / double(rate);
        double sample = 0.4 * std::sin(phase);
        const uint32_t intoSecond = i % uint32_t(rate);
        if (intoSecond < uint32_t(rate) / 200)  // 5 ms click at each whole second
            sample += 0.5 * std::sin(2.0 * pi * 3000.0 * t);
        const int32_t value = int32_t(std::lround(sample * 32767.0));
        for (long c = 0; c < channels; ++c)
            put16(out, uint32_t(uint16_t(int16_t(c == 1 ? -value : value))));
    }

    FILE* file = std::fopen(argv[1], "wb");
    if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() || std::fclose(file) != 0) {
        std::fprintf(stderr, "mp3fixture: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
