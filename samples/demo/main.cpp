// The first sample client: writes a default INI section, builds the engine
// from it in a window of the engine's own, draws a lit, textured, coloured
// quad for a few frames, with a .x mesh under a look-at camera and a line of
// glyph-atlas text in front, and saves the last presented frame as out/demo.png.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include <kestu.h>

#include "../common/sample_engine.h"
#include <host/host.h>
#include <kestu_safefile.h>

namespace {

const char kIniPath[] = "out/demo.ini";
const char kSection[] = "Kestu";
const char kPngPath[] = "out/demo.png";
const char kMeshPath[] = "out/demo_cube.x";
const int kFrames = 4;

struct QuadVertex {
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR diffuse;
    float u, v;
};
const DWORD kQuadFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Writes the whole section at once, replacing the file safely.
bool WriteDefaultIni(const char* path)
{
    std::ostringstream out;
    out << "[" << kSection << "]\r\n"
        << "eResolution=0\r\n"
        << "eLogLevel=4\r\n"
        << "bWindowed=1\r\n"
        << "bUseDepthBuffer=1\r\n"
        << "dwMinDepthBits=16\r\n"
        << "dwMinStencilBits=0\r\n"
        << "SwapEffect=1\r\n"
        << "PresentationInterval=0\r\n"
        << "eHowToCreateDevice=0\r\n"
        << "bErrMsgBoxEnabled=0\r\n"
        << "szWindowTitle=Kestu Demo\r\n";
    const std::string text = out.str();
    return kestu::SafeReplaceFile(path, text.data(), text.size());
}

// A cube as a text .x file: four opaque orange sides, a translucent cyan top
// and bottom, flat normals.
bool WriteCubeX(const char* path)
{
    const float faces[6][9] = {
        // normal, u axis, v axis
        {0, 0, -1, 1, 0, 0, 0, 1, 0}, {0, 0, 1, -1, 0, 0, 0, 1, 0}, {-1, 0, 0, 0, 0, -1, 0, 1, 0},
        {1, 0, 0, 0, 0, 1, 0, 1, 0},  {0, 1, 0, 1, 0, 0, 0, 0, 1},  {0, -1, 0, 1, 0, 0, 0, 0, -1},
    };
    const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    std::ostringstream x;
    x << "xof 0303txt 0032\nMesh Cube {\n24;\n";
    for (int f = 0; f < 6; ++f)
        for (int c = 0; c < 4; ++c) {
            const float* a = faces[f];
            for (int k = 0; k < 3; ++k) x << 0.5f * (a[k] + corners[c][0] * a[3 + k] + corners[c][1] * a[6 + k]) << ";";
            x << (f == 5 && c == 3 ? ";\n" : ",\n");
        }
    x << "12;\n";
    for (int f = 0; f < 6; ++f)
        x << "3;" << 4 * f << "," << 4 * f + 1 << "," << 4 * f + 2 << ";,3;" << 4 * f << "," << 4 * f + 2 << ","
          << 4 * f + 3 << (f == 5 ? ";;\n" : ";,\n");
    x << "MeshNormals {\n6;\n";
    for (int f = 0; f < 6; ++f)
        x << faces[f][0] << ";" << faces[f][1] << ";" << faces[f][2] << (f == 5 ? ";;\n" : ";,\n");
    x << "12;\n";
    for (int f = 0; f < 6; ++f)
        x << "3;" << f << "," << f << "," << f << ";,3;" << f << "," << f << "," << f << (f == 5 ? ";;\n" : ";,\n");
    x << "}\nMeshMaterialList {\n2;12;\n0,0,0,0,0,0,0,0,1,1,1,1;;\n"
      << "Material { 1.0;0.55;0.1;1.0;; 10.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
      << "Material { 0.2;0.9;1.0;0.6;; 10.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n}\n}\n";
    const std::string text = x.str();
    return kestu::SafeReplaceFile(path, text.data(), text.size());
}

// The quad's device objects; managed resources survive resets, so only
// creation and release matter here.
class CDemoObjects : public CKestuDevObjMng {
public:
    HRESULT InitDeviceObjects(IDirect3DDevice8* device) override
    {
        m_pDevice = device;
        HRESULT hr = device->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m_pTexture);
        if (FAILED(hr)) return hr;
        D3DLOCKED_RECT lr{};
        hr = m_pTexture->LockRect(0, &lr, nullptr, 0);
        if (FAILED(hr)) return hr;
        for (int y = 0; y < 64; ++y) {
            auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
            for (int x = 0; x < 64; ++x) row[x] = ((x / 16 + y / 16) & 1) ? 0xFFFFFFFFu : 0xFF606060u;
        }
        m_pTexture->UnlockRect(0);

        hr =
            device->CreateVertexBuffer(4 * sizeof(QuadVertex), D3DUSAGE_WRITEONLY, kQuadFvf, D3DPOOL_MANAGED, &m_pQuad);
        if (FAILED(hr)) return hr;
        BYTE* data = nullptr;
        hr = m_pQuad->Lock(0, 0, &data, 0);
        if (FAILED(hr)) return hr;
        const QuadVertex quad[4] = {
            {-1.f, -1.f, 0.f, 0.f, 0.f, -1.f, 0xFFFF4040u, 0.f, 1.f},
            {-1.f, 1.f, 0.f, 0.f, 0.f, -1.f, 0xFF40FF40u, 0.f, 0.f},
            {1.f, -1.f, 0.f, 0.f, 0.f, -1.f, 0xFF4040FFu, 1.f, 1.f},
            {1.f, 1.f, 0.f, 0.f, 0.f, -1.f, 0xFFFFFF40u, 1.f, 0.f},
        };
        std::memcpy(data, quad, sizeof quad);
        m_pQuad->Unlock();

        if (!WriteCubeX(kMeshPath)) return E_FAIL;
        hr = m_mesh.Create(device, kMeshPath);
        if (FAILED(hr)) return hr;
        hr = m_font.InitDeviceObjects(device);
        if (FAILED(hr)) return hr;
        return ActivateDeviceObjects();
    }
    HRESULT ActivateDeviceObjects() override
    {
        HRESULT hr = m_mesh.RestoreDeviceObjects(m_pDevice);
        if (FAILED(hr)) return hr;
        return m_font.RestoreDeviceObjects();
    }
    HRESULT InvalidateDeviceObjects() override
    {
        m_mesh.InvalidateDeviceObjects();
        return m_font.InvalidateDeviceObjects();
    }

    void Release()
    {
        if (m_pQuad) m_pQuad->Release();
        if (m_pTexture) m_pTexture->Release();
        m_pQuad = nullptr;
        m_pTexture = nullptr;
        m_mesh.Destroy();
        m_font.InvalidateDeviceObjects();
        m_font.DeleteDeviceObjects();
    }

    void Render(float angle)
    {
        IDirect3DDevice8* d = m_pDevice;
        const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
        D3DXMATRIX world, view, proj;
        D3DXMatrixRotationY(&world, angle);
        const D3DXVECTOR3 eye(0.f, 0.f, -3.2f), at(0.f, 0.f, 0.f), up(0.f, 1.f, 0.f);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 4, float(back->Width) / float(back->Height), 0.1f, 100.f);
        d->SetTransform(D3DTS_WORLD, &world);
        d->SetTransform(D3DTS_VIEW, &view);
        d->SetTransform(D3DTS_PROJECTION, &proj);

        D3DMATERIAL8 mtrl{};
        mtrl.Diffuse = {1.f, 1.f, 1.f, 1.f};
        mtrl.Ambient = {0.3f, 0.3f, 0.3f, 1.f};
        d->SetMaterial(&mtrl);
        sample::SetSun(d, {1.f, 1.f, 1.f, 1.f}, {0.3f, -0.3f, 1.f}, 0xFF404040u);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
        d->SetRenderState(D3DRS_COLORVERTEX, TRUE);
        d->SetTexture(0, m_pTexture);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        d->SetVertexShader(kQuadFvf);
        d->SetStreamSource(0, m_pQuad, sizeof(QuadVertex));
        d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        d->SetTexture(0, nullptr);
        d->SetStreamSource(0, nullptr, 0);

        // The cube in front of the quad, seen by the look-at camera from above.
        D3DXVECTOR3 camEye(1.2f, 1.4f, -3.0f), camAt(0.f, 0.f, 0.f), camUp(0.f, 1.f, 0.f);
        m_camera.SetViewParams(camEye, camAt, camUp);
        m_camera.SetProjParams(D3DX_PI / 4, float(back->Width) / float(back->Height), 0.1f, 100.f);
        const D3DXMATRIX camView = m_camera.GetViewMatrix(), camProj = m_camera.GetProjMatrix();
        D3DXMATRIX spin, lift;
        D3DXMatrixRotationY(&spin, 0.6f + angle);
        D3DXMatrixTranslation(&lift, 0.f, 0.f, -0.9f);
        D3DXMatrixMultiply(&world, &spin, &lift);
        d->SetTransform(D3DTS_WORLD, &world);
        d->SetTransform(D3DTS_VIEW, &camView);
        d->SetTransform(D3DTS_PROJECTION, &camProj);
        d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
        d->SetRenderState(D3DRS_COLORVERTEX, FALSE);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_mesh.Render(d, true, false);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        m_mesh.Render(d, false, true);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);

        m_font.DrawTextA(12.f, 10.f, 0xFFFFFF80u, "Kestu: a .x cube and glyph-atlas text");
        d->SetTexture(0, nullptr);
    }

private:
    IDirect3DDevice8* m_pDevice = nullptr;
    IDirect3DTexture8* m_pTexture = nullptr;
    IDirect3DVertexBuffer8* m_pQuad = nullptr;
    CD3DMesh m_mesh{"Cube"};
    CD3DFont m_font{"Arial", 16, D3DFONT_BOLD};
    CD3DCamera m_camera;
};

} // namespace

int main()
{
    std::error_code ec;
    std::filesystem::create_directories("out", ec);
    if (!WriteDefaultIni(kIniPath)) {
        std::fprintf(stderr, "demo: cannot write %s\n", kIniPath);
        return 1;
    }

    KESTU_CONFIG cfg;
    if (!cfg.LoadFromIni(kIniPath, kSection)) {
        std::fprintf(stderr, "demo: cannot read %s\n", kIniPath);
        return 1;
    }
    CDemoObjects objects;
    cfg.hInstance = GetModuleHandleA(nullptr);
    cfg.pDevObjMng = &objects;
    std::snprintf(cfg.szLogFile, sizeof cfg.szLogFile, "out/demo.log");

    HRESULT hr = Kestu_Build(&cfg, nullptr);
    if (FAILED(hr)) {
        std::fprintf(stderr, "demo: Kestu_Build failed: 0x%08X\n", static_cast<unsigned>(hr));
        return 1;
    }
    IDirect3DDevice8* device = Kestu_GetDevice();
    int status = 0;
    for (int frame = 0; frame < kFrames && status == 0; ++frame) {
        // The second frame begins with a lost device (see sample::Frame).
        if (frame == 1 && FAILED(sample::LoseDevice("demo"))) {
            status = 1;
            break;
        }
        hr = Kestu_PrepareForRender();
        if (FAILED(hr)) {
            std::fprintf(stderr, "demo: frame %d not prepared: 0x%08X\n", frame, static_cast<unsigned>(hr));
            status = 1;
            break;
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203050u, 1.0f, 0);
        device->BeginScene();
        objects.Render(0.25f * static_cast<float>(frame) / kFrames);
        device->EndScene();
        hr = Kestu_Present();
        if (FAILED(hr)) {
            std::fprintf(stderr, "demo: present failed: 0x%08X\n", static_cast<unsigned>(hr));
            status = 1;
        }
    }
    if (status == 0 && !sample::SavePicture("demo", kPngPath)) status = 1;
    objects.Release();
    Kestu_Release();
    if (status == 0) std::printf("demo: wrote %s\n", kPngPath);
    return status;
}
