// Pictures for the billboard and trail tests: 32-bit TGA images made from a
// pixel function, packed into a texture library under chosen ids.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "index_lib.h"
#include "kestu_bytes.h"

namespace bbtest {

// ARGB of pixel (x, y), y downward.
using PixelFn = std::function<uint32_t(int x, int y)>;

inline std::vector<uint8_t> Tga(int w, int h, const PixelFn& pixel)
{
    std::vector<uint8_t> out;
    kestu::ByteWriter wr(out);
    wr.U8(0);
    wr.U8(0);
    wr.U8(2); // uncompressed true colour
    wr.Zeros(9);
    wr.U16(static_cast<uint16_t>(w));
    wr.U16(static_cast<uint16_t>(h));
    wr.U8(32);
    wr.U8(0x28); // top-down rows, 8 alpha bits
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) wr.U32(pixel(x, y));
    return out;
}

// A library at path holding each (id, image).
inline void MakeLibrary(const std::string& path, const std::vector<std::pair<DWORD, std::vector<uint8_t>>>& images)
{
    std::remove(path.c_str());
    CIndexLib lib;
    ASSERT_GE(lib.Load(path.c_str(), 0, 1, 1, 1), 0);
    for (const auto& [id, bytes] : images)
        ASSERT_GE(lib.ImportFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()), id,
                                       ("tex" + std::to_string(id) + ".tga").c_str()),
                  0);
    ASSERT_GE(lib.Save(), 0);
}

inline std::vector<uint8_t> Solid(uint32_t argb)
{
    return Tga(4, 4, [argb](int, int) { return argb; });
}

} // namespace bbtest
