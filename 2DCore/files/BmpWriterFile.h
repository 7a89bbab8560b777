// BMP headers and a file written beside its target and
// renamed over it only when complete.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "kestu_bytes.h"

namespace kestu2d {

class AtomicFile {
public:
    explicit AtomicFile(const char* path)
    {
        m_target = path != nullptr ? path : "";
        std::replace(m_target.begin(), m_target.end(), '\\', '/');
        m_temp = m_target + ".tmp";
        if (!m_target.empty()) m_file = std::fopen(m_temp.c_str(), "wb");
    }
    ~AtomicFile()
    {
        if (m_file != nullptr) {
            std::fclose(m_file);
            std::remove(m_temp.c_str());
        }
    }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    bool Write(const void* data, size_t n)
    {
        if (m_file == nullptr || !m_ok) return false;
        m_ok = n == 0 || std::fwrite(data, 1, n, m_file) == n;
        return m_ok;
    }
    // Closes the file and puts it in place; false (and no file) on any failure.
    bool Commit()
    {
        if (m_file == nullptr) return false;
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        if (!closed || !m_ok || std::rename(m_temp.c_str(), m_target.c_str()) != 0) {
            std::remove(m_temp.c_str());
            return false;
        }
        return true;
    }

private:
    std::string m_target;
    std::string m_temp;
    std::FILE* m_file = nullptr;
    bool m_ok = true;
};

// The 14-byte file header and the 40-byte info header of a bottom-up
// 24-bit picture with padded rows.
inline std::vector<uint8_t> Bmp24Headers(int width, int height)
{
    const uint32_t row = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t image = row * uint32_t(height);
    std::vector<uint8_t> h;
    kestu::ByteWriter w(h);
    w.U8('B');
    w.U8('M');
    w.U32(54 + image);
    w.U32(0);
    w.U32(54);
    w.U32(40);
    w.U32(uint32_t(width));
    w.U32(uint32_t(height));
    w.U16(1);
    w.U16(24);
    w.U32(0);
    w.U32(image);
    w.Zeros(16);
    return h;
}

// The 122-byte header with a version-4 info header. Negative rows: top-down.
inline std::vector<uint8_t> Bmp122Header(int width, int rows, int bits, uint32_t paletteBytes, uint32_t image)
{
    std::vector<uint8_t> h;
    kestu::ByteWriter w(h);
    w.U8('B');
    w.U8('M');
    w.U32(122 + paletteBytes + image);
    w.U32(0);
    w.U32(122 + paletteBytes);
    w.U32(108);
    w.U32(uint32_t(width));
    w.U32(uint32_t(rows));
    w.U16(1);
    w.U16(uint16_t(bits));
    w.U32(0);
    w.U32(image);
    w.Zeros(122 - w.size());
    return h;
}

}  // namespace kestu2d
