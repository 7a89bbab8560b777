// What a GMA mesh tells about its frames, attributes and textures.
#include "kestu_log.h"
#include "kestu_meshanidata.h"
#include "kestu_texture_list.h"

CFrameAttribute* CMeshAniData::GetFrameAttribute(DWORD frame) const
{
    if (frame >= m_dwNumFrames || !m_pFrameAttributes) return nullptr;
    return &m_pFrameAttributes[m_Header.IsFrameShareMaterials() ? 0 : frame];
}

CTexture* CMeshAniData::GetTexture(DWORD frame, WORD attribute) const
{
    const CFrameAttribute* fa = GetFrameAttribute(frame);
    if (!fa || !m_pTexList) {
        KestuSaveLog(KESTU_LOG_ERROR,
                     "call CMeshAniData::GetTexture() in '%s' dwFrame(=%u) >= m_dwNumFrames(=%u) or "
                     "m_aFrameAttribute(=%u) == NULL or m_pTexList(=%u) == NULL !!\r\n",
                     GetName(), frame, m_dwNumFrames, m_pFrameAttributes ? 1u : 0u, m_pTexList ? 1u : 0u);
        return nullptr;
    }
    const DWORD id = fa->GetTextureID(attribute);
    return id == GMA_NO_TEXTURE ? nullptr : m_pTexList->GetTexture(id);
}

const CFrameAttribute* CMeshAniData::LoggedFrameAttribute(DWORD frame, const char* function) const
{
    const CFrameAttribute* fa = GetFrameAttribute(frame);
    if (!fa)
        KestuSaveLog(KESTU_LOG_ERROR,
                     "call CMeshAniData::%s() in '%s' dwFrame(=%u) >= m_dwNumFrames(=%u) or m_aFrameAttribute(=%u) "
                     "== NULL!!\r\n",
                     function, GetName(), frame, m_dwNumFrames, m_pFrameAttributes ? 1u : 0u);
    return fa;
}

CMeshAttribute* CMeshAniData::GetMeshAttribute(DWORD frame, WORD attribute) const
{
    const CFrameAttribute* fa = LoggedFrameAttribute(frame, "GetMeshAttribute");
    return fa ? fa->GetAttribute(attribute) : nullptr;
}

WORD CMeshAniData::GetNumAttributes(DWORD frame) const
{
    const CFrameAttribute* fa = LoggedFrameAttribute(frame, "GetNumAttributes");
    return fa ? fa->GetNumAttributes() : 0;
}

DWORD CMeshAniData::GetNumFaces(DWORD frame) const
{
    const CFrameAttribute* fa = GetFrameAttribute(frame);
    return fa ? fa->GetNumFaces() : 0;
}

DWORD CMeshAniData::GetNumTextures(DWORD frame) const
{
    const CFrameAttribute* fa = GetFrameAttribute(frame);
    return fa ? fa->GetNumTextures() : 0;
}

SBoundBox* CMeshAniData::GetBoundBox(DWORD frame) const
{
    if (!m_pContainer || frame >= m_pContainer->GetNumFrames()) return nullptr;
    return m_pContainer->GetMeshFrame(frame)->GetBoundBox();
}

HRESULT CMeshAniData::GetTextureIDs(std::vector<DWORD>& ids) const
{
    if (!m_pContainer) return E_FAIL;
    const DWORD lists = NumFrameAttributes();
    if (!m_pFrameAttributes || lists == 0) return S_FALSE;
    for (DWORD i = 0; i < lists; ++i) {
        const CFrameAttribute& fa = m_pFrameAttributes[i];
        for (WORD k = 0; k < fa.GetNumAttributes(); ++k)
            if (fa.GetTextureID(k) != GMA_NO_TEXTURE) ids.push_back(fa.GetTextureID(k));
    }
    return S_OK;
}
