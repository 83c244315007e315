// Win32 stand-in: MessageBoxA.
// Implements: a modal SDL message box with the caption, text, button set, default button and
//   icon kind of the MB_* type, answering the ID* of the button chosen; the stderr line used
//   by tests and CI (ORLUNDE_MESSAGEBOX=stderr) and wherever no box can be shown.
// Leaves out: owner windows (every box is unowned), MB_HELP, custom icons, MB_SETFOREGROUND.
#include "platform/win32.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Button {
    int id;
    const char* label;
};

// The buttons of an MB_* type in their on-screen order; returns how many there are.
int buttonsFor(UINT type, Button out[3]) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        out[0] = {IDOK, "OK"};
        out[1] = {IDCANCEL, "Cancel"};
        return 2;
    case MB_ABORTRETRYIGNORE:
        out[0] = {IDABORT, "Abort"};
        out[1] = {IDRETRY, "Retry"};
        out[2] = {IDIGNORE, "Ignore"};
        return 3;
    case MB_YESNOCANCEL:
        out[0] = {IDYES, "Yes"};
        out[1] = {IDNO, "No"};
        out[2] = {IDCANCEL, "Cancel"};
        return 3;
    case MB_YESNO:
        out[0] = {IDYES, "Yes"};
        out[1] = {IDNO, "No"};
        return 2;
    case MB_RETRYCANCEL:
        out[0] = {IDRETRY, "Retry"};
        out[1] = {IDCANCEL, "Cancel"};
        return 2;
    default:
        out[0] = {IDOK, "OK"};
        return 1;
    }
}

int defaultButton(UINT type, const Button* buttons, int count) {
    int index = (int)((type & MB_DEFMASK) >> 8);
    return buttons[index < count ? index : 0].id;
}

// What Escape answers: Cancel where there is one, else the only button of an OK box.
int escapeButton(const Button* buttons, int count) {
    for (int i = 0; i < count; ++i)
        if (buttons[i].id == IDCANCEL)
            return IDCANCEL;
    return count == 1 ? buttons[0].id : -1;
}

// One line per box: line breaks inside the text become spaces.
void writeLine(const char* caption, const char* text) {
    std::string line = "MessageBox [";
    line += caption;
    line += "] ";
    line += text;
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    line += '\n';
    std::fflush(stdout);
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

bool boxesGoToStderr() {
    const char* mode = std::getenv("ORLUNDE_MESSAGEBOX");
    return mode && std::strcmp(mode, "stderr") == 0;
}

} // namespace

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    if (!text)
        text = "";
    if (!caption)
        caption = "Error";
    Button buttons[3];
    int count = buttonsFor(type, buttons);
    int defaultId = defaultButton(type, buttons, count);

    if (boxesGoToStderr()) {
        writeLine(caption, text);
        return defaultId;
    }

    SDL_MessageBoxButtonData data[3];
    int escapeId = escapeButton(buttons, count);
    for (int i = 0; i < count; ++i) {
        Uint32 flags = 0;
        if (buttons[i].id == defaultId)
            flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (buttons[i].id == escapeId)
            flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        data[i] = {flags, buttons[i].id, buttons[i].label};
    }
    Uint32 kind = SDL_MESSAGEBOX_INFORMATION;
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
        kind = SDL_MESSAGEBOX_ERROR;
        break;
    case MB_ICONWARNING:
        kind = SDL_MESSAGEBOX_WARNING;
        break;
    default:
        break;
    }
    SDL_MessageBoxData box = {kind, nullptr, caption, text, count, data, nullptr};
    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        // No display to show it on: the line still tells what happened.
        writeLine(caption, text);
        return defaultId;
    }
    // Closing the box without a button answers like Escape (or the default when it has none).
    if (chosen < 0)
        return escapeId >= 0 ? escapeId : defaultId;
    return chosen;
}
