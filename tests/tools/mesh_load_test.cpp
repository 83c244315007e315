// The shipped meshes load through the demo's own mesh loader on a real (GL) device.
#include "gfx/host.h"
#include "gfx/mesh.h"
#include "tools/meshtool/meshfile.h"

#include <gtest/gtest.h>

IDirect3DDevice9* d3dDevice = nullptr;
int WIDTH = 64;
int HEIGHT = 64;
int RENDERHEIGHT = 64;
DisplaySettings displaySettings;

namespace {

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// A small window and device for the whole program.
class Device : public testing::Environment {
public:
    void SetUp() override {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "mesh_load_test";
        RegisterClassExA(&windowClass);
        window = CreateWindowExA(0, "mesh_load_test", "mesh load test", WS_OVERLAPPEDWINDOW, 0, 0, WIDTH, HEIGHT,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(window, nullptr) << "no window (is a display running?)";
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS present{};
        present.BackBufferWidth = UINT(WIDTH);
        present.BackBufferHeight = UINT(HEIGHT);
        present.BackBufferFormat = D3DFMT_X8R8G8B8;
        present.BackBufferCount = 1;
        present.SwapEffect = D3DSWAPEFFECT_DISCARD;
        present.hDeviceWindow = window;
        present.Windowed = TRUE;
        present.EnableAutoDepthStencil = TRUE;
        present.AutoDepthStencilFormat = D3DFMT_D24S8;
        ASSERT_TRUE(SUCCEEDED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &present, &d3dDevice)));
    }
    void TearDown() override {
        if (d3dDevice) d3dDevice->Release();
        d3dDevice = nullptr;
        if (d3d) d3d->Release();
        if (window) DestroyWindow(window);
    }

private:
    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
};

const testing::Environment* const device = testing::AddGlobalTestEnvironment(new Device);

TEST(ShippedMeshes, LoadThroughTheDemosLoader) {
    const char* files[] = {"data/gris/h.SCENEauge2_3.mesh",      "data/gris/gris.SCENEgrismesh_1.mesh",
                           "data/gris/gris.SCENEkjeft_0.mesh",   "data/gris/gris.SCENEnasabor_7.mesh",
                           "data/gris/gris.SCENEring_2.mesh",    "data/gris/gris.SCENEtann_8.mesh",
                           "data/part_1/shape2.SCENEStar01.mesh"};
    for (const char* path : files) {
        SCOPED_TRACE(path);
        meshfile::Mesh expected = meshfile::decode(meshfile::readFile(path));
        Mesh mesh;
        mesh.loadFile(path);
        EXPECT_EQ(mesh.triangleCount, expected.triangleCount());
        EXPECT_EQ(mesh.vertexCount, expected.vertexCount());
        EXPECT_EQ(mesh.stride, 32u);
        EXPECT_NE(mesh.vertexBuffer, nullptr);
        EXPECT_NE(mesh.indexBuffer, nullptr);
        EXPECT_NE(mesh.declaration, nullptr);
        EXPECT_EQ(mesh.indices, expected.indices);
        ASSERT_EQ(mesh.vertexCopyA.size(), expected.vertexCount());
        EXPECT_EQ(mesh.vertexCopyA.back().texcoord[1], expected.vertices.back());
    }
}

}  // namespace
