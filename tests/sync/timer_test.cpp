// The music timer over a real stream played by the dummy audio driver.
#include "sync/timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

class Timer : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr)); }
    void TearDown() override { BASS_Free(); }
    HSTREAM open(const char* path) {
        const HSTREAM s = BASS_StreamCreateFile(FALSE, path, 0, 0, BASS_STREAM_PRESCAN);
        EXPECT_NE(s, 0u);
        return s;
    }
};

TEST_F(Timer, RowsFollowSecondsAtTheTempo) {
    struct Case {
        const char* path;
        double frameRate;
    };
    for (const Case c : {Case{"tests/fixtures/tone_2s.mp3", 44100}, Case{"tests/fixtures/tone_mono_22k.mp3", 22050}}) {
        const HSTREAM s = open(c.path);
        BassTimer timer(s, 150.0f, 8);
        EXPECT_EQ(timer.getRow(), 0.0f);
        EXPECT_EQ(timer.getSeconds(), 0.0f);

        timer.setRow(10.0f);
        EXPECT_EQ(timer.getSeconds(), 0.5f);
        EXPECT_EQ(timer.getRow(), 10.0f);
        EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), BASS_ChannelSeconds2Bytes(s, 0.5));

        // Round trips hold to one frame of the stream, one frame being 20 / rate rows.
        for (float row : {0.0f, 0.5f, 7.25f, 15.525f, 19.99f}) {
            timer.setRow(row);
            EXPECT_LE(timer.getRow(), row) << row;
            EXPECT_NEAR(timer.getRow(), row, 20.0 / c.frameRate) << row;
        }
        BASS_StreamFree(s);
    }

    const HSTREAM s = open("tests/fixtures/tone_2s.mp3");
    BassTimer timer(s, 150.0f, 8);
    timer.setRow(30.0f);
    EXPECT_EQ(timer.getSeconds(), 1.5f);
    EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), 66150u * 4);
    timer.setRow(30.5f);
    EXPECT_NEAR(timer.getSeconds(), 1.525f, 1.0f / 44100);

    BassTimer slow(s, 120.0f, 4);  // 8 rows a second
    slow.setRow(12.0f);
    EXPECT_EQ(slow.getSeconds(), 1.5f);
    EXPECT_EQ(slow.getRow(), 12.0f);
}

TEST_F(Timer, PlayResumesWherePauseStopped) {
    const HSTREAM s = open("tests/fixtures/tone_2s.mp3");
    BassTimer timer(s, 150.0f, 8);
    EXPECT_FALSE(timer.isPlaying());
    timer.setRow(10.0f);
    BASS_Start();
    const auto start = std::chrono::steady_clock::now();
    timer.play();
    EXPECT_TRUE(timer.isPlaying());
    std::this_thread::sleep_for(100ms);
    timer.pause();
    const double played = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_FALSE(timer.isPlaying());
    const float paused = timer.getRow();
    EXPECT_NEAR(paused, 10.0 + played * 20.0, 1.6);  // within 80 ms of the time played
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(timer.getRow(), paused);

    timer.play();
    EXPECT_GE(timer.getRow(), paused);
    const auto resumed = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(50ms);
    const float row = timer.getRow();
    const double since = std::chrono::duration<double>(std::chrono::steady_clock::now() - resumed).count();
    EXPECT_NEAR(row, paused + since * 20.0, 1.6);
}

}  // namespace
