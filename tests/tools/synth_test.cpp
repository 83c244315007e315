// The music synthesizer on short stretches of the song.
#include "tools/synth/synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

timeline::Timeline songTimeline() { return timeline::parseFile("data/src/timeline.txt"); }

TEST(Synth, ShortRenderHasItsLengthLoudnessAndHeadroom) {
    timeline::Timeline tl = songTimeline();
    const timeline::Section* drop = tl.findSection("drop");
    ASSERT_NE(drop, nullptr);
    double from = drop->firstBar * tl.secondsPerBar();
    synth::Report report;
    synth::Stereo s = synth::render(tl, from, 2 * tl.secondsPerBar(), synth::MasterSettings{}, &report);
    EXPECT_EQ(s.frames(), size_t(std::llround(2 * tl.secondsPerBar() * synth::kSampleRate)));
    EXPECT_EQ(s.left.size(), s.right.size());
    EXPECT_NEAR(synth::integratedLoudness(s), -14.0, 0.5);
    EXPECT_LE(synth::peakDb(s), -1.5 + 0.01);
    EXPECT_GT(synth::peakDb(s), -6.0);  // the drop is not a quiet passage
    double diff = 0;
    for (size_t i = 0; i < s.frames(); ++i) diff += std::fabs(s.left[i] - s.right[i]);
    EXPECT_GT(diff / double(s.frames()), 1e-3) << "the mix is mono";
    // The same song on every run.
    synth::Stereo again = synth::render(tl, from, 2 * tl.secondsPerBar(), synth::MasterSettings{}, nullptr);
    EXPECT_EQ(s.left, again.left);
    EXPECT_EQ(s.right, again.right);
}

TEST(Synth, SongLastsAsLongAsItsSectionsAndEndsInSilence) {
    timeline::Timeline tl = songTimeline();
    double total = tl.totalBars() * tl.secondsPerBar();
    EXPECT_GE(total, 131.0);
    EXPECT_LE(total, 140.0);
    synth::MasterSettings asInSong;
    asInSong.fixedGainDb = 0.0;
    synth::Stereo tail = synth::render(tl, total - 1.0, 5.0, asInSong, nullptr);
    EXPECT_EQ(tail.frames(), size_t(synth::kSampleRate));  // clipped to the song's end
    float last = 0;
    for (size_t i = tail.frames() - 2205; i < tail.frames(); ++i)
        last = std::max({last, std::fabs(tail.left[i]), std::fabs(tail.right[i])});
    EXPECT_LT(last, 1e-3f);  // faded out, no click at the end
}

TEST(Synth, RefusesSectionsTheArrangementDoesNotKnow) {
    std::istringstream in("section intro 0 4\nsection polka 4 4\n");
    timeline::Timeline tl = timeline::parse(in, "x");
    EXPECT_THROW(synth::render(tl, 0, 1, synth::MasterSettings{}, nullptr), std::runtime_error);
}

TEST(Loudness, SineAtFullScaleMeasuresAsTheStandardSays) {
    // A full-scale 1 kHz sine reads -3.01 LUFS in one channel, so about 0 LUFS in two.
    synth::Stereo s;
    for (int i = 0; i < synth::kSampleRate * 2; ++i) {
        float v = float(std::sin(2.0 * 3.14159265358979 * 1000.0 * i / synth::kSampleRate));
        s.left.push_back(v);
        s.right.push_back(v);
    }
    EXPECT_NEAR(synth::integratedLoudness(s), 0.0, 0.1);
    for (float& v : s.left) v *= 0.1f;
    for (float& v : s.right) v *= 0.1f;
    EXPECT_NEAR(synth::integratedLoudness(s), -20.0, 0.1);
}

}  // namespace
