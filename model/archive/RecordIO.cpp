#include "model/archive/RecordIO.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace Kestu::record {

namespace {

// The readers of these archives hold a name in a zero-filled 260-byte buffer.
constexpr DWORD kNameBuffer = 260;
// Items read per step: the vector never grows far ahead of the data.
constexpr size_t kStepBytes = 1 << 20;

template <class T>
T Decode(const BYTE* p)
{
    uint32_t u = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        u |= static_cast<uint32_t>(p[i]) << (8 * i);
    if constexpr (sizeof(T) == 4 && std::is_floating_point_v<T>) {
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    } else {
        return static_cast<T>(u);
    }
}

template <class T>
void Encode(BYTE* p, T v)
{
    uint32_t u;
    if constexpr (std::is_floating_point_v<T>)
        std::memcpy(&u, &v, 4);
    else
        u = static_cast<uint32_t>(v);
    for (size_t i = 0; i < sizeof(T); ++i)
        p[i] = static_cast<BYTE>(u >> (8 * i));
}

} // namespace

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
        const size_t base = out.size();
        out.resize(base + n);
        for (size_t i = 0; i < n; ++i)
            out[base + i] = Decode<T>(raw.data() + i * sizeof(T));
    }
}

template <class T>
void WriteArray(COUArchive& ar, const std::vector<T>& in, size_t count, DWORD& byteCount)
{
    std::vector<BYTE> raw;
    const size_t step = kStepBytes / sizeof(T);
    for (size_t done = 0; done < count;) {
        const size_t n = std::min(step, count - done);
        raw.assign(n * sizeof(T), 0);
        for (size_t i = 0; i < n && done + i < in.size(); ++i)
            Encode<T>(raw.data() + i * sizeof(T), in[done + i]);
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

void WriteName(COUArchive& ar, const std::string& name, DWORD& byteCount)
{
    DWORD length = PaddedNameLength(name.size());
    U32(ar, 1, length, byteCount);
    std::vector<char> bytes(length, 0);
    std::memcpy(bytes.data(), name.data(), name.size());
    Bytes(ar, 1, bytes.data(), length, byteCount);
}

std::string ReadName(COUArchive& ar, DWORD& byteCount)
{
    DWORD length = 0;
    U32(ar, 0, length, byteCount);
    if (length > kNameBuffer)
        throw kBadRecord;
    char buffer[kNameBuffer] = {};
    Bytes(ar, 0, buffer, length, byteCount);
    // The writer always ends a name with at least one zero byte.
    if (length > 0 && std::memchr(buffer, 0, length) == nullptr)
        throw kBadRecord;
    return std::string(buffer);
}

void WriteEntryName(COUArchive& ar, const std::string& name, DWORD& byteCount)
{
    if (name.size() > kLongestEntryName)
        throw kBadRecord;
    DWORD length = EntryNameLength(name.size());
    U32(ar, 1, length, byteCount);
    std::vector<char> bytes(length, 0);
    if (!name.empty())
        std::memcpy(bytes.data(), name.data(), name.size());
    Bytes(ar, 1, bytes.data(), length, byteCount);
}

std::string ReadEntryName(COUArchive& ar, DWORD& byteCount)
{
    DWORD length = 0;
    U32(ar, 0, length, byteCount);
    if (length > kNameBuffer)
        throw kBadRecord;
    char buffer[kNameBuffer] = {};
    Bytes(ar, 0, buffer, length, byteCount);
    // Shorter entries end in the buffer's zeros; a full one needs its own.
    if (length == kNameBuffer && std::memchr(buffer, 0, length) == nullptr)
        throw kBadRecord;
    return std::string(buffer);
}

void Matrix(COUArchive& ar, int store, D3DXMATRIX& m, DWORD& count)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            F32(ar, store, m.m[r][c], count);
}

void Vector(COUArchive& ar, int store, float* v, int n, DWORD& count)
{
    for (int i = 0; i < n; ++i)
        F32(ar, store, v[i], count);
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
