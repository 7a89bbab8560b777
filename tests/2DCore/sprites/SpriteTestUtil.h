// Shared pieces of the sprite tests: a DBUF over an exactly sized vector,
// XBM images made with the encoder, and file helpers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kestu_paper.h"
#include "kestu_xbm.h"
#include "kestu_xbmfile.h"

namespace sprite_test {

class Canvas : public DBUF {
public:
    // format: 15, 16 or 32; whoAmI lets a canvas pose as a texture (8).
    Canvas(int w, int h, int format, int orientation = 1, int whoAmI = 5) : m_who(whoAmI)
    {
        const int bits = format == 15 ? 16 : format;
        m_rect = GRECT(0, 0, w, h);
        m_pixelWidth = uint8_t(bits);
        m_pixelFormat = uint8_t(format);
        m_pitch = w * bits / 8;
        m_rows = h;
        m_orientation = int16_t(orientation);
        mem.assign(size_t(m_pitch) * size_t(h), 0);
    }
    void* Prepare(GRECT*) override
    {
        ++prepares;
        return m_orientation > 0 ? mem.data() : mem.data() + size_t(m_pitch) * size_t(m_rows - 1);
    }
    void Unprepare() override { ++unprepares; }
    int WhoAmI() override { return m_who; }

    uint32_t Get(int x, int y) const
    {
        const size_t row = m_orientation > 0 ? size_t(y) : size_t(m_rows - 1 - y);
        const uint8_t* p = mem.data() + row * size_t(m_pitch) + size_t(x) * m_pixelWidth / 8;
        uint32_t v = 0;
        std::memcpy(&v, p, m_pixelWidth / 8);
        return v;
    }
    void Fill(uint32_t v)
    {
        for (int y = 0; y < m_rows; ++y)
            for (int x = 0; x < m_rect.width; ++x) {
                const size_t row = m_orientation > 0 ? size_t(y) : size_t(m_rows - 1 - y);
                std::memcpy(mem.data() + row * size_t(m_pitch) + size_t(x) * m_pixelWidth / 8, &v, m_pixelWidth / 8);
            }
    }

    std::vector<uint8_t> mem;
    int prepares = 0, unprepares = 0;

private:
    int m_who;
};

inline XBMFILEHEADER Header(int w, int h, int bits, int format, bool compressed, int trans)
{
    XBMFILEHEADER hd;
    hd.width = uint32_t(w);
    hd.height = uint32_t(h);
    hd.bitsPerPixel = uint8_t(bits);
    hd.pixelFormat = uint8_t(format);
    hd.compressed = compressed ? 1 : 0;
    hd.transColor = trans;
    return hd;
}

// The encoder's bytes for 16-bit pixels (w x h, packed).
inline std::vector<uint8_t> Encode16(std::vector<uint16_t> px, const XBMFILEHEADER& h)
{
    XBmpBase enc;
    enc.SetxbmpFileHead(px.data(), h);
    enc.Convert16BIT(px.data(), int(h.width));
    return std::vector<uint8_t>(enc.GetData(), enc.GetData() + enc.GetSize());
}

inline std::vector<uint8_t> Encode24(std::vector<_WORD24> px, const XBMFILEHEADER& h)
{
    XBmpBase enc;
    enc.SetxbmpFileHead(px.data(), h);
    enc.Convert16BIT(px.data(), int(h.width));
    return std::vector<uint8_t>(enc.GetData(), enc.GetData() + enc.GetSize());
}

inline std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline bool Exists(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f != nullptr) std::fclose(f);
    return f != nullptr;
}

// A deterministic sprite: key pixels in a diamond-ish pattern, colours varied.
inline std::vector<uint16_t> Pattern(int w, int h, uint16_t key, unsigned seed = 7)
{
    std::vector<uint16_t> px(size_t(w) * size_t(h));
    uint32_t s = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1103515245u + 12345u;
            const bool clear = ((x + 2 * y) % 5 == 0) || (x == 0 && y % 2 == 0);
            uint16_t c = uint16_t(s >> 12);
            if (c == key) c ^= 1;
            px[size_t(y) * w + x] = clear ? key : c;
        }
    return px;
}

} // namespace sprite_test
