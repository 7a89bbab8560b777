#include "dxfile/xfile_lexer.h"

namespace kestu::xfile {
namespace {

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Hex(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool HexValue(std::string_view t, size_t at, size_t digits, uint32_t& v)
{
    v = 0;
    for (size_t i = 0; i < digits; ++i) {
        const int h = Hex(t[at + i]);
        if (h < 0) return false;
        v = v << 4 | (uint32_t)h;
    }
    return true;
}

} // namespace

bool ParseGuidText(std::string_view t, GUID& g)
{
    // XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX
    if (t.size() != 36 || t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-') return false;
    uint32_t v;
    if (!HexValue(t, 0, 8, v)) return false;
    g.Data1 = v;
    if (!HexValue(t, 9, 4, v)) return false;
    g.Data2 = (WORD)v;
    if (!HexValue(t, 14, 4, v)) return false;
    g.Data3 = (WORD)v;
    for (int i = 0; i < 2; ++i) {
        if (!HexValue(t, 19 + 2 * i, 2, v)) return false;
        g.Data4[i] = (BYTE)v;
    }
    for (int i = 0; i < 6; ++i) {
        if (!HexValue(t, 24 + 2 * i, 2, v)) return false;
        g.Data4[2 + i] = (BYTE)v;
    }
    return true;
}

void Lexer::SkipSpace()
{
    while (p_ < end_) {
        const char c = *p_;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == '\0') {
            ++p_;
        } else if (c == '#' || (c == '/' && p_ + 1 < end_ && p_[1] == '/')) {
            while (p_ < end_ && *p_ != '\n') ++p_;
        } else {
            break;
        }
    }
}

Token Lexer::Peek()
{
    const char* saved = p_;
    Token t = Next();
    p_ = saved;
    return t;
}

Token Lexer::Next()
{
    SkipSpace();
    Token t;
    if (p_ >= end_) return t;
    const char c = *p_;
    const char* start = p_;
    switch (c) {
    case '{':
        ++p_;
        t.kind = Tok::LBrace;
        return t;
    case '}':
        ++p_;
        t.kind = Tok::RBrace;
        return t;
    case '[':
        ++p_;
        t.kind = Tok::LBracket;
        return t;
    case ']':
        ++p_;
        t.kind = Tok::RBracket;
        return t;
    case ';':
        ++p_;
        t.kind = Tok::Semi;
        return t;
    case ',':
        ++p_;
        t.kind = Tok::Comma;
        return t;
    case '"': {
        ++p_;
        while (p_ < end_ && *p_ != '"') ++p_;
        if (p_ >= end_) {
            t.kind = Tok::Error;
            return t;
        }
        t.kind = Tok::String;
        t.text = std::string_view(start + 1, (size_t)(p_ - start - 1));
        ++p_;
        return t;
    }
    case '<': {
        ++p_;
        while (p_ < end_ && *p_ != '>' && p_ - start < 40) ++p_;
        if (p_ >= end_ || *p_ != '>' || !ParseGuidText(std::string_view(start + 1, (size_t)(p_ - start - 1)), t.guid)) {
            t.kind = Tok::Error;
            return t;
        }
        ++p_;
        t.kind = Tok::Guid;
        return t;
    }
    default: break;
    }
    if (c == '.' && end_ - p_ >= 3 && p_[1] == '.' && p_[2] == '.') {
        p_ += 3;
        t.kind = Tok::Ellipsis;
        return t;
    }
    if (IsDigit(c) || c == '-' || c == '+' || (c == '.' && p_ + 1 < end_ && IsDigit(p_[1]))) {
        ++p_;
        while (p_ < end_ && (IsDigit(*p_) || *p_ == '.' || *p_ == 'e' || *p_ == 'E' ||
                             ((*p_ == '-' || *p_ == '+') && (p_[-1] == 'e' || p_[-1] == 'E'))))
            ++p_;
        t.kind = Tok::Number;
        t.text = std::string_view(start, (size_t)(p_ - start));
        return t;
    }
    if (IsNameStart(c)) {
        while (p_ < end_ && IsNameChar(*p_)) ++p_;
        t.kind = Tok::Name;
        t.text = std::string_view(start, (size_t)(p_ - start));
        return t;
    }
    t.kind = Tok::Error;
    return t;
}

} // namespace kestu::xfile
