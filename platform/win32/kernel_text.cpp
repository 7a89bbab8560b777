// Text conversion between single-byte or UTF-8 text and 16-bit strings,
// string helpers and MulDiv.
#include <cstdint>
#include <vector>

#include "win32/win32_common.h"

using namespace kestu::platform::win32;

namespace {

// Code page 1252 at 0x80..0x9F; the five unassigned bytes keep their values.
const char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

enum class Kind { SingleByte, Windows1252, Utf8, Unsupported };

Kind KindOf(UINT codePage)
{
    switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case CP_THREAD_ACP:
    case 28591: return Kind::SingleByte;
    case 1252: return Kind::Windows1252;
    case CP_UTF8: return Kind::Utf8;
    default: return Kind::Unsupported;
    }
}

// Decodes UTF-8; false when a sequence is invalid and strict is set.
bool DecodeUtf8(const unsigned char* s, size_t n, bool strict, std::vector<char16_t>& out)
{
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        uint32_t cp = 0;
        size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool ok = len > 0 && i + len <= n;
        if (ok) {
            cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
            for (size_t k = 1; k < len; ++k) {
                if ((s[i + k] & 0xC0) != 0x80) {
                    ok = false;
                    break;
                }
                cp = (cp << 6) | (s[i + k] & 0x3F);
            }
        }
        static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (ok && (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            if (strict) return false;
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return true;
}

void EncodeUtf8(const char16_t* s, size_t n, std::vector<char>& out)
{
    for (size_t i = 0; i < n; ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
}

// The byte for a character in a single-byte code page, or -1.
int ToSingleByte(Kind kind, char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    if (kind == Kind::SingleByte) return c <= 0xFF ? c : -1;
    for (int i = 0; i < 32; ++i)
        if (k1252High[i] == c) return 0x80 + i;
    return -1;
}

size_t WideLength(LPCWSTR s)
{
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

template <typename T>
int Deliver(const std::vector<T>& result, T* dst, int dstLen)
{
    if (dstLen == 0) return static_cast<int>(result.size());
    if (result.size() > static_cast<size_t>(dstLen)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(result.begin(), result.end(), dst);
    return static_cast<int>(result.size());
}

} // namespace

extern "C" {

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen)
{
    Kind kind = KindOf(codePage);
    if (src == nullptr || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dst == nullptr && dstLen > 0) ||
        kind == Kind::Unsupported) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = srcLen == -1 ? std::strlen(src) + 1 : static_cast<size_t>(srcLen);
    const auto* bytes = reinterpret_cast<const unsigned char*>(src);
    std::vector<char16_t> out;
    out.reserve(n);
    if (kind == Kind::Utf8) {
        if (!DecodeUtf8(bytes, n, (flags & MB_ERR_INVALID_CHARS) != 0, out)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
    } else {
        for (size_t i = 0; i < n; ++i) {
            unsigned char b = bytes[i];
            out.push_back(kind == Kind::Windows1252 && b >= 0x80 && b < 0xA0 ? k1252High[b - 0x80] : char16_t(b));
        }
    }
    return Deliver(out, dst, dstLen);
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR src, int srcLen, LPSTR dst, int dstLen, LPCSTR defaultChar,
                        LPBOOL usedDefaultChar)
{
    Kind kind = KindOf(codePage);
    if (src == nullptr || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dst == nullptr && dstLen > 0) ||
        kind == Kind::Unsupported || (kind == Kind::Utf8 && (defaultChar != nullptr || usedDefaultChar != nullptr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = srcLen == -1 ? WideLength(src) + 1 : static_cast<size_t>(srcLen);
    std::vector<char> out;
    out.reserve(n);
    if (usedDefaultChar) *usedDefaultChar = FALSE;
    if (kind == Kind::Utf8) {
        EncodeUtf8(src, n, out);
    } else {
        char fallback = defaultChar ? defaultChar[0] : '?';
        for (size_t i = 0; i < n; ++i) {
            int b = ToSingleByte(kind, src[i]);
            if (b < 0) {
                b = static_cast<unsigned char>(fallback);
                if (usedDefaultChar) *usedDefaultChar = TRUE;
            }
            out.push_back(static_cast<char>(b));
        }
    }
    return Deliver(out, dst, dstLen);
}

int lstrcmpA(LPCSTR a, LPCSTR b)
{
    if (a == nullptr || b == nullptr) return a == b ? 0 : a == nullptr ? -1 : 1;
    int r = std::strcmp(a, b);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int lstrcmpiA(LPCSTR a, LPCSTR b)
{
    if (a == nullptr || b == nullptr) return a == b ? 0 : a == nullptr ? -1 : 1;
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(LowerAscii(*a));
        unsigned char cb = static_cast<unsigned char>(LowerAscii(*b));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
}

int lstrlenA(LPCSTR text) { return text ? static_cast<int>(std::strlen(text)) : 0; }

int lstrlenW(LPCWSTR text) { return text ? static_cast<int>(WideLength(text)) : 0; }

LPSTR lstrcpyA(LPSTR dst, LPCSTR src)
{
    if (dst == nullptr || src == nullptr) return nullptr;
    return std::strcpy(dst, src);
}

LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int maxLength)
{
    if (dst == nullptr || src == nullptr) return nullptr;
    if (maxLength <= 0) return dst;
    int i = 0;
    for (; i < maxLength - 1 && src[i] != '\0'; ++i) dst[i] = src[i];
    dst[i] = '\0';
    return dst;
}

LPSTR lstrcatA(LPSTR dst, LPCSTR src)
{
    if (dst == nullptr || src == nullptr) return nullptr;
    return std::strcat(dst, src);
}

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0) return -1;
    int64_t p = static_cast<int64_t>(number) * numerator;
    int64_t q = p / denominator;
    int64_t r = p % denominator;
    // Rounded to the nearest integer, halves away from zero.
    if (2 * (r < 0 ? -r : r) >= (denominator < 0 ? -static_cast<int64_t>(denominator) : denominator))
        q += ((p < 0) != (denominator < 0)) ? -1 : 1;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return static_cast<int>(q);
}

} // extern "C"
