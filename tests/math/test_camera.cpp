#include "math/camera.h"

#include "sync/device.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

void setTracks(float mode, float angle, float radius, float height, float fov) {
    SyncValues[1] = mode;
    SyncValues[2] = angle;
    SyncValues[3] = radius;
    SyncValues[4] = height;
    SyncValues[5] = fov;
}

class CameraTracks : public ::testing::Test {
protected:
    void SetUp() override { TrackCamera = Camera(); }
    void TearDown() override {
        for (float& v : SyncValues) v = 0.0f;
        TrackCamera = Camera();
    }
};

}  // namespace

TEST_F(CameraTracks, DefaultsPointUpDownTheYAxis) {
    Camera c;
    EXPECT_EQ(c.up.y, -1.0f);
    EXPECT_EQ(c.zNear, 0.2f);
    EXPECT_EQ(c.zFar, 1000.0f);
    EXPECT_EQ(c.aspect, 1.7777778f);
    EXPECT_EQ(c.fov, 0.0f);
}

TEST_F(CameraTracks, OrbitPlacesTheEyeOppositeTheAngle) {
    struct Case {
        float angle;
        float x, z;
    } cases[] = {{0.0f, 0.0f, -10.0f}, {90.0f, -10.0f, 0.0f}, {180.0f, 0.0f, 10.0f}};
    for (const Case& c : cases) {
        setTracks(0.0f, c.angle, 10.0f, 2.0f, 90.0f);
        updateCameraFromTracks();
        EXPECT_NEAR(TrackCamera.eye.x, c.x, 1e-5f) << c.angle;
        EXPECT_EQ(TrackCamera.eye.y, 2.0f);
        EXPECT_NEAR(TrackCamera.eye.z, c.z, 1e-5f) << c.angle;
        EXPECT_EQ(TrackCamera.at, D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(TrackCamera.fov, 1.5707964f);
    }
    // The exact single-precision residue of sin(pi) shows in x.
    setTracks(0.0f, 0.0f, 10.0f, 2.0f, 90.0f);
    updateCameraFromTracks();
    EXPECT_NEAR(TrackCamera.eye.x, -8.74e-7f, 1e-8f);
}

TEST_F(CameraTracks, ModesTruncateTowardZero) {
    setTracks(0.9f, 0.0f, 10.0f, 2.0f, 90.0f);
    updateCameraFromTracks();
    EXPECT_NEAR(TrackCamera.eye.z, -10.0f, 1e-5f);

    setTracks(-0.5f, 180.0f, 10.0f, 2.0f, 90.0f);
    updateCameraFromTracks();
    EXPECT_NEAR(TrackCamera.eye.z, 10.0f, 1e-5f);

    // Mode 1 freezes the last view, whatever the other tracks do.
    setTracks(1.7f, 90.0f, 3.0f, 7.0f, 45.0f);
    updateCameraFromTracks();
    EXPECT_NEAR(TrackCamera.eye.z, 10.0f, 1e-5f);
    EXPECT_EQ(TrackCamera.fov, 1.5707964f);
}

TEST_F(CameraTracks, InvalidModesPrintAndKeepTheView) {
    setTracks(0.0f, 0.0f, 10.0f, 2.0f, 90.0f);
    updateCameraFromTracks();
    const D3DXVECTOR3 eye = TrackCamera.eye;
    for (auto [mode, text] : {std::pair{2.0f, "[2]"}, std::pair{-1.2f, "[-1]"}}) {
        SyncValues[1] = mode;
        testing::internal::CaptureStdout();
        updateCameraFromTracks();
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, std::string("no valdi cameramode selected ") + text + "\n");
        EXPECT_EQ(TrackCamera.eye, eye);
    }
}

TEST_F(CameraTracks, UpsideDownUpReversesBothScreenAxes) {
    Camera down, upright;
    down.setView({0, 0, -5}, {0, 0, 0}, 1.0f);
    upright = down;
    upright.up = D3DXVECTOR3(0, 1, 0);
    D3DXVECTOR3 p(1, 2, 0), a, b;
    D3DXMATRIX vd = down.viewMatrix(), vu = upright.viewMatrix();
    D3DXVec3TransformCoord(&a, &p, &vd);
    D3DXVec3TransformCoord(&b, &p, &vu);
    EXPECT_NEAR(a.x, -b.x, 1e-6f);
    EXPECT_NEAR(a.y, -b.y, 1e-6f);
    EXPECT_NEAR(a.z, b.z, 1e-6f);

    // view * projection puts the looked-at point in the middle of the picture.
    D3DXMATRIX vp = upright.viewProjectionMatrix();
    D3DXVECTOR3 centre(0, 0, 0), c;
    D3DXVec3TransformCoord(&c, &centre, &vp);
    EXPECT_NEAR(c.x, 0.0f, 1e-6f);
    EXPECT_NEAR(c.y, 0.0f, 1e-6f);
    EXPECT_GT(c.z, 0.0f);
    EXPECT_LT(c.z, 1.0f);
}
