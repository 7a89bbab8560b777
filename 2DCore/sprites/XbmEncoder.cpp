// XBmpBase: encodes pixel buffers into XBM images, raw or as run-length rows.
#include <windows.h>

#include <cstring>

#include "2DCore/sprites/XbmIo.h"
#include "kestu_bytes.h"
#include "kestu_xbmfile.h"

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) { kestu::ByteWriter(out).U16(uint16_t(v)); }

// Appends a run block: a table of `height` row offsets (counted from the
// table's first byte), then each row's skip / count runs.
// clear(row, x): the pixel is transparent; put(row, x): appends its bytes.
template <class Clear, class Put>
void EncodeRuns(std::vector<uint8_t>& out, int width, int height, int unit, Clear&& clear, Put&& put)
{
    const size_t table = out.size();
    out.resize(table + size_t(height) * 4);
    for (int r = 0; r < height; ++r) {
        kestu::PutU32(out.data() + table + size_t(r) * 4, uint32_t(out.size() - table));
        int p = 0;
        for (;;) {
            int s = p;
            while (s < width && clear(r, s)) ++s;
            Put16(out, uint32_t((s - p) * unit));
            p = s;
            if (p >= width) break;
            int e = p;
            while (e < width && !clear(r, e)) ++e;
            Put16(out, uint32_t((e - p) * unit));
            for (int x = p; x < e; ++x) put(r, x);
            p = e;
            if (p >= width) break;
        }
    }
}

size_t Index(int row, int x, int pitch) { return size_t(row) * size_t(pitch) + size_t(x); }

// Appends the raw pixel section: every row's pixels, packed.
template <class Put>
void AppendRaw(const XBMFILEHEADER& h, Put&& put)
{
    const int w = int(h.width), rows = int(h.height);
    for (int r = 0; r < rows; ++r)
        for (int x = 0; x < w; ++x) put(r, x);
}

void AppendRaw16(std::vector<uint8_t>& out, const XBMFILEHEADER& h, const unsigned short* pixels, int pitch)
{
    AppendRaw(h, [&](int r, int x) { Put16(out, pixels[Index(r, x, pitch)]); });
}

void AppendRaw16(std::vector<uint8_t>& out, const XBMFILEHEADER& h, const _WORD24* pixels, int pitch)
{
    AppendRaw(h, [&](int r, int x) { Put16(out, pixels[Index(r, x, pitch)].color); });
}

} // namespace

XBmpBase::XBmpBase() : m_length(0), m_header() {}
XBmpBase::~XBmpBase() = default;

void XBmpBase::SetxbmpFileHead(unsigned short* pixels, XBMFILEHEADER header)
{
    m_header = header;
    if (m_header.transColor == -1 && m_header.compressed == 1 && pixels != nullptr) m_header.transColor = pixels[0];
    Begin();
}

void XBmpBase::SetxbmpFileHead(_WORD24* pixels, XBMFILEHEADER header)
{
    m_header = header;
    if (m_header.transColor == -1 && m_header.compressed == 1 && pixels != nullptr)
        m_header.transColor = pixels[0].color;
    Begin();
}

void XBmpBase::SetxbmpFileHead(unsigned char* pixels, XBMFILEHEADER header)
{
    m_header = header;
    if (m_header.transColor == -1 && m_header.compressed == 1 && pixels != nullptr) m_header.transColor = pixels[0];
    Begin();
}

void XBmpBase::Begin()
{
    m_out.assign(XBM_HEADER_SIZE, 0);
    m_header.Write(m_out.data());
    m_length = 0;
}

bool XBmpBase::Encodable() const
{
    // Skips and counts are 16-bit byte counts: a row must fit in them.
    const uint64_t rowBytes = uint64_t(m_header.width) * (m_header.bitsPerPixel == 8 ? 1 : 2);
    return m_out.size() >= XBM_HEADER_SIZE && rowBytes <= 0xFFFF && m_header.height <= 0x7FFFFFFF;
}

void XBmpBase::Finish()
{
    m_header.Write(m_out.data());
    m_length = uint32_t(m_out.size());
}

// The public raw writers make a whole image: the header, then the rows.
void XBmpBase::Write8BitNoCompressData(unsigned char* pixels, int pitch)
{
    if (pixels == nullptr) return;
    m_out.resize(XBM_HEADER_SIZE);
    const int w = int(m_header.width), h = int(m_header.height);
    for (int r = 0; r < h; ++r) m_out.insert(m_out.end(), pixels + Index(r, 0, pitch), pixels + Index(r, w, pitch));
    Finish();
}

void XBmpBase::Write16BitNoCompressData(unsigned short* pixels, int pitch)
{
    if (pixels == nullptr) return;
    m_out.resize(XBM_HEADER_SIZE);
    AppendRaw16(m_out, m_header, pixels, pitch);
    Finish();
}

void XBmpBase::Write16BitNoCompressData(_WORD24* pixels, int pitch)
{
    if (pixels == nullptr) return;
    m_out.resize(XBM_HEADER_SIZE);
    AppendRaw16(m_out, m_header, pixels, pitch);
    Finish();
}

void XBmpBase::Write16BitNoCompressAlpha(const _WORD24* pixels, int pitch)
{
    const int w = int(m_header.width), h = int(m_header.height);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) m_out.push_back(pixels[Index(r, x, pitch)].alpha);
    m_header.alphaSize = uint32_t(size_t(w) * size_t(h));
}

void XBmpBase::Write16BitAlpha(const _WORD24* pixels, int pitch)
{
    const size_t start = m_out.size();
    EncodeRuns(
        m_out, int(m_header.width), int(m_header.height), 1,
        [&](int r, int x) { return pixels[Index(r, x, pitch)].alpha == 0; },
        [&](int r, int x) { m_out.push_back(pixels[Index(r, x, pitch)].alpha); });
    m_header.alphaSize = uint32_t(m_out.size() - start);
}

int XBmpBase::Convert16BIT(unsigned short* pixels, int pitch)
{
    if (!Encodable() || pixels == nullptr) return 0;
    m_out.resize(XBM_HEADER_SIZE);
    if (m_header.compressed == 1) {
        const int key = m_header.transColor;
        EncodeRuns(
            m_out, int(m_header.width), int(m_header.height), 2,
            [&](int r, int x) { return key != -1 && pixels[Index(r, x, pitch)] == uint16_t(key); },
            [&](int r, int x) { Put16(m_out, pixels[Index(r, x, pitch)]); });
    } else if (m_header.compressed == 0) {
        AppendRaw16(m_out, m_header, pixels, pitch);
    } else {
        m_length = 0;
        return 1;
    }
    Finish();
    return 1;
}

int XBmpBase::Convert16BIT(_WORD24* pixels, int pitch)
{
    if (!Encodable() || pixels == nullptr) return 0;
    m_out.resize(XBM_HEADER_SIZE);
    if (m_header.compressed != 0 && m_header.compressed != 1) {
        m_length = 0;
        return 1;
    }
    if (m_header.alpha) {
        if (m_header.alphaCompressed)
            Write16BitAlpha(pixels, pitch);
        else
            Write16BitNoCompressAlpha(pixels, pitch);
    }
    if (m_header.compressed == 1) {
        const int key = m_header.transColor;
        EncodeRuns(
            m_out, int(m_header.width), int(m_header.height), 2,
            [&](int r, int x) { return key != -1 && pixels[Index(r, x, pitch)].color == uint16_t(key); },
            [&](int r, int x) { Put16(m_out, pixels[Index(r, x, pitch)].color); });
    } else {
        AppendRaw16(m_out, m_header, pixels, pitch);
    }
    Finish();
    return 1;
}

namespace {

int Encode8(std::vector<uint8_t>& out, const XBMFILEHEADER& h, const unsigned char* pixels, int pitch)
{
    const int key = h.transColor;
    EncodeRuns(
        out, int(h.width), int(h.height), 1,
        [&](int r, int x) { return key != -1 && pixels[Index(r, x, pitch)] == uint8_t(key); },
        [&](int r, int x) { out.push_back(pixels[Index(r, x, pitch)]); });
    return 1;
}

} // namespace

int XBmpBase::WriteFile(const char* path, const char* caption)
{
    if (path == nullptr || !kestu::xbm::SaveParts(path, {{m_out.data(), m_length}})) {
        MessageBoxA(nullptr, "Not Create OutPut File!", caption, MB_OK);
        return 0;
    }
    return 1;
}

int XBmpBase::Write8BIT(unsigned char* pixels, char* path, int pitch)
{
    if (!Encodable() || pixels == nullptr) return 0;
    m_out.resize(XBM_HEADER_SIZE);
    if (m_header.compressed == 1) {
        Encode8(m_out, m_header, pixels, pitch);
        Finish();
        return WriteFile(path, "error");
    }
    if (m_header.compressed == 0) {
        Write8BitNoCompressData(pixels, pitch);
        return WriteFile(path, "Error");
    }
    return 1;
}

int XBmpBase::Write16BIT(unsigned short* pixels, char* path, int pitch)
{
    if (m_header.compressed != 0 && m_header.compressed != 1) return 1;
    if (!Convert16BIT(pixels, pitch)) return 0;
    return WriteFile(path, m_header.compressed == 1 ? "Error" : "error");
}

int XBmpBase::Write16BIT(_WORD24* pixels, char* path, int pitch)
{
    if (m_header.compressed != 0 && m_header.compressed != 1) return 1;
    if (!Convert16BIT(pixels, pitch)) return 0;
    return WriteFile(path, "Error");
}

void XBmpBase::Write8BIT_Special(unsigned char* pixels, FILE* stream, int pitch)
{
    if (stream == nullptr || pixels == nullptr || !Encodable()) return;
    if (m_header.compressed != 0 && m_header.compressed != 1) return;
    if (m_header.compressed == 1) {
        m_out.resize(XBM_HEADER_SIZE);
        Encode8(m_out, m_header, pixels, pitch);
        Finish();
    } else {
        Write8BitNoCompressData(pixels, pitch);
    }
    std::fwrite(m_out.data(), 1, m_length, stream);
}

void XBmpBase::Write16BIT_Special(unsigned short* pixels, FILE* stream, int pitch)
{
    if (stream == nullptr || m_header.compressed > 1 || !Convert16BIT(pixels, pitch)) return;
    std::fwrite(m_out.data(), 1, m_length, stream);
}

void XBmpBase::Write16BIT_Special(_WORD24* pixels, FILE* stream, int pitch)
{
    if (stream == nullptr || m_header.compressed > 1 || !Convert16BIT(pixels, pitch)) return;
    std::fwrite(m_out.data(), 1, m_length, stream);
}
