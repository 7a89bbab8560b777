// Choosing the skinning render path from the device's capabilities, and the shaders.
#include "model_fixture.h"

namespace {

using namespace modeltest;

struct Caps {
    DWORD vs;
    DWORD ps;
    DWORD textures;
};

void Offer(const Caps& c)
{
    host::D3D8SetCapsFilter([c](D3DDEVTYPE, D3DCAPS8& caps) {
        caps.VertexShaderVersion = c.vs;
        caps.PixelShaderVersion = c.ps;
        caps.MaxSimultaneousTextures = c.textures;
    });
}

class RenderPaths : public ModelDevice {
protected:
    // The manager built on the device, on a path it must take.
    static void Choose(CMeshDataMng& m, int path)
    {
        m.Build(device);
        ASSERT_EQ(m.SetSkeletonRenderPath(path), 1);
    }
    // The mesh built through a handle and told its manager.
    static void Attach(CMeshDataBase* mesh, CMeshDataRef& ref, CMeshDataMng& m)
    {
        ASSERT_EQ(ref.Build(device, mesh), 0);
        mesh->SetMeshDataMng(&m);
    }
    static std::vector<D3DXMATRIX> Identities(size_t n)
    {
        std::vector<D3DXMATRIX> palette(n);
        for (D3DXMATRIX& p : palette) D3DXMatrixIdentity(&p);
        return palette;
    }
};

TEST_F(RenderPaths, TheMaskFollowsTheShaderVersions)
{
    struct Case {
        Caps caps;
        int mask;
    };
    const Case cases[] = {
        {{D3DVS_VERSION(1, 1), D3DPS_VERSION(1, 4), 8}, 0x3F},
        {{D3DVS_VERSION(1, 1), 0, 8}, 0x0F},
        {{D3DVS_VERSION(1, 0), D3DPS_VERSION(1, 1), 8}, 0x01},
        {{D3DVS_VERSION(2, 0), D3DPS_VERSION(1, 1), 8}, 0xFF},
        {{D3DVS_VERSION(2, 0), 0, 8}, 0xCF},
        {{D3DVS_VERSION(2, 0), D3DPS_VERSION(1, 1), 2}, 0x01},
        {{D3DVS_VERSION(1, 1), D3DPS_VERSION(1, 1), 3}, 0x3F},
    };
    CMeshDataMng m;
    EXPECT_EQ(m.EnumSkeletonSupportRenderPath(), 1) << "no device";
    m.Build(device);
    for (const Case& c : cases) {
        Offer(c.caps);
        EXPECT_EQ(m.EnumSkeletonSupportRenderPath(), c.mask) << std::hex << c.caps.vs << " " << c.caps.ps;
        EXPECT_EQ(CMeshDataMng::GetSklAniMaxConstantRegisterCount(), 256);
    }
    Offer({D3DVS_VERSION(2, 0), D3DPS_VERSION(1, 1), 8});
    host::D3D8SetVertexShaderConstants(255);
    EXPECT_EQ(m.EnumSkeletonSupportRenderPath(), 1);
    EXPECT_EQ(CMeshDataMng::GetSklAniMaxConstantRegisterCount(), 255);
}

TEST_F(RenderPaths, TheFirstAllowedPathOfTheOrderIsTaken)
{
    CMeshDataMng m;
    m.Build(device);
    EXPECT_EQ(m.SetSkeletonRenderPath(0xFF), 0);
    EXPECT_EQ(CMeshDataMng::GetSkeletonRenderPath(), 32);
    EXPECT_EQ(CMeshDataMng::GetSkinMaxContainBones(), 59);
    ASSERT_NE(m.GetVsConstantBuffer(), nullptr);
    EXPECT_EQ(m.GetVsConstantRegisters(), 256u);
    EXPECT_EQ(m.SetSkeletonRenderPath(32), 1);
    EXPECT_EQ(m.SetSkeletonRenderPath(2), 1);
    EXPECT_EQ(CMeshDataMng::GetSkinMaxContainBones(), 62);
    EXPECT_EQ(m.SetSkeletonRenderPath(64 | 8), 0);
    EXPECT_EQ(CMeshDataMng::GetSkeletonRenderPath(), 8);
    EXPECT_EQ(m.SetSkeletonRenderPath(64 | 1), 0);
    EXPECT_EQ(CMeshDataMng::GetSkeletonRenderPath(), 1);
    EXPECT_EQ(CMeshDataMng::GetSkinMaxContainBones(), 59) << "no match leaves the limit";

    Offer({D3DVS_VERSION(2, 0), D3DPS_VERSION(1, 1), 8});
    EXPECT_EQ(m.SetSkeletonRenderPath(64), 0);
    EXPECT_EQ(CMeshDataMng::GetSkeletonRenderPath(), 1) << "64 alone changes nothing";
    EXPECT_EQ(m.SetSkeletonRenderPath(64 | 1), 0);
    EXPECT_EQ(CMeshDataMng::GetSkeletonRenderPath(), 64);
    EXPECT_EQ(CMeshDataMng::GetSkinMaxContainBones(), 59);
    EXPECT_EQ(m.SetSkeletonRenderPath(128 | 1), 0);
    EXPECT_EQ(CMeshDataMng::GetSkeletonRenderPath(), 128);
    EXPECT_EQ(CMeshDataMng::GetSkinMaxContainBones(), 56);
}

TEST_F(RenderPaths, EveryShaderIsMadeOnAShaderPathAndNoneOnTheSoftwarePath)
{
    CMeshDataMng m;
    m.Build(device);
    ASSERT_EQ(m.SetSkeletonRenderPath(KESTU_SKLPATH_VS_PS_POINTLIGHTS), 1);
    const DWORD handles[] = {m.GetVs101Shader(),
                             m.GetVs101Shader_8(),
                             m.GetVs101Shader_Light(),
                             m.GetVs101Shader_Light_8(),
                             m.GetVs101Shader_Light_P(),
                             m.GetVs101Shader_Light_P_8(),
                             m.GetVs101Shader_Light_P2(),
                             m.GetVs101Shader_Light_P2_8(),
                             m.GetVs_PsShader_Light(),
                             m.GetVs_PsShader_Light_8(),
                             m.GetVs_PsShader_Light_PS(),
                             m.GetVs_PsShader_Light_P(),
                             m.GetVs_PsShader_Light_P_8(),
                             m.GetVs_PsShader_Light_P2(),
                             m.GetVs_PsShader_Light_P2_8(),
                             m.GetVs_PsShader_Light_PS_P(),
                             m.GetVs_2000_Material(),
                             m.GetVs_2000_Material_8(),
                             m.GetVs_2000_Material_P(),
                             m.GetVs_2000_Material_P_8()};
    for (size_t i = 0; i < std::size(handles); ++i) EXPECT_NE(handles[i], 0u) << i;
    EXPECT_EQ(m.GetVertexDeclVS0101(), 0u);
    // Another vertex layout gets shaders of its own, made when first asked for.
    const DWORD other = m.GetSkinVertexShader(SKIN_VS101_LIGHT, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_NE(other, 0u);
    EXPECT_NE(other, m.GetVs101Shader_Light());
    EXPECT_EQ(m.GetSkinVertexShader(SKIN_VS101_LIGHT, 0x152), m.GetVs101Shader_Light());

    ASSERT_EQ(m.SetSkeletonRenderPath(KESTU_SKLPATH_SOFTWARE), 1);
    for (DWORD h : {m.GetVs101Shader(), m.GetVs_PsShader_Light_PS(), m.GetVs_2000_Material_P_8()}) EXPECT_EQ(h, 0u);
    EXPECT_EQ(m.GetSkinVertexShader(SKIN_VS101_LIGHT, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), 0u);
    CMeshDataMng unbuilt;
    EXPECT_EQ(unbuilt.Restore(), E_FAIL);
}

TEST_F(RenderPaths, ACopiedManagerMakesItsOwnShaders)
{
    auto m = std::make_unique<CMeshDataMng>();
    m->Build(device);
    ASSERT_EQ(m->SetSkeletonRenderPath(KESTU_SKLPATH_VS_LIGHT), 1);
    CMeshDataMng copy(*m);
    EXPECT_NE(copy.GetVs101Shader_Light(), 0u);
    EXPECT_NE(copy.GetVs101Shader_Light(), m->GetVs101Shader_Light());
    EXPECT_NE(copy.GetVsConstantBuffer(), m->GetVsConstantBuffer());
    m.reset();
    EXPECT_EQ(device->SetVertexShader(copy.GetVs101Shader_Light()), D3D_OK);
    device->SetVertexShader(D3DFVF_XYZ);
}

TEST_F(RenderPaths, PassesFailWithoutAPaletteOrRoom)
{
    CMeshDataMng m;
    Choose(m, KESTU_SKLPATH_VS_LIGHT);
    CMeshDataDynamic* mesh = new CMeshDataDynamic();
    FillTube(*mesh, {4, 4, 6, 4, 1});
    CMeshDataRef ref;
    Attach(mesh, ref, m);
    ASSERT_EQ(mesh->BuildVsVertexBuffer(device, nullptr, 6), 1);
    std::vector<D3DXMATRIX> palette = Identities(6);
    device->SetVertexShader(D3DFVF_XYZ);
    EXPECT_EQ(mesh->RenderBeginPass(nullptr, 0, 0), E_FAIL);
    DWORD shader = 0;
    device->GetVertexShader(&shader);
    EXPECT_EQ(shader, DWORD(D3DFVF_XYZ)) << "nothing set";
    EXPECT_EQ(mesh->RenderBeginPass(palette.data(), 0, 0), D3D_OK);
    device->GetVertexShader(&shader);
    EXPECT_EQ(shader, m.GetVs101Shader_Light());
    EXPECT_EQ(mesh->RenderEndPass(), 0);

    // Bones the mesh names past its palette keep it off the shader path.
    mesh->GetVerInfluneceBuf()[0] = 9;
    EXPECT_EQ(mesh->BuildVsVertexBuffer(device, nullptr, 6), 0);
    EXPECT_EQ(mesh->IsBuildVSMode(), 0);
    // More bones than one draw may use likewise.
    mesh->GetVerInfluneceBuf()[0] = 0;
    EXPECT_EQ(mesh->BuildVsVertexBuffer(device, nullptr, 60), 0);
    // Nine bones a vertex too.
    mesh->SetBonesPerVertex(9);
    EXPECT_EQ(mesh->BuildVsVertexBuffer(device, nullptr, 6), 0);
}

// A mesh whose subsets can be moved, to start one inside a batch.
struct MovableSubsets : TestMesh {
    void SetSubset(DWORD i, DWORD firstIndex, DWORD faces)
    {
        m_subsetFirstIndex[i] = firstIndex;
        m_subsetFaceCount[i] = faces;
    }
};

TEST_F(RenderPaths, BatchedSubsetsDrawBatchByBatchFromTheFirstBatchStartInThem)
{
    CMeshDataMng m;
    Choose(m, KESTU_SKLPATH_VS_LIGHT);
    MovableSubsets* mesh = new MovableSubsets();
    FillTube(*mesh, {40, 6, 150, 4, 1});
    ASSERT_EQ(mesh->GernerateMaterialSet(), 0);
    ASSERT_EQ(mesh->SplitIdxToLimitBones(0), 0);
    const DWORD batches = mesh->GetBoneBatchNum(), faces = mesh->GetPrimitiveCount();
    ASSERT_GE(batches, 3u);
    CMeshDataRef ref;
    Attach(mesh, ref, m);
    ASSERT_EQ(mesh->BuildVsVertexBuffer(device, nullptr, 150), 1);
    std::vector<D3DXMATRIX> palette = Identities(150);

    auto draw = [&] {
        host::D3D8ResetCounters();
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(mesh->Render(palette.data(), 1), D3D_OK);
        device->EndScene();
        return host::D3D8GetCounters();
    };
    const host::D3D8Counters all = draw();
    EXPECT_EQ(all.drawCalls, batches);
    EXPECT_EQ(all.primitives, faces);
    // Starting one face into the first batch: that batch is left out.
    mesh->SetSubset(0, 3, faces - 1);
    const host::D3D8Counters later = draw();
    EXPECT_EQ(later.drawCalls, batches - 1);
    EXPECT_EQ(later.primitives, faces - mesh->GetBatchFirstFace(1));
    device->SetVertexShader(D3DFVF_XYZ);
}

// Reads the shader streams back.
struct StreamMesh : CMeshDataDynamic {
    template <class T>
    std::vector<T> Read(IDirect3DVertexBuffer8* vb)
    {
        D3DVERTEXBUFFER_DESC d{};
        vb->GetDesc(&d);
        BYTE* bits = nullptr;
        EXPECT_EQ(vb->Lock(0, 0, &bits, D3DLOCK_READONLY), D3D_OK);
        std::vector<T> out(reinterpret_cast<T*>(bits), reinterpret_cast<T*>(bits + d.Size));
        vb->Unlock();
        return out;
    }
    std::vector<float> Weights() { return Read<float>(m_pWeightStream.Get()); }
    std::vector<short> Offsets() { return Read<short>(m_pIndexStream[0].Get()); }
};

TEST_F(RenderPaths, TheShaderStreamsHoldWeightsAndPaletteOffsets)
{
    CMeshDataMng m;
    Choose(m, KESTU_SKLPATH_VS_LIGHT);
    for (DWORD perVertex : {3u, 5u}) {
        StreamMesh* mesh = new StreamMesh();
        FillTube(*mesh, {4, 4, 6, int(perVertex), 1});
        const DWORD n = mesh->GetVerticesNum(), p = perVertex <= 4 ? 4 : 8;
        // Vertex 0's second influence is faint; the last vertex duplicates vertex 5.
        mesh->GetVerWeightBuf()[1] = 0.0001f;
        std::vector<DWORD> redundant(n, 0xFFFFFFFF);
        redundant[n - 1] = 5;
        mesh->SetVertexRedundantBuf(redundant.data(), n);
        mesh->SetVertexRedundantNum(1);
        CMeshDataRef ref;
        ASSERT_EQ(ref.Build(device, mesh), 0);
        ASSERT_EQ(mesh->BuildVsVertexBuffer(device, nullptr, 6), 1);
        EXPECT_EQ(mesh->GetShaderStrideWeight(), 4 * p);
        EXPECT_EQ(mesh->GetShaderStrideIndex(), 2 * p);
        const std::vector<float> weights = mesh->Weights();
        const std::vector<short> offsets = mesh->Offsets();
        ASSERT_EQ(weights.size(), size_t(n) * p);
        ASSERT_EQ(offsets.size(), size_t(n) * p);
        for (DWORD v = 0; v < n; ++v) {
            const DWORD from = v == n - 1 ? 5 : v;
            for (DWORD i = 0; i < p; ++i) {
                const bool real = i < perVertex && !(v == 0 && i == 1);
                const float w = real ? mesh->GetVerWeightBuf()[from * perVertex + i] : 0.0f;
                const short o = real ? short(4 * mesh->GetVerInfluneceBuf()[from * perVertex + i]) : 0;
                EXPECT_EQ(weights[v * p + i], w) << v << " " << i;
                EXPECT_EQ(offsets[v * p + i], o) << v << " " << i;
            }
        }
    }
}

TEST_F(RenderPaths, EachPathPutsThePaletteAndMaterialAtItsRegisters)
{
    struct Case {
        int path;
        int base;
    };
    host::D3D8SetCapsFilter([](D3DDEVTYPE, D3DCAPS8& caps) { caps.VertexShaderVersion = D3DVS_VERSION(2, 0); });
    CMeshDataMng m;
    m.Build(device);
    CMeshDataDynamic* mesh = new CMeshDataDynamic();
    FillTube(*mesh, {4, 4, 3, 4, 1});
    D3DMATERIAL8& mtl = mesh->GetMaterialByID(0)->mtl;
    mtl.Diffuse = {0.1f, 0.2f, 0.3f, 1.0f};
    mtl.Specular = {0.4f, 0.5f, 0.6f, 1.0f};
    mtl.Power = 7.0f;
    CMeshDataRef ref;
    Attach(mesh, ref, m);
    std::vector<D3DXMATRIX> palette(3);
    for (DWORD b = 0; b < 3; ++b)
        for (int i = 0; i < 16; ++i) palette[b].m[i / 4][i % 4] = float(100 * b + i);
    for (const Case c : {Case{2, 5}, Case{4, 18}, Case{32, 18}, Case{64, 17}, Case{128, 32}}) {
        m.SetSkeletonRenderPath(c.path | 1);
        ASSERT_EQ(CMeshDataMng::GetSkeletonRenderPath(), c.path);
        ASSERT_EQ(mesh->BuildVsVertexBuffer(device, nullptr, 3), 1);
        float* k = m.GetVsConstantBuffer();
        std::fill(k, k + 4 * m.GetVsConstantRegisters(), -1.0f);
        device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
        ASSERT_EQ(mesh->RenderBeginPass(palette.data(), 0, 0), D3D_OK) << c.path;
        for (DWORD s = 0; s < 3; ++s) {
            const float* slot = k + 4 * (c.base + 4 * s);
            for (int i = 0; i < 12; ++i) EXPECT_EQ(slot[i], palette[s].m[i / 4][i % 4]) << c.path << " slot " << s;
            EXPECT_EQ(slot[12], c.path == 2 ? -1.0f : mesh->GetNormalSign(s)) << c.path;
        }
        const bool material = c.path == 64 || c.path == 128;
        DWORD specular = 2;
        device->GetRenderState(D3DRS_SPECULARENABLE, &specular);
        EXPECT_EQ(specular, material ? DWORD(TRUE) : DWORD(FALSE)) << c.path;
        if (material) {
            EXPECT_EQ(g_nSklPaletteBaseReg, c.base);
            const float c13[4] = {0.1f, 0.2f, 0.3f, 7.0f}, c14[3] = {0.4f, 0.5f, 0.6f};
            for (int i = 0; i < 4; ++i) EXPECT_EQ(k[13 * 4 + i], c13[i]);
            for (int i = 0; i < 3; ++i) EXPECT_EQ(k[14 * 4 + i], c14[i]);
        } else if (c.base == 18) {
            EXPECT_EQ(k[13 * 4], -1.0f) << "no material constants on path " << c.path;
        }
        mesh->RenderEndPass();
    }
    device->SetVertexShader(D3DFVF_XYZ);
}

} // namespace
