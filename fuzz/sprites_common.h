// Pieces shared by the sprite fuzz targets: a temporary file for the input
// and a DBUF over an exactly sized vector.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "kestu_paper.h"

namespace sprites_fuzz {

inline std::string WriteInput(const char* stem, const uint8_t* data, size_t size)
{
    static std::string path;
    if (path.empty()) {
        std::string name = std::string("/tmp/kestu_fuzz_") + stem + "_XXXXXX";
        std::vector<char> buffer(name.begin(), name.end());
        buffer.push_back('\0');
        const int fd = ::mkstemp(buffer.data());
        if (fd >= 0) ::close(fd);
        path = buffer.data();
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return std::string();
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

class Canvas : public DBUF {
public:
    Canvas(int w, int h, int format)
    {
        const int bits = format == 15 ? 16 : format;
        m_rect = GRECT(0, 0, w, h);
        m_pixelWidth = uint8_t(bits);
        m_pixelFormat = uint8_t(format);
        m_pitch = w * bits / 8;
        m_rows = h;
        mem.assign(size_t(m_pitch) * size_t(h), 0x5A);
    }
    void* Prepare(GRECT*) override { return mem.data(); }
    void Unprepare() override {}
    int WhoAmI() override { return 5; }
    std::vector<uint8_t> mem;
};

} // namespace sprites_fuzz
