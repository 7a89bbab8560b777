// Trail emitters: a ribbon that follows a moving outline, typically the edge
// of a weapon carried by an animated skeleton. The outline is given in the
// carrier's space as segments; per sequence the carrier's matrix and time
// at every frame. Playing a sequence (FrameMove) or pushing the outline
// through the current world matrix (UpdatePosition) feeds one strip per
// segment of the emitter's trail context. A playing skeleton drives an
// emitter through the static Synchronize callback.
#pragma once
#include <map>

#include "d3dx8math.h"
#include "kestu_export.h"
#include "kestu_trail.h"

namespace Kestu {

class CSkeleton;

// What Synchronize reads behind its param: the head of a playing skeleton
// instance (a word it does not read, the skeleton, the action id and the
// frame index). The first two are pointer-sized.
struct STrailSyncRecord {
    void* pReserved;
    CSkeleton* pSkeleton;
    uint32_t dwActionID;
    uint32_t dwFrame;
};

#define KESTU_TRAIL_SYNC_FRAME 0x101
#define KESTU_TRAIL_SYNC_ACTION 0x104

class KESTU_API ITrail_EmitterData {
public:
    struct SRecord {
        unsigned long dwFrameCount = 0;
        float* pFrameTimes = nullptr;
        D3DXMATRIX* pMatrices = nullptr;
        // Entries each list really holds.
        unsigned long dwTimeCount = 0;
        unsigned long dwMatrixCount = 0;
    };

    ITrail_EmitterData();
    // A copy owns copies of the records and starts unreferenced.
    ITrail_EmitterData(const ITrail_EmitterData& other);
    ITrail_EmitterData& operator=(const ITrail_EmitterData& other);
    virtual ~ITrail_EmitterData();

    // Deletes the object once nothing references it; else does nothing.
    void Release();
    void SetMatrixList(unsigned long id, const D3DXMATRIX* m, unsigned long n);
    void SetFrameTimeList(unsigned long id, const float* t, unsigned long n);

    unsigned long GetRefCount() const { return m_dwRef; }
    const std::map<unsigned long, SRecord*>& GetRecords() const { return *m_pRecords; }

protected:
    friend class ITrail_Emitter;
    void AddRef() { ++m_dwRef; }
    void DelRef()
    {
        if (m_dwRef > 0) --m_dwRef;
    }

private:
    void FreeRecords();

    unsigned long m_dwRef = 0;
    std::map<unsigned long, SRecord*>* m_pRecords;
};

class KESTU_API ITrail_Emitter {
public:
    // A sequence: the shared data's record and two caches that Build frees.
    struct STrailListData : ITrail_EmitterData::SRecord {
        D3DXVECTOR3* pCache0 = nullptr;
        D3DXVECTOR3* pCache1 = nullptr;
    };

    ITrail_Emitter();
    // A deep copy: its own sequences and outline, an unbuilt context of the
    // same strategy, and one more reference on the shared data.
    ITrail_Emitter(const ITrail_Emitter& other);
    ITrail_Emitter& operator=(const ITrail_Emitter& other);
    // Releases the context and its trail too. Emitters and their strategy
    // may be destroyed in any order: a strategy that goes first releases the
    // trails it built, and its emitters then push and draw nothing until Init
    // gives them another.
    virtual ~ITrail_Emitter();

    void SetWorldMatrix(const D3DXMATRIX* m) { m_matWorld = *m; }
    const D3DXMATRIX* GetWorldMatrix() const { return &m_matWorld; }
    void SetOrientMatrix(const D3DXMATRIX* m) { m_matOrient = *m; }
    const D3DXMATRIX* GetOrientMatrix() const { return &m_matOrient; }
    void SetPosition(const D3DXVECTOR3* p) { m_vPosition = *p; }
    const D3DXVECTOR3* GetPosition() const { return &m_vPosition; }
    float GetMinTrailTime() const { return m_fMinTrailTime; }
    float GetMaxTrailTime() const { return m_fMaxTrailTime; }
    float GetTrailDuration() const { return m_fTrailDuration; }
    void SetTrailDuration(float d) { m_fTrailDuration = d; }
    void SetSpeed(float s) { m_fSpeed = s; }
    void SetResetMode(int mode) { m_nResetMode = mode; }
    int GetResetMode() const { return m_nResetMode; }
    int IsAutoReset() const { return m_nResetMode; }
    // Two per segment: the outline's point count.
    unsigned long GetOutlineSegCount() const { return m_dwOutlineCount; }
    void SetMinTrailTime(float t)
    {
        m_fMinTrailTime = t;
        m_bExplicitMin = 1;
    }
    void SetMaxTrailTime(float t)
    {
        m_fMaxTrailTime = t;
        m_bExplicitMax = 1;
    }
    void EnableTrailTimeExplicit(int b) { m_bExplicitMin = m_bExplicitMax = b; }

    void AddOutlineSegment(const D3DXVECTOR3* a, const D3DXVECTOR3* b, float paramA, float paramB,
                           const D3DXVECTOR3* centre = nullptr);
    void ResetOutline() { m_dwOutlineCount = 0; }
    void SetMatrixList(unsigned long id, const D3DXMATRIX* m, unsigned long n);
    void SetFrameTimeList(unsigned long id, const float* t, unsigned long n);
    void SetCurrentSequence(unsigned long id);
    void FrameMove(float dt);
    void UpdatePosition(int, int);

    // A new context for s; the previous context and its trail are released.
    void Init(ITrail_Strategy* s);
    void Build();
    void RenderTrail();
    void Release();
    void SetData(ITrail_EmitterData* d);

    // message 0x101 (frame reached): the play time becomes the frame's time
    // in the skeleton's action and the trail moves on; a frame earlier than
    // the play time starts the sequence again, as a wrap does. 0x104 (action
    // changed): the action's sequence becomes current. emitter is the
    // ITrail_Emitter*, param an STrailSyncRecord* (a playing skeleton passes
    // itself), so the function serves as a playing skeleton's callback.
    static void Synchronize(DWORD message, DWORD_PTR emitter, DWORD_PTR param);

    ITrail_Context* GetContext() const { return m_pContext; }
    unsigned long GetCurrentSequence() const { return m_dwCurrentSequence; }
    float GetCurrentTime() const { return m_fCurrentTime; }
    unsigned long GetFrameIndex() const { return m_dwFrameIndex; }
    unsigned long GetFrameCount() const { return m_dwFrameCount; }
    float GetLastFrameTime() const { return m_fLastFrameTime; }
    ITrail_EmitterData* GetData() const { return m_pData; }
    const D3DXVECTOR3* GetOutlinePoints() const { return m_pOutlinePoints; }
    const D3DXVECTOR3* GetOutlineCentres() const { return m_pOutlineCentres; }
    const float* GetOutlineParams() const { return m_pOutlineParams; }

protected:
    void SetCurrentTime(float t) { m_fCurrentTime = t; }

private:
    void FreeSequences();
    void FreeOutline();
    void CopyFrom(const ITrail_Emitter& other);
    STrailListData* Record(unsigned long id);
    // Takes the record's lists as the current ones; false when it cannot be played.
    bool TakeSequence(const STrailListData* record);
    // Pushes the outline through a matrix, one strip per segment.
    void PushOutline(const D3DXMATRIX& m);
    void ClearContext();
    // Back to the sequence's first frame, clearing the trail in reset mode.
    void RestartSequence();

    alignas(16) D3DXMATRIX m_matWorld;
    alignas(16) D3DXMATRIX m_matOrient;
    D3DXVECTOR3 m_vPosition{0.0f, 0.0f, 0.0f};
    ITrail_Context* m_pContext = nullptr;
    float* m_pFrameTimes = nullptr;
    float m_fMinTrailTime = 0.0f;
    int32_t m_bExplicitMin = 0;
    float m_fMaxTrailTime = 0.0f;
    int32_t m_bExplicitMax = 0;
    float m_fTrailDuration = 0.0f;
    D3DXMATRIX* m_pMatrices = nullptr;
    unsigned long m_dwFrameCount = 0;
    float m_fLastFrameTime = 0.0f;
    float m_fCurrentTime = 0.0f;
    float m_fSpeed = 1.0f;
    unsigned long m_dwFrameIndex = 0;
    unsigned long m_dwOutlineCapacity = 0;
    unsigned long m_dwOutlineCount = 0;
    D3DXVECTOR3* m_pOutlinePoints = nullptr;
    D3DXVECTOR3* m_pOutlineCentres = nullptr;
    float* m_pOutlineParams = nullptr;
    int32_t m_nResetMode = 1;
    unsigned long m_dwCurrentSequence = 0xFFFFFFFF;
    std::map<unsigned long, STrailListData*> m_Sequences;
    ITrail_EmitterData* m_pData = nullptr;
};

} // namespace Kestu
