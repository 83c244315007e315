// The timeline source format, the track file encoding and the shipped track files.
#include "sync/device.h"
#include "sync/track.h"
#include "tools/trackc/timeline.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace {

const char* kHeader =
    "tempo 150\n"
    "rows_per_beat 8\n"
    "section intro 0 2\n"
    "section main 2 4\n";

timeline::Timeline parseText(const std::string& body) {
    std::istringstream in(std::string(kHeader) + body);
    return timeline::parse(in, "test.txt");
}

TEST(TimelineSource, PositionsResolveToRows) {
    timeline::Timeline tl = parseText(
        "track t\n"
        "  0        0  step\n"      // row 0
        "  1:2      1  linear\n"    // bar 1 beat 2: 32 + 16
        "  1:3.5    2  smooth\n"    // 32 + 28
        "  r100     3  ramp\n"
        "  main     4  step\n"      // bar 2
        "  main+1:1 5  step\n"      // 64 + 32 + 8
        "  main.end-0:1 6 step\n");  // bar 6 minus a beat: 192 - 8
    const timeline::Track* t = tl.findTrack("t");
    ASSERT_NE(t, nullptr);
    std::vector<timeline::Key> expected = {{0, 0, 0},   {48, 1, 1},  {60, 2, 2},  {64, 4, 0},
                                           {100, 3, 3}, {104, 5, 0}, {184, 6, 0}};
    EXPECT_EQ(t->keys, expected);  // sorted by row whatever the source order
    EXPECT_EQ(tl.totalBars(), 6);
}

TEST(TimelineSource, RepeatEmitsEveryRepetitionThatStartsBeforeItsEnd) {
    timeline::Timeline tl = parseText(
        "track flash\n"
        "  0 0 step\n"
        "  repeat main main+1 0:1\n"
        "    +0   1 linear\n"
        "    +r6  0 step\n"
        "  end\n");
    const timeline::Track* t = tl.findTrack("flash");
    ASSERT_EQ(t->keys.size(), 1u + 4 * 2);
    EXPECT_EQ(t->keys[1], (timeline::Key{64, 1, 1}));
    EXPECT_EQ(t->keys[8], (timeline::Key{64 + 24 + 6, 0, 0}));
}

TEST(TimelineSource, MalformedSourcesNameTheirLine) {
    struct Case {
        const char* body;
        int line;  // counted from the first line of the header (4 lines)
        const char* message;
    } cases[] = {
        {"track t\n  0 1 bouncy\n", 6, "unknown interpolation"},
        {"track t\n  0 one step\n", 6, "not a number"},
        {"track t\n  nowhere 1 step\n", 6, "unknown section"},
        {"track t\n  0:0.3 1 step\n", 6, "whole row"},
        {"track t\n  intro-1 1 step\n", 6, "before row 0"},
        {"track t\n  0 1 step\n  r0 2 linear\n", 7, "two keys at row 0"},
        {"track t\n  0 1\n", 6, "expected"},
        {"  0 1 step\n", 5, "keys belong after a 'track' line"},
        {"track t\n  0 0 step\nsection late 6 2\n", 7, "before the first track"},
        {"track t\n  repeat 0 1 0:1\n    +0 1 step\n", 7, "has no end"},
        {"track t\n  end\n", 6, "without a repeat"},
        {"track t\n  repeat 0 1 0:1\n  0 1 step\n  end\n", 7, "start with '+'"},
        {"track t\n  0 0 step\ntrack t\n", 7, "defined twice"},
        {"wobble 3\n", 5, "unknown directive"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        try {
            parseText(c.body);
            ADD_FAILURE() << "accepted";
        } catch (const timeline::ParseError& e) {
            EXPECT_EQ(e.line, c.line) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("test.txt:" + std::to_string(c.line) + ":", 0), 0u) << e.what();
        }
    }
}

TEST(TimelineSource, SectionsMustFollowEachOtherFromBarZero) {
    std::istringstream gap("section a 0 4\nsection b 5 4\n");
    EXPECT_THROW(timeline::parse(gap, "x"), timeline::ParseError);
    std::istringstream late("section a 2 4\n");
    EXPECT_THROW(timeline::parse(late, "x"), timeline::ParseError);
}

TEST(TrackEncoding, RoundTripsKeysBitForBit) {
    std::vector<timeline::Key> keys = {{0, -0.0f, 0}, {7, 1.5f, 1}, {64, 3.4e38f, 2}, {4000000000u, -2.25f, 3},
                                       {9, 0.1f, -1}};
    std::vector<uint8_t> bytes = timeline::encodeTrack(keys);
    ASSERT_EQ(bytes.size(), 4 + 9 * keys.size());
    // Little-endian count and first record: row 0, -0.0f (0x80000000), type 0.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 13),
              (std::vector<uint8_t>{5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0}));
    std::vector<timeline::Key> back = timeline::decodeTrack(bytes);
    std::vector<timeline::Key> sorted = {keys[0], keys[1], keys[4], keys[2], keys[3]};
    EXPECT_EQ(back, sorted);
    EXPECT_EQ(timeline::encodeTrack(back).size(), bytes.size());
}

TEST(TrackEncoding, RejectsFilesWhoseSizeDisagreesWithTheCount) {
    std::vector<uint8_t> bytes = timeline::encodeTrack({{1, 2.0f, 1}});
    bytes.pop_back();
    EXPECT_THROW(timeline::decodeTrack(bytes), std::runtime_error);
    EXPECT_THROW(timeline::decodeTrack({1, 0}), std::runtime_error);
    EXPECT_TRUE(timeline::decodeTrack({0, 0, 0, 0}).empty());
}

TEST(TrackEncoding, LaterRecordForARowWins) {
    std::vector<uint8_t> bytes = timeline::encodeTrack({{64, 1.0f, 1}, {64, 2.0f, 0}});
    EXPECT_EQ(timeline::decodeTrack(bytes), (std::vector<timeline::Key>{{64, 2.0f, 0}}));
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The shipped track files are the compiled timeline, and the demo's parts come in order.
TEST(ShippedTracks, MatchTheTimelineAndRunThePartsInOrder) {
    timeline::Timeline tl = timeline::parseFile("data/src/timeline.txt");
    for (int i = 0; i < kSyncTrackCount; ++i) {
        SCOPED_TRACE(kTrackNames[i]);
        const timeline::Track* t = tl.findTrack(kTrackNames[i]);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(readFile(std::string("data/sync_") + kTrackNames[i] + ".track"), timeline::encodeTrack(t->keys));
    }
    std::vector<float> parts;
    for (const timeline::Key& k : tl.findTrack("part")->keys) {
        EXPECT_EQ(k.type, 0);
        if (parts.empty() || parts.back() != k.value) parts.push_back(k.value);
    }
    EXPECT_EQ(parts, (std::vector<float>{0, 1, 2, 3}));
    // The demo quits at 129 s; the last part must be on screen by then and the music outlast it.
    EXPECT_LT(tl.findTrack("part")->keys.back().row / tl.rowsPerSecond(), 129.0);
    EXPECT_GT(tl.totalBars() * tl.secondsPerBar(), 129.0);
    for (const timeline::Key& k : tl.findTrack("vignetting")->keys) {
        EXPECT_GE(k.value, 0.0f);
        EXPECT_LT(k.value, 7.0f);
    }
    for (const timeline::Key& k : tl.findTrack("camera_mode")->keys) EXPECT_EQ(k.value, 0.0f);
}

// The sync loader reads back exactly the keys the timeline gives, and the part track shows the
// head, part one, the end screen and the end still at their times.
TEST(ShippedTracks, LoadThroughTheSyncLoader) {
    timeline::Timeline tl = timeline::parseFile("data/src/timeline.txt");
    for (int i = 0; i < kSyncTrackCount; ++i) {
        SCOPED_TRACE(kTrackNames[i]);
        sync::Track track(kTrackNames[i]);
        ASSERT_TRUE(sync::loadTrack(track, std::string("data/sync_") + kTrackNames[i] + ".track"));
        const std::vector<timeline::Key>& keys = tl.findTrack(kTrackNames[i])->keys;
        ASSERT_EQ(track.keys.size(), keys.size());
        for (const timeline::Key& k : keys) {
            auto it = track.keys.find(k.row);
            ASSERT_NE(it, track.keys.end());
            EXPECT_EQ(it->second.value, k.value);
            EXPECT_EQ(it->second.type, k.type);
        }
    }
    sync::Track part("part");
    ASSERT_TRUE(sync::loadTrack(part, "data/sync_part.track"));
    auto partAt = [&](double seconds) { return int(part.getValue(float(seconds * tl.rowsPerSecond()))); };
    EXPECT_EQ(partAt(0.0), 0);
    EXPECT_EQ(partAt(12.0), 0);
    EXPECT_EQ(partAt(13.0), 1);
    EXPECT_EQ(partAt(102.0), 1);
    EXPECT_EQ(partAt(103.0), 2);
    EXPECT_EQ(partAt(122.0), 3);
    EXPECT_EQ(partAt(129.5), 3);
}

}  // namespace
