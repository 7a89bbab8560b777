// The own fields of an action, declared once in a list that drives its
// binary record, its script reader and its script writer. Each field names
// its member, its script key and the form it takes in a script, and its
// places in the record: a slot in the record both forms hold, or a slot among
// the fields only the second form holds (see ActionRecordFormSlot).
#pragma once
#include <cstdint>
#include <iostream>
#include <span>

#include "kestu_datachunk.h"
#include "kestu_ppsaction.h"
#include "kestu_ppsdomain.h"
#include "effects/particles/FieldList.h"
#include "effects/particles/actions/ActionIO.h"

// How a field stands in the script block, after "BaseInfo".
enum class ScriptForm : uint8_t {
    Value,      // "\t" key "\t" value "\n"; an i32 is a flag, read through the flag conversion
    Vector,     // "\t" key, the vector block, "\n"
    VectorTab,  // "\t" key "\t", the vector block, "\n"
    VectorBare, // "\t" key and the vector block, nothing after it
    Domain,     // "\tdomain\t" key and the domain block; read from a line that begins with "domain" and whose
                // second token is key, or any line that begins so when the action has one such field
    Flat,       // a value beyond the lines every reader knows: flat key lines (ScriptBlocks.h), written only
                // when it differs from the default action's; older builds wrote it as a nested block under oldKey
};

// Where a field lies in the record: its slot among the fields of the record
// both forms hold, its slot among those only the second form holds, or -1.
// A vector in both keeps x in the first and y and z in the second.
struct RecordPlace {
    int8_t shared = -1;
    int8_t extra = -1;
};
constexpr RecordPlace Rec(int8_t slot) { return {slot, -1}; }
constexpr RecordPlace Extra(int8_t slot) { return {-1, slot}; }

struct ActionField {
    FieldType type;
    // The field in the given action.
    void* (*member)(SPPS_ACTION_BASE&);
    const char* key;
    ScriptForm form;
    RecordPlace place;
    const char* oldKey;
};

namespace fieldlist {
template <auto Member>
void* At(SPPS_ACTION_BASE& action)
{
    return &(static_cast<typename MemberOf<decltype(Member)>::Class&>(action).*Member);
}
} // namespace fieldlist

// The entry of Member (&SPPS_ACTION_X::field).
template <auto Member>
constexpr ActionField Field(const char* key, ScriptForm form, RecordPlace place, const char* oldKey = nullptr)
{
    constexpr FieldType type = fieldlist::TypeOf<typename fieldlist::MemberOf<decltype(Member)>::Type>();
    static_assert(type <= FieldType::Domain && type != FieldType::Bool,
                  "an action field is a float, a word, a vector or a domain");
    return {type, &fieldlist::At<Member>, key, form, place, oldKey};
}

using ActionFieldList = std::span<const ActionField>;

// Writes or reads the record of an action: the base part, then the fields of
// the list in record order. Reading fails (E_FAIL, failbit set, nothing
// changed) on a name longer than kActionNameMax or a record cut short.
HRESULT SerializeFields(SPPS_ACTION_BASE& action, std::iostream& stream, int bWrite, ActionFieldList fields);

// Reads the action's block from the line after "ActionID" up to the line that
// begins with "}" or the end of the text: "BaseInfo" goes to the base reader,
// every other line to the field whose key begins it (the longest such key).
HRESULT ReadFieldScript(SPPS_ACTION_BASE& action, CDataChunk& chunk, ActionFieldList fields);

// The whole block: the base part, the fields in list order, the closing line.
// defaults is the action as the script reader makes it.
HRESULT WriteFieldScript(SPPS_ACTION_BASE& action, SPPS_ACTION_BASE& defaults, std::ostream& out,
                         ActionFieldList fields);
template <class Action>
HRESULT WriteFieldScript(Action& action, std::ostream& out, ActionFieldList fields)
{
    Action defaults;
    return WriteFieldScript(action, defaults, out, fields);
}

// The fields of FOLLOW, GRAVITATE and MATCH, which are these three alone.
template <class Action>
constexpr ActionField kForceFields[] = {
    Field<&Action::fEpsilon>("fEpsilon", ScriptForm::Value, Rec(0)),
    Field<&Action::fMagnitude>("fMagnitude", ScriptForm::Value, Rec(1)),
    Field<&Action::fMaxRadius>("fMaxRadius", ScriptForm::Value, Rec(2)),
};

// Defines the three overrides of an action from its field list.
#define KESTU_PPS_ACTION_FIELD_IO(Action, fields)                                                                      \
    HRESULT Action::Serialize(std::iostream& stream, int bWrite)                                                       \
    {                                                                                                                  \
        return SerializeFields(*this, stream, bWrite, fields);                                                         \
    }                                                                                                                  \
    HRESULT Action::CreateFromScript(CDataChunk& chunk) { return ReadFieldScript(*this, chunk, fields); }              \
    HRESULT Action::WriteToScript(std::ostream& out) { return WriteFieldScript(*this, out, fields); }
