#include "effects/particles/script/ScriptBlocks.h"

#include <cstring>

#include "effects/particles/script/ScriptValues.h"

namespace {
// "u" and "v" match only a line that is that letter alone.
bool FirstTwoAre(const std::string& line, const char* key) { return std::strncmp(line.c_str(), key, 2) == 0; }
} // namespace

void ReadVectorBlock(CDataChunk& chunk, D3DXVECTOR3& v)
{
    CDataChunk::skipToNextOpenBrace(chunk);
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "}")) return;
        float* field = nullptr;
        if (ScriptKeyIs(line, "x"))
            field = &v.x;
        else if (ScriptKeyIs(line, "y"))
            field = &v.y;
        else if (ScriptKeyIs(line, "z"))
            field = &v.z;
        else
            continue;
        std::string value;
        if (!ScriptValueOf(line, value)) return;
        ScriptStringToValue(value, *field);
    }
}

void ReadDomainBlock(CDataChunk& chunk, SPPS_DOMAIN& d)
{
    CDataChunk::skipToNextOpenBrace(chunk);
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "}")) return;
        D3DXVECTOR3* vector = nullptr;
        float* radius = nullptr;
        if (ScriptKeyIs(line, "DomainType")) {
            std::string value;
            if (!ScriptValueOf(line, value)) return;
            int32_t type;
            ScriptStringToValue(value, type);
            if (type >= 0 && type <= 14) d.DomainType = static_cast<EPPS_DOMAIN_TYPE>(type);
            continue;
        }
        if (FirstTwoAre(line, "p1"))
            vector = &d.p1;
        else if (FirstTwoAre(line, "p2"))
            vector = &d.p2;
        else if (FirstTwoAre(line, "u"))
            vector = &d.u;
        else if (FirstTwoAre(line, "v"))
            vector = &d.v;
        else if (ScriptKeyIs(line, "fRadius1") && !ScriptKeyIs(line, "fRadius1Sqr"))
            radius = &d.fRadius1;
        else if (ScriptKeyIs(line, "fRadius2") && !ScriptKeyIs(line, "fRadius2Sqr"))
            radius = &d.fRadius2;
        else if (ScriptKeyIs(line, "fRadius1Sqr"))
            radius = &d.fRadius1Sqr;
        else if (ScriptKeyIs(line, "fRadius2Sqr"))
            radius = &d.fRadius2Sqr;
        if (vector) {
            ReadVectorBlock(chunk, *vector);
        } else if (radius) {
            std::string value;
            if (!ScriptValueOf(line, value)) return;
            ScriptStringToValue(value, *radius);
        }
    }
}

void WriteVectorBlock(std::ostream& out, const D3DXVECTOR3& v)
{
    out << "\n\t\t{"
        << "\n\t\tx\t" << ValueToScriptString(v.x) << "\n\t\ty\t" << ValueToScriptString(v.y) << "\n\t\tz\t"
        << ValueToScriptString(v.z) << "\n\t\t}";
}

void WriteDomainBlock(std::ostream& out, const SPPS_DOMAIN& d)
{
    out << "\n\t\t{\n"
        << "\t\tDomainType\t" << ValueToScriptString(static_cast<int32_t>(d.DomainType));
    out << "\n\t\tp1\t";
    WriteVectorBlock(out, d.p1);
    out << "\n\t\tp2\t";
    WriteVectorBlock(out, d.p2);
    out << "\n\t\tu\t";
    WriteVectorBlock(out, d.u);
    out << "\n\t\tv\t";
    WriteVectorBlock(out, d.v);
    out << "\n\t\tfRadius1\t" << ValueToScriptString(d.fRadius1) << "\n\t\tfRadius2\t"
        << ValueToScriptString(d.fRadius2) << "\n\t\tfRadius1Sqr\t" << ValueToScriptString(d.fRadius1Sqr)
        << "\n\t\tfRadius2Sqr\t" << ValueToScriptString(d.fRadius2Sqr) << "\n\t\t}\n";
}

void WriteFlatVector(std::ostream& out, const char* key, const D3DXVECTOR3& v)
{
    out << "\t" << key << "\t" << ValueToScriptString(v.x) << "\t" << ValueToScriptString(v.y) << "\t"
        << ValueToScriptString(v.z) << "\n";
}

bool ReadFlatVector(const std::string& line, const char* key, D3DXVECTOR3& v)
{
    const std::vector<std::string> tokens = SplitTokens(line);
    if (tokens.empty() || tokens[0] != key) return false;
    if (tokens.size() >= 4) {
        ScriptStringToValue(tokens[1], v.x);
        ScriptStringToValue(tokens[2], v.y);
        ScriptStringToValue(tokens[3], v.z);
    }
    return true;
}

namespace {
struct FlatDomainField {
    const char* suffix;
    D3DXVECTOR3 SPPS_DOMAIN::*vector;
    float SPPS_DOMAIN::*radius;
};
constexpr FlatDomainField kFlatDomainFields[] = {
    {"P1", &SPPS_DOMAIN::p1, nullptr},
    {"P2", &SPPS_DOMAIN::p2, nullptr},
    {"U", &SPPS_DOMAIN::u, nullptr},
    {"V", &SPPS_DOMAIN::v, nullptr},
    {"Radius1", nullptr, &SPPS_DOMAIN::fRadius1},
    {"Radius2", nullptr, &SPPS_DOMAIN::fRadius2},
    {"Radius1Sqr", nullptr, &SPPS_DOMAIN::fRadius1Sqr},
    {"Radius2Sqr", nullptr, &SPPS_DOMAIN::fRadius2Sqr},
};
} // namespace

void WriteFlatDomain(std::ostream& out, const std::string& prefix, const SPPS_DOMAIN& d)
{
    out << "\t" << prefix << "Type\t" << ValueToScriptString(static_cast<int32_t>(d.DomainType)) << "\n";
    for (const FlatDomainField& f : kFlatDomainFields) {
        const std::string key = prefix + f.suffix;
        if (f.vector)
            WriteFlatVector(out, key.c_str(), d.*f.vector);
        else
            out << "\t" << key << "\t" << ValueToScriptString(d.*f.radius) << "\n";
    }
}

bool ReadFlatDomain(const std::string& line, const std::string& prefix, SPPS_DOMAIN& d)
{
    const std::vector<std::string> tokens = SplitTokens(line);
    if (tokens.empty() || tokens[0].compare(0, prefix.size(), prefix) != 0) return false;
    const std::string suffix = tokens[0].substr(prefix.size());
    if (suffix == "Type") {
        int32_t type;
        if (tokens.size() >= 2) {
            ScriptStringToValue(tokens[1], type);
            if (type >= 0 && type <= 14) d.DomainType = static_cast<EPPS_DOMAIN_TYPE>(type);
        }
        return true;
    }
    for (const FlatDomainField& f : kFlatDomainFields) {
        if (suffix != f.suffix) continue;
        if (f.vector) return ReadFlatVector(line, tokens[0].c_str(), d.*f.vector);
        if (tokens.size() >= 2) ScriptStringToValue(tokens[1], d.*f.radius);
        return true;
    }
    return false;
}

bool SameDomain(const SPPS_DOMAIN& a, const SPPS_DOMAIN& b)
{
    const auto same = [](const D3DXVECTOR3& x, const D3DXVECTOR3& y) { return x.x == y.x && x.y == y.y && x.z == y.z; };
    return a.DomainType == b.DomainType && same(a.p1, b.p1) && same(a.p2, b.p2) && same(a.u, b.u) && same(a.v, b.v) &&
           a.fRadius1 == b.fRadius1 && a.fRadius2 == b.fRadius2 && a.fRadius1Sqr == b.fRadius1Sqr &&
           a.fRadius2Sqr == b.fRadius2Sqr;
}

bool TakeBlock(CDataChunk& chunk, ScriptBlock& block)
{
    CDataChunk::skipToNextOpenBrace(chunk);
    if (chunk.isEOF()) return false;
    std::string text;
    int depth = 1;
    while (depth > 0 && !chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (line == "{")
            ++depth;
        else if (ScriptKeyIs(line, "}"))
            --depth;
        text += line;
        text += '\n';
    }
    block.chunk.clear();
    block.chunk.allocate(static_cast<int>(text.size()), text.data());
    return true;
}

std::string NextContentLine(CDataChunk& chunk)
{
    while (!chunk.isEOF()) {
        std::string line = chunk.getLine(true);
        if (!line.empty() && !ScriptKeyIs(line, "//")) return line;
    }
    return std::string();
}

bool BlockFollows(const CDataChunk& chunk)
{
    CDataChunk probe(chunk);
    return NextContentLine(probe) == "{";
}
