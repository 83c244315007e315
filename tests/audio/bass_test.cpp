// The BASS stand-in under SDL's dummy audio driver, which consumes samples in real time.
#include "platform/bass.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

const char* const kStereo = "tests/fixtures/tone_2s.mp3";      // 44100 Hz, 2 channels, 2.0 s
const char* const kMono = "tests/fixtures/tone_mono_22k.mp3";  // 22050 Hz, 1 channel, 1.0 s

std::filesystem::path scratchFile(const std::string& name, const std::vector<char>& bytes) {
    const std::filesystem::path path = std::filesystem::path(testing::TempDir()) / name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

std::vector<char> fileBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

double positionSeconds(HSTREAM s) {
    return BASS_ChannelBytes2Seconds(s, BASS_ChannelGetPosition(s, BASS_POS_BYTE));
}

int threadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

class Bass : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr)); }
    void TearDown() override {
        EXPECT_TRUE(BASS_Free());
        EXPECT_EQ(bassLiveStreamCount(), 0);
        EXPECT_FALSE(bassDeviceIsOpen());
    }
    HSTREAM open(const char* path) {
        const HSTREAM s = BASS_StreamCreateFile(FALSE, path, 0, 0, BASS_STREAM_PRESCAN);
        EXPECT_NE(s, 0u) << path;
        return s;
    }
};

TEST(BassLifecycle, InitFailsWithoutAnOutputDevice) {
    struct Case {
        const char* driver;
        const char* device;
    };
    const char* const configured = std::getenv("SDL_AUDIODRIVER");
    const std::string driver = configured ? configured : "dummy";
    // An unknown driver fails to initialise; ALSA has no device by that name.
    for (const Case c : {Case{"no-such-driver", nullptr}, Case{"alsa", "hw:97,3"}}) {
        setenv("SDL_AUDIODRIVER", c.driver, 1);
        if (c.device)
            setenv("AUDIODEV", c.device, 1);
        EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr)) << c.driver;
        EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
        EXPECT_FALSE(bassDeviceIsOpen());
        unsetenv("AUDIODEV");
    }
    setenv("SDL_AUDIODRIVER", driver.c_str(), 1);
}

TEST(BassLifecycle, CallsNeedInitAndFreeLeavesNothingRunning) {
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, kStereo, 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_Free());
    EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));  // no "no sound" device here

    const int threadsBefore = threadCount();
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    const HSTREAM s = BASS_StreamCreateFile(FALSE, kStereo, 0, 0, 0);
    ASSERT_NE(s, 0u);
    EXPECT_TRUE(BASS_ChannelPlay(s, FALSE));
    EXPECT_EQ(bassLiveStreamCount(), 1);

    // Free releases the streams still open, the device and its thread.
    EXPECT_TRUE(BASS_Free());
    EXPECT_EQ(bassLiveStreamCount(), 0);
    EXPECT_EQ(threadCount(), threadsBefore);
    EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), QWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(Bass, RejectsFilesThatAreNotMpegAudio) {
    std::mt19937 random(1234);
    std::vector<char> noise(64 * 1024);
    for (char& c : noise)
        c = char(random());
    const std::vector<char> mp3 = fileBytes(kStereo);
    const std::vector<char> header(mp3.begin(), mp3.begin() + 300);  // part of the first frame
    // A few real frames lost in noise: the decoder would skip the noise and play them.
    std::vector<char> buried = noise;
    std::copy(mp3.begin() + 4000, mp3.begin() + 6000, buried.begin() + 30000);

    const std::string cases[] = {
        "tests/fixtures/no-such-file.mp3",
        scratchFile("empty.mp3", {}).string(),
        scratchFile("noise.mp3", noise).string(),
        scratchFile("header.mp3", header).string(),
        scratchFile("buried.mp3", buried).string(),
        "tests/fixtures/aac_in_mp4.mp3",  // false MPEG frames between AAC data
        testing::TempDir(),  // a directory
    };
    for (const std::string& path : cases) {
        EXPECT_EQ(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_PRESCAN), 0u) << path;
        EXPECT_NE(BASS_ErrorGetCode(), BASS_OK) << path;
    }
    EXPECT_EQ(BASS_StreamCreateFile(TRUE, noise.data(), 0, noise.size(), 0), 0u);
    EXPECT_EQ(bassLiveStreamCount(), 0);
}

TEST_F(Bass, LengthAndConversionsFollowTheStreamsOwnFormat) {
    struct Case {
        const char* path;
        QWORD frameBytes;
        double rate;
        double seconds;
    };
    for (const Case c : {Case{kStereo, 4, 44100, 2.0}, Case{kMono, 2, 22050, 1.0}}) {
        const HSTREAM s = open(c.path);
        const QWORD length = BASS_ChannelGetLength(s, BASS_POS_BYTE);
        EXPECT_EQ(length, QWORD(c.seconds * c.rate) * c.frameBytes) << c.path;
        EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(s, length), c.seconds);
        EXPECT_EQ(BASS_ChannelSeconds2Bytes(s, 0.5), QWORD(c.rate / 2) * c.frameBytes);
        EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(s, QWORD(c.rate / 5) * c.frameBytes), 0.2);
        // Seconds from bytes convert back to the same bytes, whatever the rounding of the division.
        int roundTripMisses = 0;
        for (QWORD bytes = 0; bytes <= length; bytes += c.frameBytes)
            roundTripMisses += BASS_ChannelSeconds2Bytes(s, BASS_ChannelBytes2Seconds(s, bytes)) != bytes;
        EXPECT_EQ(roundTripMisses, 0);
        EXPECT_EQ(BASS_ChannelSeconds2Bytes(s, -1.0), QWORD(-1));
        EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), 0u);
        EXPECT_EQ(BASS_ChannelIsActive(s), DWORD(BASS_ACTIVE_STOPPED));
        EXPECT_TRUE(BASS_StreamFree(s));
        EXPECT_FALSE(BASS_StreamFree(s));
    }
}

TEST_F(Bass, TruncatedAndInMemoryStreamsPlayWhatTheyHold) {
    const std::vector<char> whole = fileBytes(kStereo);
    const HSTREAM memory = BASS_StreamCreateFile(TRUE, whole.data(), 0, whole.size(), 0);
    ASSERT_NE(memory, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(memory, BASS_POS_BYTE), 88200u * 4);

    // Cut anywhere, even a few frames in, a file plays the frames it holds completely.
    for (const size_t cut : {size_t(1000), size_t(2500)}) {
        const std::vector<char> start(whole.begin(), whole.begin() + long(cut));
        const HSTREAM s = open(scratchFile("start.mp3", start).c_str());
        EXPECT_GT(BASS_ChannelGetLength(s, BASS_POS_BYTE), 0u) << cut;
        BASS_StreamFree(s);
    }
    const std::vector<char> half(whole.begin(), whole.begin() + long(whole.size() / 2));
    const HSTREAM truncated = open(scratchFile("half.mp3", half).c_str());
    const double seconds = BASS_ChannelBytes2Seconds(truncated, BASS_ChannelGetLength(truncated, BASS_POS_BYTE));
    EXPECT_GT(seconds, 0.9);
    EXPECT_LT(seconds, 1.1);

    // A byte range of a file: the second half alone still decodes once the decoder resyncs.
    const HSTREAM range = BASS_StreamCreateFile(FALSE, kStereo, whole.size() / 2, 0, 0);
    ASSERT_NE(range, 0u);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(range, BASS_ChannelGetLength(range, BASS_POS_BYTE)), 1.0, 0.1);
    EXPECT_EQ(bassLiveStreamCount(), 3);
}

TEST_F(Bass, SeekingIsExactAndBoundedByTheLength) {
    const HSTREAM s = open(kMono);
    const QWORD length = BASS_ChannelGetLength(s, BASS_POS_BYTE);
    EXPECT_TRUE(BASS_ChannelSetPosition(s, 12346, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), 12346u);
    EXPECT_TRUE(BASS_ChannelSetPosition(s, 12347, BASS_POS_BYTE));  // mid-frame: rounds down
    EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), 12346u);
    EXPECT_TRUE(BASS_ChannelSetPosition(s, length, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), length);
    EXPECT_FALSE(BASS_ChannelSetPosition(s, length + 2, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
    EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), length);
}

TEST_F(Bass, PlayingAdvancesAtTheStreamsRateAndPauseHolds) {
    for (const char* path : {kStereo, kMono}) {
        const HSTREAM s = open(path);
        ASSERT_TRUE(BASS_Start());
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(BASS_ChannelPlay(s, FALSE));
        EXPECT_EQ(BASS_ChannelIsActive(s), DWORD(BASS_ACTIVE_PLAYING));
        QWORD last = 0;
        while (std::chrono::steady_clock::now() - start < 300ms) {
            const QWORD position = BASS_ChannelGetPosition(s, BASS_POS_BYTE);
            EXPECT_GE(position, last);
            last = position;
            std::this_thread::sleep_for(2ms);
        }
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double heard = positionSeconds(s);
        // Wide enough for a busy machine, narrow enough to catch the wrong rate or format.
        EXPECT_NEAR(heard, elapsed, 0.08) << path;

        ASSERT_TRUE(BASS_ChannelPause(s));
        EXPECT_EQ(BASS_ChannelIsActive(s), DWORD(BASS_ACTIVE_PAUSED));
        const QWORD paused = BASS_ChannelGetPosition(s, BASS_POS_BYTE);
        std::this_thread::sleep_for(60ms);
        EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), paused);
        EXPECT_FALSE(BASS_ChannelPause(s));

        // Playing again resumes where the pause left off; it does not rewind.
        ASSERT_TRUE(BASS_ChannelPlay(s, FALSE));
        const auto resumed = std::chrono::steady_clock::now();
        EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), paused);
        std::this_thread::sleep_for(50ms);
        const double advanced = positionSeconds(s) - BASS_ChannelBytes2Seconds(s, paused);
        const double since = std::chrono::duration<double>(std::chrono::steady_clock::now() - resumed).count();
        EXPECT_NEAR(advanced, since, 0.04) << path;

        // Restart goes back to the beginning.
        ASSERT_TRUE(BASS_ChannelPlay(s, TRUE));
        EXPECT_LT(positionSeconds(s), 0.02);
        BASS_StreamFree(s);
    }
}

TEST_F(Bass, PositionStaysAtTheEndOnceTheMusicHasRunOut) {
    const HSTREAM s = open(kMono);
    const QWORD length = BASS_ChannelGetLength(s, BASS_POS_BYTE);
    ASSERT_TRUE(BASS_ChannelSetPosition(s, BASS_ChannelSeconds2Bytes(s, 0.85), BASS_POS_BYTE));
    ASSERT_TRUE(BASS_ChannelPlay(s, FALSE));
    const auto start = std::chrono::steady_clock::now();
    while (BASS_ChannelIsActive(s) == BASS_ACTIVE_PLAYING && std::chrono::steady_clock::now() - start < 2s)
        std::this_thread::sleep_for(5ms);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(took, 0.12);
    EXPECT_LT(took, 0.4);
    EXPECT_EQ(BASS_ChannelIsActive(s), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), length);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), length);

    // Playing on at the end stays at the end.
    ASSERT_TRUE(BASS_ChannelPlay(s, FALSE));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), length);
    EXPECT_EQ(BASS_ChannelIsActive(s), DWORD(BASS_ACTIVE_STOPPED));
}

}  // namespace
