// The script lines of a particle record's field list.
#include <algorithm>
#include <cstring>
#include <ostream>

#include "effects/particles/file/RecordFieldList.h"
#include "effects/particles/script/FieldValues.h"
#include "effects/particles/script/ScriptBlocks.h"
#include "effects/particles/script/ScriptValues.h"

namespace {
// What a line begins with to reach the entry, or null.
const char* LineKey(const RecordField& field)
{
    switch (field.form) {
    case ScriptForm::Domain: return "domain";
    case ScriptForm::Flat: return field.oldKey;
    default: return field.key;
    }
}

// The entry whose key begins the line; where two do, the longer key wins, so
// that "fAge" leaves a "fAgeSigma" line to its own entry.
const RecordField* FieldOfLine(RecordFieldList fields, const std::string& line)
{
    const auto isDomain = [](const RecordField& f) { return f.form == ScriptForm::Domain; };
    const RecordField* found = nullptr;
    size_t foundLength = 0;
    for (const RecordField& field : fields) {
        const char* key = LineKey(field);
        if (!key || !ScriptKeyIs(line, key)) continue;
        if (isDomain(field) && std::count_if(fields.begin(), fields.end(), isDomain) > 1) {
            const std::vector<std::string> tokens = SplitTokens(line);
            if (tokens.size() < 2 || tokens[1] != field.key) continue;
        }
        if (!found || std::strlen(key) > foundLength) {
            found = &field;
            foundLength = std::strlen(key);
        }
    }
    return found;
}

bool ReadFlatLine(const RecordField& field, void* member, const std::string& line)
{
    if (field.type == FieldType::Vec3) return ReadFlatVector(line, field.key, *static_cast<D3DXVECTOR3*>(member));
    return ReadFlatDomain(line, field.key, *static_cast<SPPS_DOMAIN*>(member));
}

void WriteFlat(std::ostream& out, const RecordField& field, const void* member, const void* byDefault)
{
    if (field.type == FieldType::Vec3) {
        const auto& v = *static_cast<const D3DXVECTOR3*>(member);
        if (!SameVector(v, *static_cast<const D3DXVECTOR3*>(byDefault))) WriteFlatVector(out, field.key, v);
        return;
    }
    const auto& d = *static_cast<const SPPS_DOMAIN*>(member);
    if (!SameDomain(d, *static_cast<const SPPS_DOMAIN*>(byDefault))) WriteFlatDomain(out, field.key, d);
}

void WriteValue(std::ostream& out, const RecordField& field, const void* owner, const void* member, const char* indent)
{
    if (field.written) {
        out << indent << field.key << "\t" << ValueToScriptString(field.written(owner)) << "\n";
        return;
    }
    if (field.type != FieldType::TextList) {
        out << indent << field.key << "\t" << FieldValueText(field.type, member) << "\n";
        return;
    }
    for (const std::string& text : *static_cast<const std::list<std::string>*>(member))
        out << indent << field.key << "\t" << ScriptText(text) << "\n";
}
} // namespace

ScriptLine ReadScriptField(CDataChunk& chunk, const std::string& line, void* owner, RecordFieldList fields)
{
    for (const RecordField& field : fields)
        if (field.form == ScriptForm::Flat && ReadFlatLine(field, field.member(owner), line)) return ScriptLine::Taken;
    const RecordField* field = FieldOfLine(fields, line);
    if (!field || !field->member || field->read == LineRead::Owner) return ScriptLine::Other;
    void* member = field->member(owner);
    if (field->type == FieldType::Vec3) {
        ReadVectorBlock(chunk, *static_cast<D3DXVECTOR3*>(member));
        return ScriptLine::Taken;
    }
    if (field->type == FieldType::Domain) {
        ReadDomainBlock(chunk, *static_cast<SPPS_DOMAIN*>(member));
        return ScriptLine::Taken;
    }
    const std::vector<std::string> tokens = SplitTokens(line);
    if (tokens.size() >= 2) {
        ReadFieldValue(field->type, member, tokens[1], field->max);
        return ScriptLine::Taken;
    }
    if (field->read == LineRead::ValueOrStop) return ScriptLine::End;
    if (field->read == LineRead::ValueOrSkip) CDataChunk::skipToNextCloseBrace(chunk);
    return ScriptLine::Taken;
}

void ReadScriptFields(CDataChunk& chunk, void* owner, RecordFieldList fields)
{
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "}") || ReadScriptField(chunk, line, owner, fields) == ScriptLine::End) break;
    }
}

void WriteScriptFields(std::ostream& out, const void* owner, RecordFieldList fields, const char* indent,
                       const void* defaults)
{
    for (const RecordField& field : fields) {
        if (!field.key) continue;
        const void* member = field.member ? field.member(const_cast<void*>(owner)) : nullptr;
        switch (field.form) {
        case ScriptForm::Value: WriteValue(out, field, owner, member, indent); break;
        case ScriptForm::Vector:
        case ScriptForm::VectorTab:
        case ScriptForm::VectorBare:
            out << indent << field.key << (field.form == ScriptForm::VectorTab ? "\t" : "");
            WriteVectorBlock(out, *static_cast<const D3DXVECTOR3*>(member));
            if (field.form != ScriptForm::VectorBare) out << "\n";
            break;
        case ScriptForm::Domain:
            out << indent << "domain\t" << field.key;
            WriteDomainBlock(out, *static_cast<const SPPS_DOMAIN*>(member));
            break;
        case ScriptForm::Flat: WriteFlat(out, field, member, field.member(const_cast<void*>(defaults))); break;
        }
    }
}
