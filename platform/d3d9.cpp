// Direct3D 9 stand-in entry points (interim: no device yet).
// Implements: Direct3DCreate9 and the d3d9_gl.h bridge as inert calls.
// Leaves out: everything else until the GL device lands.
#include "platform/d3d9.h"
#include "platform/d3d9_gl.h"

IDirect3D9* Direct3DCreate9(UINT) { return nullptr; }
void d3d9glSetProgram(IDirect3DDevice9*, unsigned) {}
unsigned d3d9glProgram(IDirect3DDevice9*) { return 0; }
void d3d9glForgetProgram(IDirect3DDevice9*, unsigned) {}
int d3d9glAttribLocation(unsigned, unsigned) { return -1; }
unsigned d3d9glTextureName(IDirect3DBaseTexture9*) { return 0; }
HRESULT d3d9glReadSurface(IDirect3DSurface9*, std::vector<uint32_t>&, UINT*, UINT*) { return D3DERR_INVALIDCALL; }
int d3d9glLiveObjectCount() { return 0; }
