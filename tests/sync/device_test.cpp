// The file-backed sync device and the shared track tables.
#include "sync/device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A track file with one key holding value at row 0.
void writeTrack(const fs::path& path, float value) {
    char bytes[13] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::memcpy(bytes + 8, &value, 4);
    std::ofstream(path, std::ios::binary).write(bytes, sizeof bytes);
}

class SyncDevice : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(testing::TempDir()) / ("sync_device_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        device = createSyncDevice((dir / "sync").string(), nullptr);
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
    std::unique_ptr<sync::Device> device;
};

TEST_F(SyncDevice, ReadsEachTrackFileOnce) {
    writeTrack(dir / "sync_pressure.track", 4.5f);
    sync::Track* first = device->getTrack("pressure");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->name, "pressure");
    EXPECT_EQ(first->getValue(12.0f), 4.5f);

    // Asked again, the device answers from memory: the file is gone and not missed.
    fs::remove(dir / "sync_pressure.track");
    EXPECT_EQ(device->getTrack("pressure"), first);
    EXPECT_EQ(first->getValue(12.0f), 4.5f);

    // A missing file gives an empty track, which is kept as well.
    sync::Track* missing = device->getTrack("flash");
    ASSERT_NE(missing, nullptr);
    EXPECT_TRUE(missing->keys.empty());
    writeTrack(dir / "sync_flash.track", 1.0f);
    EXPECT_EQ(device->getTrack("flash"), missing);
    EXPECT_EQ(missing->getValue(0.0f), 0.0f);
    EXPECT_EQ(device->getTrack("pressure"), first);
}

TEST_F(SyncDevice, NamesAreCaseSensitive) {
    writeTrack(dir / "sync_fov.track", 1.0f);
    writeTrack(dir / "sync_FOV.track", 2.0f);
    if (fs::equivalent(dir / "sync_fov.track", dir / "sync_FOV.track"))
        GTEST_SKIP() << "the file system ignores case";
    sync::Track* lower = device->getTrack("fov");
    sync::Track* upper = device->getTrack("FOV");
    EXPECT_NE(lower, upper);
    EXPECT_EQ(lower->getValue(0.0f), 1.0f);
    EXPECT_EQ(upper->getValue(0.0f), 2.0f);
}

TEST_F(SyncDevice, BindsEveryTableTrackAndUpdateNeverStops) {
    writeTrack(dir / "sync_vignetting.track", 3.0f);
    for (int i = 0; i < kSyncTrackCount; ++i)
        SyncTracks[i] = device->getTrack(kTrackNames[i]);
    for (int i = 0; i < kSyncTrackCount; ++i) {
        ASSERT_NE(SyncTracks[i], nullptr);
        EXPECT_EQ(SyncTracks[i]->name, kTrackNames[i]);
        for (int j = 0; j < i; ++j)
            EXPECT_NE(SyncTracks[i], SyncTracks[j]);
    }
    for (float row : {0.0f, 2580.0f, 1e7f}) {
        EXPECT_TRUE(device->update(row));
        for (int j = 0; j < kSyncTrackCount; ++j)
            SyncValues[j] = SyncTracks[j]->getValue(row);
        for (int j = 0; j < kSyncTrackCount - 1; ++j)
            EXPECT_EQ(SyncValues[j], 0.0f) << kTrackNames[j];
        EXPECT_EQ(SyncValues[22], 3.0f);
    }
    device.reset();
    for (sync::Track*& track : SyncTracks)
        track = nullptr;
}

TEST(SyncTables, NameTheTracksInTableOrder) {
    EXPECT_EQ(kTrackNameCount, 24);
    EXPECT_EQ(kTrackNames[kTrackNameCount - 1], nullptr);
    EXPECT_STREQ(kTrackNames[0], "part");
    EXPECT_STREQ(kTrackNames[5], "fov");
    EXPECT_STREQ(kTrackNames[12], "FallOff");
    EXPECT_STREQ(kTrackNames[18], "char_spesial");
    EXPECT_STREQ(kTrackNames[22], "vignetting");
    EXPECT_EQ(std::size(SyncValues), 23u);
    EXPECT_EQ(std::size(SyncTracks), 23u);
}

}  // namespace
