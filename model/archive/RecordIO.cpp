#include "model/archive/RecordIO.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "kestu_bytes.h"

namespace Kestu::record {

namespace {

// The readers of these archives hold a name in a zero-filled 260-byte buffer.
constexpr DWORD kNameBuffer = 260;
// Items read per step: the vector never grows far ahead of the data.
constexpr size_t kStepBytes = 1 << 20;

template <class T>
T Take(kestu::ByteReader& r)
{
    if constexpr (std::is_floating_point_v<T>)
        return r.F32();
    else if constexpr (sizeof(T) == 4)
        return static_cast<T>(r.U32());
    else if constexpr (sizeof(T) == 2)
        return static_cast<T>(r.U16());
    else
        return static_cast<T>(r.U8());
}

template <class T>
void Put(kestu::ByteWriter& w, T v)
{
    if constexpr (std::is_floating_point_v<T>)
        w.F32(v);
    else if constexpr (sizeof(T) == 4)
        w.U32(static_cast<uint32_t>(v));
    else if constexpr (sizeof(T) == 2)
        w.U16(static_cast<uint16_t>(v));
    else
        w.U8(static_cast<uint8_t>(v));
}

// One four-byte value: written from v, or read into v.
template <class T>
void Scalar(COUArchive& ar, int store, T& v, DWORD& count)
{
    static_assert(sizeof(T) == 4);
    BYTE raw[4] = {};
    if (store) kestu::PutU32(raw, std::bit_cast<uint32_t>(v));
    Bytes(ar, store, raw, sizeof raw, count);
    if (!store) {
        kestu::ByteReader r(raw, sizeof raw);
        v = Take<T>(r);
    }
}

} // namespace

void U32(COUArchive& ar, int store, DWORD& v, DWORD& count) { Scalar(ar, store, v, count); }

void F32(COUArchive& ar, int store, float& v, DWORD& count) { Scalar(ar, store, v, count); }

template <class T>
void ReadArray(COUArchive& ar, std::vector<T>& out, unsigned long long count, DWORD& byteCount)
{
    out.clear();
    std::vector<BYTE> raw;
    const size_t step = kStepBytes / sizeof(T);
    while (out.size() < count) {
        const size_t n = static_cast<size_t>(std::min<unsigned long long>(step, count - out.size()));
        raw.resize(n * sizeof(T));
        ar.Read(raw.data(), static_cast<DWORD>(raw.size()));
        byteCount += static_cast<DWORD>(raw.size());
        kestu::ByteReader r(raw.data(), raw.size());
        const size_t base = out.size();
        out.resize(base + n);
        for (size_t i = 0; i < n; ++i) out[base + i] = Take<T>(r);
    }
}

template <class T>
void WriteArray(COUArchive& ar, const std::vector<T>& in, size_t count, DWORD& byteCount)
{
    std::vector<BYTE> raw;
    const size_t step = kStepBytes / sizeof(T);
    for (size_t done = 0; done < count;) {
        const size_t n = std::min(step, count - done);
        raw.clear();
        kestu::ByteWriter w(raw);
        for (size_t i = 0; i < n; ++i) Put<T>(w, done + i < in.size() ? in[done + i] : T{});
        ar.Write(raw.data(), static_cast<DWORD>(raw.size()));
        byteCount += static_cast<DWORD>(raw.size());
        done += n;
    }
}

template void ReadArray<BYTE>(COUArchive&, std::vector<BYTE>&, unsigned long long, DWORD&);
template void ReadArray<char>(COUArchive&, std::vector<char>&, unsigned long long, DWORD&);
template void ReadArray<WORD>(COUArchive&, std::vector<WORD>&, unsigned long long, DWORD&);
template void ReadArray<DWORD>(COUArchive&, std::vector<DWORD>&, unsigned long long, DWORD&);
template void ReadArray<float>(COUArchive&, std::vector<float>&, unsigned long long, DWORD&);
template void WriteArray<BYTE>(COUArchive&, const std::vector<BYTE>&, size_t, DWORD&);
template void WriteArray<char>(COUArchive&, const std::vector<char>&, size_t, DWORD&);
template void WriteArray<WORD>(COUArchive&, const std::vector<WORD>&, size_t, DWORD&);
template void WriteArray<DWORD>(COUArchive&, const std::vector<DWORD>&, size_t, DWORD&);
template void WriteArray<float>(COUArchive&, const std::vector<float>&, size_t, DWORD&);

namespace {

// u32 L, the name and L - length zero bytes.
void WriteNameField(COUArchive& ar, const std::string& name, DWORD length, DWORD& byteCount)
{
    U32(ar, 1, length, byteCount);
    std::vector<BYTE> raw;
    kestu::ByteWriter w(raw);
    w.Bytes(name.data(), name.size());
    w.Zeros(length - name.size());
    Bytes(ar, 1, raw.data(), length, byteCount);
}

// u32 L of at most 260 and L bytes; the name ends at the first zero byte.
// ownZero: the L bytes must hold that zero; else only 260 bytes must (a
// shorter name ends in the buffer's zeros).
std::string ReadNameField(COUArchive& ar, DWORD& byteCount, bool ownZero)
{
    DWORD length = 0;
    U32(ar, 0, length, byteCount);
    if (length > kNameBuffer) throw kBadRecord;
    BYTE raw[kNameBuffer] = {};
    Bytes(ar, 0, raw, length, byteCount);
    if (length == 0) return {};
    kestu::ByteReader r(raw, length);
    char name[kNameBuffer];
    if (!r.FixedString(name, ownZero ? length : kNameBuffer, length)) throw kBadRecord;
    return name;
}

} // namespace

void WriteName(COUArchive& ar, const std::string& name, DWORD& byteCount)
{
    WriteNameField(ar, name, PaddedNameLength(name.size()), byteCount);
}

std::string ReadName(COUArchive& ar, DWORD& byteCount) { return ReadNameField(ar, byteCount, true); }

void WriteEntryName(COUArchive& ar, const std::string& name, DWORD& byteCount)
{
    if (name.size() > kLongestEntryName) throw kBadRecord;
    WriteNameField(ar, name, EntryNameLength(name.size()), byteCount);
}

std::string ReadEntryName(COUArchive& ar, DWORD& byteCount) { return ReadNameField(ar, byteCount, false); }

void Matrix(COUArchive& ar, int store, D3DXMATRIX& m, DWORD& count)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) F32(ar, store, m.m[r][c], count);
}

void Vector(COUArchive& ar, int store, float* v, int n, DWORD& count)
{
    for (int i = 0; i < n; ++i) F32(ar, store, v[i], count);
}

void Tag(COUArchive& ar, int store, const char* tag, char (&read)[8], DWORD& byteCount)
{
    if (store) {
        std::memcpy(read, tag, 8);
        Bytes(ar, 1, read, 8, byteCount);
    } else {
        Bytes(ar, 0, read, 8, byteCount);
    }
}

} // namespace Kestu::record
