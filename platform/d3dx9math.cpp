// D3DX 9 math stand-in: matrix, quaternion, vector and colour functions.
// Implements: everything declared in d3dx9math.h, in single precision with row vectors.
// Leaves out: SIMD paths; results may differ from other implementations in the last bit.
#include "platform/d3dx9math.h"

#include <cmath>

D3DXMATRIX::D3DXMATRIX(float m11, float m12, float m13, float m14,
                       float m21, float m22, float m23, float m24,
                       float m31, float m32, float m33, float m34,
                       float m41, float m42, float m43, float m44)
    : D3DMATRIX{} {
    _11 = m11; _12 = m12; _13 = m13; _14 = m14;
    _21 = m21; _22 = m22; _23 = m23; _24 = m24;
    _31 = m31; _32 = m32; _33 = m33; _34 = m34;
    _41 = m41; _42 = m42; _43 = m43; _44 = m44;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& b) const {
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, this, &b);
    return out;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& b) const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m[r][c] != b.m[r][c]) return false;
    return true;
}

D3DXCOLOR::D3DXCOLOR(D3DCOLOR argb)
    : D3DCOLORVALUE{static_cast<float>((argb >> 16) & 0xffu) * (1.0f / 255.0f),
                    static_cast<float>((argb >> 8) & 0xffu) * (1.0f / 255.0f),
                    static_cast<float>(argb & 0xffu) * (1.0f / 255.0f),
                    static_cast<float>((argb >> 24) & 0xffu) * (1.0f / 255.0f)} {}

static DWORD packChannel(float v) {
    if (!(v > 0.0f)) return 0;  // also catches NaN
    if (v >= 1.0f) return 255;
    return static_cast<DWORD>(v * 255.0f + 0.5f);
}

D3DXCOLOR::operator D3DCOLOR() const {
    return (packChannel(a) << 24) | (packChannel(r) << 16) | (packChannel(g) << 8) | packChannel(b);
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

bool D3DXMatrixIsIdentity(const D3DXMATRIX* m) {
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    return *m == id;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX r;  // a temporary, so that out may alias a or b
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] +
                        a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}

namespace {

// The 2x2 sub-determinants of the top row pair (s) and the bottom row pair (c), from which
// both the determinant and the adjugate follow (Laplace expansion by row pairs).
struct RowPairMinors {
    float s0, s1, s2, s3, s4, s5;
    float c0, c1, c2, c3, c4, c5;

    explicit RowPairMinors(const float (&a)[4][4])
        : s0(a[0][0] * a[1][1] - a[1][0] * a[0][1]), s1(a[0][0] * a[1][2] - a[1][0] * a[0][2]),
          s2(a[0][0] * a[1][3] - a[1][0] * a[0][3]), s3(a[0][1] * a[1][2] - a[1][1] * a[0][2]),
          s4(a[0][1] * a[1][3] - a[1][1] * a[0][3]), s5(a[0][2] * a[1][3] - a[1][2] * a[0][3]),
          c0(a[2][0] * a[3][1] - a[3][0] * a[2][1]), c1(a[2][0] * a[3][2] - a[3][0] * a[2][2]),
          c2(a[2][0] * a[3][3] - a[3][0] * a[2][3]), c3(a[2][1] * a[3][2] - a[3][1] * a[2][2]),
          c4(a[2][1] * a[3][3] - a[3][1] * a[2][3]), c5(a[2][2] * a[3][3] - a[3][2] * a[2][3]) {}

    float determinant() const { return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0; }
};

}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* m) { return RowPairMinors(m->m).determinant(); }

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
    const auto& a = m->m;
    const RowPairMinors p(a);
    const float s0 = p.s0, s1 = p.s1, s2 = p.s2, s3 = p.s3, s4 = p.s4, s5 = p.s5;
    const float c0 = p.c0, c1 = p.c1, c2 = p.c2, c3 = p.c3, c4 = p.c4, c5 = p.c5;
    const float det = p.determinant();
    if (determinant) *determinant = det;
    if (det == 0.0f || !std::isfinite(det)) return nullptr;
    float k = 1.0f / det;
    D3DXMATRIX r;
    r.m[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * k;
    r.m[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * k;
    r.m[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * k;
    r.m[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * k;
    r.m[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * k;
    r.m[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * k;
    r.m[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * k;
    r.m[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * k;
    r.m[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * k;
    r.m[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * k;
    r.m[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * k;
    r.m[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * k;
    r.m[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * k;
    r.m[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * k;
    r.m[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * k;
    r.m[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * k;
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
    *out = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
    float s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    float s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
    float s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, axis);
    float s = std::sin(angle), c = std::cos(angle), t = 1.0f - c;
    *out = D3DXMATRIX(t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y, 0,
                      t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x, 0,
                      t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c, 0,
                      0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
    D3DXMATRIX z, x, y;
    D3DXMatrixRotationZ(&z, roll);
    D3DXMatrixRotationX(&x, pitch);
    D3DXMatrixRotationY(&y, yaw);
    *out = z * x * y;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
    float xx = q->x * q->x, yy = q->y * q->y, zz = q->z * q->z;
    float xy = q->x * q->y, xz = q->x * q->z, yz = q->y * q->z;
    float wx = q->w * q->x, wy = q->w * q->y, wz = q->w * q->z;
    *out = D3DXMATRIX(1 - 2 * (yy + zz), 2 * (xy + wz), 2 * (xz - wy), 0,
                      2 * (xy - wz), 1 - 2 * (xx + zz), 2 * (yz + wx), 0,
                      2 * (xz + wy), 2 * (yz - wx), 1 - 2 * (xx + yy), 0,
                      0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 zaxis = *at - *eye;
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVECTOR3 xaxis;
    D3DXVec3Cross(&xaxis, up, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVECTOR3 yaxis;
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    *out = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0,
                      xaxis.y, yaxis.y, zaxis.y, 0,
                      xaxis.z, yaxis.z, zaxis.z, 0,
                      -D3DXVec3Dot(&xaxis, eye), -D3DXVec3Dot(&yaxis, eye), -D3DXVec3Dot(&zaxis, eye), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zn, float zf) {
    float yScale = 1.0f / std::tan(fovY * 0.5f);
    float xScale = yScale / aspect;
    float q = zf / (zf - zn);
    *out = D3DXMATRIX(xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, q, 1, 0, 0, -zn * q, 0);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    float q = 1.0f / (zf - zn);
    *out = D3DXMATRIX(2.0f / w, 0, 0, 0, 0, 2.0f / h, 0, 0, 0, 0, q, 0, 0, 0, -zn * q, 1);
    return out;
}

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
    *out = D3DXQUATERNION(0, 0, 0, 1);
    return out;
}

// Same rotation order as the matrix form: roll (Z), then pitch (X), then yaw (Y).
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch,
                                                   float roll) {
    float sy = std::sin(yaw * 0.5f), cy = std::cos(yaw * 0.5f);
    float sp = std::sin(pitch * 0.5f), cp = std::cos(pitch * 0.5f);
    float sr = std::sin(roll * 0.5f), cr = std::cos(roll * 0.5f);
    *out = D3DXQUATERNION(cy * sp * cr + sy * cp * sr,
                          sy * cp * cr - cy * sp * sr,
                          cy * cp * sr - sy * sp * cr,
                          cy * cp * cr + sy * sp * sr);
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, axis);
    float s = std::sin(angle * 0.5f);
    *out = D3DXQUATERNION(n.x * s, n.y * s, n.z * s, std::cos(angle * 0.5f));
    return out;
}

// The rotation a followed by the rotation b (D3DX order: out = a then b).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                       const D3DXQUATERNION* b) {
    D3DXQUATERNION r(b->w * a->x + b->x * a->w + b->y * a->z - b->z * a->y,
                     b->w * a->y - b->x * a->z + b->y * a->w + b->z * a->x,
                     b->w * a->z + b->x * a->y - b->y * a->x + b->z * a->w,
                     b->w * a->w - b->x * a->x - b->y * a->y - b->z * a->z);
    *out = r;
    return out;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    float len = std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w);
    if (len == 0.0f) {
        *out = D3DXQUATERNION(0, 0, 0, 0);
        return out;
    }
    *out = D3DXQUATERNION(q->x / len, q->y / len, q->z / len, q->w / len);
    return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                    const D3DXQUATERNION* b, float t) {
    float cosom = a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
    float sign = 1.0f;
    if (cosom < 0.0f) {  // take the short way round
        cosom = -cosom;
        sign = -1.0f;
    }
    float ka = 1.0f - t, kb = t;
    if (cosom < 0.9999f) {
        float omega = std::acos(cosom);
        float sinom = std::sin(omega);
        ka = std::sin((1.0f - t) * omega) / sinom;
        kb = std::sin(t * omega) / sinom;
    }
    kb *= sign;
    *out = D3DXQUATERNION(ka * a->x + kb * b->x, ka * a->y + kb * b->y, ka * a->z + kb * b->z,
                          ka * a->w + kb * b->w);
    return out;
}

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
    *out = r;
    return out;
}

float D3DXVec3Length(const D3DXVECTOR3* v) {
    return std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    float len = D3DXVec3Length(v);
    *out = len > 0.0f ? *v / len : D3DXVECTOR3();
    return out;
}

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float t) {
    *out = *a + (*b - *a) * t;
    return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 in(v->x, v->y, v->z, 1.0f);
    return D3DXVec4Transform(out, &in, m);
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
    const auto& a = m->m;
    D3DXVECTOR4 r(v->x * a[0][0] + v->y * a[1][0] + v->z * a[2][0] + v->w * a[3][0],
                  v->x * a[0][1] + v->y * a[1][1] + v->z * a[2][1] + v->w * a[3][1],
                  v->x * a[0][2] + v->y * a[1][2] + v->z * a[2][2] + v->w * a[3][2],
                  v->x * a[0][3] + v->y * a[1][3] + v->z * a[2][3] + v->w * a[3][3]);
    *out = r;
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r;
    D3DXVec3Transform(&r, v, m);
    float w = r.w != 0.0f ? r.w : 1.0f;
    *out = D3DXVECTOR3(r.x / w, r.y / w, r.z / w);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const auto& a = m->m;
    D3DXVECTOR3 r(v->x * a[0][0] + v->y * a[1][0] + v->z * a[2][0],
                  v->x * a[0][1] + v->y * a[1][1] + v->z * a[2][1],
                  v->x * a[0][2] + v->y * a[1][2] + v->z * a[2][2]);
    *out = r;
    return out;
}
