// The D3DX math stand-in against hand-checked values and against its own identities.
#include "platform/d3dx9math.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

D3DXVECTOR3 apply(const D3DXMATRIX& m, D3DXVECTOR3 p) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}

void expectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float eps = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

void expectNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float eps = 1e-5f) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], eps) << "at " << r << "," << c;
}

D3DXMATRIX identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

}  // namespace

TEST(D3DXMath, MultiplyAppliesLeftOperandFirst) {
    D3DXMATRIX t, s, ts, st;
    D3DXMatrixTranslation(&t, 1, 0, 0);
    D3DXMatrixScaling(&s, 2, 2, 2);
    D3DXMatrixMultiply(&ts, &t, &s);
    D3DXMatrixMultiply(&st, &s, &t);
    expectNear(apply(ts, {1, 0, 0}), {4, 0, 0});  // translate, then scale
    expectNear(apply(st, {1, 0, 0}), {3, 0, 0});  // scale, then translate
    // Output aliasing an input is allowed.
    D3DXMatrixMultiply(&t, &t, &s);
    expectNear(t, ts);
}

TEST(D3DXMath, RotationsFollowLeftHandedConventions) {
    D3DXMATRIX m;
    const float h = D3DX_PI / 2;
    expectNear(apply(*D3DXMatrixRotationY(&m, h), {1, 0, 0}), {0, 0, -1});
    expectNear(apply(*D3DXMatrixRotationX(&m, h), {0, 1, 0}), {0, 0, 1});
    expectNear(apply(*D3DXMatrixRotationZ(&m, h), {1, 0, 0}), {0, 1, 0});
    // Yaw-pitch-roll applies roll, then pitch, then yaw.
    D3DXMATRIX y, x, z, ypr;
    D3DXMatrixRotationY(&y, 0.3f);
    D3DXMatrixRotationX(&x, -1.1f);
    D3DXMatrixRotationZ(&z, 2.0f);
    D3DXMatrixRotationYawPitchRoll(&ypr, 0.3f, -1.1f, 2.0f);
    expectNear(ypr, z * x * y);
    D3DXVECTOR3 axis(0, 1, 0);
    expectNear(*D3DXMatrixRotationAxis(&m, &axis, 0.3f), y);
}

TEST(D3DXMath, QuaternionsMatchTheMatrixForms) {
    D3DXQUATERNION q, qa, qb, qab;
    D3DXMATRIX fromQ, ypr;
    D3DXQuaternionRotationYawPitchRoll(&q, 0.7f, -0.4f, 1.9f);
    D3DXMatrixRotationQuaternion(&fromQ, &q);
    D3DXMatrixRotationYawPitchRoll(&ypr, 0.7f, -0.4f, 1.9f);
    expectNear(fromQ, ypr);

    // Multiply(a, b) is the rotation a followed by b.
    D3DXVECTOR3 ax(1, 0, 0), ay(0, 1, 0);
    D3DXQuaternionRotationAxis(&qa, &ax, 0.5f);
    D3DXQuaternionRotationAxis(&qb, &ay, 1.2f);
    D3DXQuaternionMultiply(&qab, &qa, &qb);
    D3DXMATRIX ma, mb, mab;
    D3DXMatrixRotationQuaternion(&ma, &qa);
    D3DXMatrixRotationQuaternion(&mb, &qb);
    D3DXMatrixRotationQuaternion(&mab, &qab);
    expectNear(mab, ma * mb);

    D3DXQUATERNION half;
    D3DXQuaternionSlerp(&half, &qa, &qa, 0.5f);
    EXPECT_NEAR(half.w, qa.w, 1e-6f);
}

TEST(D3DXMath, InverseAndTranspose) {
    D3DXMATRIX a;
    D3DXMatrixRotationYawPitchRoll(&a, 0.2f, 0.9f, -0.4f);
    D3DXMATRIX t;
    D3DXMatrixTranslation(&t, 3, -2, 7);
    D3DXMATRIX s;
    D3DXMatrixScaling(&s, 2, 0.5f, 4);
    a = a * s * t;
    D3DXMATRIX inv;
    float det = 0;
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &a), nullptr);
    EXPECT_NEAR(det, 4.0f, 1e-4f);
    EXPECT_NEAR(D3DXMatrixDeterminant(&a), 4.0f, 1e-4f);
    expectNear(a * inv, identity(), 1e-5f);
    expectNear(inv * a, identity(), 1e-5f);

    D3DXMATRIX singular;  // all zero
    D3DXMATRIX untouched = identity();
    EXPECT_EQ(D3DXMatrixInverse(&untouched, &det, &singular), nullptr);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&untouched));

    D3DXMATRIX tt;
    D3DXMatrixTranspose(&tt, &t);
    EXPECT_EQ(tt._14, 3.0f);
    EXPECT_EQ(tt._24, -2.0f);
    EXPECT_EQ(tt._34, 7.0f);
}

TEST(D3DXMath, ProjectionsAndLookAt) {
    // Perspective: a point on the axis at the near plane maps to depth 0, at the far plane to 1.
    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, D3DX_PI / 2, 2.0f, 1.0f, 100.0f);
    EXPECT_NEAR(apply(p, {0, 0, 1}).z, 0.0f, 1e-6f);
    EXPECT_NEAR(apply(p, {0, 0, 100}).z, 1.0f, 1e-6f);
    // 90 degrees vertical: y = z reaches the top edge; aspect 2 halves the x scale.
    expectNear(apply(p, {0, 10, 10}), {0, 1, apply(p, {0, 0, 10}).z});
    EXPECT_NEAR(apply(p, {20, 0, 10}).x, 1.0f, 1e-6f);

    // Look-at: the eye goes to the origin and the target onto +z.
    D3DXVECTOR3 eye(1, 2, 3), at(1, 2, 10), up(0, 1, 0);
    D3DXMATRIX v;
    D3DXMatrixLookAtLH(&v, &eye, &at, &up);
    expectNear(apply(v, eye), {0, 0, 0});
    expectNear(apply(v, at), {0, 0, 7});
    expectNear(apply(v, {2, 2, 3}), {1, 0, 0});  // +x stays to the right in a left-handed view
    expectNear(apply(v, {1, 3, 3}), {0, 1, 0});
}

TEST(D3DXMath, VectorHelpers) {
    D3DXVECTOR3 a(1, 0, 0), b(0, 1, 0), c;
    expectNear(*D3DXVec3Cross(&c, &a, &b), {0, 0, 1});
    EXPECT_EQ(D3DXVec3Dot(&a, &b), 0.0f);
    D3DXVECTOR3 zero;
    expectNear(*D3DXVec3Normalize(&c, &zero), {0, 0, 0});
    D3DXVECTOR3 v(3, 4, 0);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 5.0f);
    D3DXMATRIX t;
    D3DXMatrixTranslation(&t, 5, 5, 5);
    expectNear(*D3DXVec3TransformNormal(&c, &a, &t), {1, 0, 0});  // directions ignore translation
}

TEST(D3DXMath, ColourPacking) {
    D3DXCOLOR c(0x80FF4000u);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_FLOAT_EQ(c.g, 64.0f / 255.0f);
    EXPECT_FLOAT_EQ(c.b, 0.0f);
    EXPECT_FLOAT_EQ(c.a, 128.0f / 255.0f);
    EXPECT_EQ(static_cast<D3DCOLOR>(c), 0x80FF4000u);
    EXPECT_EQ(static_cast<D3DCOLOR>(D3DXCOLOR(2.0f, -1.0f, NAN, 1.0f)), 0xFFFF0000u);
}
