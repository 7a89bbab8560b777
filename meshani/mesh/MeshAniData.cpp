// One loaded GMA mesh: building from a file, releasing, lost devices, textures and level of detail.
#include <algorithm>
#include <cstring>
#include <new>

#include "core/entry/GfxGlobals.h"
#include "kestu_log.h"
#include "kestu_meshanidata.h"
#include "kestu_texture_list.h"
#include "ou_strings.h"

CMeshAniData::CMeshAniData()
    : m_dwNumCloned(0), m_pCurrContainer(nullptr), m_dwCurrContainerIndex(GMA_OWN_CONTAINER),
      m_dwFreeSlotHint(GMA_NO_CLONE_SLOT), m_pDevice(nullptr), m_MeshPool(D3DPOOL_MANAGED), m_bExternContainer(FALSE),
      m_pContainer(nullptr), m_bExternTextures(FALSE), m_pTexList(nullptr), m_szTexturePath{}, m_dwNumFrames(0),
      m_pFrameAttributes(nullptr), m_bAutoRestore(FALSE), m_bLodEnable(FALSE), m_fLod(1.0f), m_nRef(0)
{
}

CMeshAniData::~CMeshAniData() { Release(); }

HRESULT CMeshAniData::Build(const void* image, DWORD size, IDirect3DDevice8* device, const char* texturePath,
                            CTextureList* textures, CAniMeshContainer* container, const TEXTURE_CONFIG* cfg,
                            D3DPOOL meshPool, float scale, BOOL autoRestore, BOOL autoSkipNormal, BOOL normalSkipped,
                            BOOL autoShareCoord, BOOL shareCoord, BOOL loadTextureImmediately, BOOL noTextureQuery)
{
    CGmaFile file;
    if (FAILED(file.Read(image, size))) {
        KestuSaveLog(KESTU_LOG_ERROR, "Error: '%s' is not a GMA file this engine reads\r\n", GetName());
        return E_FAIL;
    }
    return Build(file, device, texturePath, textures, container, cfg, meshPool, scale, autoRestore, autoSkipNormal,
                 normalSkipped, autoShareCoord, shareCoord, loadTextureImmediately, noTextureQuery);
}

HRESULT CMeshAniData::Build(const CGmaFile& file, IDirect3DDevice8* device, const char* texturePath,
                            CTextureList* textures, CAniMeshContainer* container, const TEXTURE_CONFIG* cfg,
                            D3DPOOL meshPool, float scale, BOOL autoRestore, BOOL autoSkipNormal, BOOL normalSkipped,
                            BOOL autoShareCoord, BOOL shareCoord, BOOL loadTextureImmediately, BOOL noTextureQuery)
{
    if (file.header.IsFrameShareTexCoord()) {
        KestuSaveLog(KESTU_LOG_ERROR, "Share Texture Coords is not support now! please fixed '%s'\r\n", GetName());
        return E_FAIL;
    }
    if (IsBuilt()) {
        Invalidate();
        Release();
    }
    if (!device) return E_INVALIDARG;
    if (!g_GfxConfig.m_Cfg.bSkipDeviceTest) {
        const HRESULT hr = device->TestCooperativeLevel();
        if (FAILED(hr)) return hr;
    }
    if (cfg)
        m_CfgTexture = *cfg;
    else
        m_CfgTexture.Reset();
    m_pDevice = device;
    OU_SafeStrCpy(m_szTexturePath, sizeof m_szTexturePath, texturePath);
    if (!file.header.IsKnownVersion()) return E_FAIL;
    m_Header = file.header;
    m_Header.AutoFixSpecialAttribID();
    m_MeshPool = meshPool;
    m_bAutoRestore = autoRestore;
    if (!autoSkipNormal) m_Header.SetNormalSkipped(normalSkipped);
    if (!autoShareCoord) m_Header.SetFrameShareTexCoord(shareCoord);
    m_dwNumFrames = static_cast<DWORD>(file.frames.size());

    HRESULT hr = S_OK;
    if (textures) {
        m_pTexList = textures;
        m_bExternTextures = TRUE;
    } else {
        m_pTexList = new (std::nothrow) CTextureList;
        if (!m_pTexList) return E_OUTOFMEMORY;
        m_bExternTextures = FALSE;
        hr = m_pTexList->BuildArrayMode(device, &m_CfgTexture, 8, 8, FALSE);
        if (FAILED(hr)) {
            KestuSaveLog(KESTU_LOG_ERROR, "Faild to Build own Textures for '%s'! hr=%u\r\n", GetName(),
                         static_cast<unsigned>(hr));
            return hr;
        }
    }
    const char* attributePath = m_pTexList->IsUseTextureMng() ? nullptr : m_szTexturePath;
    const BOOL systemIndices = meshPool == D3DPOOL_SYSTEMMEM && !m_Header.IsFrameShareTexCoord();
    hr = BuildFrameAttributes(file, systemIndices, attributePath, loadTextureImmediately, noTextureQuery);
    if (FAILED(hr)) return hr;

    hr = S_OK;
    if (container) {
        m_pContainer = container;
        m_bExternContainer = TRUE;
    } else {
        m_pContainer = new (std::nothrow) CAniMeshContainer;
        if (!m_pContainer) return E_OUTOFMEMORY;
        m_bExternContainer = FALSE;
        hr = m_pContainer->Build(file, device, meshPool, scale, autoRestore, autoSkipNormal, normalSkipped,
                                 autoShareCoord, shareCoord);
        if (FAILED(hr))
            KestuSaveLog(KESTU_LOG_ERROR, "Faild to Build own Container for '%s' hr=%u! ", GetName(),
                         static_cast<unsigned>(hr));
        hr = m_pContainer->Restore();
        if (FAILED(hr))
            KestuSaveLog(KESTU_LOG_ERROR, "Faild to Build own Container for '%s' hr=%u! ", GetName(),
                         static_cast<unsigned>(hr));
    }
    m_Header.SetNormalSkipped(m_pContainer->IsNormalSkipped());
    m_Header.SetFrameShareTexCoord(m_pContainer->IsTexCoordSkipped());
    m_pCurrContainer = m_pContainer;
    m_dwCurrContainerIndex = GMA_OWN_CONTAINER;
    m_dwFreeSlotHint = GMA_NO_CLONE_SLOT;
    if (m_bLodEnable) {
        const HRESULT lod = CopyLod(file);
        if (FAILED(lod)) return lod;
    }
    return hr;
}

HRESULT CMeshAniData::BuildFrameAttributes(const CGmaFile& file, BOOL systemIndices, const char* attributePath,
                                           BOOL loadImmediately, BOOL noTextureQuery)
{
    const DWORD lists = NumFrameAttributes();
    m_pFrameAttributes = new (std::nothrow) CFrameAttribute[lists ? lists : 1];
    if (!m_pFrameAttributes) return E_OUTOFMEMORY;
    const BOOL swap = !m_Header.IsLeftHandCoordSystem();
    const bool old = m_Header.IsOldMaterialLayout();
    for (DWORD i = 0; i < lists; ++i) {
        // Faces may only reach vertices that every frame using them has.
        DWORD limit = 0xFFFFFFFF;
        if (m_Header.IsFrameShareMaterials())
            for (const SGmaFrame& f : file.frames) limit = std::min<DWORD>(limit, DWORD(f.vertices.size()));
        else
            limit = DWORD(file.frames[i].vertices.size());
        const std::vector<SGmaMaterial>& materials = file.GetMaterials(i);
        HRESULT hr;
        if (old)
            hr = m_pFrameAttributes[i].BuildFromV13(systemIndices, materials, m_pDevice, m_pTexList, attributePath,
                                                    &m_CfgTexture, swap, m_MeshPool, m_bAutoRestore, limit);
        else
            hr = m_pFrameAttributes[i].Build(systemIndices, materials, m_pDevice, m_pTexList, attributePath,
                                             &m_CfgTexture, swap, m_MeshPool, m_bAutoRestore, loadImmediately,
                                             noTextureQuery, limit);
        if (FAILED(hr)) {
            if (m_Header.IsFrameShareMaterials())
                KestuSaveLog(KESTU_LOG_ERROR, "Faild to build FrameAttribute(0) for '%s'! hr=%u\r\n", GetName(),
                             static_cast<unsigned>(hr));
            else if (old)
                KestuSaveLog(KESTU_LOG_ERROR, "Faild to build FrameAttribute(%u) for '%s' hr=%u!\r\n", i, GetName(),
                             static_cast<unsigned>(hr));
            else
                KestuSaveLog(KESTU_LOG_ERROR, "Faild to FrameAttribute(%u) for '%s'! hr=%u\r\n", i, GetName(),
                             static_cast<unsigned>(hr));
        }
    }
    return S_OK;
}

// The LOD records of the file, when it has ones that fit the frames.
HRESULT CMeshAniData::CopyLod(const CGmaFile& file)
{
    FreeLod();
    const DWORD lists = NumFrameAttributes();
    bool fits = file.lod.size() == lists && lists > 0;
    for (DWORD i = 0; fits && i < lists; ++i)
        fits = file.lod[i].aVertices.size() == file.frames[i].vertices.size() &&
               file.lod[i].aCollapsible.size() == file.GetMaterials(i).size();
    if (!fits) {
        m_bLodEnable = FALSE;
        return E_FAIL;
    }
    try {
        m_Lod.resize(lists);
        for (DWORD i = 0; i < lists; ++i) {
            m_Lod[i].aVertices = file.lod[i].aVertices;
            m_Lod[i].aCollapsible = file.lod[i].aCollapsible;
        }
    } catch (const std::bad_alloc&) {
        FreeLod();
        m_bLodEnable = FALSE;
        return E_FAIL;
    }
    return S_OK;
}

void CMeshAniData::FreeLod()
{
    m_Lod.clear();
    m_Lod.shrink_to_fit();
}

void CMeshAniData::Release()
{
    DestoryAllClonedContainer();
    m_szTexturePath[0] = 0;
    if (m_pTexList) {
        std::vector<DWORD> ids;
        GetTextureIDs(ids);
        for (DWORD id : ids) m_pTexList->ReleaseTexture(id, FALSE);
    }
    if (m_pFrameAttributes) {
        for (DWORD i = 0; i < NumFrameAttributes(); ++i) {
            m_pFrameAttributes[i].Invalidate();
            m_pFrameAttributes[i].Release();
        }
        delete[] m_pFrameAttributes;
        m_pFrameAttributes = nullptr;
    }
    FreeLod();
    m_bLodEnable = FALSE;
    m_fLod = 1.0f;
    m_dwNumFrames = 0;
    if (!m_bExternContainer) delete m_pContainer;
    m_pContainer = nullptr;
    m_pCurrContainer = nullptr;
    m_dwCurrContainerIndex = GMA_OWN_CONTAINER;
    m_bExternContainer = FALSE;
    if (!m_bExternTextures) delete m_pTexList;
    m_pTexList = nullptr;
    m_bExternTextures = FALSE;
    m_pDevice = nullptr;
    SIdxLibItem::Release();
}

HRESULT CMeshAniData::Restore()
{
    if (m_MeshPool == D3DPOOL_DEFAULT && !m_bAutoRestore) return S_FALSE;
    HRESULT result = S_OK;
    if (m_pContainer && !m_bExternContainer) result = m_pContainer->Restore();
    for (DWORD i = 0; m_pFrameAttributes && i < NumFrameAttributes(); ++i) {
        const HRESULT hr = m_pFrameAttributes[i].Restore();
        if (FAILED(hr)) result = hr;
    }
    return result;
}

HRESULT CMeshAniData::Invalidate()
{
    if (m_MeshPool == D3DPOOL_DEFAULT && !m_bAutoRestore) return S_FALSE;
    HRESULT result = S_OK;
    if (m_pContainer && !m_bExternContainer) result = m_pContainer->Invalidate();
    for (DWORD i = 0; m_pFrameAttributes && i < NumFrameAttributes(); ++i) m_pFrameAttributes[i].Invalidate();
    return FAILED(result) ? result : S_OK;
}

HRESULT CMeshAniData::ReloadTextures()
{
    if (m_bExternTextures) {
        KestuSaveLog(KESTU_LOG_ERROR,
                     "Warrning: not need to call %s's ReloadTextures(),It's have a extern texturelist!\r\n", GetName());
        return S_FALSE;
    }
    if (!m_pTexList) {
        KestuSaveLog(KESTU_LOG_ERROR, "Warrning: call %s's CMeshAniData::ReloadTextures()  m_pTexList == NULL",
                     GetName());
        return E_FAIL;
    }
    return m_pTexList->ReBuild();
}

void CMeshAniData::SetTextureConfig(const TEXTURE_CONFIG* cfg)
{
    if (!cfg) return;
    m_CfgTexture = *cfg;
    // The list builds its textures again with the new settings.
    if (m_pTexList && !m_bExternTextures) m_pTexList->SetCfgTexture(&m_CfgTexture);
}

void CMeshAniData::SetLod(float lod)
{
    m_fLod = std::clamp(lod, 0.0f, 1.0f);
    if (!m_bLodEnable || !m_pFrameAttributes) return;
    for (DWORD i = 0; i < NumFrameAttributes() && i < m_Lod.size(); ++i)
        m_pFrameAttributes[i].CalculateLod(m_Lod[i].aVertices, m_Lod[i].aCollapsible, m_fLod);
}
