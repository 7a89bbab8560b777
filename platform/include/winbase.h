// Windows stand-in declarations (kernel32): INI files, files and folders,
// critical sections, debug output, text conversion, system and version
// information, modules and raw-data resources, time.
#pragma once
#include "kestu_platform_api.h"
#include "windef.h"
#include "winerror.h"

#include <cstring>

#define ZeroMemory(dst, len) ::memset((dst), 0, (len))
#define FillMemory(dst, len, fill) ::memset((dst), (fill), (len))
#define CopyMemory(dst, src, len) ::memcpy((dst), (src), (len))
#define MoveMemory(dst, src, len) ::memmove((dst), (src), (len))

#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED 0xFFFFFFFF

// Resource types.
#define RT_CURSOR MAKEINTRESOURCEA(1)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_MENU MAKEINTRESOURCEA(4)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_FONTDIR MAKEINTRESOURCEA(7)
#define RT_FONT MAKEINTRESOURCEA(8)
#define RT_ACCELERATOR MAKEINTRESOURCEA(9)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_MESSAGETABLE MAKEINTRESOURCEA(11)
#define RT_GROUP_CURSOR MAKEINTRESOURCEA(12)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)
#define RT_VERSION MAKEINTRESOURCEA(16)

// Code pages and conversion flags.
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_NO_BEST_FIT_CHARS 0x00000400

// Files.
#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define GENERIC_EXECUTE 0x20000000L
#define GENERIC_ALL 0x10000000L
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))
#define INVALID_FILE_SIZE (static_cast<DWORD>(0xFFFFFFFF))
#define INVALID_SET_FILE_POINTER (static_cast<DWORD>(-1))
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000
#define FILE_FLAG_RANDOM_ACCESS 0x10000000

// Processor information.
#define PROCESSOR_INTEL_386 386
#define PROCESSOR_INTEL_486 486
#define PROCESSOR_INTEL_PENTIUM 586
#define PROCESSOR_AMD_X8664 8664
#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_UNKNOWN 0xFFFF

// Version information.
#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2
#define VER_NT_WORKSTATION 0x0000001
#define VER_NT_DOMAIN_CONTROLLER 0x0000002
#define VER_NT_SERVER 0x0000003

typedef struct _OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
} OSVERSIONINFOA, *POSVERSIONINFOA, *LPOSVERSIONINFOA;
typedef OSVERSIONINFOA OSVERSIONINFO;
typedef LPOSVERSIONINFOA LPOSVERSIONINFO;

typedef struct _OSVERSIONINFOEXA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
} OSVERSIONINFOEXA, *POSVERSIONINFOEXA, *LPOSVERSIONINFOEXA;
typedef OSVERSIONINFOEXA OSVERSIONINFOEX;

typedef struct _SYSTEM_INFO {
    union {
        DWORD dwOemId;
        struct {
            WORD wProcessorArchitecture;
            WORD wReserved;
        };
    };
    DWORD dwPageSize;
    LPVOID lpMinimumApplicationAddress;
    LPVOID lpMaximumApplicationAddress;
    DWORD_PTR dwActiveProcessorMask;
    DWORD dwNumberOfProcessors;
    DWORD dwProcessorType;
    DWORD dwAllocationGranularity;
    WORD wProcessorLevel;
    WORD wProcessorRevision;
} SYSTEM_INFO, *LPSYSTEM_INFO;

// The lock lives behind LockSemaphore; the counters mirror the owner's view.
typedef struct _RTL_CRITICAL_SECTION {
    PVOID DebugInfo;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
} CRITICAL_SECTION, *PCRITICAL_SECTION, *LPCRITICAL_SECTION;

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;

KESTU_WINAPI_BEGIN

// Errors.
KESTU_PLATFORM_API DWORD GetLastError();
KESTU_PLATFORM_API void SetLastError(DWORD error);

// INI files.
KESTU_PLATFORM_API DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR returned,
                                                  DWORD size, LPCSTR fileName);
KESTU_PLATFORM_API UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName);
KESTU_PLATFORM_API DWORD GetPrivateProfileSectionNamesA(LPSTR returned, DWORD size, LPCSTR fileName);

// Files and folders ('\' and '/' both separate path components).
KESTU_PLATFORM_API BOOL DeleteFileA(LPCSTR fileName);
KESTU_PLATFORM_API BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES attributes);
KESTU_PLATFORM_API BOOL RemoveDirectoryA(LPCSTR pathName);
KESTU_PLATFORM_API DWORD GetFileAttributesA(LPCSTR fileName);
KESTU_PLATFORM_API BOOL CopyFileA(LPCSTR existingName, LPCSTR newName, BOOL failIfExists);
KESTU_PLATFORM_API BOOL MoveFileA(LPCSTR existingName, LPCSTR newName);
KESTU_PLATFORM_API HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES attributes,
                                      DWORD creation, DWORD flags, HANDLE templateFile);
KESTU_PLATFORM_API BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
KESTU_PLATFORM_API BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped);
KESTU_PLATFORM_API DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
KESTU_PLATFORM_API DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method);
KESTU_PLATFORM_API BOOL SetEndOfFile(HANDLE file);
KESTU_PLATFORM_API BOOL FlushFileBuffers(HANDLE file);
KESTU_PLATFORM_API BOOL CloseHandle(HANDLE object);
KESTU_PLATFORM_API DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
KESTU_PLATFORM_API BOOL SetCurrentDirectoryA(LPCSTR pathName);
KESTU_PLATFORM_API DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// Critical sections (recursive).
KESTU_PLATFORM_API void InitializeCriticalSection(LPCRITICAL_SECTION cs);
KESTU_PLATFORM_API BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD spinCount);
KESTU_PLATFORM_API void DeleteCriticalSection(LPCRITICAL_SECTION cs);
KESTU_PLATFORM_API void EnterCriticalSection(LPCRITICAL_SECTION cs);
KESTU_PLATFORM_API BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs);
KESTU_PLATFORM_API void LeaveCriticalSection(LPCRITICAL_SECTION cs);
KESTU_PLATFORM_API LONG InterlockedIncrement(LONG volatile* value);
KESTU_PLATFORM_API LONG InterlockedDecrement(LONG volatile* value);
KESTU_PLATFORM_API LONG InterlockedExchange(LONG volatile* target, LONG value);
KESTU_PLATFORM_API LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand);
KESTU_PLATFORM_API DWORD GetCurrentThreadId();
KESTU_PLATFORM_API DWORD GetCurrentProcessId();

// Debug output: captured for the host; echoed to stderr when the
// environment variable KESTU_DEBUG_OUTPUT is set.
KESTU_PLATFORM_API void OutputDebugStringA(LPCSTR text);

// Text conversion. Code page 0 is the engine's single-byte text: each byte is
// one character of the same value.
KESTU_PLATFORM_API int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
KESTU_PLATFORM_API int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                                           LPCSTR defaultChar, LPBOOL usedDefaultChar);

// Strings and arithmetic.
KESTU_PLATFORM_API int lstrcmpA(LPCSTR a, LPCSTR b);
KESTU_PLATFORM_API int lstrcmpiA(LPCSTR a, LPCSTR b);
KESTU_PLATFORM_API int lstrlenA(LPCSTR text);
KESTU_PLATFORM_API LPSTR lstrcpyA(LPSTR dst, LPCSTR src);
KESTU_PLATFORM_API LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int maxLength);
KESTU_PLATFORM_API LPSTR lstrcatA(LPSTR dst, LPCSTR src);
KESTU_PLATFORM_API int lstrlenW(LPCWSTR text);
KESTU_PLATFORM_API int MulDiv(int number, int numerator, int denominator);

// System and version.
KESTU_PLATFORM_API BOOL GetVersionExA(LPOSVERSIONINFOA info);
KESTU_PLATFORM_API DWORD GetVersion();
KESTU_PLATFORM_API void GetSystemInfo(LPSYSTEM_INFO info);
KESTU_PLATFORM_API BOOL IsBadReadPtr(const void* p, UINT_PTR size);
KESTU_PLATFORM_API BOOL IsBadWritePtr(LPVOID p, UINT_PTR size);

// Modules and raw-data resources (over modules the host registers).
KESTU_PLATFORM_API HMODULE LoadLibraryA(LPCSTR fileName);
KESTU_PLATFORM_API BOOL FreeLibrary(HMODULE module);
KESTU_PLATFORM_API HMODULE GetModuleHandleA(LPCSTR moduleName);
KESTU_PLATFORM_API FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
KESTU_PLATFORM_API HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
KESTU_PLATFORM_API HGLOBAL LoadResource(HMODULE module, HRSRC resource);
KESTU_PLATFORM_API LPVOID LockResource(HGLOBAL resourceData);
KESTU_PLATFORM_API DWORD SizeofResource(HMODULE module, HRSRC resource);
KESTU_PLATFORM_API BOOL FreeResource(HGLOBAL resourceData);

// Time.
KESTU_PLATFORM_API void Sleep(DWORD milliseconds);
KESTU_PLATFORM_API DWORD GetTickCount();
KESTU_PLATFORM_API BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
KESTU_PLATFORM_API BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

KESTU_WINAPI_END

#define GetPrivateProfileString GetPrivateProfileStringA
#define GetPrivateProfileInt GetPrivateProfileIntA
#define DeleteFile DeleteFileA
#define CreateDirectory CreateDirectoryA
#define RemoveDirectory RemoveDirectoryA
#define GetFileAttributes GetFileAttributesA
#define CopyFile CopyFileA
#define MoveFile MoveFileA
#define CreateFile CreateFileA
#define GetCurrentDirectory GetCurrentDirectoryA
#define SetCurrentDirectory SetCurrentDirectoryA
#define GetModuleFileName GetModuleFileNameA
#define OutputDebugString OutputDebugStringA
#define lstrcmp lstrcmpA
#define lstrcmpi lstrcmpiA
#define lstrlen lstrlenA
#define lstrcpy lstrcpyA
#define lstrcpyn lstrcpynA
#define lstrcat lstrcatA
#define GetVersionEx GetVersionExA
#define LoadLibrary LoadLibraryA
#define GetModuleHandle GetModuleHandleA
#define FindResource FindResourceA
