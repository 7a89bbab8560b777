// The command-line manners every tool shares: --help or -h, wherever it
// stands, prints the usage on stdout and exits 0; misuse says what was wrong
// on stderr, followed by the usage, and exits 2. Numbers are whole arguments:
// "12x" or "" is misuse, never a silent 0.
#pragma once

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ktool {

class Cli {
public:
    Cli(const char* name, const char* usage) : name_(name), usage_(usage) {}

    static bool AsksHelp(int argc, char** argv)
    {
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
        return false;
    }

    int Help() const
    {
        std::fputs(usage_, stdout);
        return 0;
    }

    __attribute__((format(printf, 2, 3))) int Misuse(const char* format, ...) const
    {
        va_list args;
        va_start(args, format);
        Say(format, args);
        va_end(args);
        std::fputs(usage_, stderr);
        return 2;
    }

    // A failure that is not misuse: says what went wrong on stderr, without
    // the usage, and gives exit code 1.
    __attribute__((format(printf, 2, 3))) int Fail(const char* format, ...) const
    {
        va_list args;
        va_start(args, format);
        Say(format, args);
        va_end(args);
        return 1;
    }

private:
    // "name: message" and a line feed on stderr.
    __attribute__((format(printf, 2, 0))) void Say(const char* format, va_list args) const
    {
        std::fprintf(stderr, "%s: ", name_);
        std::vfprintf(stderr, format, args);
        std::fputc('\n', stderr);
    }

    const char* name_;
    const char* usage_;
};

// A decimal integer in [low, high] and nothing else.
inline bool ParseInteger(const char* text, long long low, long long high, long long& out)
{
    if (text == nullptr || !(*text == '-' || *text == '+' || (*text >= '0' && *text <= '9'))) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != 0 || errno == ERANGE || v < low || v > high) return false;
    out = v;
    return true;
}

template <class T>
bool ParseInteger(const char* text, long long low, long long high, T& out)
{
    long long v = 0;
    if (!ParseInteger(text, low, high, v)) return false;
    out = static_cast<T>(v);
    return true;
}

// A finite decimal number and nothing else.
inline bool ParseFloat(const char* text, float& out)
{
    if (text == nullptr || *text == 0 || std::strchr(" \t\n\v\f\r", *text) != nullptr) return false;
    char* end = nullptr;
    errno = 0;
    const float v = std::strtof(text, &end);
    if (*end != 0 || errno == ERANGE || !std::isfinite(v)) return false;
    out = v;
    return true;
}

} // namespace ktool
