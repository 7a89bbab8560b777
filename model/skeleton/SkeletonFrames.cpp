// Moving a skeleton to a frame of a clip: the bones, the skins' deformation
// (through the mesh-data manager's cache when it is on) and the bound box.
#include "kestu_meshdatamng.h"
#include "kestu_skeleton.h"

namespace Kestu {

namespace {

bool CacheOn(const CMeshDataMng* mng) { return mng && CMeshDataMng::IsUsingCache(); }

} // namespace

void CSkeleton::DeformSkins(DWORD action, DWORD frame, bool onlyUncached, IActionAdapter* adapter)
{
    bool moved = !onlyUncached;
    auto moveBones = [&] {
        // The bones are moved once, before the first skin that needs them.
        if (!moved && (m_dwCurAction != action || m_dwCurFrame != frame)) adapter->TransformObject(frame, &m_matWorld);
        moved = true;
    };
    for (auto& [id, skin] : m_skins) {
        CMeshDataBase* mesh = skin->GetMeshData();
        if (!mesh) continue;
        // A mesh the vertex shader blends caches nothing: its palette is
        // made for every frame drawn.
        if (!CacheOn(m_pMeshMng) || mesh->IsShaderSkinned()) {
            if (!onlyUncached || mesh->IsShaderSkinned()) {
                moveBones();
                skin->CalcDeform();
            }
            continue;
        }
        if (m_pMeshMng->GetCachedData(mesh->GetMeshID(), action, frame) >= 0) continue;
        moveBones();
        skin->CalcDeform();
        if (CMemVertexBuffer* vb = mesh->GetMemVertexBuffer()) {
            vb->AddRef();
            if (m_pMeshMng->AddDataToCache(mesh->GetMeshID(), action, frame, vb, mesh->GetBoundBox()) < 0)
                vb->Release();
        }
    }
}

long CSkeleton::Transform(DWORD action, DWORD frame, CSkeleton* other)
{
    if (other) return 0;
    IActionAdapter* adapter = GetAction(action);
    if (!adapter) return E_FAIL;
    const long hr = adapter->TransformObject(frame, &m_matWorld);
    if (hr < 0) return hr;
    DeformSkins(action, frame, false, adapter);

    m_bboxCur.Reset();
    CAction* own = dynamic_cast<CAction*>(adapter);
    const DWORD bones = own ? own->GetBoneNumber() : 0;
    CSkAniBone** list = own ? own->GetBonePtrList() : nullptr;
    CBaseObject** generic = own ? nullptr : adapter->GetBonePtrList();
    for (DWORD i = 0; list && i < bones; ++i)
        if (list[i] && list[i]->IsVisible()) {
            m_bboxCur.AddPoint(&list[i]->GetBoundBox()->max);
            m_bboxCur.AddPoint(&list[i]->GetBoundBox()->min);
        }
    if (generic && m_pBones)
        for (auto& [id, bone] : *m_pBones)
            if (bone->IsVisible()) {
                m_bboxCur.AddPoint(&bone->GetBoundBox()->max);
                m_bboxCur.AddPoint(&bone->GetBoundBox()->min);
            }
    m_bboxCur.Transform(&m_matLocal);
    m_dwCurAction = action;
    m_dwCurFrame = frame;
    return 0;
}

void CSkeleton::SetCurrentRef(DWORD action, DWORD frame, CSkeleton* other)
{
    IActionAdapter* adapter = other ? nullptr : GetAction(action);
    if (!adapter || adapter->GetFrameNum() == 0) return;
    if (frame >= adapter->GetFrameNum()) frame = adapter->GetFrameNum() - 1;
    if (CacheOn(m_pMeshMng)) {
        DeformSkins(action, frame, true, adapter);
    } else if (m_dwCurAction != action || m_dwCurFrame != frame) {
        // Without the cache the skins hold the last frame deformed: an
        // instance that shares the skeleton gets its own frame back.
        Transform(action, frame, nullptr);
    }
    m_dwCurAction = action;
    m_dwCurFrame = frame;
}

long CSkeleton::FrameMove(float dt)
{
    IActionAdapter* adapter = GetAction(0);
    if (!adapter) return 0;
    const DWORD frame = adapter->GetPositionByTime(0, dt);
    if (frame != m_dwCurFrame) {
        Transform(0, frame, nullptr);
        m_dwCurFrame = frame;
    }
    return 0;
}

void CSkeleton::ForEachCachedMesh(void (CMeshDataMng::*fn)(DWORD, DWORD), DWORD action)
{
    if (!CacheOn(m_pMeshMng)) return;
    for (auto& [skinId, skin] : m_skins)
        if (CMeshDataBase* mesh = skin->GetMeshData()) (m_pMeshMng->*fn)(mesh->GetMeshID(), action);
}

void CSkeleton::UseAction(DWORD id) { ForEachCachedMesh(&CMeshDataMng::UseAction, id); }

void CSkeleton::UnuseAction(DWORD id) { ForEachCachedMesh(&CMeshDataMng::UnuseAction, id); }

void CSkeleton::Refresh()
{
    for (auto& [id, skin] : m_skins)
        if (CMeshDataBase* mesh = skin->GetMeshData()) mesh->Update();
}

} // namespace Kestu
