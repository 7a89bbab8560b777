// The stored fields of the particle records (the actions, the render
// methods, the method set, the group, the system and the manager), declared
// once in a list that drives the binary record and the script block. The
// list is in script order; each entry also names its slot in the record.
// The records' nested lists (groups, actions, methods, systems) are walked by
// their owners around the fields.
#pragma once
#include <cstdint>
#include <iostream>
#include <span>
#include <string>
#include <vector>

#include "kestu_bytes.h"
#include "kestu_datachunk.h"
#include "effects/particles/FieldList.h"

// A record's field list, befriended by the record's class. A specialisation
// holds the list as kFields.
template <class Record>
struct ParticleFieldList;

// How the script reader takes a line that begins with the entry's key.
enum class LineRead : uint8_t {
    Value,       // the value goes to the member; a line without one is passed over
    ValueOrStop, // as Value, but a line without a value ends the block
    ValueOrSkip, // as Value, but without a value the lines up to the next "}" are passed over
    Owner,       // the line is left to the owner's reader (or passed over): the entry is written only
};

// How the entry stands in the script: a value line as LineRead says, or one
// of the actions' vector and domain forms.
enum class ScriptForm : uint8_t {
    Value,      // indent key "\t" value "\n"; a list of texts a line for each
    Vector,     // indent key, the vector block, "\n"
    VectorTab,  // indent key "\t", the vector block, "\n"
    VectorBare, // indent key and the vector block, nothing after it
    Domain,     // indent "domain\t" key and the domain block; read from a line that begins with "domain" and whose
                // second token is key, or any line that begins so when the list has one such entry
    Flat,       // a value beyond the lines every reader knows: flat key lines (ScriptBlocks.h), written only
                // when it differs from the defaults' value; older builds wrote it as a nested block under oldKey
};

struct RecordField {
    FieldType type;
    // The field in the given owner, or null for a value the record and the
    // script hold but the owner keeps nowhere.
    void* (*member)(void* owner);
    // When set, the word written in place of the member.
    uint32_t (*written)(const void* owner);
    // The script line's key, or null when the script does not hold the field.
    const char* key;
    LineRead read;
    // The slot in the binary record, or -1.
    int8_t slot;
    // For a text: the longest stored.
    uint32_t max;
    ScriptForm form = ScriptForm::Value;
    // The slot among the fields only an action's longer record holds, or -1.
    // A vector with both slots keeps x in the first and y and z here.
    int8_t extraSlot = -1;
    // For a flat entry: the key of the nested block older builds wrote.
    const char* oldKey = nullptr;
};

using RecordFieldList = std::span<const RecordField>;

namespace fieldlist {
// Owner is the class the walkers are handed, a base or a derived class of
// the member's.
template <class Owner, auto Member>
void* AtOwner(void* owner)
{
    using Class = typename MemberOf<decltype(Member)>::Class;
    return &(static_cast<Class&>(*static_cast<Owner*>(owner)).*Member);
}

template <class T>
constexpr uint32_t LongestOf()
{
    if constexpr (std::is_array_v<T>)
        return std::extent_v<T> - 1;
    else
        return 0;
}
} // namespace fieldlist

// The entry of Member (&CRecord::m_field). Owner is the record the list is
// for, which the walkers are handed; it differs from the member's class for
// a member a record inherits. A text gives its longest stored length as max.
template <auto Member, class Owner = typename fieldlist::MemberOf<decltype(Member)>::Class>
constexpr RecordField Stored(const char* key, int8_t slot, LineRead read = LineRead::Value, uint32_t max = 0)
{
    using Type = typename fieldlist::MemberOf<decltype(Member)>::Type;
    const uint32_t longest = fieldlist::LongestOf<Type>();
    return {fieldlist::TypeOf<Type>(), &fieldlist::AtOwner<Owner, Member>, nullptr, key, read, slot,
            longest ? longest : max};
}

// The entry of an i32 member the script holds as "true" or "false".
template <auto Member>
constexpr RecordField StoredBool(const char* key, int8_t slot, LineRead read = LineRead::Value)
{
    RecordField field = Stored<Member>(key, slot, read);
    field.type = FieldType::Bool;
    return field;
}

// The entry of a char array the record holds as its bytes, all of them, and
// the script as the text up to its zero; read, its last byte is a zero.
template <auto Member>
constexpr RecordField StoredBytes(const char* key, int8_t slot, LineRead read = LineRead::Value)
{
    RecordField field = Stored<Member>(key, slot, read);
    field.type = FieldType::Bytes;
    return field;
}

// field, written from written whatever its member holds.
constexpr RecordField WrittenAs(RecordField field, uint32_t (*written)(const void* owner))
{
    field.written = written;
    return field;
}

// The entry of a word the owner keeps nowhere: written from written, read
// into the values for the owner to check and use, passed over in a script.
constexpr RecordField Derived(const char* key, int8_t slot, uint32_t (*written)(const void* owner))
{
    return {FieldType::U32, nullptr, written, key, LineRead::Owner, slot, 0};
}

// The values of a record read whole and not yet handed to their owner, so
// that a record cut short or refused changes nothing.
class RecordValues {
public:
    // withExtra: the record holds the extra slots after the others.
    explicit RecordValues(RecordFieldList fields, bool withExtra = true);
    // False, with the stream failed, for a record cut short or a text longer
    // than its field holds.
    bool Read(std::istream& in);
    // The word of the entry in the slot.
    uint32_t Word(int8_t slot) const;
    // Hands every value with a member to the owner.
    void Store(void* owner) const;

private:
    struct Value {
        const RecordField* field;
        bool extra;
        // Where its words begin in m_Words: a word, or those of a vector or
        // a domain; for other entries, where the words after it begin.
        size_t firstWord;
        std::string text{};
        std::list<std::string> texts{};
    };
    std::vector<Value> m_Values;
    std::vector<uint32_t> m_Words;
};

// Writes the fields of the list that the record holds, slot by slot, then
// those of the extra slots unless withExtra is false.
void WriteRecord(std::ostream& out, const void* owner, RecordFieldList fields, bool withExtra = true);
// The same, onto bytes that the caller writes.
void PutRecord(kestu::ByteWriter& w, const void* owner, RecordFieldList fields, bool withExtra = true);
// Reads them and hands them to the owner when all could be read.
bool ReadRecord(std::istream& in, void* owner, RecordFieldList fields);

// What a script line was to the field list.
enum class ScriptLine : uint8_t {
    Other, // of no entry the list reads: the owner's reader may take it
    Taken,
    End, // a line without a value that ends the block
};
// Hands the line to the flat entry whose line it is, else to the entry whose
// key begins it (the longest such key).
ScriptLine ReadScriptField(CDataChunk& chunk, const std::string& line, void* owner, RecordFieldList fields);
// Reads lines up to the line that begins with "}", one that ends the block or
// the end of the text; lines of no entry are passed over.
void ReadScriptFields(CDataChunk& chunk, void* owner, RecordFieldList fields);
// Writes the entries that have a key in list order, each in its form.
// defaults is an owner as the script reader makes it, for the flat entries.
void WriteScriptFields(std::ostream& out, const void* owner, RecordFieldList fields, const char* indent,
                       const void* defaults = nullptr);
