// The setup dialog: the viewer picks mode, aspect ratio, fullscreen, vsync and multisampling.
#pragma once

#include "platform/d3d9.h"
#include "platform/win32_dialog.h"

// Runs the modal dialog. True: Run was pressed and displaySettings is complete (and printed).
// False: the viewer chose Exit ("hooo" is printed). Throws std::runtime_error when the dialog
// cannot be created, so that the program ends through its error path.
bool runSetupDialog();

// The dialog procedure of dialog 101; answers FALSE to every message.
INT_PTR CALLBACK setupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Adapter mode index of each Resolution list entry, in list order (-1 for unused slots).
inline constexpr int kListedModeCapacity = 200;
extern int listedModes[kListedModeCapacity];
extern int listedModeCount;

inline constexpr int kMultiSampleChoices = 9;
extern const char* const kMultiSampleNames[kMultiSampleChoices];
extern const D3DMULTISAMPLE_TYPE kMultiSampleTypes[kMultiSampleChoices];

inline constexpr int kAspectChoices = 3;
extern const char* const kAspectNames[kAspectChoices];
extern const float kAspectRatios[kAspectChoices];
