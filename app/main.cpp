// Program entry for both builds: settings dialog, window and device, content, music, sync
// tracks, then the frame loop until the music passes 129 seconds or the viewer quits.
// orlunde_console (ORLUNDE_DEVELOPMENT) has a console entry and serves the R and T hot keys;
// orlunde has the windowed entry WinMain and no reload steps.
#include "app/demo_window.h"
#include "app/frame_loop.h"
#include "app/setup_dialog.h"
#include "demo/demo.h"
#include "gfx/effects.h"
#include "gfx/textures.h"
#include "platform/bass.h"
#include "platform/win32.h"
#include "platform/winmain.h"
#include "sync/device.h"
#include "sync/timer.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

namespace {

// The per-frame work around the sync tracks, on the real window, device and sound output.
struct DemoHost {
    DemoWindow& window;

    void drawFrame(float seconds) { ::drawFrame(seconds); }
    void endFrame() { window.endFrame(); }

    void serveReloads() {
#if ORLUNDE_DEVELOPMENT
        // Textures before effects when both keys were pressed.
        if (reloadTexturesFlag == 1) {
            std::printf("Reloading textures\n");
            sceneTextures.reloadAllTextures();
            std::printf("Reloading Done!\n");
            reloadTexturesFlag = 0;
        }
        if (recompileShadersFlag == 1) {
            std::printf("Recompiling Shaders...\n");
            mainEffects.recompileAllEffects();
            std::printf("Finished Compiling Shaders\n");
            recompileShadersFlag = 0;
        }
#endif
    }

    void updateAudio() { BASS_Update(0); }

    // Drains the whole queue; true when a quit message or an Escape key-down came through.
    bool drainMessages() {
        bool quit = false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (msg.message == WM_QUIT) quit = true;
            if (msg.message == WM_KEYDOWN && (msg.wParam & 0xFFFF) == VK_ESCAPE) quit = true;
        }
        return quit;
    }
};

int runDemo() {
    try {
        DemoWindow window;
        if (!runSetupDialog()) return 0;
        if (!window.open()) std::printf("sorry, the window creation sucked\n");
        // Loading and every frame draw through the device: without one there is nothing to run.
        if (!d3dDevice) throw std::string("no Direct3D device: the demo cannot draw");

        loadDemo();

        if (!BASS_Init(1, 44100, 0, nullptr, nullptr)) throw std::string("failed to init bass");
        const HSTREAM stream = BASS_StreamCreateFile(FALSE, "data/tarnvik.mp3", 0, 0, BASS_STREAM_PRESCAN);
        if (!stream) throw std::string("failed to open tune");

        BassTimer timer(stream, 150.0f, 8);
        std::unique_ptr<sync::Device> device = createSyncDevice("data/sync", &timer);
        if (!device) throw std::string("something went wrong - failed to connect to host?");

        std::printf("size of : %i\n", kTrackNameCount);
        for (int i = 0; i < kSyncTrackCount; ++i) SyncTracks[i] = device->getTrack(std::string(kTrackNames[i]));

        BASS_Start();
        timer.play();

        DemoHost host{window};
        runFrameLoop(timer, *device, host);

        BASS_StreamFree(stream);
        BASS_Free();
        device.reset();
        return 0;  // the timer, then the window, go out of scope in that order
    } catch (const std::string& text) {
        std::fprintf(stderr, "*** error: %s\n", text.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "*** error: %s\n", e.what());
    }
    return -1;
}

}  // namespace

#if ORLUNDE_DEVELOPMENT
int main(int, char**) { return runDemo(); }
#else
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return runDemo(); }
#endif
