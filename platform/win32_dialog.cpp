// Win32 stand-in: the dialog manager without its window.
// Implements: the program's resource table, .bmp decoding, dialog records built from templates,
//   CreateDialogParamA, EndDialog, GetDlgItem, GetDlgCtrlID, SendDlgItemMessageA,
//   CheckDlgButton, IsDlgButtonChecked, the button and combo-box messages, keyboard focus and
//   the dialog keys, mouse clicks and list picks with their WM_COMMAND notifications.
// Leaves out: drawing and the modal loop (win32_dialog_view.cpp), control classes other than
//   push buttons, auto check boxes, group boxes, statics and drop-down lists.
#include "platform/win32_dialog.h"
#include "platform/win32_dialog_record.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::vector<Win32Resource>& resourceTable() {
    static std::vector<Win32Resource> table;
    return table;
}

std::vector<DialogRecord*>& liveDialogs() {
    static std::vector<DialogRecord*> dialogs;
    return dialogs;
}

// A resource name as a number: an ordinal, or a "#123" string; -1 for other names.
long resourceNumber(LPCSTR name) {
    if (IS_INTRESOURCE(name)) return (long)(uintptr_t)name;
    if (name[0] != '#') return -1;
    char* end = nullptr;
    long n = std::strtol(name + 1, &end, 10);
    return (end && *end == 0 && n >= 0 && n <= 0xffff) ? n : -1;
}

bool sameType(LPCSTR a, LPCSTR b) {
    if (IS_INTRESOURCE(a) || IS_INTRESOURCE(b)) return a == b;
    return std::strcmp(a, b) == 0;
}

ControlKind kindOf(const DialogItemTemplate& item) {
    std::string cls = item.className ? item.className : "";
    std::transform(cls.begin(), cls.end(), cls.begin(), [](unsigned char c) { return (char)std::tolower(c); });
    if (cls == "button") {
        switch (item.style & BS_TYPEMASK) {
        case BS_PUSHBUTTON: return ControlKind::PushButton;
        case BS_DEFPUSHBUTTON: return ControlKind::DefPushButton;
        case BS_CHECKBOX: return ControlKind::CheckBox;
        case BS_AUTOCHECKBOX: return ControlKind::AutoCheckBox;
        case BS_GROUPBOX: return ControlKind::GroupBox;
        default: return ControlKind::Other;
        }
    }
    if (cls == "combobox") return ControlKind::ComboBox;
    if (cls == "static") return (item.style & SS_TYPEMASK) == SS_BITMAP ? ControlKind::Bitmap : ControlKind::Static;
    return ControlKind::Other;
}

bool isPushButton(const ControlRecord& c) {
    return c.kind == ControlKind::PushButton || c.kind == ControlKind::DefPushButton;
}

bool canTakeFocus(const ControlRecord& c) {
    if (c.kind == ControlKind::GroupBox || c.kind == ControlKind::Static || c.kind == ControlKind::Bitmap) return false;
    return (c.item->style & WS_VISIBLE) && !(c.item->style & WS_DISABLED);
}

bool isTabStop(const ControlRecord& c) {
    return canTakeFocus(c) && (c.item->style & WS_TABSTOP);
}

HWND handleOf(DialogRecord* d) { return reinterpret_cast<HWND>(d); }
HWND handleOf(ControlRecord* c) { return reinterpret_cast<HWND>(c); }

void notify(DialogRecord* d, ControlRecord& c, WORD code) {
    d->proc(handleOf(d), WM_COMMAND, MAKEWPARAM(c.item->id, code), (LPARAM)handleOf(&c));
}

// The next tab stop after (or before) position `from`, wrapping around; -1 when none.
int nextTabStop(const DialogRecord* d, int from, bool backwards) {
    int n = (int)d->controls.size();
    for (int step = 1; step <= n; ++step) {
        int i = backwards ? ((from < 0 ? n : from) - step + 2 * n) % n : (from + step + n) % n;
        if (isTabStop(d->controls[i])) return i;
    }
    return -1;
}

void closeDropDown(DialogRecord* d, ControlRecord& c) {
    if (!c.dropped) return;
    c.dropped = false;
    notify(d, c, CBN_CLOSEUP);
}

void setFocus(DialogRecord* d, int index) {
    if (d->focus == index) return;
    if (d->focus >= 0) closeDropDown(d, d->controls[d->focus]);
    d->focus = index;
}

// Moves a list's selection to `entry` (clamped) and tells the procedure when it changed.
void moveSelection(DialogRecord* d, ControlRecord& c, int entry) {
    int count = (int)c.entries.size();
    if (count == 0) return;
    entry = std::clamp(entry, 0, count - 1);
    if (entry == c.selection) return;
    c.selection = entry;
    notify(d, c, CBN_SELCHANGE);
}

// A push button pressed, or a check box clicked: auto check boxes toggle first.
void press(DialogRecord* d, ControlRecord& c) {
    if (c.kind == ControlKind::AutoCheckBox) c.check = c.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    notify(d, c, BN_CLICKED);
}

// The command Enter gives: the focused push button, else the default push button, else IDOK.
int defaultCommand(const DialogRecord* d) {
    if (d->focus >= 0 && isPushButton(d->controls[d->focus])) return d->controls[d->focus].item->id;
    for (const ControlRecord& c : d->controls)
        if (c.kind == ControlKind::DefPushButton) return c.item->id;
    return IDOK;
}

// WM_COMMAND for a command id, as the dialog manager sends it for Enter and Escape.
void sendCommand(DialogRecord* d, int id) {
    ControlRecord* c = findControlById(d, id);
    if (c && (c->item->style & WS_DISABLED)) return;
    d->proc(handleOf(d), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)(c ? handleOf(c) : nullptr));
}

LRESULT comboMessage(DialogRecord* d, ControlRecord& c, UINT message, WPARAM wParam, LPARAM lParam) {
    int count = (int)c.entries.size();
    switch (message) {
    case CB_ADDSTRING:
        if (!lParam) return CB_ERR;
        c.entries.emplace_back(reinterpret_cast<const char*>(lParam));
        return count;
    case CB_GETCOUNT:
        return count;
    case CB_GETCURSEL:
        return c.selection;
    case CB_SETCURSEL: {
        int entry = (int)wParam;
        if (entry < 0 || entry >= count) {
            c.selection = CB_ERR;
            return CB_ERR;
        }
        c.selection = entry;
        return entry;
    }
    case CB_GETLBTEXTLEN:
        return ((int)wParam >= 0 && (int)wParam < count) ? (LRESULT)c.entries[wParam].size() : CB_ERR;
    case CB_GETLBTEXT:
        if ((int)wParam < 0 || (int)wParam >= count || !lParam) return CB_ERR;
        std::memcpy(reinterpret_cast<char*>(lParam), c.entries[wParam].c_str(), c.entries[wParam].size() + 1);
        return (LRESULT)c.entries[wParam].size();
    case CB_RESETCONTENT:
        c.entries.clear();
        c.selection = CB_ERR;
        return CB_OKAY;
    case CB_SHOWDROPDOWN:
        if (wParam && !c.dropped) {
            c.dropped = true;
            notify(d, c, CBN_DROPDOWN);
        } else if (!wParam) {
            closeDropDown(d, c);
        }
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return c.dropped ? TRUE : FALSE;
    default:
        return 0;
    }
}

LRESULT buttonMessage(DialogRecord* d, ControlRecord& c, UINT message, WPARAM wParam) {
    switch (message) {
    case BM_GETCHECK:
        return c.check;
    case BM_SETCHECK:
        if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::AutoCheckBox)
            c.check = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
        return 0;
    case BM_CLICK:
        if (!(c.item->style & WS_DISABLED)) press(d, c);
        return 0;
    default:
        return 0;
    }
}

LRESULT controlMessage(DialogRecord* d, ControlRecord& c, UINT message, WPARAM wParam, LPARAM lParam) {
    if (c.kind == ControlKind::ComboBox) return comboMessage(d, c, message, wParam, lParam);
    if (c.kind == ControlKind::Static || c.kind == ControlKind::Bitmap || c.kind == ControlKind::Other) return 0;
    return buttonMessage(d, c, message, wParam);
}

}  // namespace

DialogRecord* findDialog(HWND dialog) {
    auto& live = liveDialogs();
    auto* d = reinterpret_cast<DialogRecord*>(dialog);
    return std::find(live.begin(), live.end(), d) != live.end() ? d : nullptr;
}

ControlRecord* findControlById(DialogRecord* d, int id) {
    for (ControlRecord& c : d->controls)
        if (c.item->id == id) return &c;
    return nullptr;
}

DialogRecord* createDialogRecord(const DialogTemplate* tpl, DLGPROC proc, LPARAM param) {
    auto* d = new DialogRecord;
    d->tpl = tpl;
    d->proc = proc;
    d->param = param;
    d->controls.reserve(tpl->itemCount);
    for (int i = 0; i < tpl->itemCount; ++i) {
        ControlRecord c;
        c.item = &tpl->items[i];
        c.kind = kindOf(tpl->items[i]);
        c.dialog = d;
        d->controls.push_back(c);
    }
    liveDialogs().push_back(d);
    return d;
}

void initDialogRecord(DialogRecord* d) {
    // wParam: the control that gets the focus unless the procedure sets one itself.
    int first = nextTabStop(d, -1, false);
    d->proc(handleOf(d), WM_INITDIALOG, (WPARAM)(first >= 0 ? handleOf(&d->controls[first]) : nullptr), d->param);
    // A procedure that set no focus leaves it where the dialog manager puts it on activation:
    // the first tab stop.
    if (d->focus < 0) d->focus = first;
}

void destroyDialogRecord(DialogRecord* d) {
    auto& live = liveDialogs();
    live.erase(std::remove(live.begin(), live.end(), d), live.end());
    delete d;
}

const DialogTemplate* findDialogTemplate(LPCSTR name) {
    const Win32Resource* r = win32FindResource(RT_DIALOG, name);
    return r ? static_cast<const DialogTemplate*>(r->data) : nullptr;
}

void win32AddResources(const Win32Resource* resources, int count) {
    if (!resources || count <= 0) return;
    auto& table = resourceTable();
    table.insert(table.begin(), resources, resources + count);  // newest first
}

const Win32Resource* win32FindResource(LPCSTR type, LPCSTR name) {
    if (!type || !name) return nullptr;
    long number = resourceNumber(name);
    if (number < 0) return nullptr;
    for (const Win32Resource& r : resourceTable())
        if (r.id == number && sameType(r.type, type)) return &r;
    return nullptr;
}

bool win32DecodeBitmap(const void* data, size_t size, int* width, int* height, std::vector<uint32_t>* rgba) {
    if (!data || size < 54 || !width || !height || !rgba) return false;
    const auto* b = static_cast<const unsigned char*>(data);
    auto u16 = [b](size_t at) { return (uint32_t)(b[at] | (b[at + 1] << 8)); };
    auto u32 = [b](size_t at) { return (uint32_t)(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | ((uint32_t)b[at + 3] << 24)); };
    if (b[0] != 'B' || b[1] != 'M') return false;
    uint32_t pixelsAt = u32(10);
    uint32_t headerSize = u32(14);
    int32_t w = (int32_t)u32(18);
    int32_t h = (int32_t)u32(22);
    uint32_t bits = u16(28);
    uint32_t compression = u32(30);
    if (headerSize < 40 || w <= 0 || h == 0 || w > 16384 || h > 16384 || h < -16384) return false;
    // BI_RGB, or BI_BITFIELDS with the usual 32-bit masks.
    if ((bits != 24 && bits != 32) || (compression != 0 && !(compression == 3 && bits == 32))) return false;
    bool bottomUp = h > 0;
    int rows = bottomUp ? h : -h;
    size_t stride = ((size_t)w * bits / 8 + 3) & ~(size_t)3;
    if (pixelsAt > size || stride * rows > size - pixelsAt) return false;
    rgba->resize((size_t)w * rows);
    for (int y = 0; y < rows; ++y) {
        const unsigned char* row = b + pixelsAt + stride * (bottomUp ? rows - 1 - y : y);
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = row + (size_t)x * (bits / 8);
            // BGR(X) in the file; RGBA in memory order for GL (R in the low byte), opaque.
            (*rgba)[(size_t)y * w + x] = (uint32_t)p[2] | ((uint32_t)p[1] << 8) | ((uint32_t)p[0] << 16) | 0xff000000u;
        }
    }
    *width = w;
    *height = rows;
    return true;
}

HWND CreateDialogParamA(HINSTANCE, LPCSTR templateName, HWND, DLGPROC dialogProc, LPARAM param) {
    const DialogTemplate* tpl = templateName ? findDialogTemplate(templateName) : nullptr;
    if (!tpl || !dialogProc) return nullptr;
    DialogRecord* d = createDialogRecord(tpl, dialogProc, param);
    initDialogRecord(d);
    return handleOf(d);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    DialogRecord* d = findDialog(dialog);
    if (!d) return FALSE;
    d->ended = true;
    d->result = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    DialogRecord* d = findDialog(dialog);
    ControlRecord* c = d ? findControlById(d, id) : nullptr;
    return c ? handleOf(c) : nullptr;
}

int GetDlgCtrlID(HWND control) {
    for (DialogRecord* d : liveDialogs())
        for (ControlRecord& c : d->controls)
            if (handleOf(&c) == control) return c.item->id;
    return 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogRecord* d = findDialog(dialog);
    ControlRecord* c = d ? findControlById(d, id) : nullptr;
    return c ? controlMessage(d, *c, message, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    DialogRecord* d = findDialog(dialog);
    ControlRecord* c = d ? findControlById(d, id) : nullptr;
    if (!c) return FALSE;
    controlMessage(d, *c, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    return (UINT)SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0);
}

bool win32DialogEnded(HWND dialog, INT_PTR* result) {
    DialogRecord* d = findDialog(dialog);
    if (!d || !d->ended) return false;
    if (result) *result = d->result;
    return true;
}

void win32DestroyDialog(HWND dialog) {
    if (DialogRecord* d = findDialog(dialog)) destroyDialogRecord(d);
}

void win32DialogKeyDown(HWND dialog, int key, bool shift, bool alt) {
    DialogRecord* d = findDialog(dialog);
    if (!d || d->ended) return;
    ControlRecord* focused = d->focus >= 0 ? &d->controls[d->focus] : nullptr;
    bool combo = focused && focused->kind == ControlKind::ComboBox;

    if (alt) {
        if (key == VK_F4) win32DialogClose(dialog);
        else if (combo && (key == VK_DOWN || key == VK_UP))
            comboMessage(d, *focused, CB_SHOWDROPDOWN, !focused->dropped, 0);
        return;
    }
    // An open list takes Enter and Escape for itself: they close it.
    if (combo && focused->dropped && (key == VK_RETURN || key == VK_ESCAPE)) {
        closeDropDown(d, *focused);
        return;
    }
    switch (key) {
    case VK_TAB: {
        int next = nextTabStop(d, d->focus, shift);
        if (next >= 0) setFocus(d, next);
        return;
    }
    case VK_RETURN:
        sendCommand(d, defaultCommand(d));
        return;
    case VK_ESCAPE:
        sendCommand(d, IDCANCEL);
        return;
    case VK_SPACE:
        if (focused && (isPushButton(*focused) || focused->kind == ControlKind::AutoCheckBox ||
                        focused->kind == ControlKind::CheckBox))
            press(d, *focused);
        return;
    case VK_F4:
        if (combo) comboMessage(d, *focused, CB_SHOWDROPDOWN, !focused->dropped, 0);
        return;
    case VK_UP:
    case VK_LEFT:
        if (combo) moveSelection(d, *focused, focused->selection < 0 ? 0 : focused->selection - 1);
        return;
    case VK_DOWN:
    case VK_RIGHT:
        if (combo) moveSelection(d, *focused, focused->selection + 1);
        return;
    case VK_HOME:
        if (combo) moveSelection(d, *focused, 0);
        return;
    case VK_END:
        if (combo) moveSelection(d, *focused, (int)focused->entries.size() - 1);
        return;
    default:
        return;
    }
}

void win32DialogClose(HWND dialog) {
    DialogRecord* d = findDialog(dialog);
    if (!d || d->ended) return;
    if (d->proc(dialog, WM_CLOSE, 0, 0) == FALSE && !d->ended) sendCommand(d, IDCANCEL);
}

int win32DialogFocus(HWND dialog) {
    DialogRecord* d = findDialog(dialog);
    return d ? d->focus : -1;
}

HWND win32DialogItem(HWND dialog, int index) {
    DialogRecord* d = findDialog(dialog);
    if (!d || index < 0 || index >= (int)d->controls.size()) return nullptr;
    return handleOf(&d->controls[index]);
}

void win32DialogClick(HWND dialog, int index) {
    DialogRecord* d = findDialog(dialog);
    if (!d || d->ended || index < 0 || index >= (int)d->controls.size()) return;
    ControlRecord& c = d->controls[index];
    if (!canTakeFocus(c)) return;
    setFocus(d, index);
    if (c.kind == ControlKind::ComboBox) comboMessage(d, c, CB_SHOWDROPDOWN, !c.dropped, 0);
    else press(d, c);
}

void win32DialogPick(HWND dialog, int index, int entry) {
    DialogRecord* d = findDialog(dialog);
    if (!d || d->ended || index < 0 || index >= (int)d->controls.size()) return;
    ControlRecord& c = d->controls[index];
    if (c.kind != ControlKind::ComboBox) return;
    setFocus(d, index);
    closeDropDown(d, c);
    if (entry >= 0 && entry < (int)c.entries.size()) moveSelection(d, c, entry);
}
