// CTexture locks: one level, a rectangle or the whole of it; while locked the
// 2D buffer's row pitch is the lock's.
#include "kestu_log.h"
#include "kestu_texture.h"

HRESULT CTexture::LockSurface(const RECT* rect, DWORD flags, DWORD level)
{
    if (!m_pTexture) return KESTUERR_SURFACENOTBUILT;
    D3DLOCKED_RECT locked{0, nullptr};
    const HRESULT hr = m_pTexture->LockRect(level, &locked, rect, flags);
    if (FAILED(hr)) return hr;
    m_rcLocked = rect ? *rect : RECT{0, 0, 0, 0};
    m_bAbsLock = rect ? 0 : 1;
    m_dwLockedLevel = level;
    m_LockedRect = locked;
    m_pitch = locked.Pitch;
    return hr;
}

HRESULT CTexture::UnlockSurface(DWORD level)
{
    if (!m_pTexture) return KESTUERR_SURFACENOTBUILT;
    const HRESULT hr = m_pTexture->UnlockRect(level);
    ClearLockState();
    m_pitch = static_cast<int>(m_pixelWidth * m_dwWidth / 8);
    return hr;
}

BOOL CTexture::AbsLock()
{
    if (SUCCEEDED(LockSurface(nullptr, 0, 0))) return 1;
    UnlockSurface(0);
    return SUCCEEDED(LockSurface(nullptr, 0, 0)) ? 1 : 0;
}

BOOL CTexture::AbsUnLock() { return SUCCEEDED(UnlockSurface(0)) ? 1 : 0; }
