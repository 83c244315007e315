#include "x11_probe.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

unsigned long x11WindowOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    return (unsigned long)info.info.x11.window;
}

bool x11RequestClose(unsigned long xid) {
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return false;
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = xid;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    ev.xclient.data.l[1] = CurrentTime;
    Status ok = XSendEvent(d, xid, False, NoEventMask, &ev);
    XFlush(d);
    XCloseDisplay(d);
    return ok != 0;
}
