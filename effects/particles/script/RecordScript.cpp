// The script lines of a particle record's field list.
#include <cstring>
#include <ostream>

#include "effects/particles/file/RecordFieldList.h"
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

void ReadValue(const RecordField& field, void* member, const std::string& text)
{
    switch (field.type) {
    case FieldType::F32: ScriptStringToValue(text, *static_cast<float*>(member)); return;
    case FieldType::U32: ScriptStringToValue(text, *static_cast<uint32_t*>(member)); return;
    case FieldType::I32: ScriptStringToValue(text, *static_cast<int32_t*>(member)); return;
    case FieldType::Bool: {
        bool flag;
        ScriptStringToValue(text, flag);
        *static_cast<int32_t*>(member) = flag ? 1 : 0;
        return;
    }
    case FieldType::Text: *static_cast<std::string*>(member) = text; return;
    case FieldType::Chars:
    case FieldType::Bytes: {
        char* chars = static_cast<char*>(member);
        std::memset(chars, 0, field.max + 1);
        text.copy(chars, field.max);
        return;
    }
    case FieldType::TextList: static_cast<std::list<std::string>*>(member)->push_back(text); return;
    default: return; // vectors and domains are the actions' alone
    }
}

std::string ValueText(FieldType type, const void* member)
{
    switch (type) {
    case FieldType::F32: return ValueToScriptString(*static_cast<const float*>(member));
    case FieldType::U32: return ValueToScriptString(*static_cast<const uint32_t*>(member));
    case FieldType::I32: return ValueToScriptString(*static_cast<const int32_t*>(member));
    case FieldType::Bool: return ValueToScriptString(*static_cast<const int32_t*>(member) != 0);
    case FieldType::Text: return ScriptText(*static_cast<const std::string*>(member));
    case FieldType::Chars:
    case FieldType::Bytes: return ScriptText(static_cast<const char*>(member));
    default: return {};
    }
}
} // namespace

ScriptLine ReadScriptField(CDataChunk& chunk, const std::string& line, void* owner, RecordFieldList fields)
{
    const RecordField* field = FieldOfLine(fields, line);
    if (!field || !field->member || field->read == LineRead::Owner) return ScriptLine::Other;
    const std::vector<std::string> tokens = SplitTokens(line);
    if (tokens.size() >= 2) {
        ReadValue(*field, field->member(owner), tokens[1]);
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
            out << indent << field.key << "\t" << ValueText(field.type, member) << "\n";
            continue;
        }
        for (const std::string& text : *static_cast<const std::list<std::string>*>(member))
            out << indent << field.key << "\t" << ScriptText(text) << "\n";
    }
}
