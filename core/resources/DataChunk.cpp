#include "kestu_datachunk.h"

#include <cstring>

namespace {
constexpr int kLineMax = 511;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
} // namespace

void TrimString(bool left, bool right, std::string& text)
{
    if (left) {
        size_t start = 0;
        while (start < text.size() && IsBlank(text[start])) ++start;
        text.erase(0, start);
    }
    if (right && !text.empty()) {
        size_t end = text.size();
        while (end > 0 && IsBlank(text[end - 1])) --end;
        text.erase(end);
    }
}

CDataChunk::CDataChunk(char* data, int size) : m_pData(data), m_pCursor(data), m_pEnd(data + size), m_nSize(size) {}

CDataChunk::CDataChunk(const CDataChunk& other)
    : m_pData(other.m_pData), m_pCursor(other.m_pCursor), m_pEnd(other.m_pEnd), m_nSize(other.m_nSize)
{
}

CDataChunk& CDataChunk::operator=(const CDataChunk& other)
{
    if (this == &other) return *this;
    if (m_bOwned && m_pData != other.m_pData) delete[] m_pData;
    m_pData = other.m_pData;
    m_pCursor = other.m_pCursor;
    m_pEnd = other.m_pEnd;
    m_nSize = other.m_nSize;
    m_bOwned = false;
    return *this;
}

char* CDataChunk::allocate(int size, const void* source)
{
    if (size < 1) return nullptr;
    clear();
    m_pData = new char[size];
    m_bOwned = true;
    m_pCursor = m_pData;
    m_pEnd = m_pData + size;
    m_nSize = size;
    if (source) std::memcpy(m_pData, source, size);
    return m_pData;
}

CDataChunk& CDataChunk::clear()
{
    // A wrapped buffer belongs to the caller: forget it without freeing it.
    if (m_bOwned) delete[] m_pData;
    m_pData = m_pCursor = m_pEnd = nullptr;
    m_nSize = 0;
    m_bOwned = false;
    return *this;
}

int CDataChunk::read(void* destination, int count)
{
    int n = count < BytesLeft() ? count : BytesLeft();
    if (n <= 0) return 0;
    std::memcpy(destination, m_pCursor, n);
    m_pCursor += n;
    return n;
}

CDataChunk& CDataChunk::seek(int position)
{
    if (position >= 0 && position <= m_nSize) m_pCursor = m_pData + position;
    return *this;
}

CDataChunk& CDataChunk::skip(int distance)
{
    const long target = static_cast<long>(m_pCursor - m_pData) + distance;
    if (target >= 0 && target <= static_cast<long>(m_pEnd - m_pData)) m_pCursor = m_pData + target;
    return *this;
}

int CDataChunk::ScanTo(const char* delimiters, int limit) const
{
    const int left = BytesLeft();
    if (limit > left) limit = left;
    int n = 0;
    while (n < limit) {
        const char c = m_pCursor[n];
        if (c == '\0' || std::strchr(delimiters, c)) break;
        ++n;
    }
    return n;
}

void CDataChunk::Advance(int n)
{
    // Over the delimiter, never past the end.
    const int step = n + 1 < BytesLeft() ? n + 1 : BytesLeft();
    m_pCursor += step;
}

int CDataChunk::readUpTo(void* destination, int maximum, const char* delimiters)
{
    const int n = ScanTo(delimiters, maximum < 0 ? 0 : maximum);
    if (n > 0) std::memcpy(destination, m_pCursor, n);
    Advance(n);
    return n;
}

int CDataChunk::skipUpTo(const char* delimiters)
{
    const int n = ScanTo(delimiters, BytesLeft());
    Advance(n);
    return n;
}

std::string CDataChunk::getLine(bool trim)
{
    const int n = ScanTo("\n", kLineMax);
    std::string line(m_pCursor ? m_pCursor : "", static_cast<size_t>(n));
    Advance(n);
    if (trim) TrimString(true, true, line);
    return line;
}

std::string CDataChunk::getAsString() const
{
    if (!m_pData || m_nSize <= 0) return std::string();
    return std::string(m_pData, static_cast<size_t>(m_nSize));
}

void CDataChunk::SkipToBraceLine(CDataChunk& chunk, const char* brace)
{
    std::string last;
    while (!chunk.isEOF() && last != brace) last = chunk.getLine(true);
}

void CDataChunk::skipToNextOpenBrace(CDataChunk& chunk) { SkipToBraceLine(chunk, "{"); }

void CDataChunk::skipToNextCloseBrace(CDataChunk& chunk) { SkipToBraceLine(chunk, "}"); }
