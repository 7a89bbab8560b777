// The binary record of a particle record's field list.
#include <algorithm>
#include <cstring>

#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/RecordFieldList.h"

namespace {
// The entries the record holds, in slot order.
std::vector<const RecordField*> BySlot(RecordFieldList fields)
{
    std::vector<const RecordField*> stored;
    for (const RecordField& field : fields)
        if (field.slot >= 0) stored.push_back(&field);
    std::sort(stored.begin(), stored.end(), [](const RecordField* a, const RecordField* b) { return a->slot < b->slot; });
    return stored;
}

void WriteField(std::ostream& out, const RecordField& field, const void* owner)
{
    using namespace ppsfile;
    if (field.written) {
        WriteU32(out, field.written(owner));
        return;
    }
    const void* member = field.member(const_cast<void*>(owner));
    switch (field.type) {
    case FieldType::F32: WriteF32(out, *static_cast<const float*>(member)); return;
    case FieldType::U32: WriteU32(out, *static_cast<const uint32_t*>(member)); return;
    case FieldType::I32:
    case FieldType::Bool: WriteI32(out, *static_cast<const int32_t*>(member)); return;
    case FieldType::Text: WriteString(out, *static_cast<const std::string*>(member), field.max); return;
    case FieldType::Chars: WriteString(out, static_cast<const char*>(member), field.max); return;
    case FieldType::Bytes: WriteBytes(out, member, field.max + 1); return;
    case FieldType::TextList: {
        const auto& texts = *static_cast<const std::list<std::string>*>(member);
        WriteU32(out, static_cast<uint32_t>(texts.size()));
        for (const std::string& text : texts) WriteString(out, text, field.max);
        return;
    }
    default: return; // vectors and domains are the actions' alone
    }
}
} // namespace

void WriteRecord(std::ostream& out, const void* owner, RecordFieldList fields)
{
    for (const RecordField* field : BySlot(fields)) WriteField(out, *field, owner);
}

RecordValues::RecordValues(RecordFieldList fields) : m_Fields(fields), m_Values(fields.size()) {}

bool RecordValues::Read(std::istream& in)
{
    using namespace ppsfile;
    for (const RecordField* field : BySlot(m_Fields)) {
        Value& value = m_Values[static_cast<size_t>(field - m_Fields.data())];
        switch (field->type) {
        case FieldType::Text:
        case FieldType::Chars:
            if (!ReadString(in, field->max, value.text)) return false;
            break;
        case FieldType::Bytes:
            value.text.resize(field->max + 1);
            if (!ReadBytes(in, value.text.data(), value.text.size())) return false;
            break;
        case FieldType::TextList: {
            uint32_t count;
            if (!ReadU32(in, count)) return false;
            // Every text takes at least its length word, so the stream ends a
            // count that outruns it.
            for (uint32_t i = 0; i < count; ++i) {
                std::string text;
                if (!ReadString(in, field->max, text)) return false;
                value.texts.push_back(std::move(text));
            }
            break;
        }
        default:
            if (!ReadU32(in, value.word)) return false;
            break;
        }
    }
    return true;
}

uint32_t RecordValues::Word(int8_t slot) const
{
    for (size_t i = 0; i < m_Fields.size(); ++i)
        if (m_Fields[i].slot == slot) return m_Values[i].word;
    return 0;
}

void RecordValues::Store(void* owner) const
{
    for (size_t i = 0; i < m_Fields.size(); ++i) {
        const RecordField& field = m_Fields[i];
        if (!field.member || field.slot < 0) continue;
        void* member = field.member(owner);
        const Value& value = m_Values[i];
        switch (field.type) {
        case FieldType::Text: *static_cast<std::string*>(member) = value.text; break;
        case FieldType::Chars: {
            char* chars = static_cast<char*>(member);
            std::memset(chars, 0, field.max + 1);
            value.text.copy(chars, field.max);
            break;
        }
        case FieldType::Bytes: {
            char* bytes = static_cast<char*>(member);
            value.text.copy(bytes, field.max);
            bytes[field.max] = '\0';
            break;
        }
        case FieldType::TextList: *static_cast<std::list<std::string>*>(member) = value.texts; break;
        default: std::memcpy(member, &value.word, 4); break;
        }
    }
}

bool ReadRecord(std::istream& in, void* owner, RecordFieldList fields)
{
    RecordValues values(fields);
    if (!values.Read(in)) return false;
    values.Store(owner);
    return true;
}
