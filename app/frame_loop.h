// The frame loop: one iteration per frame until the music passes 129 seconds, a quit message
// arrives or Escape is pressed. The timer and the host are template parameters so that the
// same loop runs against the music timer, a frame-stepped timer or a test's scripted clock.
#pragma once

#include "sync/device.h"

// The music position after which the demo ends; exactly this position does not end it.
inline constexpr float kDemoEndSeconds = 129.0f;

// Timer: getRow() and getSeconds() (a fresh reading at each call).
// Host: drawFrame(seconds), endFrame(), serveReloads(), updateAudio(), and drainMessages(),
// which returns true when a quit message or an Escape key-down was among the messages.
// The quit flag is tested only at the top, so an iteration that sets it runs to its end.
template <class Timer, class Host>
void runFrameLoop(Timer& timer, sync::Device& device, Host& host) {
    bool quit = false;
    while (!quit) {
        const float row = timer.getRow();
        if (!device.update(row)) quit = true;
        for (int j = 0; j < kSyncTrackCount; ++j) SyncValues[j] = SyncTracks[j]->getValue(row);
        host.drawFrame(timer.getSeconds());
        host.endFrame();
        host.serveReloads();
        host.updateAudio();
        if (host.drainMessages()) quit = true;
        if (timer.getSeconds() > kDemoEndSeconds) quit = true;
    }
}
