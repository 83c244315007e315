#include "math/transform.h"

#include <cmath>
#include <limits>

D3DXMATRIX identityMatrix() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

D3DXMATRIX multiply(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    D3DXMATRIX m = identityMatrix();
    D3DXMatrixMultiply(&m, &a, &b);
    return m;
}

D3DXMATRIX rotationMatrix(const D3DXVECTOR3& v) {
    D3DXMATRIX m = identityMatrix();
    D3DXMatrixRotationYawPitchRoll(&m, v.x, v.y, v.z);
    return m;
}

D3DXMATRIX scalingMatrix(const D3DXVECTOR3& v) {
    D3DXMATRIX m = identityMatrix();
    D3DXMatrixScaling(&m, v.x, v.y, v.z);
    return m;
}

D3DXMATRIX translationMatrix(const D3DXVECTOR3& v) {
    D3DXMATRIX m = identityMatrix();
    D3DXMatrixTranslation(&m, v.x, v.y, v.z);
    return m;
}

D3DXMATRIX composeTransform(const D3DXVECTOR3& position, const D3DXVECTOR3& rotation, float scale) {
    return multiply(multiply(rotationMatrix(rotation), scalingMatrix(D3DXVECTOR3(scale, scale, scale))),
                    translationMatrix(position));
}

D3DXMATRIX orthoMatrix(float width, float height) {
    D3DXMATRIX m = identityMatrix();
    D3DXMatrixOrthoLH(&m, width, height, 0.0f, 100000.0f);
    return m;
}

D3DXCOLOR colorFromArgb(uint32_t argb) {
    const float k = 0.003921569f;
    return D3DXCOLOR(static_cast<float>((argb >> 16) & 0xffu) * k, static_cast<float>((argb >> 8) & 0xffu) * k,
                     static_cast<float>(argb & 0xffu) * k, static_cast<float>((argb >> 24) & 0xffu) * k);
}

D3DXMATRIX meshTransform(const Mesh&, float) { return identityMatrix(); }

float sinF(float x) { return static_cast<float>(std::sin(static_cast<double>(x))); }
float cosF(float x) { return static_cast<float>(std::cos(static_cast<double>(x))); }
float floorF(float x) { return static_cast<float>(std::floor(static_cast<double>(x))); }
float absF(float x) { return static_cast<float>(std::fabs(static_cast<double>(x))); }

int32_t truncToInt(float x) {
    // Every float in [-2^31, 2^31) truncates into range; the rest (and NaN) does not.
    if (!(x >= -2147483648.0f && x < 2147483648.0f)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}
