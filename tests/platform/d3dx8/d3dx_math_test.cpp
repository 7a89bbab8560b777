#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

#include "d3dx8.h"

namespace {
constexpr float kEps = 1e-5f;
const float kHalfPi = 1.5707963f;

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float eps = kEps)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

void ExpectMatrix(const D3DXMATRIX& a, const D3DXMATRIX& b, float eps = kEps)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], eps) << "at " << r << "," << c;
}

D3DXVECTOR3 Apply(const D3DXMATRIX& m, const D3DXVECTOR3& p)
{
    D3DXVECTOR3 r;
    D3DXVec3TransformCoord(&r, &p, &m);
    return r;
}
} // namespace

TEST(D3DXMath, TypesKeepTheirStoredSizes)
{
    EXPECT_EQ(sizeof(D3DXMATRIX), 64u);
    EXPECT_EQ(sizeof(D3DMATERIAL8), 68u);
    EXPECT_EQ(sizeof(D3DXQUATERNION), 16u);
    EXPECT_EQ(sizeof(D3DXPLANE), 16u);
    EXPECT_EQ(sizeof(D3DXCOLOR), 16u);
    // Records holding these are copied and stored byte for byte.
    static_assert(std::is_trivially_copyable_v<D3DXMATRIX> && std::is_trivially_copyable_v<D3DXVECTOR3> &&
                  std::is_trivially_copyable_v<D3DXQUATERNION> && std::is_trivially_copyable_v<D3DXCOLOR> &&
                  std::is_trivially_copyable_v<D3DXVECTOR4> && std::is_trivially_copyable_v<D3DXPLANE>);
    static_assert(std::is_standard_layout_v<D3DXMATRIX> && std::is_standard_layout_v<D3DXVECTOR3>);
}

TEST(D3DXMath, MultiplyAppliesTheLeftMatrixFirst)
{
    D3DXMATRIX t, s, ts, st;
    D3DXMatrixTranslation(&t, 1, 2, 3);
    D3DXMatrixScaling(&s, 2, 2, 2);
    D3DXMatrixMultiply(&ts, &t, &s); // translate, then scale
    D3DXMatrixMultiply(&st, &s, &t); // scale, then translate
    ExpectVec(Apply(ts, D3DXVECTOR3(1, 1, 1)), 4, 6, 8);
    ExpectVec(Apply(st, D3DXVECTOR3(1, 1, 1)), 3, 4, 5);
    // The operator and aliasing of the output give the same product.
    ExpectMatrix(t * s, ts);
    D3DXMATRIX alias = t;
    D3DXMatrixMultiply(&alias, &alias, &s);
    ExpectMatrix(alias, ts);
    D3DXMATRIX mt;
    D3DXMatrixMultiplyTranspose(&mt, &t, &s);
    EXPECT_FLOAT_EQ(mt._14, 2.0f);
    EXPECT_FLOAT_EQ(mt._34, 6.0f);
}

TEST(D3DXMath, RotationsAreLeftHanded)
{
    // A positive angle turns clockwise looking from the positive axis to the origin.
    struct Case {
        D3DXMATRIX* (*rotate)(D3DXMATRIX*, FLOAT);
        D3DXVECTOR3 in, out;
    } cases[] = {
        {D3DXMatrixRotationX, {0, 1, 0}, {0, 0, 1}},  {D3DXMatrixRotationX, {0, 0, 1}, {0, -1, 0}},
        {D3DXMatrixRotationY, {1, 0, 0}, {0, 0, -1}}, {D3DXMatrixRotationY, {0, 0, 1}, {1, 0, 0}},
        {D3DXMatrixRotationZ, {1, 0, 0}, {0, 1, 0}},  {D3DXMatrixRotationZ, {0, 1, 0}, {-1, 0, 0}},
    };
    for (const Case& c : cases) {
        D3DXMATRIX m;
        c.rotate(&m, kHalfPi);
        D3DXVECTOR3 r;
        D3DXVec3TransformNormal(&r, &c.in, &m);
        ExpectVec(r, c.out.x, c.out.y, c.out.z);
    }
    // The axis form agrees with the fixed-axis forms, also for an unnormalised axis.
    const D3DXVECTOR3 axisY(0, 3, 0);
    D3DXMATRIX a, y;
    D3DXMatrixRotationAxis(&a, &axisY, 0.7f);
    D3DXMatrixRotationY(&y, 0.7f);
    ExpectMatrix(a, y);
}

TEST(D3DXMath, YawPitchRollIsRollThenPitchThenYaw)
{
    D3DXMATRIX ypr, z, x, y, expected;
    D3DXMatrixRotationYawPitchRoll(&ypr, 0.3f, -0.5f, 1.1f);
    D3DXMatrixRotationZ(&z, 1.1f);
    D3DXMatrixRotationX(&x, -0.5f);
    D3DXMatrixRotationY(&y, 0.3f);
    expected = z * x * y;
    ExpectMatrix(ypr, expected);
    // Yaw alone turns +z towards +x.
    D3DXMatrixRotationYawPitchRoll(&ypr, kHalfPi, 0, 0);
    ExpectVec(Apply(ypr, D3DXVECTOR3(0, 0, 1)), 1, 0, 0);

    D3DXQUATERNION q;
    D3DXMATRIX fromQ;
    D3DXQuaternionRotationYawPitchRoll(&q, 0.3f, -0.5f, 1.1f);
    D3DXMatrixRotationQuaternion(&fromQ, &q);
    ExpectMatrix(fromQ, expected);
}

TEST(D3DXMath, LookAtLHPutsTheTargetOnPositiveZ)
{
    const D3DXVECTOR3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
    D3DXMATRIX v;
    D3DXMatrixLookAtLH(&v, &eye, &at, &up);
    ExpectVec(Apply(v, at), 0, 0, 5);
    ExpectVec(Apply(v, D3DXVECTOR3(1, 0, 0)), 1, 0, 5); // +x stays to the right
    ExpectVec(Apply(v, D3DXVECTOR3(0, 1, 0)), 0, 1, 5);

    // Looking along +x from (10, 0, 0): +z of the world is to the left (-x in view).
    const D3DXVECTOR3 eye2(10, 0, 0), at2(20, 0, 0);
    D3DXMatrixLookAtLH(&v, &eye2, &at2, &up);
    ExpectVec(Apply(v, D3DXVECTOR3(10, 0, 1)), -1, 0, 0);
    ExpectVec(Apply(v, D3DXVECTOR3(13, 0, 0)), 0, 0, 3);

    D3DXMatrixLookAtRH(&v, &eye, &at, &up);
    ExpectVec(Apply(v, at), 0, 0, -5);
}

TEST(D3DXMath, ProjectionsMapTheDepthRangeToZeroOne)
{
    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, kHalfPi, 2.0f, 1.0f, 101.0f);
    EXPECT_NEAR(p._11, 0.5f, kEps);
    EXPECT_NEAR(p._22, 1.0f, kEps);
    EXPECT_NEAR(p._33, 101.0f / 100.0f, kEps);
    EXPECT_FLOAT_EQ(p._34, 1.0f);
    EXPECT_NEAR(p._43, -1.01f, kEps);
    EXPECT_FLOAT_EQ(p._44, 0.0f);
    ExpectVec(Apply(p, D3DXVECTOR3(0, 0, 1)), 0, 0, 0);
    ExpectVec(Apply(p, D3DXVECTOR3(0, 0, 101)), 0, 0, 1);
    ExpectVec(Apply(p, D3DXVECTOR3(2, 1, 1)), 1, 1, 0); // the frustum corner at the near plane

    D3DXMatrixPerspectiveFovRH(&p, kHalfPi, 2.0f, 1.0f, 101.0f);
    ExpectVec(Apply(p, D3DXVECTOR3(0, 0, -101)), 0, 0, 1);

    D3DXMatrixOrthoLH(&p, 8, 4, 2, 12);
    ExpectVec(Apply(p, D3DXVECTOR3(4, -2, 2)), 1, -1, 0);
    ExpectVec(Apply(p, D3DXVECTOR3(0, 0, 12)), 0, 0, 1);
    EXPECT_FLOAT_EQ(p._44, 1.0f);

    D3DXMatrixOrthoOffCenterLH(&p, 0, 8, 0, 4, 0, 1);
    ExpectVec(Apply(p, D3DXVECTOR3(0, 4, 1)), -1, 1, 1);
}

TEST(D3DXMath, InverseReturnsNullForASingularMatrix)
{
    D3DXMATRIX m, inv, product, id;
    D3DXMatrixRotationYawPitchRoll(&m, 0.4f, 0.2f, -0.9f);
    m._41 = 3;
    m._42 = -2;
    m._43 = 7;
    m._11 *= 2.0f;
    float det = 0;
    ASSERT_EQ(D3DXMatrixInverse(&inv, &det, &m), &inv);
    EXPECT_NEAR(det, D3DXMatrixfDeterminant(&m), kEps);
    D3DXMatrixMultiply(&product, &m, &inv);
    ExpectMatrix(product, *D3DXMatrixIdentity(&id), 1e-5f);

    D3DXMATRIX s, untouched;
    D3DXMatrixScaling(&s, 2, 0, 3);
    D3DXMatrixTranslation(&untouched, 9, 9, 9);
    D3DXMATRIX out = untouched;
    det = 5;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &s), nullptr);
    EXPECT_EQ(det, 0.0f);
    EXPECT_EQ(out, untouched);
    EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &s), nullptr);

    // Nearly singular beyond float range counts as singular.
    D3DXMATRIX tiny;
    D3DXMatrixScaling(&tiny, 1e-20f, 1e-20f, 1e-20f);
    EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &tiny), nullptr);
    D3DXMATRIX huge;
    D3DXMatrixScaling(&huge, 1e-39f, 1.0f, 1.0f); // the determinant fits, the inverse does not
    EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &huge), nullptr);
    EXPECT_EQ(out, untouched);

    D3DXMATRIX sc;
    D3DXMatrixScaling(&sc, 2, 4, 8);
    EXPECT_FLOAT_EQ(D3DXMatrixfDeterminant(&sc), 64.0f);
}

TEST(D3DXMath, TransformCoordDividesByWAndTransformDoesNot)
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    m._44 = 2.0f;
    m._41 = 4.0f;
    const D3DXVECTOR3 p(2, 4, 6);
    D3DXVECTOR4 t;
    D3DXVec3Transform(&t, &p, &m);
    EXPECT_FLOAT_EQ(t.x, 6);
    EXPECT_FLOAT_EQ(t.y, 4);
    EXPECT_FLOAT_EQ(t.w, 2);
    D3DXVECTOR3 c;
    D3DXVec3TransformCoord(&c, &p, &m);
    ExpectVec(c, 3, 2, 3);
    D3DXVECTOR3 n;
    D3DXVec3TransformNormal(&n, &p, &m); // ignores the translation row
    ExpectVec(n, 2, 4, 6);
    const D3DXVECTOR4 p4(2, 4, 6, 0);
    D3DXVec4Transform(&t, &p4, &m);
    EXPECT_FLOAT_EQ(t.x, 2);
    EXPECT_FLOAT_EQ(t.w, 0);
}

TEST(D3DXMath, NormalizeAndCrossFollowTheLeftHandedRule)
{
    D3DXVECTOR3 v(3, 0, 4), n;
    D3DXVec3Normalize(&n, &v);
    ExpectVec(n, 0.6f, 0, 0.8f);
    const D3DXVECTOR3 zero(0, 0, 0);
    D3DXVec3Normalize(&n, &zero);
    ExpectVec(n, 0, 0, 0);
    const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
    D3DXVec3Cross(&n, &x, &y);
    ExpectVec(n, 0, 0, 1);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 5.0f);
    EXPECT_FLOAT_EQ(D3DXVec3Dot(&v, &x), 3.0f);
}

TEST(D3DXMath, QuaternionMatrixRoundTripAndMultiplyOrder)
{
    const D3DXVECTOR3 axis(1, 2, -0.5f);
    const float angles[] = {0.0f, 0.5f, 2.0f, 3.1f, -2.7f};
    for (float a : angles) {
        D3DXQUATERNION q, back;
        D3DXMATRIX fromQ, fromAxis;
        D3DXQuaternionRotationAxis(&q, &axis, a);
        D3DXMatrixRotationQuaternion(&fromQ, &q);
        D3DXMatrixRotationAxis(&fromAxis, &axis, a);
        ExpectMatrix(fromQ, fromAxis);
        D3DXQuaternionRotationMatrix(&back, &fromQ);
        // q and -q are the same rotation.
        const float sign = D3DXQuaternionDot(&q, &back) < 0 ? -1.0f : 1.0f;
        EXPECT_NEAR(back.x * sign, q.x, 1e-4f);
        EXPECT_NEAR(back.y * sign, q.y, 1e-4f);
        EXPECT_NEAR(back.z * sign, q.z, 1e-4f);
        EXPECT_NEAR(back.w * sign, q.w, 1e-4f);
    }
    // Multiply(a, b) is the rotation a followed by b, as the matrix product.
    D3DXQUATERNION qa, qb, qab;
    const D3DXVECTOR3 ax(1, 0, 0), ay(0, 1, 0);
    D3DXQuaternionRotationAxis(&qa, &ax, 0.6f);
    D3DXQuaternionRotationAxis(&qb, &ay, 1.3f);
    D3DXQuaternionMultiply(&qab, &qa, &qb);
    D3DXMATRIX ma, mb, mab;
    D3DXMatrixRotationQuaternion(&ma, &qa);
    D3DXMatrixRotationQuaternion(&mb, &qb);
    D3DXMatrixRotationQuaternion(&mab, &qab);
    ExpectMatrix(mab, ma * mb);
}

TEST(D3DXMath, SlerpTakesTheShortArc)
{
    const D3DXVECTOR3 ay(0, 1, 0);
    D3DXQUATERNION a, b, r;
    D3DXQuaternionRotationAxis(&a, &ay, 0.2f);
    D3DXQuaternionRotationAxis(&b, &ay, 0.8f);
    D3DXQuaternionSlerp(&r, &a, &b, 0.5f);
    EXPECT_NEAR(r.y, std::sin(0.25f), kEps);
    EXPECT_NEAR(r.w, std::cos(0.25f), kEps);
    D3DXQuaternionSlerp(&r, &a, &b, 0.0f);
    EXPECT_NEAR(r.w, a.w, kEps);

    // -b is the same rotation; the blend still goes the short way, to 0.5 rad.
    const D3DXQUATERNION nb = -b;
    D3DXQuaternionSlerp(&r, &a, &nb, 0.5f);
    EXPECT_NEAR(std::fabs(r.y), std::sin(0.25f), kEps);
    EXPECT_NEAR(std::fabs(r.w), std::cos(0.25f), kEps);
    EXPECT_GT(r.w * a.w, 0.0f);

    // 350 degrees apart the long way is 10 degrees the short way.
    D3DXQuaternionRotationAxis(&a, &ay, D3DXToRadian(5.0f));
    D3DXQuaternionRotationAxis(&b, &ay, D3DXToRadian(355.0f));
    D3DXQuaternionSlerp(&r, &a, &b, 0.5f);
    D3DXVECTOR3 axis;
    float angle;
    D3DXQuaternionToAxisAngle(&r, &axis, &angle);
    EXPECT_NEAR(std::fmod(angle + 0.0001f, 2 * D3DX_PI), 0.0001f, 1e-3f);

    // Identical inputs stay put (no 0/0).
    D3DXQuaternionSlerp(&r, &a, &a, 0.3f);
    EXPECT_NEAR(r.y, a.y, kEps);
    EXPECT_FALSE(std::isnan(r.w));
}

TEST(D3DXMath, PlanesFromPointsNormalizeAndIntersect)
{
    const D3DXVECTOR3 a(0, 2, 0), b(0, 2, 1), c(1, 2, 0);
    D3DXPLANE p;
    D3DXPlaneFromPoints(&p, &a, &b, &c); // (b - a) x (c - a) = +y
    EXPECT_NEAR(p.a, 0, kEps);
    EXPECT_NEAR(p.b, 1, kEps);
    EXPECT_NEAR(p.c, 0, kEps);
    EXPECT_NEAR(p.d, -2, kEps);

    D3DXPLANE big(0, 0, 4, -8), n;
    D3DXPlaneNormalize(&n, &big);
    EXPECT_NEAR(n.c, 1, kEps);
    EXPECT_NEAR(n.d, -2, kEps);

    D3DXVECTOR3 hit;
    const D3DXVECTOR3 from(1, 0, 5), to(1, 4, 5);
    ASSERT_EQ(D3DXPlaneIntersectLine(&hit, &p, &from, &to), &hit);
    ExpectVec(hit, 1, 2, 5);
    // The whole line counts, not only the segment.
    const D3DXVECTOR3 far1(0, 5, 0), far2(0, 6, 0);
    ASSERT_NE(D3DXPlaneIntersectLine(&hit, &p, &far1, &far2), nullptr);
    ExpectVec(hit, 0, 2, 0);
    const D3DXVECTOR3 par1(0, 0, 0), par2(1, 0, 1);
    EXPECT_EQ(D3DXPlaneIntersectLine(&hit, &p, &par1, &par2), nullptr);
    EXPECT_NEAR(D3DXPlaneDotCoord(&p, &from), -2, kEps);
}

TEST(D3DXMath, BoxAndSphereProbesSeeOnlyWhatIsAhead)
{
    const D3DXVECTOR3 lo(-1, -1, -1), hi(1, 1, 1);
    struct Case {
        D3DXVECTOR3 origin, dir;
        BOOL box;
    } cases[] = {
        {{0, 0, -5}, {0, 0, 1}, TRUE},                                     // straight at it
        {{0, 0, -5}, {0, 0, -1}, FALSE},                                   // pointing away
        {{0, 0, 0}, {1, 0, 0}, TRUE},                                      // starts inside
        {{0, 2, -5}, {0, 0, 1}, FALSE},                                    // passes above, parallel slab
        {{-5, -5, 0}, {1, 1, 0}, TRUE},                                    // diagonal
        {{-5, -3, 0}, {1, 0.1f, 0}, FALSE}, {{1, 1, -5}, {0, 0, 1}, TRUE}, // grazes an edge
    };
    for (const Case& c : cases) {
        EXPECT_EQ(D3DXBoxBoundProbe(&lo, &hi, &c.origin, &c.dir), c.box)
            << c.origin.x << "," << c.origin.y << "," << c.origin.z;
    }
    const D3DXVECTOR3 centre(0, 0, 10);
    const D3DXVECTOR3 o(0, 0, 0), fwd(0, 0, 1), back(0, 0, -1), side(0, 1, 0);
    EXPECT_TRUE(D3DXSphereBoundProbe(&centre, 1, &o, &fwd));
    EXPECT_FALSE(D3DXSphereBoundProbe(&centre, 1, &o, &back));
    EXPECT_FALSE(D3DXSphereBoundProbe(&centre, 1, &o, &side));
    EXPECT_TRUE(D3DXSphereBoundProbe(&centre, 20, &o, &back));
}

TEST(D3DXMath, BoundsAndTriangleIntersection)
{
    struct Vertex {
        D3DXVECTOR3 p;
        DWORD colour;
    } vertices[] = {{{1, 2, 3}, 0}, {{-1, 5, 0}, 0}, {{4, -2, 1}, 0}};
    D3DXVECTOR3 lo, hi, centre;
    float radius = 0;
    ASSERT_EQ(D3DXComputeBoundingBox(&vertices[0].p, 3, sizeof(Vertex), &lo, &hi), S_OK);
    ExpectVec(lo, -1, -2, 0);
    ExpectVec(hi, 4, 5, 3);
    ASSERT_EQ(D3DXComputeBoundingSphere(&vertices[0].p, 3, sizeof(Vertex), &centre, &radius), S_OK);
    ExpectVec(centre, 4.0f / 3, 5.0f / 3, 4.0f / 3);
    EXPECT_NEAR(radius, std::sqrt(8.0f / 3 * 8.0f / 3 + 11.0f / 3 * 11.0f / 3 + 1.0f / 9), 1e-4f);
    EXPECT_EQ(D3DXComputeBoundingBox(&vertices[0].p, 0, sizeof(Vertex), &lo, &hi), E_INVALIDARG);

    const D3DXVECTOR3 p0(0, 0, 0), p1(1, 0, 0), p2(0, 1, 0);
    const D3DXVECTOR3 origin(0.25f, 0.5f, -2), dir(0, 0, 2);
    float u, v, dist;
    ASSERT_TRUE(D3DXIntersectTri(&p0, &p1, &p2, &origin, &dir, &u, &v, &dist));
    EXPECT_NEAR(u, 0.25f, kEps);
    EXPECT_NEAR(v, 0.5f, kEps);
    EXPECT_NEAR(dist, 1.0f, kEps); // in units of the direction
    const D3DXVECTOR3 outside(0.75f, 0.5f, -2), behind(0.25f, 0.5f, 2);
    EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &outside, &dir, &u, &v, &dist));
    EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &behind, &dir, &u, &v, &dist));
}

TEST(D3DXMath, ProjectAndUnprojectAreInverse)
{
    D3DVIEWPORT8 vp = {10, 20, 640, 480, 0.0f, 1.0f};
    D3DXMATRIX proj, view, world;
    D3DXMatrixPerspectiveFovLH(&proj, 1.0f, 4.0f / 3, 1, 100);
    const D3DXVECTOR3 eye(0, 3, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixIdentity(&world);
    D3DXVECTOR3 screen, back;
    D3DXVec3Project(&screen, &at, &vp, &proj, &view, &world);
    EXPECT_NEAR(screen.x, 10 + 320, 1e-3f); // the target is at the viewport centre
    EXPECT_NEAR(screen.y, 20 + 240, 1e-3f);
    const D3DXVECTOR3 p(1.5f, -0.5f, 2);
    D3DXVec3Project(&screen, &p, &vp, &proj, &view, &world);
    ASSERT_NE(D3DXVec3Unproject(&back, &screen, &vp, &proj, &view, &world), nullptr);
    ExpectVec(back, p.x, p.y, p.z, 1e-3f);
}

TEST(D3DXMath, ColourConversionsAndLerp)
{
    const D3DXCOLOR c(0x80FF4000u);
    EXPECT_NEAR(c.a, 128 / 255.0f, kEps);
    EXPECT_NEAR(c.r, 1.0f, kEps);
    EXPECT_NEAR(c.g, 64 / 255.0f, kEps);
    EXPECT_EQ((DWORD)c, 0x80FF4000u);
    EXPECT_EQ((DWORD)D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f), 0xFFFF0080u); // clamped channels
    D3DXCOLOR a(0, 0, 0, 0), b(1, 0.5f, 0.25f, 1), r;
    D3DXColorLerp(&r, &a, &b, 0.5f);
    EXPECT_FLOAT_EQ(r.r, 0.5f);
    EXPECT_FLOAT_EQ(r.b, 0.125f);
    D3DXColorModulate(&r, &b, &b);
    EXPECT_FLOAT_EQ(r.g, 0.25f);
    const D3DCOLORVALUE& asValue = b;
    EXPECT_FLOAT_EQ(asValue.g, 0.5f);
}

TEST(D3DXMath, CurvesPassThroughTheirControlPoints)
{
    const D3DXVECTOR3 p0(0, 0, 0), p1(1, 2, 0), p2(3, 2, 1), p3(4, 0, 1), t1(1, 0, 0), t2(0, 1, 0);
    D3DXVECTOR3 r;
    D3DXVec3Hermite(&r, &p1, &t1, &p2, &t2, 0.0f);
    ExpectVec(r, 1, 2, 0);
    D3DXVec3Hermite(&r, &p1, &t1, &p2, &t2, 1.0f);
    ExpectVec(r, 3, 2, 1);
    // Halfway: (v1 + v2) / 2 + (t1 - t2) / 8.
    D3DXVec3Hermite(&r, &p1, &t1, &p2, &t2, 0.5f);
    ExpectVec(r, 2.125f, 1.875f, 0.5f);
    D3DXVec3CatmullRom(&r, &p0, &p1, &p2, &p3, 0.0f);
    ExpectVec(r, 1, 2, 0);
    D3DXVec3CatmullRom(&r, &p0, &p1, &p2, &p3, 1.0f);
    ExpectVec(r, 3, 2, 1);
    // Halfway: (-v0 + 9 v1 + 9 v2 - v3) / 16.
    D3DXVec3CatmullRom(&r, &p0, &p1, &p2, &p3, 0.5f);
    ExpectVec(r, 2.0f, 2.25f, 0.5f);
    D3DXVec3BaryCentric(&r, &p0, &p1, &p2, 0.5f, 0.25f);
    ExpectVec(r, 1.25f, 1.5f, 0.25f);
}

TEST(D3DXMath, RightHandedAndOffCentreProjections)
{
    D3DXMATRIX p;
    D3DXMatrixPerspectiveRH(&p, 2, 2, 1, 11);
    ExpectVec(Apply(p, D3DXVECTOR3(1, 1, -1)), 1, 1, 0);
    ExpectVec(Apply(p, D3DXVECTOR3(0, 0, -11)), 0, 0, 1);
    D3DXMatrixPerspectiveOffCenterRH(&p, 0, 2, 0, 2, 1, 11);
    ExpectVec(Apply(p, D3DXVECTOR3(0, 0, -1)), -1, -1, 0);
    ExpectVec(Apply(p, D3DXVECTOR3(2, 2, -1)), 1, 1, 0);
    D3DXMatrixPerspectiveOffCenterLH(&p, 0, 2, 0, 2, 1, 11);
    ExpectVec(Apply(p, D3DXVECTOR3(2, 0, 1)), 1, -1, 0);
    D3DXMatrixOrthoOffCenterRH(&p, 0, 8, 0, 4, 1, 3);
    ExpectVec(Apply(p, D3DXVECTOR3(8, 0, -3)), 1, -1, 1);
    D3DXMatrixOrthoRH(&p, 8, 4, 1, 3);
    ExpectVec(Apply(p, D3DXVECTOR3(4, 2, -1)), 1, 1, 0);
}

TEST(D3DXMath, AffineTransformationScalesRotatesAboutACentreAndMoves)
{
    const D3DXVECTOR3 centre(1, 0, 0), move(0, 0, 5), axisY(0, 1, 0);
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axisY, kHalfPi);
    D3DXMATRIX m;
    D3DXMatrixAffineTransformation(&m, 2.0f, &centre, &q, &move);
    // (1,0,0) scales to (2,0,0), turns about (1,0,0) to (1,0,-1), moves to (1,0,4).
    ExpectVec(Apply(m, D3DXVECTOR3(1, 0, 0)), 1, 0, 4);
    D3DXMatrixAffineTransformation(&m, 3.0f, nullptr, nullptr, nullptr);
    ExpectVec(Apply(m, D3DXVECTOR3(1, 2, 3)), 3, 6, 9);
}
