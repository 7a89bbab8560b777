// The weight and palette-offset streams of the shader paths.
#include <algorithm>
#include <cstring>
#include <vector>

#include "kestu_meshdata.h"
#include "kestu_meshdatamng.h"
#include "model/skinning/SkinKernel.h"

namespace Kestu {

namespace {

using Stream = CountedRef<IDirect3DVertexBuffer8>;

// A managed vertex buffer holding the bytes; false when it cannot be made.
bool MakeStream(IDirect3DDevice8* device, const void* bytes, size_t size, Stream& out)
{
    out.Reset();
    IDirect3DVertexBuffer8* vb = nullptr;
    if (!device || size == 0 ||
        FAILED(device->CreateVertexBuffer(static_cast<UINT>(size), 0, 0, D3DPOOL_MANAGED, &vb)) || !vb)
        return false;
    BYTE* bits = nullptr;
    if (FAILED(vb->Lock(0, 0, &bits, 0))) {
        vb->Release();
        return false;
    }
    std::memcpy(bits, bytes, size);
    vb->Unlock();
    out.Reset(vb);
    vb->Release();
    return true;
}

} // namespace

int CMeshDataBase::BuildVsVertexBuffer(IDirect3DDevice8* device, CSkAniBone**, DWORD boneCount)
{
    m_bVSMode = 0;
    const long limit = CMeshDataMng::GetSkinMaxContainBones();
    if (m_dwBatchNum == 0 ? long(boneCount) > limit : long(m_dwMaxBatchBones) > limit) return 0;
    m_dwShaderBonesNum = boneCount;
    const DWORD b = m_dwBonesPerVertex;
    const DWORD n = dwVerticesNum;
    if (b >= 9 || n == 0 || m_influences.size() < size_t(n) * b || m_weights.size() < size_t(n) * b) return 0;
    const DWORD p = b <= 4 ? 4 : 8;
    m_dwStrideWeight = 4 * p;
    m_dwStrideIndex = 2 * p;
    auto source = [&](DWORD v) { return v < m_redundant.size() && m_redundant[v] < n ? m_redundant[v] : v; };

    std::vector<float> weights(size_t(n) * p, 0.0f);
    std::vector<WORD> offsets;
    if (m_dwBatchNum == 0) offsets.assign(size_t(n) * p, 0);
    for (DWORD v = 0; v < n; ++v) {
        const DWORD from = source(v);
        for (DWORD i = 0; i < b; ++i) {
            const float w = m_weights[size_t(from) * b + i];
            if (!(w > skinning::kMinWeight)) continue;
            weights[size_t(v) * p + i] = w;
            if (m_dwBatchNum == 0) {
                // The shader reads only the palette it is given.
                const DWORD bone = m_influences[size_t(from) * b + i];
                if (bone >= boneCount) return 0;
                offsets[size_t(v) * p + i] = static_cast<WORD>(bone * 4);
            }
        }
    }
    for (DWORD k = 0; k < m_dwBatchNum; ++k) {
        if (m_paletteIdx[k].size() < size_t(n) * p || m_dwBoneCount[k] > m_boneList[k].size()) return 0;
        for (DWORD s = 0; s < m_dwBoneCount[k]; ++s)
            if (m_boneList[k][s] >= boneCount) return 0;
    }

    if (!MakeStream(device, weights.data(), weights.size() * 4, m_pWeightStream)) return 0;
    for (auto& stream : m_pIndexStream) stream.Reset();
    if (m_dwBatchNum == 0) {
        if (!MakeStream(device, offsets.data(), offsets.size() * 2, m_pIndexStream[0])) return 0;
    } else {
        for (DWORD k = 0; k < m_dwBatchNum; ++k)
            if (!MakeStream(device, m_paletteIdx[k].data(), size_t(n) * p * 2, m_pIndexStream[k])) return 0;
    }
    m_bVSMode = 1;
    return 1;
}

} // namespace Kestu
