// CCubeEnv: the cube render target and its depth buffer, drawing the six
// faces through the client's hook, and writing them to files.
#include <string>

#include "core/device/DeviceState.h"
#include "kestu_cubeenv.h"
#include "kestu_shaderwatertex.h"
#include "core/device/DeviceUnbind.h"

namespace Kestu {

namespace {

struct Face {
    D3DXVECTOR3 axis;
    D3DXVECTOR3 up;
    const char* file;
};

// In Direct3D's cube-face order.
const Face kFaceTable[CCubeEnv::kFaces] = {
    {{1, 0, 0}, {0, 1, 0}, "right.tga"}, {{-1, 0, 0}, {0, 1, 0}, "left.tga"}, {{0, 1, 0}, {0, 0, -1}, "up.tga"},
    {{0, -1, 0}, {0, 0, 1}, "down.tga"}, {{0, 0, 1}, {0, 1, 0}, "front.tga"}, {{0, 0, -1}, {0, 1, 0}, "back.tga"},
};

template <class T>
void ReleaseCom(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

} // namespace

CCubeEnv::CCubeEnv() : m_pCubeTex(nullptr), m_pDepthSurface(nullptr), m_bBuilt(0), m_pDevice(nullptr) {}

void CCubeEnv::GetFaceView(int face, const D3DXVECTOR3& eye, D3DXMATRIX* view)
{
    const Face& f = kFaceTable[face];
    const D3DXVECTOR3 at = eye + f.axis;
    D3DXMatrixLookAtLH(view, &eye, &at, &f.up);
}

const char* CCubeEnv::GetFaceFileName(int face) { return kFaceTable[face].file; }

HRESULT CCubeEnv::Build(IDirect3DDevice8* device)
{
    if (m_bBuilt) return 0;
    if (!device) return E_FAIL;
    m_pDevice = device;
    if (FAILED(Restore())) return E_FAIL;
    m_bBuilt = 1;
    return 0;
}

void CCubeEnv::DropSurfaces()
{
    ReleaseCom(m_pCubeTex);
    ReleaseCom(m_pDepthSurface);
}

void CCubeEnv::Release()
{
    DropSurfaces();
    m_bBuilt = 0;
}

HRESULT CCubeEnv::Invalidate()
{
    UnbindFromDevice(m_pCubeTex);
    DropSurfaces();
    return 0;
}

HRESULT CCubeEnv::Restore()
{
    if (!m_pDevice) return E_FAIL;
    // A second restore replaces what the first made; a failed one keeps nothing.
    DropSurfaces();
    HRESULT hr =
        m_pDevice->CreateCubeTexture(kEdge, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &m_pCubeTex);
    if (FAILED(hr)) {
        m_pCubeTex = nullptr;
        return hr;
    }
    hr = m_pDevice->CreateDepthStencilSurface(kEdge, kEdge, D3DFMT_D16, D3DMULTISAMPLE_NONE, &m_pDepthSurface);
    if (FAILED(hr)) {
        m_pDepthSurface = nullptr;
        DropSurfaces();
        return E_FAIL;
    }
    return 0;
}

HRESULT CCubeEnv::RenderCubeFace(int) { return 0; }

HRESULT CCubeEnv::RenderCubeBox(D3DXVECTOR3 eye)
{
    IDirect3DDevice8* d = m_pDevice;
    if (!d || !m_pCubeTex) return 0;
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2.0f, 1.0f, 0.5f, 20000.0f);
    kestu::StateScope saved(d);
    saved.KeepTransform(D3DTS_VIEW);
    saved.Transform(D3DTS_PROJECTION, &proj);
    {
        saved.KeepRenderTarget();
        RenderStateGuard blend(D3DRS_ALPHABLENDENABLE, FALSE);
        TextureStageStateGuard arg(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        TextureStageStateGuard op(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        TextureStageStateGuard minFilter(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard magFilter(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard addressU(0, D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR);
        TextureStageStateGuard addressV(0, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR);
        for (int face = 0; face < kFaces; ++face) {
            IDirect3DSurface8* surface = nullptr;
            m_pCubeTex->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), 0, &surface);
            d->SetRenderTarget(surface, m_pDepthSurface);
            D3DXMATRIX view;
            GetFaceView(face, eye, &view);
            d->SetTransform(D3DTS_VIEW, &view);
            d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
            RenderCubeFace(face);
            ReleaseCom(surface);
        }
        saved.Restore();
    }
    return 0;
}

HRESULT CCubeEnv::SaveCubeToFile(const char* folder)
{
    if (!m_pCubeTex || !folder) return E_FAIL;
    std::string base(folder);
    if (!base.empty() && base.back() != '/' && base.back() != '\\') base += '/';
    HRESULT result = 0;
    for (int face = 0; face < kFaces; ++face) {
        IDirect3DSurface8* surface = nullptr;
        HRESULT hr = m_pCubeTex->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), 0, &surface);
        if (SUCCEEDED(hr)) {
            const std::string path = base + kFaceTable[face].file;
            hr = D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_TGA, surface, nullptr, nullptr);
            surface->Release();
        }
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

} // namespace Kestu
