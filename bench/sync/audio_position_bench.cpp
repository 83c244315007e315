// Plays the fixture tones under the dummy audio driver (real-time, silent) and samples the
// heard position every half millisecond against two references: the stream bytes the output
// callback has handed to the device (the position may trail them by at most one device buffer,
// and never lead), and the wall clock since playback started. The dummy driver paces itself
// with whole-millisecond sleeps, so its consumption, and the heard position with it, drifts
// from the wall clock; a sound card's clock does not.
#include "platform/bass.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

struct Figures {
    double maxLagMs = 0;     // handed minus heard, largest
    double maxLeadMs = 0;    // heard ahead of handed, largest (must stay 0)
    double clockAheadMs = 0;   // heard ahead of the wall clock, largest
    double clockBehindMs = 0;  // heard behind the wall clock, largest
    double endClockMs = 0;     // heard minus wall clock at the last sample
    long samples = 0;
    bool monotonic = true;
};

Figures measure(const char* path, double seconds) {
    Figures f;
    const HSTREAM s = BASS_StreamCreateFile(FALSE, path, 0, 0, BASS_STREAM_PRESCAN);
    if (!s) {
        std::fprintf(stderr, "cannot open %s\n", path);
        std::exit(1);
    }
    BASS_ChannelPlay(s, FALSE);
    const auto start = std::chrono::steady_clock::now();
    QWORD last = 0;
    for (;;) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (elapsed > seconds)
            break;
        const QWORD heard = BASS_ChannelGetPosition(s, BASS_POS_BYTE);
        const QWORD handed = bassHandedBytes(s);
        const double heardS = BASS_ChannelBytes2Seconds(s, heard);
        const double handedS = BASS_ChannelBytes2Seconds(s, handed);
        f.monotonic = f.monotonic && heard >= last;
        last = heard;
        f.maxLagMs = std::max(f.maxLagMs, (handedS - heardS) * 1000);
        f.maxLeadMs = std::max(f.maxLeadMs, (heardS - handedS) * 1000);
        f.endClockMs = (heardS - elapsed) * 1000;
        f.clockAheadMs = std::max(f.clockAheadMs, f.endClockMs);
        f.clockBehindMs = std::max(f.clockBehindMs, -f.endClockMs);
        ++f.samples;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    BASS_StreamFree(s);
    return f;
}

}  // namespace

int main() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!BASS_Init(1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "no output device (error %d)\n", BASS_ErrorGetCode());
        return 1;
    }
    const double bufferMs = bassDeviceBufferFrames() * 1000.0 / 44100.0;
    std::printf("device buffer: %u frames = %.2f ms\n", bassDeviceBufferFrames(), bufferMs);
    const std::string root = ORLUNDE_SOURCE_ROOT;
    bool ok = true;
    for (const auto& [name, seconds] : {std::pair{"tone_2s.mp3", 1.9}, std::pair{"tone_mono_22k.mp3", 0.9}}) {
        const Figures f = measure((root + "/tests/fixtures/" + name).c_str(), seconds);
        std::printf("%-18s %ld samples: behind handed max %.2f ms, ahead of handed max %.2f ms, "
                    "vs wall clock: ahead max %.2f ms, behind max %.2f ms, at the end %+.2f ms, %s\n",
                    name, f.samples, f.maxLagMs, f.maxLeadMs, f.clockAheadMs, f.clockBehindMs, f.endClockMs,
                    f.monotonic ? "monotonic" : "NOT monotonic");
        ok = ok && f.monotonic && f.maxLeadMs <= 0.0 && f.maxLagMs <= bufferMs + 0.05 && f.maxLagMs < 12.0;
    }
    BASS_Free();
    std::printf("%s\n", ok ? "within one device buffer and 12 ms" : "OUT OF BOUNDS");
    return ok ? 0 : 1;
}
