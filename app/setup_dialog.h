// The setup dialog: the viewer picks mode, aspect ratio, fullscreen, vsync and multisampling.
#pragma once

// Runs the modal dialog. True: Run was pressed and displaySettings is complete.
// False: the viewer chose Exit.
bool runSetupDialog();
