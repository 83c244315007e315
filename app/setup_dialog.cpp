// The setup dialog: lists the adapter's modes, multisampling levels and aspect ratios, and
// writes the viewer's choice into displaySettings when Run is pressed.
#include "app/setup_dialog.h"

#include "app/demo_window.h"
#include "app/dialog_resources.h"
#include "app/display_settings.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

int listedModes[kListedModeCapacity];
int listedModeCount = 0;

const char* const kMultiSampleNames[kMultiSampleChoices] = {
    "No Multisampling",  "2x Multisampling",  "4x Multisampling",  "6x Multisampling",  "8x Multisampling",
    "10x Multisampling", "12x Multisampling", "14x Multisampling", "16x Multisampling",
};
const D3DMULTISAMPLE_TYPE kMultiSampleTypes[kMultiSampleChoices] = {
    D3DMULTISAMPLE_NONE,       D3DMULTISAMPLE_2_SAMPLES,  D3DMULTISAMPLE_4_SAMPLES,
    D3DMULTISAMPLE_6_SAMPLES,  D3DMULTISAMPLE_8_SAMPLES,  D3DMULTISAMPLE_10_SAMPLES,
    D3DMULTISAMPLE_12_SAMPLES, D3DMULTISAMPLE_14_SAMPLES, D3DMULTISAMPLE_16_SAMPLES,
};

const char* const kAspectNames[kAspectChoices] = {"4:3", "16:10", "16:9"};
const float kAspectRatios[kAspectChoices] = {4.0f / 3.0f, 1.6f, 16.0f / 9.0f};

namespace {

LRESULT listMessage(HWND dialog, int list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageA(dialog, list, message, wParam, lParam);
}

// The aspect entry nearest to a desktop's width / height (smallest absolute difference of the
// ratios; a tie goes to the earlier entry). A desktop of unknown size keeps "4:3".
int nearestAspect(const D3DDISPLAYMODE& desktop) {
    if (desktop.Width == 0 || desktop.Height == 0) return 0;
    const double ratio = (double)desktop.Width / (double)desktop.Height;
    int best = 0;
    for (int i = 1; i < kAspectChoices; ++i)
        if (std::fabs(kAspectRatios[i] - ratio) < std::fabs(kAspectRatios[best] - ratio)) best = i;
    return best;
}

void initDialog(HWND dialog) {
    for (int& mode : listedModes) mode = -1;
    listedModeCount = 0;
    CheckDlgButton(dialog, kFullscreenBox, BST_CHECKED);
    CheckDlgButton(dialog, kVsyncBox, BST_CHECKED);
    // Without a Direct3D interface there is nothing to list; Run then does nothing.
    if (!d3d) return;

    const UINT modeCount = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
    if (modeCount == 0) {
        MessageBoxA(nullptr, "Somethings Terribly Wrong", "GetAdapterModeCount = 0", MB_OK);
        return;
    }
    int defaultEntry = 0;
    for (UINT i = 0; i < modeCount && listedModeCount < kListedModeCapacity; ++i) {
        D3DDISPLAYMODE mode = {};
        d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode);
        if (mode.Width < 640) continue;
        char label[64];
        std::snprintf(label, sizeof label, "%2d: %4dx%4d@%dHz", (int)i, (int)mode.Width, (int)mode.Height,
                      (int)mode.RefreshRate);
        listMessage(dialog, kResolutionList, CB_ADDSTRING, 0, (LPARAM)label);
        if (mode.Width == 800 && mode.Height == 600) defaultEntry = listedModeCount;
        listedModes[listedModeCount++] = (int)i;
    }
    listMessage(dialog, kResolutionList, CB_SETCURSEL, defaultEntry);

    // The longest prefix of the table that the adapter supports for fullscreen use.
    int last = 0;
    for (int j = 0; j < kMultiSampleChoices; ++j) {
        if (FAILED(d3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, FALSE,
                                                   kMultiSampleTypes[j], nullptr)))
            break;
        listMessage(dialog, kMultiSampleList, CB_ADDSTRING, 0, (LPARAM)kMultiSampleNames[j]);
        last = j;
    }
    // "2x" is preselected only when "4x" is also listed.
    listMessage(dialog, kMultiSampleList, CB_SETCURSEL, last > 1 ? 1 : 0);

    for (const char* name : kAspectNames) listMessage(dialog, kAspectList, CB_ADDSTRING, 0, (LPARAM)name);
    D3DDISPLAYMODE desktop = {};
    if (FAILED(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop))) desktop = {};
    listMessage(dialog, kAspectList, CB_SETCURSEL, nearestAspect(desktop));
}

// Run: the choices go into displaySettings and the dialog ends with 1. A list without a valid
// selection (empty lists after a failed mode query) leaves everything as it is.
void run(HWND dialog) {
    const LRESULT modeEntry = listMessage(dialog, kResolutionList, CB_GETCURSEL);
    const LRESULT aspectEntry = listMessage(dialog, kAspectList, CB_GETCURSEL);
    const LRESULT multiSampleEntry = listMessage(dialog, kMultiSampleList, CB_GETCURSEL);
    if (!d3d || modeEntry < 0 || modeEntry >= listedModeCount || aspectEntry < 0 || aspectEntry >= kAspectChoices ||
        multiSampleEntry < 0 || multiSampleEntry >= kMultiSampleChoices)
        return;
    const int modeIndex = listedModes[modeEntry];
    if (modeIndex < 0) return;

    displaySettings.fullscreen = IsDlgButtonChecked(dialog, kFullscreenBox) == BST_CHECKED ? 1 : 0;
    displaySettings.vsync = IsDlgButtonChecked(dialog, kVsyncBox) == BST_CHECKED ? 1 : 0;
    D3DDISPLAYMODE mode = {};
    d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, (UINT)modeIndex, &mode);
    displaySettings.width = mode.Width;
    displaySettings.height = mode.Height;
    displaySettings.refreshRate = mode.RefreshRate;
    displaySettings.aspectRatio = kAspectRatios[aspectEntry];
    displaySettings.multiSampleType = (uint32_t)kMultiSampleTypes[multiSampleEntry];
    EndDialog(dialog, 1);
}

}  // namespace

INT_PTR CALLBACK setupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        initDialog(dialog);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) run(dialog);
        else if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
        break;
    case WM_CLOSE:
        // The close box ends the program at once, with code 0 and without the "hooo" line.
        EndDialog(dialog, 0);
        ExitProcess(0);
    default:
        break;
    }
    return FALSE;
}

bool runSetupDialog() {
    addProgramResources();
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kSetupDialogId), nullptr, setupDialogProc, 0);
    if (result == -1) throw std::runtime_error("the setup dialog could not be created");
    if (result == 0) {
        std::printf("hooo");
        std::fflush(stdout);
        return false;
    }
    displaySettings.computeTargetRect();
    displaySettings.printSettings();
    return true;
}
