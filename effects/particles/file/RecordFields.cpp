// The binary record of a particle record's field list.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "kestu_bytes.h"

#include "effects/particles/domains/DomainFieldList.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/RecordFieldList.h"

namespace {
struct Step {
    const RecordField* field;
    bool extra;
};

int8_t SlotOf(const RecordField& field, bool extra) { return extra ? field.extraSlot : field.slot; }

// Hands visit() the entries the record holds in slot order, then those of
// the extra slots unless withExtra is false.
template <class Visit>
void EachStep(RecordFieldList fields, bool withExtra, Visit visit)
{
    for (const bool extra : {false, true}) {
        if (extra && !withExtra) return;
        int8_t last = -1;
        for (const RecordField& field : fields) last = std::max(last, SlotOf(field, extra));
        for (int8_t slot = 0; slot <= last; ++slot) {
            const auto inSlot = [&](const RecordField& field) { return SlotOf(field, extra) == slot; };
            const auto field = std::find_if(fields.begin(), fields.end(), inSlot);
            if (field != fields.end()) visit(Step{&*field, extra});
        }
    }
}

// The 32-bit words of a domain: its type, then its vectors and floats.
constexpr size_t DomainWords()
{
    size_t n = 1;
    for (const DomainField& field : kDomainFields) n += field.vector ? 3 : 1;
    return n;
}

bool HasWords(FieldType type)
{
    return type <= FieldType::Domain;
}

// The axes of a vector the step holds: all three, or x in the first part and
// y and z in the extra part of a vector split across them.
std::pair<int, int> Axes(const Step& step)
{
    if (step.field->slot < 0 || step.field->extraSlot < 0) return {0, 3};
    return step.extra ? std::pair{1, 3} : std::pair{0, 1};
}

// Hands at() each 32-bit word of a word, vector or domain member the step
// holds, in record order.
template <class At>
void EachWord(const Step& step, void* member, At at)
{
    static constexpr float D3DXVECTOR3::*kAxes[] = {&D3DXVECTOR3::x, &D3DXVECTOR3::y, &D3DXVECTOR3::z};
    const auto vector = [&](D3DXVECTOR3& v, std::pair<int, int> axes) {
        for (int i = axes.first; i < axes.second; ++i) at(&(v.*kAxes[i]));
    };
    switch (step.field->type) {
    case FieldType::Vec3: vector(*static_cast<D3DXVECTOR3*>(member), Axes(step)); return;
    case FieldType::Domain: {
        SPPS_DOMAIN& d = *static_cast<SPPS_DOMAIN*>(member);
        at(&d.DomainType);
        for (const DomainField& field : kDomainFields)
            if (field.vector)
                vector(d.*field.vector, {0, 3});
            else
                at(&(d.*field.real));
        return;
    }
    default: at(member); return;
    }
}

size_t WordCount(const Step& step)
{
    const std::pair<int, int> axes = Axes(step);
    switch (step.field->type) {
    case FieldType::Vec3: return static_cast<size_t>(axes.second - axes.first);
    case FieldType::Domain: return DomainWords();
    default: return 1;
    }
}

// At most max bytes of the text, so that what is written reads back.
void PutText(kestu::ByteWriter& w, std::string_view text, uint32_t max)
{
    const size_t n = std::min<size_t>(text.size(), max);
    w.U32(static_cast<uint32_t>(n));
    w.Bytes(text.data(), n);
}

void WriteField(kestu::ByteWriter& w, const Step& step, const void* owner)
{
    const RecordField& field = *step.field;
    if (field.written) {
        w.U32(field.written(owner));
        return;
    }
    void* member = field.member(const_cast<void*>(owner));
    if (HasWords(field.type)) {
        EachWord(step, member, [&](const void* word) {
            uint32_t bits;
            std::memcpy(&bits, word, 4);
            w.U32(bits);
        });
        return;
    }
    switch (field.type) {
    case FieldType::Text: PutText(w, *static_cast<const std::string*>(member), field.max); return;
    case FieldType::Chars: PutText(w, static_cast<const char*>(member), field.max); return;
    case FieldType::Bytes: w.Bytes(member, field.max + 1); return;
    default: {
        const auto& texts = *static_cast<const std::list<std::string>*>(member);
        w.U32(static_cast<uint32_t>(texts.size()));
        for (const std::string& text : texts) PutText(w, text, field.max);
        return;
    }
    }
}
} // namespace

void PutRecord(kestu::ByteWriter& w, const void* owner, RecordFieldList fields, bool withExtra)
{
    EachStep(fields, withExtra, [&](const Step& step) { WriteField(w, step, owner); });
}

void WriteRecord(std::ostream& out, const void* owner, RecordFieldList fields, bool withExtra)
{
    std::vector<uint8_t> bytes;
    kestu::ByteWriter w(bytes);
    PutRecord(w, owner, fields, withExtra);
    ppsfile::WriteBytes(out, bytes.data(), bytes.size());
}

RecordValues::RecordValues(RecordFieldList fields, bool withExtra)
{
    m_Values.reserve(withExtra ? 2 * fields.size() : fields.size());
    size_t words = 0;
    EachStep(fields, withExtra, [&](const Step& step) {
        m_Values.push_back({step.field, step.extra, words});
        if (HasWords(step.field->type)) words += WordCount(step);
    });
    m_Words.resize(words);
}

bool RecordValues::Read(std::istream& in)
{
    using namespace ppsfile;
    // Each run of word, vector and domain entries is read at once.
    size_t unread = 0;
    const auto readWordsUpTo = [&](size_t end) {
        auto* bytes = reinterpret_cast<uint8_t*>(m_Words.data() + unread);
        if (!ReadBytes(in, bytes, 4 * (end - unread))) return false;
        for (; unread < end; ++unread) m_Words[unread] = kestu::GetU32(reinterpret_cast<uint8_t*>(&m_Words[unread]));
        return true;
    };
    for (Value& value : m_Values) {
        const RecordField& field = *value.field;
        if (HasWords(field.type)) continue;
        if (!readWordsUpTo(value.firstWord)) return false;
        switch (field.type) {
        case FieldType::Text:
        case FieldType::Chars:
            if (!ReadString(in, field.max, value.text)) return false;
            break;
        case FieldType::Bytes:
            value.text.resize(field.max + 1);
            if (!ReadBytes(in, value.text.data(), value.text.size())) return false;
            break;
        default: {
            uint32_t count;
            if (!ReadU32(in, count)) return false;
            // Every text takes at least its length word, so the stream ends a
            // count that outruns it.
            for (uint32_t i = 0; i < count; ++i) {
                std::string text;
                if (!ReadString(in, field.max, text)) return false;
                value.texts.push_back(std::move(text));
            }
            break;
        }
        }
    }
    return readWordsUpTo(m_Words.size());
}

uint32_t RecordValues::Word(int8_t slot) const
{
    for (const Value& value : m_Values)
        if (!value.extra && value.field->slot == slot) return m_Words[value.firstWord];
    return 0;
}

void RecordValues::Store(void* owner) const
{
    for (const Value& value : m_Values) {
        const RecordField& field = *value.field;
        if (!field.member) continue;
        void* member = field.member(owner);
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
        default: {
            const uint32_t* word = &m_Words[value.firstWord];
            EachWord({value.field, value.extra}, member, [&](void* at) { std::memcpy(at, word++, 4); });
            break;
        }
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
