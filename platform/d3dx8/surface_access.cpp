#include "d3dx8/surface_access.h"

#include <algorithm>
#include <cstring>

#include "d3d8/format.h"
#include "d3dx8/image_dxt.h"
#include "d3dx8/image_filter.h"

namespace kestu::d3dx {
namespace {

bool IsDxt(D3DFORMAT f)
{
    return f == D3DFMT_DXT1 || f == D3DFMT_DXT2 || f == D3DFMT_DXT3 || f == D3DFMT_DXT4 || f == D3DFMT_DXT5;
}

// Locks the whole surface; the guard unlocks. A surface that refuses locks
// (a render target) is reached through a lockable image surface of the same
// size and format, filled with CopyRects and, after writing, copied back.
struct Locked {
    IDirect3DSurface8* surface = nullptr;
    IDirect3DSurface8* staging = nullptr;
    bool write = false;
    D3DLOCKED_RECT rect{};
    HRESULT hr = E_FAIL;

    Locked(IDirect3DSurface8* s, DWORD flags) : surface(s), write(!(flags & D3DLOCK_READONLY))
    {
        hr = s->LockRect(&rect, nullptr, flags);
        if (SUCCEEDED(hr)) return;
        D3DSURFACE_DESC desc;
        IDirect3DDevice8* device = nullptr;
        if (FAILED(s->GetDesc(&desc)) || FAILED(s->GetDevice(&device)) || !device) return;
        HRESULT made = device->CreateImageSurface(desc.Width, desc.Height, desc.Format, &staging);
        if (SUCCEEDED(made)) made = device->CopyRects(s, nullptr, 0, staging, nullptr);
        if (SUCCEEDED(made)) made = staging->LockRect(&rect, nullptr, flags);
        device->Release();
        if (FAILED(made)) {
            if (staging) staging->Release();
            staging = nullptr;
            return;
        }
        hr = made;
    }
    // Unlocks, copying a staged write back; the result of that copy.
    HRESULT Close()
    {
        if (FAILED(hr)) return hr;
        hr = E_FAIL;
        if (!staging) return surface->UnlockRect();
        staging->UnlockRect();
        HRESULT back = S_OK;
        if (write) {
            IDirect3DDevice8* device = nullptr;
            back = surface->GetDevice(&device);
            if (SUCCEEDED(back)) {
                back = device->CopyRects(staging, nullptr, 0, surface, nullptr);
                device->Release();
            }
        }
        staging->Release();
        staging = nullptr;
        return back;
    }
    ~Locked() { Close(); }
};

void PaletteWords(const PALETTEENTRY* palette, uint32_t out[256])
{
    for (int i = 0; i < 256; ++i)
        out[i] = palette ? (uint32_t)palette[i].peFlags << 24 | (uint32_t)palette[i].peRed << 16 |
                               (uint32_t)palette[i].peGreen << 8 | palette[i].peBlue
                         : 0xFF000000u;
}

bool RectInside(const RECT& r, uint32_t w, uint32_t h)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && (uint32_t)r.right <= w &&
           (uint32_t)r.bottom <= h;
}

} // namespace

bool ResolveFilter(DWORD filter, DWORD fallback, DWORD& out)
{
    out = filter == kFilterDefault ? fallback : filter;
    return FilterValid(out);
}

bool CropImage(const Image& src, const RECT* rect, Image& out)
{
    if (!rect) {
        out = src;
        return true;
    }
    if (!RectInside(*rect, src.width, src.height)) return false;
    Image r;
    if (!r.Allocate((uint32_t)(rect->right - rect->left), (uint32_t)(rect->bottom - rect->top))) return false;
    for (uint32_t y = 0; y < r.height; ++y)
        std::copy_n(src.Row((uint32_t)rect->top + y) + rect->left, r.width, r.Row(y));
    out = std::move(r);
    return true;
}

HRESULT ReadSurface(IDirect3DSurface8* surface, const RECT* rect, const PALETTEENTRY* palette, Image& out)
{
    if (!surface) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc;
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    kestu::d3d8::FormatInfo info;
    if (!kestu::d3d8::GetFormatInfo(desc.Format, info) || !info.color) return D3DERR_INVALIDCALL;
    Image whole;
    if (!whole.Allocate(desc.Width, desc.Height)) return E_OUTOFMEMORY;
    {
        Locked lock(surface, D3DLOCK_READONLY);
        if (FAILED(lock.hr)) return lock.hr;
        uint32_t pal[256];
        PaletteWords(palette, pal);
        if (!kestu::d3d8::DecodeSurface(desc.Format, static_cast<const uint8_t*>(lock.rect.pBits),
                                        (UINT)lock.rect.Pitch, desc.Width, desc.Height, whole.argb.data(), pal))
            return D3DERR_INVALIDCALL;
    }
    if (!CropImage(whole, rect, out)) return D3DERR_INVALIDCALL;
    return S_OK;
}

HRESULT ReadSurfaceRaw(IDirect3DSurface8* surface, RawSurface& out)
{
    D3DSURFACE_DESC desc;
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    Locked lock(surface, D3DLOCK_READONLY);
    if (FAILED(lock.hr)) return lock.hr;
    const UINT rowBytes = kestu::d3d8::FormatPitch(desc.Format, desc.Width);
    const UINT rows = kestu::d3d8::FormatRowCount(desc.Format, desc.Height);
    out.width = desc.Width;
    out.height = desc.Height;
    out.bytes.resize((size_t)rowBytes * rows);
    for (UINT y = 0; y < rows; ++y)
        std::memcpy(out.bytes.data() + (size_t)y * rowBytes,
                    static_cast<const uint8_t*>(lock.rect.pBits) + (size_t)y * lock.rect.Pitch, rowBytes);
    return S_OK;
}

HRESULT WriteSurfaceRaw(IDirect3DSurface8* surface, const RawSurface& raw)
{
    D3DSURFACE_DESC desc;
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    const UINT rowBytes = kestu::d3d8::FormatPitch(desc.Format, desc.Width);
    const UINT rows = kestu::d3d8::FormatRowCount(desc.Format, desc.Height);
    if (desc.Width != raw.width || desc.Height != raw.height || raw.bytes.size() != (size_t)rowBytes * rows)
        return D3DERR_INVALIDCALL;
    Locked lock(surface, 0);
    if (FAILED(lock.hr)) return lock.hr;
    for (UINT y = 0; y < rows; ++y)
        std::memcpy(static_cast<uint8_t*>(lock.rect.pBits) + (size_t)y * lock.rect.Pitch,
                    raw.bytes.data() + (size_t)y * rowBytes, rowBytes);
    return lock.Close();
}

HRESULT WriteSurface(IDirect3DSurface8* surface, const RECT* rect, const Image& src, DWORD filter, D3DCOLOR colorKey)
{
    if (!surface) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc;
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    kestu::d3d8::FormatInfo info;
    if (!kestu::d3d8::GetFormatInfo(desc.Format, info) || !info.color || info.palettized) return D3DERR_INVALIDCALL;
    RECT r = rect ? *rect : RECT{0, 0, (LONG)desc.Width, (LONG)desc.Height};
    if (!RectInside(r, desc.Width, desc.Height)) return D3DERR_INVALIDCALL;
    const uint32_t w = (uint32_t)(r.right - r.left), h = (uint32_t)(r.bottom - r.top);

    Image keyed = src;
    if (colorKey) ApplyColorKey(keyed, colorKey);
    Image scaled;
    if (!ResampleImage(keyed, w, h, filter, scaled)) return E_OUTOFMEMORY;

    Locked lock(surface, 0);
    if (FAILED(lock.hr)) return lock.hr;
    uint8_t* bits = static_cast<uint8_t*>(lock.rect.pBits);
    if (IsDxt(desc.Format)) {
        // Blocks span the rectangle's edges: merge with what the surface holds.
        Image whole;
        if (!whole.Allocate(desc.Width, desc.Height)) return E_OUTOFMEMORY;
        kestu::d3d8::DecodeSurface(desc.Format, bits, (UINT)lock.rect.Pitch, desc.Width, desc.Height, whole.argb.data(),
                                   nullptr);
        for (uint32_t y = 0; y < h; ++y) std::copy_n(scaled.Row(y), w, whole.Row((uint32_t)r.top + y) + r.left);
        EncodeDxt(desc.Format, whole.argb.data(), desc.Width, desc.Height, bits, (uint32_t)lock.rect.Pitch);
        return lock.Close();
    }
    const uint32_t bytesPerPixel = info.bitsPerPixel / 8;
    for (uint32_t y = 0; y < h; ++y)
        kestu::d3d8::EncodeRow(desc.Format, scaled.Row(y),
                               bits + (size_t)(r.top + (LONG)y) * lock.rect.Pitch + (size_t)r.left * bytesPerPixel, w);
    return lock.Close();
}

} // namespace kestu::d3dx
