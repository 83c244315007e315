// X11 helpers for the window tests, kept apart because Xlib's macros clash with GoogleTest.
#pragma once

struct SDL_Window;

// The X window id behind an SDL window (0 when it is not an X11 window).
unsigned long x11WindowOf(SDL_Window* window);
// Sends the window manager's close request (what the close box does) to an X window.
bool x11RequestClose(unsigned long xid);
