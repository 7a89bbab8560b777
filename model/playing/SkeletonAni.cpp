// A playing instance of a skeleton: its play state, callbacks and drawing.
#include <cmath>

#include "kestu_skeleton.h"
#include "kestu_skeletonani.h"

namespace Kestu {

CSkeletonAni::CSkeletonAni()
{
    D3DXMatrixIdentity(&m_matTransform);
    D3DXMatrixIdentity(&m_matAdjust);
}

CSkeletonAni::CSkeletonAni(CSkeleton* skeleton) : CSkeletonAni() { m_pSkeleton = skeleton; }

CSkeletonAni::CSkeletonAni(const CSkeletonAni& other) { *this = other; }

CSkeletonAni& CSkeletonAni::operator=(const CSkeletonAni& other)
{
    if (this == &other) return *this;
    m_pSkeleton = other.m_pSkeleton;
    m_dwCurAction = other.m_dwCurAction;
    m_dwCurFrame = other.m_dwCurFrame;
    m_dwWord = other.m_dwWord;
    m_fPlayTime = other.m_fPlayTime;
    m_eMode = other.m_eMode;
    m_fSpeed = other.m_fSpeed;
    m_fLastTime = other.m_fLastTime;
    m_bPlaying = other.m_bPlaying;
    m_bForward = other.m_bForward;
    m_bBounced = other.m_bBounced;
    m_fIntervalLength = other.m_fIntervalLength;
    m_fIntervalStart = other.m_fIntervalStart;
    m_fIntervalEnd = other.m_fIntervalEnd;
    m_fMinStep = other.m_fMinStep;
    m_fAccumulator = other.m_fAccumulator;
    m_bBuilt = other.m_bBuilt;
    m_matTransform = other.m_matTransform;
    m_matAdjust = other.m_matAdjust;
    m_pContext = other.m_pContext;
    m_callbacks.clear();
    for (const auto& [id, record] : other.m_callbacks) m_callbacks[id] = std::make_unique<SPfnCallBackData>(*record);
    m_dwNextCallBack = other.m_dwNextCallBack;
    m_dwLastEvent = other.m_dwLastEvent;
    return *this;
}

void CSkeletonAni::SetSkeleton(CSkeleton* skeleton)
{
    // An action of another skeleton is not one this skeleton counts in use.
    if (skeleton != m_pSkeleton) m_dwCurAction = 0xFFFFFFFF;
    m_pSkeleton = skeleton;
    SetFirstAction();
}

long CSkeletonAni::BuildFromSkeleton(CSkeleton* skeleton)
{
    SetSkeleton(skeleton);
    return Build();
}

long CSkeletonAni::Build()
{
    if (!m_pSkeleton) return E_FAIL;
    m_bBuilt = 1;
    SetCurrentAction(0);
    return 0;
}

void CSkeletonAni::Reset()
{
    m_bBuilt = 1;
    m_eMode = ANIPLAY_LOOP;
    m_bPlaying = 1;
    m_bForward = 1;
    m_dwCurFrame = 0;
    m_fPlayTime = 0.0f;
    m_fSpeed = 1.0f;
    m_fLastTime = 0.0f;
    Build();
}

void CSkeletonAni::SetCurrentAction(DWORD id)
{
    IActionAdapter* adapter = m_pSkeleton ? m_pSkeleton->GetAction(id) : nullptr;
    if (!adapter) return;
    // Every action played is counted in use, the first one too.
    if (m_dwCurAction != id) {
        if (m_dwCurAction != 0xFFFFFFFF) m_pSkeleton->UnuseAction(m_dwCurAction);
        m_pSkeleton->UseAction(id);
    }
    m_dwCurAction = id;
    m_pSkeleton->SetCurrentFrame(0xFFFFFFFF);
    const float* times = adapter->GetFrameTime();
    const DWORD frames = adapter->GetFrameNum();
    m_fIntervalStart = 0.0f;
    m_fIntervalEnd = m_fIntervalLength = times && frames ? times[frames - 1] : 0.0f;
}

void CSkeletonAni::SetFirstAction()
{
    CSkeleton::ActionMap::const_iterator it;
    if (IActionAdapter* first = m_pSkeleton ? m_pSkeleton->FirstAction(it) : nullptr) SetCurrentAction(first->GetID());
}

void CSkeletonAni::SetCurrentFrame(DWORD frame)
{
    IActionAdapter* adapter = m_pSkeleton ? m_pSkeleton->GetAction(m_dwCurAction) : nullptr;
    if (!adapter || frame >= adapter->GetFrameNum()) return;
    if (frame != m_dwCurFrame) m_pSkeleton->SetCurrentFrame(0xFFFFFFFF);
    m_dwCurFrame = frame;
    const float* times = adapter->GetFrameTime();
    m_fPlayTime = frame == 0 || !times ? 0.0f : times[frame - 1] + 0.001f;
}

void CSkeletonAni::SetPlayInterval(float start, float end)
{
    m_fIntervalStart = start;
    m_fIntervalEnd = end;
    m_fIntervalLength = end - start;
}

void CSkeletonAni::SetPlayInterval(int first, int last)
{
    IActionAdapter* adapter = m_pSkeleton ? m_pSkeleton->GetAction(m_dwCurAction) : nullptr;
    const float* times = adapter ? adapter->GetFrameTime() : nullptr;
    const long frames = adapter ? long(adapter->GetFrameNum()) : 0;
    if (!times || frames == 0 || first < 0 || first > frames || last < 0) return;
    const float start = first > 0 ? times[first - 1] : 0.0f;
    const float end = last < frames - 1 ? times[last] : times[frames - 1];
    SetPlayInterval(start, end);
}

long CSkeletonAni::FrameMove(float now)
{
    const float d = now - m_fLastTime;
    if (d < m_fMinStep) return 0;
    m_fLastTime = now;
    return FrameMoveE(d > 0.0f ? d : 0.0f);
}

long CSkeletonAni::FrameMoveE(float dt)
{
    if (!m_bBuilt) return E_FAIL;
    if (!m_bPlaying) return 0;
    m_fAccumulator += dt * m_fSpeed;
    if (m_fAccumulator < m_fMinStep) return 0;
    const float step = m_fAccumulator;
    m_fAccumulator = 0.0f;
    Advance(step);

    IActionAdapter* adapter = m_pSkeleton ? m_pSkeleton->GetAction(m_dwCurAction) : nullptr;
    if (!adapter) return 0;
    // The lookup wraps its own copy: the play time stays inside the interval
    // the instance plays, which may be longer than the clip.
    float t = m_fPlayTime;
    const DWORD frame = adapter->GetPositionByTime(t);
    if (frame == 0xFFFFFFFF || frame == m_dwCurFrame) return 0;
    m_pSkeleton->Transform(m_dwCurAction, frame, nullptr);
    m_dwCurFrame = frame;
    Notify(KESTU_SKLANI_FRAME);
    return 0;
}

long CSkeletonAni::Render(IDirect3DDevice8* device)
{
    if (!m_pSkeleton || !device) return E_FAIL;
    m_pSkeleton->SetCurrentRef(m_dwCurAction, m_dwCurFrame, nullptr);
    const D3DXMATRIX world = *m_pSkeleton->GetLocalTransform() * m_matTransform;
    device->SetTransform(D3DTS_WORLD, &world);
    m_pSkeleton->Render(device);
    device->SetTransform(D3DTS_WORLD, &m_matTransform);
    return 0;
}

long CSkeletonAni::RenderRough(IDirect3DDevice8* device, int mode)
{
    if (!m_pSkeleton || !device) return E_FAIL;
    m_pSkeleton->SetCurrentRef(m_dwCurAction, m_dwCurFrame, nullptr);
    const D3DXMATRIX world = *m_pSkeleton->GetLocalTransform() * m_matTransform;
    device->SetTransform(D3DTS_WORLD, &world);
    m_pSkeleton->RenderRough(device, mode);
    device->SetTransform(D3DTS_WORLD, &m_matTransform);
    return 0;
}

D3DXMATRIX CSkeletonAni::GetObjectTM(CBaseObject* object) const
{
    D3DXMATRIX fallback;
    if (m_pSkeleton)
        fallback = *m_pSkeleton->GetLocalTransform() * m_matTransform;
    else
        fallback = m_matTransform;
    IActionAdapter* adapter = m_pSkeleton ? m_pSkeleton->GetAction(m_dwCurAction) : nullptr;
    if (!adapter) return fallback;
    const DWORD index = adapter->GetObjectIndex(object);
    if (index == 0xFFFFFFFF) return fallback;
    const D3DXMATRIX* tm = adapter->GetObjectTM(index, m_dwCurFrame);
    return tm ? *tm : fallback;
}

D3DXMATRIX CSkeletonAni::GetObjectTM(const char* name) const
{
    return GetObjectTM(m_pSkeleton ? m_pSkeleton->GetNodeByName(name) : nullptr);
}

DWORD CSkeletonAni::RegisterCallBack(const char* name, PFN_SKLANI_CALLBACK fn, void* user)
{
    auto record = std::make_unique<SPfnCallBackData>();
    record->strName = name ? name : "";
    record->pUserValue = user;
    record->pfn = fn;
    m_callbacks[m_dwNextCallBack] = std::move(record);
    return m_dwNextCallBack++;
}

int CSkeletonAni::UnRegisterCallBack(DWORD id) { return m_callbacks.erase(id) ? 1 : 0; }

void CSkeletonAni::Notify(DWORD event)
{
    m_dwLastEvent = event;
    for (const auto& [id, record] : m_callbacks)
        if (record->pfn)
            record->pfn(event, reinterpret_cast<DWORD_PTR>(record->pUserValue), reinterpret_cast<DWORD_PTR>(this));
}

} // namespace Kestu
