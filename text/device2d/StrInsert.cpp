// Inserting text at the front, at the end or at an "&0" placeholder, in place.
#include <cstring>
#include <new>
#include <string>

#include "kestu_textdevice.h"

namespace {

template <class C>
size_t Length(const C* s)
{
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

bool Digit(unsigned c) { return c >= '0' && c <= '9'; }

template <class C>
int Insert(C* text, const C* insert, int where, DWORD capacity)
{
    if (text == nullptr || insert == nullptr) return 0;
    const size_t n = Length(text);
    // The insertion may come from the text itself, so it is held apart first.
    const std::basic_string<C> piece(insert, Length(insert));
    const size_t m = piece.size();
    if (n + m >= capacity) return 0;
    if (where == -1) {
        std::memmove(text + m, text, (n + 1) * sizeof(C));
        std::memcpy(text, piece.data(), m * sizeof(C));
        return 1;
    }
    if (where == -2) {
        std::memcpy(text + n, piece.data(), m * sizeof(C));
        text[n + m] = 0;
        return 1;
    }
    if (where < 0 || where > 99) return 0;
    // A placeholder is "&0" and exactly two digits, as in the markup.
    for (size_t i = 0; i + 4 <= n; ++i) {
        if (text[i] != '&' || text[i + 1] != '0' || !Digit(unsigned(text[i + 2])) || !Digit(unsigned(text[i + 3])))
            continue;
        if (int(text[i + 2] - '0') * 10 + int(text[i + 3] - '0') != where) continue;
        std::memmove(text + i + m, text + i + 4, (n - i - 4 + 1) * sizeof(C));
        std::memcpy(text + i, piece.data(), m * sizeof(C));
        return 1;
    }
    return 0;
}

} // namespace

int Gfx_StrInsertW(unsigned short* text, const unsigned short* insert, int where, DWORD capacity)
{
    try {
        return Insert(text, insert, where, capacity);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int Gfx_StrInsertA(char* text, const char* insert, int where, DWORD capacity)
{
    try {
        return Insert(text, insert, where, capacity);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
