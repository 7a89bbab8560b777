// What the engine takes from the Windows C runtime and Linux lacks or does
// differently: rand with RAND_MAX 32767 and the classic generator, path
// splitting, case-insensitive comparison, number formatting, low-level file
// I/O. File names accept '\' as well as '/' as separator.
#pragma once
#include "kestu_platform_api.h"
#include "windef.h"

#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// rand() and srand() are the classic generator of the platform library
// (x = x * 214013 + 2531011, result (x >> 16) & 0x7FFF, seed 1), which takes
// the place of the C library's for the whole process.
#undef RAND_MAX
#define RAND_MAX 32767

#define _MAX_PATH 260
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

// Flags of _open, with the Windows C runtime's values.
#define _O_RDONLY 0x0000
#define _O_WRONLY 0x0001
#define _O_RDWR 0x0002
#define _O_APPEND 0x0008
#define _O_CREAT 0x0100
#define _O_TRUNC 0x0200
#define _O_EXCL 0x0400
#define _O_TEXT 0x4000
#define _O_BINARY 0x8000
#define _O_RAW _O_BINARY
#define _O_SEQUENTIAL 0x0020
#define _O_RANDOM 0x0010
#define _S_IREAD 0x0100
#define _S_IWRITE 0x0080
#define _S_IFDIR 0x4000
#define _S_IFREG 0x8000

#ifndef __cdecl
#define __cdecl
#endif
#ifndef _cdecl
#define _cdecl
#endif
#ifndef __stdcall
#define __stdcall
#endif
#ifndef _stdcall
#define _stdcall
#endif
#ifndef __forceinline
#define __forceinline inline __attribute__((always_inline))
#endif
#ifndef __int64
#define __int64 long long
#endif
#ifndef _alloca
#define _alloca __builtin_alloca
#endif

extern "C" {

KESTU_PLATFORM_API int _stricmp(const char* a, const char* b);
KESTU_PLATFORM_API int _strnicmp(const char* a, const char* b, size_t count);
KESTU_PLATFORM_API char* _strlwr(char* text);
KESTU_PLATFORM_API char* _strupr(char* text);
KESTU_PLATFORM_API char* _strdup(const char* text);
KESTU_PLATFORM_API char* _itoa(int value, char* buffer, int radix);
KESTU_PLATFORM_API char* _ltoa(long value, char* buffer, int radix);
KESTU_PLATFORM_API char* _ultoa(unsigned long value, char* buffer, int radix);
KESTU_PLATFORM_API char* _i64toa(long long value, char* buffer, int radix);
// Windows semantics: returns -1 when the text does not fit, and writes no
// terminating zero when the text fills the buffer exactly or is cut.
KESTU_PLATFORM_API int _snprintf(char* buffer, size_t count, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
KESTU_PLATFORM_API int _vsnprintf(char* buffer, size_t count, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));

KESTU_PLATFORM_API void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
KESTU_PLATFORM_API void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext);

KESTU_PLATFORM_API int _access(const char* path, int mode);
KESTU_PLATFORM_API int _mkdir(const char* path);
KESTU_PLATFORM_API int _rmdir(const char* path);
KESTU_PLATFORM_API int _unlink(const char* path);
KESTU_PLATFORM_API int _chdir(const char* path);
KESTU_PLATFORM_API char* _getcwd(char* buffer, int size);
KESTU_PLATFORM_API int _open(const char* path, int flags, ...);
KESTU_PLATFORM_API int _close(int fd);
KESTU_PLATFORM_API int _read(int fd, void* buffer, unsigned int count);
KESTU_PLATFORM_API int _write(int fd, const void* buffer, unsigned int count);
KESTU_PLATFORM_API long _lseek(int fd, long offset, int origin);
KESTU_PLATFORM_API long _tell(int fd);
KESTU_PLATFORM_API long _filelength(int fd);
KESTU_PLATFORM_API int _eof(int fd);

// fopen with '\' mapped to '/'.
KESTU_PLATFORM_API FILE* kestu_fopen(const char* path, const char* mode);

} // extern "C"

namespace std {
using ::kestu_fopen;
}
#define fopen(path, mode) kestu_fopen(path, mode)

inline int stricmp(const char* a, const char* b) { return _stricmp(a, b); }
inline int strcmpi(const char* a, const char* b) { return _stricmp(a, b); }
inline int _strcmpi(const char* a, const char* b) { return _stricmp(a, b); }
inline int strnicmp(const char* a, const char* b, size_t count) { return _strnicmp(a, b, count); }
inline char* strlwr(char* text) { return _strlwr(text); }
inline char* strupr(char* text) { return _strupr(text); }
inline char* itoa(int value, char* buffer, int radix) { return _itoa(value, buffer, radix); }
inline int _finite(double x) { return std::isfinite(x) ? 1 : 0; }
inline int _isnan(double x) { return std::isnan(x) ? 1 : 0; }
