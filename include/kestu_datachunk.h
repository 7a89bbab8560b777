// A byte buffer with a read cursor; the text scripts are read from it line by
// line, and blocks are found by their brace lines.
#pragma once
#include <string>

#include "kestu_export.h"

// Removes spaces, tabs and carriage returns from the chosen ends, in place.
KESTU_API void TrimString(bool left, bool right, std::string& text);

class KESTU_API CDataChunk {
public:
    CDataChunk() {}
    // Wraps the caller's bytes; the chunk never frees them.
    CDataChunk(char* data, int size);
    // A copy reads the same bytes with its own cursor; only the original
    // owns (and frees) a buffer it allocated.
    CDataChunk(const CDataChunk& other);
    CDataChunk& operator=(const CDataChunk& other);
    virtual ~CDataChunk() {}

    char* allocate(int size, const void* source);
    CDataChunk& clear();

    int getSize() const { return m_nSize; }
    char* getPtr() { return m_pData; }
    const char* getPtr() const { return m_pData; }

    int read(void* destination, int count);
    CDataChunk& seek(int position);
    CDataChunk& skip(int distance);
    int readUpTo(void* destination, int maximum, const char* delimiters);
    int skipUpTo(const char* delimiters);
    bool isEOF() const { return m_pCursor >= m_pEnd; }
    std::string getLine(bool trim);
    std::string getAsString() const;

    static void skipToNextOpenBrace(CDataChunk& chunk);
    static void skipToNextCloseBrace(CDataChunk& chunk);

private:
    int BytesLeft() const { return m_pCursor < m_pEnd ? static_cast<int>(m_pEnd - m_pCursor) : 0; }
    // Bytes from the cursor to the first delimiter (or NUL), at most limit.
    int ScanTo(const char* delimiters, int limit) const;
    void Advance(int n);
    static void SkipToBraceLine(CDataChunk& chunk, const char* brace);

    char* m_pData = nullptr;
    char* m_pCursor = nullptr;
    char* m_pEnd = nullptr;
    int m_nSize = 0;
    bool m_bOwned = false;
};
