// TgaFile: 32-bit TGA pictures read into 16-bit colour and alpha records.
#include <windows.h>

#include <memory>
#include <new>
#include <vector>

#include "2DCore/files/ImageFileRead.h"
#include "kestu_bytes.h"
#include "kestu_imageconvert.h"

using namespace kestu::imagefile;

namespace {

BOOL g_convert565 = 1;

constexpr size_t kTgaHeaderSize = 18;

uint16_t Pack(uint8_t r, uint8_t g, uint8_t b)
{
    return g_convert565 ? uint16_t((r & 0xF8) << 8 | (g >> 2) << 5 | b >> 3)
                        : uint16_t((r & 0xF8) << 7 | (g >> 3) << 5 | b >> 3);
}

} // namespace

void SetConvert565(BOOL is565) { g_convert565 = is565 ? 1 : 0; }
BOOL GetConvert565() { return g_convert565; }

void TGAFILEHEADER::Read(const uint8_t b[18])
{
    kestu::ByteReader r(b, kTgaHeaderSize);
    idLength = r.U8();
    colorMapType = r.U8();
    imageType = r.U8();
    colorMapFirst = r.U16();
    colorMapLength = r.U16();
    colorMapEntrySize = r.U8();
    xOrigin = r.U16();
    yOrigin = r.U16();
    width = r.U16();
    height = r.U16();
    pixelDepth = r.U8();
    descriptor = r.U8();
}

TgaFile::~TgaFile() { Free(); }

void TgaFile::Free()
{
    delete[] m_data;
    m_data = nullptr;
    m_width = m_height = 0;
}

_WORD24* TgaFile::GetTgaData(int x, int y) const
{
    if (m_data == nullptr || x < 0 || y < 0 || x >= m_width || y >= m_height) return nullptr;
    return m_data + size_t(y) * m_width + size_t(x);
}

size_t TgaFile::GetPicSize(char* path)
{
    uint8_t bytes[kTgaHeaderSize];
    if (!ReadHeaderBytes(path, bytes, sizeof bytes)) return 0;
    TGAFILEHEADER h;
    h.Read(bytes);
    return h.pixelDepth == 32 ? size_t(h.width) * h.height * 4 : 0;
}

int TgaFile::Read(char* path)
{
    Free();
    uint8_t bytes[kTgaHeaderSize];
    long fileSize = 0;
    FILE* f = OpenWithHeader(path, bytes, sizeof bytes, fileSize);
    if (f == nullptr) return 0;
    m_header.Read(bytes);
    if (m_header.pixelDepth != 32) {
        std::fclose(f);
        ReportPath(path, " isn't a 24bit color file or isn't a 32bit \"TGA\" color file!");
        return 0;
    }
    if ((m_header.descriptor & 0x30) != 0 && (m_header.descriptor & 0x0F) != 8) {
        std::fclose(f);
        MessageBoxA(nullptr, "not write this part about this format", "", MB_OK);
        return 0;
    }
    const size_t w = m_header.width, h = m_header.height;
    const size_t bytesNeeded = w * h * 4; // at most 65535 * 65535 * 4: computed in 64 bits
    const size_t present = size_t(fileSize) - kTgaHeaderSize;
    // The stored bytes bound the picture: raw data is all there, and a run
    // pair of two bytes gives at most 63.
    const bool type2 = m_header.imageType == 2, type10 = m_header.imageType == 10;
    if (!type2 && !type10) {
        std::fclose(f);
        MessageBoxA(nullptr, "No format be surpported", "", MB_OK);
        return 0;
    }
    if ((type2 && bytesNeeded > present) || (type10 && bytesNeeded > present / 2 * 63 + present % 2)) {
        std::fclose(f);
        return 0;
    }
    std::unique_ptr<uint8_t[]> raw(new (std::nothrow) uint8_t[bytesNeeded > 0 ? bytesNeeded : 1]);
    std::unique_ptr<_WORD24[]> records(new (std::nothrow) _WORD24[w * h > 0 ? w * h : 1]);
    if (!raw || !records) {
        MessageBoxA(nullptr, "Not enough memory to malloc!", "Error", MB_OK);
        std::fclose(f);
        return 0;
    }
    std::fseek(f, long(kTgaHeaderSize), SEEK_SET);
    if (type2) {
        const bool ok = std::fread(raw.get(), 1, bytesNeeded, f) == bytesNeeded;
        std::fclose(f);
        if (!ok) return 0;
        // Rows are stored bottom-up, pixels as blue, green, red, alpha.
        for (size_t y = 0; y < h; ++y) {
            const uint8_t* row = raw.get() + (h - 1 - y) * w * 4;
            for (size_t x = 0; x < w; ++x) {
                const uint8_t* p = row + x * 4;
                records[y * w + x] = _WORD24{Pack(p[2], p[1], p[0]), p[3]};
            }
        }
    } else {
        const bool ok = DecodePcxRuns(f, raw.get(), bytesNeeded);
        std::fclose(f);
        if (!ok) return 0;
        // Stored rows bottom-up, each as four planes: blue, green, red, alpha.
        for (size_t y = 0; y < h; ++y) {
            const uint8_t* row = raw.get() + (h - 1 - y) * w * 4;
            for (size_t x = 0; x < w; ++x)
                records[y * w + x] = _WORD24{Pack(row[2 * w + x], row[w + x], row[x]), row[3 * w + x]};
        }
    }
    m_data = records.release();
    m_width = m_header.width;
    m_height = m_header.height;
    return 1;
}
