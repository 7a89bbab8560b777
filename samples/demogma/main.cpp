// GMA sample client, in two steps around kestu-gma and kestu-pack:
//   demogma assets FOLDER          writes banner.gma, a waving banner of 24
//                                  frames made in code and written by the
//                                  engine's GMA writer
//   demogma render LIB FOLDER PNG  builds the engine, writes the banner's two
//                                  textures into FOLDER, loads the mesh by id
//                                  from the mesh library LIB through a GMA mesh
//                                  manager and draws three players of it: the
//                                  first frame, the animation playing, and the
//                                  lowest level of detail as wire frame; saves
//                                  the presented frame as PNG
// scripts/demo.sh adds the level of detail (kestu-gma lod) and packs the
// library (kestu-pack) in between.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <host/host.h>
#include <kestu.h>

#include "../common/sample_engine.h"

namespace {

constexpr DWORD kBannerId = 1;
constexpr int kCols = 24, kRows = 12, kFrames = 24;
constexpr float kDuration = 2.0f;

// The banner hangs from a pole at x = 0 and waves more the further it reaches.
D3DXVECTOR3 BannerPoint(float x, float y, float phase)
{
    const float reach = x * x;
    return D3DXVECTOR3(1.6f * x, 1.0f - y, 0.38f * reach * std::sin(phase - 6.0f * x) + 0.08f * reach * y);
}

SGMAVertex BannerVertex(int col, int row, float phase)
{
    const float x = float(col) / kCols, y = float(row) / kRows, d = 0.01f;
    SGMAVertex v;
    v.p = BannerPoint(x, y, phase);
    // The normal from the surface's slopes along x and y, towards -z.
    const D3DXVECTOR3 dx = BannerPoint(x + d, y, phase) - v.p, dy = BannerPoint(x, y + d, phase) - v.p;
    D3DXVec3Cross(&v.n, &dx, &dy);
    D3DXVec3Normalize(&v.n, &v.n);
    v.diffuse = 0xFFFFFFFF;
    v.u = 2.0f * x;
    v.v = y;
    return v;
}

// Two materials: the half by the pole and the outer half, each with a vertex range of its own.
int Assets(const std::string& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    CGmaFile file;
    file.header.wMinorVersion = 4;
    file.header.fDuration = kDuration;
    file.header.SetLeftHandCoordSystem(TRUE);
    file.header.SetFrameShareMaterials(TRUE);
    const int half = kCols / 2;
    const char* textures[2] = {"banner_a.bmp", "banner_b.bmp"};
    for (int m = 0; m < 2; ++m) {
        SGmaMaterial mat;
        std::strcpy(mat.head.szTexture, textures[m]);
        mat.head.Material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        mat.head.Material.Ambient = {0.45f, 0.45f, 0.45f, 1.0f};
        const int base = m * (half + 1) * (kRows + 1);
        for (int c = 0; c < half; ++c)
            for (int r = 0; r < kRows; ++r) {
                const WORD a = WORD(base + c * (kRows + 1) + r), b = WORD(a + 1), n = WORD(a + kRows + 1),
                           e = WORD(n + 1);
                mat.faces.push_back({{a, n, b}});
                mat.faces.push_back({{b, n, e}});
            }
        file.sharedMaterials.push_back(mat);
    }
    for (int f = 0; f < kFrames; ++f) {
        SGmaFrame frame;
        frame.fPos = float(f) / kFrames;
        frame.wNumMaterials = 2;
        const float phase = 6.2831853f * frame.fPos;
        for (int m = 0; m < 2; ++m)
            for (int c = m * half; c <= (m + 1) * half; ++c)
                for (int r = 0; r <= kRows; ++r) frame.vertices.push_back(BannerVertex(c, r, phase));
        file.frames.push_back(frame);
    }
    const std::string path = folder + "/banner.gma";
    if (FAILED(file.Save(path.c_str()))) {
        std::fprintf(stderr, "demogma: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("demogma: wrote %s\n", path.c_str());
    return 0;
}

// A texture of the pixel function saved by D3DX as a BMP file.
template <class F>
bool SaveImage(IDirect3DDevice8* device, const std::string& path, F pixel)
{
    IDirect3DTexture8* t = nullptr;
    if (FAILED(device->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &t))) return false;
    D3DLOCKED_RECT lr{};
    bool ok = SUCCEEDED(t->LockRect(0, &lr, nullptr, 0));
    if (ok) {
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] = pixel(x, y);
        t->UnlockRect(0);
        ok = SUCCEEDED(D3DXSaveTextureToFileA(path.c_str(), D3DXIFF_BMP, t, nullptr));
    }
    t->Release();
    return ok;
}

bool SaveTextures(IDirect3DDevice8* device, const std::string& folder)
{
    const bool stripes = SaveImage(device, folder + "/banner_a.bmp",
                                   [](int, int y) -> DWORD { return (y / 8) % 2 ? 0xFFF0F0E8u : 0xFFC02030u; });
    const bool emblem = SaveImage(device, folder + "/banner_b.bmp", [](int x, int y) -> DWORD {
        const int dx = x - 32, dy = y - 32;
        return dx * dx + dy * dy < 15 * 15 ? 0xFFF8D030u : 0xFF203890u;
    });
    return stripes && emblem;
}

void SetUpScene(IDirect3DDevice8* d)
{
    const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
    D3DXMATRIX view, proj;
    const D3DXVECTOR3 eye(1.3f, 1.2f, -4.6f), at(0.2f, 0.55f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 4, float(back->Width) / float(back->Height), 0.1f, 100.0f);
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetTransform(D3DTS_PROJECTION, &proj);
    sample::SetSun(d, {1.0f, 1.0f, 0.95f, 1.0f}, {0.4f, -0.3f, 1.0f}, 0xFF606060u);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
}

// The banner with its left edge at x.
D3DXMATRIX Place(float x, float y)
{
    D3DXMATRIX m, s;
    D3DXMatrixScaling(&s, 0.8f, 0.8f, 0.8f);
    D3DXMatrixTranslation(&m, x, y, 0.0f);
    D3DXMatrixMultiply(&m, &s, &m);
    return m;
}

// Hands a lost device to the mesh library and the font.
class GmaDeviceObjects : public CKestuDevObjMng {
public:
    HRESULT InitDeviceObjects(IDirect3DDevice8*) override { return S_OK; }
    HRESULT ActivateDeviceObjects() override
    {
        HRESULT hr = meshes && meshes->IsBuilt() ? meshes->Restore() : S_OK;
        if (SUCCEEDED(hr) && font) hr = font->RestoreDeviceObjects();
        return hr;
    }
    HRESULT InvalidateDeviceObjects() override
    {
        if (font) font->InvalidateDeviceObjects();
        return meshes && meshes->IsBuilt() ? meshes->Invalidate() : S_OK;
    }

    CMeshAniMng* meshes = nullptr;
    CD3DFont* font = nullptr;
};

int Render(const std::string& library, const std::string& folder, const std::string& png)
{
    GmaDeviceObjects objects;
    KESTU_CONFIG cfg;
    cfg.pDevObjMng = &objects;
    cfg.hInstance = GetModuleHandleA(nullptr);
    cfg.bWindowed = TRUE;
    cfg.bUseDepthBuffer = TRUE;
    cfg.dwMinDepthBits = 16;
    cfg.eResolution = KESTU_RES_800X600;
    std::snprintf(cfg.szWindowTitle, sizeof cfg.szWindowTitle, "Kestu GMA");
    std::snprintf(cfg.szLogFile, sizeof cfg.szLogFile, "out/demogma.log");
    cfg.eLogLevel = 4;
    HRESULT hr = Kestu_Build(&cfg, nullptr);
    if (FAILED(hr)) {
        std::fprintf(stderr, "demogma: Kestu_Build failed: 0x%08X\n", unsigned(hr));
        return 1;
    }
    IDirect3DDevice8* device = Kestu_GetDevice();
    int status = 0;
    CMeshAniMng meshes;
    if (!SaveTextures(device, folder)) {
        std::fprintf(stderr, "demogma: cannot write the textures into %s\n", folder.c_str());
        status = 1;
    } else if (FAILED(hr = meshes.Build(device, library.c_str(), folder.c_str(), FALSE, 1.0f, nullptr, D3DPOOL_MANAGED,
                                        TRUE, FALSE, FALSE, FALSE, FALSE, 1, 4))) {
        std::fprintf(stderr, "demogma: cannot open the mesh library %s: 0x%08X\n", library.c_str(), unsigned(hr));
        status = 1;
    }
    // Level of detail is asked for before the mesh loads.
    if (!status && meshes.GetMeshData(kBannerId)) meshes.GetMeshData(kBannerId)->EnableLod(TRUE);
    CMeshAniData* banner = status ? nullptr : meshes.QueryMesh(kBannerId);
    if (!status && !banner) {
        std::fprintf(stderr, "demogma: mesh %u is not in %s\n", unsigned(kBannerId), library.c_str());
        status = 1;
    }
    CD3DFont font("Arial", 15, D3DFONT_BOLD);
    if (!status && (FAILED(font.InitDeviceObjects(device)) || FAILED(font.RestoreDeviceObjects()))) {
        std::fprintf(stderr, "demogma: no font\n");
        status = 1;
    }
    objects.meshes = &meshes;
    objects.font = &font;
    CMeshAni still, playing, coarse;
    if (!status) {
        still.Build(banner);
        playing.Build(banner);
        coarse.Build(banner);
        still.SetPosByFrame(0);
        playing.Play(0.0f, ANIPLAY_LOOP, TRUE, 0.0f);
        coarse.PlayInSpeed(0.0f, 0.7f, ANIPLAY_LOOP, TRUE, 0.0f);
    }
    // A few frames of a clock running at 15 frames per second.
    for (int frame = 0; !status && frame < 12; ++frame) {
        const float time = 0.066f * float(frame);
        playing.FrameMove(time);
        coarse.FrameMove(time);
        // The second frame begins with a lost device (see sample::Frame).
        if (frame == 1 && FAILED(sample::LoseDevice("demogma"))) {
            status = 1;
            break;
        }
        if (FAILED(hr = Kestu_PrepareForRender())) {
            std::fprintf(stderr, "demogma: frame %d not prepared: 0x%08X\n", frame, unsigned(hr));
            status = 1;
            break;
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF28323Cu, 1.0f, 0);
        device->BeginScene();
        SetUpScene(device);
        const D3DXMATRIX left = Place(-2.3f, 0.2f), middle = Place(-0.6f, 0.2f), right = Place(1.1f, 0.2f);
        banner->SetLod(1.0f);
        banner->Render(still.GetCurrentFrame(), &left);
        banner->Render(playing.GetCurrentFrame(), &middle);
        banner->SetLod(0.0f);
        device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
        banner->Render(coarse.GetCurrentFrame(), &right);
        device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
        banner->SetLod(1.0f);
        char label[64];
        std::snprintf(label, sizeof label, "playing: frame %u", unsigned(playing.GetCurrentFrame()));
        font.DrawTextA(70.0f, 390.0f, 0xFFE0E0E0u, "first frame");
        font.DrawTextA(300.0f, 390.0f, 0xFFE0E0E0u, label);
        font.DrawTextA(560.0f, 390.0f, 0xFFE0E0E0u, "lowest detail");
        font.DrawTextA(12.0f, 10.0f, 0xFFFFFF80u, "Kestu: a frame-animated GMA mesh from a mesh library");
        device->EndScene();
        if (FAILED(hr = Kestu_Present())) {
            std::fprintf(stderr, "demogma: present failed: 0x%08X\n", unsigned(hr));
            status = 1;
        }
    }
    if (!status && !sample::SavePicture("demogma", png.c_str())) status = 1;
    if (!status)
        std::printf("demogma: wrote %s (frames %u and %u of %u, level of detail %s)\n", png.c_str(),
                    unsigned(still.GetCurrentFrame()), unsigned(playing.GetCurrentFrame()), unsigned(kFrames),
                    banner->IsLodEnable() ? "on" : "off");
    objects.meshes = nullptr;
    objects.font = nullptr;
    font.InvalidateDeviceObjects();
    font.DeleteDeviceObjects();
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    device->SetTexture(0, nullptr);
    if (banner) meshes.ReleaseMesh(kBannerId, TRUE);
    meshes.Release();
    Kestu_Release();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "assets" && argc == 3) return Assets(argv[2]);
    if (mode == "render" && argc == 5) return Render(argv[2], argv[3], argv[4]);
    std::fputs("usage: demogma assets FOLDER\n       demogma render LIB FOLDER PNG\n", stderr);
    return 2;
}
