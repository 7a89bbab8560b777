#include <cstring>
#include <string>
#include <vector>

#include "core/resources/D3DMeshFile.h"
#include "mesh_fixture.h"
#include "window_device.h"
#include "kestu_d3dmesh.h"
#include "kestu_d3dutil.h"
#include "xfiles.h"

namespace {

class MeshTest : public Core5Device {
protected:
    void SetUp() override
    {
        Core5Device::SetUp();
        LightMeshScene(device);
        device->SetRenderState(D3DRS_AMBIENT, 0);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        WriteFile(kStrip, kThreeMaterialsX);
    }
    static uint32_t At(const std::vector<uint32_t>& px, int x, int y) { return px[y * kWidth + x] & 0xFFFFFF; }
    static void ExpectColour(uint32_t got, uint32_t want)
    {
        for (int shift = 0; shift < 24; shift += 8) {
            const int g = int((got >> shift) & 0xFF), w = int((want >> shift) & 0xFF);
            EXPECT_NEAR(g, w, 4) << std::hex << got << " vs " << want;
        }
    }
    const std::string kStrip = "core5_strip.x";
};

TEST_F(MeshTest, OpaqueAndTranslucentPassesFollowTheDiffuseAlpha)
{
    CD3DMesh mesh;
    ASSERT_EQ(mesh.Create(device, kStrip.c_str()), S_OK); // the missing texture is not an error
    EXPECT_EQ(mesh.Render(device), E_FAIL);               // nothing on the device yet
    ASSERT_EQ(mesh.RestoreDeviceObjects(device), S_OK);
    ASSERT_NE(mesh.GetLocalMesh(), nullptr);

    struct Case {
        bool useMaterials, opaque, translucent;
        uint64_t calls;
    };
    // Alphas 1, 0.5 and 2: the opaque pass takes alpha >= 1, the translucent alpha != 1.
    const Case cases[] = {
        {true, true, false, 2},  {true, false, true, 2},  {true, true, true, 4},
        {false, true, false, 3}, {false, false, true, 0}, {true, false, false, 0},
    };
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    for (const Case& c : cases) {
        mesh.UseMeshMaterials(c.useMaterials);
        const uint64_t before = DrawCalls();
        EXPECT_EQ(mesh.Render(device, c.opaque, c.translucent), S_OK);
        EXPECT_EQ(DrawCalls() - before, c.calls) << c.useMaterials << c.opaque << c.translucent;
    }
    device->EndScene();

    // Invalidate drops the device copy only; restore brings it back.
    mesh.UseMeshMaterials(true);
    ID3DXMesh* master = mesh.GetSysMemMesh();
    EXPECT_EQ(mesh.InvalidateDeviceObjects(), S_OK);
    EXPECT_EQ(mesh.GetLocalMesh(), nullptr);
    EXPECT_EQ(mesh.GetSysMemMesh(), master);
    EXPECT_EQ(mesh.Render(device), E_FAIL);
    ASSERT_EQ(mesh.RestoreDeviceObjects(device), S_OK);
    ASSERT_EQ(mesh.RestoreDeviceObjects(device), S_OK); // a second restore replaces, not leaks
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(mesh.Render(device, true, false), S_OK);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(mesh.Render(device, false, true), S_OK);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->EndScene();
    const auto px = Pixels();
    ExpectColour(At(px, 22, 32), 0xFF0000);
    ExpectColour(At(px, 64, 32), 0x008000); // half green over black
    ExpectColour(At(px, 106, 32), 0x0000FF);
    ExpectColour(At(px, 64, 5), 0x000000);
    SaveOnFailure(px, "mesh_passes");

    // A new vertex format reaches both copies; a second load replaces the first.
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
    EXPECT_EQ(mesh.SetVertexShader(device, fvf), S_OK);
    EXPECT_EQ(mesh.GetSysMemMesh()->GetFVF(), fvf);
    EXPECT_EQ(mesh.GetLocalMesh()->GetFVF(), fvf);
    EXPECT_EQ(mesh.Create(device, kStrip.c_str()), S_OK);
    EXPECT_EQ(mesh.GetLocalMesh(), nullptr);
    EXPECT_EQ(mesh.Destroy(), S_OK);
    EXPECT_EQ(mesh.GetSysMemMesh(), nullptr);
    EXPECT_EQ(mesh.RestoreDeviceObjects(device), E_FAIL);
}

TEST_F(MeshTest, LoadFailuresAndNames)
{
    CD3DMesh missing;
    EXPECT_TRUE(FAILED(missing.Create(device, "core5_no_such_file.x")));
    EXPECT_EQ(missing.GetSysMemMesh(), nullptr);
    WriteFile("core5_garbage.x", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,9;; }\n");
    EXPECT_TRUE(FAILED(missing.Create(device, "core5_garbage.x")));
    EXPECT_EQ(missing.Render(device), E_FAIL);

    struct Case {
        size_t length, kept;
    };
    for (const Case& c : {Case{0, 0}, Case{511, 511}, Case{512, 511}, Case{2000, 511}}) {
        const std::string name(c.length, 'm');
        CD3DMesh m(name.c_str());
        EXPECT_EQ(std::strlen(m.m_strName), c.kept);
        CD3DMeshFrame f(name.c_str());
        EXPECT_EQ(std::strlen(f.m_strName), c.kept);
    }
    CD3DMesh unnamed;
    EXPECT_STREQ(unnamed.m_strName, "CD3DFile_Mesh");

    // A mesh without a material list draws nothing in either pass.
    WriteFile("core5_plain.x", "xof 0303txt 0032\nMesh { 3; 0;0;0.5;, 0;1;0.5;, 1;1;0.5;; 1; 3;0,1,2;; }\n");
    CD3DMesh plain;
    ASSERT_EQ(plain.Create(device, "core5_plain.x"), S_OK);
    ASSERT_EQ(plain.RestoreDeviceObjects(device), S_OK);
    const uint64_t before = DrawCalls();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    plain.Render(device);
    device->EndScene();
    // Either no subsets at all, or a default material that is opaque: never more than one draw.
    EXPECT_LE(DrawCalls() - before, 1u);
}

bool CollectName(CD3DMesh* mesh, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(mesh->m_strName);
    return false;
}

TEST_F(MeshTest, FrameHierarchyOrderAndSearch)
{
    const std::string longName(600, 'n');
    const std::string text = "xof 0303txt 0032\n"
                             "Frame First {\n" +
                             MeshText("Dup", false) +
                             "  Frame Kid1 { }\n"
                             "  Frame Kid2 { " +
                             MeshText("Inner", false) +
                             " }\n"
                             "}\n"
                             "Frame " +
                             longName + " { }\n" + "Frame Last {\n  Frame Deep { " + MeshText("dup", true) + " }\n}\n";
    WriteFile("core5_frames.x", text);
    CD3DMeshFile file;
    ASSERT_EQ(file.LoadFromFile(device, "core5_frames.x"), S_OK);

    // Siblings in reverse file order.
    std::vector<std::string> top;
    for (CD3DMeshFrame* f = file.m_pChild; f; f = f->m_pNext) top.push_back(f->m_strName);
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[0], "Last");
    EXPECT_EQ(top[1], std::string(511, 'n'));
    EXPECT_EQ(top[2], "First");
    CD3DMeshFrame* first = file.FindFrameByName("FIRST");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->m_pChild, nullptr);
    EXPECT_STREQ(first->m_pChild->m_strName, "Kid2");
    ASSERT_NE(first->m_pChild->m_pNext, nullptr);
    EXPECT_STREQ(first->m_pChild->m_pNext->m_strName, "Kid1");

    // Pre-order: a frame's children are searched before its siblings.
    CD3DMesh* dup = file.FindMeshByName("DUP");
    ASSERT_NE(dup, nullptr);
    EXPECT_EQ(dup->GetSysMemMesh()->GetNumVertices(), 4u); // the quad under Last/Deep
    EXPECT_EQ(file.FindMeshByName("inner"), first->m_pChild->m_pMesh);
    EXPECT_EQ(file.FindMeshByName("none"), nullptr);
    EXPECT_EQ(file.FindFrameByName("deep"), file.m_pChild->m_pChild);
    EXPECT_EQ(file.FindFrameByName("none"), nullptr);
    std::vector<std::string> names;
    EXPECT_TRUE(file.ForEachMesh(CollectName, &names));
    EXPECT_EQ(names, (std::vector<std::string>{"dup", "Dup", "Inner"}));

    EXPECT_EQ(file.RestoreDeviceObjects(device), S_OK);
    EXPECT_NE(dup->GetLocalMesh(), nullptr);
    EXPECT_EQ(file.InvalidateDeviceObjects(), S_OK);
    EXPECT_EQ(dup->GetLocalMesh(), nullptr);
    EXPECT_EQ(file.Destroy(), S_OK);
    EXPECT_EQ(file.m_pChild, nullptr);
}

TEST_F(MeshTest, FileRendersThroughFrameTransformsWithBlendedSecondPass)
{
    std::string strip = kThreeMaterialsX;
    strip = strip.substr(strip.find('\n') + 1);
    // The holder moves the strip up by half the screen.
    const std::string text = "xof 0303txt 0032\nFrame Holder {\n"
                             "FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0.5,0,1;; }\n" +
                             strip + "}\n";
    WriteFile("core5_holder.x", text);
    CD3DMeshFile file;
    ASSERT_EQ(file.LoadFromFile(device, "core5_holder.x"), S_OK);
    ASSERT_EQ(file.RestoreDeviceObjects(device), S_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(file.Render(device), S_OK);
    device->EndScene();
    const auto px = Pixels();
    ExpectColour(At(px, 22, 16), 0xFF0000);
    ExpectColour(At(px, 64, 16), 0x008000);
    ExpectColour(At(px, 106, 16), 0x0000FF);
    ExpectColour(At(px, 22, 56), 0x000000);
    SaveOnFailure(px, "mesh_file");
    EXPECT_EQ(Render(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    D3DXMATRIX world;
    device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_FLOAT_EQ(world._42, 0.0f); // put back after drawing
}

// Siblings stand each on their parent's matrix, not on the sibling drawn
// before them; a world the caller hands in is the one put back.
TEST_F(MeshTest, SiblingFramesShareTheirParentsMatrix)
{
    const auto quad = [](const char* name, const char* rgb) {
        return std::string("Mesh ") + name +
               " { 4; 0;0;0;, 0;1;0;, 1;1;0;, 1;0;0;; 2; 3;0,1,2;, 3;0,2,3;;\n"
               "  MeshNormals { 1; 0.0;0.0;-1.0;; 2; 3;0,0,0;, 3;0,0,0;; }\n"
               "  MeshMaterialList { 1; 2; 0,0;; Material { " +
               rgb + ";1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } }\n}\n";
    };
    // The holder moves both down by half a unit and into the view; the left
    // one steps left by a unit, the right one up by half. Drawn on the right
    // one's matrix, the left one would come up too.
    const std::string text = "xof 0303txt 0032\nFrame Holder {\n"
                             "FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,-0.5,0.5,1;; }\n"
                             "Frame Left { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, -1,0,0,1;; }\n" +
                             quad("L", "1.0;0.0;0.0") +
                             "}\nFrame Right { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0.5,0,1;; }\n" +
                             quad("R", "0.0;0.0;1.0") + "}\n}\n";
    WriteFile("core5_siblings.x", text);
    CD3DMeshFile file;
    ASSERT_EQ(file.LoadFromFile(device, "core5_siblings.x"), S_OK);
    ASSERT_EQ(file.RestoreDeviceObjects(device), S_OK);
    D3DXMATRIX identity, elsewhere;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixTranslation(&elsewhere, 5, 5, 5);
    device->SetTransform(D3DTS_WORLD, &elsewhere);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(file.Render(device, &identity), S_OK);
    device->EndScene();
    const auto px = Pixels();
    ExpectColour(At(px, kWidth / 4, kHeight * 7 / 10), 0xFF0000);
    ExpectColour(At(px, kWidth / 4, kHeight / 5), 0x000000);
    ExpectColour(At(px, kWidth * 3 / 4, kHeight / 5), 0x0000FF);
    ExpectColour(At(px, kWidth * 3 / 4, kHeight * 7 / 10), 0x000000);
    SaveOnFailure(px, "mesh_siblings");
    D3DXMATRIX world;
    device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(world, identity);
    device->SetTransform(D3DTS_WORLD, &identity);
}

TEST_F(MeshTest, FileLoadsFromTheExecutablesResources)
{
    const std::string text = std::string("xof 0303txt 0032\nFrame Packed { ") + MeshText("Tri", false) + "}\n";
    host::RegisterResource("", "XFILE", "CUBE", std::vector<uint8_t>(text.begin(), text.end()));
    CD3DMeshFile file;
    ASSERT_EQ(file.LoadFromResource(device, "CUBE", "XFILE"), S_OK);
    CD3DMesh* tri = file.FindMeshByName("tri");
    ASSERT_NE(tri, nullptr);
    EXPECT_EQ(tri->GetSysMemMesh()->GetNumVertices(), 3u);
    CD3DMeshFile absent;
    EXPECT_TRUE(FAILED(absent.LoadFromResource(device, "NONE", "XFILE")));
    EXPECT_EQ(absent.m_pChild, nullptr);
}

TEST_F(MeshTest, FileLoadFailures)
{
    CD3DMeshFile absent;
    EXPECT_TRUE(FAILED(absent.LoadFromFile(device, "core5_absent.x")));

    // A second mesh in one frame ends the load; what came before stays.
    const std::string text = "xof 0303txt 0032\nFrame Early { }\nFrame Twice {\n" + MeshText("A", false) +
                             MeshText("B", false) + "}\nFrame Late { }\n";
    WriteFile("core5_twice.x", text);
    CD3DMeshFile file;
    EXPECT_EQ(file.LoadFromFile(device, "core5_twice.x"), E_FAIL);
    EXPECT_NE(file.FindFrameByName("Early"), nullptr);
    ASSERT_NE(file.FindFrameByName("Twice"), nullptr);
    EXPECT_NE(file.FindMeshByName("A"), nullptr);
    EXPECT_EQ(file.FindMeshByName("B"), nullptr);
    EXPECT_EQ(file.FindFrameByName("Late"), nullptr);

    // Damaged files fail cleanly and leave the tree usable.
    const std::string damaged[] = {
        "xof 0303txt 0032\nFrame A { Frame B { Mesh M { 3; 0;0;0;, 1;0;0;",
        std::string("xof 0303bin 0032\x01\x00\xff\xff\xff\x7f", 22),
        "not an x file at all",
    };
    for (const std::string& bytes : damaged) {
        WriteFile("core5_damaged.x", bytes);
        CD3DMeshFile broken;
        EXPECT_TRUE(FAILED(broken.LoadFromFile(device, "core5_damaged.x"))) << bytes;
        broken.RestoreDeviceObjects(device);
        std::vector<std::string> names;
        broken.ForEachMesh(CollectName, &names);
        EXPECT_EQ(broken.Destroy(), S_OK);
        EXPECT_EQ(broken.m_pChild, nullptr);
    }
    // A short transform matrix is not copied past its end.
    WriteFile("core5_short.x", "xof 0303txt 0032\nFrame A { FrameTransformMatrix { 1,2,3;; } }\n");
    CD3DMeshFile shortMatrix;
    if (SUCCEEDED(shortMatrix.LoadFromFile(device, "core5_short.x"))) {
        ASSERT_NE(shortMatrix.m_pChild, nullptr);
        EXPECT_FLOAT_EQ(shortMatrix.m_pChild->m_mat._11, 1.0f);
        EXPECT_FLOAT_EQ(shortMatrix.m_pChild->m_mat._12, 0.0f);
    }
}

} // namespace

namespace {

using TextureUtil = MeshTest;

TEST_F(TextureUtil, CreateTextureFindsTheFileAndKeepsTheFormat)
{
    IDirect3DTexture8* src = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &src), D3D_OK);
    ASSERT_EQ(D3DXSaveTextureToFileA("core5_tex.bmp", D3DXIFF_BMP, src, nullptr), D3D_OK);
    src->Release();

    char name[] = "core5_tex.bmp";
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(D3DUtil_CreateTexture(device, name, &tex, D3DFMT_A4R4G4B4), D3D_OK);
    ASSERT_NE(tex, nullptr);
    D3DSURFACE_DESC desc{};
    tex->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A4R4G4B4);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_GT(tex->GetLevelCount(), 1u); // a full chain
    tex->Release();

    char missing[] = "core5_missing.bmp";
    tex = nullptr;
    EXPECT_TRUE(FAILED(D3DUtil_CreateTexture(device, missing, &tex)));
    EXPECT_EQ(tex, nullptr);
}

} // namespace
