// The host globals the graphics libraries read, for test programs that do not link the host.
#include "gfx/host.h"

IDirect3DDevice9* d3dDevice = nullptr;
int WIDTH = 0;
int HEIGHT = 0;
int RENDERHEIGHT = 0;
DisplaySettings displaySettings;
