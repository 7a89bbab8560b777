// CTexture::Build: empty, wrapped and decoded textures, and the common start
// and end every build shares.
#include <memory>

#include "core/entry/GfxGlobals.h"
#include "core/resources/WholeFile.h"
#include "kestu_imageprobe.h"
#include "kestu_log.h"
#include "kestu_pixelformat.h"
#include "kestu_texture.h"

namespace {

constexpr DWORD kAnyUsageNeedingDefault = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL;

// A DEFAULT-pool texture that restores itself is made in system memory first;
// the device copy appears in Restore.
bool MadeInSystemMemory(D3DPOOL pool, int bAutoRestore) { return pool == D3DPOOL_DEFAULT && bAutoRestore; }

D3DPOOL CreationPool(D3DPOOL pool, int bAutoRestore)
{
    return MadeInSystemMemory(pool, bAutoRestore) ? D3DPOOL_SYSTEMMEM : pool;
}

DWORD CreationUsage(DWORD usage, D3DPOOL pool, int bAutoRestore)
{
    return MadeInSystemMemory(pool, bAutoRestore) ? (usage & ~static_cast<DWORD>(D3DUSAGE_RENDERTARGET)) : usage;
}

struct TextureRef {
    IDirect3DTexture8* p = nullptr;
    ~TextureRef()
    {
        if (p) p->Release();
    }
    IDirect3DTexture8* Take()
    {
        IDirect3DTexture8* t = p;
        p = nullptr;
        return t;
    }
};

DWORD FullChain(DWORD side)
{
    DWORD levels = 1;
    while (side > 1) {
        side >>= 1;
        ++levels;
    }
    return levels;
}

bool IsDefaultSize(int size) { return size == -1 || size == 0; }

} // namespace

HRESULT CTexture::BeginBuild(IDirect3DDevice8* device, DWORD usage, D3DPOOL pool) const
{
    if (!device) return KESTUERR_INVALIDPARAM;
    if (!g_GfxConfig.m_Cfg.bSkipDeviceTest) {
        const HRESULT hr = device->TestCooperativeLevel();
        if (FAILED(hr)) return hr;
    }
    if ((usage & kAnyUsageNeedingDefault) && pool != D3DPOOL_DEFAULT) return KESTUERR_INVALIDPARAM;
    return S_OK;
}

// made is the created texture (the system-memory copy for a DEFAULT-pool
// texture that restores itself); it is released here on failure.
HRESULT CTexture::EndBuild(IDirect3DDevice8* device, IDirect3DTexture8* made, IDirect3DTexture8* copy, int bOwn,
                           D3DPOOL pool, DWORD usage, DWORD id, int bAutoRestore)
{
    IDirect3DTexture8* described = copy ? copy : made;
    D3DSURFACE_DESC desc{};
    const HRESULT hr = described->GetLevelDesc(0, &desc);
    if (FAILED(hr)) {
        if (bOwn && made) made->Release();
        if (copy) copy->Release();
        return hr;
    }
    if (m_bBuilt) Release();
    m_pTexture = made;
    m_pSysMemTexture = copy;
    m_bOwnTexture = bOwn;
    m_dwWidth = desc.Width;
    m_dwHeight = desc.Height;
    m_Format = desc.Format;
    m_CfgTexture.Pool = pool;
    m_CfgTexture.dwMipLevels = described->GetLevelCount();
    m_dwUsage = usage;
    m_pDevice = device;
    m_bAutoRestore = bAutoRestore;
    FillBufferFields();
    ClearLockState();
    if (id == 0xFFFFFFFF) {
        if (GetID() == 0xFFFFFFFF) SetID(GenID());
    } else {
        SetID(id);
    }
    m_bBuilt = 1;
    return S_OK;
}

void CTexture::FillBufferFields()
{
    m_rect.Set(0, 0, static_cast<LONG>(m_dwWidth), static_cast<LONG>(m_dwHeight));
    m_transColor = static_cast<int>(GetColorKeyByD3DFormat(m_Format));
    m_pixelWidth = static_cast<uint8_t>(GetBitCountByD3DFormat(m_Format));
    m_pixelFormat = static_cast<uint8_t>(GetPixelFormatByD3DFormat(m_Format) & 0xFF);
    m_pitch = static_cast<int>(m_pixelWidth * m_dwWidth / 8);
    m_rows = static_cast<int>(m_dwHeight);
    m_orientation = 1;
}

HRESULT CTexture::Build(IDirect3DDevice8* device, int width, int height, DWORD levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, DWORD id, int bAutoRestore)
{
    HRESULT hr = BeginBuild(device, usage, pool);
    if (FAILED(hr)) return hr;
    TextureRef made;
    hr = device->CreateTexture(static_cast<UINT>(width), static_cast<UINT>(height), levels,
                               CreationUsage(usage, pool, bAutoRestore), format, CreationPool(pool, bAutoRestore),
                               &made.p);
    if (FAILED(hr)) return hr;
    if (MadeInSystemMemory(pool, bAutoRestore))
        return EndBuild(device, nullptr, made.Take(), 1, pool, usage, id, bAutoRestore);
    return EndBuild(device, made.Take(), nullptr, 1, pool, usage, id, bAutoRestore);
}

HRESULT CTexture::Build(IDirect3DDevice8* device, int width, int height, DWORD levels, DWORD usage,
                        const TEXTURE_CONFIG* cfg, DWORD id, int bAutoRestore)
{
    if (cfg)
        m_CfgTexture = *cfg;
    else
        m_CfgTexture.Reset();
    const D3DFORMAT format = g_GfxConfig.m_Cfg.GetfmtTexture(m_CfgTexture.bAlpha, m_CfgTexture.bCompressed);
    return Build(device, width, height, levels, usage, format, m_CfgTexture.Pool, id, bAutoRestore);
}

HRESULT CTexture::Build(IDirect3DDevice8* device, IDirect3DTexture8* texture, DWORD id, int bAutoRestore)
{
    if (!texture) return KESTUERR_INVALIDPARAM;
    D3DSURFACE_DESC desc{};
    HRESULT hr = device ? texture->GetLevelDesc(0, &desc) : KESTUERR_INVALIDPARAM;
    if (FAILED(hr)) return hr;
    hr = BeginBuild(device, desc.Usage, desc.Pool);
    if (FAILED(hr)) return hr;
    TextureRef copy;
    if (MadeInSystemMemory(desc.Pool, bAutoRestore)) {
        hr = CloneToSystemMemory(device, texture, &copy.p);
        if (FAILED(hr)) return hr;
    }
    return EndBuild(device, texture, copy.Take(), 0, desc.Pool, desc.Usage, id, bAutoRestore);
}

HRESULT CTexture::DecodeDroppingLevels(IDirect3DDevice8* device, const void* data, DWORD size,
                                       const D3DXIMAGE_INFO& info, int width, int height, DWORD usage, D3DFORMAT format,
                                       D3DPOOL pool, DWORD mipFilter, DWORD colorKey, IDirect3DTexture8** out)
{
    const DWORD w = IsDefaultSize(width) ? info.Width : static_cast<DWORD>(width);
    const DWORD h = IsDefaultSize(height) ? info.Height : static_cast<DWORD>(height);
    DWORD side = GfxUtil_FindMinSizeForTexture(w, h);
    DWORD dropped = 0;
    for (DWORD i = 0; i < m_CfgTexture.dwDropLevels && side > 1; ++i) {
        side >>= 1;
        ++dropped;
    }
    if (m_CfgTexture.dwFilter != D3DX_FILTER_NONE)
        return D3DXCreateTextureFromFileInMemoryEx(device, data, size, side, side, m_CfgTexture.dwMipLevels, usage,
                                                   format, pool, m_CfgTexture.dwFilter, mipFilter, colorKey, nullptr,
                                                   nullptr, out);

    DWORD kept = m_CfgTexture.dwMipLevels;
    if (kept == 0 || kept == 0xFFFFFFFF) kept = FullChain(side);
    mipFilter = m_CfgTexture.dwMipFilter;
    if (mipFilter == D3DX_FILTER_NONE && info.MipLevels < kept + dropped) mipFilter = D3DX_FILTER_BOX;
    TextureRef temp;
    HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
        device, data, size, static_cast<UINT>(width), static_cast<UINT>(height), kept + dropped, 0, format,
        D3DPOOL_SYSTEMMEM, D3DX_FILTER_NONE, mipFilter, colorKey, nullptr, nullptr, &temp.p);
    if (FAILED(hr)) return hr;
    TextureRef square;
    hr = D3DXCreateTexture(device, side, side, m_CfgTexture.dwMipLevels, usage, format, pool, &square.p);
    if (FAILED(hr)) return hr;
    const DWORD tempLevels = temp.p->GetLevelCount();
    const DWORD squareLevels = square.p->GetLevelCount();
    // Each kept level gets the part of the matching smaller level that both
    // hold: a non-square image fills only the top or left of the square.
    for (DWORD j = 0; j < kept && j < squareLevels && dropped + j < tempLevels; ++j) {
        D3DSURFACE_DESC from{}, to{};
        temp.p->GetLevelDesc(dropped + j, &from);
        square.p->GetLevelDesc(j, &to);
        const RECT part{0, 0, static_cast<LONG>(from.Width < to.Width ? from.Width : to.Width),
                        static_cast<LONG>(from.Height < to.Height ? from.Height : to.Height)};
        IDirect3DSurface8* src = nullptr;
        IDirect3DSurface8* dst = nullptr;
        hr = temp.p->GetSurfaceLevel(dropped + j, &src);
        if (SUCCEEDED(hr)) hr = square.p->GetSurfaceLevel(j, &dst);
        if (SUCCEEDED(hr)) hr = device->CopyRects(src, &part, 1, dst, nullptr);
        if (src) src->Release();
        if (dst) dst->Release();
        if (FAILED(hr)) return hr;
    }
    *out = square.Take();
    return S_OK;
}

HRESULT CTexture::Build(IDirect3DDevice8* device, const void* data, DWORD size, const TEXTURE_CONFIG* cfg, int width,
                        int height, DWORD usage, DWORD colorKey, DWORD id, int bAlphaHint, int bAutoRestore)
{
    if (!data) return KESTUERR_INVALIDPARAM;
    if (cfg)
        m_CfgTexture = *cfg;
    else
        m_CfgTexture.Reset();
    const D3DPOOL pool = m_CfgTexture.Pool;
    HRESULT hr = BeginBuild(device, usage, pool);
    if (FAILED(hr)) return hr;

    D3DXIMAGE_INFO info{};
    if (FAILED(D3DXGetImageInfoFromFileInMemory(data, size, &info))) {
        info = D3DXIMAGE_INFO{};
        DWORD w = 0, h = 0;
        hr = GfxUtil_GetImageSize(w, h, static_cast<const BYTE*>(data), size);
        if (FAILED(hr)) return hr;
        info.Width = w;
        info.Height = h;
    }

    if (!m_CfgTexture.bAlpha && (info.ImageFileFormat == D3DXIFF_TGA || info.Format == D3DFMT_A8R8G8B8 ||
                                 static_cast<int>(info.Format) == 71 || info.Format == D3DFMT_DXT2))
        m_CfgTexture.bAlpha = 1;
    const int alpha = (m_CfgTexture.bAlpha || bAlphaHint) ? 1 : 0;
    const D3DFORMAT format = g_GfxConfig.m_Cfg.GetfmtTexture(alpha, m_CfgTexture.bCompressed);

    DWORD mipFilter = m_CfgTexture.dwMipFilter;
    if (mipFilter == D3DX_FILTER_NONE && (m_CfgTexture.dwMipLevels == 0 || info.MipLevels < m_CfgTexture.dwMipLevels))
        mipFilter = D3DX_FILTER_BOX;

    const D3DPOOL creationPool = CreationPool(pool, bAutoRestore);
    const DWORD creationUsage = CreationUsage(usage, pool, bAutoRestore);
    TextureRef made;
    if (m_CfgTexture.dwDropLevels == 0)
        hr = D3DXCreateTextureFromFileInMemoryEx(
            device, data, size, static_cast<UINT>(width), static_cast<UINT>(height), m_CfgTexture.dwMipLevels,
            creationUsage, format, creationPool, m_CfgTexture.dwFilter, mipFilter, colorKey, &info, nullptr, &made.p);
    else
        hr = DecodeDroppingLevels(device, data, size, info, width, height, creationUsage, format, creationPool,
                                  mipFilter, colorKey, &made.p);
    if (FAILED(hr)) return hr;

    if (MadeInSystemMemory(pool, bAutoRestore))
        hr = EndBuild(device, nullptr, made.Take(), 1, pool, usage, id, bAutoRestore);
    else
        hr = EndBuild(device, made.Take(), nullptr, 1, pool, usage, id, bAutoRestore);
    if (FAILED(hr)) return hr;
    // Applied once the configuration holds the level count the texture really has.
    const float lod = m_CfgTexture.fLOD;
    if (lod - 1.0f > 0.1f || 1.0f - lod > 0.1f) ApplyLOD(m_pTexture);
    return hr;
}

HRESULT CTexture::Build(IDirect3DDevice8* device, const char* path, const TEXTURE_CONFIG* cfg, int width, int height,
                        DWORD usage, DWORD colorKey, DWORD id, int bAlphaHint)
{
    if (!device || !path) return KESTUERR_INVALIDPARAM;
    DWORD size = 0;
    std::unique_ptr<BYTE[]> data(LoadWholeFile(path, &size));
    if (!data) return KESTUERR_INVALIDPARAM;
    return Build(device, data.get(), size, cfg, width, height, usage, colorKey, id, bAlphaHint, 1);
}
