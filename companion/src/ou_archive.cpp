#include "ou_archive.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

COUArchive::COUArchive(IVirtualFile* file, int mode, DWORD bufferSize, void* buffer)
    : m_file(file), m_mode(mode == OU_ARCHIVE_LOAD ? OU_ARCHIVE_LOAD : OU_ARCHIVE_STORE), m_failed(0), m_throwOnEof(1),
      m_buffer(static_cast<BYTE*>(buffer)), m_bufferSize(bufferSize), m_pos(0), m_fill(0), m_ownsBuffer(false)
{
    if (!m_buffer || m_bufferSize == 0) {
        m_bufferSize = std::max<DWORD>(bufferSize, 16);
        m_buffer = new (std::nothrow) BYTE[m_bufferSize];
        m_ownsBuffer = m_buffer != nullptr;
        if (!m_buffer) m_bufferSize = 0; // unbuffered: every call goes to the file
    }
    if (!m_file) m_failed = 1;
}

COUArchive::~COUArchive()
{
    Close();
    if (m_ownsBuffer) delete[] m_buffer;
}

void COUArchive::Fail(bool eof)
{
    m_failed = 1;
    if (eof && m_throwOnEof) throw static_cast<HRESULT>(OU_E_ARCHIVE_EOF);
}

DWORD COUArchive::Read(void* data, DWORD size)
{
    if (size == 0) return 0;
    if (!data) {
        m_failed = 1;
        return 0;
    }
    BYTE* out = static_cast<BYTE*>(data);
    if (m_mode != OU_ARCHIVE_LOAD || !m_file) {
        std::memset(out, 0, size);
        m_failed = 1;
        return 0;
    }
    DWORD done = 0;
    {
        while (done < size) {
            if (m_pos < m_fill) {
                const DWORD n = std::min(size - done, m_fill - m_pos);
                std::memcpy(out + done, m_buffer + m_pos, n);
                m_pos += n;
                done += n;
                continue;
            }
            const DWORD rest = size - done;
            if (rest >= m_bufferSize) {
                const DWORD n = m_file->Read(out + done, rest);
                done += n;
                if (n < rest) break;
                continue;
            }
            m_pos = 0;
            m_fill = m_file->Read(m_buffer, m_bufferSize);
            if (m_fill == 0) break;
        }
    }
    if (done < size) {
        std::memset(out + done, 0, size - done);
        Fail(true);
    }
    return done;
}

DWORD COUArchive::Write(const void* data, DWORD size)
{
    if (size == 0) return 0;
    if (!data || m_mode != OU_ARCHIVE_STORE || !m_file) {
        m_failed = 1;
        return 0;
    }
    const BYTE* in = static_cast<const BYTE*>(data);
    if (m_bufferSize == 0 || size >= m_bufferSize) {
        if (FAILED(Flush())) return 0;
        const DWORD n = m_file->Write(in, size);
        if (n != size) m_failed = 1;
        return n;
    }
    if (m_pos + size > m_bufferSize && FAILED(Flush())) return 0;
    std::memcpy(m_buffer + m_pos, in, size);
    m_pos += size;
    return size;
}

HRESULT COUArchive::Flush()
{
    if (m_mode != OU_ARCHIVE_STORE || !m_file) return m_failed ? E_FAIL : S_OK;
    if (m_pos) {
        const DWORD n = m_file->Write(m_buffer, m_pos);
        if (n != m_pos) m_failed = 1;
        m_pos = 0;
    }
    return m_failed ? E_FAIL : S_OK;
}

HRESULT COUArchive::Close()
{
    if (!m_file) return m_failed ? E_FAIL : S_OK;
    HRESULT hr = Flush();
    if (m_mode == OU_ARCHIVE_LOAD && m_fill > m_pos) {
        // Give unread buffered bytes back so the file position matches what was consumed.
        m_file->Seek(-static_cast<LONGLONG>(m_fill - m_pos), OU_SEEK_CUR);
    }
    m_pos = m_fill = 0;
    m_file = nullptr;
    if (m_failed && m_mode == OU_ARCHIVE_STORE) hr = E_FAIL;
    return hr;
}

void COUArchive::PutLE(unsigned long long v, int bytes)
{
    BYTE b[8];
    for (int i = 0; i < bytes; ++i) b[i] = static_cast<BYTE>(v >> (8 * i));
    Write(b, static_cast<DWORD>(bytes));
}

unsigned long long COUArchive::GetLE(int bytes)
{
    BYTE b[8] = {};
    if (m_mode != OU_ARCHIVE_LOAD) {
        m_failed = 1;
        return 0;
    }
    Read(b, static_cast<DWORD>(bytes));
    unsigned long long v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<unsigned long long>(b[i]) << (8 * i);
    return v;
}

COUArchive& COUArchive::operator<<(bool v)
{
    PutLE(v ? 1 : 0, 1);
    return *this;
}
COUArchive& COUArchive::operator<<(char v)
{
    PutLE(static_cast<unsigned char>(v), 1);
    return *this;
}
COUArchive& COUArchive::operator<<(signed char v)
{
    PutLE(static_cast<unsigned char>(v), 1);
    return *this;
}
COUArchive& COUArchive::operator<<(unsigned char v)
{
    PutLE(v, 1);
    return *this;
}
COUArchive& COUArchive::operator<<(short v)
{
    PutLE(static_cast<unsigned short>(v), 2);
    return *this;
}
COUArchive& COUArchive::operator<<(unsigned short v)
{
    PutLE(v, 2);
    return *this;
}
COUArchive& COUArchive::operator<<(char16_t v)
{
    PutLE(v, 2);
    return *this;
}
COUArchive& COUArchive::operator<<(int v)
{
    PutLE(static_cast<unsigned int>(v), 4);
    return *this;
}
COUArchive& COUArchive::operator<<(unsigned int v)
{
    PutLE(v, 4);
    return *this;
}
COUArchive& COUArchive::operator<<(long v)
{
    PutLE(static_cast<unsigned long>(v) & 0xFFFFFFFFul, 4);
    return *this;
}
COUArchive& COUArchive::operator<<(unsigned long v)
{
    PutLE(v & 0xFFFFFFFFul, 4);
    return *this;
}
COUArchive& COUArchive::operator<<(long long v)
{
    PutLE(static_cast<unsigned long long>(v), 8);
    return *this;
}
COUArchive& COUArchive::operator<<(unsigned long long v)
{
    PutLE(v, 8);
    return *this;
}
COUArchive& COUArchive::operator<<(float v)
{
    PutLE(std::bit_cast<uint32_t>(v), 4);
    return *this;
}
COUArchive& COUArchive::operator<<(double v)
{
    PutLE(std::bit_cast<uint64_t>(v), 8);
    return *this;
}

COUArchive& COUArchive::operator>>(bool& v)
{
    v = GetLE(1) != 0;
    return *this;
}
COUArchive& COUArchive::operator>>(char& v)
{
    v = static_cast<char>(GetLE(1));
    return *this;
}
COUArchive& COUArchive::operator>>(signed char& v)
{
    v = static_cast<signed char>(GetLE(1));
    return *this;
}
COUArchive& COUArchive::operator>>(unsigned char& v)
{
    v = static_cast<unsigned char>(GetLE(1));
    return *this;
}
COUArchive& COUArchive::operator>>(short& v)
{
    v = static_cast<short>(GetLE(2));
    return *this;
}
COUArchive& COUArchive::operator>>(unsigned short& v)
{
    v = static_cast<unsigned short>(GetLE(2));
    return *this;
}
COUArchive& COUArchive::operator>>(char16_t& v)
{
    v = static_cast<char16_t>(GetLE(2));
    return *this;
}
COUArchive& COUArchive::operator>>(int& v)
{
    v = static_cast<int>(static_cast<uint32_t>(GetLE(4)));
    return *this;
}
COUArchive& COUArchive::operator>>(unsigned int& v)
{
    v = static_cast<unsigned int>(GetLE(4));
    return *this;
}
COUArchive& COUArchive::operator>>(long& v)
{
    v = static_cast<int32_t>(static_cast<uint32_t>(GetLE(4)));
    return *this;
}
COUArchive& COUArchive::operator>>(unsigned long& v)
{
    v = static_cast<uint32_t>(GetLE(4));
    return *this;
}
COUArchive& COUArchive::operator>>(long long& v)
{
    v = static_cast<long long>(GetLE(8));
    return *this;
}
COUArchive& COUArchive::operator>>(unsigned long long& v)
{
    v = GetLE(8);
    return *this;
}
COUArchive& COUArchive::operator>>(float& v)
{
    v = std::bit_cast<float>(static_cast<uint32_t>(GetLE(4)));
    return *this;
}
COUArchive& COUArchive::operator>>(double& v)
{
    v = std::bit_cast<double>(GetLE(8));
    return *this;
}
