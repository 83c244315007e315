// Track keys, the key search, the track-file loader and the interpolation between keys.
#include "sync/track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Record {
    uint32_t row;
    float value;
    int8_t type;
};

// Bytes of a track file: the count, then the packed little-endian records.
std::vector<char> trackBytes(uint32_t count, const std::vector<Record>& records) {
    std::vector<char> bytes;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(char(v >> (8 * i)));
    };
    put32(count);
    for (const Record& r : records) {
        uint32_t bits;
        std::memcpy(&bits, &r.value, 4);
        put32(r.row);
        put32(bits);
        bytes.push_back(char(r.type));
    }
    return bytes;
}

std::string writeFile(const std::string& name, const std::vector<char>& bytes) {
    const std::string path = (std::filesystem::path(testing::TempDir()) / name).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

sync::Track loaded(const std::vector<char>& bytes) {
    sync::Track track("t");
    EXPECT_TRUE(sync::loadTrack(track, writeFile("track.track", bytes)));
    return track;
}

sync::Track twoKeys(int firstType) {
    sync::Track track("t");
    track.setKey(0, {0.0f, firstType});
    track.setKey(10, {1.0f, sync::Step});
    return track;
}

TEST(TrackValue, InterpolatesFromTheEarlierKeyByItsType) {
    struct Case {
        int type;
        float row;
        float expected;
    };
    const Case cases[] = {
        {sync::Linear, 0.0f, 0.0f},      {sync::Linear, 5.0f, 0.5f},    {sync::Linear, 2.5f, 0.25f},
        {sync::Linear, 9.999f, 0.9999f}, {sync::Linear, 10.0f, 1.0f},   {sync::Linear, 500.0f, 1.0f},
        {sync::Smooth, 5.0f, 0.5f},      {sync::Smooth, 2.5f, 0.1464466f}, {sync::Smooth, 0.0f, 0.0f},
        {sync::Ramp, 5.0f, 0.25f},       {sync::Ramp, 2.5f, 0.0625f},   {sync::Ramp, 10.0f, 1.0f},
        {sync::Step, 0.0f, 0.0f},        {sync::Step, 9.999f, 0.0f},    {sync::Step, 10.0f, 1.0f},
        {4, 5.0f, 0.0f},                 {-1, 9.5f, 0.0f},              {127, 3.0f, 0.0f},
        {-1, 10.0f, 1.0f},
    };
    for (const Case& c : cases) {
        const sync::Track track = twoKeys(c.type);
        EXPECT_NEAR(track.getValue(c.row), c.expected, 1e-6f) << "type " << c.type << " row " << c.row;
    }
}

TEST(TrackValue, RoundsAsTheSyncFormulasSay) {
    // t and the eased fraction in single precision, d * e + value in double, rounded once.
    // A float-only evaluation lands one or more units in the last place away from these.
    struct Case {
        int type;
        uint32_t fromRow, toRow;
        float from, to, row, expected;
    };
    const Case cases[] = {
        {sync::Linear, 77, 121, -309.625f, -853.875f, 0x1.90c084p+6f, -0x1.2a38eep+9f},
        {sync::Ramp, 65, 98, -849.125f, 453.75f, 0x1.3d0624p+6f, -0x1.2efd1ap+9f},
        {sync::Smooth, 15, 43, 722.875f, -599.25f, 0x1.0b9db2p+5f, -0x1.fdabaep+7f},
    };
    for (const Case& c : cases) {
        sync::Track track("t");
        track.setKey(c.fromRow, {c.from, c.type});
        track.setKey(c.toRow, {c.to, c.type});
        EXPECT_EQ(track.getValue(c.row), c.expected) << "type " << c.type;
    }
}

TEST(TrackValue, IsFlatOutsideTheKeyedRange) {
    sync::Track empty("empty");
    for (float row : {-3.0f, 0.0f, 7.5f, 1e6f})
        EXPECT_EQ(empty.getValue(row), 0.0f);

    sync::Track single("single");
    single.setKey(10, {5.0f, sync::Linear});
    for (float row : {0.0f, 9.99f, 10.0f, 10.5f, 1e9f})
        EXPECT_EQ(single.getValue(row), 5.0f) << row;

    sync::Track late("late");
    late.setKey(8, {3.0f, sync::Ramp});
    late.setKey(20, {6.0f, sync::Step});
    for (float row : {0.0f, 7.0f, 7.999f})
        EXPECT_EQ(late.getValue(row), 3.0f) << row;
    // Rows before zero lie before the first key too, even when it sits at row 0.
    const sync::Track fromZero = twoKeys(sync::Linear);
    for (float row : {-0.5f, -1.0f, -1e9f, -INFINITY, NAN})
        EXPECT_EQ(fromZero.getValue(row), 0.0f) << row;
    EXPECT_EQ(fromZero.getValue(INFINITY), 1.0f);
}

TEST(TrackKeys, SearchFindsTheCurrentAndTheNextKey) {
    sync::Track track("t");
    for (uint32_t row : {0u, 10u, 20u})
        track.setKey(row, {float(row), sync::Linear});
    sync::Track late("late");
    late.setKey(5, {5.0f, sync::Linear});

    struct Case {
        const sync::Track* track;
        uint32_t row;
        std::optional<uint32_t> current, next;
    };
    const Case cases[] = {
        {&track, 10, 10, 20}, {&track, 9, 0, 10},  {&track, 20, 20, std::nullopt},
        {&track, 0, 0, 10},   {&track, 4294967295u, 20, std::nullopt}, {&late, 3, std::nullopt, 5},
    };
    for (const Case& c : cases) {
        const sync::Track::KeySearch found = c.track->findKeys(c.row);
        const auto rowOf = [&](sync::Track::KeyMap::const_iterator it) -> std::optional<uint32_t> {
            return it == c.track->keys.end() ? std::nullopt : std::optional<uint32_t>(it->first);
        };
        EXPECT_EQ(rowOf(found.current), c.current) << "row " << c.row;
        EXPECT_EQ(rowOf(found.next), c.next) << "row " << c.row;
    }
}

TEST(TrackFile, LoadsRecordsInAnyOrderAndTheLastOfARowWins) {
    const std::vector<Record> ascending = {{0, 1.0f, 1}, {16, 2.0f, 2}, {64, -3.5f, 3}, {65, 4.0f, 0}};
    const std::vector<Record> descending(ascending.rbegin(), ascending.rend());
    const sync::Track up = loaded(trackBytes(4, ascending));
    const sync::Track down = loaded(trackBytes(4, descending));
    ASSERT_EQ(up.keys.size(), 4u);
    ASSERT_EQ(down.keys.size(), 4u);
    for (const auto& [row, key] : up.keys) {
        EXPECT_EQ(down.keys.at(row).value, key.value);
        EXPECT_EQ(down.keys.at(row).type, key.type);
    }
    EXPECT_EQ(up.keys.at(64).value, -3.5f);
    EXPECT_EQ(up.keys.at(64).type, sync::Ramp);

    const sync::Track repeated = loaded(trackBytes(2, {{64, 1.0f, 1}, {64, 2.0f, 0}}));
    ASSERT_EQ(repeated.keys.size(), 1u);
    EXPECT_EQ(repeated.keys.at(64).value, 2.0f);
    EXPECT_EQ(repeated.keys.at(64).type, 0);

    // Type bytes are signed and kept as they are; unknown ones hold the value like Step.
    const sync::Track types = loaded(trackBytes(3, {{0, 1.0f, -1}, {10, 2.0f, 4}, {20, 3.0f, 0}}));
    EXPECT_EQ(types.keys.at(0).type, -1);
    EXPECT_EQ(types.keys.at(10).type, 4);
    EXPECT_EQ(types.getValue(5.0f), 1.0f);
    EXPECT_EQ(types.getValue(15.0f), 2.0f);
}

TEST(TrackFile, KeepsOnlyTheRecordsTheFileHolds) {
    EXPECT_TRUE(loaded(trackBytes(0, {})).keys.empty());

    // Bytes after the counted records are never read.
    std::vector<char> extra = trackBytes(1, {{3, 1.0f, 1}, {4, 2.0f, 1}});
    EXPECT_EQ(loaded(extra).keys.size(), 1u);

    // A count larger than the file: the records read completely stay, the partial one does not.
    std::vector<char> cut = trackBytes(3, {{1, 1.0f, 1}, {2, 2.0f, 1}, {3, 3.0f, 1}});
    cut.resize(cut.size() - 2);
    const sync::Track partial = loaded(cut);
    ASSERT_EQ(partial.keys.size(), 2u);
    EXPECT_EQ(partial.keys.at(2).value, 2.0f);

    // The largest count in a 13-byte file reads its one record and stops.
    const sync::Track huge = loaded(trackBytes(0xFFFFFFFFu, {{7, 9.0f, 0}}));
    ASSERT_EQ(huge.keys.size(), 1u);
    EXPECT_EQ(huge.keys.at(7).value, 9.0f);

    EXPECT_TRUE(loaded({char(5), char(0)}).keys.empty());  // not even a whole count
}

TEST(TrackFile, MissingFileLeavesTheTrackAsItWas) {
    sync::Track track("t");
    track.setKey(5, {2.0f, sync::Step});
    EXPECT_FALSE(sync::loadTrack(track, "tests/fixtures/no-such.track"));
    ASSERT_EQ(track.keys.size(), 1u);
    EXPECT_EQ(track.getValue(100.0f), 2.0f);
}

}  // namespace
