// The skinning sample client: builds the engine in a window of its own, makes
// a skinned arm of eight bones in memory, writes its "MESHDATA" chunk and
// reads it back, and draws it curling in three poses side by side: skinned
// in software on the left, by the lit skinning vertex shader (directional
// light) in the middle, by the unlit one on the right. The arm's colours are
// in its two textures and its materials are white, because the shader paths
// light with the constants alone: so the three arms match. Saves the last
// presented frame as out/skinning.png.
#include <cmath>
#include <cstdio>
#include <vector>

#include <kestu.h>
#include <host/host.h>
#include <ou_archive.h>
#include <ou_file.h>

#include "../common/sample_engine.h"

namespace {

using namespace Kestu;

const char kPngPath[] = "out/skinning.png";
constexpr int kBones = 8;
constexpr int kRings = 24;
constexpr int kSegments = 16;

struct Vertex {
    float x, y, z, nx, ny, nz;
    DWORD colour;
    float u, v;
};

// An arm along y from 0 to 2, tapering, each vertex bound to the two bones
// nearest to it; triangles of the upper half use the second material.
CMeshDataBase* MakeArm()
{
    std::vector<Vertex> vertices;
    std::vector<DWORD> bones;
    std::vector<float> weights;
    for (int r = 0; r < kRings; ++r) {
        const float t = float(r) / float(kRings - 1);
        const float radius = 0.22f - 0.12f * t;
        const float at = t * float(kBones - 1);
        const int lower = std::min(int(at), kBones - 2);
        const float f = at - float(lower);
        for (int s = 0; s < kSegments; ++s) {
            const float a = 6.2831853f * float(s) / float(kSegments);
            vertices.push_back({radius * std::cos(a), 2.0f * t, radius * std::sin(a), std::cos(a), 0.0f, std::sin(a),
                                0xFFFFFFFF, float(s) / float(kSegments), t});
            bones.push_back(DWORD(lower));
            bones.push_back(DWORD(lower + 1));
            weights.push_back(1.0f - f);
            weights.push_back(f);
        }
    }
    std::vector<WORD> indices;
    std::vector<DWORD> materials;
    for (int r = 0; r + 1 < kRings; ++r)
        for (int s = 0; s < kSegments; ++s) {
            const WORD a = WORD(r * kSegments + s), b = WORD(r * kSegments + (s + 1) % kSegments);
            for (WORD i : {a, b, WORD(a + kSegments), b, WORD(b + kSegments), WORD(a + kSegments)})
                indices.push_back(i);
            materials.insert(materials.end(), 2, r < kRings / 2 ? 0u : 1u);
        }
    CMeshDataDynamic* arm = new CMeshDataDynamic();
    arm->SetVertexStride(sizeof(Vertex));
    arm->SetVertexFVF(0x152);
    arm->SetVerticesNum(DWORD(vertices.size()));
    arm->SetIndicesNum(DWORD(indices.size()));
    arm->SetIndexFormat(D3DFMT_INDEX16);
    arm->SetPrimitiveCount(DWORD(indices.size() / 3));
    arm->SetVertexData(reinterpret_cast<const char*>(vertices.data()), DWORD(vertices.size() * sizeof(Vertex)));
    arm->SetIndexData(reinterpret_cast<const char*>(indices.data()), DWORD(indices.size() * 2));
    arm->SetBonesPerVertex(2);
    arm->SetVerInfluneceBuf(bones.data(), DWORD(bones.size()));
    arm->SetVerWeightBuf(weights.data(), DWORD(weights.size()));
    arm->SetPrimitiveMaterialList(materials.data());
    for (int i = 0; i < 2; ++i) {
        CMaterialData m;
        m.mtl.Diffuse = m.mtl.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
        m.dwBlendMode = 0;
        arm->AddMaterial(&m);
    }
    // Writing settles the winding and the material subsets; the arm is then
    // read back as a client would load it.
    arm->SetConverCoord(0);
    COUMemFile out;
    out.Open(nullptr, OU_FILE_CREATE);
    DWORD count = 0;
    {
        COUArchive ar(&out, OU_ARCHIVE_STORE);
        arm->Serialize(2, 1, ar, count, 1, 1, 0);
    }
    arm->Release();
    COUMemFile in(out.GetBuffer().data(), out.GetBuffer().size());
    in.Open(nullptr, OU_FILE_READ);
    COUArchive ar(&in, OU_ARCHIVE_LOAD);
    count = 0;
    return ReadMeshDataChunk(ar, count, 2, 1, 1, 0);
}

// A texture of the colour in rings along the arm (v), every other one darker.
IDirect3DTexture8* RingTexture(IDirect3DDevice8* device, DWORD colour)
{
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(4, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture))) return nullptr;
    D3DLOCKED_RECT r;
    if (FAILED(texture->LockRect(0, &r, nullptr, 0))) {
        texture->Release();
        return nullptr;
    }
    for (int y = 0; y < 64; ++y) {
        const DWORD scale = (y / 4) % 2 ? 220 : 255;
        DWORD texel = 0xFF000000;
        for (int shift : {16, 8, 0}) texel |= (((colour >> shift) & 0xFF) * scale / 255) << shift;
        for (int x = 0; x < 4; ++x) reinterpret_cast<DWORD*>(static_cast<BYTE*>(r.pBits) + y * r.Pitch)[x] = texel;
    }
    texture->UnlockRect(0);
    return texture;
}

// Bone b turns about z at its joint by `curl` more than the bone below it.
void Pose(float curl, std::vector<CSkAniBone>& bones, std::vector<D3DXMATRIX>& offsets)
{
    D3DXMATRIX chain;
    D3DXMatrixIdentity(&chain);
    for (int b = 0; b < kBones; ++b) {
        const float y = 2.0f * float(b) / float(kBones - 1);
        D3DXMATRIX down, turn, up;
        D3DXMatrixTranslation(&down, 0, -y, 0);
        D3DXMatrixRotationZ(&turn, curl);
        D3DXMatrixTranslation(&up, 0, y, 0);
        chain = down * turn * up * chain;
        bones[b].SetRootMatrix(&chain);
        D3DXMatrixIdentity(&offsets[b]);
    }
}

class CSkinningScene : public CKestuDevObjMng {
public:
    HRESULT InitDeviceObjects(IDirect3DDevice8*) override { return S_OK; }
    HRESULT ActivateDeviceObjects() override { return S_OK; }
    HRESULT InvalidateDeviceObjects() override { return S_OK; }

    HRESULT Build(IDirect3DDevice8* device)
    {
        m_pDevice = device;
        m_Manager.Build(device);
        m_pArm = MakeArm();
        if (!m_pArm) return E_FAIL;
        const DWORD colours[2] = {0xFFFFBF8C, 0xFF8CCCFF};
        for (DWORD m = 0; m < 2; ++m) {
            IDirect3DTexture8* texture = RingTexture(device, colours[m]);
            if (!texture) return E_FAIL;
            m_pArm->GetMaterialByID(m)->SetTexture(texture);
            texture->Release();
        }
        for (CMeshDataRef& ref : m_Refs) {
            const long hr = ref.Build(device, m_pArm);
            if (hr < 0) return hr;
        }
        m_pArm->SetMeshDataMng(&m_Manager);
        m_Bones.resize(kBones);
        m_Offsets.resize(kBones);
        m_Palette.resize(kBones);
        for (CSkAniBone& bone : m_Bones) m_Pointers.push_back(&bone);
        if (m_Manager.SetSkeletonRenderPath(KESTU_SKLPATH_VS_LIGHT) == 1)
            m_pArm->BuildVsVertexBuffer(device, m_Pointers.data(), kBones);
        return S_OK;
    }

    void Release()
    {
        for (CMeshDataRef& ref : m_Refs) {
            ref.Release();
            ref.SetMeshData(nullptr);
        }
        m_Manager.Release();
    }

    // The constants a skeleton writes for the shader paths (one directional light).
    void ShaderConstants(int path, const D3DXMATRIX& world)
    {
        float* c = m_Manager.GetVsConstantBuffer();
        auto put = [&](int reg, float x, float y, float z, float w) {
            c[4 * reg] = x;
            c[4 * reg + 1] = y;
            c[4 * reg + 2] = z;
            c[4 * reg + 3] = w;
        };
        D3DXMATRIX clip = world * m_View * m_Proj, t, inverse;
        D3DXMatrixTranspose(&t, &clip);
        put(0, path == KESTU_SKLPATH_VS ? 0.0f : 1.0f, 1, 2, 0);
        for (int r = 0; r < 4; ++r) put(1 + r, t.m[r][0], t.m[r][1], t.m[r][2], t.m[r][3]);
        put(5, 0.25f, 0.25f, 0.3f, 1);
        D3DXMatrixInverse(&inverse, nullptr, &world);
        for (int r = 0; r < 3; ++r) put(9 + r, inverse.m[r][0], inverse.m[r][1], inverse.m[r][2], 0);
        put(12, 0.9f, 0.85f, 0.8f, 1);
        const D3DXVECTOR3 towards(-0.4f, 0.5f, -0.75f);
        D3DXVECTOR3 n;
        D3DXVec3Normalize(&n, &towards);
        put(13, n.x, n.y, n.z, 0);
    }

    HRESULT Render(int frame)
    {
        IDirect3DDevice8* d = m_pDevice;
        const D3DXVECTOR3 eye(0.2f, 1.1f, -4.4f), at(0.2f, 1.0f, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&m_View, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&m_Proj, 0.8f, 4.0f / 3.0f, 0.1f, 20.0f);
        d->SetTransform(D3DTS_VIEW, &m_View);
        d->SetTransform(D3DTS_PROJECTION, &m_Proj);
        D3DLIGHT8 sun{};
        sun.Type = D3DLIGHT_DIRECTIONAL;
        sun.Diffuse = {0.9f, 0.85f, 0.8f, 1.0f};
        sun.Direction = {0.4f, -0.5f, 0.75f};
        d->SetLight(0, &sun);
        d->LightEnable(0, TRUE);
        d->SetRenderState(D3DRS_AMBIENT, 0xFF40404C);
        d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
        d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
        d->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        m_pArm->EnableNormalCalc(1);

        const int paths[3] = {KESTU_SKLPATH_SOFTWARE, KESTU_SKLPATH_VS_LIGHT, KESTU_SKLPATH_VS};
        const bool shaders = m_pArm->IsBuildVSMode() != 0;
        for (int i = 0; i < 3; ++i) {
            const int path = shaders ? paths[i] : KESTU_SKLPATH_SOFTWARE;
            CMeshDataMng::ChangeRenderPath(path, nullptr);
            d->SetRenderState(D3DRS_LIGHTING, path != KESTU_SKLPATH_VS);
            Pose(0.08f + 0.05f * float(i) + 0.02f * float(frame), m_Bones, m_Offsets);
            D3DXMATRIX world;
            D3DXMatrixTranslation(&world, -1.0f + 1.6f * float(i), 0, 0);
            d->SetTransform(D3DTS_WORLD, &world);
            D3DXMATRIX* palette = path == KESTU_SKLPATH_SOFTWARE ? nullptr : m_Palette.data();
            if (palette) ShaderConstants(path, world);
            m_pArm->Deform(m_Pointers.data(), kBones, m_Offsets.data(), palette, m_Refs[i].GetVertexBuffer());
            m_Refs[i].Render(palette);
        }
        CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_SOFTWARE, nullptr);
        return S_OK;
    }

    int Shaders() const { return m_pArm && m_pArm->IsBuildVSMode(); }

private:
    IDirect3DDevice8* m_pDevice = nullptr;
    CMeshDataMng m_Manager;
    CMeshDataBase* m_pArm = nullptr;
    CMeshDataRef m_Refs[3];
    std::vector<CSkAniBone> m_Bones;
    std::vector<CSkAniBone*> m_Pointers;
    std::vector<D3DXMATRIX> m_Offsets;
    std::vector<D3DXMATRIX> m_Palette;
    D3DXMATRIX m_View, m_Proj;
};

} // namespace

int main()
{
    CSkinningScene scene;
    if (FAILED(sample::BuildEngine(&scene, "skinning", "Kestu Skinning"))) return 1;
    int status = SUCCEEDED(scene.Build(Kestu_GetDevice())) ? 0 : 1;
    if (status != 0) std::fprintf(stderr, "skinning: the scene could not be built\n");
    for (int frame = 0; frame < 3 && status == 0; ++frame)
        if (FAILED(sample::Frame("skinning", frame, 0xFF283038u, [&] { return scene.Render(frame); }))) status = 1;
    if (status == 0 && !sample::SavePicture("skinning", kPngPath)) status = 1;
    const int shaders = scene.Shaders();
    scene.Release();
    Kestu_Release();
    if (status == 0)
        std::printf("skinning: wrote %s (%s)\n", kPngPath,
                    shaders ? "software and shader skinning" : "software skinning");
    return status;
}
