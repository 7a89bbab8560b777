#include <cmath>
#include <cstring>

#include "effects/trail/TrailLists.h"
#include "kestu_action.h"
#include "kestu_skeleton.h"
#include "kestu_trailemitter.h"
#include "windows.h"

namespace Kestu {

namespace {
// Past this many whole sequences a time step is reduced at once.
const float kStepWraps = 64.0f;
} // namespace

ITrail_Emitter::ITrail_Emitter()
{
    D3DXMatrixIdentity(&m_matWorld);
    D3DXMatrixIdentity(&m_matOrient);
}

ITrail_Emitter::ITrail_Emitter(const ITrail_Emitter& other) : ITrail_Emitter() { CopyFrom(other); }

ITrail_Emitter& ITrail_Emitter::operator=(const ITrail_Emitter& other)
{
    if (this == &other) return *this;
    Release();
    FreeSequences();
    FreeOutline();
    SetData(nullptr);
    CopyFrom(other);
    return *this;
}

void ITrail_Emitter::CopyFrom(const ITrail_Emitter& other)
{
    m_matWorld = other.m_matWorld;
    m_matOrient = other.m_matOrient;
    m_vPosition = other.m_vPosition;
    m_fMinTrailTime = other.m_fMinTrailTime;
    m_bExplicitMin = other.m_bExplicitMin;
    m_fMaxTrailTime = other.m_fMaxTrailTime;
    m_bExplicitMax = other.m_bExplicitMax;
    m_fTrailDuration = other.m_fTrailDuration;
    m_fLastFrameTime = other.m_fLastFrameTime;
    m_fCurrentTime = other.m_fCurrentTime;
    m_fSpeed = other.m_fSpeed;
    m_dwFrameIndex = other.m_dwFrameIndex;
    m_nResetMode = other.m_nResetMode;
    m_dwCurrentSequence = other.m_dwCurrentSequence;
    for (const auto& [id, record] : other.m_Sequences) {
        STrailListData* copy = trail::CopyRecord(*record);
        copy->pCache0 = copy->pCache1 = nullptr;
        m_Sequences[id] = copy;
    }
    // The current lists are this emitter's own copies.
    m_pFrameTimes = nullptr;
    m_pMatrices = nullptr;
    m_dwFrameCount = 0;
    if (other.m_dwFrameCount > 0) {
        auto it = m_Sequences.find(other.m_dwCurrentSequence);
        if (it != m_Sequences.end()) {
            m_pFrameTimes = it->second->pFrameTimes;
            m_pMatrices = it->second->pMatrices;
            m_dwFrameCount = other.m_dwFrameCount;
        }
    }
    for (unsigned long i = 0; i < other.m_dwOutlineCount; i += 2) {
        const unsigned long s = i / 2;
        AddOutlineSegment(&other.m_pOutlinePoints[i], &other.m_pOutlinePoints[i + 1], other.m_pOutlineParams[i],
                          other.m_pOutlineParams[i + 1], &other.m_pOutlineCentres[s]);
    }
    if (other.m_pContext != nullptr) m_pContext = new ITrail_Context(*other.m_pContext);
    SetData(other.m_pData);
}

ITrail_Emitter::~ITrail_Emitter()
{
    Release();
    FreeSequences();
    FreeOutline();
    SetData(nullptr);
}

void ITrail_Emitter::FreeSequences()
{
    for (auto& [id, record] : m_Sequences) {
        delete[] record->pFrameTimes;
        delete[] record->pMatrices;
        delete[] record->pCache0;
        delete[] record->pCache1;
        delete record;
    }
    m_Sequences.clear();
    m_pFrameTimes = nullptr;
    m_pMatrices = nullptr;
    m_dwFrameCount = 0;
}

void ITrail_Emitter::FreeOutline()
{
    delete[] m_pOutlinePoints;
    delete[] m_pOutlineCentres;
    delete[] m_pOutlineParams;
    m_pOutlinePoints = m_pOutlineCentres = nullptr;
    m_pOutlineParams = nullptr;
    m_dwOutlineCapacity = m_dwOutlineCount = 0;
}

void ITrail_Emitter::AddOutlineSegment(const D3DXVECTOR3* a, const D3DXVECTOR3* b, float paramA, float paramB,
                                       const D3DXVECTOR3* centre)
{
    if (a == nullptr || b == nullptr) return;
    if (m_dwOutlineCount + 2 >= m_dwOutlineCapacity) {
        const unsigned long capacity = m_dwOutlineCapacity == 0 ? 2 : 2 * m_dwOutlineCapacity;
        auto* points = new D3DXVECTOR3[capacity];
        auto* centres = new D3DXVECTOR3[capacity];
        auto* params = new float[capacity];
        std::copy(m_pOutlinePoints, m_pOutlinePoints + m_dwOutlineCount, points);
        std::copy(m_pOutlineCentres, m_pOutlineCentres + m_dwOutlineCount / 2, centres);
        std::copy(m_pOutlineParams, m_pOutlineParams + m_dwOutlineCount, params);
        delete[] m_pOutlinePoints;
        delete[] m_pOutlineCentres;
        delete[] m_pOutlineParams;
        m_pOutlinePoints = points;
        m_pOutlineCentres = centres;
        m_pOutlineParams = params;
        m_dwOutlineCapacity = capacity;
    }
    const unsigned long n = m_dwOutlineCount;
    m_pOutlinePoints[n] = *a;
    m_pOutlinePoints[n + 1] = *b;
    m_pOutlineParams[n] = paramA;
    m_pOutlineParams[n + 1] = paramB;
    m_pOutlineCentres[n / 2] = centre != nullptr ? *centre : (*a + *b) * 0.5f;
    m_dwOutlineCount += 2;
}

ITrail_Emitter::STrailListData* ITrail_Emitter::Record(unsigned long id)
{
    auto it = m_Sequences.find(id);
    return it != m_Sequences.end() ? it->second : nullptr;
}

void ITrail_Emitter::SetMatrixList(unsigned long id, const D3DXMATRIX* m, unsigned long n)
{
    STrailListData* record =
        trail::ReplaceList(m_Sequences, id, &STrailListData::pMatrices, &STrailListData::dwMatrixCount, m, n);
    // The lists being played were just replaced: play the new ones.
    if (id == m_dwCurrentSequence && !TakeSequence(record)) m_dwFrameCount = 0;
}

void ITrail_Emitter::SetFrameTimeList(unsigned long id, const float* t, unsigned long n)
{
    STrailListData* record =
        trail::ReplaceList(m_Sequences, id, &STrailListData::pFrameTimes, &STrailListData::dwTimeCount, t, n);
    if (id == m_dwCurrentSequence && !TakeSequence(record)) m_dwFrameCount = 0;
}

bool ITrail_Emitter::TakeSequence(const STrailListData* record)
{
    const unsigned long n = record->dwFrameCount;
    // Both lists must cover every frame, and a sequence of no length would
    // wrap its time forever.
    if (n == 0 || record->pFrameTimes == nullptr || record->pMatrices == nullptr || record->dwTimeCount < n ||
        record->dwMatrixCount < n)
        return false;
    const float last = record->pFrameTimes[n - 1];
    if (!(last > 0.0f) || !std::isfinite(last)) return false;
    m_pFrameTimes = record->pFrameTimes;
    m_pMatrices = record->pMatrices;
    m_dwFrameCount = n;
    m_fLastFrameTime = last;
    m_fMaxTrailTime = m_bExplicitMax ? std::min(m_fMaxTrailTime, last) : last;
    m_fMinTrailTime = m_bExplicitMin ? std::max(m_fMinTrailTime, m_pFrameTimes[0]) : m_pFrameTimes[0];
    m_fTrailDuration = last;
    if (m_dwFrameIndex > n) m_dwFrameIndex = n;
    return true;
}

void ITrail_Emitter::SetCurrentSequence(unsigned long id)
{
    const STrailListData* record = Record(id);
    if (record == nullptr) {
        OutputDebugStringA("Invalid ID specified\n");
        return;
    }
    if (!TakeSequence(record)) {
        OutputDebugStringA("Unplayable sequence specified\n");
        return;
    }
    m_dwCurrentSequence = id;
}

void ITrail_Emitter::ClearContext()
{
    if (m_pContext != nullptr) m_pContext->Clear();
}

void ITrail_Emitter::RestartSequence()
{
    m_dwFrameIndex = 0;
    if (m_nResetMode) ClearContext();
}

void ITrail_Emitter::FrameMove(float dt)
{
    m_fCurrentTime += dt * m_fSpeed;
    if (!std::isfinite(m_fCurrentTime)) m_fCurrentTime = 0.0f;
    if (m_dwFrameCount == 0) return;
    const float last = m_fLastFrameTime;
    // fmod is exact: subtracting a rounded multiple of a long sequence from
    // a far larger time can leave a negative time, or one the loop below
    // could never bring down.
    if (m_fCurrentTime / last > kStepWraps) {
        m_fCurrentTime = std::fmod(m_fCurrentTime, last);
        RestartSequence();
    }
    while (last <= m_fCurrentTime) {
        m_fCurrentTime -= last;
        RestartSequence();
    }
    if (m_fMaxTrailTime < m_fCurrentTime && m_nResetMode) ClearContext();

    unsigned long f = m_dwFrameIndex;
    while (f < m_dwFrameCount && m_pFrameTimes[f] < m_fCurrentTime) ++f;
    if (f != m_dwFrameIndex) {
        if (m_fCurrentTime < m_fMinTrailTime || m_fCurrentTime > m_fMaxTrailTime) {
            m_dwFrameIndex = f;
            return;
        }
        for (unsigned long s = 0; s < m_dwOutlineCount / 2; ++s) {
            for (unsigned long k = m_dwFrameIndex; k < f; ++k) {
                D3DXVECTOR3 point, centre;
                D3DXVec3TransformCoord(&centre, &m_pOutlineCentres[s], &m_pMatrices[k]);
                for (unsigned long side = 0; side < 2 && m_pContext != nullptr; ++side) {
                    D3DXVec3TransformCoord(&point, &m_pOutlinePoints[2 * s + side], &m_pMatrices[k]);
                    m_pContext->Push(&point, &centre, &m_pOutlineParams[2 * s + side], 1, s, 0);
                }
            }
        }
        m_dwFrameIndex = f;
    }
    if (m_pContext != nullptr) m_pContext->SetFrameParam(m_fCurrentTime / last);
}

void ITrail_Emitter::PushOutline(const D3DXMATRIX& m)
{
    if (m_pContext == nullptr) return;
    for (unsigned long s = 0; s < m_dwOutlineCount / 2; ++s) {
        D3DXVECTOR3 point, centre;
        D3DXVec3TransformCoord(&centre, &m_pOutlineCentres[s], &m);
        for (unsigned long side = 0; side < 2; ++side) {
            D3DXVec3TransformCoord(&point, &m_pOutlinePoints[2 * s + side], &m);
            m_pContext->Push(&point, &centre, &m_pOutlineParams[2 * s + side], 1, s, 0);
        }
    }
}

void ITrail_Emitter::UpdatePosition(int, int) { PushOutline(m_matWorld); }

void ITrail_Emitter::Init(ITrail_Strategy* s)
{
    Release();
    m_pContext = new ITrail_Context(s);
}

void ITrail_Emitter::Build()
{
    if (m_dwOutlineCount == 0 || m_pContext == nullptr) return;
    for (auto& [id, record] : m_Sequences) {
        delete[] record->pCache0;
        delete[] record->pCache1;
        record->pCache0 = record->pCache1 = nullptr;
    }
    m_pContext->SetStripsNumber(m_dwOutlineCount / 2);
    if (ITrail_Strategy* s = m_pContext->GetStrategy()) s->BuildTrail(m_pContext);
}

void ITrail_Emitter::RenderTrail()
{
    if (m_pContext != nullptr) m_pContext->Render();
}

void ITrail_Emitter::Release()
{
    if (m_pContext == nullptr) return;
    if (ITrail_Strategy* s = m_pContext->GetStrategy()) s->ReleaseTrail(m_pContext);
    delete m_pContext;
    m_pContext = nullptr;
}

void ITrail_Emitter::SetData(ITrail_EmitterData* d)
{
    if (m_pData != nullptr) m_pData->DelRef();
    m_pData = d;
    if (d != nullptr) d->AddRef();
}

void ITrail_Emitter::Synchronize(DWORD message, DWORD_PTR emitter, DWORD_PTR param)
{
    auto* self = reinterpret_cast<ITrail_Emitter*>(emitter);
    if (self == nullptr || param == 0) return;
    // param is usually a playing skeleton, whose head has the record's
    // layout: read the head's bytes rather than the object through the record.
    STrailSyncRecord record;
    std::memcpy(&record, reinterpret_cast<const void*>(param), sizeof record);
    switch (message) {
    case KESTU_TRAIL_SYNC_ACTION: self->SetCurrentSequence(record.dwActionID); break;
    case KESTU_TRAIL_SYNC_FRAME: {
        IActionAdapter* action = record.pSkeleton != nullptr ? record.pSkeleton->GetAction(record.dwActionID) : nullptr;
        const float* times = action != nullptr ? action->GetFrameTime() : nullptr;
        if (times == nullptr || record.dwFrame >= action->GetFrameNum()) return;
        const float t = times[record.dwFrame];
        if (!std::isfinite(t)) return;
        // A frame earlier than the one played means the skeleton started its
        // clip again without showing the last frame (a looping clip does so
        // whenever a step passes its end): the emitter starts again too, or
        // it would wait for a time the skeleton never reaches again.
        if (t < self->m_fCurrentTime) self->RestartSequence();
        self->SetCurrentTime(t);
        self->FrameMove(0.0f);
        break;
    }
    default: break;
    }
}

} // namespace Kestu
