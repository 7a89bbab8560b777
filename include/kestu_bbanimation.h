// Billboard animations: frame sequences of pictures (texture id, size, hot
// spot, offset, texture rectangle) with cumulative end times, played forward
// or backward, once, looped or back and forth; and the multi-directional
// animation that shows one sequence per viewing direction.
//
// A group of animations comes from one little-endian byte buffer: a 36-byte
// head (u16 version 1, u16 0, u32 animation count > 0, 28 reserved bytes),
// then each animation as u32 frame count, u32 frame record size (at least
// 48) and the frame records. The builders take the buffer's length and
// refuse a buffer whose counts or record sizes do not fit it.
#pragma once
#include <cstdint>

#include "d3dx8math.h"
#include "kestu_aniplay.h"
#include "kestu_export.h"
#include "ou_geometry.h"
#include "windef.h"

#define KESTU_BBANI_VERSION 1
#define KESTU_BBANI_GROUPHEADER_SIZE 36
#define KESTU_BBANI_HEADER_SIZE 8
#define KESTU_BBANI_FRAME_SIZE 48

struct KESTU_API BBANIMATION_GROUPHEADER {
    WORD wVersion = KESTU_BBANI_VERSION;
    WORD wReserved = 0;
    DWORD dwAnimationNumber = 0;
    BYTE reserved[28] = {};
    int IsValid() const { return wVersion == KESTU_BBANI_VERSION && wReserved == 0 && dwAnimationNumber > 0; }
};

struct KESTU_API BBANIMATION_HEADER {
    DWORD dwFrameNumber = 0;
    DWORD dwFrameSize = KESTU_BBANI_FRAME_SIZE;
    DWORD GetAnimationSize() const { return dwFrameSize * dwFrameNumber + KESTU_BBANI_HEADER_SIZE; }
};

// The 48-byte frame record.
struct KESTU_API BBANIMATION_FRAME_INIT {
    DWORD dwTextureID = 0;
    float fTime = 0.1f; // end time of the frame, seconds from the start (cumulative)
    FPOINT ptHotSpot{0.5f, 1.0f};
    D3DXVECTOR2 vOffset{0.0f, 0.0f};
    FSIZE size{1.0f, 1.0f};
    FRECT rcTexture{0.0f, 0.0f, 1.0f, 1.0f};

    int IsEmpty() const { return fTime == 0.0f ? 1 : 0; }
    int IsValid() const;
    // Field by field, little-endian, 48 bytes.
    void Read(const BYTE* bytes);
    void Write(BYTE* bytes) const;
};

class KESTU_API CBBAFrame {
public:
    explicit CBBAFrame(float time = 0.1f);
    virtual ~CBBAFrame() {}
    virtual int Build(const BBANIMATION_FRAME_INIT* init);
    // Build from the 48 bytes of a stored frame record.
    int BuildFromRecord(const void* record);
    virtual void Release() { m_bBuilt = 0; }

    // 48 bytes in and out; 0 for a null buffer, else 1.
    int ReadInitfromBuffer(const void* buffer);
    int WriteInitToBuffer(void* buffer) const;

    void ChangeTimeReferenceFromDefault(float s) { m_Init.fTime = s * m_fDefaultTime; }
    void ChangeTimeReferenceFromCurrent(float s) { m_Init.fTime *= s; }
    void ResetTimeReference() { m_Init.fTime = m_fDefaultTime; }

    int IsBuilt() const { return m_bBuilt; }
    int IsEmpty() const { return m_Init.IsEmpty(); }
    int IsValid() const { return m_Init.IsValid(); }
    float GetDefaultTime() const { return m_fDefaultTime; }

    BBANIMATION_FRAME_INIT m_Init;
    int32_t m_bBuilt = 0;
    float m_fDefaultTime;
};

// The empty frame that a finished checked step hands back.
extern KESTU_API CBBAFrame g_BBAFEmpty;

class KESTU_API CAnimation {
public:
    CAnimation() = default;
    virtual ~CAnimation() {}
    virtual int IsBuilt() const = 0;
    virtual void Release() {}
    virtual void ResetToBegin() { SetPosition(0.0f); }
    virtual void ResetToEnd() { SetPosition(1.0f); }
    // 0 to 1 over the cycle.
    virtual void SetPosition(float position) = 0;
    virtual float GetPosition() const = 0;
    virtual void SetRandomPosition();
    // The position in seconds.
    virtual void SetTimeReference(float t) = 0;
    virtual float GetTimeReference() const = 0;
    virtual float GetDuration() const { return GetEndTime() - GetStartTime(); }
    virtual float GetStartTime() const = 0;
    virtual float GetEndTime() const = 0;
    virtual int IsPlaying() { return m_bPlaying; }
    // A start position below 0 keeps the current position.
    virtual void Play(float now, ENUM_ANIPLAY_MODE mode, int bForward, float startPosition) = 0;
    virtual void Stop() = 0;
    virtual CBBAFrame* GetFrame(DWORD index) = 0;
    virtual CBBAFrame* GetCurrentFrame() = 0;
    virtual void SetCurrentFrame(DWORD index) = 0;
    virtual DWORD GetCurrentFrameIdx() const = 0;
    virtual DWORD GetFrameNumber() const = 0;
    virtual DWORD GetActiveFrameNumber() const = 0;
    virtual void SetCycle(DWORD first, DWORD last) = 0;
    virtual void FrameMove(float /*now*/, float /*angle*/) {}
    virtual void FrameMove(float /*now*/) {}

    int IsForward() const { return m_bForward; }
    int IsAutoStop() const { return m_ePlayMode == ANIPLAY_ONCE ? 1 : 0; }
    int IsLoop() const { return m_ePlayMode == ANIPLAY_LOOP ? 1 : 0; }
    int IsPlayAlternately() const { return m_ePlayMode == ANIPLAY_PINGPONG_ONCE ? 1 : 0; }
    int IsPlayLoopAlternately() const { return m_ePlayMode == ANIPLAY_PINGPONG ? 1 : 0; }
    ENUM_ANIPLAY_MODE GetPlayMode() const { return m_ePlayMode; }
    void Replay(float now) { Play(now, m_ePlayMode, m_bForward, 0.0f); }

protected:
    ENUM_ANIPLAY_MODE m_ePlayMode = ANIPLAY_ONCE;
    int32_t m_bPlaying = 0;
    int32_t m_bForward = 1;
    int32_t m_bReturning = 0;
};

class KESTU_API CBBAni : public CAnimation {
public:
    CBBAni() = default;
    CBBAni(const CBBAni& other);
    CBBAni& operator=(const CBBAni& other);
    ~CBBAni() override;

    // Frames from the records behind the header; the caller has checked
    // that frame count x 48 bytes follow it. 1, or 0 when the frames cannot
    // be allocated. No frames make an empty animation: it shows g_BBAFEmpty
    // and plays nothing.
    int Build(const BBANIMATION_HEADER* header);
    int Build(const BYTE* frames, DWORD frameCount);

    int IsBuilt() const override { return m_pFrames != nullptr ? 1 : 0; }
    void Release() override;
    void SetPosition(float position) override;
    float GetPosition() const override;
    void SetTimeReference(float t) override;
    float GetTimeReference() const override { return m_fPosition; }
    float GetStartTime() const override;
    float GetEndTime() const override;
    void Play(float now, ENUM_ANIPLAY_MODE mode, int bForward, float startPosition) override;
    void Stop() override { m_bPlaying = 0; }
    CBBAFrame* GetFrame(DWORD index) override;
    CBBAFrame* GetCurrentFrame() override { return GetFrame(m_dwCurrFrame); }
    void SetCurrentFrame(DWORD index) override;
    DWORD GetCurrentFrameIdx() const override { return m_dwCurrFrame; }
    DWORD GetFrameNumber() const override { return m_dwFrameNumber; }
    DWORD GetActiveFrameNumber() const override { return m_dwCycleLast - m_dwCycleFirst + 1; }
    void SetCycle(DWORD first, DWORD last) override;
    void FrameMove(float now) override;
    void FrameMove(float now, float) override { FrameMove(now); }

    const D3DXVECTOR2* GetOffset();
    CBBAFrame* GetFirstFrame() { return GetFrame(m_dwCycleFirst); }
    CBBAFrame* GetLastFrame() { return GetFrame(m_dwCycleLast); }
    int IsFirstFrame() const { return m_dwCurrFrame == m_dwCycleFirst ? 1 : 0; }
    int IsLastFrame() const { return m_dwCurrFrame == m_dwCycleLast ? 1 : 0; }
    int IsMiddleFrame() const { return m_dwCurrFrame == m_dwFrameNumber / 2 ? 1 : 0; }
    int IsXFrame(DWORD i) const { return m_dwCurrFrame == i ? 1 : 0; }
    int IsFirstFrameHead() const;
    int IsLastFrameHead() const;
    int IsXFrameHead(DWORD i) const;
    CBBAFrame* GetNextFrame(float now);
    CBBAFrame* GetPreviousFrame(float now);
    CBBAFrame* GetNextFrameCyclic(float now);
    CBBAFrame* GetPreviousFrameCyclic(float now);
    CBBAFrame* GetNextFrameChk(float now);
    CBBAFrame* GetPreviousFrameChk(float now);
    DWORD GetMaxWidth(float& w) const;
    DWORD GetMaxHeight(float& h) const;
    DWORD GetMinWidth(float& w) const;
    DWORD GetMinHeight(float& h) const;
    void ChangeSpeedFromDefault(float s);
    void ChangeSpeedFromCurrent(float s);
    void ResetSpeed();

    DWORD GetPreviousFrameIdx() const { return m_dwPrevFrame; }

private:
    // The first cycle frame whose time exceeds (strict) or reaches the position.
    void PickFrame(bool strict);
    float Advance(float now);
    // Brings a position past an end back into the cycle; never loops on a
    // cycle of no length.
    void WrapUp();
    void WrapDown();

    CBBAFrame* m_pFrames = nullptr;
    DWORD m_dwCurrFrame = 0;
    DWORD m_dwPrevFrame = 0xFFFFFFFF;
    DWORD m_dwFrameNumber = 0;
    DWORD m_dwCycleFirst = 0;
    DWORD m_dwCycleLast = 0;
    float m_fPosition = 0.0f;
    float m_fLastTime = 0.0f;
};

// One animation per viewing direction. The direction-0 animation is the
// clock of all of them: it plays, stops and moves; the current direction
// only chooses which picture shows at the clock's frame.
class KESTU_API CMultiDirBBAni : public CAnimation {
public:
    CMultiDirBBAni() = default;
    ~CMultiDirBBAni() override { Release(); }

    // The animations belong to the caller. 1, or 0 without animations.
    int Build(CAnimation** animations, DWORD count, float angle0, float step);
    // The direction whose sector holds the angle (radians, any range).
    DWORD PickDirection(float angle) const;

    int IsBuilt() const override { return m_ppAnimations != nullptr ? 1 : 0; }
    void Release() override;
    void SetPosition(float position) override;
    float GetPosition() const override;
    void SetTimeReference(float t) override;
    float GetTimeReference() const override;
    float GetStartTime() const override;
    float GetEndTime() const override;
    int IsPlaying() override;
    void Play(float now, ENUM_ANIPLAY_MODE mode, int bForward, float startPosition) override;
    void Stop() override;
    CBBAFrame* GetFrame(DWORD index) override;
    CBBAFrame* GetCurrentFrame() override;
    void SetCurrentFrame(DWORD index) override;
    DWORD GetCurrentFrameIdx() const override;
    DWORD GetFrameNumber() const override;
    DWORD GetActiveFrameNumber() const override;
    void SetCycle(DWORD first, DWORD last) override;
    void FrameMove(float now, float angle) override;
    void FrameMove(float now) override;

    DWORD GetDirectionNumber() const { return m_dwDirNumber; }
    DWORD GetCurrentDirection() const { return m_dwCurrDir; }

private:
    CAnimation* Clock() const { return m_ppAnimations != nullptr ? m_ppAnimations[0] : nullptr; }

    CAnimation** m_ppAnimations = nullptr;
    DWORD m_dwDirNumber = 0;
    DWORD m_dwCurrDir = 0;
    float m_fAngle0 = 0.0f;
    float m_fStep = 0.0f;
};

// One CBBAni per animation of the buffer, in a new array (delete[] the array
// and each animation); the count built, 0 for a buffer that does not walk
// whole within its length or when memory runs out. An animation without
// frames is built as an empty one beside the others.
KESTU_API DWORD BuildBBAnimationGroup(CAnimation**& out, const void* buffer, DWORD length);
// Skips `first` animations and builds the next `count`.
KESTU_API DWORD BuildBBAnimationGroup(CAnimation**& out, const void* buffer, DWORD length, DWORD first, DWORD count);
// Deletes a group made by BuildBBAnimationGroup; out becomes null.
KESTU_API void DeleteBBAnimationGroup(CAnimation**& group, DWORD count);
