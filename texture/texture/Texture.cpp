// CTexture: construction, copies, release, level of detail, splicing and the
// small forwards to the Direct3D texture.
#include "kestu_texture.h"

#include <cmath>

#include "kestu_log.h"

DWORD CTexture::m_dwRunTimeID = 0xFFFFFFFF;

CTexture::CTexture()
    : m_bOwnTexture(0), m_dwWidth(0), m_dwHeight(0), m_pTexture(nullptr), m_pSysMemTexture(nullptr), m_pDevice(nullptr),
      m_Format(D3DFMT_UNKNOWN), m_dwUsage(0), m_dwVectorColor(0xFFFFFFFF), m_bBuilt(0),
      m_bAutoRestore(1), m_rcLocked{0, 0, 0, 0}, m_dwLockedLevel(0), m_LockedRect{0, nullptr}, m_bAbsLock(0), m_nRef(0),
      m_nUnprepareResult(1)
{
}

CTexture::CTexture(const CTexture& other) : CTexture() { *this = other; }

CTexture& CTexture::operator=(const CTexture& other)
{
    if (this == &other) return *this;
    // Take the new references before dropping the old ones: both may be the same texture.
    if (other.m_bOwnTexture && other.m_pTexture) other.m_pTexture->AddRef();
    if (other.m_pSysMemTexture) other.m_pSysMemTexture->AddRef();
    DropReferences();
    SIdxLibItem::operator=(other);
    TakeTexture(other);
    m_dwVectorColor = other.m_dwVectorColor;
    m_bBuilt = other.m_bBuilt;
    m_nRef = other.m_nRef;
    m_nUnprepareResult = other.m_nUnprepareResult;
    return *this;
}

// What a splice takes over: the textures and everything that describes them.
void CTexture::TakeTexture(const CTexture& other)
{
    DBUF::operator=(other);
    m_bOwnTexture = other.m_bOwnTexture;
    m_CfgTexture = other.m_CfgTexture;
    m_dwWidth = other.m_dwWidth;
    m_dwHeight = other.m_dwHeight;
    m_pTexture = other.m_pTexture;
    m_pSysMemTexture = other.m_pSysMemTexture;
    m_pDevice = other.m_pDevice;
    m_Format = other.m_Format;
    m_dwUsage = other.m_dwUsage;
    m_bAutoRestore = other.m_bAutoRestore;
    m_rcLocked = other.m_rcLocked;
    m_dwLockedLevel = other.m_dwLockedLevel;
    m_LockedRect = other.m_LockedRect;
    m_bAbsLock = other.m_bAbsLock;
}

// Release lets go of the texture made in Restore as of any other owned one,
// so the destructor has nothing else to release.
CTexture::~CTexture() { Release(); }

// A wrapped texture is never released by this object, so a copy only takes
// references on the textures it will release.
void CTexture::DropReferences()
{
    if (m_pTexture && m_bOwnTexture) m_pTexture->Release();
    m_pTexture = nullptr;
    if (m_pSysMemTexture) m_pSysMemTexture->Release();
    m_pSysMemTexture = nullptr;
}

void CTexture::Release()
{
    DropReferences();
    ClearLockState();
    m_bOwnTexture = 0;
    m_Format = D3DFMT_UNKNOWN;
    m_dwUsage = 0;
    m_bBuilt = 0;
    m_bAutoRestore = 1;
    dwUserData = 0;
}

void CTexture::ClearLockState()
{
    m_rcLocked = RECT{0, 0, 0, 0};
    m_dwLockedLevel = 0;
    m_LockedRect.Pitch = 0;
    m_LockedRect.pBits = nullptr;
    m_bAbsLock = 0;
}

DWORD CTexture::GenID() { return --m_dwRunTimeID; }

void CTexture::ApplyLOD(IDirect3DTexture8* texture) const
{
    if (!texture || m_CfgTexture.Pool != D3DPOOL_MANAGED) return;
    const DWORD levels = m_CfgTexture.dwMipLevels;
    DWORD lod = 0;
    if (levels != 0 && levels != 0xFFFFFFFF)
        lod = static_cast<DWORD>(std::trunc(static_cast<float>(levels - 1) * (1.0f - m_CfgTexture.fLOD) + 0.5f));
    texture->SetLOD(lod);
}

HRESULT CTexture::SetLOD(float lod)
{
    if (!(lod > 0.0f)) lod = 0.0f;
    if (lod > 1.0f) lod = 1.0f;
    m_CfgTexture.fLOD = lod;
    ApplyLOD(m_pTexture);
    return 0;
}

HRESULT CTexture::SetMipLevels(DWORD) { return 0; }

DWORD CTexture::SetPriority(DWORD priority) { return (m_bBuilt && m_pTexture) ? m_pTexture->SetPriority(priority) : 0; }

DWORD CTexture::GetPriority() { return (m_bBuilt && m_pTexture) ? m_pTexture->GetPriority() : 0; }

void CTexture::PreLoad()
{
    if (m_bBuilt && m_pTexture) m_pTexture->PreLoad();
}

HRESULT CTexture::GetSurfaceLevel(DWORD level, IDirect3DSurface8** surface)
{
    if (!m_pTexture) return KESTUERR_NOTEXTURE;
    return m_pTexture->GetSurfaceLevel(level, surface);
}

HRESULT CTexture::SaveToDiskFile(const char* path, D3DXIMAGE_FILEFORMAT format)
{
    if (!m_pDevice || !m_pTexture) return KESTUERR_SURFACENOTBUILT;
    if (IsLocked()) return KESTUERR_GENERIC;
    return D3DXSaveTextureToFileA(path, format, m_pTexture, nullptr);
}

HRESULT CTexture::Splice(CTexture* src)
{
    if (!src || src->GetID() == 0xFFFFFFFF || src->GetID() != GetID()) return E_INVALIDARG;
    if (src == this) return 0;
    if (m_bBuilt) {
        Invalidate();
        Release();
    }
    TakeTexture(*src);
    m_bBuilt = 1;
    src->m_pTexture = nullptr;
    src->m_pSysMemTexture = nullptr;
    src->Release();
    return 0;
}
