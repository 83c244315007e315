// Windows and messages from real SDL/X11 events under Xvfb.
#include "platform/win32.h"
#include "x11_probe.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
};
std::vector<Seen> procLog;

LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    procLog.push_back({message, wParam});
    if (message == WM_DESTROY)
        PostQuitMessage(7);
    return DefWindowProcA(window, message, wParam, lParam);
}

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        procLog.clear();
        win32ResetKeyState();
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = probeProc;
        wc.lpszClassName = "probe";
        ASSERT_NE(RegisterClassExA(&wc), 0);
    }
    void TearDown() override {
        if (window)
            DestroyWindow(window);
        EXPECT_TRUE(UnregisterClassA("probe", nullptr));
    }

    HWND open(int clientW = 320, int clientH = 240, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
        RECT r{0, 0, clientW, clientH};
        AdjustWindowRect(&r, style, FALSE);
        window = CreateWindowExA(0, "probe", "probe", style, 10, 10, r.right - r.left, r.bottom - r.top, nullptr,
                                 nullptr, nullptr, nullptr);
        return window;
    }

    unsigned long xWindow() { return x11WindowOf(win32SdlWindow(window)); }

    // Gives the window the keyboard focus, then types with XTEST as a viewer would.
    void type(const std::string& keys) {
        // Let the window be mapped and settle first; keys typed before are lost.
        Uint32 settle = SDL_GetTicks() + 150;
        while (SDL_GetTicks() < settle) {
            SDL_PumpEvents();
            SDL_Delay(5);
        }
        std::string focus = "xdotool windowfocus --sync " + std::to_string(xWindow());
        ASSERT_EQ(std::system(focus.c_str()), 0);
        ASSERT_EQ(std::system(("xdotool key --delay 20 " + keys).c_str()), 0);
    }

    // Runs a message loop like the frame loop's until `done` holds or `ms` milliseconds pass.
    std::vector<MSG> pump(const std::function<bool(const MSG&)>& done, Uint32 ms = 2000) {
        std::vector<MSG> seen;
        Uint32 until = SDL_GetTicks() + ms;
        while (SDL_GetTicks() < until) {
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&m);
                DispatchMessageA(&m);
                seen.push_back(m);
                if (done(m))
                    return seen;
            }
            SDL_Delay(5);
        }
        return seen;
    }

    HWND window = nullptr;
};

TEST_F(WindowTest, KeysTypedIntoTheWindowArriveAsKeyDownsWithVirtualKeys) {
    ASSERT_NE(open(), nullptr);
    type("Escape r 5 Return space Tab Left F5 shift+a");
    std::vector<WPARAM> downs;
    std::vector<WPARAM> chars;
    pump([&](const MSG& m) {
        if (m.message == WM_KEYDOWN) {
            EXPECT_EQ(m.hwnd, window);
            downs.push_back(m.wParam);
        }
        if (m.message == WM_CHAR)
            chars.push_back(m.wParam);
        return m.message == WM_KEYUP && m.wParam == 'A';
    });
    std::vector<WPARAM> expected = {VK_ESCAPE, 'R', '5', VK_RETURN, VK_SPACE, VK_TAB, VK_LEFT, VK_F5, VK_SHIFT, 'A'};
    EXPECT_EQ(downs, expected);
    std::vector<WPARAM> expectedChars = {VK_ESCAPE, 'r', '5', '\r', ' ', '\t', 'A'};
    EXPECT_EQ(chars, expectedChars);
    // Pressed since the last query, though released by now; the query clears it.
    EXPECT_NE(GetAsyncKeyState(VK_ESCAPE), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
    EXPECT_EQ(GetAsyncKeyState('Q'), 0);
}

TEST_F(WindowTest, HeldKeyReadsAsDownUntilReleased) {
    ASSERT_NE(open(), nullptr);
    std::string focus = "xdotool windowfocus --sync " + std::to_string(xWindow()) + " keydown t";
    ASSERT_EQ(std::system(focus.c_str()), 0);
    pump([](const MSG& m) { return m.message == WM_KEYDOWN; });
    EXPECT_EQ(GetAsyncKeyState('T') & 0x8001, 0x8001);
    EXPECT_EQ(GetAsyncKeyState('T') & 0x8001, 0x8000);
    ASSERT_EQ(std::system("xdotool keyup t"), 0);
    pump([](const MSG& m) { return m.message == WM_KEYUP; });
    EXPECT_EQ(GetAsyncKeyState('T'), 0);
}

std::vector<UINT> closeChain() {
    std::vector<UINT> chain;
    for (const Seen& s : procLog)
        if (s.message == WM_SYSCOMMAND || s.message == WM_CLOSE || s.message == WM_DESTROY)
            chain.push_back(s.message);
    return chain;
}

TEST_F(WindowTest, CloseBoxAndAltF4RunCloseThenDestroyThenQuit) {
    for (int viaKeys = 0; viaKeys < 2; ++viaKeys) {
        procLog.clear();
        ASSERT_NE(open(), nullptr);
        int before = win32WindowCount();
        if (viaKeys)
            type("alt+F4");
        else
            ASSERT_TRUE(x11RequestClose(xWindow()));
        std::vector<MSG> seen = pump([](const MSG& m) { return m.message == WM_QUIT; });
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back().message, (UINT)WM_QUIT) << "via keys " << viaKeys;
        EXPECT_EQ(seen.back().wParam, 7u);
        EXPECT_EQ(closeChain(), (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY})) << "via keys " << viaKeys;
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(win32WindowCount(), before - 1);
        window = nullptr;
    }
}

TEST_F(WindowTest, ClientAreaIsTheRequestedSizeInsideTheAdjustedRect) {
    const DWORD styles[] = {WS_OVERLAPPEDWINDOW, WS_POPUP, WS_CAPTION | WS_SYSMENU, WS_POPUP | WS_BORDER};
    for (DWORD style : styles) {
        RECT r{0, 0, 400, 300};
        AdjustWindowRect(&r, style, FALSE);
        if (style == WS_OVERLAPPEDWINDOW) {
            EXPECT_TRUE(r.left < 0 && r.top < r.left && r.right > 400 && r.bottom > 300);
        }
        ASSERT_NE(open(400, 300, style), nullptr);
        RECT client{};
        ASSERT_TRUE(GetClientRect(window, &client));
        EXPECT_EQ(client.right, 400) << std::hex << style;
        EXPECT_EQ(client.bottom, 300) << std::hex << style;
        int w = 0, h = 0;
        SDL_GetWindowSize(win32SdlWindow(window), &w, &h);
        EXPECT_EQ(w, 400);
        EXPECT_EQ(h, 300);
        DestroyWindow(window);
        window = nullptr;
    }
}

TEST_F(WindowTest, CreationSendsCreateAndSizeAndHandlesMapBothWays) {
    ASSERT_NE(open(), nullptr);
    ASSERT_GE(procLog.size(), 2u);
    EXPECT_EQ(procLog[0].message, (UINT)WM_CREATE);
    EXPECT_EQ(procLog[1].message, (UINT)WM_SIZE);
    SDL_Window* sdl = win32SdlWindow(window);
    ASSERT_NE(sdl, nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_OPENGL);
    EXPECT_EQ(win32WindowFromSdl(sdl), window);
    EXPECT_EQ(win32SdlWindow(nullptr), nullptr);
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
}

TEST_F(WindowTest, PostedMessagesKeepOrderFiltersAndQuitComesLast) {
    ASSERT_NE(open(), nullptr);
    pump([](const MSG&) { return false; }, 100);
    PostQuitMessage(3);
    ASSERT_TRUE(PostMessageA(window, WM_USER + 1, 1, 0));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 2, 2, 0));
    ASSERT_TRUE(PostMessageA(window, WM_USER + 3, 3, 0));
    MSG m{};
    // Window filter and range filter.
    ASSERT_TRUE(PeekMessageA(&m, window, WM_USER + 3, WM_USER + 3, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, 3u);
    ASSERT_TRUE(PeekMessageA(&m, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER + 1);
    ASSERT_TRUE(PeekMessageA(&m, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER + 3);
    EXPECT_FALSE(PeekMessageA(&m, window, 0, 0, PM_REMOVE)) << "WM_QUIT reaches unfiltered calls only";
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER + 2);
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(DispatchMessageA(&m), 0);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, DestroyedWindowLosesItsMessagesAndRefusesCalls) {
    ASSERT_NE(open(), nullptr);
    pump([](const MSG&) { return false; }, 100);
    PostMessageA(window, WM_USER, 0, 0);
    HWND stale = window;
    ASSERT_TRUE(DestroyWindow(window));
    window = nullptr;
    MSG m{};
    EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)); // the quit posted by WM_DESTROY
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(DestroyWindow(stale));
    EXPECT_FALSE(PostMessageA(stale, WM_USER, 0, 0));
    EXPECT_FALSE(ShowWindow(stale, SW_SHOW));
    EXPECT_EQ(SendMessageA(stale, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow((HWND)&m));
}

TEST_F(WindowTest, EditWindowCoversTheScreenAndItsKeysStillReachTheQueue) {
    window = CreateWindowExA(0, "edit", "edit", WS_VISIBLE | ES_UPPERCASE, 0, 0, 640, 480, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(win32SdlWindow(window)) & SDL_WINDOW_FULLSCREEN);
    EXPECT_TRUE(procLog.empty());
    type("Escape");
    std::vector<MSG> seen = pump([](const MSG& m) { return m.message == WM_KEYDOWN; });
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().wParam, (WPARAM)VK_ESCAPE);
    EXPECT_EQ(seen.back().hwnd, window);
    EXPECT_TRUE(procLog.empty()) << "the edit class has no procedure of ours";
}

TEST_F(WindowTest, ScreenSaverRequestIsGrantedByDefaultHandlingOnly) {
    ASSERT_NE(open(), nullptr);
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());
    SDL_DisableScreenSaver();
}

TEST(Win32Keys, SimulatedPressCountsOnceAndBadCodesReadZero) {
    win32ResetKeyState();
    win32SimulateKeyPress('N');
    EXPECT_EQ(GetAsyncKeyState('N'), 1);
    EXPECT_EQ(GetAsyncKeyState('N'), 0);
    EXPECT_EQ(GetAsyncKeyState(0), 0);
    EXPECT_EQ(GetAsyncKeyState(256), 0);
    EXPECT_EQ(GetAsyncKeyState(-1), 0);
}

TEST(Win32Classes, RegistrationRulesAndUnknownClasses) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = probeProc;
    wc.lpszClassName = "Twice";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    EXPECT_EQ(RegisterClassExA(&wc), 0) << "already registered";
    wc.lpszClassName = "twice";
    EXPECT_EQ(RegisterClassExA(&wc), 0) << "class names ignore case";
    EXPECT_TRUE(UnregisterClassA("TWICE", nullptr));
    wc.cbSize = 48;
    EXPECT_EQ(RegisterClassExA(&wc), 0) << "wrong structure size";
    EXPECT_EQ(RegisterClassExA(nullptr), 0);
    EXPECT_EQ(CreateWindowExA(0, "nosuchclass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
}

TEST(Win32System, CounterAndComInitialisation) {
    LARGE_INTEGER f{}, a{}, b{};
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_GT(f.QuadPart, 0);
    ASSERT_TRUE(QueryPerformanceCounter(&a));
    SDL_Delay(20);
    ASSERT_TRUE(QueryPerformanceCounter(&b));
    double seconds = (double)(b.QuadPart - a.QuadPart) / (double)f.QuadPart;
    EXPECT_GT(seconds, 0.015);
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

} // namespace
