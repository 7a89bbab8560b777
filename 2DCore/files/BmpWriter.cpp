// The BMP writers: a false-colour dump, a 24-bit copy of a 565 buffer and
// the general writer of 16-, 24- and 32-bit pixels.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "2DCore/files/BmpWriterFile.h"
#include "2DCore/kernels/Unaligned.h"
#include "core/entry/EntryGuard.h"
#include "kestu_safefile.h"
#include "kestu_paper.h"
#include "kestu_pixelformat.h"
#include "kestu_screenshot.h"

namespace {

uint32_t Padded(uint32_t rowBytes) { return (rowBytes + 3) & ~3u; }

using kestu::kernels::Load16;

// The buffer's pixels while prepared; width and height cut to the buffer.
class PreparedBuffer {
public:
    PreparedBuffer(DBUF* buffer, int& width, int& height) : m_buffer(buffer)
    {
        if (buffer == nullptr) return;
        m_base = static_cast<uint8_t*>(buffer->Prepare(nullptr));
        width = std::clamp(width, 0, buffer->GetWidth());
        height = std::clamp(height, 0, buffer->GetHeight());
    }
    ~PreparedBuffer()
    {
        if (m_buffer != nullptr) m_buffer->Unprepare();
    }
    PreparedBuffer(const PreparedBuffer&) = delete;
    PreparedBuffer& operator=(const PreparedBuffer&) = delete;
    const uint8_t* Row(int y) const { return m_base + intptr_t(m_buffer->GetOrientation()) * m_buffer->PitchCx() * y; }
    bool ok() const { return m_base != nullptr && m_buffer->GetPixelWidth() == 16; }

private:
    DBUF* m_buffer;
    uint8_t* m_base = nullptr;
};

} // namespace

void SaveBMP(char* path, int width, int height, DBUF* buffer)
{
    uint8_t palette[1024];
    for (int i = 0; i < 256; ++i) {
        palette[4 * i + 0] = uint8_t(rand() % 256);
        palette[4 * i + 1] = uint8_t(rand() % 256);
        palette[4 * i + 2] = uint8_t(rand() % 256);
        palette[4 * i + 3] = 0;
    }
    const uint8_t fixed[5][4] = {
        {0, 0, 0, 0}, {0, 0xFF, 0xFF, 0}, {0, 0, 0xFF, 0}, {0xFF, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0}};
    const int at[5] = {0, 1, 2, 3, 255};
    for (int k = 0; k < 5; ++k) std::memcpy(palette + 4 * at[k], fixed[k], 4);

    PreparedBuffer prep(buffer, width, height);
    if (!prep.ok()) {
        MessageBeep(static_cast<UINT>(-1));
        return;
    }
    kestu::SafeFile file(path);
    if (!file.IsOpen()) return;
    const uint32_t row = Padded(uint32_t(width));
    const std::vector<uint8_t> header = kestu2d::Bmp122Header(width, -height, 8, 1024, row * uint32_t(height));
    file.Write(header.data(), header.size());
    file.Write(palette, sizeof palette);
    std::vector<uint8_t> out(row, 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = prep.Row(y);
        for (int x = 0; x < width; ++x) out[size_t(x)] = src[2 * x];
        file.Write(out.data(), out.size());
    }
    file.Commit();
}

void SaveBMP24(char* path, int width, int height, DBUF* buffer, unsigned char* scratch)
{
    PreparedBuffer prep(buffer, width, height);
    if (!prep.ok()) {
        MessageBeep(static_cast<UINT>(-1));
        return;
    }
    kestu::SafeFile file(path);
    if (!file.IsOpen()) return;
    const uint32_t row = Padded(uint32_t(width) * 3);
    const size_t total = 122 + size_t(row) * size_t(height);
    std::unique_ptr<uint8_t[]> own;
    uint8_t* out = scratch;
    if (out == nullptr) {
        own.reset(new (std::nothrow) uint8_t[total]);
        out = own.get();
        if (out == nullptr) return;
    }
    const std::vector<uint8_t> header = kestu2d::Bmp122Header(width, height, 24, 0, row * uint32_t(height));
    std::memcpy(out, header.data(), header.size());
    uint8_t* dst = out + 122;
    for (int y = height - 1; y >= 0; --y, dst += row) {
        const uint8_t* src = prep.Row(y);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = Load16(src + 2 * x);
            dst[3 * x + 0] = uint8_t(((p & 31) * 256) >> 5);
            dst[3 * x + 1] = uint8_t((((p >> 5) & 63) * 256) >> 6);
            dst[3 * x + 2] = uint8_t(((p >> 11) * 256) >> 5);
        }
        std::memset(dst + size_t(width) * 3, 0, row - uint32_t(width) * 3);
    }
    file.Write(out, total);
    file.Commit();
}

DWORD Kestu_GetSaveBMPNeedBufferSize(DWORD width, DWORD height, DWORD pitch, D3DFORMAT format)
{
    const DWORD bits = GetBitCountByD3DFormat(format);
    if (bits != 16 && bits != 24 && bits != 32) return 0;
    const DWORD rowBytes = bits / 8 * width;
    if (rowBytes % 4 == 0 && pitch == rowBytes && format != D3DFMT_R5G6B5) return 0;
    return 122 + Padded(rowBytes) * height;
}

namespace {

HRESULT SaveBMP(const char* path, DWORD width, DWORD height, void* pixels, DWORD pitch, D3DFORMAT format,
                unsigned char* scratch)
{
    const DWORD bits = GetBitCountByD3DFormat(format);
    if (bits != 16 && bits != 24 && bits != 32) return E_FAIL;
    if (pixels == nullptr || width > 0x7FFFFFFF / 4 || height > 0x7FFFFFFF) return E_FAIL;
    const uint32_t rowBytes = bits / 8 * width;
    if (height > 1 && pitch < rowBytes) return E_FAIL;
    kestu::SafeFile file(path);
    if (!file.IsOpen()) return E_FAIL;
    const uint32_t row = Padded(rowBytes);
    const std::vector<uint8_t> header = kestu2d::Bmp122Header(int(width), -int(height), int(bits), 0, row * height);
    const uint8_t* src = static_cast<const uint8_t*>(pixels);

    if (rowBytes % 4 == 0 && pitch == rowBytes && format != D3DFMT_R5G6B5) {
        file.Write(header.data(), header.size());
        file.Write(src, size_t(rowBytes) * height);
        return file.Commit() ? 0 : E_FAIL;
    }

    const size_t total = 122 + size_t(row) * height;
    std::unique_ptr<uint8_t[]> own;
    uint8_t* out = scratch;
    if (out == nullptr) {
        own.reset(new (std::nothrow) uint8_t[total]);
        out = own.get();
        if (out == nullptr) return E_FAIL;
    }
    std::memcpy(out, header.data(), header.size());
    uint8_t* dst = out + 122;
    for (DWORD y = 0; y < height; ++y, dst += row, src += pitch) {
        if (format == D3DFMT_R5G6B5) {
            // BI_RGB 16-bit BMPs are 555.
            for (DWORD x = 0; x < width; ++x) {
                const uint16_t p = Load16(src + 2 * x);
                const uint16_t q = uint16_t(((p >> 1) & 0x7FE0) | (p & 0x1F));
                std::memcpy(dst + 2 * x, &q, 2);
            }
        } else {
            std::memcpy(dst, src, rowBytes);
        }
        std::memset(dst + rowBytes, 0, row - rowBytes);
    }
    file.Write(out, total);
    return file.Commit() ? 0 : E_FAIL;
}

} // namespace

HRESULT Kestu_SaveBMP(const char* path, DWORD width, DWORD height, void* pixels, DWORD pitch, D3DFORMAT format,
                      unsigned char* scratch)
{
    return KestuGuarded<HRESULT>(E_FAIL, [&] { return SaveBMP(path, width, height, pixels, pitch, format, scratch); });
}
