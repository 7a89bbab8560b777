#include "effects/particles/script/FieldValues.h"

#include <cstring>
#include <list>

#include "effects/particles/script/ScriptValues.h"

std::string FieldValueText(FieldType type, const void* member)
{
    switch (type) {
    case FieldType::F32: return ValueToScriptString(*static_cast<const float*>(member));
    case FieldType::U32: return ValueToScriptString(*static_cast<const uint32_t*>(member));
    case FieldType::I32: return ValueToScriptString(*static_cast<const int32_t*>(member));
    case FieldType::Bool: return ValueToScriptString(*static_cast<const int32_t*>(member) != 0);
    case FieldType::Text: return ScriptText(*static_cast<const std::string*>(member));
    case FieldType::Chars:
    case FieldType::Bytes: return ScriptText(static_cast<const char*>(member));
    default: return {}; // vectors, domains and lists are written line by line by their walkers
    }
}

void ReadFieldValue(FieldType type, void* member, const std::string& text, uint32_t longest)
{
    switch (type) {
    case FieldType::F32: ScriptStringToValue(text, *static_cast<float*>(member)); return;
    case FieldType::U32: ScriptStringToValue(text, *static_cast<uint32_t*>(member)); return;
    case FieldType::I32: *static_cast<int32_t*>(member) = ScriptStringToFlag(text); return;
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
        std::memset(chars, 0, longest + 1);
        text.copy(chars, longest);
        return;
    }
    case FieldType::TextList: static_cast<std::list<std::string>*>(member)->push_back(text); return;
    default: return; // vectors and domains are read as blocks by the actions' walker
    }
}
