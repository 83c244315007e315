#include "tools/synth/synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>

namespace synth {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSr = kSampleRate;

double midiHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }
double dbGain(double db) { return std::pow(10.0, db / 20.0); }

// Deterministic noise: the same song on every run and every machine.
struct Rng {
    uint32_t s;
    explicit Rng(uint32_t seed) : s(seed * 2654435761u + 0x9E3779B9u) {}
    float next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return float(s) / 2147483648.0f - 1.0f;
    }
};

// PolyBLEP correction of a naive oscillator edge: keeps saws and squares from aliasing.
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct Osc {
    double phase = 0.0;
    double saw(double hz) {
        double dt = hz / kSr;
        double v = 2.0 * phase - 1.0 - polyBlep(phase, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
    double square(double hz, double width = 0.5) {
        double dt = hz / kSr;
        double v = (phase < width ? 1.0 : -1.0) + polyBlep(phase, dt) - polyBlep(std::fmod(phase + 1.0 - width, 1.0), dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
    double sine(double hz) {
        double v = std::sin(2.0 * kPi * phase);
        phase += hz / kSr;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

// State-variable filter (trapezoidal, stable under fast cutoff changes).
struct Svf {
    double ic1 = 0, ic2 = 0, a1 = 0, a2 = 0, a3 = 0, k = 1;
    double low = 0, band = 0, high = 0;
    void set(double hz, double q) {
        hz = std::clamp(hz, 10.0, kSr * 0.45);
        double g = std::tan(kPi * hz / kSr);
        k = 1.0 / q;
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    void run(double v0) {
        double v3 = v0 - ic2;
        double v1 = a1 * ic1 + a2 * v3;
        double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        low = v2;
        band = v1;
        high = v0 - k * v1 - v2;
    }
};

// Attack, decay, sustain, release; gate is the held time in seconds.
double adsr(double t, double gate, double a, double d, double s, double r) {
    auto held = [&](double x) {
        if (x < a) return x / a;
        x -= a;
        return s + (1.0 - s) * std::exp(-x / d);
    };
    if (t < 0) return 0;
    if (t < gate) return held(t);
    double rt = t - gate;
    if (rt > r * 6.0) return 0;
    return held(gate) * std::exp(-rt / r);
}

// A window of the song being rendered; voices are computed from their start and written only
// where they fall inside the window, so a short render sounds like that stretch of the song.
struct Bus {
    int64_t start = 0;
    std::vector<float> l, r;
    Bus(int64_t start, size_t n) : start(start), l(n, 0.0f), r(n, 0.0f) {}
    bool inside(int64_t s) const { return s >= start && s < start + int64_t(l.size()); }
    void add(int64_t s, double vl, double vr) {
        if (!inside(s)) return;
        l[size_t(s - start)] += float(vl);
        r[size_t(s - start)] += float(vr);
    }
    int64_t end() const { return start + int64_t(l.size()); }
};

// Equal-power pan, p in [-1, 1].
std::pair<double, double> pan(double p) {
    double a = (p + 1.0) * kPi / 4.0;
    return {std::cos(a), std::sin(a)};
}

// Chords of the song, in D minor.
struct Chord {
    double bass;                 // root in the bass octave
    std::array<double, 4> tones;  // pad voicing
};
const Chord kDm{38, {57, 62, 65, 69}};
const Chord kBb{34, {58, 62, 65, 70}};
const Chord kF{41, {57, 60, 65, 69}};
const Chord kC{36, {55, 60, 64, 67}};
const Chord kGm{43, {55, 58, 62, 67}};
const Chord kA{33, {57, 61, 64, 69}};

struct Note {
    double beat, length, pitch;
};

// Melodies, in beats from the start of a four-bar phrase.
const std::vector<Note> kVerseA = {
    {0, 1.5, 69}, {1.5, .5, 72}, {2, .5, 69}, {2.5, .5, 67}, {3, 1, 65},
    {4, 1.5, 65}, {5.5, .5, 67}, {6, 1, 65}, {7, 1, 62},
    {8, 1.5, 72}, {9.5, .5, 69}, {10, 1, 65}, {11, 1, 69},
    {12, 2, 67}, {14, 1, 64}, {15, 1, 60},
};
const std::vector<Note> kVerseB = {
    {0, 1.5, 74}, {1.5, .5, 72}, {2, .5, 69}, {2.5, .5, 72}, {3, 1, 74},
    {4, 1.5, 77}, {5.5, .5, 74}, {6, 1, 70}, {7, 1, 74},
    {8, 1.5, 72}, {9.5, .5, 69}, {10, 1, 72}, {11, 1, 77},
    {12, 1.5, 76}, {13.5, .5, 74}, {14, 2, 72},
};
// The hook: a 3-3-2 rhythm over chord tones.
std::vector<Note> hook(bool answer) {
    const double rhythm[6][2] = {{0, .75}, {.75, .75}, {1.5, .5}, {2, .75}, {2.75, .75}, {3.5, .5}};
    const double bars[4][6] = {{74, 69, 77, 74, 69, 76},
                               {74, 70, 77, 74, 70, 79},
                               {77, 72, 81, 77, 72, 79},
                               {76, 72, 79, 76, 74, 72}};
    const double answerBar[6] = {79, 76, 72, 74, 76, 77};
    std::vector<Note> out;
    for (int b = 0; b < 4; ++b)
        for (int i = 0; i < 6; ++i)
            out.push_back({b * 4 + rhythm[i][0], rhythm[i][1], (answer && b == 3) ? answerBar[i] : bars[b][i]});
    return out;
}
// Moves a note of D natural minor by `steps` scale degrees (for harmony lines); a note outside
// the scale moves from the degree below it.
double diatonic(double pitch, int steps) {
    static const int offsets[7] = {0, 2, 3, 5, 7, 8, 10};  // D E F G A Bb C above D
    int rel = int(std::lround(pitch)) - 62;                 // from D4
    int octave = int(std::floor(rel / 12.0));
    int within = rel - 12 * octave, degree = 0;
    for (int d = 0; d < 7; ++d)
        if (offsets[d] <= within) degree = d;
    int target = degree + steps;
    int shift = int(std::floor(target / 7.0));
    return 62.0 + 12.0 * (octave + shift) + offsets[target - 7 * shift];
}

const std::vector<Note> kBreakTheme = {
    {0, 2, 70}, {2, 2, 74}, {4, 4, 69}, {8, 2, 65}, {10, 2, 74}, {12, 2, 73}, {14, 2, 76},
};

enum class Style { Intro, Build, Verse, Drop, Break, Drop2, End, Outro };

Style styleOf(const std::string& name) {
    static const std::map<std::string, Style> styles = {
        {"intro", Style::Intro}, {"build", Style::Build}, {"verse", Style::Verse}, {"drop", Style::Drop},
        {"break", Style::Break}, {"drop2", Style::Drop2}, {"end", Style::End},     {"outro", Style::Outro}};
    auto it = styles.find(name);
    if (it == styles.end()) throw std::runtime_error("the arrangement has no part for section '" + name + "'");
    return it->second;
}

const Chord& chordFor(Style style, int barInSection) {
    static const Chord* mainLoop[4] = {&kDm, &kBb, &kF, &kC};
    static const Chord* breakLoop[4] = {&kGm, &kDm, &kBb, &kA};
    // The end section plays the main loop under the returning melody, then turns through Bb and
    // Gm to the dominant, which the outro's D minor resolves.
    static const Chord* endTurn[4] = {&kBb, &kGm, &kA, &kA};
    switch (style) {
        case Style::Break: return *breakLoop[barInSection % 4];
        case Style::End: return barInSection < 8 ? *mainLoop[barInSection % 4] : *endTurn[(barInSection - 8) % 4];
        case Style::Outro: return kDm;
        default: return *mainLoop[barInSection % 4];
    }
}

class Song {
public:
    Song(const timeline::Timeline& tl, int64_t start, size_t frames)
        : tl(tl),
          spb(60.0 / tl.bpm),
          drums(start, frames),
          bass(start, frames),
          pads(start, frames),
          lead(start, frames),
          arp(start, frames),
          fx(start, frames),
          reverbSend(start, frames) {}

    Stereo mix() {
        arrange();
        applySidechain(bass, 0.75);
        applySidechain(pads, 0.6);
        applySidechain(arp, 0.45);
        pingPong(lead, 0.75 * spb, 0.38, 0.35);
        pingPong(arp, 0.75 * spb, 0.3, 0.25);
        Stereo out;
        size_t n = drums.l.size();
        out.left.assign(n, 0.0f);
        out.right.assign(n, 0.0f);
        Bus* dry[] = {&drums, &bass, &pads, &lead, &arp, &fx};
        for (Bus* b : dry)
            for (size_t i = 0; i < n; ++i) {
                out.left[i] += b->l[i];
                out.right[i] += b->r[i];
            }
        reverb(out);
        applyFade(out);
        return out;
    }

private:
    double sec(double beat) const { return beat * spb; }
    int64_t sampleAt(double beat) const { return int64_t(std::llround(sec(beat) * kSr)); }
    // Samples a voice may write: from its start, clipped to the window end.
    bool skip(Bus& b, int64_t s0, double seconds) const { return s0 >= b.end() || s0 + int64_t(seconds * kSr) < b.start; }

    void arrange() {
        int bpb = tl.beatsPerBar;
        for (const timeline::Section& sec : tl.sections) {
            Style style = styleOf(sec.name);
            for (int bar = 0; bar < sec.bars; ++bar) {
                double b0 = double(sec.firstBar + bar) * bpb;
                bool last = bar == sec.bars - 1;
                const Chord& ch = chordFor(style, bar);
                double progress = double(bar) / sec.bars;
                arrangeBar(style, bar, sec.bars, b0, last, ch, progress);
            }
            if (style != Style::Intro && style != Style::Outro && style != Style::Break)
                crash(double(sec.firstBar) * bpb, 0.5);
            if (style == Style::Drop) crash(double(sec.firstBar + 8) * bpb, 0.4);
        }
    }

    void arrangeBar(Style style, int bar, int bars, double b0, bool last, const Chord& ch, double progress) {
        double barBeats = tl.beatsPerBar;
        switch (style) {
            case Style::Intro: {
                pad(b0, barBeats, ch, 700 + 900 * progress, 1.5);
                arpBar(b0, ch, 500 + 2500 * progress, 0.7 + 0.6 * progress);
                if (bar >= 4) hatsBar(b0, 0.35 * progress, false);
                if (bar == bars - 2) riser(b0, 2 * barBeats, 0.5);
                if (bar == 0) boom(b0, 0.6);
                break;
            }
            case Style::Build: {
                pad(b0, barBeats, ch, 1300, 0.7);
                arpBar(b0, ch, 1800 + 1500 * progress, 0.8);
                kickBar(b0, last ? 2 : 4);
                bassOffbeat(b0, ch, 500 + 900 * progress);
                hatsBar(b0, 0.6, true);
                if (bar >= 4) snareBackbeat(b0, 0.7);
                if (last) snareFill(b0 + 2, 2, 0.25, 0.4, 1.0);
                break;
            }
            case Style::Verse: {
                pad(b0, barBeats, ch, 1900, 0.75);
                kickBar(b0, last ? 3 : 4);
                bassOffbeat(b0, ch, 1200);
                hatsBar(b0, 0.8, true);
                snareBackbeat(b0, 0.85);
                const std::vector<Note>& phrase = (bar / 4) % 2 ? kVerseB : kVerseA;
                melodyBar(phrase, bar % 4, b0, 0, 0.8, 2600);
                if (bar >= bars / 2) harmonyBar(phrase, bar % 4, b0, -2, 0.4, 2000);
                if (bar >= bars - 4) arpBar(b0, ch, 2200, 0.4 + 0.4 * (bar - bars + 4) / 4.0);
                if (bar == bars - 2) riser(b0, 2 * barBeats, 0.8);
                if (last) snareFill(b0 + 3, 1, 0.25, 0.6, 1.0);
                break;
            }
            case Style::Drop:
            case Style::Drop2: {
                bool two = style == Style::Drop2;
                supersaw(b0, ch, two ? 5200 : 4200);
                pad(b0, barBeats, ch, 2600, 0.5);
                kickBar(b0, 4);
                bassRolling(b0, ch, two ? 2200 : 1800);
                hats16(b0, 0.9);
                snareBackbeat(b0, 1.0);
                std::vector<Note> h = hook((bar / 4) % 2 == 1);
                melodyBar(h, bar % 4, b0, 0, 1.0, two ? 5200 : 4200);
                clapBackbeat(b0, two ? 0.8 : 0.6);
                if (two) {
                    melodyBar(h, bar % 4, b0, 12, 0.35, 6000);
                    harmonyBar(h, bar % 4, b0, -2, 0.35, 3000);
                    arpBar(b0, ch, 4200, 0.7);
                }
                if (last && !two) snareFill(b0 + 3, 1, 0.125, 0.5, 1.0);
                break;
            }
            case Style::Break: {
                pad(b0, barBeats, ch, 900 + 1800 * progress, 1.3);
                bassSustain(b0, barBeats, ch, 0.6);
                melodyBar(kBreakTheme, bar % 4, b0, bar >= 4 ? 12 : 0, 1.0, 2200);
                if (bar >= 4) arpBar(b0, ch, 800 + 3000 * (bar - 4) / 4.0, 0.6);
                if (bar == bars - 4) riser(b0, 4 * barBeats, 1.0);
                if (bar == bars - 2) snareFill(b0, 4, 0.5, 0.2, 0.5);
                if (last) {
                    snareFill(b0, 2, 0.25, 0.5, 0.8);
                    snareFill(b0 + 2, 2, 0.125, 0.8, 1.1);
                }
                break;
            }
            case Style::End: {
                pad(b0, barBeats, ch, 1500 - 600 * progress, 0.9);
                kickHalf(b0, bar < bars - 2);
                bassSustain(b0, barBeats, ch, 0.8);
                if (bar < bars - 2) {
                    hatsBar(b0, 0.5, false);
                    snare(b0 + 2, 0.8);
                }
                if (bar < 8) melodyBar(bar < 4 ? kVerseA : kVerseB, bar % 4, b0, -12, 0.7, 1600);
                else if (bar == 8) leadNote(b0, barBeats * 3.5, 62, 0.6, 1400);
                break;
            }
            case Style::Outro: {
                if (bar == 0) {
                    pad(b0, barBeats * bars - 2, ch, 1100, 1.6);
                    bassSustain(b0, barBeats * 4, ch, 0.7);
                    boom(b0, 0.8);
                    crash(b0, 0.35);
                    leadNote(b0, barBeats * 3, 74, 0.35, 1200);
                }
                if (bar < 4) arpBar(b0, ch, 1600 - 300 * bar, 0.35 - 0.07 * bar);
                break;
            }
        }
    }

    // ---- drums ----------------------------------------------------------------------------

    void kick(double beat, double vel) {
        kickTimes.push_back(sec(beat));
        int64_t s0 = sampleAt(beat);
        if (skip(drums, s0, 0.6)) return;
        Osc o;
        for (int64_t i = 0; i < int64_t(0.6 * kSr); ++i) {
            double t = double(i) / kSr;
            double hz = 48.0 + 140.0 * std::exp(-t / 0.028);
            double body = o.sine(hz) * std::exp(-t / 0.32);
            double click = (t < 0.004 ? (1.0 - t / 0.004) : 0.0) * 0.35;
            double v = std::tanh(1.6 * (body + click)) * vel * 0.5;
            drums.add(s0 + i, v, v);
        }
    }
    void kickBar(double b0, int hits) {
        for (int i = 0; i < hits; ++i) kick(b0 + i, 1.0);
    }
    void kickHalf(double b0, bool full) {
        kick(b0, 1.0);
        if (full) kick(b0 + 2.5, 0.85);
    }

    // A long, low hit for openings.
    void boom(double beat, double vel) {
        int64_t s0 = sampleAt(beat);
        if (skip(fx, s0, 3.0)) return;
        Osc o;
        for (int64_t i = 0; i < int64_t(3.0 * kSr); ++i) {
            double t = double(i) / kSr;
            double v = o.sine(38.0 + 60.0 * std::exp(-t / 0.06)) * std::exp(-t / 0.9) * vel * 0.6;
            fx.add(s0 + i, v, v);
        }
    }

    void snare(double beat, double vel) {
        int64_t s0 = sampleAt(beat);
        if (skip(drums, s0, 0.5)) return;
        Osc tone;
        Svf bp;
        bp.set(2400, 0.7);
        Rng rng{uint32_t(s0)};
        auto [pl, pr] = pan(0.05);
        for (int64_t i = 0; i < int64_t(0.5 * kSr); ++i) {
            double t = double(i) / kSr;
            bp.run(rng.next());
            double v = (tone.sine(190.0 + 40.0 * std::exp(-t / 0.01)) * std::exp(-t / 0.05) * 0.5 +
                        (bp.band * 1.4 + bp.high * 0.3) * std::exp(-t / 0.13)) *
                       vel * 0.42;
            drums.add(s0 + i, v * pl, v * pr);
            reverbSend.add(s0 + i, v * 0.4, v * 0.4);
        }
    }
    // A clap: three quick noise bursts and a tail, spread wide, on the snare's beats.
    void clap(double beat, double vel) {
        int64_t s0 = sampleAt(beat);
        if (skip(drums, s0, 0.4)) return;
        Svf bpL, bpR;
        bpL.set(1500, 1.2);
        bpR.set(1700, 1.2);
        Rng a{uint32_t(s0) + 7}, b{uint32_t(s0) + 13};
        for (int64_t i = 0; i < int64_t(0.4 * kSr); ++i) {
            double t = double(i) / kSr;
            double env = 0;
            for (int k = 0; k < 3; ++k) {
                double tk = t - k * 0.011;
                if (tk >= 0) env = std::max(env, std::exp(-tk / (k == 2 ? 0.09 : 0.006)));
            }
            bpL.run(a.next());
            bpR.run(b.next());
            double g = env * vel * 0.35;
            drums.add(s0 + i, bpL.band * g, bpR.band * g);
            reverbSend.add(s0 + i, bpL.band * g * 0.5, bpR.band * g * 0.5);
        }
    }
    void clapBackbeat(double b0, double vel) {
        clap(b0 + 1, vel);
        clap(b0 + 3, vel);
    }
    void snareBackbeat(double b0, double vel) {
        snare(b0 + 1, vel);
        snare(b0 + 3, vel);
    }
    // A roll of hits every `step` beats, getting louder.
    void snareFill(double b0, double beats, double step, double from, double to) {
        int n = int(std::lround(beats / step));
        for (int i = 0; i < n; ++i) snare(b0 + i * step, from + (to - from) * i / std::max(1, n - 1));
    }

    void hat(double beat, double vel, bool open, double p) {
        double len = open ? 0.35 : 0.06;
        int64_t s0 = sampleAt(beat);
        if (skip(drums, s0, len)) return;
        Svf hp;
        hp.set(open ? 7500 : 9000, 0.9);
        Rng rng(uint32_t(s0) ^ 0x5bd1e995u);
        auto [pl, pr] = pan(p);
        for (int64_t i = 0; i < int64_t(len * kSr); ++i) {
            double t = double(i) / kSr;
            hp.run(rng.next());
            double v = hp.high * std::exp(-t / (open ? 0.09 : 0.014)) * vel * 0.22;
            drums.add(s0 + i, v * pl, v * pr);
        }
    }
    // Closed eighths, with open hats on the offbeats when asked.
    void hatsBar(double b0, double vel, bool openOffbeats) {
        for (int i = 0; i < 8; ++i) {
            bool off = i % 2 == 1;
            hat(b0 + i * 0.5, vel * (off ? 1.0 : 0.6), off && openOffbeats, off ? 0.25 : -0.2);
        }
    }
    void hats16(double b0, double vel) {
        for (int i = 0; i < 16; ++i) {
            bool off = i % 4 == 2;
            hat(b0 + i * 0.25, vel * (off ? 1.0 : (i % 2 ? 0.45 : 0.65)), off, off ? 0.3 : -0.25);
        }
    }

    void crash(double beat, double vel) {
        int64_t s0 = sampleAt(beat);
        if (skip(drums, s0, 3.0)) return;
        Svf hpL, hpR;
        hpL.set(4500, 0.7);
        hpR.set(4700, 0.7);
        Rng a(uint32_t(s0) + 17), b(uint32_t(s0) + 91);
        for (int64_t i = 0; i < int64_t(3.0 * kSr); ++i) {
            double t = double(i) / kSr;
            hpL.run(a.next());
            hpR.run(b.next());
            double env = std::exp(-t / 0.8) * vel * 0.3;
            drums.add(s0 + i, hpL.high * env, hpR.high * env);
            reverbSend.add(s0 + i, hpL.high * env * 0.3, hpR.high * env * 0.3);
        }
    }

    // Noise swept upwards over `beats`, swelling into the next section.
    void riser(double beat, double beats, double vel) {
        double len = sec(beats);
        int64_t s0 = sampleAt(beat);
        if (skip(fx, s0, len)) return;
        Svf bpL, bpR;
        Rng a(uint32_t(s0) + 3), b(uint32_t(s0) + 5);
        for (int64_t i = 0; i < int64_t(len * kSr); ++i) {
            double x = double(i) / (len * kSr);
            if (i % 32 == 0) {
                double hz = 300.0 * std::pow(25.0, x);
                bpL.set(hz, 2.5);
                bpR.set(hz * 1.05, 2.5);
            }
            bpL.run(a.next());
            bpR.run(b.next());
            double env = x * x * vel * 0.35;
            fx.add(s0 + i, bpL.band * env, bpR.band * env);
            reverbSend.add(s0 + i, bpL.band * env * 0.5, bpR.band * env * 0.5);
        }
    }

    // ---- bass -----------------------------------------------------------------------------

    void bassNote(double beat, double beats, double pitch, double cutoff, double vel, double decay) {
        double gate = sec(beats);
        double len = gate + 0.1;
        int64_t s0 = sampleAt(beat);
        if (skip(bass, s0, len)) return;
        Osc a, b, sub;
        Svf f;
        double hz = midiHz(pitch);
        for (int64_t i = 0; i < int64_t(len * kSr); ++i) {
            double t = double(i) / kSr;
            if (i % 16 == 0) f.set(cutoff * (0.35 + 0.65 * std::exp(-t / decay)) + 60.0, 1.4);
            double raw = a.saw(hz) * 0.5 + b.saw(hz * 1.006) * 0.5;
            f.run(raw);
            double env = adsr(t, gate, 0.004, 0.15, 0.7, 0.03);
            double v = (f.low * 0.75 + sub.sine(hz) * 0.6) * env * vel * 0.75;
            bass.add(s0 + i, v, v);
        }
    }
    void bassOffbeat(double b0, const Chord& ch, double cutoff) {
        for (int i = 0; i < 4; ++i) bassNote(b0 + i + 0.5, 0.4, ch.bass, cutoff, 1.0, 0.08);
    }
    // Sixteenths between the kicks, the last of each beat an octave up now and then.
    void bassRolling(double b0, const Chord& ch, double cutoff) {
        for (int beat = 0; beat < 4; ++beat)
            for (int s = 1; s < 4; ++s) {
                double p = ch.bass + ((s == 3 && beat % 2 == 1) ? 12 : 0);
                bassNote(b0 + beat + s * 0.25, 0.2, p, cutoff, s == 2 ? 1.0 : 0.8, 0.05);
            }
    }
    void bassSustain(double b0, double beats, const Chord& ch, double vel) {
        bassNote(b0, beats - 0.1, ch.bass, 500, vel, 0.6);
    }

    // ---- chords ---------------------------------------------------------------------------

    // Soft detuned saws with a slow attack.
    void pad(double b0, double beats, const Chord& ch, double cutoff, double vel) {
        double gate = sec(beats);
        double len = gate + 1.6;
        int64_t s0 = sampleAt(b0);
        if (skip(pads, s0, len)) return;
        for (int n = 0; n < 4; ++n) {
            double hz = midiHz(ch.tones[size_t(n)]);
            Osc o[3];
            for (int v = 0; v < 3; ++v) o[v].phase = 0.13 * (n * 3 + v) - std::floor(0.13 * (n * 3 + v));
            Svf fl, fr;
            fl.set(cutoff, 0.8);
            fr.set(cutoff * 1.1, 0.8);
            for (int64_t i = 0; i < int64_t(len * kSr); ++i) {
                double t = double(i) / kSr;
                double env = adsr(t, gate, 0.35, 1.0, 1.0, 0.5);
                if (env == 0.0 && t > gate) break;
                double x0 = o[0].saw(hz * 0.996), x1 = o[1].saw(hz), x2 = o[2].saw(hz * 1.004);
                fl.run(x0 + x1 * 0.6);
                fr.run(x2 + x1 * 0.6);
                double g = env * vel * 0.085;
                pads.add(s0 + i, fl.low * g, fr.low * g);
                reverbSend.add(s0 + i, fl.low * g * 0.6, fr.low * g * 0.6);
            }
        }
    }

    // Off-beat chord stabs of seven saws for the drops.
    void supersaw(double b0, const Chord& ch, double cutoff) {
        for (int k = 0; k < 4; ++k) {
            double beat = b0 + k + 0.5;
            double gate = sec(0.4);
            double len = gate + 0.3;
            int64_t s0 = sampleAt(beat);
            if (skip(pads, s0, len)) continue;
            for (int n = 0; n < 4; ++n) {
                double hz = midiHz(ch.tones[size_t(n)] + 12);
                Osc o[7];
                for (int v = 0; v < 7; ++v) o[v].phase = std::fmod(0.37 * (v + 1) * (n + 1), 1.0);
                Svf fl, fr;
                for (int64_t i = 0; i < int64_t(len * kSr); ++i) {
                    double t = double(i) / kSr;
                    if (i % 16 == 0) {
                        double c = cutoff * (0.3 + 0.7 * std::exp(-t / 0.12));
                        fl.set(c, 0.9);
                        fr.set(c, 0.9);
                    }
                    double l = 0, r = 0;
                    for (int v = 0; v < 7; ++v) {
                        double x = o[v].saw(hz * (1.0 + (v - 3) * 0.0045));
                        (v % 2 ? l : r) += x;
                    }
                    fl.run(l);
                    fr.run(r);
                    double g = adsr(t, gate, 0.003, 0.2, 0.6, 0.08) * 0.06;
                    pads.add(s0 + i, fl.low * g, fr.low * g);
                    reverbSend.add(s0 + i, fl.low * g * 0.5, fr.low * g * 0.5);
                }
            }
        }
    }

    // Sixteenth arpeggio up and down the chord, plucked squares.
    void arpBar(double b0, const Chord& ch, double cutoff, double vel) {
        static const int order[8] = {0, 1, 2, 3, 4, 3, 2, 1};
        for (int s = 0; s < 16; ++s) {
            int idx = order[s % 8];
            double pitch = idx < 4 ? ch.tones[size_t(idx)] + 12 : ch.tones[0] + 24;
            double beat = b0 + s * 0.25;
            double len = 0.25;
            int64_t s0 = sampleAt(beat);
            if (skip(arp, s0, len)) continue;
            Osc o;
            Svf f;
            double hz = midiHz(pitch);
            auto [pl, pr] = pan(s % 2 ? 0.35 : -0.35);
            for (int64_t i = 0; i < int64_t(len * kSr); ++i) {
                double t = double(i) / kSr;
                if (i % 16 == 0) f.set(cutoff * (0.4 + 0.6 * std::exp(-t / 0.05)), 1.8);
                f.run(o.square(hz, 0.35));
                double v = f.low * std::exp(-t / 0.07) * (t < 0.002 ? t / 0.002 : 1.0) * vel * 0.12;
                arp.add(s0 + i, v * pl, v * pr);
                reverbSend.add(s0 + i, v * 0.3, v * 0.3);
            }
        }
    }

    // ---- lead -----------------------------------------------------------------------------

    void leadNote(double beat, double beats, double pitch, double vel, double cutoff) {
        double gate = sec(beats) * 0.92;
        double len = gate + 0.4;
        int64_t s0 = sampleAt(beat);
        if (skip(lead, s0, len)) return;
        Osc a, b, lfo;
        Svf f;
        double hz = midiHz(pitch);
        for (int64_t i = 0; i < int64_t(len * kSr); ++i) {
            double t = double(i) / kSr;
            double vib = 1.0 + 0.004 * std::min(1.0, t / 0.4) * lfo.sine(5.5);
            if (i % 16 == 0) f.set(cutoff * (0.6 + 0.8 * std::exp(-t / 0.15)), 1.2);
            f.run(a.saw(hz * vib) * 0.6 + b.square(hz * vib * 1.003, 0.5) * 0.4);
            double env = adsr(t, gate, 0.008, 0.3, 0.75, 0.12);
            double v = f.low * env * vel * 0.3;
            lead.add(s0 + i, v, v);
            reverbSend.add(s0 + i, v * 0.35, v * 0.35);
        }
    }
    // The notes of one bar of a four-bar phrase.
    void melodyBar(const std::vector<Note>& phrase, int barInPhrase, double b0, double transpose, double vel,
                   double cutoff) {
        double from = barInPhrase * tl.beatsPerBar, to = from + tl.beatsPerBar;
        for (const Note& n : phrase)
            if (n.beat >= from && n.beat < to) leadNote(b0 + n.beat - from, n.length, n.pitch + transpose, vel, cutoff);
    }

    // The phrase moved by scale degrees, under the melody.
    void harmonyBar(const std::vector<Note>& phrase, int barInPhrase, double b0, int steps, double vel, double cutoff) {
        double from = barInPhrase * tl.beatsPerBar, to = from + tl.beatsPerBar;
        for (const Note& n : phrase)
            if (n.beat >= from && n.beat < to) leadNote(b0 + n.beat - from, n.length, diatonic(n.pitch, steps), vel, cutoff);
    }

    // ---- effects --------------------------------------------------------------------------

    // Ducks a bus after every kick so the kick and bass do not fight.
    void applySidechain(Bus& b, double depth) {
        std::vector<double> kicks = kickTimes;
        std::sort(kicks.begin(), kicks.end());
        size_t k = 0;
        double last = -1e9;
        for (size_t i = 0; i < b.l.size(); ++i) {
            double t = double(b.start + int64_t(i)) / kSr;
            while (k < kicks.size() && kicks[k] <= t) last = kicks[k++];
            double dt = t - last;
            double g = 1.0 - depth * std::exp(-dt / 0.11) * std::min(1.0, dt / 0.004);
            b.l[i] = float(b.l[i] * g);
            b.r[i] = float(b.r[i] * g);
        }
    }

    // Stereo ping-pong echo with damped repeats, added to the bus.
    void pingPong(Bus& b, double seconds, double feedback, double wet) {
        size_t d = size_t(seconds * kSr);
        std::vector<float> lineL(d, 0.0f), lineR(d, 0.0f);
        size_t pos = 0;
        double dampL = 0, dampR = 0;
        for (size_t i = 0; i < b.l.size(); ++i) {
            double outL = lineL[pos], outR = lineR[pos];
            dampL += (outL - dampL) * 0.35;
            dampR += (outR - dampR) * 0.35;
            double in = (b.l[i] + b.r[i]) * 0.5;
            lineL[pos] = float(in + dampR * feedback);
            lineR[pos] = float(dampL * feedback);
            pos = (pos + 1) % d;
            b.l[i] = float(b.l[i] + outL * wet);
            b.r[i] = float(b.r[i] + outR * wet);
        }
    }

    // A plate-like room: parallel damped combs into series allpasses per channel, fed by the
    // reverb send and added to the mix.
    void reverb(Stereo& out) {
        static const int combs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
        static const int allpasses[4] = {556, 441, 341, 225};
        const int spread = 23;
        struct Comb {
            std::vector<float> buf;
            size_t pos = 0;
            float store = 0;
        };
        struct Allpass {
            std::vector<float> buf;
            size_t pos = 0;
        };
        for (int ch = 0; ch < 2; ++ch) {
            std::vector<Comb> cs(8);
            std::vector<Allpass> as(4);
            for (int i = 0; i < 8; ++i) cs[size_t(i)].buf.assign(size_t(combs[i] + ch * spread), 0.0f);
            for (int i = 0; i < 4; ++i) as[size_t(i)].buf.assign(size_t(allpasses[i] + ch * spread), 0.0f);
            const std::vector<float>& in = ch ? reverbSend.r : reverbSend.l;
            std::vector<float>& dst = ch ? out.right : out.left;
            const float feedback = 0.86f, damp = 0.3f;
            for (size_t i = 0; i < in.size(); ++i) {
                float x = in[i] * 0.03f;
                float acc = 0;
                for (Comb& c : cs) {
                    float y = c.buf[c.pos];
                    c.store = y * (1 - damp) + c.store * damp;
                    c.buf[c.pos] = x + c.store * feedback;
                    c.pos = (c.pos + 1) % c.buf.size();
                    acc += y;
                }
                for (Allpass& a : as) {
                    float b = a.buf[a.pos];
                    a.buf[a.pos] = acc + b * 0.5f;
                    a.pos = (a.pos + 1) % a.buf.size();
                    acc = b - acc;
                }
                dst[i] += acc;
            }
        }
    }

    // The last section fades the whole mix to silence.
    void applyFade(Stereo& out) {
        const timeline::Section& last = tl.sections.back();
        if (styleOf(last.name) != Style::Outro) return;
        double t0 = last.firstBar * tl.secondsPerBar();
        double t1 = last.endBar() * tl.secondsPerBar();
        for (size_t i = 0; i < out.left.size(); ++i) {
            double t = double(drums.start + int64_t(i)) / kSr;
            if (t <= t0) continue;
            double x = std::min(1.0, (t - t0) / (t1 - t0));
            double g = std::pow(1.0 - x, 1.6);
            out.left[i] = float(out.left[i] * g);
            out.right[i] = float(out.right[i] * g);
        }
    }

    const timeline::Timeline& tl;
    double spb;
    Bus drums, bass, pads, lead, arp, fx, reverbSend;
    std::vector<double> kickTimes;
};

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0, z2 = 0;
    double run(double x) {
        double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// Peak limiter: the gain ramps down ahead of each peak (look-ahead) and recovers slowly, so no
// sample ends above the ceiling.
void limit(Stereo& s, double ceiling) {
    size_t n = s.frames();
    const size_t look = size_t(0.005 * kSr);
    std::vector<float> need(n);
    for (size_t i = 0; i < n; ++i) {
        double p = std::max(std::fabs(s.left[i]), std::fabs(s.right[i]));
        need[i] = float(p > ceiling ? ceiling / p : 1.0);
    }
    // Gain envelope that reaches each peak's gain linearly over the look-ahead.
    std::vector<float> ahead(need);
    for (size_t i = 0; i < n; ++i) {
        if (need[i] >= 1.0f) continue;
        size_t from = i > look ? i - look : 0;
        for (size_t j = from; j < i; ++j) {
            float ramp = need[i] + (1.0f - need[i]) * float(i - j) / float(look);
            ahead[j] = std::min(ahead[j], ramp);
        }
    }
    const double release = 1.0 - std::exp(-1.0 / (0.12 * kSr));
    double g = 1.0;
    for (size_t i = 0; i < n; ++i) {
        g = std::min(double(ahead[i]), g + (1.0 - g) * release);
        s.left[i] = float(s.left[i] * g);
        s.right[i] = float(s.right[i] * g);
    }
}

}  // namespace

double integratedLoudness(const Stereo& s) {
    // K-weighting: a high shelf near 1.7 kHz and a high-pass near 38 Hz, for this sample rate.
    auto shelf = [] {
        double f0 = 1681.974450955533, g = 3.999843853973347, q = 0.7071752369554196;
        double k = std::tan(kPi * f0 / kSr), vh = std::pow(10.0, g / 20.0), vb = std::pow(vh, 0.4996667741545416);
        double a0 = 1.0 + k / q + k * k;
        return Biquad{(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                      2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    };
    auto highpass = [] {
        double f0 = 38.13547087602444, q = 0.5003270373238773;
        double k = std::tan(kPi * f0 / kSr);
        double a0 = 1.0 + k / q + k * k;
        return Biquad{1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    };
    size_t n = s.frames();
    std::vector<double> power(n);
    for (int ch = 0; ch < 2; ++ch) {
        Biquad a = shelf(), b = highpass();
        const std::vector<float>& x = ch ? s.right : s.left;
        for (size_t i = 0; i < n; ++i) {
            double y = b.run(a.run(x[i]));
            power[i] = (ch ? power[i] : 0.0) + y * y;
        }
    }
    // 400 ms blocks every 100 ms, gated at -70 LUFS and then 10 LU below the ungated mean.
    const size_t block = size_t(0.4 * kSr), hop = size_t(0.1 * kSr);
    std::vector<double> blocks;
    std::vector<double> prefix(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + power[i];
    for (size_t at = 0; at + block <= n; at += hop) blocks.push_back((prefix[at + block] - prefix[at]) / double(block));
    auto lufs = [](double z) { return -0.691 + 10.0 * std::log10(z); };
    double sum = 0;
    int count = 0;
    for (double z : blocks)
        if (z > 0 && lufs(z) > -70.0) sum += z, ++count;
    if (count == 0) return -HUGE_VAL;
    double gate = lufs(sum / count) - 10.0;
    sum = 0;
    count = 0;
    for (double z : blocks)
        if (z > 0 && lufs(z) > -70.0 && lufs(z) > gate) sum += z, ++count;
    return count ? lufs(sum / count) : -HUGE_VAL;
}

double peakDb(const Stereo& s) {
    float p = 0;
    for (size_t i = 0; i < s.frames(); ++i) p = std::max({p, std::fabs(s.left[i]), std::fabs(s.right[i])});
    return 20.0 * std::log10(std::max(p, 1e-12f));
}

Stereo render(const timeline::Timeline& tl, double from, double seconds, const MasterSettings& master,
              Report* report) {
    double total = tl.totalBars() * tl.secondsPerBar();
    if (seconds < 0) seconds = total - from;
    seconds = std::max(0.0, std::min(seconds, total - from));
    int64_t start = int64_t(std::llround(from * kSr));
    size_t frames = size_t(std::llround(seconds * kSr));
    for (const timeline::Section& s : tl.sections) styleOf(s.name);  // refuse unknown sections first

    Stereo raw = Song(tl, start, frames).mix();

    // Bring the mix to the target loudness; the limiter takes a little level off the peaks, so
    // measure again and correct twice.
    double ceiling = dbGain(master.ceilingDb);
    bool fixed = std::isfinite(master.fixedGainDb);
    double gainDb = fixed ? master.fixedGainDb : master.targetLufs - integratedLoudness(raw);
    if (!std::isfinite(gainDb)) gainDb = 0.0;  // silence: nothing to bring up
    Stereo out;
    for (int pass = 0; pass < (fixed ? 1 : 3); ++pass) {
        out = raw;
        double g = dbGain(gainDb);
        for (size_t i = 0; i < out.frames(); ++i) {
            out.left[i] = float(out.left[i] * g);
            out.right[i] = float(out.right[i] * g);
        }
        limit(out, ceiling);
        double measured = integratedLoudness(out);
        if (fixed || !std::isfinite(measured)) break;
        gainDb += master.targetLufs - measured;
    }
    if (report) {
        report->seconds = double(frames) / kSr;
        report->loudness = integratedLoudness(out);
        report->peakDb = peakDb(out);
        report->gainDb = gainDb;
    }
    return out;
}

void writeWav(const std::string& path, const Stereo& s) {
    std::ofstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot write " + path);
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) f.put(char(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        f.put(char(v & 0xff));
        f.put(char(v >> 8));
    };
    uint32_t dataBytes = uint32_t(s.frames() * 4);
    f.write("RIFF", 4);
    u32(36 + dataBytes);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);  // PCM
    u16(2);
    u32(kSampleRate);
    u32(kSampleRate * 4);
    u16(4);
    u16(16);
    f.write("data", 4);
    u32(dataBytes);
    std::vector<char> bytes(dataBytes);
    for (size_t i = 0; i < s.frames(); ++i) {
        float ch[2] = {s.left[i], s.right[i]};
        for (int c = 0; c < 2; ++c) {
            long v = std::lround(std::clamp(ch[c], -1.0f, 1.0f) * 32767.0f);
            bytes[i * 4 + size_t(c) * 2] = char(v & 0xff);
            bytes[i * 4 + size_t(c) * 2 + 1] = char((v >> 8) & 0xff);
        }
    }
    f.write(bytes.data(), std::streamsize(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace synth
