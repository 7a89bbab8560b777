// The own fields of an action, declared once in a list of record fields
// (file/RecordFieldList.h) that drives its binary record, its script reader
// and its script writer. Each field names its member, its script key and the
// form it takes in a script, and its places in the record: a slot in the
// record both forms hold, or a slot among the fields only the second form
// holds (see ActionRecordFormSlot).
#pragma once
#include <cstdint>
#include <iostream>

#include "kestu_datachunk.h"
#include "kestu_ppsaction.h"
#include "kestu_ppsdomain.h"
#include "effects/particles/actions/ActionIO.h"
#include "effects/particles/file/RecordFieldList.h"

// Where a field lies in the record: its slot among the fields of the record
// both forms hold, its slot among those only the second form holds, or -1.
// A vector in both keeps x in the first and y and z in the second.
struct RecordPlace {
    int8_t shared = -1;
    int8_t extra = -1;
};
constexpr RecordPlace Rec(int8_t slot) { return {slot, -1}; }
constexpr RecordPlace Extra(int8_t slot) { return {-1, slot}; }

// The entry of Member (&SPPS_ACTION_X::field).
template <auto Member>
constexpr RecordField Field(const char* key, ScriptForm form, RecordPlace place, const char* oldKey = nullptr)
{
    RecordField field = Stored<Member, SPPS_ACTION_BASE>(key, place.shared);
    static_assert(fieldlist::TypeOf<typename fieldlist::MemberOf<decltype(Member)>::Type>() <= FieldType::Domain,
                  "an action field is a float, a word, a vector or a domain");
    field.form = form;
    field.extraSlot = place.extra;
    field.oldKey = oldKey;
    return field;
}

// Writes or reads the record of an action: the base part, then the fields of
// the list in record order. Reading fails (E_FAIL, failbit set, nothing
// changed) on a name longer than kActionNameMax or a record cut short.
HRESULT SerializeFields(SPPS_ACTION_BASE& action, std::iostream& stream, int bWrite, RecordFieldList fields);

// Reads the action's block from the line after "ActionID" up to the line that
// begins with "}" or the end of the text: "BaseInfo" goes to the base reader,
// every other line to the list's script reader.
HRESULT ReadFieldScript(SPPS_ACTION_BASE& action, CDataChunk& chunk, RecordFieldList fields);

// The whole block: the base part, the fields in list order, the closing line.
template <class Action>
HRESULT WriteFieldScript(Action& action, std::ostream& out, RecordFieldList fields)
{
    // The action as the script reader makes it.
    Action defaults;
    action.SPPS_ACTION_BASE::WriteToScript(out);
    WriteScriptFields(out, static_cast<SPPS_ACTION_BASE*>(&action), fields, "\t",
                      static_cast<SPPS_ACTION_BASE*>(&defaults));
    CloseActionBlock(out);
    return 0;
}

// The fields of FOLLOW, GRAVITATE and MATCH, which are these three alone.
template <class Action>
constexpr RecordField kForceFields[] = {
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
