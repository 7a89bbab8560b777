#include "ou_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "path_util.h"

namespace {

HRESULT ErrnoResult()
{
    switch (errno) {
    case ENOENT: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case EACCES:
    case EPERM: return E_ACCESSDENIED;
    case ENOMEM: return E_OUTOFMEMORY;
    default: return E_FAIL;
    }
}

} // namespace

COUFile::COUFile() : m_file(nullptr), m_mode(OU_FILE_READ), m_failed(0) {}

COUFile::~COUFile() { Close(); }

HRESULT COUFile::Open(const char* path, int mode)
{
    Close();
    if (!path || !*path || (mode != OU_FILE_READ && mode != OU_FILE_CREATE)) return E_INVALIDARG;
    m_path = ou::NativePath(path);
    m_mode = mode;
    m_failed = 0;
    if (mode == OU_FILE_READ) {
        m_file = std::fopen(m_path.c_str(), "rb");
        if (!m_file) return ErrnoResult();
        struct stat st;
        if (fstat(fileno(m_file), &st) != 0 || S_ISDIR(st.st_mode)) {
            std::fclose(m_file);
            m_file = nullptr;
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        }
        return S_OK;
    }
    if (!m_writer.Open(m_path.c_str())) return ErrnoResult();
    m_file = m_writer.Stream();
    return S_OK;
}

HRESULT COUFile::Close()
{
    if (!m_file) return S_OK;
    HRESULT hr = S_OK;
    if (m_mode == OU_FILE_CREATE) {
        if (m_failed) m_writer.Fail();
        m_file = nullptr;
        if (!m_writer.Commit()) hr = E_FAIL;
    } else {
        std::fclose(m_file);
        m_file = nullptr;
    }
    return hr;
}

void COUFile::Abort()
{
    if (m_file && m_mode == OU_FILE_CREATE) m_failed = 1;
    Close();
}

DWORD COUFile::Read(void* data, DWORD size)
{
    if (!m_file || !data || size == 0 || m_mode != OU_FILE_READ) return 0;
    return static_cast<DWORD>(std::fread(data, 1, size, m_file));
}

DWORD COUFile::Write(const void* data, DWORD size)
{
    if (!m_file || !data || size == 0 || m_mode != OU_FILE_CREATE) return 0;
    const size_t n = std::fwrite(data, 1, size, m_file);
    if (n != size) m_failed = 1;
    return static_cast<DWORD>(n);
}

HRESULT COUFile::Seek(LONGLONG offset, int origin)
{
    if (!m_file) return E_FAIL;
    const int whence = origin == OU_SEEK_CUR ? SEEK_CUR : origin == OU_SEEK_END ? SEEK_END : SEEK_SET;
    return fseeko(m_file, static_cast<off_t>(offset), whence) == 0 ? S_OK : E_FAIL;
}

ULONGLONG COUFile::GetPosition() const
{
    if (!m_file) return 0;
    const off_t pos = ftello(m_file);
    return pos < 0 ? 0 : static_cast<ULONGLONG>(pos);
}

ULONGLONG COUFile::GetLength() const
{
    if (!m_file) return 0;
    std::fflush(m_file);
    struct stat st;
    if (fstat(fileno(m_file), &st) != 0) return 0;
    return static_cast<ULONGLONG>(st.st_size);
}

HRESULT COUFile::Flush()
{
    if (!m_file) return E_FAIL;
    return std::fflush(m_file) == 0 ? S_OK : E_FAIL;
}

COUMemFile::COUMemFile() : m_data(nullptr), m_size(0), m_pos(0), m_open(0), m_writing(0) {}

COUMemFile::COUMemFile(const void* data, size_t size) : COUMemFile() { Attach(data, size); }

void COUMemFile::Attach(const void* data, size_t size)
{
    m_buffer.clear();
    m_data = static_cast<const BYTE*>(data);
    m_size = data ? size : 0;
    m_pos = 0;
    m_open = 1;
    m_writing = 0;
}

HRESULT COUMemFile::Open(const char* path, int mode)
{
    if (path) return E_INVALIDARG;
    if (mode == OU_FILE_CREATE) {
        m_buffer.clear();
        m_data = nullptr;
        m_size = 0;
        m_writing = 1;
    } else if (mode == OU_FILE_READ) {
        if (m_writing) {
            m_data = m_buffer.data();
            m_size = m_buffer.size();
        }
        m_writing = 0;
    } else {
        return E_INVALIDARG;
    }
    m_pos = 0;
    m_open = 1;
    return S_OK;
}

HRESULT COUMemFile::Close()
{
    m_open = 0;
    return S_OK;
}

DWORD COUMemFile::Read(void* data, DWORD size)
{
    if (!m_open || m_writing || !data || m_pos >= m_size) return 0;
    const size_t n = std::min<size_t>(size, m_size - m_pos);
    std::memcpy(data, m_data + m_pos, n);
    m_pos += n;
    return static_cast<DWORD>(n);
}

DWORD COUMemFile::Write(const void* data, DWORD size)
{
    if (!m_open || !m_writing || !data || size == 0) return 0;
    try {
        if (m_pos + size > m_buffer.size()) m_buffer.resize(m_pos + size);
    } catch (...) {
        return 0;
    }
    std::memcpy(m_buffer.data() + m_pos, data, size);
    m_pos += size;
    m_size = m_buffer.size();
    return size;
}

HRESULT COUMemFile::Seek(LONGLONG offset, int origin)
{
    if (!m_open) return E_FAIL;
    const LONGLONG base = origin == OU_SEEK_CUR   ? static_cast<LONGLONG>(m_pos)
                          : origin == OU_SEEK_END ? static_cast<LONGLONG>(m_size)
                                                  : 0;
    if (offset > std::numeric_limits<LONGLONG>::max() - base) return E_FAIL;
    const LONGLONG pos = base + offset;
    if (pos < 0 || static_cast<ULONGLONG>(pos) > m_size) return E_FAIL;
    m_pos = static_cast<size_t>(pos);
    return S_OK;
}
