#include "core/device/D3DUtilCursor.h"

#include <vector>

#include "kestu_cursor.h"

void D3DUtil_FillCursorImage(BYTE* bits, INT pitch, DWORD width, DWORD dstHeight, DWORD srcHeight, const DWORD* mask,
                             const DWORD* color, BOOL addMark)
{
    static const WORD kMark[5] = {0xCCC0, 0xA2A0, 0xA4A0, 0xA2A0, 0xCCC0};
    for (DWORD y = 0; y < dstHeight; ++y) {
        auto* row = reinterpret_cast<DWORD*>(bits + static_cast<ptrdiff_t>(y) * pitch);
        const DWORD* maskRow = mask + static_cast<size_t>(color ? dstHeight - 1 - y : srcHeight - 1 - y) * width;
        const DWORD* colorRow = color ? color + static_cast<size_t>(dstHeight - 1 - y) * width
                                      : mask + static_cast<size_t>(dstHeight - 1 - y) * width;
        for (DWORD x = 0; x < width; ++x) {
            DWORD pixel = maskRow[x] == 0 ? (0xFF000000u | colorRow[x]) : 0u;
            if (addMark && x < 12 && y < 5 && (kMark[y] & (1u << (15 - x)))) pixel |= 0xFF808080u;
            row[x] = pixel;
        }
    }
}

namespace {

// Reads a bitmap as width x rows 32-bit bottom-up values.
bool ReadBits(HDC screen, HBITMAP bitmap, DWORD width, DWORD rows, std::vector<DWORD>& out, HDC& dc)
{
    dc = CreateCompatibleDC(screen);
    if (!dc) return false;
    out.assign(static_cast<size_t>(width) * rows, 0);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = static_cast<LONG>(width);
    bmi.bmiHeader.biHeight = static_cast<LONG>(rows);
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    HGDIOBJ old = SelectObject(dc, bitmap);
    GetDIBits(dc, bitmap, 0, rows, out.data(), &bmi, DIB_RGB_COLORS);
    SelectObject(dc, old);
    return true;
}

} // namespace

HRESULT D3DUtil_SetDeviceCursor(IDirect3DDevice8* device, HCURSOR cursor, BOOL addMark)
{
    HRESULT hr = E_FAIL;
    ICONINFO info{};
    BITMAP bm{};
    HDC screen = nullptr, maskDC = nullptr, colorDC = nullptr;
    IDirect3DSurface8* surface = nullptr;
    std::vector<DWORD> mask, color;

    if (!device || !GetIconInfo(cursor, &info)) return E_FAIL;
    do {
        if (!GetObjectA(info.hbmMask, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) break;
        const DWORD width = static_cast<DWORD>(bm.bmWidth);
        const DWORD srcHeight = static_cast<DWORD>(bm.bmHeight);
        const bool bw = info.hbmColor == nullptr;
        const DWORD dstHeight = bw ? srcHeight / 2 : srcHeight;
        if (dstHeight == 0) break;

        hr = device->CreateImageSurface(width, dstHeight, D3DFMT_A8R8G8B8, &surface);
        if (FAILED(hr)) break;
        hr = E_FAIL;

        screen = GetDC(nullptr);
        if (!ReadBits(screen, info.hbmMask, width, srcHeight, mask, maskDC)) break;
        if (!bw && !ReadBits(screen, info.hbmColor, width, dstHeight, color, colorDC)) break;

        D3DLOCKED_RECT lr{};
        hr = surface->LockRect(&lr, nullptr, 0);
        if (FAILED(hr)) break;
        D3DUtil_FillCursorImage(static_cast<BYTE*>(lr.pBits), lr.Pitch, width, dstHeight, srcHeight, mask.data(),
                                bw ? nullptr : color.data(), addMark);
        surface->UnlockRect();

        hr = device->SetCursorProperties(info.xHotspot, info.yHotspot, surface);
        if (SUCCEEDED(hr)) hr = S_OK;
    } while (false);

    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (screen) ReleaseDC(nullptr, screen);
    if (maskDC) DeleteDC(maskDC);
    if (colorDC) DeleteDC(colorDC);
    if (surface) surface->Release();
    return hr;
}
