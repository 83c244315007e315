// Cameras: a look-at view with a perspective projection. TrackCamera is steered by the sync
// tracks every frame; HeadCamera is set by the head scene.
#pragma once

#include "platform/d3dx9math.h"

struct Camera {
    D3DXVECTOR3 up{0.0f, -1.0f, 0.0f};  // pointing down the Y axis
    D3DXVECTOR3 eye{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 at{0.0f, 0.0f, 0.0f};
    float fov = 0.0f;  // vertical field of view, radians
    float zNear = 0.2f;
    float zFar = 1000.0f;
    float aspect = 1.7777778f;

    void setView(const D3DXVECTOR3& newEye, const D3DXVECTOR3& newAt, float newFov);
    D3DXMATRIX viewMatrix() const;
    D3DXMATRIX projectionMatrix() const;
    D3DXMATRIX viewProjectionMatrix() const;
};

extern Camera TrackCamera;
extern Camera HeadCamera;

// Reads camera_mode, camera_1..3 and fov from SyncValues and updates TrackCamera.
void updateCameraFromTracks();
