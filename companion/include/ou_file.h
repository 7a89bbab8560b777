// Files of the companion library: the IVirtualFile interface, COUFile over a
// file on disk and COUMemFile over a block of memory.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "companion_api.h"
#include "kestu_safefile.h"
#include "windef.h"
#include "winerror.h"

enum {
    OU_FILE_READ = 0,   // open an existing file for reading
    OU_FILE_CREATE = 1, // create (or replace) a file for writing
};

enum {
    OU_SEEK_SET = 0,
    OU_SEEK_CUR = 1,
    OU_SEEK_END = 2,
};

class KESTU_COMPANION_API IVirtualFile {
public:
    virtual ~IVirtualFile() {}
    // mode OU_FILE_READ or OU_FILE_CREATE; negative on failure.
    virtual HRESULT Open(const char* path, int mode) = 0;
    // For a file opened for writing, Close makes the written bytes the file's
    // content; a negative result means the content was not stored.
    virtual HRESULT Close() = 0;
    // Bytes moved; fewer than asked at the end of the data or on failure.
    virtual DWORD Read(void* data, DWORD size) = 0;
    virtual DWORD Write(const void* data, DWORD size) = 0;
    virtual HRESULT Seek(LONGLONG offset, int origin) = 0;
    virtual ULONGLONG GetPosition() const = 0;
    virtual ULONGLONG GetLength() const = 0;
    virtual HRESULT Flush() = 0;
    virtual int IsOpen() const = 0;
    virtual int IsWritable() const = 0;
};

// A file on disk. Paths may use '\' or '/'. A file opened with
// OU_FILE_CREATE is written through a kestu::SafeFile and takes the file's
// place only when Close succeeds, so a failed or abandoned write never
// replaces a good file. Closing (or destroying) the object commits; Abort
// drops what was written.
class KESTU_COMPANION_API COUFile : public IVirtualFile {
public:
    COUFile();
    ~COUFile() override;
    COUFile(const COUFile&) = delete;
    COUFile& operator=(const COUFile&) = delete;

    HRESULT Open(const char* path, int mode) override;
    HRESULT Close() override;
    DWORD Read(void* data, DWORD size) override;
    DWORD Write(const void* data, DWORD size) override;
    HRESULT Seek(LONGLONG offset, int origin) override;
    ULONGLONG GetPosition() const override;
    ULONGLONG GetLength() const override;
    HRESULT Flush() override;
    int IsOpen() const override { return m_file != nullptr; }
    int IsWritable() const override { return m_file != nullptr && m_mode == OU_FILE_CREATE; }
    // Closes a file opened for writing without touching the target.
    void Abort();
    const char* GetPath() const { return m_path.c_str(); }

private:
    std::FILE* m_file;
    int m_mode;
    int m_failed;
    std::string m_path;
    kestu::SafeFile m_writer;
};

// A file over memory: reading walks a block the caller keeps alive (or a copy
// of it); writing collects the bytes in a buffer of its own.
class KESTU_COMPANION_API COUMemFile : public IVirtualFile {
public:
    COUMemFile();
    // Reading over data (not copied; it must outlive the file).
    COUMemFile(const void* data, size_t size);

    // Open with a null path: OU_FILE_READ rewinds the current block,
    // OU_FILE_CREATE starts an empty buffer for writing.
    HRESULT Open(const char* path, int mode) override;
    HRESULT Close() override;
    DWORD Read(void* data, DWORD size) override;
    DWORD Write(const void* data, DWORD size) override;
    HRESULT Seek(LONGLONG offset, int origin) override;
    ULONGLONG GetPosition() const override { return m_pos; }
    ULONGLONG GetLength() const override { return m_size; }
    HRESULT Flush() override { return S_OK; }
    int IsOpen() const override { return m_open; }
    int IsWritable() const override { return m_open && m_writing; }

    // Attaches a block for reading (not copied).
    void Attach(const void* data, size_t size);
    const std::vector<BYTE>& GetBuffer() const { return m_buffer; }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos;
    int m_open;
    int m_writing;
    std::vector<BYTE> m_buffer;
};
