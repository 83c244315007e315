// The program's resources: the setup dialog's template and the picture it shows.
#pragma once

#include "platform/win32_dialog.h"

// Resource ids.
constexpr WORD kSetupDialogId = 101;
constexpr WORD kSetupPictureId = 1001;

// Control ids of the setup dialog.
constexpr int kFullscreenBox = 1001;
constexpr int kResolutionList = 1003;
constexpr int kVsyncBox = 1015;
constexpr int kAspectList = 1016;
constexpr int kMultiSampleList = 1017;

extern const DialogTemplate kSetupDialogTemplate;

// Adds the dialog template and the picture to the program's resources (once; later calls do
// nothing). A build without the picture file has the template only.
void addProgramResources();
