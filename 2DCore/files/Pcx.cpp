// PcxFile: 24-bit PCX pictures read into 16-bit pixels, 8-bit ones into indexes.
#include <windows.h>

#include <memory>
#include <new>

#include "2DCore/files/ImageFileRead.h"
#include "kestu_bytes.h"
#include "kestu_imageconvert.h"

using namespace kestu::imagefile;

namespace {

constexpr size_t kPcxHeaderSize = 128;

} // namespace

void PcxHeader::Read(const uint8_t b[128])
{
    kestu::ByteReader r(b, kPcxHeaderSize);
    manufacturer = r.U8();
    version = r.U8();
    encoding = r.U8();
    bitsPerPixel = r.U8();
    xmin = r.U16();
    ymin = r.U16();
    xmax = r.U16();
    ymax = r.U16();
    hres = r.U16();
    vres = r.U16();
    for (auto& c : colorMap) c = r.U8();
    reserved = r.U8();
    planes = r.U8();
    bytesPerLine = r.U16();
    paletteInfo = r.U16();
    screenWidth = r.U16();
    screenHeight = r.U16();
    for (auto& c : filler) c = r.U8();
}

PcxFile::~PcxFile() { Free(); }

void PcxFile::Free()
{
    if (m_data != nullptr) {
        if (Is8Bits())
            delete[] static_cast<uint8_t*>(m_data);
        else
            delete[] static_cast<uint16_t*>(m_data);
    }
    m_data = nullptr;
    m_width = m_height = 0;
}

void* PcxFile::GetPcxData(int x, int y) const
{
    if (m_data == nullptr || x < 0 || y < 0 || x >= m_width || y >= m_height) return nullptr;
    const size_t i = size_t(y) * m_width + size_t(x);
    return Is8Bits() ? static_cast<void*>(static_cast<uint8_t*>(m_data) + i)
                     : static_cast<void*>(static_cast<uint16_t*>(m_data) + i);
}

unsigned short PcxFile::MakePixel15BitBy24Bit(unsigned char r, unsigned char g, unsigned char b)
{
    return uint16_t((r & 0xF8) << 7 | (g >> 3) << 5 | b >> 3);
}

unsigned short PcxFile::MakePixel16BitBy24Bit(unsigned char r, unsigned char g, unsigned char b)
{
    return uint16_t((r & 0xF8) << 8 | (g >> 2) << 5 | b >> 3);
}

size_t PcxFile::GetPicSize(char* path)
{
    uint8_t bytes[kPcxHeaderSize];
    if (!ReadHeaderBytes(path, bytes, sizeof bytes)) return 0;
    PcxHeader h;
    h.Read(bytes);
    if (h.planes * h.bitsPerPixel != 24 || h.ymax < h.ymin) return 0;
    return (size_t(h.ymax) - h.ymin + 1) * h.bytesPerLine;
}

int PcxFile::Read(char* path)
{
    Free();
    uint8_t bytes[kPcxHeaderSize];
    long fileSize = 0;
    FILE* f = OpenWithHeader(path, bytes, sizeof bytes, fileSize);
    if (f == nullptr) return 0;
    m_header.Read(bytes);
    const int depth = m_header.planes * m_header.bitsPerPixel;
    int result = 0;
    // 24 bits are read as three 8-bit planes, red, green and blue.
    if (depth == 24 && m_header.planes == 3) {
        result = ReadPcx24(f, fileSize);
    } else if (depth == 8 && m_header.encoding == 1) {
        result = ReadPcx8(f, fileSize);
    } else if (depth == 8) {
        result = ReadPcx8_Uncompress(f, fileSize);
    } else {
        std::fclose(f);
        ReportPath(path, " isn't a 24bit color file !");
        return 0;
    }
    std::fclose(f);
    return result;
}

bool PcxFile::ReadScanLines(FILE* f, long fileSize, bool encoded, uint8_t*& lines, size_t& size)
{
    lines = nullptr;
    if (m_header.xmax < m_header.xmin || m_header.ymax < m_header.ymin) return false;
    const size_t width = size_t(m_header.xmax) - m_header.xmin + 1;
    const size_t height = size_t(m_header.ymax) - m_header.ymin + 1;
    const size_t rowBytes = size_t(m_header.planes) * m_header.bytesPerLine;
    // Every plane line must hold the picture's width, and the sizes their 16-bit fields.
    if (m_header.bytesPerLine < width || width > 0xFFFF || height > 0xFFFF) return false;
    size = height * rowBytes;
    const size_t present = size_t(fileSize) - kPcxHeaderSize;
    if (encoded ? size > present / 2 * 63 + present % 2 : size > present) return false;
    lines = new (std::nothrow) uint8_t[size];
    if (lines == nullptr) {
        MessageBoxA(nullptr, "Not enough memory to malloc!", "Error", MB_OK);
        return false;
    }
    std::fseek(f, long(kPcxHeaderSize), SEEK_SET);
    const bool ok = encoded ? DecodePcxRuns(f, lines, size) : std::fread(lines, 1, size, f) == size;
    if (!ok) {
        delete[] lines;
        lines = nullptr;
        return false;
    }
    m_width = uint16_t(width);
    m_height = uint16_t(height);
    return true;
}

int PcxFile::ReadPcx24(FILE* f, long fileSize)
{
    uint8_t* lines = nullptr;
    size_t size = 0;
    if (!ReadScanLines(f, fileSize, true, lines, size)) return 0;
    const size_t w = m_width, h = m_height, bpl = m_header.bytesPerLine;
    auto* pixels = new (std::nothrow) uint16_t[w * h];
    if (pixels == nullptr) {
        delete[] lines;
        MessageBoxA(nullptr, "Not enough memory to malloc!", "Error", MB_OK);
        m_width = m_height = 0;
        return 0;
    }
    const bool is565 = GetConvert565() != 0;
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* red = lines + y * 3 * bpl;
        const uint8_t* green = red + bpl;
        const uint8_t* blue = green + bpl;
        for (size_t x = 0; x < w; ++x) {
            const int r = red[x] * 32 >> 8, g6 = green[x] * 64 >> 8, g5 = green[x] * 32 >> 8, b = blue[x] * 32 >> 8;
            pixels[y * w + x] = is565 ? uint16_t(r << 11 | g6 << 5 | b) : uint16_t(r << 10 | g5 << 5 | b);
        }
    }
    delete[] lines;
    m_data = pixels;
    return 1;
}

namespace {

uint8_t* Indexes(const uint8_t* lines, size_t w, size_t h, size_t rowBytes)
{
    auto* out = new (std::nothrow) uint8_t[w * h > 0 ? w * h : 1];
    if (out == nullptr) return nullptr;
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) out[y * w + x] = lines[y * rowBytes + x];
    return out;
}

} // namespace

int PcxFile::ReadPcx8(FILE* f, long fileSize) { return ReadIndexed(f, fileSize, true); }

// Uncompressed scan lines keep their indexes just as the encoded ones do.
int PcxFile::ReadPcx8_Uncompress(FILE* f, long fileSize) { return ReadIndexed(f, fileSize, false); }

int PcxFile::ReadIndexed(FILE* f, long fileSize, bool encoded)
{
    uint8_t* lines = nullptr;
    size_t size = 0;
    if (!ReadScanLines(f, fileSize, encoded, lines, size)) return 0;
    m_data = Indexes(lines, m_width, m_height, size_t(m_header.planes) * m_header.bytesPerLine);
    delete[] lines;
    if (m_data == nullptr) {
        MessageBoxA(nullptr, "Not enough memory to malloc!", "Error", MB_OK);
        m_width = m_height = 0;
        return 0;
    }
    return 1;
}
