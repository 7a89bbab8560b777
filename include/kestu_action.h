// Animation clips of skeletons and the action adapters that play them.
// A clip (CActionData) holds, for every frame and every animated bone, the
// bone's matrix in model space and, alternatively, a rotation quaternion with
// an offset, plus the time of every frame; it also carries the offline key
// tools (relative and model-space matrices, quaternions, slerp, re-timing).
// An adapter (IActionAdapter, the engine's own CAction) binds a clip's bones
// to a skeleton's bone objects, turns time into a frame and moves the bones.
#pragma once
#include "kestu_export.h"
#include <windows.h>
#include <d3dx8.h>

#include <list>
#include <string>
#include <vector>

class COUArchive;

namespace Kestu {

class CSkeleton;
class CSkeletonTreeNode;
class CBaseObject;
class CSkAniBone;

// ACT flag bits of a clip.
enum : DWORD {
    KESTU_ACT_MATRICES = 1,  // the model-space matrix list is stored
    KESTU_ACT_QUATS = 2,     // the offset and quaternion lists are stored
    KESTU_ACT_BONEMAJOR = 4, // stored arrays run bone by bone
    KESTU_ACT_ORIGINTIMES = 8,
};

struct KESTU_API SActionHeader {
    DWORD dwHeader = 0;
    DWORD dwActionID = 0xFFFFFFFF;
    DWORD dwFrameNum = 0;
    DWORD dwBoneNum = 0;

    virtual ~SActionHeader() {}
};

class KESTU_API CActionData : public SActionHeader {
public:
    using BoneNameList = std::list<std::string>;

    CActionData() {}
    // Copies every field with copies of the arrays of its own.
    CActionData(const CActionData& other) = default;
    // Copies the header, names, times, bone list and key arrays; not the ACT
    // flag, origin times, parent or rate.
    CActionData& operator=(const CActionData& other);
    ~CActionData() override {}

    // The "ACTSDATA" record (version: the file's clip version). 0; E_FAIL
    // for a clip without bones, a short record or a damaged one.
    virtual long Serialize(DWORD version, COUArchive& ar, DWORD& byteCount, DWORD, int store, int flag);

    // Frees every array, empties the names, resets the header.
    void Clear();
    DWORD AddRef() { return ++m_dwRef; }
    // One reference less (never below 0); the object stays.
    DWORD Release() { return m_dwRef ? --m_dwRef : 0; }
    DWORD GetRef() const { return m_dwRef; }

    DWORD GetACTFlag() const { return m_dwACTFlag; }
    void SetACTFlag(DWORD f) { m_dwACTFlag = f; }
    DWORD GetFrameNum() const { return dwFrameNum; }
    DWORD GetBoneNum() const { return dwBoneNum; }
    DWORD GetActionID() const { return dwActionID; }
    void SetActionID(DWORD id) { dwActionID = id; }
    DWORD* GetBoneList() { return m_boneList.empty() ? nullptr : m_boneList.data(); }
    D3DXMATRIX* GetMatrixList() { return m_matList.empty() ? nullptr : m_matList.data(); }
    D3DXMATRIX* GetRMatrixList() { return m_rmatList.empty() ? nullptr : m_rmatList.data(); }
    D3DXVECTOR4* GetOffsetList() { return m_offsets.empty() ? nullptr : m_offsets.data(); }
    D3DXQUATERNION* GetQuatList() { return m_quats.empty() ? nullptr : m_quats.data(); }
    float* GetFrameTime() { return m_frameTimes.empty() ? nullptr : m_frameTimes.data(); }
    float* GetOriginFrameTime() { return m_originTimes.empty() ? nullptr : m_originTimes.data(); }
    float GetTotalTime() const { return m_fTotalTime; }
    BoneNameList* GetBoneNameListPtr() { return &m_boneNames; }
    // Replaces the caller's list with a copy of the names; 1.
    int GetBoneNameList(BoneNameList& list) const;
    void SetParent(CSkeleton* s) { m_pParent = s; }
    CSkeleton* GetParent() const { return m_pParent; }
    DWORD GetRate() const { return m_dwRate; }
    void SetRate(DWORD r) { m_dwRate = r; }

    // The setters copy n elements.
    void SetBoneList(DWORD n, const DWORD* ids);
    void SetMatrixList(DWORD n, const D3DXMATRIX* m);
    void SetRMatrixList(DWORD n, const D3DXMATRIX* m);
    void SetQuatList(DWORD n, const D3DXQUATERNION* q);
    void SetOffsetList(DWORD n, const D3DXVECTOR4* o);
    // w = 1 for every offset.
    void SetOffsetList(DWORD n, const D3DXVECTOR3* o);
    // F = n, total time = times[n - 1].
    void SetFrameTime(DWORD n, const float* times);
    void SetOriginFrameTime(DWORD n, const float* times);
    // The origin times over the frame times; E_FAIL when either is missing.
    long SetFrameTimeToMaxOrigin();
    // Stretches the frame times by s.
    void Scale(float s);

    // Advances the play clock by dt, wraps it by the total time and returns
    // the first frame whose time is strictly greater (0 when none).
    DWORD GetPositionByTime(int, float dt);
    // Wraps t (in place) by the total time and returns the first frame whose
    // time is at or after it (0 when none).
    DWORD GetPositionByTime(float& t) const;
    float GetPlayClock() const { return m_fPlayClock; }
    void SetPlayClock(float t) { m_fPlayClock = t; }

    // bone list[i] = the skeleton's id of the i-th stored name; 0.
    long GenerateBoneList(CSkeleton* s);
    // Quaternions and offsets from the relative matrices, and back.
    void BuildQuaternion();
    void BuildMatrix();
    // out[b] = the blend of keys (frameA, b) and (frameB, b) at t.
    void GenRMListSlerp(DWORD frameA, DWORD frameB, float t, D3DXMATRIX* out) const;
    // One matrix from keys (first x second) and (first x third).
    void GenRMListSlerp(DWORD first, DWORD second, DWORD third, float t, D3DXMATRIX* out) const;
    // One frame of relative matrices (B of them) to model space.
    void RM2TMSingleFrame(const D3DXMATRIX* rm, D3DXMATRIX* out) const;
    void GenMatListFromRMatList();
    void GenRMatListFromMatList();
    void Test() {}

    static int m_bUseCondenseModeLoad;
    static void SetUseCondenseModeLoad(int v) { m_bUseCondenseModeLoad = v; }
    static int IsUseCondenseModeLoad() { return m_bUseCondenseModeLoad; }

    // Helpers of the key tools, exposed for the tools and tests.
    // Key matrix from a quaternion and an offset (w = -1 mirrors).
    static void KeyMatrix(const D3DXQUATERNION& q, const D3DXVECTOR4& offset, D3DXMATRIX* out);
    // Quaternion and offset x, y, z from a key matrix (offset w stays).
    static void KeyFromMatrix(const D3DXMATRIX& m, D3DXQUATERNION* q, D3DXVECTOR4* offset);
    // Equality under the key tolerance.
    static bool KeyEqual(float a, float b);
    static bool KeyEqual(const D3DXMATRIX& a, const D3DXMATRIX& b);

protected:
    // The clip index of the object's bone, or 0xFFFFFFFF.
    DWORD GetBoneIndex(const CBaseObject* o) const;
    // 1 when the first and last frames agree under the key tolerance.
    int Check() const;

    // The clip index of each bone object, for the walks.
    class BoneIndexTable;
    using NodeFunction = long (CActionData::*)(const CSkeletonTreeNode*, D3DXMATRIX*, const D3DXMATRIX&,
                                               const D3DXMATRIX*, const BoneIndexTable&) const;
    void EnumSkeletonTree(const CSkeletonTreeNode* node, D3DXMATRIX* outList, const D3DXMATRIX& parent, NodeFunction fn,
                          const D3DXMATRIX* input, const BoneIndexTable& index) const;
    long EnumFuncRM2TM(const CSkeletonTreeNode* node, D3DXMATRIX* out, const D3DXMATRIX& parent, const D3DXMATRIX* rm,
                       const BoneIndexTable& index) const;
    long EnumFuncBuildRM(const CSkeletonTreeNode* node, D3DXMATRIX* out, const D3DXMATRIX& parent, const D3DXMATRIX* tm,
                         const BoneIndexTable& index) const;
    // Reads the arrays of one key kind frame-major or bone by bone.
    template <class T>
    void KeyArray(COUArchive& ar, int store, std::vector<T>& keys, DWORD& byteCount);

    DWORD m_dwACTFlag = KESTU_ACT_MATRICES | KESTU_ACT_QUATS;
    std::vector<DWORD> m_boneList;
    std::vector<D3DXMATRIX> m_matList;
    std::vector<D3DXMATRIX> m_rmatList;
    std::vector<D3DXVECTOR4> m_offsets;
    BoneNameList m_boneNames;
    std::vector<D3DXQUATERNION> m_quats;
    float m_fTotalTime = 0.0f;
    std::vector<float> m_frameTimes;
    std::vector<float> m_originTimes;
    float m_fPlayClock = 0.0f;
    CSkeleton* m_pParent = nullptr;
    DWORD m_dwRate = 0;
    DWORD m_dwWord = 0;
    DWORD m_dwRef = 0;
};

class KESTU_API IActionAdapter {
public:
    IActionAdapter() {}
    IActionAdapter(const IActionAdapter&) = default;
    IActionAdapter& operator=(const IActionAdapter&) = default;
    virtual ~IActionAdapter() {}
    // Moves the bones to a frame under the world transform.
    virtual long TransformObject(DWORD frame, const D3DXMATRIX* world) = 0;
    virtual DWORD GetPositionByTime(int, float dt) = 0;
    virtual DWORD GetPositionByTime(float& t) = 0;
    virtual DWORD GetObjectIndex(const char* name) = 0;
    virtual DWORD GetObjectIndex(CBaseObject* object) = 0;
    virtual const D3DXMATRIX* GetObjectTM(DWORD index, DWORD frame) const = 0;
    virtual long GenerateBoneList(CSkeleton* s) = 0;
    virtual long Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag) = 0;

    DWORD GetACTVersion() const { return m_dwACTVersion; }
    void SetACTVersion(DWORD v) { m_dwACTVersion = v; }
    DWORD GetFrameNum() const { return m_dwFrameNum; }
    DWORD GetID() const { return m_dwID; }
    void SetID(DWORD id) { m_dwID = id; }
    DWORD GetCurActionID() const { return m_dwCurActionID; }
    DWORD GetCurActFrame() const { return m_dwCurFrame; }
    CActionData* GetCurActionData() const { return m_pCurAction; }
    CBaseObject** GetBonePtrList() const { return m_ppBonePtrs; }
    float* GetFrameTime() const { return m_pFrameTimes; }

protected:
    DWORD m_dwWord = 0;
    DWORD m_dwACTVersion = 2;
    DWORD m_dwFrameNum = 0;
    DWORD m_dwID = 0xFFFFFFFF;
    DWORD m_dwCurActionID = 0xFFFFFFFF;
    DWORD m_dwCurFrame = 0xFFFFFFFF;
    CActionData* m_pCurAction = nullptr;
    CBaseObject** m_ppBonePtrs = nullptr;
    DWORD m_dwWords[2] = {};
    float* m_pFrameTimes = nullptr;
};

class KESTU_API CAction : public IActionAdapter {
public:
    CAction() {}
    // Copies own copies of the bone arrays.
    CAction(const CAction& other) = default;
    // Cleanup, then the bone count, parent and clip (no bone arrays).
    CAction& operator=(const CAction& other);
    ~CAction() override {}

    // Sets the clip's keys of the frame on the bound bones. E_FAIL for a clip
    // without matrices or a frame past its end.
    long TransformObject(DWORD frame, const D3DXMATRIX* world) override;
    DWORD GetPositionByTime(int, float dt) override;
    DWORD GetPositionByTime(float& t) override;
    DWORD GetObjectIndex(const char* name) override;
    DWORD GetObjectIndex(CBaseObject* object) override;
    const D3DXMATRIX* GetObjectTM(DWORD, DWORD) const override { return nullptr; }
    // Binds the clip's bone names to s's bones; E_FAIL when one is missing.
    long GenerateBoneList(CSkeleton* s) override;
    long Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag) override;
    virtual void Cleanup();

    void SetActionData(CActionData* d);
    CActionData* GetActionData() const { return m_pAction; }
    void SetBoneList(DWORD n, const DWORD* ids);
    DWORD* GetBoneList() { return m_boneIds.empty() ? nullptr : m_boneIds.data(); }
    CSkAniBone** GetBonePtrList() { return m_bones.empty() ? nullptr : m_bones.data(); }
    // The clip's bone count (0 without clip).
    DWORD GetBoneNumber() const;
    void SetParent(CSkeleton* s) { m_pParent = s; }
    CSkeleton* GetParent() const { return m_pParent; }
    float* GetFrameTime() const;

protected:
    DWORD m_dwBoneNum = 0;
    std::vector<CSkAniBone*> m_bones;
    std::vector<DWORD> m_boneIds;
    CSkeleton* m_pParent = nullptr;
    CActionData* m_pAction = nullptr;
};

class KESTU_API IActionAdapterFactory {
public:
    virtual ~IActionAdapterFactory() {}
    virtual IActionAdapter* CreateActionAdapter() = 0;
    virtual void DestroyActionAdapter(IActionAdapter* adapter) = 0;
};

// Makes CAction adapters.
class KESTU_API CActionAdapterFactory : public IActionAdapterFactory {
public:
    IActionAdapter* CreateActionAdapter() override;
    void DestroyActionAdapter(IActionAdapter* adapter) override { delete adapter; }
};

} // namespace Kestu
