// The frame loop's order of work and its end conditions, against a scripted clock.
#include "app/frame_loop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Answers getSeconds from a script: one entry per reading, the last one repeated.
struct ScriptedTimer {
    std::vector<float> seconds;
    size_t next = 0;
    std::vector<std::string>* log;

    float read() {
        float s = seconds[next < seconds.size() ? next : seconds.size() - 1];
        ++next;
        return s;
    }
    float getRow() {
        log->push_back("row");
        return read() * 20.0f;
    }
    float getSeconds() {
        log->push_back("seconds");
        return read();
    }
};

struct CountingDevice : sync::Device {
    int updates = 0;
    int stopAfter = -1;  // update answers false on this call (1-based); -1 never
    CountingDevice() : sync::Device("unused") {}
    sync::Track* getTrack(const std::string&) override { return nullptr; }
    bool update(float) override { return ++updates != stopAfter; }
};

struct RecordingHost {
    explicit RecordingHost(std::vector<std::string>* l) : log(l) {}
    std::vector<std::string>* log;
    std::vector<float> drawnAt;
    int quitOnDrain = -1;  // drain reports quit on this frame (1-based)
    int frames = 0;

    void drawFrame(float s) {
        log->push_back("draw");
        drawnAt.push_back(s);
    }
    void endFrame() { log->push_back("end"); }
    void serveReloads() { log->push_back("reloads"); }
    void updateAudio() { log->push_back("audio"); }
    bool drainMessages() {
        log->push_back("messages");
        return ++frames == quitOnDrain;
    }
};

class FrameLoop : public ::testing::Test {
protected:
    std::vector<std::unique_ptr<sync::Track>> tracks;
    std::vector<std::string> log;

    void SetUp() override {
        for (int i = 0; i < kSyncTrackCount; ++i) {
            tracks.push_back(std::make_unique<sync::Track>(kTrackNames[i]));
            // Track i rises linearly by i per row, so each value shows which row it came from.
            tracks.back()->setKey(0, {0.0f, sync::Linear});
            tracks.back()->setKey(100000, {100000.0f * i, sync::Step});
            SyncTracks[i] = tracks.back().get();
        }
    }
    void TearDown() override {
        for (auto& t : SyncTracks) t = nullptr;
        for (auto& v : SyncValues) v = 0.0f;
    }
};

}  // namespace

TEST_F(FrameLoop, RunsEachFrameInOrderAndEndsStrictlyAfter129Seconds) {
    // Each frame reads the clock three times: row, draw time, end test.
    ScriptedTimer timer{{1.0f, 1.01f, 1.02f,  // frame 1
                         128.9f, 129.0f, 129.0f,  // frame 2: exactly 129 does not end it
                         129.0f, 129.05f, 129.1f},  // frame 3: above 129 ends after this frame
                        0, &log};
    CountingDevice device;
    RecordingHost host(&log);
    runFrameLoop(timer, device, host);

    EXPECT_EQ(device.updates, 3);
    ASSERT_EQ(host.drawnAt.size(), 3u);
    // drawFrame gets a fresh seconds reading, not the row's.
    EXPECT_FLOAT_EQ(host.drawnAt[0], 1.01f);
    EXPECT_FLOAT_EQ(host.drawnAt[2], 129.05f);
    const std::vector<std::string> frame = {"row", "seconds", "draw", "end", "reloads", "audio", "messages", "seconds"};
    ASSERT_EQ(log.size(), 3 * frame.size());
    for (size_t i = 0; i < log.size(); ++i) EXPECT_EQ(log[i], frame[i % frame.size()]) << i;

    // All tracks were evaluated at the same row: the last frame's row is 129.0 s * 20.
    for (int i = 0; i < kSyncTrackCount; ++i) EXPECT_FLOAT_EQ(SyncValues[i], 2580.0f * i) << i;
}

TEST_F(FrameLoop, DeviceStopAndQuitMessagesFinishTheCurrentFrame) {
    {
        ScriptedTimer timer{{5.0f}, 0, &log};
        CountingDevice device;
        device.stopAfter = 2;
        RecordingHost host(&log);
        runFrameLoop(timer, device, host);
        EXPECT_EQ(host.drawnAt.size(), 2u);  // the frame whose update said stop is still drawn
        EXPECT_EQ(log.back(), "seconds");
    }
    {
        log.clear();
        ScriptedTimer timer{{5.0f}, 0, &log};
        CountingDevice device;
        RecordingHost host(&log);
        host.quitOnDrain = 4;
        runFrameLoop(timer, device, host);
        EXPECT_EQ(host.drawnAt.size(), 4u);
        EXPECT_EQ(device.updates, 4);
    }
}

TEST_F(FrameLoop, MusicShorterThanTheDemoRunsUntilTheViewerQuits) {
    // The position stays at the end of a 100-second stream.
    ScriptedTimer timer{{100.0f}, 0, &log};
    CountingDevice device;
    RecordingHost host(&log);
    host.quitOnDrain = 50;
    runFrameLoop(timer, device, host);
    EXPECT_EQ(host.drawnAt.size(), 50u);
}
