// D3DX 9 mesh-helper stand-in.
// Implements: D3DXGetDeclVertexSize.
// Leaves out: ID3DXMesh and every mesh-creation, FVF and optimisation helper.
#pragma once

#include "platform/d3d9.h"

// The size in bytes of one vertex of `stream` in a declaration ending with D3DDECL_END():
// the furthest end of that stream's elements. 0 for a null declaration or an unused stream.
UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* decl, DWORD stream);
