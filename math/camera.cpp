#include "math/camera.h"

#include "math/transform.h"
#include "sync/device.h"

#include <cstdio>

Camera TrackCamera;
Camera HeadCamera;

void Camera::setView(const D3DXVECTOR3& newEye, const D3DXVECTOR3& newAt, float newFov) {
    eye = newEye;
    at = newAt;
    fov = newFov;
}

D3DXMATRIX Camera::viewMatrix() const {
    D3DXMATRIX m = identityMatrix();
    D3DXMatrixLookAtLH(&m, &eye, &at, &up);
    return m;
}

D3DXMATRIX Camera::projectionMatrix() const {
    D3DXMATRIX m = identityMatrix();
    D3DXMatrixPerspectiveFovLH(&m, fov, aspect, zNear, zFar);
    return m;
}

D3DXMATRIX Camera::viewProjectionMatrix() const { return multiply(viewMatrix(), projectionMatrix()); }

void updateCameraFromTracks() {
    const float cameraMode = SyncValues[1];
    const float camera1 = SyncValues[2];
    const float camera2 = SyncValues[3];
    const float camera3 = SyncValues[4];
    const float fovDegrees = SyncValues[5];

    const int mode = truncToInt(cameraMode);
    if (mode == 1) return;  // hold the last view
    if (mode != 0) {
        std::printf("no valdi cameramode selected [%d]\n", mode);
        return;
    }

    // Orbit about the origin: camera_1 is the angle in degrees (the camera stands opposite it),
    // camera_2 the radius, camera_3 the height; the fov track is in degrees.
    const double P = 3.1415927410125732;  // pi rounded to single precision
    const float angle = static_cast<float>((static_cast<double>(camera1) + camera1) * P / 360.0 + P);
    const float radius = camera2;
    const float height = camera3;
    const float fieldOfView = static_cast<float>(static_cast<double>(fovDegrees) * P * 2 / 360.0);
    const float x = sinF(angle) * radius;
    const float z = cosF(angle) * radius;
    TrackCamera.setView(D3DXVECTOR3(x, height, z), D3DXVECTOR3(0.0f, 0.0f, 0.0f), fieldOfView);
}
