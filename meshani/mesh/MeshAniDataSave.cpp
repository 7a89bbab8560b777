// Writing a built GMA mesh back to a file, and moving one mesh's contents into another.
#include <cstring>
#include <utility>

#include "kestu_meshanidata.h"
#include "kestu_meshanimng.h"
#include "kestu_texture_list.h"

namespace {

// The attributes of one frame as material blocks with their full-detail faces.
std::vector<SGmaMaterial> Blocks(const CFrameAttribute& fa)
{
    std::vector<SGmaMaterial> out(fa.GetNumAttributes());
    for (WORD k = 0; k < fa.GetNumAttributes(); ++k) {
        const CMeshAttribute* a = fa.GetAttributeList() + k;
        out[k].head = *a->GetMaterialInfo();
        const std::vector<WORD>& idx = a->GetSourceIndices();
        out[k].faces.resize(idx.size() / 3);
        for (size_t n = 0; n < out[k].faces.size(); ++n)
            for (int c = 0; c < 3; ++c) out[k].faces[n].wIndex[c] = idx[3 * n + c];
    }
    return out;
}

} // namespace

HRESULT CMeshAniData::SaveToDiskFile(const char* path)
{
    if (!m_pContainer || !path || !path[0] || !m_pFrameAttributes) return E_FAIL;
    CGmaFile f;
    f.header = m_Header;
    f.header.wMajorVersion = 1;
    f.header.wMinorVersion = 4;
    f.header.SetLeftHandCoordSystem(TRUE);
    f.header.SetFrameBoundBox(TRUE);
    // Every vertex is written whole, with its normal and coordinates.
    f.header.SetNormalSkipped(FALSE);
    f.header.SetFrameShareTexCoord(FALSE);
    std::vector<SCoords2d> coords;
    m_pContainer->ReadSharedCoords(coords);
    const bool shared = m_Header.IsFrameShareMaterials();
    if (shared && m_dwNumFrames) f.sharedMaterials = Blocks(m_pFrameAttributes[0]);
    for (DWORD i = 0; i < m_pContainer->GetNumFrames(); ++i) {
        CMeshFrame* mf = m_pContainer->GetMeshFrame(i);
        SGmaFrame fr;
        fr.fPos = mf->GetPosRef();
        if (FAILED(mf->ReadFullVertices(fr.vertices, &coords))) return E_FAIL;
        if (shared)
            fr.wNumMaterials = static_cast<WORD>(f.sharedMaterials.size());
        else if (i < m_dwNumFrames)
            fr.materials = Blocks(m_pFrameAttributes[i]);
        f.frames.push_back(std::move(fr));
        f.boundBoxes.push_back(*mf->GetBoundBox());
    }
    return f.Save(path);
}

HRESULT CMeshAniData::Splice(CMeshAniData* other, CMeshAniMng* manager)
{
    if (!other || other == this || other->GetID() != GetID() || GetID() == 0xFFFFFFFF) return E_INVALIDARG;
    Invalidate();
    Release();
    m_CfgTexture = other->m_CfgTexture;
    m_pDevice = other->m_pDevice;
    std::memcpy(m_szTexturePath, other->m_szTexturePath, sizeof m_szTexturePath);
    m_Header = other->m_Header;
    m_MeshPool = other->m_MeshPool;
    m_bAutoRestore = other->m_bAutoRestore;
    m_pContainer = std::exchange(other->m_pContainer, nullptr);
    m_bExternContainer = FALSE;
    m_pCurrContainer = m_pContainer;
    m_dwCurrContainerIndex = GMA_OWN_CONTAINER;
    if (other->m_dwCurrContainerIndex != GMA_OWN_CONTAINER) {
        m_pCurrContainer = other->m_pCurrContainer;
        m_dwCurrContainerIndex = other->m_dwCurrContainerIndex;
    }
    other->m_pCurrContainer = nullptr;
    m_dwNumFrames = std::exchange(other->m_dwNumFrames, 0);
    m_pFrameAttributes = std::exchange(other->m_pFrameAttributes, nullptr);
    m_ClonedContainers.swap(other->m_ClonedContainers);
    m_dwNumCloned = std::exchange(other->m_dwNumCloned, 0);
    m_dwFreeSlotHint = other->m_dwFreeSlotHint;
    m_bLodEnable = other->m_bLodEnable;
    m_fLod = other->m_fLod;
    m_Lod.swap(other->m_Lod);
    if (manager) {
        m_pTexList = manager->GetTextureList();
        m_bExternTextures = TRUE;
    } else {
        m_pTexList = std::exchange(other->m_pTexList, nullptr);
        m_bExternTextures = other->m_bExternTextures;
    }
    // What is left of other (its own texture list when the manager's is taken) goes with it.
    if (other->m_bExternTextures) other->m_pTexList = nullptr;
    other->Release();
    return S_OK;
}
