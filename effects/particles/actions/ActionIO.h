// What the readers and writers of every action share: value lines, the
// record forms and the record's header. The actions' own fields are walked
// from their field lists (ActionFieldList.h).
#pragma once
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "kestu_ppsaction.h"
#include "effects/particles/script/ScriptValues.h"

// When the line begins with key and carries a value, converts the value into
// field and says so; a key line without a value is passed over. The result
// tells whether the key matched, so that a reader tests its keys in order.
template <class T>
bool ReadKeyValue(const std::string& line, const char* key, T& field)
{
    if (!ScriptKeyIs(line, key)) return false;
    const std::vector<std::string> tokens = SplitTokens(line);
    if (tokens.size() >= 2) ScriptStringToValue(tokens[1], field);
    return true;
}

// key, the value and a line feed.
template <class T>
void WriteValueLine(std::ostream& out, const char* key, T value)
{
    out << key << ValueToScriptString(value) << "\n";
}
// Closes an action's block.
inline void CloseActionBlock(std::ostream& out) { out << "\n\t}\n"; }

// Records of the second form carry, after the fields of the first form, the
// fields that form left out although the action needs them (DAMP's y and z,
// SOURCE's second position, size and ages, JET's domain, ORBIT's centre). A
// stream whose word at this slot (std::ios_base::iword) is
// kShortActionRecords holds or takes records of the first form; the system's
// reader and writer mark it so for systems stored with that form's version.
int ActionRecordFormSlot();
constexpr long kShortActionRecords = 1;

// True when the record of the first form keeps everything the action holds:
// each field that form leaves out holds what a reader of that form gives it.
bool FitsShortActionRecord(SPPS_ACTION_BASE& action);

// The 52-byte header that opens an action's record; false (failbit set) when
// the stream holds fewer bytes.
bool ReadActionHeader(std::istream& in, SPPS_ACTION_DATA& header);

// The longest action name a record holds.
constexpr size_t kActionNameMax = 19;
