// CGfxSkyTent: the fan on top, the static side and bottom planes, and the
// draw without the camera's translation.
#include <new>

#include "core/device/DeviceState.h"
#include "kestu_billboard.h"
#include "kestu_log.h"
#include "kestu_skytent.h"

namespace {

const float kSqrt2 = 1.4142135f;

} // namespace

CGfxSkyTent::CGfxSkyTent()
{
    for (CBillboard*& plane : m_pPlanes) plane = nullptr;
}

CGfxSkyTent::~CGfxSkyTent() { Release(); }

void CGfxSkyTent::Release()
{
    for (CBillboard*& plane : m_pPlanes) {
        delete plane;
        plane = nullptr;
    }
}

CBillboard* CGfxSkyTent::GetPlane(ENUM_SKYTENT_PLANE plane) const
{
    return plane >= 0 && plane < kPlaneNum ? m_pPlanes[plane] : nullptr;
}

void CGfxSkyTent::CalcPlanePosAndSize(ENUM_SKYTENT_PLANE plane, const SGfxSkyTentInit& init, D3DXVECTOR3& pos,
                                      D3DXVECTOR3& dir, D3DXVECTOR3& up, float& width, float& height)
{
    // Per plane: the position in units of (size, bottom depth, size), the
    // direction it faces and its up.
    static const struct {
        D3DXVECTOR3 at, dir, up;
    } kFrames[kPlaneNum] = {
        {{0.0f, 1.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},
        {{0.5f, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}},
        {{-0.5f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}},
        {{0.0f, 0.0f, 0.5f}, {0.0f, 0.0f, -1.0f}, {0.0f, 1.0f, 0.0f}},
        {{0.0f, 0.0f, -0.5f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}},
        {{0.0f, -1.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},
    };
    pos = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    width = init.fSize;
    height = plane == SKYTENT_TOP || plane == SKYTENT_BOTTOM ? init.fSize : init.fBottomDepth + init.fEaveHeight;
    if (plane < 0 || plane >= kPlaneNum) return;
    const auto& f = kFrames[plane];
    pos = D3DXVECTOR3(f.at.x * init.fSize, f.at.y * init.fBottomDepth, f.at.z * init.fSize);
    dir = f.dir;
    up = f.up;
}

HRESULT CGfxSkyTent::CreateSkyTop(const SGfxSkyTentInit& init)
{
    const WORD id = init.wTexID[SKYTENT_TOP];
    if (id == SGfxSkyTentInit::kNoTexture) return S_OK;
    SBBFanInit fan;
    fan.dwValid = reinterpret_cast<uintptr_t>(init.pDevice);
    fan.pTexMng = init.pTexMng;
    fan.dwTexID = id;
    fan.vPos = D3DXVECTOR3(0.0f, init.fTopHeight, 0.0f);
    fan.pAniBuffer = nullptr;
    fan.dwSegmentCount = 4;
    fan.eFaceDir = BBFAN_FACE_FRONT;
    fan.vDirection = D3DXVECTOR3(0.0f, -1.0f, 0.0f);
    const D3DXVECTOR3 reference(1.0f, 0.0f, -1.0f);
    D3DXVec3Normalize(&fan.vUp, &reference);
    fan.fHeight = init.fTopHeight - init.fEaveHeight;
    fan.fRadius = init.fSize / kSqrt2;
    fan.dwSegments = 4;

    CBBFan* top = new (std::nothrow) CBBFan;
    if (top == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = top->Build(&fan);
    if (SUCCEEDED(hr)) {
        const D3DXVECTOR2 centre(0.5f, 0.5f);
        const D3DXVECTOR2 rim[5] = {{1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}, {0.0f, 0.0f}, {1.0f, 0.0f}};
        hr = top->SetTexCoor(centre, rim);
    }
    if (FAILED(hr)) {
        delete top;
        return hr;
    }
    m_pPlanes[SKYTENT_TOP] = top;
    return hr;
}

HRESULT CGfxSkyTent::Build(const SGfxSkyTentInit& init)
{
    Release();
    HRESULT hr = CreateSkyTop(init);
    if (FAILED(hr)) return hr;

    SBBStaticInit side;
    side.dwValid = reinterpret_cast<uintptr_t>(init.pDevice);
    side.pTexMng = init.pTexMng;
    side.pAniBuffer = nullptr;
    for (int i = SKYTENT_POSX; i <= SKYTENT_BOTTOM; ++i) {
        const WORD id = init.wTexID[i];
        if (id == SGfxSkyTentInit::kNoTexture) continue;
        D3DXVECTOR3 pos, dir, up;
        float width = 0.0f, height = 0.0f;
        CalcPlanePosAndSize(ENUM_SKYTENT_PLANE(i), init, pos, dir, up, width, height);
        side.vPos = pos;
        CBBStatic* plane = new (std::nothrow) CBBStatic;
        if (plane == nullptr) return E_OUTOFMEMORY;
        hr = plane->Build(&side);
        if (FAILED(hr)) {
            delete plane;
            return hr;
        }
        plane->SetDirection(&dir, &up);
        const FSIZE size(width, height);
        plane->ApplyPicture(id, &size, nullptr, nullptr);
        m_pPlanes[i] = plane;
    }
    return hr;
}

HRESULT CGfxSkyTent::Render(IDirect3DDevice8* device)
{
    if (device == nullptr) return KESTUERR_SURFACENOTBUILT;
    // The view comes back after the world: the scope puts back latest first.
    kestu::StateScope scope(device);
    if (const D3DMATRIX* view = scope.KeepTransform(D3DTS_VIEW)) {
        D3DXMATRIX still(*view);
        still._41 = still._42 = still._43 = 0.0f;
        device->SetTransform(D3DTS_VIEW, &still);
    }

    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);

    scope.KeepTransform(D3DTS_WORLD);
    device->SetVertexShader(KESTU_BBVERTEX_FVF);
    HRESULT hr = S_OK;
    for (CBillboard* plane : m_pPlanes)
        if (plane != nullptr) hr |= plane->Render(device);
    return hr;
}
