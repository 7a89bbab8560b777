#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kestu_vertexlight.h"

namespace {

D3DCOLORVALUE Grey(float v) { return {v, v, v, v}; }

D3DMATERIAL8 WhiteMaterial()
{
    D3DMATERIAL8 m{};
    m.Diffuse = Grey(1.0f);
    m.Ambient = Grey(1.0f);
    return m;
}

D3DLIGHT8 MakeLight(D3DLIGHTTYPE type, D3DXVECTOR3 pos, D3DXVECTOR3 dir, float diffuse, float ambient)
{
    D3DLIGHT8 l{};
    l.Type = type;
    l.Diffuse = Grey(diffuse);
    l.Ambient = Grey(ambient);
    l.Specular = Grey(1.0f); // never used: no specular term
    l.Position = {pos.x, pos.y, pos.z};
    l.Direction = {dir.x, dir.y, dir.z};
    l.Range = 10.0f;
    l.Attenuation0 = 1.0f;
    return l;
}

struct Vertex {
    D3DXVECTOR3 pos;
    DWORD colour;
};

TEST(VertexLightPack, ClampsAboveRoundsAndOrdersChannels)
{
    struct Case {
        D3DXCOLOR c;
        DWORD packed;
    } cases[] = {
        {D3DXCOLOR(1.5f, 1.0f, 0.5f, 0.0f), 0x00FFFF80},
        {D3DXCOLOR(0.0f, 0.0f, 0.0f, 1.0f), 0xFF000000},
        {D3DXCOLOR(-0.5f, 0.25f, 2.0f, 0.5f), 0x800040FF},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GfxPackVertexColor(c.c), c.packed) << c.c.r << "," << c.c.g << "," << c.c.b << "," << c.c.a;
}

TEST(VertexLightAmbient, WritesMaterialAmbientTimesColourPlusEmissive)
{
    D3DMATERIAL8 m{};
    m.Ambient = {0.5f, 0.25f, 1.0f, 1.0f};
    m.Emissive = {0.1f, 0.0f, 0.0f, 0.0f};
    const D3DXCOLOR ambient(1.0f, 1.0f, 0.5f, 0.5f);
    DWORD slots[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(CalcualateVertexGlobalAmbientLight(&m, slots, 8, 3, &ambient), 0);
    const DWORD expected = 0x80994080; // a .5, r .6, g .25, b .5
    EXPECT_EQ(slots[0], expected);
    EXPECT_EQ(slots[2], expected);
    EXPECT_EQ(slots[4], expected);
    EXPECT_EQ(slots[1], 2u);
    EXPECT_EQ(slots[3], 4u);
    EXPECT_EQ(slots[5], 6u);

    DWORD untouched = 42;
    CalcualateVertexGlobalAmbientLight(&m, &untouched, 4, 0, &ambient);
    EXPECT_EQ(untouched, 42u);
    CalcualateVertexGlobalAmbientLight_OneVertex(&untouched, &m, &ambient);
    EXPECT_EQ(untouched, expected);
}

std::vector<DWORD> g_seen;
void Bump(const D3DMATERIAL8*, const D3DXCOLOR*, DWORD value, DWORD* colour)
{
    g_seen.push_back(value);
    *colour += 1;
}

TEST(VertexLightAmbient, ExCallbackChangesTheWorkingColourForTheRestOfTheRun)
{
    D3DMATERIAL8 m{};
    const D3DXCOLOR ambient(0.0f, 0.0f, 0.0f, 0.0f);
    DWORD slots[3] = {7, 8, 9};
    g_seen.clear();
    CalcualateVertexGlobalAmbientLightEx(&m, slots, 4, 3, &ambient, 99, Bump);
    EXPECT_EQ(slots[0], 1u);
    EXPECT_EQ(slots[1], 2u);
    EXPECT_EQ(slots[2], 3u);
    EXPECT_EQ(g_seen, (std::vector<DWORD>{7, 8, 9}));

    CalcualateVertexGlobalAmbientLightEx(&m, slots, 4, 3, &ambient, 99, nullptr);
    EXPECT_EQ(slots[2], 0u);
}

TEST(VertexLightPlain, PointLightAttenuatesAndBlanksAtExactlyTheRange)
{
    const D3DMATERIAL8 m = WhiteMaterial();
    D3DLIGHT8 l = MakeLight(D3DLIGHT_POINT, {0, 0, 0}, {0, 0, 1}, 0.5f, 0.25f);
    l.Attenuation1 = 0.5f; // d = 2 -> a = 1/2
    Vertex v[3] = {{{0, 0, -2}, 0x11111111}, {{0, 0, -10}, 0x22222222}, {{0, 0, 2}, 0x33333333}};
    const D3DXVECTOR3 normal(0, 0, 1);
    CalcualateVertexLight(&m, &l, 1, reinterpret_cast<BYTE*>(v), 12, sizeof(Vertex), 3, &normal, 0, nullptr);
    EXPECT_EQ(v[0].colour, 0x60606060u); // (0.25 + 0.5) / 2 = 0.375
    EXPECT_EQ(v[1].colour, 0u);          // d^2 == Range^2 is out of range
    EXPECT_EQ(v[2].colour, 0x20202020u); // faces away: ambient / 2 only

    // With the add flag an unreached slot keeps its colour and a reached one saturates.
    v[0].colour = 0xF0F0F0F0;
    v[1].colour = 0x22222222;
    CalcualateVertexLight(&m, &l, 1, reinterpret_cast<BYTE*>(v), 12, sizeof(Vertex), 3, &normal, 1, nullptr);
    EXPECT_EQ(v[0].colour, 0xFFFFFFFFu);
    EXPECT_EQ(v[1].colour, 0x22222222u);
}

TEST(VertexLightPlain, FirstLightReplacesAmbientLaterLightsAdd)
{
    const D3DMATERIAL8 m = WhiteMaterial();
    D3DLIGHT8 lights[2] = {MakeLight(D3DLIGHT_POINT, {0, 0, 0}, {0, 0, 1}, 0.5f, 0.0f),
                           MakeLight(D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, -2}, 0.125f, 0.0f)};
    const D3DXCOLOR ambient(0.5f, 0.5f, 0.5f, 0.5f);
    Vertex v[2] = {{{0, 0, -1}, 0}, {{0, 0, -20}, 0}};
    const D3DXVECTOR3 normal(0, 0, 1);
    CalcualateVertexLight(&m, lights, 2, reinterpret_cast<BYTE*>(v), 12, sizeof(Vertex), 2, &normal, 0, &ambient);
    // Directional: N.Direction = -2, so 0.125 * 2 = 0.25 -> 64 added.
    EXPECT_EQ(v[0].colour, 0xC0C0C0C0u);
    EXPECT_EQ(v[1].colour, 0x40404040u);

    // An unknown type is skipped but still turns the add flag on.
    D3DLIGHT8 odd[2] = {lights[0], lights[0]};
    odd[0].Type = D3DLIGHTTYPE(7);
    v[0].colour = 0x01010101;
    CalcualateVertexLight(&m, odd, 2, reinterpret_cast<BYTE*>(v), 12, sizeof(Vertex), 1, &normal, 0, nullptr);
    EXPECT_EQ(v[0].colour, 0x81818181u);
    // The one-vertex form lights an unknown type as directional instead.
    DWORD one = 0;
    const D3DXVECTOR3 pos(0, 0, -1);
    odd[0].Direction = {0, 0, -1};
    CalcualateVertexLight_OneVertex(&one, &m, odd, 1, &pos, &normal, 0, nullptr);
    EXPECT_EQ(one, 0x80808080u);
}

TEST(VertexLightPlain, SpotUsesPhiAsHalfAngleAndIgnoresThetaAndFalloff)
{
    const D3DMATERIAL8 m = WhiteMaterial();
    D3DLIGHT8 spot = MakeLight(D3DLIGHT_SPOT, {0, 0, 0}, {0, 0, 1}, 0.5f, 0.25f);
    spot.Phi = float(M_PI / 4);
    spot.Theta = 0.1f;
    spot.Falloff = 5.0f;
    D3DLIGHT8 point = spot;
    point.Type = D3DLIGHT_POINT;
    for (float degrees : {40.0f, 50.0f}) {
        const float r = degrees * float(M_PI) / 180.0f;
        const D3DXVECTOR3 pos(5 * std::sin(r), 0, 5 * std::cos(r));
        const D3DXVECTOR3 normal = -pos / 5.0f;
        DWORD lit = 0xDEADBEEF, reference = 0;
        CalcualateVertexLight_OneVertex(&lit, &m, &spot, 1, &pos, &normal, 0, nullptr);
        CalcualateVertexLight_OneVertex(&reference, &m, &point, 1, &pos, &normal, 0, nullptr);
        ASSERT_NE(reference, 0u);
        EXPECT_EQ(lit, degrees < 45 ? reference : 0u) << degrees;
    }
}

// --- lights with per-vertex normals and shadows ---

struct Scene {
    // 0: receiver under the wall's shadow, 1: receiver beside it, 2-5: the wall at x = 5.
    std::vector<D3DXVECTOR3> pos{{0, 0, 0}, {0, 0, 10}, {5, -1, -2}, {5, -1, 2}, {5, 5.7f, 2}, {5, 5.7f, -2}};
    std::vector<D3DXVECTOR3> normals = std::vector<D3DXVECTOR3>(6, D3DXVECTOR3(0, 1, 0));
    std::vector<DWORD> colours = std::vector<DWORD>(6, 0x12345678);
    // Both triangles face +x, towards lights on that side.
    std::vector<DWORD> indices32{2, 5, 4, 2, 4, 3};
    std::vector<WORD> indices16{2, 5, 4, 2, 4, 3};
    SFacesList faces{indices32.data(), D3DFMT_INDEX32, 2};

    long Light(const D3DLIGHT8& light, DWORD mode, const DWORD* steps, const float* scales,
               const SFacesList* list = nullptr)
    {
        const D3DMATERIAL8 m = WhiteMaterial();
        return GfxCalcVertexLight(colours.data(), 4, pos.data(), sizeof(D3DXVECTOR3), normals.data(),
                                  sizeof(D3DXVECTOR3), DWORD(pos.size()), &light, 1, &m, mode, steps, scales,
                                  list ? list : &faces);
    }
};

// Unshadowed value of a light at the receiver at the origin with normal +y.
DWORD Unshadowed(const D3DLIGHT8& light, float shadow)
{
    D3DXVECTOR3 u;
    float a = 1.0f;
    if (light.Type == D3DLIGHT_DIRECTIONAL) {
        u = D3DXVECTOR3(-light.Direction.x, -light.Direction.y, -light.Direction.z);
        const float k = -u.y;
        const float c = (light.Ambient.r + (k < 0 ? -k * light.Diffuse.r : 0.0f)) * (1.0f - shadow);
        return GfxPackVertexColor(D3DXCOLOR(c, c, c, 0.0f)) | 0x12000000;
    }
    u = D3DXVECTOR3(light.Position.x, light.Position.y, light.Position.z);
    const float d = D3DXVec3Length(&u);
    u /= d;
    a = 1.0f / (light.Attenuation0 + light.Attenuation1 * d);
    const float c = (light.Ambient.r * a + (u.y > 0 ? u.y * light.Diffuse.r * a : 0.0f)) * (1.0f - shadow);
    return GfxPackVertexColor(D3DXCOLOR(c, c, c, c));
}

TEST(GfxVertexLight, LiftedShadowBisectsTheLiftUnit)
{
    for (D3DLIGHTTYPE type : {D3DLIGHT_POINT, D3DLIGHT_DIRECTIONAL}) {
        // From the receiver the light is up 45 degrees towards +x: the unlifted segment
        // crosses the wall at y = 5 (blocked), lifted by 1 at y = 6 (free), by 0.5 at 5.5 (blocked).
        D3DLIGHT8 light = MakeLight(type, {10, 10, 0}, {-1, -1, 0}, 0.5f, 0.25f);
        light.Range = 100.0f;
        const float scale = 1.0f;
        struct Case {
            DWORD steps;
            float shadow;
        } cases[] = {{1, 1.0f}, {2, 1.0f - 0.5f}, {3, 0.75f}};
        for (const Case& c : cases) {
            Scene s;
            s.Light(light, 0, &c.steps, &scale);
            if (c.shadow >= 1.0f)
                EXPECT_EQ(s.colours[0] & 0xFFFFFF, 0u) << type << " steps " << c.steps;
            else
                EXPECT_EQ(s.colours[0] & 0xFFFFFF, Unshadowed(light, c.shadow) & 0xFFFFFF)
                    << type << " steps " << c.steps;
            // The receiver beside the wall is free after its first test.
            Scene free;
            free.Light(light, 0, nullptr, nullptr);
            EXPECT_EQ(s.colours[1], free.colours[1]) << type << " steps " << c.steps;
        }
    }
}

TEST(GfxVertexLight, SixteenBitFaceListsShadowLikeThirtyTwoBitOnes)
{
    D3DLIGHT8 light = MakeLight(D3DLIGHT_POINT, {10, 10, 0}, {0, 0, 0}, 0.5f, 0.25f);
    light.Range = 100.0f;
    const DWORD steps = 3;
    const float scale = 1.0f;
    Scene a, b;
    a.Light(light, 0, &steps, &scale);
    SFacesList narrow{b.indices16.data(), D3DFMT_INDEX16, 2};
    b.Light(light, 0, &steps, &scale, &narrow);
    EXPECT_EQ(a.colours, b.colours);
    EXPECT_EQ(a.colours[0], Unshadowed(light, 0.75f));
}

TEST(GfxVertexLight, NullStepsReadNoFacesAndCastNoShadow)
{
    D3DLIGHT8 light = MakeLight(D3DLIGHT_POINT, {10, 10, 0}, {0, 0, 0}, 0.5f, 0.25f);
    light.Range = 100.0f;
    Scene s;
    SFacesList bogus{reinterpret_cast<const void*>(uintptr_t(8)), D3DFMT_INDEX32, 1000000};
    s.Light(light, 0, nullptr, nullptr, &bogus);
    EXPECT_EQ(s.colours[0], Unshadowed(light, 0.0f));
}

TEST(GfxVertexLight, CombineModes)
{
    D3DLIGHT8 point = MakeLight(D3DLIGHT_POINT, {0, 10, 0}, {0, 0, 0}, 0.5f, 0.0f);
    point.Range = 100.0f;
    D3DLIGHT8 directional = MakeLight(D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, -1, 0}, 0.5f, 0.0f);
    struct Case {
        const D3DLIGHT8* light;
        DWORD mode;
        DWORD before, after;
    } cases[] = {
        {&point, 0, 0x40404040, 0x80808080},
        {&point, 7, 0x40404040, 0x80808080}, // unknown modes replace
        {&point, VERTEXLIGHT_ADD, 0x40404040, 0xC0C0C0C0},
        {&point, VERTEXLIGHT_ADD, 0xC0C0C0C0, 0xFFFFFFFF},
        {&point, VERTEXLIGHT_MODULATE, 0x80808080, 0x40404040},
        {&directional, 0, 0x40404040, 0x80808080},
        {&directional, VERTEXLIGHT_ADD, 0x40404040, 0x40C0C0C0}, // stored alpha kept
        {&directional, VERTEXLIGHT_MODULATE, 0x80808080, 0x80404040},
    };
    for (const Case& c : cases) {
        Scene s;
        s.colours[0] = c.before;
        s.Light(*c.light, c.mode, nullptr, nullptr);
        EXPECT_EQ(s.colours[0], c.after) << "type " << c.light->Type << " mode " << c.mode;
    }
}

TEST(GfxVertexLight, RangeAndConeInReplaceAndAddModes)
{
    D3DLIGHT8 spot = MakeLight(D3DLIGHT_SPOT, {0, 5, 0}, {0, -1, 0}, 0.5f, 0.5f);
    spot.Range = 9.0f;
    spot.Phi = 0.3f;
    spot.Theta = 0.2f;
    spot.Falloff = 1.0f;
    for (DWORD mode : {DWORD(0), VERTEXLIGHT_ADD}) {
        Scene s;
        s.Light(spot, mode, nullptr, nullptr);
        EXPECT_NE(s.colours[0], 0x12345678u);                  // under the spot
        EXPECT_EQ(s.colours[1], 0x12345678u);                  // beyond the range
        EXPECT_EQ(s.colours[2], mode == 0 ? 0u : 0x12345678u); // in range, outside the cone
    }
}

TEST(GfxVertexLight, SpotWithThetaEqualToPhiLightsTheWholeCone)
{
    D3DLIGHT8 spot = MakeLight(D3DLIGHT_SPOT, {0, 5, 0}, {0, -1, 0}, 0.5f, 0.25f);
    spot.Phi = 0.0f;
    spot.Theta = 0.0f;
    spot.Falloff = 1.0f;
    D3DLIGHT8 point = spot;
    point.Type = D3DLIGHT_POINT;
    Scene a, b;
    a.Light(spot, 0, nullptr, nullptr);
    b.Light(point, 0, nullptr, nullptr);
    EXPECT_EQ(a.colours[0], b.colours[0]);
    EXPECT_NE(a.colours[0], 0u);
}

TEST(GfxVertexLight, LightStraightAboveAnOccluderShadowsFully)
{
    // No horizontal direction to lift along: the blocked vertex stays in full shadow.
    const D3DXVECTOR3 pos[4] = {{0, 0, 0}, {-2, 5, -2}, {0, 5, 3}, {2, 5, -2}};
    const D3DXVECTOR3 normals[4] = {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}};
    const WORD indices[3] = {1, 2, 3};
    const SFacesList faces{indices, D3DFMT_INDEX16, 1};
    const D3DMATERIAL8 m = WhiteMaterial();
    const DWORD steps = 3;
    const float scale = 1.0f;
    for (D3DLIGHTTYPE type : {D3DLIGHT_POINT, D3DLIGHT_DIRECTIONAL}) {
        D3DLIGHT8 light = MakeLight(type, {0, 10, 0}, {0, -1, 0}, 0.5f, 0.25f);
        light.Range = 100.0f;
        DWORD colours[4] = {0x11111111, 0, 0, 0};
        GfxCalcVertexLight(colours, 4, pos, sizeof(D3DXVECTOR3), normals, sizeof(D3DXVECTOR3), 4, &light, 1, &m, 0,
                           &steps, &scale, &faces);
        EXPECT_EQ(colours[0] & 0xFFFFFF, 0u) << type;
    }
}

TEST(GfxVertexLight, FullShadowInModulateMode)
{
    const DWORD steps = 1;
    const float scale = 1.0f;
    D3DLIGHT8 point = MakeLight(D3DLIGHT_POINT, {10, 10, 0}, {0, 0, 0}, 0.5f, 0.25f);
    point.Range = 100.0f;
    D3DLIGHT8 directional = MakeLight(D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {-1, -1, 0}, 0.5f, 0.25f);
    Scene s;
    s.colours[0] = 0x80FFFFFF;
    s.Light(point, VERTEXLIGHT_MODULATE, &steps, &scale);
    EXPECT_EQ(s.colours[0], 0u);
    s.colours[0] = 0x80FFFFFF;
    s.Light(directional, VERTEXLIGHT_MODULATE, &steps, &scale);
    EXPECT_EQ(s.colours[0], 0x80000000u);
}

TEST(GfxVertexLight, DirectionalShadowsWithNoFacingFaceChangeNothing)
{
    const DWORD steps = 2;
    const float scale = 1.0f;
    D3DLIGHT8 fromBehind = MakeLight(D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {1, -1, 0}, 0.5f, 0.25f);
    Scene s;
    s.Light(fromBehind, 0, &steps, &scale);
    EXPECT_EQ(s.colours, std::vector<DWORD>(6, 0x12345678));
}

} // namespace
