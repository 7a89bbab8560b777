// Whole files read into a new buffer and buffers written to files.
#pragma once
#include <windows.h>

// A new[] buffer with the file's bytes (the caller delete[]s it); null for a
// missing, empty or short-read file. size receives the length when not null.
BYTE* LoadWholeFile(const char* path, DWORD* size);

// Writes size bytes; returns the count written or -1. The old file is
// replaced only once the new bytes are all on disk.
int SaveWholeFile(const char* path, const void* data, DWORD size);
