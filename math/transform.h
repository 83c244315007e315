// Transform helpers: matrices, vectors and colours built by value over the D3DX math functions.
// Row vectors throughout: a point p is transformed as p * M; world * view * projection.
#pragma once

#include "platform/d3dx9math.h"

#include <cstdint>

struct Mesh;

D3DXMATRIX identityMatrix();
// a * b: a acts first.
D3DXMATRIX multiply(const D3DXMATRIX& a, const D3DXMATRIX& b);
// Yaw = v.x (about Y), pitch = v.y (about X), roll = v.z (about Z), in radians.
D3DXMATRIX rotationMatrix(const D3DXVECTOR3& v);
D3DXMATRIX scalingMatrix(const D3DXVECTOR3& v);
D3DXMATRIX translationMatrix(const D3DXVECTOR3& v);
// Spin about the object's origin, scale uniformly, then move to the position.
D3DXMATRIX composeTransform(const D3DXVECTOR3& position, const D3DXVECTOR3& rotation, float scale);
// Left-handed orthographic box of width x height centred on the view axis, depth 0 to 100000.
D3DXMATRIX orthoMatrix(float width, float height);
// Unpacks A8R8G8B8 into floats, each channel times 1/255.
D3DXCOLOR colorFromArgb(uint32_t argb);
// A mesh's world matrix at a time: meshes carry no animation, so always the identity.
D3DXMATRIX meshTransform(const Mesh& mesh, float time);

inline D3DXVECTOR2 vector2(float x, float y) { return D3DXVECTOR2(x, y); }
inline D3DXVECTOR3 vector3(float x, float y, float z) { return D3DXVECTOR3(x, y, z); }
inline D3DXCOLOR color(float r, float g, float b, float a) { return D3DXCOLOR(r, g, b, a); }

// Scalar math on single-precision arguments, evaluated in double and rounded back to float.
float sinF(float x);
float cosF(float x);
float floorF(float x);
float absF(float x);

// Truncates toward zero to a 32-bit int; NaN and values outside the int range give INT_MIN,
// as the processor's own conversion does, instead of undefined behaviour.
int32_t truncToInt(float x);
