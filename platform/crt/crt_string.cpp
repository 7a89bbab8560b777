// Case-insensitive comparison, case conversion, number-to-text and
// formatting with the Windows C runtime's rules.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "kestu_crt.h"

namespace {

int Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

char* FormatUnsigned(uint64_t value, bool negative, char* buffer, int radix)
{
    if (buffer == nullptr) return nullptr;
    if (radix < 2 || radix > 36) {
        buffer[0] = '\0';
        return buffer;
    }
    char digits[72];
    int n = 0;
    do {
        int d = static_cast<int>(value % static_cast<unsigned>(radix));
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
        value /= static_cast<unsigned>(radix);
    } while (value != 0);
    char* out = buffer;
    if (negative) *out++ = '-';
    while (n > 0) *out++ = digits[--n];
    *out = '\0';
    return buffer;
}

// Negative numbers carry a sign only in radix 10; other radices show the
// two's complement of the given width.
char* FormatSigned(int64_t value, unsigned bits, char* buffer, int radix)
{
    if (radix == 10 && value < 0) return FormatUnsigned(0 - static_cast<uint64_t>(value), true, buffer, radix);
    uint64_t mask = bits >= 64 ? ~uint64_t{0} : ((uint64_t{1} << bits) - 1);
    return FormatUnsigned(static_cast<uint64_t>(value) & mask, false, buffer, radix);
}

} // namespace

extern "C" {

int _stricmp(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr) return a == b ? 0 : a == nullptr ? -1 : 1;
    for (;; ++a, ++b) {
        int ca = Lower(static_cast<unsigned char>(*a)), cb = Lower(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) return ca - cb;
    }
}

int _strnicmp(const char* a, const char* b, size_t count)
{
    if (count == 0) return 0;
    if (a == nullptr || b == nullptr) return a == b ? 0 : a == nullptr ? -1 : 1;
    for (size_t i = 0; i < count; ++i) {
        int ca = Lower(static_cast<unsigned char>(a[i])), cb = Lower(static_cast<unsigned char>(b[i]));
        if (ca != cb || ca == 0) return ca - cb;
    }
    return 0;
}

char* _strlwr(char* text)
{
    if (text == nullptr) return nullptr;
    for (char* p = text; *p; ++p) *p = static_cast<char>(Lower(static_cast<unsigned char>(*p)));
    return text;
}

char* _strupr(char* text)
{
    if (text == nullptr) return nullptr;
    for (char* p = text; *p; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    return text;
}

char* _strdup(const char* text) { return text ? ::strdup(text) : nullptr; }

char* _itoa(int value, char* buffer, int radix) { return FormatSigned(value, 32, buffer, radix); }

// The Windows long is 32 bits wide.
char* _ltoa(long value, char* buffer, int radix)
{
    return FormatSigned(static_cast<int32_t>(value), 32, buffer, radix);
}

char* _ultoa(unsigned long value, char* buffer, int radix)
{
    return FormatUnsigned(static_cast<uint32_t>(value), false, buffer, radix);
}

char* _i64toa(long long value, char* buffer, int radix) { return FormatSigned(value, 64, buffer, radix); }

int _vsnprintf(char* buffer, size_t count, const char* format, va_list args)
{
    if (format == nullptr || (buffer == nullptr && count > 0)) return -1;
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) return -1;
    if (static_cast<size_t>(length) < count) {
        std::vsnprintf(buffer, count, format, args);
        return length;
    }
    // Fills the buffer without a terminating zero.
    std::string full(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(full.data(), full.size(), format, args);
    if (count > 0) std::memcpy(buffer, full.data(), count);
    return static_cast<size_t>(length) == count ? length : -1;
}

int _snprintf(char* buffer, size_t count, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int r = _vsnprintf(buffer, count, format, args);
    va_end(args);
    return r;
}

} // extern "C"
