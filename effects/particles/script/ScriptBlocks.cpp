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
    out << "\n\t\t{" << "\n\t\tx\t" << ValueToScriptString(v.x) << "\n\t\ty\t" << ValueToScriptString(v.y)
        << "\n\t\tz\t" << ValueToScriptString(v.z) << "\n\t\t}";
}

void WriteDomainBlock(std::ostream& out, const SPPS_DOMAIN& d)
{
    out << "\n\t\t{\n" << "\t\tDomainType\t" << ValueToScriptString(static_cast<int32_t>(d.DomainType));
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
