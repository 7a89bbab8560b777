#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "host/host.h"
#include "kestu_d3dutil.h"
#include "support/window.h"

namespace {

constexpr float kEps = 1e-4f;

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, kEps);
    EXPECT_NEAR(v.y, y, kEps);
    EXPECT_NEAR(v.z, z, kEps);
}

D3DXVECTOR3 Rotate(const D3DXVECTOR3& v, const D3DXMATRIX* m)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &v, m);
    return out;
}

bool IsIdentity(const D3DXMATRIX* m)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (std::fabs(m->m[r][c] - (r == c ? 1.0f : 0.0f)) > kEps) return false;
    return true;
}

LPARAM Pos(int x, int y) { return static_cast<LPARAM>((static_cast<DWORD>(y & 0xFFFF) << 16) | (x & 0xFFFF)); }

class ArcBallTest : public ::testing::Test {
protected:
    void SetUp() override { ball.SetWindow(200, 100, 1.0f); }
    LRESULT Send(UINT msg, WPARAM w, int x, int y) { return ball.HandleMouseMessages(nullptr, msg, w, Pos(x, y)); }
    CD3DArcBall ball;
};

TEST_F(ArcBallTest, LeftDragRotatesTheDownPointOntoTheBallPointUnderTheCursor)
{
    struct Case {
        int x, y;
        bool rightHanded;
        float ex, ey, ez;
    };
    const Case cases[] = {
        {50, 50, false, 0.5f, 0.0f, 0.8660254f},   // inside the ball
        {100, 25, false, 0.0f, -0.5f, 0.8660254f}, // screen y grows downwards
        {0, 50, false, 1.0f, 0.0f, 0.0f},          // on the rim
        {-100, 50, false, 1.0f, 0.0f, 0.0f},       // outside: pulled onto the rim
        {50, 50, true, -0.5f, 0.0f, 0.8660254f},   // right-handed negates both axes
    };
    for (const Case& c : cases) {
        CD3DArcBall b;
        b.SetWindow(200, 100, 1.0f);
        b.SetRightHanded(c.rightHanded);
        EXPECT_EQ(b.HandleMouseMessages(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, Pos(100, 50)), 1);
        EXPECT_TRUE(b.IsBeingDragged());
        EXPECT_EQ(b.HandleMouseMessages(nullptr, WM_MOUSEMOVE, MK_LBUTTON, Pos(c.x, c.y)), 1);
        ExpectVec(Rotate(D3DXVECTOR3(0, 0, 1), b.GetRotationMatrix()), c.ex, c.ey, c.ez);
        ExpectVec(Rotate(D3DXVECTOR3(0, 0, 1), b.GetRotationDeltaMatrix()), c.ex, c.ey, c.ez);
        EXPECT_EQ(b.HandleMouseMessages(nullptr, WM_LBUTTONUP, 0, Pos(c.x, c.y)), 1);
        EXPECT_FALSE(b.IsBeingDragged());
    }
}

TEST_F(ArcBallTest, SecondDragContinuesFromTheFirstRotation)
{
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 50);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 50, 50);
    Send(WM_LBUTTONUP, 0, 50, 50);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 50);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 50, 50);
    // Two 30-degree turns about y.
    ExpectVec(Rotate(D3DXVECTOR3(0, 0, 1), ball.GetRotationMatrix()), 0.8660254f, 0.0f, 0.5f);
    ExpectVec(Rotate(D3DXVECTOR3(0, 0, 1), ball.GetRotationDeltaMatrix()), 0.5f, 0.0f, 0.8660254f);
}

TEST_F(ArcBallTest, MovesWithoutDragOrButtonsAndOtherMessages)
{
    // No button: used, nothing changes, the remembered position stays.
    Send(WM_RBUTTONDOWN, MK_RBUTTON, 10, 10);
    EXPECT_EQ(Send(WM_MOUSEMOVE, 0, 150, 90), 1);
    EXPECT_TRUE(IsIdentity(ball.GetTranslationMatrix()));
    EXPECT_FALSE(ball.IsBeingDragged());
    Send(WM_MOUSEMOVE, MK_RBUTTON, 30, 10); // measured from (10, 10), not (150, 90)
    EXPECT_NEAR(ball.GetTranslationMatrix()->_41, -2.0f * (10 - 30) / 200.0f, kEps);

    EXPECT_EQ(Send(WM_KEYDOWN, 0, 0, 0), 0);
    EXPECT_EQ(Send(WM_LBUTTONDBLCLK, 0, 0, 0), 0);

    // Left button held without a button-down: delta identity, dragging starts.
    CD3DArcBall b;
    b.SetWindow(200, 100, 1.0f);
    EXPECT_EQ(b.HandleMouseMessages(nullptr, WM_MOUSEMOVE, MK_LBUTTON, Pos(20, 20)), 1);
    EXPECT_TRUE(b.IsBeingDragged());
    EXPECT_TRUE(IsIdentity(b.GetRotationDeltaMatrix()));
    EXPECT_TRUE(IsIdentity(b.GetRotationMatrix()));
}

TEST_F(ArcBallTest, RightAndMiddleDragsTranslate)
{
    struct Case {
        WPARAM buttons;
        float tx, ty, tz;
    };
    // From (10, 10) to (30, 60) in a 200x100 window, translation radius 2.
    const float dx = (10 - 30) * 2.0f / 200.0f;
    const float dy = (10 - 60) * 2.0f / 100.0f;
    const Case cases[] = {
        {MK_RBUTTON, -2 * dx, 2 * dy, 0},
        {MK_RBUTTON | MK_MBUTTON, -2 * dx, 2 * dy, 0},
        {MK_MBUTTON, 0, 0, 5 * dy},
    };
    for (const Case& c : cases) {
        CD3DArcBall b;
        b.SetWindow(200, 100, 1.0f);
        b.SetRadius(2.0f);
        EXPECT_EQ(b.HandleMouseMessages(nullptr, (c.buttons & MK_RBUTTON) ? WM_RBUTTONDOWN : WM_MBUTTONDOWN, c.buttons,
                                        Pos(10, 10)),
                  1);
        EXPECT_EQ(b.HandleMouseMessages(nullptr, WM_MOUSEMOVE, c.buttons, Pos(30, 60)), 1);
        const D3DXMATRIX* d = b.GetTranslationDeltaMatrix();
        EXPECT_NEAR(d->_41, c.tx, kEps);
        EXPECT_NEAR(d->_42, c.ty, kEps);
        EXPECT_NEAR(d->_43, c.tz, kEps);
        // A second step from the new position accumulates.
        b.HandleMouseMessages(nullptr, WM_MOUSEMOVE, c.buttons, Pos(50, 110));
        const D3DXMATRIX* t = b.GetTranslationMatrix();
        EXPECT_NEAR(t->_41, 2 * c.tx, kEps);
        EXPECT_NEAR(t->_42, 2 * c.ty, kEps);
        EXPECT_NEAR(t->_43, 2 * c.tz, kEps);
        EXPECT_TRUE(IsIdentity(b.GetRotationMatrix()));
    }
}

TEST(D3DCameraTest, DefaultsAndDerivedMatrices)
{
    CD3DCamera cam;
    ExpectVec(cam.GetLookatPt(), 0, 0, 1);
    ExpectVec(cam.GetViewDir(), 0, 0, 1);
    EXPECT_FLOAT_EQ(cam.GetFOV(), 0.78539819f);
    EXPECT_FLOAT_EQ(cam.GetAspect(), 1.0f);
    EXPECT_FLOAT_EQ(cam.GetNearPlane(), 1.0f);
    EXPECT_FLOAT_EQ(cam.GetFarPlane(), 1000.0f);

    D3DXVECTOR3 eye(1, 2, 3), at(4, 6, 3), up(0, 1, 0);
    cam.SetViewParams(eye, at, up);
    ExpectVec(cam.GetViewDir(), 0.6f, 0.8f, 0.0f);
    ExpectVec(cam.GetCross(), 0.0f, 0.0f, 0.6f); // not normalised
    const D3DXMATRIX view = cam.GetViewMatrix();
    D3DXVECTOR3 p;
    D3DXVec3TransformCoord(&p, &eye, &view);
    ExpectVec(p, 0, 0, 0);
    D3DXVec3TransformCoord(&p, &at, &view);
    ExpectVec(p, 0, 0, 5);
    // The billboard undoes the view's rotation and carries no translation.
    const D3DXMATRIX bb = cam.GetBillboardMatrix();
    EXPECT_FLOAT_EQ(bb._41, 0.0f);
    EXPECT_FLOAT_EQ(bb._42, 0.0f);
    EXPECT_FLOAT_EQ(bb._43, 0.0f);
    ExpectVec(Rotate(Rotate(D3DXVECTOR3(0.3f, -0.7f, 0.2f), &view), &bb), 0.3f, -0.7f, 0.2f);
    ExpectVec(Rotate(D3DXVECTOR3(0, 0, 1), &bb), 0.6f, 0.8f, 0.0f);

    cam.SetProjParams(0.5f, 2.0f, 2.0f, 50.0f);
    EXPECT_FLOAT_EQ(cam.GetAspect(), 2.0f);
    const D3DXMATRIX proj = cam.GetProjMatrix();
    struct Depth {
        float z, expected;
    };
    for (const Depth& d : {Depth{2.0f, 0.0f}, Depth{50.0f, 1.0f}}) {
        D3DXVECTOR3 q(0, 0, d.z), out;
        D3DXVec3TransformCoord(&out, &q, &proj);
        EXPECT_NEAR(out.z, d.expected, kEps);
    }
}

TEST(D3DUtilTest, MaterialAndLight)
{
    D3DMATERIAL8 m;
    std::memset(&m, 0x7F, sizeof(m));
    D3DUtil_InitMaterial(m, 0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_FLOAT_EQ(m.Diffuse.g, 0.2f);
    EXPECT_FLOAT_EQ(m.Ambient.a, 0.4f);
    EXPECT_FLOAT_EQ(m.Ambient.r, 0.1f);
    EXPECT_FLOAT_EQ(m.Specular.r, 0.0f);
    EXPECT_FLOAT_EQ(m.Emissive.b, 0.0f);
    EXPECT_FLOAT_EQ(m.Power, 0.0f);

    D3DLIGHT8 l;
    std::memset(&l, 0x7F, sizeof(l));
    D3DUtil_InitLight(l, D3DLIGHT_POINT, 0.0f, 3.0f, 4.0f);
    EXPECT_EQ(l.Type, D3DLIGHT_POINT);
    EXPECT_FLOAT_EQ(l.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(l.Diffuse.a, 0.0f);
    EXPECT_FLOAT_EQ(l.Direction.y, 0.6f);
    EXPECT_FLOAT_EQ(l.Direction.z, 0.8f);
    EXPECT_FLOAT_EQ(l.Position.z, 4.0f);
    EXPECT_FLOAT_EQ(l.Range, 1000.0f);
    EXPECT_FLOAT_EQ(l.Attenuation0, 0.0f);
    EXPECT_FLOAT_EQ(l.Phi, 0.0f);
}

TEST(D3DUtilTest, CubeMapFacesLookAlongTheirAxes)
{
    const D3DXVECTOR3 look[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const D3DXVECTOR3 up[6] = {{0, 1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}, {0, 1, 0}, {0, 1, 0}};
    for (DWORD face = 0; face < 6; ++face) {
        const D3DXMATRIX m = D3DUtil_GetCubeMapViewMatrix(face);
        ExpectVec(Rotate(look[face], &m), 0, 0, 1);
        ExpectVec(Rotate(up[face], &m), 0, 1, 0);
        EXPECT_NEAR(m._41, 0.0f, kEps);
    }
}

TEST(D3DUtilTest, RotationFromCursor)
{
    host::ResetWin32();
    HWND hwnd = kestu_test::MakeWindow("cursor", 10, 20, 200, 100);
    ASSERT_NE(hwnd, nullptr);

    struct Case {
        int x, y;
        float r;
        D3DXQUATERNION q;
    };
    const float s15 = std::sin(D3DX_PI / 12), c15 = std::cos(D3DX_PI / 12);
    const float t = std::sqrt(1.25f) / 2; // |p2 - p1| / 2r on the hyperbola at sx = 1
    const Case cases[] = {
        {100, 50, 1.0f, {0, 0, 0, 1}},                     // centre: identity
        {150, 50, 1.0f, {0, -s15, 0, c15}},                // on the sphere, 30 degrees
        {100, 75, 1.0f, {s15, 0, 0, c15}},                 // below centre turns about +x
        {200, 50, 1.0f, {0, -t, 0, std::sqrt(1 - t * t)}}, // on the hyperbola
    };
    for (const Case& c : cases) {
        host::SetCursorPosition(10 + c.x, 20 + c.y);
        const D3DXQUATERNION q = D3DUtil_GetRotationFromCursor(hwnd, c.r);
        EXPECT_NEAR(q.x, c.q.x, kEps) << c.x << "," << c.y;
        EXPECT_NEAR(q.y, c.q.y, kEps) << c.x << "," << c.y;
        EXPECT_NEAR(q.z, c.q.z, kEps) << c.x << "," << c.y;
        EXPECT_NEAR(q.w, c.q.w, kEps) << c.x << "," << c.y;
    }
    DestroyWindow(hwnd);
    host::ResetWin32();
}

TEST(D3DUtilTest, FormatNames)
{
    struct Case {
        DWORD format;
        const char* name;
    };
    const Case cases[] = {
        {0, "D3DFMT_UNKNOWN"},
        {20, "D3DFMT_R8G8B8"},
        {21, "D3DFMT_A8R8G8B8"},
        {22, "D3DFMT_X8R8G8B8"},
        {23, "D3DFMT_R5G6B5"},
        {24, "D3DFMT_X1R5G5B5"},
        {25, "D3DFMT_A1R5G5B5"},
        {26, "D3DFMT_A4R4G4B4"},
        {27, "D3DFMT_R3G3B2"},
        {28, "D3DFMT_A8"},
        {29, "D3DFMT_A8R3G3B2"},
        {30, "D3DFMT_X4R4G4B4"},
        {31, "D3DFMT_A2B10G10R10"},
        {34, "D3DFMT_G16R16"},
        {40, "D3DFMT_A8P8"},
        {41, "D3DFMT_P8"},
        {50, "D3DFMT_L8"},
        {51, "D3DFMT_A8L8"},
        {52, "D3DFMT_A4L4"},
        {60, "D3DFMT_V8U8"},
        {61, "D3DFMT_L6V5U5"},
        {62, "D3DFMT_X8L8V8U8"},
        {63, "D3DFMT_Q8W8V8U8"},
        {64, "D3DFMT_V16U16"},
        {67, "D3DFMT_A2W10V10U10"},
        {70, "D3DFMT_D16_LOCKABLE"},
        {71, "D3DFMT_D32"},
        {73, "D3DFMT_D15S1"},
        {75, "D3DFMT_D24S8"},
        {77, "D3DFMT_D24X8"},
        {79, "D3DFMT_D24X4S4"},
        {80, "D3DFMT_D16"},
        {100, "D3DFMT_VERTEXDATA"},
        {101, "D3DFMT_INDEX16"},
        {102, "D3DFMT_INDEX32"},
        {0x31545844, "D3DFMT_DXT1"},
        {0x32545844, "D3DFMT_DXT2"},
        {0x33545844, "D3DFMT_DXT3"},
        {0x34545844, "D3DFMT_DXT4"},
        {0x35545844, "D3DFMT_DXT5"},
        {0x32595559, "D3DFMT_YUY2"},
        {0x59565955, "D3DFMT_UYVY"},
        {65, "Unknown format"},
        {1, "Unknown format"},
        {103, "Unknown format"},
        {0x7FFFFFFF, "Unknown format"},
        {0xFFFFFFFF, "Unknown format"},
        {0x36545844, "Unknown format"},
    };
    for (const Case& c : cases) {
        const auto f = static_cast<D3DFORMAT>(c.format);
        EXPECT_STREQ(D3DUtil_D3DFormatToString(f, true), c.name);
        const std::string name = c.name;
        const std::string bare = name.rfind("D3DFMT_", 0) == 0 ? name.substr(7) : name;
        EXPECT_STREQ(D3DUtil_D3DFormatToString(f, false), bare.c_str());
    }
    EXPECT_EQ(D3DUtil_D3DFormatToString(D3DFMT_R5G6B5, false), D3DUtil_D3DFormatToString(D3DFMT_R5G6B5, true) + 7);
}

} // namespace
