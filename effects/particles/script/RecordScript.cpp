// The script lines of a particle record's field list.
#include <cstring>
#include <ostream>

#include "effects/particles/file/RecordFieldList.h"
#include "effects/particles/script/FieldValues.h"
#include "effects/particles/script/ScriptValues.h"

namespace {
// The entry whose key begins the line, the longest such key, or null.
const RecordField* FieldOfLine(RecordFieldList fields, const std::string& line)
{
    const RecordField* found = nullptr;
    for (const RecordField& field : fields) {
        if (!field.key || !ScriptKeyIs(line, field.key)) continue;
        if (!found || std::strlen(field.key) > std::strlen(found->key)) found = &field;
    }
    return found;
}
} // namespace

ScriptLine ReadScriptField(CDataChunk& chunk, const std::string& line, void* owner, RecordFieldList fields)
{
    const RecordField* field = FieldOfLine(fields, line);
    if (!field || !field->member || field->read == LineRead::Owner) return ScriptLine::Other;
    const std::vector<std::string> tokens = SplitTokens(line);
    if (tokens.size() >= 2) {
        ReadFieldValue(field->type, field->member(owner), tokens[1], field->max);
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

void WriteScriptFields(std::ostream& out, const void* owner, RecordFieldList fields, const char* indent)
{
    for (const RecordField& field : fields) {
        if (!field.key) continue;
        if (field.written) {
            out << indent << field.key << "\t" << ValueToScriptString(field.written(owner)) << "\n";
            continue;
        }
        const void* member = field.member(const_cast<void*>(owner));
        if (field.type != FieldType::TextList) {
            out << indent << field.key << "\t" << FieldValueText(field.type, member) << "\n";
            continue;
        }
        for (const std::string& text : *static_cast<const std::list<std::string>*>(member))
            out << indent << field.key << "\t" << ScriptText(text) << "\n";
    }
}
