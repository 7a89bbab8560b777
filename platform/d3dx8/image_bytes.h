// Bounds-checked little-endian reading and writing of file bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kestu::d3dx {

// Reads stop at the end: a read past it returns 0 and marks the reader failed.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t size() const { return size_; }
    size_t left() const { return pos_ <= size_ ? size_ - pos_ : 0; }
    const uint8_t* here() const { return data_ + pos_; }

    bool Seek(size_t pos)
    {
        if (pos > size_) return ok_ = false;
        pos_ = pos;
        return true;
    }
    bool Skip(size_t n)
    {
        if (n > left()) return ok_ = false;
        pos_ += n;
        return true;
    }
    uint8_t U8()
    {
        if (left() < 1) return Fail();
        return data_[pos_++];
    }
    uint16_t U16()
    {
        if (left() < 2) return Fail();
        uint16_t v = (uint16_t)(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    uint32_t U32()
    {
        if (left() < 4) return Fail();
        uint32_t v = (uint32_t)data_[pos_] | ((uint32_t)data_[pos_ + 1] << 8) | ((uint32_t)data_[pos_ + 2] << 16) |
                     ((uint32_t)data_[pos_ + 3] << 24);
        pos_ += 4;
        return v;
    }
    int32_t I32() { return (int32_t)U32(); }
    bool Bytes(void* out, size_t n)
    {
        if (n > left()) return ok_ = false;
        std::memcpy(out, data_ + pos_, n);
        pos_ += n;
        return true;
    }

private:
    uint8_t Fail()
    {
        ok_ = false;
        pos_ = size_;
        return 0;
    }
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}
    void U8(uint8_t v) { out_.push_back(v); }
    void U16(uint16_t v)
    {
        out_.push_back((uint8_t)v);
        out_.push_back((uint8_t)(v >> 8));
    }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i) out_.push_back((uint8_t)(v >> (8 * i)));
    }
    void Bytes(const void* p, size_t n)
    {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        out_.insert(out_.end(), b, b + n);
    }
    void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    size_t size() const { return out_.size(); }
    void PatchU32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i) out_[at + i] = (uint8_t)(v >> (8 * i));
    }

private:
    std::vector<uint8_t>& out_;
};

// Expands an n-bit channel value to 8 bits.
inline uint32_t ExpandBits(uint32_t v, uint32_t bits)
{
    if (bits == 0) return 0;
    if (bits >= 8) return v >> (bits - 8);
    return (v * 255u + ((1u << bits) - 1) / 2) / ((1u << bits) - 1);
}

} // namespace kestu::d3dx
