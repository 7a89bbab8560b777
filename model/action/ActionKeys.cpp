// The offline key tools of a clip: key matrices from quaternions and
// offsets and back, slerp blending, the walks between relative and
// model-space matrices, and the seam check.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "kestu_action.h"
#include "kestu_skeleton.h"

namespace Kestu {

void CActionData::KeyMatrix(const D3DXQUATERNION& q, const D3DXVECTOR4& o, D3DXMATRIX* out)
{
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    D3DXMATRIX& m = *out;
    m._11 = x * x + w * w - (z * z + y * y);
    m._12 = 2 * x * y - 2 * w * z;
    m._13 = 2 * x * z + 2 * w * y;
    m._14 = 0;
    m._21 = 2 * x * y + 2 * w * z;
    m._22 = y * y + w * w - (z * z + x * x);
    m._23 = 2 * y * z - 2 * w * x;
    m._24 = 0;
    m._31 = 2 * x * z - 2 * w * y;
    m._32 = 2 * y * z + 2 * w * x;
    m._33 = z * z + w * w - (y * y + x * x);
    m._34 = 0;
    m._41 = o.x;
    m._42 = o.y;
    m._43 = o.z;
    m._44 = 1;
    if (std::fabs(o.w + 1.0f) < 0.0001f)
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c) m.m[r][c] = -m.m[r][c];
}

void CActionData::KeyFromMatrix(const D3DXMATRIX& m, D3DXQUATERNION* q, D3DXVECTOR4* offset)
{
    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &m);
    D3DXQuaternionRotationMatrix(q, &t);
    offset->x = m._41;
    offset->y = m._42;
    offset->z = m._43;
}

bool CActionData::KeyEqual(float a, float b)
{
    uint32_t ua, ub;
    std::memcpy(&ua, &a, 4);
    std::memcpy(&ub, &b, 4);
    if (ua == ub) return true;
    const float big = std::max(std::fabs(a), std::fabs(b));
    if (big < 0.005f || std::fabs(a - b) / big < 0.005f) return true;
    char line[64];
    std::snprintf(line, sizeof line, "epsilon =%f\n", double((a - b) / a));
    OutputDebugStringA(line);
    return false;
}

bool CActionData::KeyEqual(const D3DXMATRIX& a, const D3DXMATRIX& b)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!KeyEqual(a.m[r][c], b.m[r][c])) return false;
    return true;
}

void CActionData::BuildQuaternion()
{
    const size_t keys = m_rmatList.size();
    m_quats.resize(keys);
    if (m_offsets.size() != keys) m_offsets.resize(keys, D3DXVECTOR4(0, 0, 0, 1));
    for (size_t k = 0; k < keys; ++k) KeyFromMatrix(m_rmatList[k], &m_quats[k], &m_offsets[k]);
}

void CActionData::BuildMatrix()
{
    const size_t keys = std::min(m_quats.size(), m_offsets.size());
    m_rmatList.resize(keys);
    for (size_t k = 0; k < keys; ++k) KeyMatrix(m_quats[k], m_offsets[k], &m_rmatList[k]);
}

void CActionData::GenRMListSlerp(DWORD frameA, DWORD frameB, float t, D3DXMATRIX* out) const
{
    const size_t bones = dwBoneNum;
    const size_t keys = std::min(m_quats.size(), m_offsets.size());
    if (!out || frameA >= dwFrameNum || frameB >= dwFrameNum || (size_t(std::max(frameA, frameB)) + 1) * bones > keys)
        return;
    const D3DXQUATERNION* qa = &m_quats[size_t(frameA) * bones];
    const D3DXQUATERNION* qb = &m_quats[size_t(frameB) * bones];
    const D3DXVECTOR4* oa = &m_offsets[size_t(frameA) * bones];
    const D3DXVECTOR4* ob = &m_offsets[size_t(frameB) * bones];
    for (size_t b = 0; b < bones; ++b) {
        D3DXQUATERNION q;
        D3DXQuaternionSlerp(&q, &qa[b], &qb[b], t);
        const D3DXVECTOR4 o((1 - t) * oa[b].x + t * ob[b].x, (1 - t) * oa[b].y + t * ob[b].y,
                            (1 - t) * oa[b].z + t * ob[b].z, (1 - t) * oa[b].w + t * ob[b].w);
        KeyMatrix(q, o, &out[b]);
    }
}

void CActionData::GenRMListSlerp(DWORD first, DWORD second, DWORD third, float t, D3DXMATRIX* out) const
{
    const unsigned long long a = static_cast<unsigned long long>(first) * second;
    const unsigned long long b = static_cast<unsigned long long>(first) * third;
    const size_t keys = std::min(m_quats.size(), m_offsets.size());
    if (!out || a >= keys || b >= keys) return;
    D3DXQUATERNION q;
    D3DXQuaternionSlerp(&q, &m_quats[a], &m_quats[b], t);
    const D3DXVECTOR4& oa = m_offsets[a];
    const D3DXVECTOR4& ob = m_offsets[b];
    const D3DXVECTOR4 o((1 - t) * oa.x + t * ob.x, (1 - t) * oa.y + t * ob.y, (1 - t) * oa.z + t * ob.z,
                        (1 - t) * oa.w + t * ob.w);
    KeyMatrix(q, o, out);
}

// Sorted (object, clip index) pairs: the first clip index of each object.
class CActionData::BoneIndexTable {
public:
    explicit BoneIndexTable(const CActionData& clip)
    {
        const DWORD n = static_cast<DWORD>(std::min<size_t>(clip.dwBoneNum, clip.m_boneList.size()));
        if (!clip.m_pParent) return;
        for (DWORD i = 0; i < n; ++i)
            if (const CBaseObject* bone = clip.m_pParent->GetBone(clip.m_boneList[i])) m_pairs.emplace_back(bone, i);
        std::stable_sort(m_pairs.begin(), m_pairs.end(), [](const auto& a, const auto& b) {
            return std::less<const CBaseObject*>()(a.first, b.first);
        });
    }
    DWORD Find(const CBaseObject* o) const
    {
        auto it = std::lower_bound(m_pairs.begin(), m_pairs.end(), o, [](const auto& p, const CBaseObject* key) {
            return std::less<const CBaseObject*>()(p.first, key);
        });
        return it != m_pairs.end() && it->first == o ? it->second : 0xFFFFFFFF;
    }

private:
    std::vector<std::pair<const CBaseObject*, DWORD>> m_pairs;
};

void CActionData::EnumSkeletonTree(const CSkeletonTreeNode* node, D3DXMATRIX* outList, const D3DXMATRIX& parent,
                                   NodeFunction fn, const D3DXMATRIX* input, const BoneIndexTable& index) const
{
    if (!node) return;
    const DWORD i = node->GetNodeObject() ? index.Find(node->GetNodeObject()) : 0xFFFFFFFF;
    const D3DXMATRIX* next = &parent;
    if (i == 0xFFFFFFFF) {
        if (node->GetNodeType() != KESTU_NODE_HELPER) return;
    } else {
        if (fn) (this->*fn)(node, &outList[i], parent, input, index);
        next = &outList[i];
    }
    const D3DXMATRIX copy = *next;
    for (const CSkeletonTreeNode* child : node->GetChildNodeList())
        EnumSkeletonTree(child, outList, copy, fn, input, index);
}

long CActionData::EnumFuncRM2TM(const CSkeletonTreeNode* node, D3DXMATRIX* out, const D3DXMATRIX& parent,
                                const D3DXMATRIX* rm, const BoneIndexTable& index) const
{
    const DWORD i = index.Find(node->GetNodeObject());
    if (i == 0xFFFFFFFF) {
        OutputDebugStringA("Buidl TM failed:Error bone ID");
        return E_FAIL;
    }
    D3DXMatrixMultiply(out, &rm[i], &parent);
    return 0;
}

long CActionData::EnumFuncBuildRM(const CSkeletonTreeNode* node, D3DXMATRIX* out, const D3DXMATRIX&,
                                  const D3DXMATRIX* tm, const BoneIndexTable& index) const
{
    const DWORD i = index.Find(node->GetNodeObject());
    if (i == 0xFFFFFFFF) return E_FAIL;
    D3DXMATRIX p;
    D3DXMatrixIdentity(&p);
    if (node->GetParent()) {
        const CSkeletonTreeNode* up = node->GetParent();
        DWORD a = 0xFFFFFFFF;
        for (; up; up = up->GetParent())
            if ((a = index.Find(up->GetNodeObject())) != 0xFFFFFFFF) break;
        if (!up) return E_FAIL;
        D3DXMatrixInverse(&p, nullptr, &tm[a]);
    }
    D3DXMatrixMultiply(out, &tm[i], &p);
    return 0;
}

void CActionData::RM2TMSingleFrame(const D3DXMATRIX* rm, D3DXMATRIX* out) const
{
    if (!m_pParent || !rm || !out) return;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EnumSkeletonTree(m_pParent->GetSkeletonTree(), out, identity, &CActionData::EnumFuncRM2TM, rm,
                     BoneIndexTable(*this));
}

void CActionData::GenMatListFromRMatList()
{
    const size_t bones = dwBoneNum;
    const size_t keys = size_t(dwFrameNum) * bones;
    if (!m_pParent || bones == 0 || m_rmatList.size() < keys) return;
    std::vector<D3DXMATRIX> fresh(keys);
    const bool compare = m_matList.size() >= keys;
    if (compare) std::copy(m_matList.begin(), m_matList.begin() + keys, fresh.begin());
    std::vector<std::string> names(m_boneNames.begin(), m_boneNames.end());
    for (size_t f = 0; f < dwFrameNum; ++f) {
        RM2TMSingleFrame(&m_rmatList[f * bones], &fresh[f * bones]);
        if (!compare) continue;
        for (size_t b = 0; b < bones; ++b) {
            if (KeyEqual(fresh[f * bones + b], m_matList[f * bones + b])) continue;
            char line[400];
            std::snprintf(line, sizeof line, "%d,%d not identical,%s\n", int(f), int(b),
                          b < names.size() ? names[b].c_str() : "");
            OutputDebugStringA(line);
        }
    }
    m_matList = std::move(fresh);
}

void CActionData::GenRMatListFromMatList()
{
    const size_t bones = dwBoneNum;
    const size_t keys = size_t(dwFrameNum) * bones;
    if (!m_pParent || bones == 0 || m_matList.size() < keys) return;
    // A bone whose relative matrix cannot be formed keeps its model-space one.
    std::vector<D3DXMATRIX> fresh(m_matList.begin(), m_matList.begin() + keys);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    const BoneIndexTable index(*this);
    for (size_t f = 0; f < dwFrameNum; ++f)
        EnumSkeletonTree(m_pParent->GetSkeletonTree(), &fresh[f * bones], identity, &CActionData::EnumFuncBuildRM,
                         &m_matList[f * bones], index);
    m_rmatList = std::move(fresh);
}

int CActionData::Check() const
{
    const size_t bones = dwBoneNum;
    if (dwFrameNum == 0 || m_matList.size() < size_t(dwFrameNum) * bones) return 1;
    const size_t last = size_t(dwFrameNum - 1) * bones;
    for (size_t b = 0; b < bones; ++b)
        if (!KeyEqual(m_matList[b], m_matList[last + b])) return 0;
    return 1;
}

} // namespace Kestu
