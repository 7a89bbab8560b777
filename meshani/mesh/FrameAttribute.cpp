// The materials of one GMA frame: their attributes and textures.
#include <cstdio>
#include <cstring>
#include <new>

#include "kestu_log.h"
#include "kestu_meshanidata.h"
#include "kestu_texture_list.h"
#include "ou_strings.h"

CFrameAttribute::CFrameAttribute() : m_wNumAttributes(0), m_pAttributes(nullptr) {}

CFrameAttribute::~CFrameAttribute() { Release(); }

void CFrameAttribute::Release()
{
    delete[] m_pAttributes;
    m_pAttributes = nullptr;
    m_wNumAttributes = 0;
}

HRESULT CFrameAttribute::BuildAttributes(BOOL systemIndices, const std::vector<SGmaMaterial>& materials,
                                         IDirect3DDevice8* device, BOOL swapWinding, D3DPOOL pool, BOOL autoRestore,
                                         DWORD vertexLimit)
{
    Release();
    m_pAttributes = new (std::nothrow) CMeshAttribute[materials.empty() ? 1 : materials.size()];
    if (!m_pAttributes) return E_OUTOFMEMORY;
    m_wNumAttributes = static_cast<WORD>(materials.size());
    for (WORD i = 0; i < m_wNumAttributes; ++i) {
        const SGmaMaterial& m = materials[i];
        const HRESULT hr =
            m_pAttributes[i].Build(systemIndices, m.head, m.faces, device, swapWinding, pool, autoRestore, vertexLimit);
        if (FAILED(hr)) {
            char name[GMA_TEXNAME_SIZE];
            m.head.GetTextureName(name);
            KestuSaveLog(KESTU_LOG_ERROR, "Error: Failed to build Attribute! Texture file = %s,hr=%d", name,
                         static_cast<int>(hr));
        }
    }
    return S_OK;
}

// The texture file of a material: the folder joined with the name's file part.
HRESULT CFrameAttribute::LoadByName(CTextureList* textures, const char* texturePath, const SGmaMaterial& material,
                                    const TEXTURE_CONFIG* cfg, DWORD& id) const
{
    char name[GMA_TEXNAME_SIZE];
    material.head.GetTextureName(name);
    id = GMA_NO_TEXTURE;
    if (!name[0]) return S_FALSE;
    char file[IDXLIB_PATH_SIZE] = {};
    if (texturePath && texturePath[0]) {
        OU_SafeStrCpy(file, sizeof file, texturePath);
        const size_t n = std::strlen(file);
        if (file[n - 1] != '\\' && file[n - 1] != '/') OU_SafeStrCat(file, sizeof file, "\\");
        OU_SafeStrCat(file, sizeof file, OU_GetNameFromPathname(name));
    } else {
        OU_SafeStrCpy(file, sizeof file, name);
    }
    return textures ? textures->LoadTexture(&id, file, cfg, TRUE) : E_FAIL;
}

HRESULT CFrameAttribute::Build(BOOL systemIndices, const std::vector<SGmaMaterial>& materials, IDirect3DDevice8* device,
                               CTextureList* textures, const char* texturePath, const TEXTURE_CONFIG* cfg,
                               BOOL swapWinding, D3DPOOL pool, BOOL autoRestore, BOOL loadImmediately,
                               BOOL noTextureQuery, DWORD vertexLimit)
{
    std::vector<SGmaMaterial> local;
    const std::vector<SGmaMaterial>* list = &materials;
    // A first material without texture id is looked up by its file name in the texture library.
    if (!materials.empty() && materials[0].head.dwTextureID == GMA_NO_TEXTURE && textures && textures->GetMng()) {
        char name[GMA_TEXNAME_SIZE];
        materials[0].head.GetTextureName(name);
        CTextureMng* mng = textures->GetMng();
        const SIdxLibItem* item = mng->GetItem(mng->FindIndexByItemName(name));
        if (!item) {
            char text[GMA_TEXNAME_SIZE + 64];
            std::snprintf(text, sizeof text, "Error: \xD4\xDATextureMng\xD6\xD0\xB2\xBB\xC4\xDC\xD5\xD2\xB5\xBD = %s",
                          name);
            KestuSaveLog(KESTU_LOG_ERROR, "%s", text);
            MessageBoxA(nullptr, text, "Error", MB_OK);
        } else {
            local = materials;
            local[0].head.dwTextureID = item->GetID();
            list = &local;
        }
    }
    HRESULT hr = BuildAttributes(systemIndices, *list, device, swapWinding, pool, autoRestore, vertexLimit);
    if (FAILED(hr)) return hr;
    for (WORD i = 0; i < m_wNumAttributes; ++i) {
        const SGmaMaterial& m = (*list)[i];
        if (texturePath) {
            DWORD id = GMA_NO_TEXTURE;
            hr = LoadByName(textures, texturePath, m, cfg, id);
            if (FAILED(hr)) {
                char name[GMA_TEXNAME_SIZE];
                m.head.GetTextureName(name);
                KestuSaveLog(KESTU_LOG_ERROR,
                             "Error: Failed to load texture for FrameAttribute! Texture file = %s,hr=%d", name,
                             static_cast<int>(hr));
            }
            m_pAttributes[i].SetTextureID(id);
        } else {
            const DWORD id = m.head.dwTextureID;
            m_pAttributes[i].SetTextureID(id);
            if (!noTextureQuery && id != GMA_NO_TEXTURE &&
                (!textures || !textures->QueryTexture(id, cfg, loadImmediately)))
                KestuSaveLog(KESTU_LOG_ERROR, "Error: Failed to QueryTexture for FrameAttribute! Texture ID = %u,hr=%d",
                             id, static_cast<int>(E_FAIL));
        }
    }
    return S_OK;
}

HRESULT CFrameAttribute::BuildFromV13(BOOL systemIndices, const std::vector<SGmaMaterial>& materials,
                                      IDirect3DDevice8* device, CTextureList* textures, const char* texturePath,
                                      const TEXTURE_CONFIG* cfg, BOOL swapWinding, D3DPOOL pool, BOOL autoRestore,
                                      DWORD vertexLimit)
{
    HRESULT hr = BuildAttributes(systemIndices, materials, device, swapWinding, pool, autoRestore, vertexLimit);
    if (FAILED(hr)) return hr;
    for (WORD i = 0; i < m_wNumAttributes; ++i) {
        DWORD id = GMA_NO_TEXTURE;
        hr = LoadByName(textures, texturePath, materials[i], cfg, id);
        if (FAILED(hr)) {
            char name[GMA_TEXNAME_SIZE];
            materials[i].head.GetTextureName(name);
            KestuSaveLog(KESTU_LOG_ERROR,
                         "Error: BuildFromV13() Failed to load texture for FrameAttribute! Texture file = %s,hr=%d",
                         name, static_cast<int>(hr));
        }
        m_pAttributes[i].SetTextureID(id);
    }
    return S_OK;
}

HRESULT CFrameAttribute::Restore()
{
    HRESULT result = S_OK;
    for (WORD i = 0; i < m_wNumAttributes; ++i) {
        const HRESULT hr = m_pAttributes[i].Restore();
        if (FAILED(hr)) result = hr;
    }
    return result;
}

HRESULT CFrameAttribute::Invalidate()
{
    for (WORD i = 0; i < m_wNumAttributes; ++i) m_pAttributes[i].Invalidate();
    return S_OK;
}

HRESULT CFrameAttribute::CalculateLod(const std::vector<SGMAVertexLodInfo>& vertexInfo, const std::vector<WORD>& counts,
                                      float lod)
{
    HRESULT result = S_OK;
    for (WORD k = 0; k < m_wNumAttributes && k < counts.size(); ++k) {
        const DWORD removed = static_cast<DWORD>(float(counts[k]) * (1.0f - lod));
        const HRESULT hr = m_pAttributes[k].CalculateLod(vertexInfo.data(), DWORD(vertexInfo.size()), removed);
        if (FAILED(hr)) result = hr;
    }
    return result;
}

DWORD CFrameAttribute::GetTextureID(WORD i) const
{
    return i < m_wNumAttributes ? m_pAttributes[i].GetTextureID() : GMA_NO_TEXTURE;
}

DWORD CFrameAttribute::GetNumFaces() const
{
    DWORD n = 0;
    for (WORD i = 0; i < m_wNumAttributes; ++i) n += m_pAttributes[i].GetNumIndices() / 3;
    return n;
}

DWORD CFrameAttribute::GetNumTextures() const
{
    DWORD n = 0;
    for (WORD i = 0; i < m_wNumAttributes; ++i) n += m_pAttributes[i].GetTextureID() != GMA_NO_TEXTURE ? 1 : 0;
    return n;
}

CMeshAttribute* CFrameAttribute::GetAttribute(WORD i) const
{
    if (i >= m_wNumAttributes || !m_pAttributes) {
        KestuSaveLog(
            KESTU_LOG_ERROR,
            " call CFrameAttribute::GetAttribute() failed, wIndex=%u, m_wNumAttributes=%u, m_aAttribute =%u!\r\n",
            unsigned(i), unsigned(m_wNumAttributes), m_pAttributes ? 1u : 0u);
        return nullptr;
    }
    return &m_pAttributes[i];
}
