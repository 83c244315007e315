// Win32 stand-in: dialog boxes from dialog templates, drawn with Dear ImGui in an SDL window.
// Implements: dialog templates and bitmaps as program resources, DialogBoxParamA (modal, its
//   own SDL window with a GL 3.3 core context), CreateDialogParamA (a hidden dialog with no
//   window: controls and messages only), EndDialog, GetDlgItem, GetDlgCtrlID,
//   SendDlgItemMessageA, CheckDlgButton, IsDlgButtonChecked; push buttons, auto check boxes,
//   group boxes, bitmap statics and drop-down list combo boxes; the dialog manager's keyboard
//   interface (Tab, Shift+Tab, Space, Enter, Escape, arrows, Home, End, F4, Alt+Down, Alt+F4)
//   and mouse clicks, with the WM_COMMAND notifications they send.
// Leaves out: editable combo boxes, list boxes, edit controls, radio buttons, sorted lists,
//   mnemonics, dialog fonts other than the built-in one, owner windows (every dialog is
//   unowned), and modeless dialogs on screen.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <vector>

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#ifndef MAKEINTRESOURCEA
#define MAKEINTRESOURCEA(i) ((LPSTR)((uintptr_t)((WORD)(i))))
#endif
#ifndef IS_INTRESOURCE
#define IS_INTRESOURCE(p) ((((uintptr_t)(p)) >> 16) == 0)
#endif
#ifndef LOWORD
#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xffff))
#endif
#ifndef HIWORD
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xffff))
#endif
#ifndef MAKEWPARAM
#define MAKEWPARAM(lo, hi) ((WPARAM)(DWORD)(((WORD)((lo) & 0xffff)) | ((DWORD)((WORD)((hi) & 0xffff))) << 16))
#endif

// Resource types.
#ifndef RT_BITMAP
#define RT_BITMAP MAKEINTRESOURCEA(2)
#endif
#ifndef RT_DIALOG
#define RT_DIALOG MAKEINTRESOURCEA(5)
#endif

// Messages.
#ifndef WM_CLOSE
#define WM_CLOSE 0x0010
#endif
#ifndef WM_INITDIALOG
#define WM_INITDIALOG 0x0110
#endif
#ifndef WM_COMMAND
#define WM_COMMAND 0x0111
#endif

// Command ids.
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif

// Virtual keys the dialog manager answers.
#ifndef VK_TAB
#define VK_TAB 0x09
#endif
#ifndef VK_RETURN
#define VK_RETURN 0x0D
#endif
#ifndef VK_ESCAPE
#define VK_ESCAPE 0x1B
#endif
#ifndef VK_SPACE
#define VK_SPACE 0x20
#endif
#ifndef VK_END
#define VK_END 0x23
#endif
#ifndef VK_HOME
#define VK_HOME 0x24
#endif
#ifndef VK_LEFT
#define VK_LEFT 0x25
#endif
#ifndef VK_UP
#define VK_UP 0x26
#endif
#ifndef VK_RIGHT
#define VK_RIGHT 0x27
#endif
#ifndef VK_DOWN
#define VK_DOWN 0x28
#endif
#ifndef VK_F4
#define VK_F4 0x73
#endif

// Window and dialog styles.
#ifndef WS_POPUP
#define WS_POPUP 0x80000000L
#endif
#ifndef WS_CHILD
#define WS_CHILD 0x40000000L
#endif
#ifndef WS_VISIBLE
#define WS_VISIBLE 0x10000000L
#endif
#ifndef WS_DISABLED
#define WS_DISABLED 0x08000000L
#endif
#ifndef WS_CAPTION
#define WS_CAPTION 0x00C00000L
#endif
#ifndef WS_VSCROLL
#define WS_VSCROLL 0x00200000L
#endif
#ifndef WS_SYSMENU
#define WS_SYSMENU 0x00080000L
#endif
#ifndef WS_GROUP
#define WS_GROUP 0x00020000L
#endif
#ifndef WS_TABSTOP
#define WS_TABSTOP 0x00010000L
#endif
#ifndef WS_EX_STATICEDGE
#define WS_EX_STATICEDGE 0x00020000L
#endif
#define DS_ABSALIGN 0x01L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_FIXEDSYS 0x0008L
#define DS_CENTER 0x0800L
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)

// Button styles, messages, notifications and check states.
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_GROUPBOX 0x00000007L
#define BS_TYPEMASK 0x0000000FL
#define BS_FLAT 0x00008000L
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5
#define BN_CLICKED 0
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001

// Static styles.
#define SS_LEFT 0x00000000L
#define SS_BITMAP 0x0000000EL
#define SS_TYPEMASK 0x0000001FL
#define SS_CENTERIMAGE 0x00000200L
#define SS_RIGHTJUST 0x00000400L
#define SS_SUNKEN 0x00001000L

// Combo box styles, messages, notifications and results.
#define CBS_DROPDOWNLIST 0x0003L
#define CB_ADDSTRING 0x0143
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_RESETCONTENT 0x014B
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETDROPPEDSTATE 0x0157
#define CBN_SELCHANGE 1
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8
#define CB_OKAY 0
#define CB_ERR (-1)

// One control of a dialog template; positions and sizes in dialog units.
struct DialogItemTemplate {
    int id;               // control id; -1 for controls the program never addresses
    LPCSTR className;     // "button", "combobox" or "static"
    LPCSTR text;          // caption; unused for combo boxes and bitmap statics
    DWORD style;          // WS_* | BS_*/CBS_*/SS_* bits
    DWORD exStyle;        // WS_EX_* bits
    short x, y, cx, cy;
    WORD imageId;         // bitmap resource shown by an SS_BITMAP static (0: none)
};

// A dialog template: the dialog box and its controls in tab order.
struct DialogTemplate {
    DWORD style;          // WS_* | DS_* bits
    DWORD exStyle;
    short x, y, cx, cy;   // dialog units
    LPCSTR title;
    WORD pointSize;       // dialog font
    WORD weight;
    BYTE italic;
    BYTE charset;
    LPCSTR typeface;
    WORD language;
    const DialogItemTemplate* items;
    int itemCount;
};

// A program resource: RT_DIALOG data is a DialogTemplate, RT_BITMAP data the bytes of a
// .bmp file (file header included).
struct Win32Resource {
    LPCSTR type;
    WORD id;
    const void* data;
    size_t size;
};

// Modal dialog: shows the dialog, sends WM_INITDIALOG (lParam = param) before it appears, and
// runs its loop until EndDialog. Returns EndDialog's result, or -1 when the template is
// missing or no window can be created. The window closes before this returns.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                        LPARAM param);
// Creates the dialog's controls and sends WM_INITDIALOG, without a window (the templates the
// program carries are not WS_VISIBLE). Null when the template is missing.
HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                        LPARAM param);
// Ends a modal dialog once the current message has been handled; records the result.
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);
// A message to the dialog's first control with that id; 0 when there is none.
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);

// Stand-in extras for the dialog's view and for tests.
// Adds resources to the program's table; later entries with the same type and id win.
void win32AddResources(const Win32Resource* resources, int count);
// A resource of the program by type and name (an ordinal, or "#<number>"); null if absent.
const Win32Resource* win32FindResource(LPCSTR type, LPCSTR name);
// Decodes a .bmp file of 24 or 32 bits per pixel (uncompressed) into top-down RGBA pixels.
bool win32DecodeBitmap(const void* data, size_t size, int* width, int* height,
                       std::vector<uint32_t>* rgba);
// True once EndDialog was called on the dialog; the result goes to *result when given.
bool win32DialogEnded(HWND dialog, INT_PTR* result);
// Frees a dialog made by CreateDialogParamA.
void win32DestroyDialog(HWND dialog);
// The dialog manager's answer to a key press (a VK_* code) with Shift and Alt as given.
void win32DialogKeyDown(HWND dialog, int virtualKey, bool shift, bool alt);
// The close box: WM_CLOSE to the procedure; when it returns FALSE and the dialog is still
// open, IDCANCEL follows (as the default dialog handling does).
void win32DialogClose(HWND dialog);
// Template position of the control that has the keyboard focus (-1: none).
int win32DialogFocus(HWND dialog);
// The control at a template position (null outside the template).
HWND win32DialogItem(HWND dialog, int index);
// A mouse click on the control at a template position: focus, toggle, notify as Windows does.
void win32DialogClick(HWND dialog, int index);
// The viewer picked entry `entry` in the open list of the combo box at a template position.
void win32DialogPick(HWND dialog, int index, int entry);
