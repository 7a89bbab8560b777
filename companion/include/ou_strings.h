// Bounded string helpers, path helpers and the media-file search of the
// companion library. Every copy leaves the destination terminated inside the
// given size; a size of 0 writes nothing.
#pragma once
#include "companion_api.h"
#include "windef.h"
#include "winerror.h"

// Copies src into dst (size bytes), truncating to size - 1 characters.
// Returns the length of the result. A null src gives an empty string.
KESTU_COMPANION_API unsigned long OU_SafeStrCpy(char* dst, unsigned long size, const char* src);
// Appends src to the string in dst (size bytes), truncating so that the
// result keeps its terminator. A dst without a terminator inside size is cut
// to size - 1 characters first. Returns the length of the result.
KESTU_COMPANION_API unsigned long OU_SafeStrCat(char* dst, unsigned long size, const char* src);
// The same on 16-bit characters; size counts characters.
KESTU_COMPANION_API unsigned long OU_SafeStrCpyW(WCHAR* dst, unsigned long size, const WCHAR* src);
KESTU_COMPANION_API unsigned long OU_SafeStrCatW(WCHAR* dst, unsigned long size, const WCHAR* src);

// The file-name part of a path: what follows the last '\', '/' or ':'.
// Null for a null path.
KESTU_COMPANION_API const char* OU_GetNameFromPathname(const char* path);
KESTU_COMPANION_API char* OU_GetNameFromPathname(char* path);

// Looks the media file up: the name as given (relative to the working
// folder), then its file-name part in the working folder. On success path
// receives the absolute path and the result is S_OK; otherwise path receives
// the name itself (truncated to size) and the result is
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), or
// HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) when the found path does not
// fit. E_INVALIDARG for null arguments or a size below 1.
KESTU_COMPANION_API HRESULT DXUtil_FindMediaFileCb(char* path, int size, const char* name);

// Single-byte text throughout: both are bounded copies into dst (size bytes).
// S_OK, or E_INVALIDARG for null arguments or a size below 1.
KESTU_COMPANION_API HRESULT DXUtil_ConvertAnsiStringToGenericCb(char* dst, const char* src, int size);
KESTU_COMPANION_API HRESULT DXUtil_ConvertGenericStringToAnsiCb(char* dst, const char* src, int size);

// Appends printf-formatted text to the file at path (created when missing).
// Returns the number of bytes written, or -1 when the file cannot be opened.
KESTU_COMPANION_API int WriteString(const char* path, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Both '\' and '/' separate folders; files are opened with '\' turned into '/'.
// Writes the converted path into dst (size bytes); returns the length, or 0
// when it does not fit.
KESTU_COMPANION_API unsigned long OU_ToNativePath(char* dst, unsigned long size, const char* path);
