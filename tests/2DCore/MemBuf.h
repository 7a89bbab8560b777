// A DBUF over a std::vector sized exactly to its rows, so that ASan sees any
// write past the buffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "kestu_paper.h"

class MemBuf : public DBUF {
public:
    // format: 8, 15, 16, 24 or 32; orientation -1 stores the rows bottom-up.
    MemBuf(int w, int h, int format, int orientation = 1, int pad = 0)
    {
        const int bits = format == 15 ? 16 : format;
        m_rect = GRECT(0, 0, w, h);
        m_pixelWidth = static_cast<uint8_t>(bits);
        m_pixelFormat = static_cast<uint8_t>(format);
        m_pitch = w * bits / 8 + pad;
        m_rows = h;
        m_orientation = static_cast<int16_t>(orientation);
        mem.assign(size_t(m_pitch) * size_t(h > 0 ? h : 0), 0);
    }

    void* Prepare(GRECT*) override
    {
        ++prepares;
        if (failPrepare) return nullptr;
        return m_orientation > 0 ? mem.data() : mem.data() + size_t(m_pitch) * size_t(m_rows - 1);
    }
    void Unprepare() override { ++unprepares; }
    int WhoAmI() override { return 5; }

    uint8_t* At(int x, int y)
    {
        const size_t row = m_orientation > 0 ? size_t(y) : size_t(m_rows - 1 - y);
        return mem.data() + row * size_t(m_pitch) + size_t(x) * m_pixelWidth / 8;
    }
    uint32_t Get(int x, int y)
    {
        uint8_t* p = At(x, y);
        switch (m_pixelWidth) {
        case 8: return p[0];
        case 16: return uint32_t(p[0] | (p[1] << 8));
        case 24: return uint32_t(p[0] | (p[1] << 8) | (p[2] << 16));
        default: {
            uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
        }
    }
    void Put(int x, int y, uint32_t v)
    {
        uint8_t* p = At(x, y);
        std::memcpy(p, &v, m_pixelWidth / 8);
    }
    void FillAll(uint32_t v)
    {
        for (int y = 0; y < m_rows; ++y)
            for (int x = 0; x < m_rect.width; ++x) Put(x, y, v);
    }
    void SetTrans(int c) { m_transColor = c; }

    std::vector<uint8_t> mem;
    int prepares = 0;
    int unprepares = 0;
    bool failPrepare = false;
};
