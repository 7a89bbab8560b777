// What every action's reader and writer shares: the reading loop of an action
// block, value lines, and the binary record of the base part and the action's
// own fields.
#pragma once
#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "kestu_bytes.h"
#include "kestu_datachunk.h"
#include "kestu_ppsaction.h"
#include "kestu_ppsdomain.h"
#include "effects/particles/script/ScriptBlocks.h"
#include "effects/particles/script/ScriptValues.h"

// Hands "BaseInfo" to the base reader and every other line, with its tokens,
// to ownLine, up to the line that begins with "}" or the end of the text.
template <class OwnLine> void ReadActionBlock(CDataChunk& chunk, SPPS_ACTION_BASE& action, OwnLine&& ownLine)
{
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "BaseInfo")) {
            action.SPPS_ACTION_BASE::CreateFromScript(chunk);
            continue;
        }
        if (ScriptKeyIs(line, "}")) return;
        ownLine(line);
    }
}

// When the line begins with key and carries a value, converts the value into
// field and says so; a key line without a value is passed over. The result
// tells whether the key matched, so that a reader tests its keys in order.
template <class T> bool ReadKeyValue(const std::string& line, const char* key, T& field)
{
    if (!ScriptKeyIs(line, key)) return false;
    const std::vector<std::string> tokens = SplitTokens(line);
    if (tokens.size() >= 2) ScriptStringToValue(tokens[1], field);
    return true;
}
// The same for a flag written as an integer: read back as written.
bool ReadKeyFlag(const std::string& line, const char* key, int32_t& field);

// key, the value and a line feed.
template <class T> void WriteValueLine(std::ostream& out, const char* key, T value)
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

// One pass over an action's own binary fields, in record order: measures,
// reads or writes them.
class ActionFields {
public:
    explicit ActionFields(bool full = true) : m_bFull(full) {}
    ActionFields(kestu::ByteReader& reader, bool full) : m_pReader(&reader), m_bFull(full) {}
    ActionFields(kestu::ByteWriter& writer, bool full) : m_pWriter(&writer), m_bFull(full) {}

    // False for a record of the first form: the fields it lacks are left as
    // they are.
    bool Full() const { return m_bFull; }

    void F32(float& f);
    void U32(DWORD& d);
    void I32(int32_t& i);
    void Vec3(D3DXVECTOR3& v);
    void Domain(SPPS_DOMAIN& d);
    size_t Measured() const { return m_nBytes; }

private:
    kestu::ByteReader* m_pReader = nullptr;
    kestu::ByteWriter* m_pWriter = nullptr;
    size_t m_nBytes = 0;
    bool m_bFull = true;
};

// The longest action name a record holds.
constexpr size_t kActionNameMax = 19;

// Writes or reads the record of an action: the base part, then the fields
// that own visits (in record order). Reading fails (E_FAIL, failbit set,
// nothing changed) on a name longer than kActionNameMax or a record cut short.
HRESULT SerializeAction(SPPS_ACTION_BASE& action, std::iostream& stream, int bWrite,
                        const std::function<void(ActionFields&)>& own);

// The strength, softening and reach of the attracting and steering actions
// (FOLLOW, GRAVITATE, MATCH, ORBIT, JET, VORTEX): their script lines, in the
// order the scripts hold them, and the three fields of the records that keep
// them in that order.
bool ReadForceKey(const std::string& line, float& epsilon, float& magnitude, float& maxRadius);
void WriteForceLines(std::ostream& out, float epsilon, float magnitude, float maxRadius);
inline void ForceRecord(ActionFields& f, float& epsilon, float& magnitude, float& maxRadius)
{
    f.F32(epsilon);
    f.F32(magnitude);
    f.F32(maxRadius);
}

// An action whose own fields are those three alone.
template <class Action> HRESULT ReadForceScript(Action& a, CDataChunk& chunk)
{
    ReadActionBlock(chunk, a,
                    [&](const std::string& line) { ReadForceKey(line, a.fEpsilon, a.fMagnitude, a.fMaxRadius); });
    return 0;
}
template <class Action> HRESULT WriteForceScript(Action& a, std::ostream& out)
{
    a.SPPS_ACTION_BASE::WriteToScript(out);
    WriteForceLines(out, a.fEpsilon, a.fMagnitude, a.fMaxRadius);
    CloseActionBlock(out);
    return 0;
}
template <class Action> HRESULT SerializeForce(Action& a, std::iostream& stream, int bWrite)
{
    return SerializeAction(a, stream, bWrite,
                           [&](ActionFields& f) { ForceRecord(f, a.fEpsilon, a.fMagnitude, a.fMaxRadius); });
}
