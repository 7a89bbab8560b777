// Bounds-checked little-endian reader over a block of bytes. Every read
// reports whether the bytes were there; nothing is read past the end.
#pragma once
#include <cstddef>
#include <cstdint>

namespace ou {

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(size), m_pos(0) {}

    bool U16(uint16_t& v)
    {
        if (m_size - m_pos < 2)
            return false;
        v = static_cast<uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }
    bool U32(uint32_t& v)
    {
        if (m_size - m_pos < 4)
            return false;
        v = static_cast<uint32_t>(m_data[m_pos]) | (static_cast<uint32_t>(m_data[m_pos + 1]) << 8) |
            (static_cast<uint32_t>(m_data[m_pos + 2]) << 16) | (static_cast<uint32_t>(m_data[m_pos + 3]) << 24);
        m_pos += 4;
        return true;
    }
    // Points at the next n bytes and steps over them.
    bool Bytes(const uint8_t*& p, size_t n)
    {
        if (m_size - m_pos < n)
            return false;
        p = m_data + m_pos;
        m_pos += n;
        return true;
    }
    size_t Remaining() const { return m_size - m_pos; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos;
};

inline void PutU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace ou
