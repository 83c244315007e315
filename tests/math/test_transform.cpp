#include "math/transform.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {
D3DXVECTOR3 apply(const D3DXMATRIX& m, D3DXVECTOR3 p) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}
}  // namespace

TEST(Transform, ComposeRotatesThenScalesThenMoves) {
    D3DXVECTOR3 p = apply(composeTransform({1, 2, 3}, {0, 0, 0}, 2.0f), {1, 0, 0});
    EXPECT_FLOAT_EQ(p.x, 3.0f);
    EXPECT_FLOAT_EQ(p.y, 2.0f);
    EXPECT_FLOAT_EQ(p.z, 3.0f);

    p = apply(composeTransform({0, 0, 0}, {D3DX_PI / 2, 0, 0}, 1.0f), {1, 0, 0});
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    EXPECT_NEAR(p.z, -1.0f, 1e-6f);

    // Rotation happens about the object's own origin, before the move.
    p = apply(composeTransform({10, 0, 0}, {D3DX_PI / 2, 0, 0}, 3.0f), {1, 0, 0});
    EXPECT_NEAR(p.x, 10.0f, 1e-5f);
    EXPECT_NEAR(p.z, -3.0f, 1e-5f);
}

TEST(Transform, OrthoMapsTheBoxOntoClipSpace) {
    D3DXMATRIX m = orthoMatrix(2.0f, 2.0f);
    D3DXVECTOR3 p = apply(m, {1, 1, 0});
    EXPECT_FLOAT_EQ(p.x, 1.0f);
    EXPECT_FLOAT_EQ(p.y, 1.0f);
    EXPECT_FLOAT_EQ(p.z, 0.0f);
    EXPECT_FLOAT_EQ(apply(m, {0, 0, 100000.0f}).z, 1.0f);
    EXPECT_FLOAT_EQ(apply(orthoMatrix(800, 600), {400, -300, 0}).y, -1.0f);
}

TEST(Transform, ColorFromArgb) {
    struct Case {
        uint32_t argb;
        float r, g, b, a;
    } cases[] = {
        {0xFFFFFFFFu, 1.0f, 1.0f, 1.0f, 1.0f},
        {0x00000000u, 0.0f, 0.0f, 0.0f, 0.0f},
        {0x00B29180u, 0.69803923f, 0.56862748f, 0.50196081f, 0.0f},
    };
    for (const Case& c : cases) {
        D3DXCOLOR col = colorFromArgb(c.argb);
        EXPECT_EQ(col.r, c.r) << std::hex << c.argb;
        EXPECT_EQ(col.g, c.g) << std::hex << c.argb;
        EXPECT_EQ(col.b, c.b) << std::hex << c.argb;
        EXPECT_EQ(col.a, c.a) << std::hex << c.argb;
    }
}

TEST(Transform, BuildersStartFromIdentity) {
    D3DXMATRIX t = translationMatrix({1, 2, 3});
    EXPECT_EQ(t._44, 1.0f);
    EXPECT_EQ(t._11, 1.0f);
    EXPECT_EQ(t._41, 1.0f);
    D3DXMATRIX s = scalingMatrix({2, 3, 4});
    EXPECT_EQ(s._33, 4.0f);
    EXPECT_EQ(s._44, 1.0f);
}

TEST(Transform, TruncToIntFollowsTheProcessorConversion) {
    struct Case {
        float in;
        int32_t out;
    } cases[] = {{-0.7f, 0}, {2.9f, 2}, {-1.2f, -1}, {0.999f, 0}, {4.0f, 4},
                 {NAN, INT_MIN}, {3e9f, INT_MIN}, {-3e9f, INT_MIN}, {-2147483648.0f, INT_MIN},
                 {INFINITY, INT_MIN}};
    for (const Case& c : cases) EXPECT_EQ(truncToInt(c.in), c.out) << c.in;
}

TEST(Transform, ScalarHelpersRoundThroughDouble) {
    EXPECT_EQ(sinF(3.1415927f), static_cast<float>(std::sin(3.1415927410125732)));
    EXPECT_EQ(cosF(0.0f), 1.0f);
    EXPECT_EQ(floorF(-0.5f), -1.0f);
    EXPECT_EQ(absF(-2.5f), 2.5f);
}
