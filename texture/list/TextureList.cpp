// CTextureList: building in array or manager mode, release, the array's lock
// and the lost-device pair.
#include "kestu_texture_list.h"

#include <new>

#include "kestu_log.h"
#include "core/util/SectionLock.h"

CTextureList::CTextureList()
    : m_pDevice(nullptr), m_bBuilt(0), m_eMode(TEXTURELIST_MODE_ARRAY), m_pArray(nullptr), m_pMng(nullptr), m_Lock{},
      m_bLockCreated(0), m_bMultiThreaded(0)
{
}

CTextureList::~CTextureList()
{
    if (m_bBuilt) {
        Invalidate();
        Release();
    }
    delete m_pMng;
    delete m_pArray;
    kestu::CloseSection(m_Lock, m_bLockCreated);
}

void CTextureList::LockArray() { kestu::EnterSection(Section()); }

void CTextureList::UnlockArray() { kestu::LeaveSection(Section()); }

BOOL CTextureList::TryArray() { return kestu::TryEnterSection(Section()); }

void CTextureList::Release()
{
    if (!m_bBuilt) return;
    UnloadAllTexture();
    if (m_pMng) {
        m_pMng->Release();
        delete m_pMng;
        m_pMng = nullptr;
    }
    if (m_pArray) {
        m_pArray->Release();
        delete m_pArray;
        m_pArray = nullptr;
    }
    m_pDevice = nullptr;
    kestu::CloseSection(m_Lock, m_bLockCreated);
    m_bMultiThreaded = 0;
    m_bBuilt = 0;
}

HRESULT CTextureList::BuildCommon(ENUM_TEXTURELIST_MODE mode, int bMultiThreaded, const TEXTURE_CONFIG* cfg)
{
    if (m_bBuilt) Release();
    m_eMode = mode;
    m_bMultiThreaded = bMultiThreaded ? 1 : 0;
    kestu::CloseSection(m_Lock, m_bLockCreated);
    // A manager-mode list is guarded by its manager's lock.
    kestu::OpenSection(m_Lock, m_bLockCreated, m_bMultiThreaded && mode == TEXTURELIST_MODE_ARRAY);
    if (cfg)
        m_CfgTexture = *cfg;
    else
        m_CfgTexture.Reset();
    delete m_pArray;
    m_pArray = nullptr;
    delete m_pMng;
    m_pMng = nullptr;
    return S_OK;
}

HRESULT CTextureList::BuildArrayMode(IDirect3DDevice8* device, const TEXTURE_CONFIG* cfg, DWORD initialCount,
                                     DWORD growBy, int bMultiThreaded)
{
    BuildCommon(TEXTURELIST_MODE_ARRAY, bMultiThreaded, cfg);
    m_pArray = new (std::nothrow) CPointerArray;
    if (!m_pArray) return E_OUTOFMEMORY;
    const HRESULT hr = m_pArray->Build(initialCount, 0, growBy, 128, 0);
    if (FAILED(hr)) {
        delete m_pArray;
        m_pArray = nullptr;
        return hr;
    }
    m_pDevice = device;
    m_bBuilt = 1;
    return hr;
}

HRESULT CTextureList::BuildMngMode(IDirect3DDevice8* device, const TEXTURE_CONFIG* cfg, const char* libraryPath,
                                   int bMultiThreaded, DWORD cacheCapacity)
{
    BuildCommon(TEXTURELIST_MODE_MNG, bMultiThreaded, cfg);
    m_pMng = new (std::nothrow) CTextureMng;
    if (!m_pMng) return E_OUTOFMEMORY;
    const HRESULT hr = m_pMng->Build(device, libraryPath, cfg, 0, 0, bMultiThreaded, 1, cacheCapacity);
    if (FAILED(hr)) {
        delete m_pMng;
        m_pMng = nullptr;
        return hr;
    }
    m_pDevice = device;
    m_bBuilt = 1;
    return hr;
}

// Array-mode textures are decoded from files with auto-restore, so a
// DEFAULT-pool texture keeps its system-memory copy over a device loss and
// each texture brings itself back in every pool.
HRESULT CTextureList::Invalidate()
{
    if (m_eMode == TEXTURELIST_MODE_MNG) return m_pMng ? m_pMng->Invalidate() : E_FAIL;
    return OnEveryTexture(&CTexture::Invalidate);
}

HRESULT CTextureList::Restore()
{
    if (m_eMode == TEXTURELIST_MODE_MNG) return m_pMng ? m_pMng->Restore() : E_FAIL;
    return OnEveryTexture(&CTexture::Restore);
}

HRESULT CTextureList::OnEveryTexture(HRESULT (CTexture::*op)())
{
    kestu::SectionLock guard(Section());
    HRESULT hr = 0;
    const DWORD count = m_pArray ? m_pArray->GetCount() : 0;
    for (DWORD i = 0; i < count; ++i)
        if (CTexture* texture = TextureAt(i)) hr |= (texture->*op)();
    return hr;
}

HRESULT CTextureList::TestShrink()
{
    if (!m_pArray) return 0;
    if (m_pArray->m_dwAllocSize <= m_pArray->m_dwInitSize ||
        m_pArray->m_dwAllocSize - m_pArray->m_dwUsedSize <= m_pArray->m_dwGrowBy)
        return 1;
    return m_pArray->Shrink();
}

SNamedTexture* CTextureList::EntryAt(DWORD index) const
{
    return m_pArray ? static_cast<SNamedTexture*>(m_pArray->GetPointer(index)) : nullptr;
}

CTexture* CTextureList::TextureAt(DWORD n) const
{
    if (m_eMode == TEXTURELIST_MODE_MNG) return m_pMng ? m_pMng->GetTexture(n) : nullptr;
    const SNamedTexture* entry = EntryAt(n);
    return entry ? entry->pTexture : nullptr;
}
