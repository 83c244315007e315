// What the graphics libraries read from the application host: the Direct3D device and the
// picture sizes. The host (app/) defines these; test programs define their own.
#pragma once

#include "app/display_settings.h"
#include "platform/d3d9.h"

extern IDirect3DDevice9* d3dDevice;
extern int WIDTH;         // back-buffer width
extern int HEIGHT;        // back-buffer height
extern int RENDERHEIGHT;  // height of the letterboxed picture band
