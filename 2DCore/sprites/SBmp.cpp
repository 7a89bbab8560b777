// SBMP: construction, building from an XBM image and saving.
#include "kestu_sbmp.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "2DCore/sprites/XbmIo.h"
#include "kestu_pixelformat.h"

SBMP::SBMP() : m_ownsBuffer(0), m_buffer(nullptr), m_header() {}

SBMP::SBMP(const XBMFILEHEADER* header) : SBMP() { CreateBuffer(header); }

SBMP::SBMP(const XBMFILEHEADER* header, unsigned char* data, int pitch) : SBMP()
{
    m_pixelWidth = header->bitsPerPixel;
    m_pixelFormat = header->pixelFormat;
    m_transColor = header->transColor;
    m_rect = GRECT(0, 0, LONG(header->width), LONG(header->height));
    m_pitch = pitch == -1 ? int(header->bitsPerPixel * header->width / 8) : pitch;
    m_rows = int(header->height);
    m_buffer = data;
    m_header = *header;
}

SBMP::SBMP(const SBMP& other) = default;
SBMP& SBMP::operator=(const SBMP& other) = default;

SBMP::~SBMP() { CleanUp(); }

void SBMP::CreateBuffer(const XBMFILEHEADER* header)
{
    m_pixelWidth = header->bitsPerPixel;
    m_pixelFormat = header->pixelFormat;
    m_transColor = header->transColor;
    m_ownsBuffer = 1;
    m_rect = GRECT(0, 0, LONG(header->width), LONG(header->height));
    m_pitch = int(header->bitsPerPixel * header->width / 8);
    m_rows = int(header->height);
    const size_t size = size_t(header->width) * header->height * header->bitsPerPixel / 8;
    m_ownedBuffer.reset(new uint8_t[size > 0 ? size : 1]);
    m_buffer = m_ownedBuffer.get();
    m_header = *header;
    m_header.dataSize = uint32_t(size);
}

void SBMP::CleanUp()
{
    if (m_ownsBuffer) m_ownedBuffer.reset();
    m_buffer = nullptr;
}

int SBMP::Build(void* image)
{
    auto* bytes = static_cast<uint8_t*>(image);
    m_header.Read(bytes, XBM_HEADER_SIZE);
    m_pixelWidth = m_header.bitsPerPixel;
    m_transColor = m_header.transColor;
    m_pixelFormat = m_header.pixelFormat;
    const int width = int(m_header.width), height = int(m_header.height);
    m_rect = GRECT(0, 0, width, height);

    uint8_t* cursor = bytes + XBM_HEADER_SIZE;
    if (m_header.palette) {
        m_colorTable = cursor;
        cursor += XBM_PALETTE_SIZE;
    }
    if (m_header.alpha) {
        m_alphaData = cursor;
        m_alphaCompressed = m_header.alphaCompressed;
        cursor += m_header.alphaCompressed ? size_t(m_header.alphaSize) : size_t(width) * size_t(height);
    }
    if (m_header.ownBuffer) CreateBuffer(&m_header);
    const size_t storedRow = size_t(width) * m_header.bitsPerPixel / 8;
    if (!m_header.copyRows && !m_ownsBuffer) {
        m_rect = GRECT(0, 0, width, height);
        m_buffer = cursor;
        m_pitch = int(storedRow);
        m_rows = height;
        m_ownsBuffer = 0;
    } else if (m_header.copyRows && m_ownsBuffer) {
        const int rows = std::min(m_rect.height, height);
        const size_t rowBytes = size_t(std::min(m_rect.width, width)) * m_header.bitsPerPixel / 8;
        for (int r = 0; r < rows; ++r)
            std::memcpy(m_buffer + size_t(r) * size_t(m_pitch), cursor + size_t(r) * storedRow, rowBytes);
    }
    m_header.dataSize = uint32_t(size_t(height) * size_t(width) * m_header.bitsPerPixel / 8);
    return 1;
}

HRESULT SBMP::SaveToXBmpFile(const char* path)
{
    if (m_buffer == nullptr || path == nullptr) return E_FAIL;
    // The flags promise sections that must come from somewhere.
    if ((m_header.palette && m_colorTable == nullptr) || (m_header.alpha && m_alphaData == nullptr)) return E_FAIL;
    m_header.pixelFormat = m_pixelFormat;
    m_header.transColor = m_transColor;
    uint8_t head[XBM_HEADER_SIZE];
    m_header.Write(head);

    const size_t alphaBytes = kestu::xbm::AlphaPlaneSize(m_header, m_alphaCompressed != 0);
    const size_t paletteBytes = m_header.palette ? XBM_PALETTE_SIZE : 0;
    // Rows are gathered first: the buffer's pitch may differ from the packed rows of the file.
    const int rows = std::min<int64_t>(m_rect.height, m_header.height);
    const size_t rowBytes = size_t(std::min<int64_t>(m_rect.width, m_header.width)) * m_pixelWidth / 8;
    std::vector<uint8_t> pixels(size_t(rows > 0 ? rows : 0) * rowBytes);
    if (rowBytes > 0)
        for (int r = 0; r < rows; ++r)
            std::memcpy(pixels.data() + size_t(r) * rowBytes, m_buffer + size_t(r) * size_t(m_pitch), rowBytes);
    if (!kestu::xbm::SaveParts(path, {{head, sizeof head},
                                      {m_colorTable, paletteBytes},
                                      {m_alphaData, alphaBytes},
                                      {pixels.data(), pixels.size()}}))
        return E_FAIL;
    return 0;
}

int SBMP::GetTransColor() { return m_transColor; }
int SBMP::WhoAmI() { return KESTU_WHOAMI_SBMP; }
int SBMP::Type() { return 0; }
void* SBMP::Prepare(GRECT*) { return m_buffer; }
void SBMP::Unprepare() {}

SBMP* CreateSbmp(int width, int height)
{
    XBMFILEHEADER header;
    const int format = hardware.PixelFormat() == 15 ? 15 : 16;
    header.bitsPerPixel = 16;
    header.pixelFormat = uint8_t(format);
    header.transColor = format == 15 ? 0x7C1F : 0xF81F;
    header.width = uint32_t(width > 0 ? width : 0);
    header.height = uint32_t(height > 0 ? height : 0);
    return new SBMP(&header);
}
