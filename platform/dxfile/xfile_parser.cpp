// The text .x format: header, template declarations and data objects.
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>

#include "dxfile.h"
#include "dxfile/xfile_lexer.h"
#include "dxfile/xfile_model.h"

namespace kestu::xfile {
namespace {

constexpr int kMaxDepth = 64;

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = (char)(x - 32);
        if (y >= 'a' && y <= 'z') y = (char)(y - 32);
        if (x != y) return false;
    }
    return true;
}

Primitive PrimitiveOf(std::string_view name)
{
    static const struct {
        const char* name;
        Primitive p;
    } kTable[] = {
        {"WORD", Primitive::Word},           {"DWORD", Primitive::Dword},   {"FLOAT", Primitive::Float},
        {"DOUBLE", Primitive::Double},       {"CHAR", Primitive::Char},     {"UCHAR", Primitive::Uchar},
        {"BYTE", Primitive::Byte},           {"STRING", Primitive::String}, {"CSTRING", Primitive::String},
        {"UNICODE", Primitive::String},      {"SWORD", Primitive::Sword},   {"SDWORD", Primitive::Sdword},
        {"ULONGLONG", Primitive::Ulonglong},
    };
    for (const auto& e : kTable)
        if (EqualsNoCase(name, e.name)) return e.p;
    return Primitive::None;
}

class Parser {
public:
    Parser(const char* begin, const char* end, TemplateSet& templates, Document& doc)
        : lex_(begin, end), templates_(templates), doc_(doc), budget_(16 * (uint64_t)(end - begin) + 4096)
    {
    }

    HRESULT Run()
    {
        for (;;) {
            const Token t = lex_.Next();
            if (t.kind == Tok::End) return S_OK;
            if (t.kind == Tok::Semi || t.kind == Tok::Comma) continue;
            if (t.kind != Tok::Name) return DXFILEERR_PARSEERROR;
            HRESULT hr;
            if (t.text == "template") {
                hr = ParseTemplate();
            } else {
                std::shared_ptr<Node> node;
                hr = ParseObject(t, 0, node);
                if (SUCCEEDED(hr) && node) doc_.top.push_back(node);
            }
            if (FAILED(hr)) return hr;
        }
    }

private:
    bool Expect(Tok kind) { return lex_.Next().kind == kind; }

    HRESULT ParseTemplate()
    {
        auto t = std::make_shared<Template>();
        Token name = lex_.Next();
        if (name.kind != Tok::Name || !Expect(Tok::LBrace)) return DXFILEERR_PARSEERROR;
        t->name = std::string(name.text);
        Token guid = lex_.Next();
        if (guid.kind != Tok::Guid) return DXFILEERR_PARSEERROR;
        t->id = guid.guid;
        for (;;) {
            Token tok = lex_.Next();
            if (tok.kind == Tok::RBrace) break;
            if (tok.kind == Tok::LBracket) {
                if (!ParseRestriction(*t) || !Expect(Tok::RBrace)) return DXFILEERR_PARSEERROR;
                break;
            }
            if (tok.kind != Tok::Name) return DXFILEERR_PARSEERROR;
            Member m;
            if (tok.text == "array") {
                m.array = true;
                tok = lex_.Next();
                if (tok.kind != Tok::Name) return DXFILEERR_PARSEERROR;
            }
            m.primitive = PrimitiveOf(tok.text);
            m.type = std::string(tok.text);
            tok = lex_.Next();
            if (tok.kind == Tok::Name) {
                m.name = std::string(tok.text);
                tok = lex_.Next();
            }
            while (tok.kind == Tok::LBracket) {
                const Token dim = lex_.Next();
                if (dim.kind == Tok::Number) {
                    uint32_t v = 0;
                    auto r = std::from_chars(dim.text.data(), dim.text.data() + dim.text.size(), v);
                    if (r.ec != std::errc() || r.ptr != dim.text.data() + dim.text.size()) return DXFILEERR_PARSEERROR;
                    m.dims.push_back({v, {}});
                } else if (dim.kind == Tok::Name) {
                    bool known = false;
                    for (const Member& prev : t->members) known |= prev.name == dim.text;
                    if (!known) return DXFILEERR_PARSEERROR;
                    m.dims.push_back({0, std::string(dim.text)});
                } else {
                    return DXFILEERR_PARSEERROR;
                }
                if (!Expect(Tok::RBracket)) return DXFILEERR_PARSEERROR;
                tok = lex_.Next();
            }
            if (tok.kind != Tok::Semi || m.array != !m.dims.empty()) return DXFILEERR_PARSEERROR;
            t->members.push_back(std::move(m));
        }
        templates_.Add(std::move(t));
        return S_OK;
    }

    bool ParseRestriction(Template& t)
    {
        Token tok = lex_.Next();
        if (tok.kind == Tok::Ellipsis) {
            t.open = true;
            return Expect(Tok::RBracket);
        }
        for (;;) {
            if (tok.kind != Tok::Name) return false;
            t.restrictions.push_back(std::string(tok.text));
            tok = lex_.Next();
            if (tok.kind == Tok::Guid) tok = lex_.Next();
            if (tok.kind == Tok::RBracket) return true;
            if (tok.kind != Tok::Comma) return false;
            tok = lex_.Next();
        }
    }

    // Skips a data object of a template we do not know: balanced braces.
    HRESULT SkipBlock()
    {
        int depth = 1;
        while (depth > 0) {
            const Token t = lex_.Next();
            if (t.kind == Tok::End || t.kind == Tok::Error) return DXFILEERR_PARSEERROR;
            if (t.kind == Tok::LBrace) ++depth;
            if (t.kind == Tok::RBrace) --depth;
        }
        return S_OK;
    }

    HRESULT ParseObject(const Token& typeName, int depth, std::shared_ptr<Node>& out)
    {
        if (depth > kMaxDepth) return DXFILEERR_PARSEERROR;
        auto node = std::make_shared<Node>();
        Token tok = lex_.Next();
        if (tok.kind == Tok::Name) {
            node->name = std::string(tok.text);
            tok = lex_.Next();
        }
        if (tok.kind == Tok::Guid) {
            node->id = tok.guid;
            tok = lex_.Next();
        }
        if (tok.kind != Tok::LBrace) return DXFILEERR_PARSEERROR;
        node->tmpl = templates_.Find(std::string(typeName.text));
        if (!node->tmpl) return SkipBlock();
        std::map<std::string, uint32_t> counts;
        for (const Member& m : node->tmpl->members) {
            MemberSpan span{m.name, node->data.size(), 0};
            HRESULT hr = ParseMember(m, *node, counts, 0);
            if (FAILED(hr)) return hr;
            span.size = node->data.size() - span.offset;
            node->spans.push_back(std::move(span));
        }
        for (;;) {
            tok = lex_.Next();
            if (tok.kind == Tok::Semi || tok.kind == Tok::Comma) continue;
            if (tok.kind == Tok::RBrace) break;
            if (tok.kind == Tok::LBrace) {
                Child ref;
                tok = lex_.Next();
                if (tok.kind == Tok::Name) {
                    ref.refName = std::string(tok.text);
                    tok = lex_.Next();
                }
                if (tok.kind == Tok::Guid) {
                    ref.refId = tok.guid;
                    ref.refHasId = true;
                    tok = lex_.Next();
                }
                if (tok.kind != Tok::RBrace || (ref.refName.empty() && !ref.refHasId)) return DXFILEERR_PARSEERROR;
                node->children.push_back(std::move(ref));
                continue;
            }
            if (tok.kind != Tok::Name) return DXFILEERR_PARSEERROR;
            std::shared_ptr<Node> child;
            HRESULT hr = ParseObject(tok, depth + 1, child);
            if (FAILED(hr)) return hr;
            if (child) node->children.push_back(Child{child, {}, {}, false});
        }
        if (!node->name.empty()) doc_.named.emplace(node->name, node);
        out = std::move(node);
        return S_OK;
    }

    HRESULT ParseMember(const Member& m, Node& node, std::map<std::string, uint32_t>& counts, int depth)
    {
        // Templates of empty templates could otherwise multiply without reading anything.
        if (depth > kMaxDepth || budget_-- == 0) return DXFILEERR_PARSEERROR;
        std::shared_ptr<const Template> sub;
        if (m.primitive == Primitive::None) {
            sub = templates_.Find(m.type);
            if (!sub) return DXFILEERR_NOTEMPLATE;
        }
        uint64_t count = 1;
        for (const auto& [literal, name] : m.dims) {
            uint64_t d = literal;
            if (!name.empty()) {
                auto it = counts.find(name);
                if (it == counts.end()) return DXFILEERR_BADARRAYSIZE;
                d = it->second;
            }
            count *= d;
            // Every element needs at least one byte of text.
            if (count > lex_.Left()) return DXFILEERR_BADARRAYSIZE;
        }
        for (uint64_t i = 0; i < count; ++i) {
            const char* before = lex_.Position();
            if (sub) {
                std::map<std::string, uint32_t> inner;
                for (const Member& sm : sub->members) {
                    HRESULT hr = ParseMember(sm, node, inner, depth + 1);
                    if (FAILED(hr)) return hr;
                }
            } else {
                uint32_t value = 0;
                HRESULT hr = ParseValue(m.primitive, node, value);
                if (FAILED(hr)) return hr;
                if (!m.array && !m.name.empty()) counts[m.name] = value;
            }
            if (lex_.Position() == before && count > 1) return DXFILEERR_PARSEERROR;
        }
        return S_OK;
    }

    Token NextValue()
    {
        Token t = lex_.Next();
        while (t.kind == Tok::Semi || t.kind == Tok::Comma) t = lex_.Next();
        return t;
    }

    template <typename T>
    void Append(Node& node, T v)
    {
        const size_t at = node.data.size();
        node.data.resize(at + sizeof(T));
        std::memcpy(node.data.data() + at, &v, sizeof(T));
    }

    HRESULT ParseValue(Primitive p, Node& node, uint32_t& asCount)
    {
        const Token t = NextValue();
        if (p == Primitive::String) {
            if (t.kind != Tok::String) return DXFILEERR_PARSEERROR;
            node.strings.push_back(std::make_unique<std::string>(t.text));
            Append<const char*>(node, node.strings.back()->c_str());
            return S_OK;
        }
        if (t.kind != Tok::Number) return DXFILEERR_PARSEERROR;
        const char* b = t.text.data();
        const char* e = b + t.text.size();
        if (*b == '+') ++b;
        double d = 0;
        auto r = std::from_chars(b, e, d);
        if (r.ec == std::errc::result_out_of_range)
            d = 0;
        else if (r.ec != std::errc() || r.ptr != e)
            return DXFILEERR_PARSEERROR;
        if (!std::isfinite(d)) d = 0;
        const double clamped = d < -9.2e18 ? -9.2e18 : (d > 1.8e19 ? 1.8e19 : d);
        const int64_t si = clamped > 9.2e18 ? INT64_MAX : (int64_t)clamped;
        const uint64_t ui = clamped < 0 ? (uint64_t)si : (uint64_t)clamped;
        asCount = (uint32_t)ui;
        switch (p) {
        case Primitive::Word:
        case Primitive::Sword: Append<uint16_t>(node, (uint16_t)ui); break;
        case Primitive::Dword:
        case Primitive::Sdword: Append<uint32_t>(node, (uint32_t)ui); break;
        case Primitive::Float: Append<float>(node, (float)d); break;
        case Primitive::Double: Append<double>(node, d); break;
        case Primitive::Char:
        case Primitive::Uchar:
        case Primitive::Byte: Append<uint8_t>(node, (uint8_t)ui); break;
        case Primitive::Ulonglong: Append<uint64_t>(node, ui); break;
        default: return DXFILEERR_PARSEERROR;
        }
        return S_OK;
    }

    Lexer lex_;
    TemplateSet& templates_;
    Document& doc_;
    uint64_t budget_;
};

} // namespace

void TemplateSet::Add(std::shared_ptr<const Template> t) { byName_[t->name] = std::move(t); }

std::shared_ptr<const Template> TemplateSet::Find(const std::string& name) const
{
    auto it = byName_.find(name);
    if (it != byName_.end()) return it->second;
    for (const auto& [key, t] : byName_)
        if (EqualsNoCase(key, name)) return t;
    return nullptr;
}

std::shared_ptr<Node> Document::Resolve(const Child& ref) const
{
    if (ref.node) return ref.node;
    if (!ref.refName.empty()) {
        auto it = named.find(ref.refName);
        return it == named.end() ? nullptr : it->second;
    }
    // By id: a walk over every object.
    std::vector<std::shared_ptr<Node>> stack(top.rbegin(), top.rend());
    while (!stack.empty()) {
        auto n = stack.back();
        stack.pop_back();
        if (n->id == ref.refId) return n;
        for (const Child& c : n->children)
            if (c.node) stack.push_back(c.node);
    }
    return nullptr;
}

HRESULT ParseText(const uint8_t* data, size_t size, TemplateSet& templates, Document& out)
{
    out = Document{};
    if (!data || size < 16) return DXFILEERR_BADFILETYPE;
    if (std::memcmp(data, "xof ", 4) != 0) return DXFILEERR_BADFILETYPE;
    if (std::memcmp(data + 4, "0302", 4) != 0 && std::memcmp(data + 4, "0303", 4) != 0) return DXFILEERR_BADFILEVERSION;
    const uint8_t* format = data + 8;
    if (std::memcmp(format, "tzip", 4) == 0 || std::memcmp(format, "bzip", 4) == 0)
        return DXFILEERR_BADFILECOMPRESSIONTYPE;
    if (std::memcmp(format, "txt ", 4) != 0) return DXFILEERR_BADFILETYPE; // binary files are not read
    if (std::memcmp(data + 12, "0032", 4) != 0 && std::memcmp(data + 12, "0064", 4) != 0)
        return DXFILEERR_BADFILEFLOATSIZE;
    try {
        TemplateSet working = templates;
        Parser parser(reinterpret_cast<const char*>(data) + 16, reinterpret_cast<const char*>(data) + size, working,
                      out);
        const HRESULT hr = parser.Run();
        if (FAILED(hr)) {
            out = Document{};
            return hr;
        }
        templates = std::move(working);
        return S_OK;
    } catch (const std::bad_alloc&) {
        out = Document{};
        return DXFILEERR_BADALLOC;
    }
}

} // namespace kestu::xfile
