// The drawing methods on the headless device: particles appear where they
// are, in their colours, and nothing elsewhere.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <typeinfo>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"
#include "kestu_meshani.h"
#include "kestu_particlegroup.h"
#include "kestu_ppsmethods.h"
#include "meshani/gma_fixtures.h"
#include "support/device.h"

namespace {

constexpr uint32_t kBlack = 0xFF000000u;

class MethodDraw : public testdevice::DeviceSuite<64, 64, false> {
protected:
    void SetUp() override
    {
        DeviceSuite::SetUp();
        host::D3D8SetCapsFilter(nullptr);
        host::ClearMessageBoxes();
        // Group space is pixel space, y up.
        D3DXMATRIX identity, projection;
        D3DXMatrixIdentity(&identity);
        D3DXMatrixOrthoOffCenterLH(&projection, 0, 64, 0, 64, -100, 100);
        // The device is shared by the suite: undo what an earlier test's
        // method left behind (the mesh method sets the world, blends and
        // texture stage; point sprites set the point size).
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        const float one = 1.0f;
        DWORD bits;
        std::memcpy(&bits, &one, sizeof bits);
        device->SetRenderState(D3DRS_POINTSIZE, bits);
        device->SetRenderState(D3DRS_POINTSIZE_MIN, bits);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetTexture(0, nullptr);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    }
    void TearDown() override { host::D3D8SetCapsFilter(nullptr); }

    // A particle of the method at (x, y) in the colour.
    static void Put(CParticleGroup& group, float x, float y, DWORD color, float age = 0.0f, float z = 0.5f)
    {
        const float at[3] = {x, y, z}, zero[3] = {0, 0, 0};
        group.Add(at, nullptr, nullptr, zero, zero, 0, 0);
        CParticleGroup::iterator it;
        CParticleBase* last = group.LastParticle(it);
        last->SetColor(color);
        last->SetLifeTime(age);
    }
    static HRESULT Draw(CPPS_METHOD_BASE& method, CParticleGroup& group)
    {
        method.Update(&group, 0.0f);
        device->BeginScene();
        const HRESULT hr = method.Render(device, &group);
        device->EndScene();
        return hr;
    }
    // Pixel (x, y) of the picture, y counted up from the bottom as the group's.
    static uint32_t At(const kestu_test::Image& image, int x, int y)
    {
        return image.pixels[size_t(image.height - 1 - y) * image.width + x] | 0xFF000000u;
    }
    // Every pixel outside the rectangle [x0, x1) x [y0, y1) is black.
    static int LitOutside(const kestu_test::Image& image, int x0, int y0, int x1, int y1)
    {
        int lit = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if ((x < x0 || x >= x1 || y < y0 || y >= y1) && At(image, x, y) != kBlack) ++lit;
        return lit;
    }
};

TEST_F(MethodDraw, PointsInBatches)
{
    CMethodPoint method;
    CParticleGroup group;
    group.SetMaxParticleNumber(2500);
    group.SetMethod(&method);
    ASSERT_EQ(method.Build(device, &group), 0);
    // 2500 points fill the square of 50 x 50 pixels: 2000, then 500.
    for (int i = 0; i < 2500; ++i) Put(group, float(i % 50) + 0.5f, float(i / 50) + 0.5f, 0xFF20C040u);
    ASSERT_EQ(Draw(method, group), 0);
    const kestu_test::Image image = Picture();
    int lit = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) lit += At(image, x, y) == 0xFF20C040u;
    EXPECT_EQ(lit, 2500);
    EXPECT_EQ(LitOutside(image, 0, 0, 50, 50), 0);
    kestu_test::SaveIfFailed(image);
    group.Release();
}

TEST_F(MethodDraw, TrianglesAndQuadsAreDoubleSided)
{
    CMethodTriangle triangle;
    CMethodQuad quad;
    triangle.SetSize(8);
    quad.SetSize(8);
    CParticleGroup a, b;
    a.SetMethod(&triangle);
    b.SetMethod(&quad);
    ASSERT_EQ(triangle.Build(device, &a), 0);
    ASSERT_EQ(quad.Build(device, &b), 0);
    Put(a, 8, 8, 0xFFFF0000u);
    Put(b, 32, 32, 0xFF0000FFu);
    // Culling both ways: each shape is still drawn.
    for (DWORD cull : {DWORD{D3DCULL_CW}, DWORD{D3DCULL_CCW}}) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
        device->SetRenderState(D3DRS_CULLMODE, cull);
        ASSERT_EQ(Draw(triangle, a), 0);
        ASSERT_EQ(Draw(quad, b), 0);
        const kestu_test::Image image = Picture();
        EXPECT_EQ(At(image, 9, 9), 0xFFFF0000u) << cull;
        EXPECT_EQ(At(image, 13, 9), 0xFFFF0000u) << cull;
        EXPECT_EQ(At(image, 14, 14), kBlack) << "beyond the triangle's long side";
        EXPECT_EQ(At(image, 33, 33), 0xFF0000FFu) << cull;
        EXPECT_EQ(At(image, 38, 38), 0xFF0000FFu) << cull;
        int outside = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const bool inTriangle = x >= 8 && x < 16 && y >= 8 && y < 16;
                const bool inQuad = x >= 32 && x < 40 && y >= 32 && y < 40;
                outside += !inTriangle && !inQuad && At(image, x, y) != kBlack;
            }
        EXPECT_EQ(outside, 0) << cull;
        kestu_test::SaveIfFailed(image);
    }
    // A new size shows in the next update without a new build.
    quad.SetSize(2);
    quad.Update(&b, 0);
    const auto* v = static_cast<const SPPS_VERTEX*>(quad.GetRes(&b)->pVertices);
    EXPECT_EQ(v[8].x, 34.0f);
    EXPECT_EQ(v[8].y, 34.0f);
    a.Release();
    b.Release();
}

TEST_F(MethodDraw, EmptyGroupsAndGroupsWithoutARecordDrawNothing)
{
    CMethodPoint point;
    CMethodTriangle triangle;
    CMethodQuad quad;
    for (CPPS_METHOD_VERTICES* method : std::initializer_list<CPPS_METHOD_VERTICES*>{&point, &triangle, &quad}) {
        CParticleGroup group, stranger;
        group.SetMethod(method);
        ASSERT_EQ(method->Build(device, &group), 0);
        EXPECT_EQ(Draw(*method, group), 0);
        EXPECT_EQ(method->Render(device, &stranger), 1);
        EXPECT_EQ(method->Update(&stranger, 0), 1);
        EXPECT_EQ(method->Build(device, &stranger), 1);
        group.Release();
    }
    EXPECT_EQ(LitOutside(Picture(), 0, 0, 0, 0), 0);
}

// Each call stays within its batch: a count at the batch size is one call, one
// more is two.
TEST_F(MethodDraw, BatchSizesOfTheArrayMethods)
{
    CMethodPoint point;
    CMethodTriangle triangle;
    CMethodQuad quad;
    CMethodPointSprite sprite;
    struct Case {
        CPPS_METHOD_VERTICES* method;
        DWORD particles, calls, primitives;
    };
    const Case cases[] = {
        {&point, 2000, 1, 2000},    {&point, 2001, 2, 2001},  {&point, 2500, 2, 2500}, {&triangle, 1000, 1, 2000},
        {&triangle, 1001, 2, 2002}, {&quad, 1000, 1, 4000},   {&quad, 1001, 2, 4004},  {&sprite, 1000, 1, 1000},
        {&sprite, 1001, 2, 1001},   {&sprite, 1500, 2, 1500},
    };
    for (const Case& c : cases) {
        CParticleGroup group;
        group.SetMaxParticleNumber(c.particles);
        group.SetMethod(c.method);
        ASSERT_EQ(c.method->Build(device, &group), 0);
        for (DWORD i = 0; i < c.particles; ++i) Put(group, 1.0f, 1.0f, 0xFFFFFFFFu);
        c.method->Update(&group, 0.0f);
        device->BeginScene();
        host::D3D8ResetCounters();
        EXPECT_EQ(c.method->Render(device, &group), 0);
        const host::D3D8Counters counters = host::D3D8GetCounters();
        device->EndScene();
        EXPECT_EQ(counters.drawCalls, c.calls) << c.method->GetVerticesPerParticle() << " " << c.particles;
        EXPECT_EQ(counters.primitives, c.primitives) << c.method->GetVerticesPerParticle() << " " << c.particles;
        group.Release();
    }
}

// Points, triangles and quads are drawn under the group's root matrix; point
// sprites under whatever world the caller set.
TEST_F(MethodDraw, ArrayMethodsDrawUnderTheRootMatrix)
{
    D3DXMATRIX root, marker, world;
    D3DXMatrixTranslation(&root, 16, 8, 0);
    D3DXMatrixTranslation(&marker, 1, 2, 3);
    CMethodPoint point;
    CMethodTriangle triangle;
    CMethodQuad quad;
    CMethodPointSprite sprite;
    triangle.SetSize(4);
    quad.SetSize(4);
    sprite.SetPointSize(2);
    struct Case {
        CPPS_METHOD_VERTICES* method;
        int y;
        bool underRoot;
    };
    const Case cases[] = {{&point, 4, true}, {&triangle, 20, true}, {&quad, 36, true}, {&sprite, 52, false}};
    for (const Case& c : cases) {
        CParticleGroup group;
        group.SetRootMat(root);
        group.SetMethod(c.method);
        ASSERT_EQ(c.method->Build(device, &group), 0);
        // An empty group: the point method leaves the world alone, the
        // triangle and quad methods still set the root.
        device->SetTransform(D3DTS_WORLD, &marker);
        ASSERT_EQ(Draw(*c.method, group), 0);
        device->GetTransform(D3DTS_WORLD, &world);
        const bool setsRoot = c.method == &triangle || c.method == &quad;
        EXPECT_EQ(world == (setsRoot ? root : marker), true) << c.y;
        D3DXMatrixIdentity(&world);
        device->SetTransform(D3DTS_WORLD, &world);
        Put(group, 4.5f, float(c.y) + 0.5f, 0xFFFFFFFFu);
        ASSERT_EQ(Draw(*c.method, group), 0);
        group.Release();
    }
    const kestu_test::Image image = Picture();
    for (const Case& c : cases) {
        // A pixel inside the shape, where it is drawn and where it is not.
        const int inside = c.method == &triangle || c.method == &quad ? 1 : 0;
        const int dx = c.underRoot ? 16 : 0, dy = c.underRoot ? 8 : 0;
        EXPECT_EQ(At(image, 4 + inside + dx, c.y + inside + dy), 0xFFFFFFFFu) << c.y;
        EXPECT_EQ(At(image, 4 + inside + 16 - dx, c.y + inside + 8 - dy), kBlack) << c.y;
    }
    kestu_test::SaveIfFailed(image);
}

// The vertices of a particle, in units of the size from the particle.
TEST(MethodVertices, TrianglesAndQuadsFollowTheSizeAtEachUpdate)
{
    const float triangle[6][2] = {{0, 0}, {0, 1}, {1, 0}, {0, 0}, {1, 0}, {0, 1}};
    const float square[12][2] = {{0, 0}, {0, 1}, {1, 0}, {0, 0}, {1, 0}, {0, 1},
                                 {1, 0}, {0, 1}, {1, 1}, {1, 0}, {1, 1}, {0, 1}};
    CMethodTriangle tri;
    CMethodQuad quad;
    EXPECT_EQ(tri.GetSize(), 0.1f);
    EXPECT_EQ(quad.GetSize(), 0.1f);
    const auto check = [](CPPS_METHOD_VERTICES& method, auto setSize, const float(*shape)[2], DWORD k) {
        CParticleGroup group;
        group.SetMaxParticleNumber(2);
        group.SetMethod(&method);
        ASSERT_EQ(method.Build(nullptr, &group), 0);
        EXPECT_EQ(method.GetRes(&group)->dwSize, 2 * k * 16);
        EXPECT_EQ(method.GetRes(&group)->dwFVF, 66u);
        const float at[3] = {1, 2, 3}, zero[3] = {0, 0, 0};
        group.Add(at, nullptr, nullptr, zero, zero, 0, 0);
        CParticleGroup::iterator it;
        group.LastParticle(it)->SetColor(0x80402010u);
        for (float s : {2.0f, 5.0f}) {
            setSize(s);
            EXPECT_EQ(method.Update(&group, 0.0f), 0);
            const auto* v = static_cast<const SPPS_VERTEX*>(method.GetRes(&group)->pVertices);
            for (DWORD i = 0; i < k; ++i) {
                EXPECT_EQ(v[i].x, 1 + s * shape[i][0]) << s << " " << i;
                EXPECT_EQ(v[i].y, 2 + s * shape[i][1]) << s << " " << i;
                EXPECT_EQ(v[i].z, 3.0f) << s << " " << i;
                EXPECT_EQ(v[i].color, 0x80402010u) << s << " " << i;
            }
        }
        group.Release();
    };
    check(
        tri, [&](float s) { tri.SetSize(s); }, triangle, 6);
    check(
        quad, [&](float s) { quad.SetSize(s); }, square, 12);
}

// The mesh fields keep at most 259 characters.
TEST(MethodMeshFields, FileAndPathAreCutTo259Characters)
{
    CMethodMesh mesh;
    EXPECT_STREQ(mesh.GetMeshFile(), "");
    EXPECT_STREQ(mesh.GetMeshPath(), "");
    const std::string longer(300, 'm');
    mesh.SetMeshFile(longer.c_str());
    mesh.SetMeshPath(longer.c_str());
    EXPECT_EQ(std::string(mesh.GetMeshFile()), longer.substr(0, 259));
    EXPECT_EQ(std::string(mesh.GetMeshPath()), longer.substr(0, 259));
    mesh.SetMeshFile("a.gma");
    EXPECT_STREQ(mesh.GetMeshFile(), "a.gma");
    mesh.SetMeshPath(nullptr);
    EXPECT_STREQ(mesh.GetMeshPath(), "");
}

// More particles than the array was built for draw only what it holds.
TEST_F(MethodDraw, ParticlesBeyondTheBuiltCapacityAreLeftOut)
{
    CMethodQuad quad;
    quad.SetSize(4);
    CParticleGroup group;
    group.SetMaxParticleNumber(1);
    group.SetMethod(&quad);
    ASSERT_EQ(quad.Build(device, &group), 0);
    Put(group, 4, 4, 0xFFFFFFFFu);
    Put(group, 40, 40, 0xFFFFFFFFu);
    ASSERT_EQ(Draw(quad, group), 0);
    const kestu_test::Image image = Picture();
    EXPECT_EQ(At(image, 5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(LitOutside(image, 4, 4, 8, 8), 0);
    group.Release();
}

// A white 4 x 4 picture as a 24-bit BMP (the image loaders read it by its
// content, whatever the name).
void WriteWhiteBmp(const char* path)
{
    std::vector<uint8_t> b = {'B', 'M', 102, 0, 0, 0, 0, 0,  0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 1,
                              0,   24,  0,   0, 0, 0, 0, 48, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    b.resize(102, 0xFF);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

TEST_F(MethodDraw, PointSpritesAreSizedTexturedAndAdded)
{
    WriteWhiteBmp("spark.bmp");
    CMethodPointSprite sprite;
    sprite.Init("spark.bmp", device);
    EXPECT_EQ(sprite.IsSupported(), 1);
    EXPECT_TRUE(host::GetMessageBoxes().empty());
    ASSERT_EQ(sprite.LoadTexture(device), D3D_OK);
    ASSERT_NE(sprite.GetTexture(), nullptr);
    sprite.SetPointSize(6.0f);
    CParticleGroup group;
    group.SetMaxParticleNumber(1501);
    group.SetMethod(&sprite);
    ASSERT_EQ(sprite.Build(device, &group), 0);
    // 1500 sprites in one place, drawn 1000 then 501, add up; one apart. The
    // device scales a sprite by the viewport's height over its distance from
    // the eye: at 64 it is PointSize wide.
    const auto depth = [](float x, float y) { return std::sqrt(64.0f * 64.0f - x * x - y * y); };
    for (int i = 0; i < 1500; ++i) Put(group, 20.0f, 20.0f, 0xFF010101u, 0.0f, depth(20, 20));
    Put(group, 40.0f, 40.0f, 0xFF804020u, 0.0f, depth(40, 40));
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    ASSERT_EQ(Draw(sprite, group), 0);
    const kestu_test::Image image = Picture();
    EXPECT_EQ(At(image, 20, 20), 0xFFFFFFFFu) << "1500 small values added up";
    EXPECT_EQ(At(image, 18, 22), 0xFFFFFFFFu) << "the sprite is 6 pixels wide";
    EXPECT_EQ(At(image, 40, 40), 0xFF804020u);
    EXPECT_EQ(At(image, 28, 20), kBlack);
    int outside = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool near20 = x >= 16 && x < 24 && y >= 16 && y < 24;
            const bool near40 = x >= 36 && x < 44 && y >= 36 && y < 44;
            outside += !near20 && !near40 && At(image, x, y) != kBlack;
        }
    EXPECT_EQ(outside, 0);
    kestu_test::SaveIfFailed(image);
    DWORD value = 0;
    device->GetRenderState(D3DRS_POINTSPRITEENABLE, &value);
    EXPECT_EQ(value, DWORD{FALSE});
    device->GetRenderState(D3DRS_ZWRITEENABLE, &value);
    EXPECT_EQ(value, DWORD{TRUE});
    group.Release();
}

// What point sprites and meshes leave set and what they put back, also for a
// group they hold no record of.
TEST_F(MethodDraw, StatesLeftByPointSpritesAndMeshes)
{
    const auto bits = [](float f) {
        DWORD d;
        std::memcpy(&d, &f, sizeof d);
        return d;
    };
    struct State {
        bool stage;
        DWORD which, value;
    };
    const auto expectStates = [](const std::vector<State>& states, const char* what) {
        for (const State& st : states) {
            DWORD value = 0xDEADBEEF;
            if (st.stage)
                device->GetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(st.which), &value);
            else
                device->GetRenderState(D3DRENDERSTATETYPE(st.which), &value);
            EXPECT_EQ(value, st.value) << what << (st.stage ? " stage state " : " render state ") << st.which;
        }
    };
    const std::vector<State> sprites = {
        {false, D3DRS_ZWRITEENABLE, TRUE},        {false, D3DRS_ALPHABLENDENABLE, FALSE},
        {false, D3DRS_DESTBLEND, D3DBLEND_ONE},   {false, D3DRS_POINTSPRITEENABLE, FALSE},
        {false, D3DRS_POINTSCALEENABLE, FALSE},   {false, D3DRS_POINTSIZE, bits(3.5f)},
        {false, D3DRS_POINTSIZE_MIN, bits(3.5f)}, {false, D3DRS_POINTSCALE_A, bits(0.0f)},
        {false, D3DRS_POINTSCALE_B, bits(0.0f)},  {false, D3DRS_POINTSCALE_C, bits(1.0f)},
        {true, D3DTSS_COLOROP, D3DTOP_MODULATE},  {true, D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {true, D3DTSS_COLORARG2, D3DTA_DIFFUSE},  {true, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
        {false, D3DRS_SRCBLEND, D3DBLEND_ONE},
    };
    const std::vector<State> meshes = {
        {true, D3DTSS_COLOROP, D3DTOP_MODULATE},
        {true, D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {true, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
        {true, D3DTSS_MINFILTER, D3DTEXF_LINEAR},
        {true, D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
        {false, D3DRS_ALPHABLENDENABLE, FALSE},
        {false, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {false, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {false, D3DRS_ZENABLE, TRUE},
    };
    const std::vector<State> filters = {{true, D3DTSS_MINFILTER, D3DTEXF_LINEAR},
                                        {true, D3DTSS_MAGFILTER, D3DTEXF_LINEAR}};

    CMethodPointSprite sprite;
    sprite.SetPointSize(3.5f);
    CParticleGroup group, stranger;
    group.SetMethod(&sprite);
    for (CParticleGroup* g : {&group, &stranger}) {
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        EXPECT_EQ(sprite.Build(device, g), g == &group ? 0 : 1);
        expectStates(filters, "sprite build");
        Put(group, 8, 8, 0xFFFFFFFFu);
        device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        EXPECT_EQ(Draw(sprite, *g), g == &group ? 0 : 1);
        expectStates(sprites, g == &group ? "sprites" : "sprites without a record");
    }
    group.Release();

    CMethodMesh mesh;
    mesh.SetMeshFile("missing.gma");
    CParticleGroup meshGroup;
    meshGroup.SetMethod(&mesh);
    ASSERT_EQ(mesh.Build(device, &meshGroup), 0);
    Put(meshGroup, 8, 8, 0xFFFFFFFFu);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    EXPECT_EQ(Draw(mesh, meshGroup), 0);
    expectStates(meshes, "meshes");
    meshGroup.Release();
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
}

TEST_F(MethodDraw, APointSpriteWarnsOnADeviceThatCannotSizePoints)
{
    host::D3D8SetCapsFilter([](D3DDEVTYPE, D3DCAPS8& caps) { caps.FVFCaps &= ~DWORD(D3DFVFCAPS_PSIZE); });
    CMethodPointSprite sprite;
    sprite.Init("none.bmp", device);
    EXPECT_EQ(sprite.IsSupported(), 0);
    const std::vector<host::MessageBoxRecord> boxes = host::GetMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "no support point sprite");
    EXPECT_EQ(boxes[0].caption, "warning");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].type, UINT{MB_OK});
    EXPECT_NE(sprite.LoadTexture(device), D3D_OK) << "a missing file";
    EXPECT_EQ(sprite.GetTexture(), nullptr);
    // The points are drawn all the same, untextured.
    CParticleGroup group;
    group.SetMethod(&sprite);
    ASSERT_EQ(sprite.Build(device, &group), 0);
    Put(group, 20.5f, 20.5f, 0xFF30C060u);
    ASSERT_EQ(Draw(sprite, group), 0);
    EXPECT_EQ(At(Picture(), 20, 20), 0xFF30C060u);
    group.Release();
}

// A GMA mesh per particle, turned by the particle's age and scaled by 0.4.
TEST_F(MethodDraw, MeshesFollowTheirParticles)
{
    gmatest::Grid grid;
    grid.width = 40.0f, grid.height = 10.0f, grid.amplitude = 0.0f;
    const std::vector<BYTE> bytes = gmatest::Bytes(grid.File());
    std::filesystem::create_directories("tex");
    WriteWhiteBmp("tex/left.png");
    WriteWhiteBmp("right.png");
    std::ofstream("ember.gma", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    CMethodMesh mesh;
    mesh.SetMeshFile("ember.gma");
    mesh.SetMeshPath("");
    CParticleGroup group;
    group.SetMaxParticleNumber(4);
    group.SetMethod(&mesh);
    ASSERT_EQ(mesh.Build(device, &group), 0);
    ASSERT_NE(mesh.GetRes(&group)->pMeshAniData, nullptr);
    ASSERT_TRUE(mesh.GetRes(&group)->pMeshAnis[3].IsBuilt());
    ASSERT_NE(mesh.GetSphere(), nullptr);
    // Unturned at (16, 16): 16 x 4 pixels; a quarter turn at (48, 40): 4 x 16.
    Put(group, 16, 16, 0xFFFFFFFFu, 0.0f);
    Put(group, 48, 40, 0xFFFFFFFFu, 1.5707964f);
    // Both meshes, moved dx pixels along x.
    const auto expectMeshes = [](const kestu_test::Image& image, int dx) {
        EXPECT_NE(At(image, 10 + dx, 16), kBlack) << dx;
        EXPECT_NE(At(image, 22 + dx, 16), kBlack) << dx;
        EXPECT_EQ(At(image, 16 + dx, 21), kBlack) << dx;
        EXPECT_NE(At(image, 48 + dx, 46), kBlack) << dx;
        EXPECT_EQ(At(image, 54 + dx, 40), kBlack) << dx;
    };
    ASSERT_EQ(Draw(mesh, group), 0);
    const kestu_test::Image image = Picture();
    expectMeshes(image, 0);
    int outside = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool first = x >= 7 && x < 25 && y >= 13 && y < 19;
            const bool second = x >= 45 && x < 51 && y >= 31 && y < 49;
            outside += !first && !second && At(image, x, y) != kBlack;
        }
    EXPECT_EQ(outside, 0);
    kestu_test::SaveIfFailed(image);
    // The frame follows the age at three times the mesh's speed, from the
    // start at each update: the 2-second mesh loops every 2 / 3, its second
    // frame from half of that.
    CParticleGroup::iterator it = group.begin();
    CParticleBase* first = group.NextParticle(it);
    const CMeshAni* players = mesh.GetRes(&group)->pMeshAnis;
    for (const auto& [age, frame] :
         {std::pair{0.5f, 1u}, std::pair{0.2f, 0u}, std::pair{0.9f, 0u}, std::pair{1.2f, 1u}}) {
        first->SetLifeTime(age);
        mesh.Update(&group, 0.0f);
        EXPECT_EQ(players[0].GetCurrentFrame(), frame) << age;
    }
    first->SetLifeTime(0.0f);
    DWORD z = 0;
    device->GetRenderState(D3DRS_ZENABLE, &z);
    EXPECT_EQ(z, DWORD{TRUE});
    // The root comes after the particle's own turn, scale and place: shifting
    // it shifts the meshes by as much.
    D3DXMATRIX root;
    D3DXMatrixTranslation(&root, -8, 0, 0);
    group.SetRootMat(root);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    ASSERT_EQ(Draw(mesh, group), 0);
    const kestu_test::Image shifted = Picture();
    expectMeshes(shifted, -8);
    EXPECT_EQ(At(shifted, 18, 16), kBlack);
    kestu_test::SaveIfFailed(shifted);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    group.Release();
}

// An unreadable file leaves the players unbuilt; updating, drawing and
// releasing two groups (one sphere between them) stay safe.
TEST_F(MethodDraw, AMeshMethodSurvivesAMissingFile)
{
    CMethodMesh mesh;
    mesh.SetMeshFile("missing.gma");
    CParticleGroup a, b;
    a.SetMethod(&mesh);
    b.SetMethod(&mesh);
    a.SetMaxParticleNumber(2);
    EXPECT_EQ(mesh.Build(device, &a), 0);
    EXPECT_EQ(mesh.Build(device, &b), 0);
    EXPECT_EQ(mesh.GetRes(&a)->pMeshAniData, nullptr);
    Put(a, 8, 8, 0xFFFFFFFFu);
    Put(a, 9, 9, 0xFFFFFFFFu);
    Put(a, 10, 10, 0xFFFFFFFFu);
    CParticleGroup::iterator it;
    CParticleBase* last = a.LastParticle(it);
    EXPECT_EQ(typeid(*last), typeid(CParticleMesh)) << "the method's particles are its own";
    EXPECT_EQ(Draw(mesh, a), 0);
    EXPECT_EQ(LitOutside(Picture(), 0, 0, 0, 0), 0);
    CParticleGroup stranger;
    EXPECT_EQ(mesh.Build(device, &stranger), 1);
    EXPECT_EQ(mesh.Update(&stranger, 0), 1);
    EXPECT_EQ(mesh.Render(device, &stranger), 1);
    a.Release();
    EXPECT_EQ(mesh.GetSphere(), nullptr);
    b.Release();
    EXPECT_EQ(mesh.GetResCount(), 0u);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
}

} // namespace
