// The sync device: hands out tracks by name, loading each from its track file once, and the
// process-wide track tables the frame loop fills and the scenes read.
#pragma once

#include "sync/timer.h"
#include "sync/track.h"

#include <iterator>
#include <memory>
#include <string>
#include <vector>

inline namespace orlunde {
namespace sync {

class Device {
public:
    explicit Device(const std::string& basePath) : basePath(basePath) {}
    virtual ~Device() {}
    // The track with that name (case-sensitive); the pointer lives as long as the device.
    virtual Track* getTrack(const std::string& name) = 0;
    // Told the current row once per frame; false asks the frame loop to stop.
    virtual bool update(float row) = 0;

protected:
    std::string basePath;
};

}  // namespace sync
}  // namespace orlunde

// Plays tracks back from files: basePath + "_" + name + ".track", read on first request.
class PlayerDevice final : public sync::Device {
public:
    PlayerDevice(const std::string& basePath, sync::Timer* timer);
    ~PlayerDevice() override;

    sync::Track* getTrack(const std::string& name) override;
    bool update(float row) override;

private:
    std::vector<std::unique_ptr<sync::Track>> tracks;  // creation order, owned
    sync::Timer* timer;                                // not owned
};

// A PlayerDevice over basePath and timer; null only when it cannot be created.
std::unique_ptr<sync::Device> createSyncDevice(const std::string& basePath, sync::Timer* timer);

// The track names in table order, ended by a null entry; index i names SyncValues[i].
inline constexpr const char* kTrackNames[] = {
    "part",      "camera_mode", "camera_1",   "camera_2",     "camera_3",   "fov",
    "twirl",     "flash",       "offset_x",   "offset_y",     "scale",      "focus",
    "FallOff",   "FarClip",     "Eksponent",  "char_scale",   "char_y",     "char_x",
    "char_spesial", "stencil_id", "stencil_z", "pressure",    "vignetting", nullptr,
};
// Entries of kTrackNames, the null entry included.
inline constexpr int kTrackNameCount = static_cast<int>(std::size(kTrackNames));
// The number of tracks.
inline constexpr int kSyncTrackCount = kTrackNameCount - 1;

// The current value of each track, rewritten every frame before anything is drawn.
extern float SyncValues[kSyncTrackCount];
// The track of each name, owned by the sync device, filled once at start-up.
extern sync::Track* SyncTracks[kSyncTrackCount];
