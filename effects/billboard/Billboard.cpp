#include "kestu_billboard.h"

#include "kestu_bbanimation.h"
#include "kestu_eye.h"
#include "kestu_texture_mng.h"

#include "core/camera/EyeListener.h"

namespace {
D3DXMATRIX Identity()
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

const HRESULT kBadInit = static_cast<HRESULT>(0x82000109);
const HRESULT kNoAnimation = static_cast<HRESULT>(0x82000113);
const HRESULT kRebuildFailed = static_cast<HRESULT>(0x82000000);
} // namespace

CEye* CBillboard::m_pEye = nullptr;
DWORD CBillboard::m_dwTotalNumber = 0;
alignas(16) D3DXMATRIX CBBFaceMe::m_matWorldFaceMe = Identity();
alignas(16) D3DXMATRIX CBBVertical::m_matWorldBBVertical = Identity();

void CBBFaceMe::UpdateWorldMatrix(CEye* eye)
{
    D3DXMATRIX pitch, yaw;
    D3DXMatrixRotationX(&pitch, eye->GetPitch());
    D3DXMatrixRotationY(&yaw, eye->GetYaw());
    D3DXMatrixMultiply(&m_matWorldFaceMe, &pitch, &yaw);
    m_pEye = eye;
}

void CBBVertical::UpdateWorldMatrix(CEye* eye)
{
    D3DXMatrixRotationY(&m_matWorldBBVertical, eye->GetYaw());
    m_pEye = eye;
}

namespace {
void FollowEye(CEye* eye)
{
    CBBFaceMe::UpdateWorldMatrix(eye);
    CBBVertical::UpdateWorldMatrix(eye);
}

// Billboards keep the last camera that moved; a destroyed camera must not
// stay behind as theirs.
void ForgetEye(CEye* eye)
{
    if (CBillboard::GetEye() == eye) CBillboard::SetEye(nullptr);
}

constexpr SEyeListener kBillboardsFollowTheEye{FollowEye, ForgetEye};
// Here, beside the shared matrices and the billboards' eye, so whatever links
// the billboards also links the registration.
[[maybe_unused]] const bool g_followingTheEye = (SetEyeListener(&kBillboardsFollowTheEye), true);
} // namespace

CBillboard::CBillboard() { ++m_dwTotalNumber; }

CBillboard::~CBillboard()
{
    // The kinds release their own parts in their destructors; this is the
    // base's share.
    if (m_bBuilt) CBillboard::Release();
    DeleteAnimations();
    --m_dwTotalNumber;
}

HRESULT CBillboard::Build(const SBBInit* init)
{
    if (init == nullptr || !init->IsValid()) return kBadInit;
    m_pTexMng = init->pTexMng;
    m_dwTexID = init->dwTexID;
    m_dwColorOp = init->dwColorOp;
    m_dwColorArg1 = init->dwColorArg1;
    m_dwColorArg2 = init->dwColorArg2;
    m_dwTexFactor = init->dwTexFactor;
    m_vPos = init->vPos;
    m_fScaleX = init->fScaleX;
    m_fScaleY = init->fScaleY;
    m_pLastFrame = nullptr;
    m_bVisible = 0;
    m_dwCurrAni = 0;
    if (init->pAniBuffer != nullptr) {
        DeleteAnimations();
        m_dwAniNumber = BuildBBAnimationGroup(m_ppAnimations, init->pAniBuffer, init->dwAniBufferSize);
        if (m_dwAniNumber == 0) return kNoAnimation;
    }
    if (m_pEye != nullptr) DecideIsVisible();
    m_bBuilt = 1;
    return S_OK;
}

void CBillboard::Release()
{
    m_bBuilt = 0;
    m_bVisible = 0;
    m_pTexMng = nullptr;
    m_dwTexID = 0xFFFFFFFF;
    m_dwColorOp = D3DTOP_SELECTARG1;
    m_dwTexFactor = 0xFFFFFFFF;
    m_pLastFrame = nullptr;
    DeleteAnimations();
}

void CBillboard::DeleteAnimations()
{
    DeleteBBAnimationGroup(m_ppAnimations, m_dwAniNumber);
    m_dwAniNumber = 0;
    m_dwCurrAni = 0;
}

int CBillboard::FastDecideIsVisible()
{
    // Without a camera there is nothing to cull against.
    m_bVisible = m_pEye == nullptr || m_pEye->GetDot(&m_vPos) > 0.0f ? 1 : 0;
    return m_bVisible;
}

void CBillboard::UpdatePosition(const D3DXVECTOR3* pos)
{
    if (pos != nullptr && *pos != m_vPos) m_vPos = *pos;
    DecideIsVisible();
}

float CBillboard::GetDistInLineOfSight()
{
    if (!m_bVisible) return -1.0f;
    return m_pEye != nullptr ? m_pEye->GetDot(&m_vPos) : 0.0f;
}

void CBillboard::ApplyCurrentAnimation(float now, const float* angle)
{
    CAnimation* ani = GetCurrAni();
    if (ani == nullptr) return;
    if (angle != nullptr)
        ani->FrameMove(now, *angle);
    else
        ani->FrameMove(now);
    ApplyAnimationFrame(ani->GetCurrentFrame());
}

void CBillboard::FrameMove(float now) { ApplyCurrentAnimation(now, nullptr); }

HRESULT CBillboard::Render(IDirect3DDevice8* device)
{
    device->SetTextureStageState(0, D3DTSS_COLOROP, m_dwColorOp);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, m_dwColorArg1);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, m_dwColorArg2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, m_dwAlphaOp);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, m_dwAlphaArg1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, m_dwAlphaArg2);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, m_dwTexFactor);
    return S_OK;
}

void CBillboard::ApplyAnimationFrame(CBBAFrame* frame)
{
    if (frame == nullptr || frame == m_pLastFrame) return;
    m_pLastFrame = frame;
    m_dwTexID = frame->m_Init.dwTextureID;
}

void CBillboard::ApplyPicture(DWORD texID, const FSIZE*, const FPOINT*, const FRECT*) { m_dwTexID = texID; }

CTexture* CBillboard::GetTexture(DWORD id) const { return m_pTexMng != nullptr ? m_pTexMng->GetTexture(id) : nullptr; }

void CBillboard::SetBBEffect(ENUM_BB_EFFECT e)
{
    m_eEffect = e;
    switch (e) {
    case BB_EFFECT_ADD:
        m_dwColorOp = D3DTOP_ADD;
        m_dwColorArg1 = D3DTA_TEXTURE;
        m_dwColorArg2 = D3DTA_TEXTURE;
        break;
    case BB_EFFECT_TFACTOR:
        m_dwColorOp = D3DTOP_MODULATE;
        m_dwColorArg1 = D3DTA_TEXTURE;
        m_dwColorArg2 = D3DTA_TFACTOR;
        m_dwTexFactor = 0xFF7F7F7F;
        break;
    case BB_EFFECT_KEEP: break;
    default:
        m_dwColorOp = D3DTOP_SELECTARG1;
        m_dwColorArg1 = D3DTA_TEXTURE;
        break;
    }
}

void CBillboard::SetCurrAni(DWORD index)
{
    if (index < m_dwAniNumber) m_dwCurrAni = index;
}

CAnimation* CBillboard::GetAni(DWORD index) const { return index < m_dwAniNumber ? m_ppAnimations[index] : nullptr; }

void CBillboard::PlayAni(DWORD index, float now, ENUM_ANIPLAY_MODE mode, int bForward, float startPosition)
{
    if (index >= m_dwAniNumber) return;
    StopAni();
    m_dwCurrAni = index;
    m_ppAnimations[index]->Play(now, mode, bForward, startPosition);
}

void CBillboard::StopAni()
{
    for (DWORD i = 0; i < m_dwAniNumber; ++i) m_ppAnimations[i]->Stop();
}

void CBillboard::ReplayAni(float now)
{
    if (CAnimation* ani = GetCurrAni()) ani->Replay(now);
}

int CBillboard::IsAniPlaying() const
{
    CAnimation* ani = GetCurrAni();
    return ani != nullptr ? ani->IsPlaying() : 0;
}

HRESULT CBillboard::ReBuildAniGroup(const void* buffer, DWORD length)
{
    if (buffer == nullptr) return kBadInit;
    CAnimation** group = nullptr;
    const DWORD count = BuildBBAnimationGroup(group, buffer, length);
    if (count == 0) return kRebuildFailed;
    DeleteAnimations();
    m_ppAnimations = group;
    m_dwAniNumber = count;
    m_pLastFrame = nullptr;
    return S_OK;
}
