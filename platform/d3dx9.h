// D3DX 9 stand-in: one include for the math, effect, texture and mesh helpers.
#pragma once

#include "platform/d3dx9math.h"
#include "platform/d3dx9effect.h"
#include "platform/d3dx9tex.h"
#include "platform/d3dx9mesh.h"
