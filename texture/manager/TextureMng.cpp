// CTextureMng: building over a texture library, release, copies, the lock,
// and the settings handed to every texture.
#include "kestu_texture_mng.h"

#include <cstdio>
#include <new>

#include "kestu_log.h"
#include "core/util/SectionLock.h"

CTextureMng::CTextureMng()
    : m_bBuilt(0), m_pDevice(nullptr), m_dwPriority(0), m_bHasRefCounts(0), m_dwLoadedTextures(0),
      m_dwMaxCacheSize(0), m_Lock{}, m_bMultiThreaded(0)
{
}

CTextureMng::CTextureMng(const CTextureMng& other) : CTextureMng() { CopySettings(other); }

CTextureMng& CTextureMng::operator=(const CTextureMng& other)
{
    if (this != &other) {
        if (m_bBuilt) Release();
        CleanUp();
        DeleteLock();
        CopySettings(other);
    }
    return *this;
}

void CTextureMng::CopySettings(const CTextureMng& other)
{
    CIndexLib::operator=(other);
    m_bBuilt = other.m_bBuilt;
    m_CfgTexture = other.m_CfgTexture;
    m_pDevice = other.m_pDevice;
    m_dwPriority = other.m_dwPriority;
    m_dwMaxCacheSize = other.m_dwMaxCacheSize;
    CreateLock(other.m_bMultiThreaded);
}

CTextureMng::~CTextureMng()
{
    if (m_bBuilt) Release();
    CleanUp();
    DeleteLock();
}

HRESULT CTextureMng::OnNewItem(SIdxLibItem*& item)
{
    CTexture* texture = new (std::nothrow) CTexture;
    item = texture;
    return texture ? S_OK : E_OUTOFMEMORY;
}

HRESULT CTextureMng::OnDeleteItem(SIdxLibItem*& item)
{
    CTexture* texture = static_cast<CTexture*>(item);
    if (texture && texture->IsBuilt()) {
        texture->Invalidate();
        texture->Release();
        if (m_dwLoadedTextures > 0) --m_dwLoadedTextures;
    }
    delete texture;
    item = nullptr;
    return S_OK;
}

void CTextureMng::CreateLock(int bMultiThreaded) { kestu::OpenSection(m_Lock, m_bMultiThreaded, bMultiThreaded != 0); }

void CTextureMng::DeleteLock() { kestu::CloseSection(m_Lock, m_bMultiThreaded); }

void CTextureMng::LockIdxLib() { kestu::EnterSection(Section()); }

void CTextureMng::UnlockIdxLib() { kestu::LeaveSection(Section()); }

BOOL CTextureMng::TryIdxLib() { return kestu::TryEnterSection(Section()); }

namespace {

bool CanOpen(const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

} // namespace

HRESULT CTextureMng::Build(IDirect3DDevice8* device, const char* path, const TEXTURE_CONFIG* cfg, int bLoadAll, DWORD,
                           int bMultiThreaded, int loadFlag, DWORD cacheCapacity)
{
    if (!path || !device) return KESTUERR_INVALIDPARAM;
    if (m_bBuilt) Release();
    DeleteLock();
    CreateLock(bMultiThreaded);
    m_pDevice = device;
    if (cfg)
        m_CfgTexture = *cfg;
    else
        m_CfgTexture.Reset();
    HRESULT hr = CanOpen(path) ? CIndexLib::Load(path, 0, loadFlag, 0, 1) : KESTUERR_FILEOPEN;
    if (FAILED(hr)) {
        // Left as a fresh manager: no lock, no device.
        DeleteLock();
        m_pDevice = nullptr;
        return hr;
    }
    m_dwMaxCacheSize = cacheCapacity;
    m_dwLoadedTextures = 0;
    if (bLoadAll) hr = LoadAllTexture(nullptr);
    m_bBuilt = 1;
    return hr;
}

HRESULT CTextureMng::Build(const TEXTURE_CONFIG* cfg, D3DPOOL, int bMultiThreaded)
{
    if (m_bBuilt) Release();
    DeleteLock();
    CreateLock(bMultiThreaded);
    if (cfg)
        m_CfgTexture = *cfg;
    else
        m_CfgTexture.Reset();
    m_bBuilt = 1;
    return 0;
}

HRESULT CTextureMng::ReLoadLib(const char* path)
{
    if (!path) return KESTUERR_INVALIDPARAM;
    if (m_bBuilt) {
        UnloadAllTexture();
        CleanUp();
        m_RefCounts.clear();
        m_bHasRefCounts = 0;
        m_dwPriority = 0;
        DeleteLock();
    }
    m_CfgTexture.Reset();
    if (!CanOpen(path)) return KESTUERR_FILEOPEN;
    const HRESULT hr = CIndexLib::Load(path, 0, 1, 0, 1);
    if (FAILED(hr)) return hr;
    m_dwLoadedTextures = 0;
    return LoadAllTexture(nullptr);
}

void CTextureMng::Release()
{
    {
        kestu::SectionLock guard(Section());
        UnloadAllTexture();
        CleanUp();
        m_RefCounts.clear();
        m_bHasRefCounts = 0;
        m_Cache.clear();
        m_dwPriority = 0;
        m_pDevice = nullptr;
        m_dwLoadedTextures = 0;
        m_bBuilt = 0;
    }
    DeleteLock();
}

CTexture* CTextureMng::GetTextureByIndex(DWORD index) const
{
    if (!m_bItemTableLoaded || index >= m_dwNumItems || !m_ppItems) return nullptr;
    return static_cast<CTexture*>(m_ppItems[index]);
}

IDirect3DTexture8* CTextureMng::GetD3DTexture(DWORD id) const
{
    const CTexture* texture = GetTexture(id);
    return texture ? texture->GetD3DTexture() : nullptr;
}

HRESULT CTextureMng::SetMipLevels(DWORD levels)
{
    kestu::SectionLock guard(Section());
    for (DWORD i = 0; i < m_dwNumItems; ++i)
        if (CTexture* texture = GetTextureByIndex(i)) texture->SetMipLevels(levels);
    return 0;
}

void CTextureMng::SetPriority(DWORD priority)
{
    kestu::SectionLock guard(Section());
    m_dwPriority = priority;
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CTexture* texture = GetTextureByIndex(i);
        if (texture && texture->IsBuilt()) texture->SetPriority(priority);
    }
}

void CTextureMng::SetLOD(float lod)
{
    kestu::SectionLock guard(Section());
    m_CfgTexture.fLOD = lod;
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CTexture* texture = GetTextureByIndex(i);
        if (texture && texture->IsValid()) texture->SetLOD(lod);
    }
}

void CTextureMng::PreLoad()
{
    kestu::SectionLock guard(Section());
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CTexture* texture = GetTextureByIndex(i);
        if (texture && texture->IsBuilt()) texture->PreLoad();
    }
}
