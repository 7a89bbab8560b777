// Field-by-field reading and writing of the skeletal records through a
// COUArchive: one call moves a field either way (store nonzero writes) and
// advances the record's byte count. The archive carries the bytes;
// kestu::ByteReader and kestu::ByteWriter decode and encode them. A read past
// the end throws the archive's HRESULT; record readers catch it at their
// entry point.
#pragma once
#include <windows.h>
#include <d3dx8.h>

#include <string>
#include <vector>

#include "ou_archive.h"

namespace Kestu::record {

// Thrown by readers for data that fails a check.
constexpr HRESULT kBadRecord = E_FAIL;

inline void Bytes(COUArchive& ar, int store, void* data, DWORD size, DWORD& count)
{
    if (store)
        ar.Write(data, size);
    else
        ar.Read(data, size);
    count += size;
}

void U32(COUArchive& ar, int store, DWORD& v, DWORD& count);
void F32(COUArchive& ar, int store, float& v, DWORD& count);

// Reads count items of T (u32, f32, u16 or bytes), growing the vector as the
// data arrive so a damaged count cannot make a huge allocation.
template <class T>
void ReadArray(COUArchive& ar, std::vector<T>& out, unsigned long long count, DWORD& byteCount);

// Writes the items, or zeros where the vector is shorter than count.
template <class T>
void WriteArray(COUArchive& ar, const std::vector<T>& in, size_t count, DWORD& byteCount);

// The stored length of a name: its length rounded up to the next multiple of
// four that is greater than it.
inline DWORD PaddedNameLength(size_t length) { return static_cast<DWORD>((length + 4) & ~size_t(3)); }

// A padded name: u32 L, the characters and L - length zero bytes (at least
// one). Reading refuses (throws kBadRecord) an L above 260 or L bytes without
// a zero; the name ends at the first zero byte. Writing stores any name; the
// callers bound it (kLongestPaddedName, or 255 where the record's readers
// end the name after its L bytes in their 260-byte buffer).
void WriteName(COUArchive& ar, const std::string& name, DWORD& byteCount);
std::string ReadName(COUArchive& ar, DWORD& byteCount);

// A name entry: u32 L = the length rounded up to a multiple of four, the
// characters and L - length zero bytes (none for a length that is a multiple
// of four). The readers take it into a zero-filled 260-byte buffer: reading
// refuses (throws kBadRecord) an L above 260, and an L of 260 without a zero
// byte, which has no terminator; names of up to 259 characters are stored
// (longer ones refused when writing).
constexpr size_t kLongestEntryName = 259;
inline DWORD EntryNameLength(size_t length) { return static_cast<DWORD>((length + 3) & ~size_t(3)); }
void WriteEntryName(COUArchive& ar, const std::string& name, DWORD& byteCount);
std::string ReadEntryName(COUArchive& ar, DWORD& byteCount);

// Longest name a padded name (WriteName) carries: L = 260 with at least one
// zero byte.
constexpr size_t kLongestPaddedName = 259;
// Longest name of the records whose readers end the name after its L bytes
// (skin bone names, material texture files): L at most 256.
constexpr size_t kLongestShortPaddedName = 255;

// A matrix as 16 floats row by row; a vector as 3 or 4 floats.
void Matrix(COUArchive& ar, int store, D3DXMATRIX& m, DWORD& count);
void Vector(COUArchive& ar, int store, float* v, int n, DWORD& count);

// An 8-character tag without terminator.
void Tag(COUArchive& ar, int store, const char* tag, char (&read)[8], DWORD& byteCount);

} // namespace Kestu::record
