// The file-backed sync device and the process-wide track tables.
#include "sync/device.h"

#include <new>

float SyncValues[kSyncTrackCount] = {};
sync::Track* SyncTracks[kSyncTrackCount] = {};

PlayerDevice::PlayerDevice(const std::string& basePath, sync::Timer* timer)
    : sync::Device(basePath), timer(timer) {}

PlayerDevice::~PlayerDevice() {
    // Tracks go in creation order, before the list itself.
    for (std::unique_ptr<sync::Track>& track : tracks)
        track.reset();
}

sync::Track* PlayerDevice::getTrack(const std::string& name) {
    for (const std::unique_ptr<sync::Track>& track : tracks)
        if (track && track->name == name)
            return track.get();
    sync::Track* track = tracks.emplace_back(std::make_unique<sync::Track>(name)).get();
    // A file that cannot be opened leaves the track empty: its value is 0 everywhere.
    sync::loadTrack(*track, basePath + "_" + name + ".track");
    return track;
}

bool PlayerDevice::update(float) {
    return true;
}

std::unique_ptr<sync::Device> createSyncDevice(const std::string& basePath, sync::Timer* timer) {
    return std::unique_ptr<sync::Device>(new (std::nothrow) PlayerDevice(basePath, timer));
}
