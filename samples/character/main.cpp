// The skeletal-character sample client. `character assets <folder>` makes
// the sample character (a dozen bones under a root helper, a body and an arms
// skin, a walk and a wave) with the engine's object model and writes it with
// the engine's own Export as <folder>/hero.skl, .msd, .act and .mtl, with
// the three small textures its materials name. `character render <folder>
// <png>` builds the engine, imports the character through a mesh-data
// manager on the best skinning render path the device offers and draws three
// playing instances of the one skeleton (walking, waving, walking half a
// step later), each with a sword in its right hand whose edge leaves a ribbon
// trail: a trail emitter per instance holds the hand's matrices over every
// frame of both clips, and the playing instance keeps it in step through its
// frame callback. The last presented frame is saved as <png>.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <kestu.h>
#include <kestu_safefile.h>
#include <host/host.h>

#include "../common/sample_character.h"
#include "../common/sample_engine.h"
#include "../common/sample_sword.h"

namespace {

using namespace Kestu;

// The sword in the right hand, in the forearm's space (centimetres, the
// forearm running from its elbow at the origin to the hand at x = -26): the
// blade carries on past the fist, half a hand's breadth wide.
const char kSwordBone[] = "r_forearm";
const D3DXVECTOR3 kHilt(-24.0f, 0.0f, 0.0f), kTip(-88.0f, -40.0f, 0.0f), kBladeHalfWidth(0.0f, 0.0f, 2.5f);

// An 8 x 8 24-bit BMP of two shades in a checker of 2 x 2 pixels.
bool WriteChecker(const std::string& path, DWORD a, DWORD b)
{
    const int side = 8, row = side * 3, size = 54 + row * side;
    std::vector<unsigned char> bmp(size, 0);
    auto put32 = [&](int at, DWORD v) {
        for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, side);
    put32(22, side);
    bmp[26] = 1;
    bmp[28] = 24;
    put32(34, row * side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const DWORD c = ((x / 2 + y / 2) % 2) ? a : b;
            unsigned char* p = &bmp[54 + y * row + x * 3];
            p[0] = c & 0xFF;
            p[1] = (c >> 8) & 0xFF;
            p[2] = (c >> 16) & 0xFF;
        }
    return kestu::SafeReplaceFile(path.c_str(), bmp.data(), bmp.size());
}

int Assets(const std::string& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    CSkeleton hero;
    samplechar::Build(samplechar::Character(), hero);
    const long hr = hero.Export((folder + "/hero").c_str(), 0, KESTU_SKL_ALL);
    hero.Release();
    if (hr < 0) {
        std::fprintf(stderr, "character: cannot write %s/hero: 0x%08X\n", folder.c_str(), unsigned(hr));
        return 1;
    }
    if (!WriteChecker(folder + "/shirt.bmp", 0x3D6FD8, 0x2F59B8) ||
        !WriteChecker(folder + "/trousers.bmp", 0x5A4C3E, 0x4A3E32) ||
        !WriteChecker(folder + "/skin.bmp", 0xF2C29A, 0xE8B48C)) {
        std::fprintf(stderr, "character: cannot write the textures in %s\n", folder.c_str());
        return 1;
    }
    std::printf("character: wrote %s/hero.skl, .msd, .act, .mtl and three textures\n", folder.c_str());
    return 0;
}

const char* PathName(int path)
{
    switch (path) {
    case KESTU_SKLPATH_SOFTWARE: return "software skinning";
    case KESTU_SKLPATH_VS: return "vertex shader, unlit";
    case KESTU_SKLPATH_VS_LIGHT: return "vertex shader, directional light";
    case KESTU_SKLPATH_VS_POINTLIGHTS: return "vertex shader, point lights";
    case KESTU_SKLPATH_VS_PS: return "vertex and pixel shader";
    case KESTU_SKLPATH_VS_PS_POINTLIGHTS: return "vertex and pixel shader, point lights";
    default: return "material path";
    }
}

class CCharacterScene : public CKestuDevObjMng {
public:
    HRESULT InitDeviceObjects(IDirect3DDevice8*) override { return S_OK; }
    HRESULT ActivateDeviceObjects() override { return S_OK; }
    HRESULT InvalidateDeviceObjects() override { return S_OK; }

    HRESULT Build(IDirect3DDevice8* device, const std::string& folder)
    {
        m_pDevice = device;
        m_Manager.Build(device);
        m_Manager.SetSkeletonRenderPath(m_Manager.EnumSkeletonSupportRenderPath());
        m_Manager.SetTexturePath((folder + "/").c_str());
        m_Hero.SetMeshManager(&m_Manager);
        const long hr = m_Hero.Import((folder + "/hero").c_str(), 0, KESTU_SKL_ALL);
        if (hr < 0) {
            std::fprintf(stderr, "character: cannot read %s/hero: 0x%08X\n", folder.c_str(), unsigned(hr));
            return hr;
        }
        // Normals follow the bones when the vertices are skinned in software.
        CSkeleton::SkinMap::const_iterator it;
        for (CSkAniSkin* skin = m_Hero.FirstSkin(it); skin; skin = m_Hero.NextSkin(it)) skin->EnableNormalCalc(1);
        m_Hero.Build(device);
        const D3DXVECTOR3 towards(0.45f, 0.75f, -0.5f);
        D3DXVECTOR3 n;
        D3DXVec3Normalize(&n, &towards);
        m_Hero.SetVSAmbientLight(0xFF505868);
        m_Hero.SetVSDirLight(0.95f, 0.9f, 0.8f, n.x, n.y, n.z);
        m_Hero.EnableLightNum(1);
        m_Hero.SetVSPointLight(0, 0.9f, 0.5f, 0.2f, 6.0f, 2.2f, 1.2f, -1.5f);
        sample::BladeTrailLook(m_Strategy, device);
        const DWORD actions[3] = {0, 1, 0};
        for (int i = 0; i < 3; ++i) {
            CSkeletonAni& ani = m_Players[i];
            ani.BuildFromSkeleton(&m_Hero);
            D3DXMATRIX at, turn;
            D3DXMatrixRotationY(&turn, i == 1 ? 0.0f : 1.2f - 0.9f * float(i));
            D3DXMatrixTranslation(&at, -1.25f + 1.25f * float(i), 0, 0);
            at = turn * at;
            ani.SetTransform(&at);

            ITrail_Emitter& sword = m_Swords[i];
            sword.AddOutlineSegment(&kHilt, &kTip, 0.0f, 1.0f);
            m_Tracks[i] = sample::FollowBone(sword, m_Hero, kSwordBone, at);
            sword.Init(&m_Strategy);
            sword.Build();
            ani.RegisterCallBack("sword trail", &ITrail_Emitter::Synchronize, &sword);
            ani.SetCurrentAction(actions[i]);
            ani.Notify(KESTU_SKLANI_ACTION);
        }
        m_Players[2].FrameMoveE(0.4f);
        return S_OK;
    }

    HRESULT Render(float seconds)
    {
        IDirect3DDevice8* d = m_pDevice;
        D3DXMATRIX view, proj;
        const D3DXVECTOR3 eye(0, 1.25f, -4.6f), at(0, 0.9f, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&proj, 0.75f, 4.0f / 3.0f, 0.1f, 30.0f);
        d->SetTransform(D3DTS_VIEW, &view);
        d->SetTransform(D3DTS_PROJECTION, &proj);
        // The fixed-function light of the software path matches the shaders'.
        float r, g, b, x, y, z;
        m_Hero.GetVSDirLight(r, g, b, x, y, z);
        D3DLIGHT8 sun{};
        sun.Type = D3DLIGHT_DIRECTIONAL;
        sun.Diffuse = {r, g, b, 1};
        sun.Direction = {-x, -y, -z};
        d->SetLight(0, &sun);
        d->LightEnable(0, TRUE);
        d->SetRenderState(D3DRS_AMBIENT, m_Hero.GetVSAmbientLight());
        d->SetRenderState(D3DRS_LIGHTING, TRUE);
        d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        for (CSkeletonAni& ani : m_Players) {
            ani.FrameMoveE(seconds);
            ani.Render(d);
        }
        for (int i = 0; i < 3; ++i) {
            sample::DrawTrail(d, m_Swords[i]);
            const auto track = m_Tracks[i].find(m_Players[i].GetCurrentAction());
            if (track != m_Tracks[i].end() && m_Players[i].GetCurrentFrame() < track->second.size())
                sample::DrawBlade(d, track->second[m_Players[i].GetCurrentFrame()], kHilt, kTip, kBladeHalfWidth);
        }
        return S_OK;
    }

    void Release()
    {
        for (CSkeletonAni& ani : m_Players) ani.Release();
        for (ITrail_Emitter& sword : m_Swords) sword.Release();
        m_Hero.Release();
        m_Manager.Release();
    }

private:
    IDirect3DDevice8* m_pDevice = nullptr;
    CMeshDataMng m_Manager;
    CSkeleton m_Hero;
    CSkeletonAni m_Players[3];
    CTrail_Strategy m_Strategy{12};
    ITrail_Emitter m_Swords[3];
    sample::BoneTracks m_Tracks[3];
};

int Render(const std::string& folder, const std::string& png)
{
    CCharacterScene scene;
    if (FAILED(sample::BuildEngine(&scene, "character", "Kestu Character"))) return 1;
    HRESULT hr = scene.Build(Kestu_GetDevice(), folder);
    for (int frame = 0; frame < 12 && SUCCEEDED(hr); ++frame)
        hr = sample::Frame("character", frame, 0xFF20283A, [&] { return scene.Render(1.0f / 30.0f); });
    int status = FAILED(hr) ? 1 : 0;
    if (status == 0 && !sample::SavePicture("character", png.c_str())) status = 1;
    const int path = CMeshDataMng::GetSkeletonRenderPath();
    scene.Release();
    Kestu_Release();
    if (status == 0) std::printf("character: wrote %s (render path %d: %s)\n", png.c_str(), path, PathName(path));
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "assets" && argc == 3) return Assets(argv[2]);
    if (mode == "render" && argc == 4) return Render(argv[2], argv[3]);
    std::fprintf(stderr, "usage: character assets <folder>\n       character render <folder> <png>\n");
    return 2;
}
