// CTexture over a lost device: the system-memory copy of a DEFAULT-pool
// texture, Invalidate before a reset and Restore after it.
#include "kestu_log.h"
#include "kestu_texture.h"
#include "core/device/DeviceUnbind.h"

namespace {

HRESULT CopyLevel(IDirect3DDevice8* device, IDirect3DTexture8* from, IDirect3DTexture8* to, DWORD level)
{
    IDirect3DSurface8* src = nullptr;
    IDirect3DSurface8* dst = nullptr;
    HRESULT hr = from->GetSurfaceLevel(level, &src);
    if (SUCCEEDED(hr)) hr = to->GetSurfaceLevel(level, &dst);
    if (SUCCEEDED(hr)) hr = device->CopyRects(src, nullptr, 0, dst, nullptr);
    if (src) src->Release();
    if (dst) dst->Release();
    return hr;
}

} // namespace

HRESULT CTexture::CloneToSystemMemory(IDirect3DDevice8* device, IDirect3DTexture8* texture, IDirect3DTexture8** out)
{
    *out = nullptr;
    D3DSURFACE_DESC desc{};
    HRESULT hr = texture->GetLevelDesc(0, &desc);
    if (FAILED(hr)) return hr;
    const DWORD levels = texture->GetLevelCount();
    IDirect3DTexture8* copy = nullptr;
    hr = D3DXCreateTexture(device, desc.Width, desc.Height, levels, 0, desc.Format, D3DPOOL_SYSTEMMEM, &copy);
    if (FAILED(hr)) return hr;
    for (DWORD level = 0; level < levels && level < copy->GetLevelCount(); ++level)
        hr = CopyLevel(device, texture, copy, level);
    if (FAILED(hr)) {
        copy->Release();
        return hr;
    }
    *out = copy;
    return hr;
}

HRESULT CTexture::CloneSysMemTexture()
{
    if (!m_pDevice || !m_pTexture) return KESTUERR_SURFACENOTBUILT;
    IDirect3DTexture8* copy = nullptr;
    const HRESULT hr = CloneToSystemMemory(m_pDevice, m_pTexture, &copy);
    if (FAILED(hr)) return hr;
    ApplyLOD(copy);
    if (m_pSysMemTexture) m_pSysMemTexture->Release();
    m_pSysMemTexture = copy;
    return hr;
}

HRESULT CTexture::Invalidate()
{
    if (m_CfgTexture.Pool != D3DPOOL_DEFAULT || !m_bAutoRestore) return 0;
    // A wrapped texture belongs to its maker; only what Restore made is released.
    if (m_pTexture && m_bOwnTexture) {
        UnbindFromDevice(m_pTexture);
        m_pTexture->Release();
    }
    m_pTexture = nullptr;
    return 0;
}

HRESULT CTexture::Restore()
{
    if (m_CfgTexture.Pool != D3DPOOL_DEFAULT || !m_bAutoRestore) return 0;
    if (!m_pDevice || !m_pSysMemTexture) return KESTUERR_SURFACENOTBUILT;
    D3DSURFACE_DESC desc{};
    HRESULT hr = m_pSysMemTexture->GetLevelDesc(0, &desc);
    if (FAILED(hr)) return hr;
    IDirect3DTexture8* made = nullptr;
    hr = D3DXCreateTexture(m_pDevice, desc.Width, desc.Height, m_CfgTexture.dwMipLevels, m_dwUsage, desc.Format,
                           D3DPOOL_DEFAULT, &made);
    if (FAILED(hr)) return hr;
    hr = m_pDevice->UpdateTexture(m_pSysMemTexture, made);
    if (FAILED(hr)) {
        made->Release();
        return hr;
    }
    ApplyLOD(made);
    if (m_pTexture && m_bOwnTexture) m_pTexture->Release();
    m_pTexture = made;
    m_bOwnTexture = 1;
    return hr;
}
