// Helpers of the TGA and PCX readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace kestu::imagefile {

// Size of the open file, or -1; the position is put back at the start.
long FileSize(FILE* f);

// Reads the first size bytes of the file at path into out; false when the
// file cannot be opened or is shorter.
bool ReadHeaderBytes(const char* path, uint8_t* out, size_t size);

// Opens path and reads its first size bytes into out, setting fileSize.
// Says "Not find this File!" when it cannot be opened; returns null (and
// keeps no file open) on any failure.
FILE* OpenWithHeader(const char* path, uint8_t* out, size_t size, long& fileSize);

// Decodes PCX run bytes from f into out (size bytes): a byte with both top
// bits set repeats the next byte (its low 6 bits) times, any other byte is
// itself. False when the file ends before out is full.
bool DecodePcxRuns(FILE* f, uint8_t* out, size_t size);

// Shows "<path><suffix>" (bounded to 520 bytes) in a message box.
void ReportPath(const char* path, const char* suffix);

} // namespace kestu::imagefile
