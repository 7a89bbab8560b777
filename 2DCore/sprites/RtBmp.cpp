// RTBMP: building from an XBM image, saving, decoding and 565/555 conversion.
#include "kestu_rtbmp.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "2DCore/sprites/XbmIo.h"
#include "kestu_bytes.h"
#include "2DCore/kernels/Kernels.h"

using kestu::xbm::RunRowLength;

RTBMP::RTBMP() : m_rowOffsets(nullptr), m_runs(nullptr), m_header() {}

RTBMP::~RTBMP() = default;

int RTBMP::IsCompressed() { return 1; }
int RTBMP::WhoAmI() { return KESTU_WHOAMI_RTBMP; }
int RTBMP::Type() { return 1; }

int RTBMP::Build(void* image)
{
    auto* bytes = static_cast<uint8_t*>(image);
    m_header.Read(bytes, XBM_HEADER_SIZE);
    m_pixelWidth = m_header.bitsPerPixel;
    m_transColor = m_header.transColor;
    m_pixelFormat = m_header.pixelFormat;
    m_rect = GRECT(0, 0, LONG(m_header.width), LONG(m_header.height));

    uint8_t* cursor = bytes + XBM_HEADER_SIZE;
    m_colorTable = nullptr;
    m_alphaData = nullptr;
    m_alphaCompressed = 0;
    if (m_header.palette) {
        m_colorTable = cursor;
        cursor += XBM_PALETTE_SIZE;
    }
    if (m_header.alpha) {
        m_alphaData = cursor;
        m_alphaCompressed = m_header.alphaCompressed;
        cursor += kestu::xbm::AlphaPlaneSize(m_header, m_header.alphaCompressed != 0);
    }
    m_rowOffsets = reinterpret_cast<uint32_t*>(cursor);
    m_runs = cursor + size_t(m_header.height) * 4;
    if (m_rect.height < 1) {
        m_header.dataSize = 0;
        return 1;
    }
    const uint32_t first = kestu::GetU32(cursor);
    const uint32_t last = kestu::GetU32(cursor + size_t(m_header.height - 1) * 4);
    m_header.dataSize = uint32_t(last - first + RunRowLength(cursor + last, uint32_t(RowBytes())));
    return 1;
}

HRESULT RTBMP::SaveToXBmpFile(const char* path)
{
    if (m_runs == nullptr || path == nullptr) return E_FAIL;
    if ((m_header.palette && m_colorTable == nullptr) || (m_header.alpha && m_alphaData == nullptr)) return E_FAIL;
    m_header.pixelFormat = m_pixelFormat;
    m_header.transColor = m_transColor;

    // An image may hold its rows in any order, with gaps or shared between
    // rows. They are written packed in row order behind the table, so the
    // file holds every row and loads back as the same sprite.
    const size_t rows = size_t(m_rect.height > 0 ? m_rect.height : 0);
    const auto* block = reinterpret_cast<const uint8_t*>(m_rowOffsets);
    std::vector<uint8_t> table(rows * 4);
    std::vector<uint8_t> runs;
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t* row = block + kestu::GetU32(block + r * 4);
        const size_t length = RunRowLength(row, uint32_t(RowBytes()));
        if (table.size() + runs.size() > UINT32_MAX) return E_FAIL;
        kestu::PutU32(table.data() + r * 4, uint32_t(table.size() + runs.size()));
        runs.insert(runs.end(), row, row + length);
    }
    if (runs.size() > UINT32_MAX) return E_FAIL;
    XBMFILEHEADER saved = m_header;
    saved.dataSize = uint32_t(runs.size());
    uint8_t head[XBM_HEADER_SIZE];
    saved.Write(head);
    const size_t paletteBytes = m_header.palette ? XBM_PALETTE_SIZE : 0;
    const size_t alphaBytes = kestu::xbm::AlphaPlaneSize(m_header, m_alphaCompressed != 0);
    if (!kestu::xbm::SaveParts(path, {{head, sizeof head},
                                      {m_colorTable, paletteBytes},
                                      {m_alphaData, alphaBytes},
                                      {table.data(), table.size()},
                                      {runs.data(), runs.size()}}))
        return E_FAIL;
    return 0;
}

int RTBMP::GetDataHead(unsigned short* buffer)
{
    if (buffer != nullptr && m_rowOffsets != nullptr)
        BltRleCopy16(buffer, m_rowOffsets, m_rowOffsets, RowBytes(), m_rect.height, RowBytes(), 0);
    return 0;
}

namespace {

uint16_t To555(int p) { return uint16_t(((p >> 1) & 0x7FE0) | (p & 0x1F)); }
uint16_t To565(int p) { return uint16_t(((p & 0xFFE0) << 1) | (p & 0x1F)); }

std::vector<uint32_t> StoredRows(const uint32_t* table, int height)
{
    return kestu::xbm::DistinctRowOffsets(reinterpret_cast<const uint8_t*>(table), uint32_t(height > 0 ? height : 0));
}

} // namespace

// Only 16-bit runs hold colours; 8-bit runs hold palette indexes and are left
// alone. A row stored once for several rows is converted once.
void RTBMP::Convet565To555()
{
    if (m_pixelFormat == 15 || m_pixelWidth != 16 || m_rowOffsets == nullptr) return;
    const auto rows = StoredRows(m_rowOffsets, m_rect.height);
    RleConvert565To555(m_rowOffsets, rows.data(), RowBytes(), int(rows.size()), 0);
    m_pixelFormat = 15;
    m_header.pixelFormat = 15;
    if (m_transColor != -1) m_transColor = To555(m_transColor);
    if (m_header.transColor != -1) m_header.transColor = To555(m_header.transColor);
}

void RTBMP::Convet555To565()
{
    if (m_pixelFormat == 16 || m_pixelWidth != 16 || m_rowOffsets == nullptr) return;
    const auto rows = StoredRows(m_rowOffsets, m_rect.height);
    RleConvert555To565(m_rowOffsets, rows.data(), RowBytes(), int(rows.size()), 0);
    m_pixelFormat = 16;
    m_header.pixelFormat = 16;
    if (m_transColor != -1) m_transColor = To565(m_transColor);
    if (m_header.transColor != -1) m_header.transColor = To565(m_header.transColor);
}
