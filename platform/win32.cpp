// Win32 stand-in: window classes, windows, the message queue and the keyboard, over SDL2.
// Implements: RegisterClassExA/UnregisterClassA (plus the system class "edit"), CreateWindowExA
//   for top-level windows as SDL windows (SDL_WINDOW_OPENGL; a top-level "edit" window is an
//   SDL fullscreen window), DestroyWindow, IsWindow, AdjustWindowRect with fixed frame
//   metrics, GetClientRect, ShowWindow, SetWindowTextA, ShowCursor, LoadCursorA; the posted
//   queue (PeekMessageA, GetMessageA, PostMessageA, PostQuitMessage), SendMessageA,
//   TranslateMessage (WM_CHAR for plain keys), DispatchMessageA and DefWindowProcA's
//   close chain (Alt+F4 -> SC_CLOSE -> WM_CLOSE -> DestroyWindow -> WM_DESTROY); SDL events
//   as WM_KEYDOWN/WM_KEYUP/WM_SYSKEYDOWN/WM_SYSKEYUP, WM_SYSCOMMAND SC_CLOSE (close box),
//   WM_SIZE, WM_MOVE, WM_ACTIVATE, WM_SETFOCUS/WM_KILLFOCUS, mouse moves and buttons;
//   GetAsyncKeyState; the screen saver kept off while windows exist.
// Leaves out: child windows, window extra bytes, WM_PAINT and painting, keyboard layouts in
//   WM_CHAR (US letters, digits and a few control keys only), hooks, timers, and threads.
#include "platform/win32.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct HWND__ {
    SDL_Window* sdl = nullptr;
    Uint32 sdlId = 0;
    WNDPROC proc = nullptr; // null: a system class, handled by DefWindowProcA
    std::string className;
    DWORD style = 0;
    bool alive = true;
    bool destroying = false;
};

namespace {

struct ClassRecord {
    WNDCLASSEXA wc{};
    std::string name;
};

// Win32 limits a thread's queue to 10000 posted messages.
constexpr size_t kQueueLimit = 10000;
// Window frame metrics used by AdjustWindowRect and CreateWindowExA.
constexpr int kCaptionHeight = 23;
constexpr int kSizingFrame = 8;
constexpr int kFixedFrame = 3;

// Records are kept for the whole run so that a stale handle is recognised, never followed.
std::vector<std::unique_ptr<HWND__>> gWindows;
std::map<std::string, ClassRecord> gClasses; // keyed by lower-case name
// Each posted message keeps the Shift/Ctrl/Caps state of its moment: once it is retrieved,
// that state is the one TranslateMessage uses (the synchronous key state).
struct Posted {
    MSG msg;
    bool shift, control, caps;
};
std::deque<Posted> gQueue;
bool gSyncShift = false, gSyncControl = false, gSyncCaps = false;
// Modifiers as of the latest key event handled (SDL's own state runs ahead of its queue).
Uint16 gEventMods = 0;
bool gQuitPosted = false;
int gQuitCode = 0;
int gCursorCount = 0;
bool gVideoStarted = false;

// Async key state: down now, and pressed since the previous query.
bool gDown[256];
bool gPressed[256];

struct SdlHints {
    SdlHints() {
        // Ctrl+C must end a console run as usual, and closing a window is the program's
        // decision (WM_CLOSE), not SDL's.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    }
} gSdlHints;

std::string lowerCase(const char* s) {
    std::string out = s ? s : "";
    for (char& c : out)
        c = (char)std::tolower((unsigned char)c);
    return out;
}

HWND__* findWindow(HWND window) {
    if (!window)
        return nullptr;
    for (auto& w : gWindows)
        if (w.get() == window)
            return w.get();
    return nullptr;
}

HWND__* liveWindow(HWND window) {
    HWND__* w = findWindow(window);
    return w && w->alive ? w : nullptr;
}

HWND__* windowFromSdlId(Uint32 id) {
    for (auto& w : gWindows)
        if (w->alive && w->sdlId == id)
            return w.get();
    return nullptr;
}

bool startVideo() {
    if (gVideoStarted)
        return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    // Without a display SDL falls back to drivers that show nothing; a window there would be
    // invisible, so only a driver asked for by name may have them.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    bool invisible = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (invisible && !(asked && SDL_strcasecmp(asked, driver) == 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    gVideoStarted = true;
    return true;
}

void frameMetrics(DWORD style, int* side, int* top) {
    int frame = 0;
    if (style & WS_THICKFRAME)
        frame = kSizingFrame;
    else if ((style & WS_DLGFRAME) || (style & WS_CAPTION) == WS_CAPTION)
        frame = kFixedFrame;
    else if (style & WS_BORDER)
        frame = 1;
    *side = frame;
    *top = frame + ((style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0);
}

bool postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gQueue.size() >= kQueueLimit)
        return false;
    MSG m{};
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = SDL_GetTicks();
    if (gVideoStarted) {
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        m.pt = {x, y};
    }
    Uint16 mods = gEventMods;
    gQueue.push_back({m, (mods & KMOD_SHIFT) != 0, (mods & KMOD_CTRL) != 0, (mods & KMOD_CAPS) != 0});
    return true;
}

void setKey(int vk, bool down) {
    if (vk <= 0 || vk > 255)
        return;
    if (down && !gDown[vk])
        gPressed[vk] = true;
    gDown[vk] = down;
}

// Left/right modifier keys also drive their generic code (VK_SHIFT for VK_LSHIFT...).
int genericKey(int vk) {
    switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
        return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
        return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
        return VK_MENU;
    default:
        return vk;
    }
}

void updateKeyState(int vk, bool down) {
    setKey(vk, down);
    int generic = genericKey(vk);
    if (generic != vk) {
        bool any = false;
        switch (generic) {
        case VK_SHIFT:
            any = gDown[VK_LSHIFT] || gDown[VK_RSHIFT];
            break;
        case VK_CONTROL:
            any = gDown[VK_LCONTROL] || gDown[VK_RCONTROL];
            break;
        default:
            any = gDown[VK_LMENU] || gDown[VK_RMENU];
            break;
        }
        setKey(generic, any);
    }
}

// Keys go to the window SDL names; when it names none (SDL keeps no keyboard focus for some
// fullscreen windows), to the program's only window, as the system's focus would be there.
HWND__* keyTarget(Uint32 sdlId) {
    if (sdlId != 0)
        return windowFromSdlId(sdlId); // another SDL window of the process (the dialog's)
    HWND__* only = nullptr;
    for (auto& w : gWindows) {
        if (!w->alive)
            continue;
        if (only)
            return nullptr;
        only = w.get();
    }
    return only;
}

bool isExtendedKey(int vk) {
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_INSERT: case VK_DELETE:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT: case VK_RCONTROL: case VK_RMENU:
    case VK_DIVIDE: case VK_LWIN: case VK_RWIN: case VK_APPS:
        return true;
    default:
        return false;
    }
}

void handleKey(const SDL_KeyboardEvent& key, bool down) {
    int vk = win32VirtualKeyFromSdl(key.keysym.sym);
    if (vk == 0)
        return;
    bool wasDown = gDown[vk];
    updateKeyState(vk, down);
    gEventMods = key.keysym.mod;
    HWND__* w = keyTarget(key.windowID);
    if (!w)
        return;
    // Alt held (or Alt or F10 itself) turns key messages into system key messages.
    bool alt = (key.keysym.mod & KMOD_ALT) != 0;
    bool system = alt || vk == VK_LMENU || vk == VK_RMENU || vk == VK_F10;
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    DWORD flags = (DWORD)(key.keysym.scancode & 0xff);
    if (isExtendedKey(vk))
        flags |= 0x0100;
    if (alt)
        flags |= KF_ALTDOWN;
    if (!down || wasDown || key.repeat)
        flags |= KF_REPEAT;
    if (!down)
        flags |= KF_UP;
    postMessage(w, message, (WPARAM)genericKey(vk), (LPARAM)(1u | (flags << 16)));
}

void handleWindowEvent(const SDL_WindowEvent& e) {
    HWND__* w = windowFromSdlId(e.windowID);
    if (!w)
        return;
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
        // The close box asks through the system menu's Close command, like Alt+F4.
        postMessage(w, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        postMessage(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(e.data1, e.data2));
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        postMessage(w, WM_SIZE, SIZE_MINIMIZED, 0);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED: {
        int cw = 0, ch = 0;
        SDL_GetWindowSize(w->sdl, &cw, &ch);
        postMessage(w, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(cw, ch));
        break;
    }
    case SDL_WINDOWEVENT_MOVED:
        postMessage(w, WM_MOVE, 0, MAKELPARAM(e.data1, e.data2));
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        postMessage(w, WM_ACTIVATE, WA_ACTIVE, 0);
        postMessage(w, WM_SETFOCUS, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        postMessage(w, WM_ACTIVATE, WA_INACTIVE, 0);
        postMessage(w, WM_KILLFOCUS, 0, 0);
        break;
    default:
        break;
    }
}

void handleMouseButton(const SDL_MouseButtonEvent& b, bool down) {
    int vk = b.button == SDL_BUTTON_LEFT ? VK_LBUTTON
             : b.button == SDL_BUTTON_RIGHT ? VK_RBUTTON
             : b.button == SDL_BUTTON_MIDDLE ? VK_MBUTTON
                                             : 0;
    if (!vk)
        return;
    updateKeyState(vk, down);
    HWND__* w = windowFromSdlId(b.windowID);
    if (!w || vk == VK_MBUTTON)
        return;
    UINT message = vk == VK_LBUTTON ? (down ? WM_LBUTTONDOWN : WM_LBUTTONUP)
                                    : (down ? WM_RBUTTONDOWN : WM_RBUTTONUP);
    postMessage(w, message, 0, MAKELPARAM(b.x, b.y));
}

void pumpEvents() {
    if (!SDL_WasInit(SDL_INIT_EVENTS))
        return;
    SDL_Event e;
    while (SDL_PollEvent(&e))
        win32HandleSdlEvent(e);
}

bool inRange(UINT message, UINT filterMin, UINT filterMax) {
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message >= filterMin && message <= filterMax;
}

void dropMessagesFor(HWND window) {
    gQueue.erase(std::remove_if(gQueue.begin(), gQueue.end(), [&](const Posted& p) { return p.msg.hwnd == window; }),
                 gQueue.end());
}

struct Cursor {
    int id;
};
Cursor gArrow{32512}, gIBeam{32513}, gWait{32514}, gCross{32515}, gHand{32649};

} // namespace

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
    if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXA) || !windowClass->lpszClassName ||
        IS_INTRESOURCE(windowClass->lpszClassName) || !windowClass->lpfnWndProc)
        return 0;
    std::string key = lowerCase(windowClass->lpszClassName);
    if (key.empty() || key == "edit" || gClasses.count(key))
        return 0;
    ClassRecord& r = gClasses[key];
    r.wc = *windowClass;
    r.name = windowClass->lpszClassName;
    r.wc.lpszClassName = r.name.c_str();
    r.wc.lpszMenuName = nullptr;
    // Atoms of registered classes lie in 0xC000..0xFFFF.
    return (ATOM)(0xC000 + gClasses.size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    if (!className || IS_INTRESOURCE(className))
        return FALSE;
    std::string key = lowerCase(className);
    auto it = gClasses.find(key);
    if (it == gClasses.end())
        return FALSE;
    for (auto& w : gWindows)
        if (w->alive && lowerCase(w->className.c_str()) == key)
            return FALSE;
    gClasses.erase(it);
    return TRUE;
}

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu) {
    if (!rect)
        return FALSE;
    int side = 0, top = 0;
    frameMetrics(style, &side, &top);
    rect->left -= side;
    rect->right += side;
    rect->top -= top + (menu ? 20 : 0);
    rect->bottom += side;
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    (void)exStyle;
    if (!className || IS_INTRESOURCE(className) || (style & WS_CHILD))
        return nullptr;
    std::string key = lowerCase(className);
    WNDPROC proc = nullptr;
    if (key != "edit") {
        auto it = gClasses.find(key);
        if (it == gClasses.end())
            return nullptr;
        proc = it->second.wc.lpfnWndProc;
    }
    if (!startVideo())
        return nullptr;

    Uint32 flags = SDL_WINDOW_OPENGL;
    flags |= (style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    int side = 0, top = 0;
    frameMetrics(style, &side, &top);
    int clientW = 0, clientH = 0, posX = SDL_WINDOWPOS_UNDEFINED, posY = SDL_WINDOWPOS_UNDEFINED;
    if (proc == nullptr) {
        // A top-level edit control window takes the whole screen: the fullscreen presentation.
        flags |= SDL_WINDOW_FULLSCREEN;
        clientW = width;
        clientH = height;
        if (width == CW_USEDEFAULT || width <= 0 || height <= 0) {
            SDL_DisplayMode desktop{};
            SDL_GetDesktopDisplayMode(0, &desktop);
            clientW = desktop.w;
            clientH = desktop.h;
        }
    } else {
        if (width == CW_USEDEFAULT) {
            width = 640 + 2 * side;
            height = 480 + top + side;
        }
        clientW = std::max(1, width - 2 * side);
        clientH = std::max(1, height - top - side);
        if (x != CW_USEDEFAULT) {
            posX = x + side;
            posY = y + top;
        }
        if (style & WS_THICKFRAME)
            flags |= SDL_WINDOW_RESIZABLE;
        if ((style & WS_CAPTION) != WS_CAPTION)
            flags |= SDL_WINDOW_BORDERLESS;
        if (style & WS_MAXIMIZE)
            flags |= SDL_WINDOW_MAXIMIZED;
        if (style & WS_MINIMIZE)
            flags |= SDL_WINDOW_MINIMIZED;
    }
    SDL_Window* sdl = SDL_CreateWindow(windowName ? windowName : "", posX, posY, clientW, clientH, flags);
    if (!sdl)
        return nullptr;
    SDL_DisableScreenSaver();

    auto record = std::make_unique<HWND__>();
    record->sdl = sdl;
    record->sdlId = SDL_GetWindowID(sdl);
    record->proc = proc;
    record->className = className;
    record->style = style;
    HWND handle = record.get();
    gWindows.push_back(std::move(record));

    CREATESTRUCTA cs{param, instance, menu, parent, height, width, y, x, (LONG)style, windowName, className, exStyle};
    if (SendMessageA(handle, WM_CREATE, 0, (LPARAM)&cs) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (liveWindow(handle))
        SendMessageA(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(clientW, clientH));
    return liveWindow(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND window) {
    HWND__* w = liveWindow(window);
    if (!w || w->destroying)
        return FALSE;
    w->destroying = true;
    SendMessageA(window, WM_DESTROY, 0, 0);
    w->alive = false;
    dropMessagesFor(window);
    if (w->sdl) {
        // A device may still have its GL context current on this window and release it later:
        // such a window is only hidden, everything else goes for good.
        if (SDL_GL_GetCurrentWindow() == w->sdl) {
            SDL_HideWindow(w->sdl);
        } else {
            SDL_DestroyWindow(w->sdl);
            w->sdl = nullptr;
        }
    }
    if (win32WindowCount() == 0)
        SDL_EnableScreenSaver();
    return TRUE;
}

BOOL IsWindow(HWND window) { return liveWindow(window) ? TRUE : FALSE; }

BOOL GetClientRect(HWND window, RECT* rect) {
    HWND__* w = liveWindow(window);
    if (!w || !rect || !w->sdl)
        return FALSE;
    int cw = 0, ch = 0;
    SDL_GetWindowSize(w->sdl, &cw, &ch);
    *rect = {0, 0, cw, ch};
    return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
    HWND__* w = liveWindow(window);
    if (!w || !w->sdl)
        return FALSE;
    BOOL wasVisible = (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_SHOWN) ? TRUE : FALSE;
    switch (command) {
    case SW_HIDE:
        SDL_HideWindow(w->sdl);
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
        SDL_MinimizeWindow(w->sdl);
        break;
    case SW_SHOWMAXIMIZED:
        SDL_ShowWindow(w->sdl);
        SDL_MaximizeWindow(w->sdl);
        break;
    case SW_RESTORE:
        SDL_RestoreWindow(w->sdl);
        SDL_ShowWindow(w->sdl);
        break;
    default:
        SDL_ShowWindow(w->sdl);
        break;
    }
    return wasVisible;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    HWND__* w = liveWindow(window);
    if (!w || !w->sdl)
        return FALSE;
    SDL_SetWindowTitle(w->sdl, text ? text : "");
    return TRUE;
}

int ShowCursor(BOOL show) {
    gCursorCount += show ? 1 : -1;
    if (gVideoStarted)
        SDL_ShowCursor(gCursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return gCursorCount;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR cursorName) {
    // Only the system's stock cursors exist; programs here carry no cursor resources.
    if (instance || !IS_INTRESOURCE(cursorName))
        return nullptr;
    switch ((WORD)(uintptr_t)cursorName) {
    case 32512:
        return (HCURSOR)&gArrow;
    case 32513:
        return (HCURSOR)&gIBeam;
    case 32514:
        return (HCURSOR)&gWait;
    case 32515:
        return (HCURSOR)&gCross;
    case 32649:
        return (HCURSOR)&gHand;
    default:
        return nullptr;
    }
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (!msg)
        return FALSE;
    pumpEvents();
    for (auto it = gQueue.begin(); it != gQueue.end(); ++it) {
        if ((window && it->msg.hwnd != window) || !inRange(it->msg.message, filterMin, filterMax))
            continue;
        *msg = it->msg;
        if (removeMsg & PM_REMOVE) {
            gSyncShift = it->shift;
            gSyncControl = it->control;
            gSyncCaps = it->caps;
            gQueue.erase(it);
        }
        return TRUE;
    }
    // A quit request comes last, once nothing else is waiting.
    if (gQuitPosted && !window && inRange(WM_QUIT, filterMin, filterMax)) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = (WPARAM)gQuitCode;
        msg->time = SDL_GetTicks();
        if (removeMsg & PM_REMOVE)
            gQuitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    if (!msg || (window && !liveWindow(window)))
        return -1;
    while (!PeekMessageA(msg, window, filterMin, filterMax, PM_REMOVE)) {
        if (SDL_WasInit(SDL_INIT_EVENTS))
            SDL_WaitEventTimeout(nullptr, 10);
        else
            SDL_Delay(10);
    }
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
        return FALSE;
    int vk = (int)(msg->wParam & 0xff);
    bool shift = gSyncShift;
    int ch = 0;
    if (vk >= 'A' && vk <= 'Z')
        ch = shift != gSyncCaps ? vk : vk - 'A' + 'a';
    else if ((vk >= '0' && vk <= '9' && !shift) || vk == VK_SPACE || vk == VK_RETURN || vk == VK_TAB ||
             vk == VK_BACK || vk == VK_ESCAPE)
        ch = vk;
    if (!ch || gSyncControl || !postMessage(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR,
                                                (WPARAM)ch, msg->lParam))
        return FALSE;
    // The character is the next message retrieved, ahead of input already queued.
    std::rotate(gQueue.rbegin(), gQueue.rbegin() + 1, gQueue.rend());
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd)
        return 0;
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !liveWindow(window))
        return FALSE;
    return postMessage(window, message, wParam, lParam) ? TRUE : FALSE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND__* w = liveWindow(window);
    if (!w)
        return 0;
    WNDPROC proc = w->proc ? w->proc : DefWindowProcA;
    return proc(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND__* w = liveWindow(window);
    if (!w)
        return 0;
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (((DWORD)lParam >> 16) & KF_ALTDOWN))
            SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessageA(window, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE:
            if (w->sdl)
                SDL_MinimizeWindow(w->sdl);
            break;
        case SC_MAXIMIZE:
            if (w->sdl)
                SDL_MaximizeWindow(w->sdl);
            break;
        case SC_RESTORE:
            if (w->sdl)
                SDL_RestoreWindow(w->sdl);
            break;
        case SC_SCREENSAVE:
        case SC_MONITORPOWER:
            // Unanswered, the request lets the desktop's screen saver and power saving run.
            SDL_EnableScreenSaver();
            break;
        default:
            break;
        }
        return 0;
    default:
        return 0;
    }
}

void PostQuitMessage(int exitCode) {
    gQuitPosted = true;
    gQuitCode = exitCode;
}

SHORT GetAsyncKeyState(int virtualKey) {
    if (virtualKey <= 0 || virtualKey > 255)
        return 0;
    pumpEvents();
    int result = (gDown[virtualKey] ? 0x8000 : 0) | (gPressed[virtualKey] ? 1 : 0);
    gPressed[virtualKey] = false;
    return (SHORT)result;
}

SDL_Window* win32SdlWindow(HWND window) {
    HWND__* w = findWindow(window);
    return w ? w->sdl : nullptr;
}

HWND win32WindowFromSdl(SDL_Window* window) {
    if (!window)
        return nullptr;
    for (auto& w : gWindows)
        if (w->alive && w->sdl == window)
            return w.get();
    return nullptr;
}

void win32HandleSdlEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_KEYDOWN:
        handleKey(e.key, true);
        break;
    case SDL_KEYUP:
        handleKey(e.key, false);
        break;
    case SDL_WINDOWEVENT:
        handleWindowEvent(e.window);
        break;
    case SDL_MOUSEMOTION: {
        HWND__* w = windowFromSdlId(e.motion.windowID);
        // Moves coalesce: one pending WM_MOUSEMOVE per window is enough.
        if (w && !(!gQueue.empty() && gQueue.back().msg.hwnd == w && gQueue.back().msg.message == WM_MOUSEMOVE))
            postMessage(w, WM_MOUSEMOVE, 0, MAKELPARAM(e.motion.x, e.motion.y));
        else if (w)
            gQueue.back().msg.lParam = MAKELPARAM(e.motion.x, e.motion.y);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
        handleMouseButton(e.button, true);
        break;
    case SDL_MOUSEBUTTONUP:
        handleMouseButton(e.button, false);
        break;
    case SDL_QUIT:
        // Only a request from outside (the session ending) gets here.
        PostQuitMessage(0);
        break;
    default:
        break;
    }
}

void win32SimulateKeyPress(int virtualKey) {
    if (virtualKey > 0 && virtualKey <= 255)
        gPressed[virtualKey] = true;
}

void win32ResetKeyState() {
    std::memset(gDown, 0, sizeof gDown);
    std::memset(gPressed, 0, sizeof gPressed);
}

int win32WindowCount() {
    int n = 0;
    for (auto& w : gWindows)
        n += w->alive ? 1 : 0;
    return n;
}

int win32VirtualKeyFromSdl(int key) {
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return VK_F1 + (key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return VK_NUMPAD1 + (key - SDLK_KP_1);
    switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_TAB: return VK_TAB;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_LSHIFT: return VK_LSHIFT;
    case SDLK_RSHIFT: return VK_RSHIFT;
    case SDLK_LCTRL: return VK_LCONTROL;
    case SDLK_RCTRL: return VK_RCONTROL;
    case SDLK_LALT: return VK_LMENU;
    case SDLK_RALT: return VK_RMENU;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_APPLICATION: return VK_APPS;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
    }
}
