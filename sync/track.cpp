// Track keys, the track-file loader, the key search and the interpolation between keys.
#include "sync/track.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <memory>

inline namespace orlunde {
namespace sync {

namespace {

uint32_t readU32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The eased fraction of a segment for an interpolating key type.
float easedFraction(int type, float t) {
    switch (type) {
    case Smooth:
        return float((1.0 - std::cos(double(t) * 3.141592653589793)) * 0.5);
    case Ramp:
        return float(std::pow(double(t), 2.0));
    default:
        return t;
    }
}

}  // namespace

void Track::setKey(uint32_t row, const TrackKey& key) {
    keys.insert_or_assign(row, key);
}

Track::KeySearch Track::findKeys(uint32_t row) const {
    KeySearch found{keys.end(), keys.upper_bound(row)};
    if (found.next != keys.begin())
        found.current = std::prev(found.next);
    return found;
}

float Track::getValue(float row) const {
    if (keys.empty())
        return 0.0f;
    const float whole = std::floor(row);
    // Rows before zero lie before every key: the curve is flat there. NaN lands here too.
    if (!(whole >= 0.0f))
        return keys.begin()->second.value;
    // Rows past the 32-bit range lie after every key.
    if (whole >= 4294967296.0f)
        return keys.rbegin()->second.value;

    const KeySearch found = findKeys(uint32_t(whole));
    if (found.current == keys.end())
        return found.next->second.value;
    const TrackKey& current = found.current->second;
    if (found.next == keys.end())
        return current.value;
    if (current.type != Linear && current.type != Smooth && current.type != Ramp)
        return current.value;

    const uint32_t currentRow = found.current->first;
    const uint32_t span = found.next->first - currentRow;
    const float t = float((double(row) - double(currentRow)) / double(span));
    const float d = found.next->second.value - current.value;
    const float e = easedFraction(current.type, t);
    return float(double(d) * double(e) + double(current.value));
}

bool loadTrack(Track& track, const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return false;
    unsigned char bytes[9];
    if (std::fread(bytes, 1, 4, file.get()) != 4)
        return true;
    // Records are read one at a time, so a count larger than the file holds costs nothing:
    // reading stops at the first record the file does not supply completely.
    const uint32_t count = readU32(bytes);
    for (uint32_t i = 0; i < count; ++i) {
        if (std::fread(bytes, 1, 9, file.get()) != 9)
            break;
        const float value = std::bit_cast<float>(readU32(bytes + 4));
        track.setKey(readU32(bytes), TrackKey{value, int(static_cast<signed char>(bytes[8]))});
    }
    return true;
}

}  // namespace sync
}  // namespace orlunde
