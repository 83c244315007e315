// The program's resources: dialog template 101 and bitmap 1001.
#include "app/dialog_resources.h"

#include <cstddef>

// The picture's .bmp file, embedded at build time (empty when the build has no picture).
extern const unsigned char kBitmap1001Data[];
extern const size_t kBitmap1001Size;

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// Controls in tab order; positions and sizes in dialog units.
const DialogItemTemplate kSetupDialogItems[] = {
    {IDOK, "button", "Run", kChild | BS_DEFPUSHBUTTON | BS_FLAT | WS_TABSTOP, 0, 84, 121, 44, 14, 0},
    {IDCANCEL, "button", "Exit", kChild | BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP, 0, 129, 121, 44, 14, 0},
    {kFullscreenBox, "button", "Fullscreen", kChild | BS_AUTOCHECKBOX | BS_FLAT | WS_TABSTOP, 0, 89, 109, 46, 11, 0},
    {kResolutionList, "combobox", "", kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 85, 17, 86, 53, 0},
    {-1, "static", "", kChild | SS_BITMAP | SS_CENTERIMAGE | SS_RIGHTJUST | SS_SUNKEN, WS_EX_STATICEDGE, 7, 7, 73, 128,
     kSetupPictureId},
    {kAspectList, "combobox", "", kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 85, 67, 86, 40, 0},
    {kMultiSampleList, "combobox", "", kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 85, 42, 86, 52, 0},
    {-1, "button", "Resolution", kChild | BS_GROUPBOX, 0, 81, 7, 92, 24, 0},
    {-1, "button", "Multisampling", kChild | BS_GROUPBOX, 0, 81, 32, 92, 24, 0},
    {-1, "button", "Aspect Ratio", kChild | BS_GROUPBOX, 0, 81, 57, 92, 24, 0},
    {kVsyncBox, "button", "Vsync", kChild | BS_AUTOCHECKBOX | BS_FLAT | WS_TABSTOP, 0, 142, 110, 31, 8, 0},
};

}  // namespace

const DialogTemplate kSetupDialogTemplate = {
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_ABSALIGN | DS_SHELLFONT,
    0,
    0, 0, 180, 143,
    "skarnholt_vandrup",
    8, 400, 0, 1, "MS Shell Dlg",
    1033,
    kSetupDialogItems,
    (int)(sizeof kSetupDialogItems / sizeof kSetupDialogItems[0]),
};

void addProgramResources() {
    static bool added = false;
    if (added) return;
    added = true;
    const Win32Resource resources[] = {
        {RT_DIALOG, kSetupDialogId, &kSetupDialogTemplate, sizeof kSetupDialogTemplate},
        {RT_BITMAP, kSetupPictureId, kBitmap1001Data, kBitmap1001Size},
    };
    win32AddResources(resources, kBitmap1001Size ? 2 : 1);
}
