#include "effects/particles/script/ScriptBlocks.h"

#include <cstring>

#include "effects/particles/domains/DomainFieldList.h"
#include "effects/particles/script/ScriptValues.h"

namespace {
// The field a line of a domain block sets: a vector's key is compared with
// the line's first two characters, so that "u" and "v" match only a line
// that is that letter alone; among the floats the longest key that begins
// the line wins, so that "fRadius1" leaves a "fRadius1Sqr" line to its own
// field.
const DomainField* BlockFieldOfLine(const std::string& line)
{
    const DomainField* found = nullptr;
    for (const DomainField& field : kDomainFields) {
        if (field.vector) {
            if (std::strncmp(line.c_str(), field.key, 2) == 0) return &field;
        } else if (ScriptKeyIs(line, field.key) && (!found || std::strlen(field.key) > std::strlen(found->key))) {
            found = &field;
        }
    }
    return found;
}

// A type outside 0 to 14 leaves the type as it was.
void ReadDomainType(const std::string& value, SPPS_DOMAIN& d)
{
    int32_t type;
    ScriptStringToValue(value, type);
    if (type >= 0 && type <= 14) d.DomainType = static_cast<EPPS_DOMAIN_TYPE>(type);
}
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
        if (ScriptKeyIs(line, "DomainType")) {
            std::string value;
            if (!ScriptValueOf(line, value)) return;
            ReadDomainType(value, d);
            continue;
        }
        const DomainField* field = BlockFieldOfLine(line);
        if (!field) continue;
        if (field->vector) {
            ReadVectorBlock(chunk, d.*field->vector);
            continue;
        }
        std::string value;
        if (!ScriptValueOf(line, value)) return;
        ScriptStringToValue(value, d.*field->real);
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
    for (const DomainField& field : kDomainFields) {
        out << "\n\t\t" << field.key << "\t";
        if (field.vector)
            WriteVectorBlock(out, d.*field.vector);
        else
            out << ValueToScriptString(d.*field.real);
    }
    out << "\n\t\t}\n";
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

void WriteFlatDomain(std::ostream& out, const std::string& prefix, const SPPS_DOMAIN& d)
{
    out << "\t" << prefix << "Type\t" << ValueToScriptString(static_cast<int32_t>(d.DomainType)) << "\n";
    for (const DomainField& field : kDomainFields) {
        const std::string key = prefix + field.flatSuffix;
        if (field.vector)
            WriteFlatVector(out, key.c_str(), d.*field.vector);
        else
            out << "\t" << key << "\t" << ValueToScriptString(d.*field.real) << "\n";
    }
}

bool ReadFlatDomain(const std::string& line, const std::string& prefix, SPPS_DOMAIN& d)
{
    const std::vector<std::string> tokens = SplitTokens(line);
    if (tokens.empty() || tokens[0].compare(0, prefix.size(), prefix) != 0) return false;
    const std::string suffix = tokens[0].substr(prefix.size());
    if (suffix == "Type") {
        if (tokens.size() >= 2) ReadDomainType(tokens[1], d);
        return true;
    }
    for (const DomainField& field : kDomainFields) {
        if (suffix != field.flatSuffix) continue;
        if (field.vector) return ReadFlatVector(line, tokens[0].c_str(), d.*field.vector);
        if (tokens.size() >= 2) ScriptStringToValue(tokens[1], d.*field.real);
        return true;
    }
    return false;
}

bool SameDomain(const SPPS_DOMAIN& a, const SPPS_DOMAIN& b)
{
    if (a.DomainType != b.DomainType) return false;
    for (const DomainField& field : kDomainFields) {
        if (field.vector ? !SameVector(a.*field.vector, b.*field.vector) : a.*field.real != b.*field.real) return false;
    }
    return true;
}

bool SameVector(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

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
