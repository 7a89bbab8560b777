// Object-like macros of shader texts: "#define NAME text" and "#undef NAME".
// Directive lines become blank lines so that messages keep their line numbers.
#include <cctype>
#include <map>
#include <optional>
#include <vector>

#include "asm_internal.h"

namespace kestu::d3dx::assembler {

namespace {
constexpr int kMaxDepth = 32;
// How much macros may add to the text: far beyond any real shader, and a
// bound on what doubling macros can cost. The text itself does not count.
constexpr size_t kMaxGrowth = 1u << 20;

bool IdentStart(char c) { return std::isalpha((unsigned char)c) || c == '_'; }
bool IdentChar(char c) { return std::isalnum((unsigned char)c) || c == '_'; }

class Expander {
public:
    Expander(const std::map<std::string, std::string, std::less<>>& macros, size_t limit)
        : macros_(macros), limit_(limit)
    {
    }

    // False when expansion runs too deep or too long.
    bool Expand(std::string_view text, std::string& out, std::vector<const std::string*>& active, int depth)
    {
        if (depth > kMaxDepth) return false;
        size_t i = 0;
        while (i < text.size()) {
            const char c = text[i];
            if (std::isdigit((unsigned char)c) ||
                (c == '.' && i + 1 < text.size() && std::isdigit((unsigned char)text[i + 1]))) {
                // A number, exponent included, is never a macro name.
                size_t j = i + 1;
                while (j < text.size() &&
                       (IdentChar(text[j]) || text[j] == '.' ||
                        ((text[j] == '+' || text[j] == '-') && (text[j - 1] == 'e' || text[j - 1] == 'E'))))
                    ++j;
                out.append(text.substr(i, j - i));
                i = j;
            } else if (IdentStart(c)) {
                size_t j = i + 1;
                while (j < text.size() && IdentChar(text[j])) ++j;
                const std::string_view name = text.substr(i, j - i);
                const auto found = macros_.find(name);
                bool expanding = false;
                if (found != macros_.end())
                    for (const std::string* a : active) expanding |= a == &found->first;
                if (found != macros_.end() && !expanding) {
                    active.push_back(&found->first);
                    const bool ok = Expand(found->second, out, active, depth + 1);
                    active.pop_back();
                    if (!ok) return false;
                } else {
                    out.append(name);
                }
                i = j;
            } else {
                out += c;
                ++i;
            }
            if (out.size() > limit_) return false;
        }
        return true;
    }

private:
    const std::map<std::string, std::string, std::less<>>& macros_;
    size_t limit_;
};

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}
} // namespace

std::optional<std::string> Preprocess(std::string_view text, Diagnostics& diag)
{
    std::map<std::string, std::string, std::less<>> macros;
    const size_t limit = text.size() + kMaxGrowth;
    std::string out;
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        const bool last = end == std::string_view::npos;
        if (last) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;

        std::string_view rest = TrimLeft(line);
        if (!rest.empty() && rest.front() == '#') {
            rest = TrimLeft(rest.substr(1));
            size_t n = 0;
            while (n < rest.size() && std::isalpha((unsigned char)rest[n])) ++n;
            const std::string_view directive = rest.substr(0, n);
            rest = TrimLeft(rest.substr(n));
            size_t m = 0;
            while (m < rest.size() && IdentChar(rest[m])) ++m;
            const std::string name(rest.substr(0, m));
            std::string_view body = TrimLeft(rest.substr(m));
            // A trailing comment is not part of the replacement.
            for (size_t k = 0; k < body.size(); ++k)
                if (body[k] == ';' || (body[k] == '/' && k + 1 < body.size() && body[k + 1] == '/')) {
                    body = body.substr(0, k);
                    break;
                }
            while (!body.empty() && std::isspace((unsigned char)body.back())) body.remove_suffix(1);

            if (directive == "define") {
                if (name.empty() || !IdentStart(name[0]))
                    diag.Error(lineNo, "#define needs a name");
                else if (!body.empty() && body.front() == '(' && rest.size() > m && rest[m] == '(')
                    diag.Error(lineNo, "macros with arguments are not supported");
                else
                    macros[name] = std::string(body);
            } else if (directive == "undef") {
                if (name.empty())
                    diag.Error(lineNo, "#undef needs a name");
                else
                    macros.erase(name);
            } else {
                diag.Error(lineNo, "unsupported directive '#" + std::string(directive) + "'");
            }
        } else if (macros.empty()) {
            out.append(line);
        } else {
            std::vector<const std::string*> active;
            if (!Expander(macros, limit).Expand(line, out, active, 0)) {
                diag.Error(lineNo, "macro expansion too deep or too long");
                return std::nullopt;
            }
        }
        if (last) break;
        out += '\n';
        if (out.size() > limit) {
            diag.Error(lineNo, "macro expansion too long");
            return std::nullopt;
        }
    }
    return out;
}

} // namespace kestu::d3dx::assembler
