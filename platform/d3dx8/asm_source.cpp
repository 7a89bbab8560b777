// Source text to statements: comments, lines, names, modifiers and operands.
#include <algorithm>
#include <cctype>
#include <charconv>

#include "asm_internal.h"

namespace kestu::d3dx::assembler {

namespace {
constexpr size_t kMaxMessages = 64;

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace((unsigned char)s.front())) s.remove_prefix(1);
    while (!s.empty() && std::isspace((unsigned char)s.back())) s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = (char)std::tolower((unsigned char)c);
    return r;
}
} // namespace

void Diagnostics::Error(int line, const std::string& text)
{
    ++count_;
    if (messages_.size() < kMaxMessages)
        messages_.push_back(prefix_ + "(" + std::to_string(line) + "): error: " + text);
    else if (messages_.size() == kMaxMessages)
        messages_.push_back(prefix_ + "(" + std::to_string(line) + "): error: too many errors, stopping");
}

std::string Diagnostics::Text() const
{
    std::string out;
    for (const std::string& m : messages_) {
        out += m;
        out += '\n';
    }
    return out;
}

std::vector<Statement> SplitStatements(std::string_view text, int* openComment)
{
    std::vector<Statement> out;
    bool inBlock = false;
    int blockLine = 0;
    *openComment = 0;
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;

        // Strip comments, keeping the pieces outside block comments.
        std::string code;
        for (size_t i = 0; i < raw.size();) {
            if (inBlock) {
                const size_t close = raw.find("*/", i);
                if (close == std::string_view::npos) break;
                inBlock = false;
                i = close + 2;
                code += ' ';
                continue;
            }
            const char c = raw[i];
            if (c == ';') break;
            if (c == '/' && i + 1 < raw.size() && raw[i + 1] == '/') break;
            if (c == '/' && i + 1 < raw.size() && raw[i + 1] == '*') {
                inBlock = true;
                blockLine = lineNo;
                i += 2;
                continue;
            }
            code += c;
            ++i;
        }
        std::string_view line = Trim(code);
        if (line.empty()) {
            if (end == text.size()) break;
            continue;
        }

        Statement s;
        s.line = lineNo;
        if (line.front() == '+') {
            s.coissue = true;
            line = Trim(line.substr(1));
        }
        size_t nameEnd = 0;
        while (nameEnd < line.size() && !std::isspace((unsigned char)line[nameEnd])) ++nameEnd;
        const std::string word = Lower(line.substr(0, nameEnd));
        std::string_view rest = Trim(line.substr(nameEnd));

        // A version name keeps its dots and underscores ("vs.1.1", "ps_1_4").
        const bool isVersion = word.size() >= 2 && (word.rfind("vs", 0) == 0 || word.rfind("ps", 0) == 0) &&
                               word.size() > 2 && (word[2] == '.' || word[2] == '_');
        if (isVersion) {
            s.name = word;
        } else {
            size_t cut = word.find('_');
            s.name = word.substr(0, cut);
            while (cut != std::string::npos) {
                const size_t next = word.find('_', cut + 1);
                s.modifiers.push_back(
                    word.substr(cut + 1, next == std::string::npos ? std::string::npos : next - cut - 1));
                cut = next;
            }
        }
        if (!rest.empty()) {
            size_t start = 0;
            while (true) {
                const size_t comma = rest.find(',', start);
                s.operands.emplace_back(
                    Trim(rest.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
                if (comma == std::string_view::npos) break;
                start = comma + 1;
            }
        }
        out.push_back(std::move(s));
        if (end == text.size()) break;
    }
    if (inBlock) *openComment = blockLine;
    return out;
}

bool ParseVersion(const Statement& s, Version& version)
{
    const std::string& n = s.name;
    if (!s.operands.empty() || s.coissue || n.size() != 6) return false;
    if (n[0] != 'v' && n[0] != 'p') return false;
    if (n[1] != 's' || (n[2] != '.' && n[2] != '_') || n[4] != n[2]) return false;
    if (n[3] != '1' || !std::isdigit((unsigned char)n[5])) return false;
    version.kind = n[0] == 'v' ? ShaderKind::Vertex : ShaderKind::Pixel;
    version.major = 1;
    version.minor = n[5] - '0';
    if (version.kind == ShaderKind::Vertex) return version.minor <= 1;
    return version.minor <= 4;
}

bool ParseFloat(std::string_view text, float& value)
{
    text = Trim(text);
    if (!text.empty() && (text.back() == 'f' || text.back() == 'F')) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() == '+' || text.front() == '-') return false;
    float v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
    if (ec != std::errc() || ptr != text.data() + text.size()) return false;
    value = negative ? -v : v;
    return true;
}

} // namespace kestu::d3dx::assembler
