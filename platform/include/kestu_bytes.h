// Bounds-checked little-endian reading and writing of file bytes: the one
// pair every file reader and writer of the engine, the companion library and
// the platform goes through. Loading code validates with these; the runtime
// types it fills trust what it stored.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kestu {

// Reads never go past the end. A read that does not fit returns 0 (or false),
// moves to the end and marks the reader failed; the failure sticks, so a
// reader can run a whole record and check ok() once.
class ByteReader {
public:
    ByteReader(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t size() const { return size_; }
    size_t left() const { return size_ - pos_; }
    const uint8_t* here() const { return data_ + pos_; }
    const uint8_t* data() const { return data_; }
    // True when n more bytes are there (n items of size each, without overflow).
    bool Has(size_t n) const { return n <= left(); }
    bool Has(size_t count, size_t each) const { return each == 0 || count <= left() / each; }

    bool Seek(size_t pos)
    {
        if (pos > size_) return Fail(), false;
        pos_ = pos;
        return ok_;
    }
    bool Skip(size_t n)
    {
        if (n > left()) return Fail(), false;
        pos_ += n;
        return ok_;
    }
    uint8_t U8()
    {
        if (left() < 1) return Fail();
        return data_[pos_++];
    }
    uint16_t U16()
    {
        if (left() < 2) return Fail();
        uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    uint32_t U32()
    {
        if (left() < 4) return Fail();
        uint32_t v = static_cast<uint32_t>(data_[pos_]) | (static_cast<uint32_t>(data_[pos_ + 1]) << 8) |
                     (static_cast<uint32_t>(data_[pos_ + 2]) << 16) | (static_cast<uint32_t>(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return v;
    }
    int8_t I8() { return static_cast<int8_t>(U8()); }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32()
    {
        uint32_t u = U32();
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    // Copies n bytes out; on a short read nothing is copied.
    bool Bytes(void* out, size_t n)
    {
        if (n > left()) return Fail(), false;
        if (n) std::memcpy(out, data_ + pos_, n);
        pos_ += n;
        return ok_;
    }
    // Points at the next n bytes and steps over them; null on a short read.
    const uint8_t* View(size_t n)
    {
        if (n > left()) return Fail(), nullptr;
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    // Reads a fixed field of n bytes into a buffer of cap bytes, always
    // terminated; a field longer than the buffer fails.
    bool FixedString(char* out, size_t cap, size_t n)
    {
        if (cap == 0 || n > left()) return Fail(), false;
        size_t len = 0;
        while (len < n && data_[pos_ + len]) ++len;
        if (len >= cap) return Fail(), false;
        std::memcpy(out, data_ + pos_, len);
        out[len] = 0;
        pos_ += n;
        return ok_;
    }
    // Marks the reader failed, for checks a caller makes on what it read.
    uint8_t Fail()
    {
        ok_ = false;
        pos_ = size_;
        return 0;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Appends little-endian values to a byte vector.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}
    void U8(uint8_t v) { out_.push_back(v); }
    void U16(uint16_t v)
    {
        out_.push_back(static_cast<uint8_t>(v));
        out_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float f)
    {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        U32(u);
    }
    // Grows and copies rather than inserting a range: GCC 12 misreads an
    // inlined range insert as an overflow (-Wstringop-overflow).
    void Bytes(const void* p, size_t n)
    {
        if (n == 0) return;
        const size_t at = out_.size();
        out_.resize(at + n);
        std::memcpy(out_.data() + at, p, n);
    }
    void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    // Writes s into a fixed field of n bytes, zero-padded and cut to n - 1.
    void FixedString(const char* s, size_t n)
    {
        size_t len = s ? std::strlen(s) : 0;
        if (n && len > n - 1) len = n - 1;
        Bytes(s, len);
        Zeros(n - len);
    }
    size_t size() const { return out_.size(); }
    void PatchU32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i) out_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

private:
    std::vector<uint8_t>& out_;
};

// Stores and loads little-endian values at known offsets of a buffer the caller sized.
inline void PutU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v)
{
    // One four-byte copy: GCC 12 misreads the byte loop, inlined into a
    // vector's storage, as writing past it (-Wstringop-overflow).
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                          static_cast<uint8_t>(v >> 24)};
    std::memcpy(p, b, 4);
}
inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline float GetF32(const uint8_t* p)
{
    const uint32_t u = GetU32(p);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
inline void PutF32(uint8_t* p, float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    PutU32(p, u);
}

} // namespace kestu
