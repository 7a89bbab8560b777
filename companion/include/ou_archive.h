// COUArchive: a buffered little-endian byte stream over an IVirtualFile.
// What goes in is exactly the bytes of each call, in order; nothing is added
// between calls.
//
// Widths follow Windows: long and unsigned long are 32 bits in the stream
// (the values are truncated to 32 bits when stored); 64-bit values go through
// long long / unsigned long long. bool is one byte, WCHAR two.
//
// A read that runs past the end of the data fills the rest of the
// destination with zeros, marks the archive failed and throws the HRESULT
// OU_E_ARCHIVE_EOF (an int32_t: catch (HRESULT) or catch (...)), so that a
// reader walking a damaged file stops at the first missing byte instead of
// going on with invented counts. SetThrowOnEof(0) turns the throw off; the
// failure then shows in IsFailed() and in the byte counts.
// Writes never throw: a failed write marks the archive failed, and Close
// returns a negative result.
#pragma once
#include "companion_api.h"
#include "ou_file.h"
#include "windef.h"
#include "winerror.h"

#define OU_E_ARCHIVE_EOF ((HRESULT)0x80070026) // HRESULT_FROM_WIN32(ERROR_HANDLE_EOF)

enum {
    OU_ARCHIVE_STORE = 0,
    OU_ARCHIVE_LOAD = 1,
};

class KESTU_COMPANION_API COUArchive {
public:
    // mode OU_ARCHIVE_STORE or OU_ARCHIVE_LOAD. buffer (bufferSize bytes) is
    // used when given and stays the caller's; otherwise the archive allocates
    // bufferSize bytes (at least 16).
    COUArchive(IVirtualFile* file, int mode, DWORD bufferSize = 0x1000, void* buffer = nullptr);
    ~COUArchive();
    COUArchive(const COUArchive&) = delete;
    COUArchive& operator=(const COUArchive&) = delete;

    int IsStoring() const { return m_mode == OU_ARCHIVE_STORE; }
    int IsLoading() const { return m_mode == OU_ARCHIVE_LOAD; }
    int IsFailed() const { return m_failed; }
    void SetThrowOnEof(int enable) { m_throwOnEof = enable; }
    IVirtualFile* GetFile() const { return m_file; }

    // Moves exactly size bytes; returns the count actually moved.
    DWORD Read(void* data, DWORD size);
    DWORD Write(const void* data, DWORD size);
    // Writes out buffered bytes (store mode). S_OK or a failure.
    HRESULT Flush();
    // Flushes and detaches from the file (the file stays open). A negative
    // result when any write failed.
    HRESULT Close();

    COUArchive& operator<<(bool v);
    COUArchive& operator<<(char v);
    COUArchive& operator<<(signed char v);
    COUArchive& operator<<(unsigned char v);
    COUArchive& operator<<(short v);
    COUArchive& operator<<(unsigned short v);
    COUArchive& operator<<(char16_t v);
    COUArchive& operator<<(int v);
    COUArchive& operator<<(unsigned int v);
    COUArchive& operator<<(long v);
    COUArchive& operator<<(unsigned long v);
    COUArchive& operator<<(long long v);
    COUArchive& operator<<(unsigned long long v);
    COUArchive& operator<<(float v);
    COUArchive& operator<<(double v);

    COUArchive& operator>>(bool& v);
    COUArchive& operator>>(char& v);
    COUArchive& operator>>(signed char& v);
    COUArchive& operator>>(unsigned char& v);
    COUArchive& operator>>(short& v);
    COUArchive& operator>>(unsigned short& v);
    COUArchive& operator>>(char16_t& v);
    COUArchive& operator>>(int& v);
    COUArchive& operator>>(unsigned int& v);
    COUArchive& operator>>(long& v);
    COUArchive& operator>>(unsigned long& v);
    COUArchive& operator>>(long long& v);
    COUArchive& operator>>(unsigned long long& v);
    COUArchive& operator>>(float& v);
    COUArchive& operator>>(double& v);

private:
    void PutLE(unsigned long long v, int bytes);
    unsigned long long GetLE(int bytes);
    void Fail(bool eof);

    IVirtualFile* m_file;
    int m_mode;
    int m_failed;
    int m_throwOnEof;
    BYTE* m_buffer;
    DWORD m_bufferSize;
    DWORD m_pos;  // next byte in the buffer
    DWORD m_fill; // valid bytes in the buffer (load mode)
    bool m_ownsBuffer;
};
