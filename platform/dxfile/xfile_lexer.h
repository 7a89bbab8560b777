// Tokens of the text .x format.
#pragma once
#include <cstddef>
#include <string_view>

#include "windows.h"

namespace kestu::xfile {

enum class Tok { End, Error, LBrace, RBrace, LBracket, RBracket, Semi, Comma, Ellipsis, Guid, String, Number, Name };

struct Token {
    Tok kind = Tok::End;
    std::string_view text; // a string without its quotes
    GUID guid{};
};

class Lexer {
public:
    Lexer(const char* begin, const char* end) : p_(begin), end_(end) {}
    Token Next();
    Token Peek();
    size_t Left() const { return (size_t)(end_ - p_); }
    const char* Position() const { return p_; }

private:
    void SkipSpace();
    const char* p_;
    const char* end_;
};

bool ParseGuidText(std::string_view text, GUID& out);

} // namespace kestu::xfile
