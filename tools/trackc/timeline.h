// The demo's timeline source: tempo, the song's sections and the keys of every sync track,
// written by hand in a small text format and shared by the track compiler and the synthesizer
// so that the music's arrangement and the tracks cannot drift apart.
#pragma once

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace timeline {

// A stretch of the song, in whole bars; sections follow each other without gaps from bar 0.
struct Section {
    std::string name;
    int firstBar = 0;
    int bars = 0;
    int endBar() const { return firstBar + bars; }
};

// One key as stored in a track file: whole row, value, interpolation type (0 step, 1 linear,
// 2 smooth, 3 ramp).
struct Key {
    uint32_t row = 0;
    float value = 0.0f;
    int8_t type = 0;
    bool operator==(const Key&) const = default;
};

struct Track {
    std::string name;
    int line = 0;           // where the track was declared
    std::vector<Key> keys;  // ascending rows, one key per row
};

struct Timeline {
    double bpm = 150.0;
    int rowsPerBeat = 8;
    int beatsPerBar = 4;
    std::vector<Section> sections;
    std::vector<Track> tracks;

    int rowsPerBar() const { return rowsPerBeat * beatsPerBar; }
    double secondsPerBar() const { return beatsPerBar * 60.0 / bpm; }
    double rowsPerSecond() const { return bpm / 60.0 * rowsPerBeat; }
    int totalBars() const { return sections.empty() ? 0 : sections.back().endBar(); }
    // Null when there is no such section / track.
    const Section* findSection(const std::string& name) const;
    const Track* findTrack(const std::string& name) const;
    // The section a bar lies in; null past the end.
    const Section* sectionAtBar(int bar) const;
};

// A malformed source, with the line it was found on.
class ParseError : public std::runtime_error {
public:
    ParseError(const std::string& source, int line, const std::string& message);
    int line;
};

// Parses a timeline source; sourceName only labels error messages ("name:line: message").
Timeline parse(std::istream& in, const std::string& sourceName);
Timeline parseFile(const std::string& path);

// The bytes of a track file: key count, then 9-byte records (row u32, value f32, type s8),
// little-endian.
std::vector<uint8_t> encodeTrack(const std::vector<Key>& keys);
// Reads a track file's bytes back; throws std::runtime_error when the size does not match the
// key count. Later records for the same row replace earlier ones; the result is sorted by row.
std::vector<Key> decodeTrack(const std::vector<uint8_t>& bytes);

// "BAR:BEAT" (beat counted from 0, fractions of a beat as a decimal) for a row.
std::string formatPosition(uint32_t row, const Timeline& tl);
const char* typeName(int type);

}  // namespace timeline
