// Every render path the device allows draws the same skinned mesh as
// software skinning does: the pictures are compared pixel by pixel.
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "model_fixture.h"

namespace {

using namespace modeltest;

struct Light {
    D3DXVECTOR3 colour;
    D3DXVECTOR3 where; // direction towards the light, or a point light's position
};

// The lighting of one picture, given to the fixed-function pipeline for
// software skinning and written into the shader constants for the others.
struct Lighting {
    bool lit = true;
    D3DXVECTOR4 ambient{0.2f, 0.15f, 0.1f, 1.0f};
    Light directional{{0.6f, 0.55f, 0.5f}, {0.3f, 0.5f, -0.8f}};
    int points = 0;
    Light point[2] = {{{0.3f, 0.1f, 0.1f}, {1.5f, 1.0f, -2.0f}}, {{0.1f, 0.2f, 0.3f}, {-1.5f, -1.0f, -1.5f}}};
    D3DCOLORVALUE diffuse{1, 1, 1, 1};
    D3DCOLORVALUE specular{0, 0, 0, 0};
    float power = 0.0f;
};

struct Scene {
    D3DXMATRIX world, view, proj;
    Scene()
    {
        D3DXMatrixRotationY(&world, 0.35f);
        const D3DXVECTOR3 eye(0, 0.3f, -2.4f), at(0, 0.2f, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&proj, 0.9f, 1.0f, 0.1f, 20.0f);
    }
};

// A bent tube: each bone turns a little further about z.
struct Rig {
    Rig(int count, float bend)
    {
        bones.resize(count);
        offsets.resize(count);
        pointers.resize(count);
        palette.resize(count);
        for (int b = 0; b < count; ++b) {
            const float x = BoneCentre(b, count);
            D3DXMATRIX to, turn, back;
            D3DXMatrixTranslation(&to, -x, 0, 0);
            D3DXMatrixRotationZ(&turn, bend * x * x);
            D3DXMatrixTranslation(&back, x, 0.3f * x * x, 0);
            const D3DXMATRIX root = to * turn * back;
            bones[b].SetRootMatrix(&root);
            D3DXMatrixIdentity(&offsets[b]);
            pointers[b] = &bones[b];
        }
    }
    std::vector<CSkAniBone> bones;
    std::vector<D3DXMATRIX> offsets;
    std::vector<CSkAniBone*> pointers;
    std::vector<D3DXMATRIX> palette;
};

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v)
{
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &v);
    return n;
}

class SkinnedDraw : public ModelDevice {
protected:
    void SetUp() override
    {
        ModelDevice::SetUp();
        manager.Build(device);
        IDirect3DTexture8* t = nullptr;
        ASSERT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
        D3DLOCKED_RECT r;
        ASSERT_EQ(t->LockRect(0, &r, nullptr, 0), D3D_OK);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                static_cast<DWORD*>(r.pBits)[y * r.Pitch / 4 + x] =
                    0xFF000000 | DWORD(120 + 8 * x) << 16 | DWORD(200 - 6 * y) << 8 | DWORD(90 + 5 * (x + y));
        t->UnlockRect(0);
        texture = t;
    }
    void TearDown() override
    {
        if (texture) texture->Release();
        manager.Release();
        ModelDevice::TearDown();
    }

    // A tube built on the device with its shader streams.
    void MakeMesh(const TubeShape& tube, bool batched)
    {
        TestMesh* made = new TestMesh();
        FillTube(*made, tube);
        ASSERT_EQ(made->GernerateMaterialSet(), 0);
        mesh = made;
        mesh->EnableNormalCalc(1);
        if (batched) {
            ASSERT_EQ(mesh->SplitIdxToLimitBones(1), 0);
        }
        for (DWORD m = 0; m < mesh->GetMaterialNum(); ++m) mesh->GetMaterialByID(m)->SetTexture(texture);
        ASSERT_EQ(ref.Build(device, mesh), 0);
        mesh->SetMeshDataMng(&manager);
        ASSERT_EQ(manager.SetSkeletonRenderPath(KESTU_SKLPATH_VS_LIGHT), 1);
        ASSERT_EQ(mesh->BuildVsVertexBuffer(device, nullptr, DWORD(tube.bones)), 1);
        if (batched) {
            ASSERT_GT(mesh->GetBoneBatchNum(), 1u);
        }
    }

    void SetMaterial(const Lighting& l)
    {
        for (DWORD m = 0; m < mesh->GetMaterialNum(); ++m) {
            D3DMATERIAL8& mtl = mesh->GetMaterialByID(m)->mtl;
            mtl.Diffuse = l.diffuse;
            mtl.Ambient = {1, 1, 1, 1};
            mtl.Specular = l.specular;
            mtl.Power = l.power;
        }
    }

    // The fixed-function lights of the software path.
    void FixedFunction(const Lighting& l)
    {
        device->SetRenderState(D3DRS_LIGHTING, l.lit);
        device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
        device->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
        device->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
        device->SetRenderState(D3DRS_SPECULARENABLE, l.power > 0.0f);
        device->SetRenderState(D3DRS_LOCALVIEWER, TRUE);
        device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_COLORVALUE(l.ambient.x, l.ambient.y, l.ambient.z, 1.0f));
        D3DLIGHT8 d{};
        d.Type = D3DLIGHT_DIRECTIONAL;
        d.Diffuse = {l.directional.colour.x, l.directional.colour.y, l.directional.colour.z, 1};
        d.Specular = {1, 1, 1, 1};
        d.Direction = -Normalized(l.directional.where);
        device->SetLight(0, &d);
        device->LightEnable(0, TRUE);
        for (int p = 0; p < 2; ++p) {
            D3DLIGHT8 pl{};
            pl.Type = D3DLIGHT_POINT;
            pl.Diffuse = {l.point[p].colour.x, l.point[p].colour.y, l.point[p].colour.z, 1};
            pl.Position = l.point[p].where;
            pl.Range = 100.0f;
            pl.Attenuation0 = 1.0f;
            device->SetLight(1 + p, &pl);
            device->LightEnable(1 + p, p < l.points);
        }
    }

    // What a skeleton writes before its skins draw on a shader path.
    void ShaderConstants(int path, const Lighting& l)
    {
        float* c = manager.GetVsConstantBuffer();
        ASSERT_NE(c, nullptr);
        auto put = [&](int reg, float x, float y, float z, float w) {
            c[reg * 4] = x;
            c[reg * 4 + 1] = y;
            c[reg * 4 + 2] = z;
            c[reg * 4 + 3] = w;
        };
        auto rows = [&](int reg, const D3DXMATRIX& m, int count) {
            for (int r = 0; r < count; ++r) put(reg + r, m.m[r][0], m.m[r][1], m.m[r][2], m.m[r][3]);
        };
        const bool points = l.points > 0 && (path == 8 || path == 32);
        const bool material = path == 64 || path == 128;
        D3DXMATRIX clip = (points || material) ? scene.view * scene.proj : scene.world * scene.view * scene.proj;
        D3DXMATRIX t;
        D3DXMatrixTranspose(&t, &clip);
        put(0, 1, 1, 2, 0);
        if (path == 2) put(0, 0, 1, 0, 0);
        rows(1, t, 4);
        D3DXMatrixTranspose(&t, &scene.world);
        rows(6, t, 3);
        D3DXMATRIX inverse;
        D3DXMatrixInverse(&inverse, nullptr, &scene.world);
        rows(9, inverse, 3);
        put(5, l.ambient.x, l.ambient.y, l.ambient.z, l.ambient.w);
        const D3DXVECTOR3 towards = Normalized(l.directional.where);
        const D3DXVECTOR3& dc = l.directional.colour;
        if (material) {
            D3DXMATRIX inverseView;
            D3DXMatrixInverse(&inverseView, nullptr, &scene.view);
            put(12, inverseView._41, inverseView._42, inverseView._43, 1);
            put(15, dc.x, dc.y, dc.z, 1);
            put(16, towards.x, towards.y, towards.z, l.ambient.w);
        } else {
            put(12, dc.x, dc.y, dc.z, 1);
            put(13, towards.x, towards.y, towards.z, 0);
            for (int p = 0; p < l.points; ++p) {
                put(14 + 2 * p, l.point[p].colour.x, l.point[p].colour.y, l.point[p].colour.z, 100);
                put(15 + 2 * p, l.point[p].where.x, l.point[p].where.y, l.point[p].where.z, 1);
            }
        }
        if (path == 16 || path == 32) device->SetPixelShaderConstant(0, &l.ambient, 1);
        mesh->SetPointLightNum(DWORD(l.points));
    }

    std::vector<uint32_t> Draw(int path, Rig& rig, const Lighting& l)
    {
        if (path == 64 || path == 128)
            host::D3D8SetCapsFilter([](D3DDEVTYPE, D3DCAPS8& caps) { caps.VertexShaderVersion = D3DVS_VERSION(2, 0); });
        else
            host::D3D8SetCapsFilter(nullptr);
        EXPECT_EQ(manager.SetSkeletonRenderPath(path == 64 || path == 128 ? path | 1 : path),
                  path == 64 || path == 128 ? 0 : 1);
        EXPECT_EQ(CMeshDataMng::GetSkeletonRenderPath(), path);
        device->SetTransform(D3DTS_WORLD, &scene.world);
        device->SetTransform(D3DTS_VIEW, &scene.view);
        device->SetTransform(D3DTS_PROJECTION, &scene.proj);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        FixedFunction(l);
        if (path != 1) {
            if (constantsWriter)
                constantsWriter(path);
            else
                ShaderConstants(path, l);
        }
        const DWORD bones = DWORD(rig.bones.size());
        mesh->Deform(rig.pointers.data(), bones, rig.offsets.data(), path == 1 ? nullptr : rig.palette.data(),
                     ref.GetVertexBuffer());
        if (paletteOverride) paletteOverride(rig.palette);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        ref.Render(path == 1 ? nullptr : rig.palette.data());
        device->EndScene();
        device->SetPixelShader(0);
        std::vector<uint32_t> px;
        UINT w = 0, h = 0;
        EXPECT_TRUE(host::D3D8ReadRenderTarget(device, px, w, h));
        return px;
    }

    static void Save(const std::vector<uint32_t>& px, const std::string& name)
    {
        const char* dir = std::getenv("KESTU_TEST_OUTPUT");
        host::WindowPixels image;
        image.width = image.height = int32_t(kSize);
        image.pixels = px;
        host::SavePixelsPng(image, std::string(dir ? dir : ".") + "/" + name + ".png");
    }

    // Pixels whose colour differs by more than the tolerance in some channel.
    static int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance)
    {
        int n = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            for (int shift : {16, 8, 0})
                if (std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF)) > tolerance) {
                    ++n;
                    break;
                }
        return n;
    }
    static int Covered(const std::vector<uint32_t>& a)
    {
        int n = 0;
        for (uint32_t p : a) n += (p & 0xFFFFFF) != 0x102030;
        return n;
    }

    void ExpectSamePicture(int path, Rig& rig, const Lighting& l, const std::string& name)
    {
        const std::vector<uint32_t> software = Draw(1, rig, l);
        const std::vector<uint32_t> shader = Draw(path, rig, l);
        if (std::getenv("KESTU_SAVE_SKIN")) {
            Save(software, name + ".software");
            Save(shader, name + ".path" + std::to_string(path));
        }
        ASSERT_GT(Covered(software), int(kSize * kSize / 10)) << "the mesh fills part of the picture";
        const int differing = Differing(software, shader, 12);
        if (differing > int(kSize * kSize / 100)) {
            Save(software, name + ".software");
            Save(shader, name + ".path" + std::to_string(path));
        }
        EXPECT_LE(differing, int(kSize * kSize / 100)) << "path " << path << " (" << name << ")";
    }

    // Tinted materials, each subset its own, with every colour of the material set.
    void TintMaterials()
    {
        ASSERT_EQ(mesh->GetMaterialNum(), 2u);
        for (DWORD m = 0; m < 2; ++m) {
            D3DMATERIAL8& mtl = mesh->GetMaterialByID(m)->mtl;
            mtl.Diffuse = kTints[m].diffuse;
            mtl.Ambient = kTints[m].ambient;
            mtl.Emissive = kTints[m].emissive;
            mtl.Specular = kTints[m].specular;
            mtl.Power = kTints[m].power;
        }
    }
    struct Tint {
        D3DCOLORVALUE diffuse, ambient, emissive, specular;
        float power;
    };
    static constexpr Tint kTints[2] = {
        {{0.95f, 0.5f, 0.2f, 0.7f}, {0.6f, 1.0f, 0.3f, 1}, {0.1f, 0.0f, 0.05f, 0}, {0.5f, 0.4f, 0.3f, 1}, 12.0f},
        {{0.25f, 0.6f, 1.0f, 0.8f}, {1.0f, 0.4f, 0.8f, 1}, {0.0f, 0.08f, 0.0f, 0}, {0.2f, 0.6f, 0.4f, 1}, 20.0f}};

    std::function<void(std::vector<D3DXMATRIX>&)> paletteOverride;
    // Writes the shader constants in place of ShaderConstants when set.
    std::function<void(int path)> constantsWriter;
    CMeshDataMng manager;
    IDirect3DTexture8* texture = nullptr;
    CMeshDataDynamic* mesh = nullptr;
    CMeshDataRef ref;
    Scene scene;
};

TEST_F(SkinnedDraw, TheBendShows)
{
    MakeMesh({16, 12, 6, 4, 2}, false);
    Rig straight(6, 0.0f), bent(6, 1.2f);
    const Lighting l;
    SetMaterial(l);
    EXPECT_GT(Differing(Draw(1, straight, l), Draw(1, bent, l), 12), int(kSize * kSize / 20));
}

struct PathCase {
    const char* name;
    int path;
    int points;
    int perVertex;
    bool batched;
};

class EveryPath : public SkinnedDraw, public ::testing::WithParamInterface<PathCase> {
protected:
    // The lighting a path is tested with.
    static Lighting LightingOf(const PathCase& c)
    {
        Lighting l;
        l.points = c.points;
        if (c.path == 2) l.lit = false;
        if (c.path == 64 || c.path == 128) {
            l.diffuse = {0.9f, 0.6f, 0.8f, 1};
            l.specular = {0.5f, 0.4f, 0.3f, 1};
            l.power = 12.0f;
            l.ambient.w = 0.5f;
        }
        return l;
    }
    // The case's tube, and a bent rig over as many bones.
    Rig MakeCaseMesh(const PathCase& c)
    {
        const int bones = c.batched ? 70 : 8;
        MakeMesh({16, 12, bones, c.perVertex, 2}, c.batched);
        return Rig(bones, 1.2f);
    }
    // The case's lighting, its materials set to it.
    Lighting LightCase(const PathCase& c)
    {
        const Lighting l = LightingOf(c);
        SetMaterial(l);
        return l;
    }
};

TEST_P(EveryPath, DrawsWhatSoftwareSkinningDraws)
{
    const PathCase c = GetParam();
    Rig rig = MakeCaseMesh(c);
    const Lighting l = LightCase(c);
    ExpectSamePicture(c.path, rig, l, c.name);
    // The shaders did the blending (a batched mesh is too wide for path 128's palette).
    EXPECT_EQ(mesh->IsShaderSkinned(), c.batched && c.path == 128 ? 0 : 1);
}

// The manager's shaders go with the lost device and come back with Restore:
// the path, and software skinning, draw the same pixels after the reset.
TEST_P(EveryPath, DrawsTheSamePixelsAfterALossThatFollowsADraw)
{
    const PathCase c = GetParam();
    Rig rig = MakeCaseMesh(c);
    const Lighting l = LightCase(c);
    const std::vector<uint32_t> software = Draw(1, rig, l);
    const std::vector<uint32_t> before = Draw(c.path, rig, l);
    ASSERT_GT(Covered(before), int(kSize * kSize / 10)) << "the mesh fills part of the picture";

    host::D3D8LoseDevices();
    host::D3D8RegainDevices();
    ASSERT_EQ(manager.Invalidate(), 0);
    D3DPRESENT_PARAMETERS pp = testdevice::DefaultParameters(kSize, kSize, testdevice::FakeWindow(0x4D44), true, false);
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    ASSERT_EQ(manager.Restore(), 0);

    EXPECT_EQ(Differing(software, Draw(1, rig, l), 0), 0) << "software skinning";
    const std::vector<uint32_t> after = Draw(c.path, rig, l);
    EXPECT_EQ(Differing(before, after, 0), 0) << "path " << c.path << " (" << c.name << ")";
    if (Differing(before, after, 0)) Save(after, std::string(c.name) + ".recovered");
}

// Paths 2 to 32 take their colours from the constants alone: tinted
// materials draw the picture that white ones draw. Paths 64 and 128 light
// with the material's colours, so there the tint shows.
TEST_P(EveryPath, OnlyTheMaterialPathsShowTheMaterialColours)
{
    const PathCase c = GetParam();
    Rig rig = MakeCaseMesh(c);
    Lighting l = LightCase(c);
    l.ambient = {0.45f, 0.4f, 0.35f, 1}; // strong enough that an ambient tint would show
    const std::vector<uint32_t> white = Draw(c.path, rig, l);
    ASSERT_GT(Covered(white), int(kSize * kSize / 10)) << "the mesh fills part of the picture";
    TintMaterials();
    const std::vector<uint32_t> tinted = Draw(c.path, rig, l);
    if (c.path == 64 || c.path == 128)
        EXPECT_GT(Differing(white, tinted, 12), Covered(white) / 2) << c.name;
    else
        EXPECT_EQ(Differing(white, tinted, 0), 0) << c.name;
}

// Software skinning lights each subset with its material, as the
// fixed-function pipeline does.
TEST_F(SkinnedDraw, SoftwareSkinningShowsTheMaterialColours)
{
    MakeMesh({16, 12, 8, 4, 2}, false);
    Rig rig(8, 1.2f);
    Lighting l;
    l.ambient = {0.45f, 0.4f, 0.35f, 1};
    SetMaterial(l);
    const std::vector<uint32_t> white = Draw(1, rig, l);
    TintMaterials();
    const std::vector<uint32_t> tinted = Draw(1, rig, l);
    EXPECT_GT(Differing(white, tinted, 12), Covered(white) / 2);
}

// After a draw the device holds exactly the constants that the skeleton wrote
// into the manager's buffer and the palette of the last pass; on paths 64 and
// 128 c13 and c14 hold the last subset's material. Registers the pass does not
// reach, and pixel-shader c0 (which the skeleton sets itself on paths 16 and
// 32), are left as they were.
TEST_P(EveryPath, LeavesTheConstantsTheSkeletonAndThePaletteWrote)
{
    const PathCase c = GetParam();
    Rig rig = MakeCaseMesh(c);
    Lighting l = LightCase(c);
    TintMaterials();
    CSkeleton skeleton;
    skeleton.SetMeshManager(&manager);
    skeleton.SetVSAmbientLight(0xC0604830);
    skeleton.SetVSDirLight(0.6f, 0.55f, 0.5f, 0.3f, 0.5f, -0.8f);
    skeleton.EnableLightNum(c.points);
    skeleton.SetVSPointLight(0, 0.3f, 0.1f, 0.1f, 100.0f, 1.5f, 1.0f, -2.0f);
    skeleton.SetVSPointLight(1, 0.1f, 0.2f, 0.3f, 100.0f, -1.5f, -1.0f, -1.5f);

    const DWORD registers = manager.GetVsConstantRegisters();
    ASSERT_EQ(registers, 256u);
    std::vector<float> stale(4 * registers), written, before(4 * registers);
    for (size_t i = 0; i < stale.size(); ++i) stale[i] = -1000.0f - float(i);
    const std::vector<float> psStale = {-7.0f, -6.0f, -5.0f, -4.0f};
    std::vector<float> psWritten = psStale;
    constantsWriter = [&](int path) {
        // Registers the skeleton leaves alone keep a pattern of their own.
        float* k = manager.GetVsConstantBuffer();
        for (DWORD i = 0; i < 4 * registers; ++i) k[i] = 0.5f + float(i);
        ASSERT_EQ(device->SetVertexShaderConstant(0, stale.data(), registers), D3D_OK);
        ASSERT_EQ(device->SetPixelShaderConstant(0, psStale.data(), 1), D3D_OK);
        ASSERT_EQ(skeleton.SetVSRenderPass(device), 0);
        written.assign(k, k + 4 * registers);
        ASSERT_EQ(device->GetVertexShaderConstant(0, before.data(), registers), D3D_OK);
        ASSERT_EQ(device->GetPixelShaderConstant(0, psWritten.data(), 1), D3D_OK);
        mesh->SetPointLightNum(DWORD(c.points));
        const float ambient[4] = {0x60 / 256.0f, 0x48 / 256.0f, 0x30 / 256.0f, 0xC0 / 256.0f};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(psWritten[i], path == 16 || path == 32 ? ambient[i] : psStale[i]) << "pixel-shader c0";
    };
    Draw(c.path, rig, l);
    ASSERT_FALSE(written.empty());

    std::vector<float> held(4 * registers);
    ASSERT_EQ(device->GetVertexShaderConstant(0, held.data(), registers), D3D_OK);
    std::vector<float> ps(4);
    ASSERT_EQ(device->GetPixelShaderConstant(0, ps.data(), 1), D3D_OK);
    EXPECT_EQ(ps, psWritten) << "pixel-shader c0";

    // What the last pass uploads: the skeleton's registers below the palette,
    // then the last batch's bones (or all of them), each three palette rows
    // and (not on path 2) its normal sign in the fourth register's x.
    const bool material = c.path == 64 || c.path == 128;
    const DWORD base = c.path == 2 ? 5 : c.path == 64 ? 17 : c.path == 128 ? 32 : 18;
    const DWORD batches = mesh->GetBoneBatchNum();
    const DWORD last = batches > 0 ? batches - 1 : 0;
    const DWORD bones = batches > 0 ? mesh->GetBatchBoneCount(last) : DWORD(rig.bones.size());
    const DWORD widest = batches > 0 ? mesh->GetMaxBatchBones() : bones;
    std::vector<float> expected = written;
    if (material) {
        const Tint& t = kTints[1];
        const float c13[4] = {t.diffuse.r, t.diffuse.g, t.diffuse.b, t.power};
        const float c14[3] = {t.specular.r, t.specular.g, t.specular.b};
        std::copy(c13, c13 + 4, expected.begin() + 13 * 4);
        std::copy(c14, c14 + 3, expected.begin() + 14 * 4);
        expected[14 * 4 + 3] = held[14 * 4 + 3]; // carries no defined value
    }
    for (DWORD s = 0; s < bones; ++s) {
        const DWORD bone = batches > 0 ? mesh->GetBatchBoneList(last)[s] : s;
        float* slot = expected.data() + 4 * (base + 4 * s);
        std::memcpy(slot, &rig.palette[bone]._11, 12 * sizeof(float));
        if (c.path != 2) slot[12] = mesh->GetNormalSign(bone);
    }
    const DWORD uploaded = mesh->IsShaderSkinned() ? base + 4 * bones : 0;
    const DWORD untouched = mesh->IsShaderSkinned() ? base + 4 * widest : 0;
    std::string wrong;
    for (DWORD i = 0; i < 4 * registers; ++i) {
        const float* want = i < 4 * uploaded ? &expected[i] : i >= 4 * untouched ? &before[i] : nullptr;
        if (want && held[i] != *want)
            wrong += " c" + std::to_string(i / 4) + "." + "xyzw"[i % 4] + "=" + std::to_string(held[i]) + " (not " +
                     std::to_string(*want) + ")";
    }
    EXPECT_EQ(wrong, "") << c.name;
}

TEST_F(SkinnedDraw, ShaderPathsBlendWithThePalette)
{
    MakeMesh({16, 12, 8, 4, 1}, false);
    Rig rig(8, 1.2f);
    const Lighting l;
    SetMaterial(l);
    const std::vector<uint32_t> bent = Draw(4, rig, l);
    paletteOverride = [](std::vector<D3DXMATRIX>& palette) {
        for (D3DXMATRIX& m : palette) D3DXMatrixIdentity(&m);
    };
    EXPECT_GT(Differing(bent, Draw(4, rig, l), 12), int(kSize * kSize / 20));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, EveryPath,
    ::testing::Values(PathCase{"unlit", 2, 0, 4, false}, PathCase{"unlit8", 2, 0, 8, false},
                      PathCase{"light", 4, 0, 4, false}, PathCase{"light8", 4, 0, 8, false},
                      PathCase{"points0", 8, 0, 4, false}, PathCase{"points1", 8, 1, 4, false},
                      PathCase{"points2", 8, 2, 8, false}, PathCase{"pixel", 16, 0, 4, false},
                      PathCase{"pixel8", 16, 0, 8, false}, PathCase{"pixelPoints0", 32, 0, 4, false},
                      PathCase{"pixelPoints1", 32, 1, 4, false}, PathCase{"pixelPoints2", 32, 2, 8, false},
                      PathCase{"material", 64, 0, 4, false}, PathCase{"material8", 64, 0, 8, false},
                      PathCase{"wide", 128, 0, 4, false}, PathCase{"wide8", 128, 0, 8, false},
                      PathCase{"batchedUnlit", 2, 0, 4, true}, PathCase{"batchedLight", 4, 0, 4, true},
                      PathCase{"batchedPixel", 32, 2, 4, true}, PathCase{"batchedMaterial", 64, 0, 4, true},
                      PathCase{"batchedWide", 128, 0, 4, true}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

} // namespace
