// Demo content: loading and the per-frame part dispatcher. The scenes are still to come, so
// loading has nothing to do yet and every frame shows the picture area cleared to black.
#include "demo/demo.h"

#include "gfx/host.h"
#include "math/camera.h"

#include <cstdio>

void loadDemo() { std::printf("Loading Demo....\n"); }

void drawFrame(float) {
    updateCameraFromTracks();
    if (!d3dDevice) return;
    d3dDevice->BeginScene();
    d3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    d3dDevice->EndScene();
    d3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
}
