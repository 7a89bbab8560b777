// Kestu::CSkeletonAni: one playing instance of a skeleton. It owns no
// geometry, only the play state (clip, frame, play time, mode, speed,
// direction, interval), its own world transform and the client's callbacks.
// Each frame it turns elapsed time into a frame of its clip, moves and
// deforms the shared skeleton for that frame and tells the callbacks; many
// instances may share one skeleton.
#pragma once
#include "kestu_export.h"
#include <windows.h>
#include <d3d8.h>
#include <d3dx8.h>

#include <map>
#include <memory>
#include <string>

#include "kestu_aniplay.h"

namespace Kestu {

class CSkeleton;
class CBaseObject;

// Events sent to the callbacks.
enum : DWORD {
    KESTU_SKLANI_FRAME = 0x101,  // a new frame was reached
    KESTU_SKLANI_ACTION = 0x104, // the action changed (sent by clients)
};

// (event, user value, instance address): the user value and the instance
// are pointer-sized.
using PFN_SKLANI_CALLBACK = void (*)(DWORD event, DWORD_PTR user, DWORD_PTR instance);

struct SPfnCallBackData {
    std::string strName;
    void* pUserValue = nullptr;
    PFN_SKLANI_CALLBACK pfn = nullptr;
};

class KESTU_API CSkeletonAni {
public:
    CSkeletonAni();
    explicit CSkeletonAni(CSkeleton* skeleton);
    CSkeletonAni(const CSkeletonAni& other);
    CSkeletonAni& operator=(const CSkeletonAni& other);
    virtual ~CSkeletonAni() {}

    // Advances the play time by dt (seconds of the clip); E_FAIL when not built.
    virtual long FrameMoveE(float dt);
    // Advances to the absolute time now (ignoring steps below the minimum).
    virtual long FrameMove(float now);
    // Draws the skeleton at its frame under local transform x this transform.
    virtual long Render(IDirect3DDevice8* device);
    virtual long RenderRough(IDirect3DDevice8* device, int mode);
    // E_FAIL without a skeleton; else built, on action 0.
    virtual long Build();

    void SetSkeleton(CSkeleton* skeleton);
    CSkeleton* GetSkeleton() const { return m_pSkeleton; }
    long BuildFromSkeleton(CSkeleton* skeleton);
    void Reset();
    int IsBuild() const { return m_bBuilt; }

    void SetCurrentAction(DWORD id);
    void SetFirstAction();
    DWORD GetCurrentAction() const { return m_dwCurAction; }
    // Ignored for a frame past the clip's end.
    void SetCurrentFrame(DWORD frame);
    DWORD GetCurrentFrame() const { return m_dwCurFrame; }
    void SetCurrentFrameTime(float t) { m_fLastTime = t; }
    float GetPlayTime() const { return m_fPlayTime; }
    void SetPlayInterval(float start, float end);
    // Frames first..last of the current clip; ignored for frames past its end.
    void SetPlayInterval(int first, int last);
    float GetIntervalStart() const { return m_fIntervalStart; }
    float GetIntervalEnd() const { return m_fIntervalEnd; }
    float GetIntervalLength() const { return m_fIntervalLength; }
    void SetPlayMode(ENUM_ANIPLAY_MODE mode) { m_eMode = mode; }
    ENUM_ANIPLAY_MODE GetPlayMode() const { return m_eMode; }
    // At least 0.0001.
    void SetPlaySpeed(float s) { m_fSpeed = s > 0.0001f ? s : 0.0001f; }
    float GetPlaySpeed() const { return m_fSpeed; }
    void Play() { m_bPlaying = 1; }
    void Stop() { m_bPlaying = 0; }
    void Rewind(int) {}
    int IsPlaying() const { return m_bPlaying; }
    int IsForward() const { return m_bForward; }
    void EnbaleForward(int forward) { m_bForward = forward; }
    float GetMinPricision() const { return m_fMinStep; }
    void SetMinPricision(float s) { m_fMinStep = s; }

    void SetTransform(const D3DXMATRIX* m) { m_matTransform = *m; }
    const D3DXMATRIX* GetTransform() const { return &m_matTransform; }
    void SetAdjustTransform(const D3DXMATRIX* m) { m_matAdjust = *m; }
    const D3DXMATRIX* GetAdjustTransform() const { return &m_matAdjust; }
    void SetContext(void* context) { m_pContext = context; }
    void* GetContext() const { return m_pContext; }
    D3DXMATRIX GetObjectTM(CBaseObject* object) const;
    D3DXMATRIX GetObjectTM(const char* name) const;

    // Callbacks, called in id order with (event, user value, this).
    DWORD RegisterCallBack(const char* name, PFN_SKLANI_CALLBACK fn, void* user);
    int UnRegisterCallBack(DWORD id);
    void Notify(DWORD event);
    DWORD GetLastEvent() const { return m_dwLastEvent; }
    void Release() { m_callbacks.clear(); }

protected:
    // The play time after a step in the current mode.
    void Advance(float step);

    // A trail emitter's Synchronize reads these three, right behind the
    // virtual table, from the instance its callback is given: keep them first.
    CSkeleton* m_pSkeleton = nullptr;
    DWORD m_dwCurAction = 0xFFFFFFFF;
    DWORD m_dwCurFrame = 0;
    DWORD m_dwWord = 0;
    float m_fPlayTime = 0.0f;
    ENUM_ANIPLAY_MODE m_eMode = ANIPLAY_LOOP;
    float m_fSpeed = 1.0f;
    float m_fLastTime = 0.0f;
    int m_bPlaying = 1;
    int m_bForward = 1;
    int m_bBounced = 0;
    float m_fIntervalLength = 2000.0f;
    float m_fIntervalStart = 0.0f;
    float m_fIntervalEnd = 0.0f;
    float m_fMinStep = 0.01f;
    float m_fAccumulator = 0.0f;
    int m_bBuilt = 0;
    D3DXMATRIX m_matTransform;
    D3DXMATRIX m_matAdjust;
    void* m_pContext = nullptr;
    std::map<DWORD, std::unique_ptr<SPfnCallBackData>> m_callbacks;
    DWORD m_dwNextCallBack = 0;
    DWORD m_dwLastEvent = 0xFFFFFFFF;
};

} // namespace Kestu
