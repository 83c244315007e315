// Sync tracks: named curves keyed on whole rows, their file loader and their evaluation.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

inline namespace orlunde {
namespace sync {

// How the curve runs from a key to the next one. Any other stored value behaves like Step.
enum KeyType : int { Step = 0, Linear = 1, Smooth = 2, Ramp = 3 };

struct TrackKey {
    float value;
    int type;  // a KeyType, kept exactly as stored (a signed byte in the file)
};

class Track {
public:
    using KeyMap = std::map<uint32_t, TrackKey>;

    // The keys around a whole row: current is the last key at or before it, next the first key
    // after it; either is keys.end() when there is none.
    struct KeySearch {
        KeyMap::const_iterator current;
        KeyMap::const_iterator next;
    };

    explicit Track(std::string name) : name(std::move(name)) {}

    // Inserts the key at row, or replaces the key already there.
    void setKey(uint32_t row, const TrackKey& key);
    KeySearch findKeys(uint32_t row) const;
    // The curve's value at a fractional row; 0 for a track without keys.
    float getValue(float row) const;

    KeyMap keys;
    const std::string name;
};

// Reads a track file (a little-endian key count, then 9-byte records: row u32, value f32,
// type s8) into track. Returns false when the file cannot be opened. A file that ends early
// keeps the records it holds completely.
bool loadTrack(Track& track, const std::string& path);

}  // namespace sync
}  // namespace orlunde
