// CImageSurface: building, device loss, locking and filling.
#include <cstring>

#include "2DCore/image/DrawPixels.h"
#include "kestu_imagesurface.h"
#include "kestu_log.h"
#include "kestu_pixelformat.h"

int CImageSurface::s_count = 0;

namespace {

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool IsEmptyRect(const RECT& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }

} // namespace

CImageSurface::CImageSurface()
    : m_owned(0), m_surface(nullptr), m_clone(nullptr),
      m_device(nullptr), m_lockedRect{0, 0, 0, 0}, m_locked{0, nullptr}, m_absLock(0), m_unprepareResult(1)
{
    std::memset(&m_desc, 0, sizeof(m_desc));
    m_desc.Usage = 0;
    m_desc.Pool = D3DPOOL_SYSTEMMEM;
}

CImageSurface::CImageSurface(IDirect3DDevice8* device, IDirect3DSurface8* surface) : CImageSurface()
{
    Build(device, surface);
}

CImageSurface::CImageSurface(IDirect3DDevice8* device, int w, int h, unsigned long usage) : CImageSurface()
{
    Build(device, w, h, D3DFMT_R5G6B5, D3DMULTISAMPLE_NONE, usage, D3DPOOL_SYSTEMMEM);
}

CImageSurface::CImageSurface(IDirect3DDevice8* device, int w, int h, D3DFORMAT format, D3DMULTISAMPLE_TYPE multisample,
                             unsigned long usage, D3DPOOL pool)
    : CImageSurface()
{
    Build(device, w, h, format, multisample, usage, pool);
}

CImageSurface::~CImageSurface() { Release(); }

void CImageSurface::TakeDescription(const D3DSURFACE_DESC& desc)
{
    m_desc = desc;
    m_rect = GRECT(0, 0, LONG(desc.Width), LONG(desc.Height));
    const PIXELFORMAT code = GetPixelFormatByD3DFormat(desc.Format);
    // Alpha and depth codes carry their bit depth in the last three digits.
    m_pixelFormat = static_cast<uint8_t>(code > 255 ? code % 1000 : code);
    m_pixelWidth = static_cast<uint8_t>(GetBitCountByD3DFormat(desc.Format));
    m_transColor = static_cast<int>(GetColorKeyByD3DFormat(desc.Format));
    m_pitch = static_cast<int>(m_pixelWidth * desc.Width / 8);
    m_rows = static_cast<int>(desc.Height);
    m_orientation = 1;
}

void CImageSurface::ClearLockState()
{
    m_lockedRect = RECT{0, 0, 0, 0};
    m_locked = D3DLOCKED_RECT{0, nullptr};
    m_absLock = 0;
}

HRESULT CImageSurface::Build(IDirect3DDevice8* device, IDirect3DSurface8* surface)
{
    if (device == nullptr || surface == nullptr) return KESTUERR_INVALIDPARAM;
    if (m_surface != nullptr || m_clone != nullptr) {
        Invalidate();
        Release();
    }
    D3DSURFACE_DESC desc;
    const HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    surface->AddRef();
    m_surface = surface;
    m_device = device;
    TakeDescription(desc);
    ClearLockState();
    m_clone = nullptr;
    m_owned = 0;
    if (desc.Pool == D3DPOOL_DEFAULT) {
        const HRESULT cloned = CloneSysMemImage();
        if (FAILED(cloned)) return cloned;
    }
    return 0;
}

HRESULT CImageSurface::CreateFor(IDirect3DDevice8* device, int w, int h, D3DFORMAT format,
                                 D3DMULTISAMPLE_TYPE multisample, unsigned long usage, D3DPOOL pool,
                                 IDirect3DSurface8** out)
{
    if (usage == D3DUSAGE_RENDERTARGET || (usage != D3DUSAGE_DEPTHSTENCIL && pool == D3DPOOL_DEFAULT))
        return device->CreateRenderTarget(UINT(w), UINT(h), format, multisample, TRUE, out);
    if (usage == D3DUSAGE_DEPTHSTENCIL)
        return device->CreateDepthStencilSurface(UINT(w), UINT(h), format, multisample, out);
    if (pool == D3DPOOL_SYSTEMMEM) return device->CreateImageSurface(UINT(w), UINT(h), format, out);
    return KESTUERR_INVALIDPARAM;
}

HRESULT CImageSurface::Build(IDirect3DDevice8* device, int w, int h, D3DFORMAT format, D3DMULTISAMPLE_TYPE multisample,
                             unsigned long usage, D3DPOOL pool)
{
    if (device == nullptr || h < 1 || w < 1) return KESTUERR_INVALIDPARAM;
    if (usage != D3DUSAGE_RENDERTARGET && usage != D3DUSAGE_DEPTHSTENCIL && pool != D3DPOOL_DEFAULT &&
        pool != D3DPOOL_SYSTEMMEM)
        return KESTUERR_INVALIDPARAM;
    if (m_surface != nullptr || m_clone != nullptr) {
        Invalidate();
        Release();
    }
    IDirect3DSurface8* surface = nullptr;
    const HRESULT hr = CreateFor(device, w, h, format, multisample, usage, pool, &surface);
    if (FAILED(hr) || surface == nullptr) {
        KestuSaveLog(KESTU_LOG_ERROR, "Faile to create surface: Usage = %d, Width = %d, Height = %d",
                     static_cast<int>(usage), w, h);
        return FAILED(hr) ? hr : KESTUERR_GENERIC;
    }
    m_device = device;
    m_surface = surface;
    m_clone = nullptr;
    D3DSURFACE_DESC desc;
    if (FAILED(surface->GetDesc(&desc))) {
        std::memset(&desc, 0, sizeof(desc));
        desc.Format = format;
        desc.Usage = DWORD(usage);
        desc.Pool = pool;
        desc.MultiSampleType = multisample;
        desc.Width = UINT(w);
        desc.Height = UINT(h);
    }
    TakeDescription(desc);
    ClearLockState();
    m_owned = 1;
    ++s_count;
    return hr;
}

HRESULT CImageSurface::Build(IDirect3DDevice8* device, int w, int h, unsigned long usage, D3DPOOL pool)
{
    return Build(device, w, h, D3DFMT_R5G6B5, D3DMULTISAMPLE_NONE, usage, pool);
}

HRESULT CImageSurface::Invalidate()
{
    if (m_desc.Pool != D3DPOOL_DEFAULT || m_surface == nullptr) return 0;
    if (m_locked.pBits != nullptr) m_surface->UnlockRect();
    ClearLockState();
    m_pitch = m_pixelWidth * m_rect.width / 8;
    m_surface->Release();
    m_surface = nullptr;
    return 0;
}

HRESULT CImageSurface::Restore()
{
    if (m_desc.Pool != D3DPOOL_DEFAULT || m_device == nullptr) return 0;
    IDirect3DSurface8* fresh = nullptr;
    HRESULT hr = m_desc.Usage == D3DUSAGE_DEPTHSTENCIL
                     ? m_device->CreateDepthStencilSurface(m_desc.Width, m_desc.Height, m_desc.Format,
                                                           m_desc.MultiSampleType, &fresh)
                     : m_device->CreateRenderTarget(m_desc.Width, m_desc.Height, m_desc.Format, m_desc.MultiSampleType,
                                                    TRUE, &fresh);
    if (FAILED(hr) || fresh == nullptr) return FAILED(hr) ? hr : KESTUERR_GENERIC;
    if (m_clone != nullptr) hr = m_device->CopyRects(m_clone, nullptr, 0, fresh, nullptr);
    if (m_surface != nullptr) {
        if (m_locked.pBits != nullptr) m_surface->UnlockRect();
        m_surface->Release();
    }
    ClearLockState();
    m_pitch = m_pixelWidth * m_rect.width / 8;
    m_surface = fresh;
    return hr;
}

HRESULT CImageSurface::CloneSysMemImage()
{
    if (m_device == nullptr || m_surface == nullptr) return KESTUERR_SURFACENOTBUILT;
    IDirect3DSurface8* clone = nullptr;
    HRESULT hr = m_device->CreateImageSurface(m_desc.Width, m_desc.Height, m_desc.Format, &clone);
    if (FAILED(hr) || clone == nullptr) return FAILED(hr) ? hr : KESTUERR_GENERIC;
    hr = m_device->CopyRects(m_surface, nullptr, 0, clone, nullptr);
    if (FAILED(hr)) {
        clone->Release();
        return hr;
    }
    if (m_clone != nullptr) m_clone->Release();
    m_clone = clone;
    return hr;
}

HRESULT CImageSurface::Release()
{
    if (m_surface != nullptr && m_locked.pBits != nullptr) m_surface->UnlockRect();
    ClearLockState();
    if (m_surface != nullptr) {
        // The object holds one reference whether it created the surface or took it over.
        m_surface->Release();
        if (m_owned) --s_count;
    }
    m_surface = nullptr;
    if (m_clone != nullptr) m_clone->Release();
    m_clone = nullptr;
    m_device = nullptr;
    m_owned = 0;
    return 0;
}

HRESULT CImageSurface::LockSurface(const RECT* rect, unsigned long flags)
{
    if (m_surface == nullptr) return KESTUERR_SURFACENOTBUILT;
    D3DLOCKED_RECT locked{0, nullptr};
    const HRESULT hr = m_surface->LockRect(&locked, rect, DWORD(flags));
    if (SUCCEEDED(hr)) {
        m_locked = locked;
        m_lockedRect = rect != nullptr ? *rect : RECT{0, 0, 0, 0};
        m_pitch = locked.Pitch;
    }
    return hr;
}

HRESULT CImageSurface::UnlockSurface()
{
    if (m_surface == nullptr) return KESTUERR_SURFACENOTBUILT;
    const HRESULT hr = m_surface->UnlockRect();
    if (SUCCEEDED(hr)) {
        m_pitch = m_pixelWidth * m_rect.width / 8;
        m_locked = D3DLOCKED_RECT{0, nullptr};
        m_lockedRect = RECT{0, 0, 0, 0};
    }
    return hr;
}

void* CImageSurface::Prepare(GRECT* r)
{
    RECT want{0, 0, 0, 0};
    if (r != nullptr) want = RECT{r->x, r->y, r->x + r->width, r->y + r->height};
    const bool matches =
        m_locked.pBits != nullptr && (r == nullptr ? IsEmptyRect(m_lockedRect) : SameRect(want, m_lockedRect));
    if (m_absLock) return matches ? m_locked.pBits : nullptr;
    if (matches) return m_locked.pBits;
    if (m_locked.pBits != nullptr && FAILED(UnlockSurface())) return nullptr;
    if (FAILED(LockSurface(r != nullptr ? &want : nullptr, 0))) return nullptr;
    return m_locked.pBits;
}

void CImageSurface::Unprepare()
{
    if (m_absLock || m_locked.pBits == nullptr) {
        m_unprepareResult = 1;
        return;
    }
    m_unprepareResult = SUCCEEDED(UnlockSurface()) ? 1 : 0;
}

int CImageSurface::AbsLock()
{
    if (m_absLock) AbsUnLock();
    if (m_locked.pBits != nullptr && FAILED(UnlockSurface())) return 0;
    if (FAILED(LockSurface(nullptr, 0))) return 0;
    m_absLock = 1;
    return 1;
}

int CImageSurface::AbsUnLock()
{
    if (!m_absLock) return 0;
    UnlockSurface();
    m_absLock = 0;
    return 1;
}

HRESULT CImageSurface::ColorFill(unsigned long colour, const RECT* rect)
{
    if (m_device == nullptr || m_surface == nullptr) return KESTUERR_SURFACENOTBUILT;
    if (m_locked.pBits != nullptr) return KESTUERR_GENERIC;
    const D3DFORMAT f = m_desc.Format;
    if (f != D3DFMT_A8R8G8B8 && f != D3DFMT_X8R8G8B8 && f != D3DFMT_R5G6B5 && f != D3DFMT_X1R5G5B5 &&
        f != D3DFMT_A1R5G5B5)
        return KESTUERR_GENERIC;
    RECT r = rect != nullptr ? *rect : RECT{0, 0, LONG(m_desc.Width), LONG(m_desc.Height)};
    if (r.left < 0 || r.top < 0 || r.right > LONG(m_desc.Width) || r.bottom > LONG(m_desc.Height) ||
        r.right <= r.left || r.bottom <= r.top)
        return KESTUERR_INVALIDPARAM;
    const HRESULT hr = LockSurface(rect, 0);
    if (FAILED(hr)) return hr;
    const DWORD c = static_cast<DWORD>(colour);
    const BYTE a = BYTE(c >> 24), red = BYTE(c >> 16), g = BYTE(c >> 8), b = BYTE(c);
    int value = static_cast<int>(c);
    int format = 32;
    if (f == D3DFMT_R5G6B5) {
        value = PackRGB565(red, g, b);
        format = 16;
    } else if (f == D3DFMT_X1R5G5B5) {
        value = PackRGB555(red, g, b);
        format = 16;
    } else if (f == D3DFMT_A1R5G5B5) {
        value = PackARGB1555(red, g, b, a);
        format = 16;
    }
    uint8_t* row = static_cast<uint8_t*>(m_locked.pBits);
    for (LONG y = r.top; y < r.bottom; ++y, row += m_locked.Pitch)
        kestu2d::FillPixels(row, format, value, int(r.right - r.left));
    UnlockSurface();
    return hr;
}
