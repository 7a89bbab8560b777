#include "effects/particles/script/ScriptValues.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "kestu_ppsmethod.h"

std::vector<std::string> SplitTokens(const std::string& line, const char* separators)
{
    std::vector<std::string> tokens;
    size_t pos = 0;
    while (pos < line.size()) {
        const size_t begin = line.find_first_not_of(separators, pos);
        if (begin == std::string::npos) break;
        size_t end = line.find_first_of(separators, begin);
        if (end == std::string::npos) end = line.size();
        tokens.push_back(line.substr(begin, end - begin));
        pos = end;
    }
    return tokens;
}

bool ScriptValueOf(const std::string& line, std::string& value)
{
    std::vector<std::string> tokens = SplitTokens(line);
    if (tokens.size() < 2) return false;
    value = std::move(tokens[1]);
    return true;
}

std::string ScriptText(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string ScriptName(const std::string& name, uint32_t number)
{
    std::string text = ScriptText(name);
    if (SplitTokens(text).empty()) return PPSNumberName(number);
    return text;
}

bool ScriptKeyIs(const std::string& line, const char* key) { return line.compare(0, std::strlen(key), key) == 0; }

namespace {
template <class T>
std::string Streamed(T value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}
} // namespace

std::string ValueToScriptString(float value) { return Streamed(value); }
std::string ValueToScriptString(int32_t value) { return Streamed(value); }
std::string ValueToScriptString(uint32_t value) { return Streamed(value); }
std::string ValueToScriptString(long value) { return Streamed(value); }
std::string ValueToScriptString(unsigned long value) { return Streamed(value); }
std::string ValueToScriptString(bool value, bool yesNo)
{
    if (yesNo) return value ? "yes" : "no";
    return value ? "true" : "false";
}

void ScriptStringToValue(const std::string& text, float& value) { value = static_cast<float>(std::atof(text.c_str())); }

void ScriptStringToValue(const std::string& text, int32_t& value)
{
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    value = v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
}

void ScriptStringToValue(const std::string& text, uint32_t& value)
{
    value = static_cast<uint32_t>(std::strtoull(text.c_str(), nullptr, 10));
}

void ScriptStringToValue(const std::string& text, long& value) { value = std::strtol(text.c_str(), nullptr, 10); }

void ScriptStringToValue(const std::string& text, bool& value) { value = text == "true"; }

int32_t ScriptStringToFlag(const std::string& text)
{
    if (text == "true") return 1;
    int32_t v;
    ScriptStringToValue(text, v);
    return v;
}
