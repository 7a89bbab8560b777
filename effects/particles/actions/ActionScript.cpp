// The script block of an action: the base part and the fields of the
// action's list.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/script/FieldValues.h"
#include "effects/particles/script/ScriptBlocks.h"

namespace {
// What a line begins with to reach the field, or null.
const char* LineKey(const ActionField& field)
{
    switch (field.form) {
    case ScriptForm::Domain: return "domain";
    case ScriptForm::Flat: return field.oldKey;
    default: return field.key;
    }
}

// The field whose key begins the line; where two do, the longer key wins, so
// that "fAge" leaves a "fAgeSigma" line to its own field.
const ActionField* FieldOfLine(ActionFieldList fields, const std::string& line, const std::vector<std::string>& tokens)
{
    const auto isDomain = [](const ActionField& f) { return f.form == ScriptForm::Domain; };
    const bool oneDomain = std::count_if(fields.begin(), fields.end(), isDomain) == 1;
    const ActionField* found = nullptr;
    size_t foundLength = 0;
    for (const ActionField& field : fields) {
        const char* key = LineKey(field);
        if (!key || !ScriptKeyIs(line, key)) continue;
        if (isDomain(field) && !oneDomain && (tokens.size() < 2 || tokens[1] != field.key)) continue;
        if (std::strlen(key) > foundLength) {
            found = &field;
            foundLength = std::strlen(key);
        }
    }
    return found;
}

void ReadField(SPPS_ACTION_BASE& action, const ActionField& field, CDataChunk& chunk,
               const std::vector<std::string>& tokens)
{
    void* member = field.member(action);
    switch (field.type) {
    case FieldType::Vec3: ReadVectorBlock(chunk, *static_cast<D3DXVECTOR3*>(member)); return;
    case FieldType::Domain: ReadDomainBlock(chunk, *static_cast<SPPS_DOMAIN*>(member)); return;
    default: break;
    }
    if (tokens.size() >= 2) ReadFieldValue(field.type, member, tokens[1], 0);
}

bool ReadFlatLine(SPPS_ACTION_BASE& action, const ActionField& field, const std::string& line)
{
    void* member = field.member(action);
    if (field.type == FieldType::Vec3) return ReadFlatVector(line, field.key, *static_cast<D3DXVECTOR3*>(member));
    return ReadFlatDomain(line, field.key, *static_cast<SPPS_DOMAIN*>(member));
}

void ReadLine(SPPS_ACTION_BASE& action, ActionFieldList fields, CDataChunk& chunk, const std::string& line)
{
    for (const ActionField& field : fields)
        if (field.form == ScriptForm::Flat && ReadFlatLine(action, field, line)) return;
    const std::vector<std::string> tokens = SplitTokens(line);
    if (const ActionField* field = FieldOfLine(fields, line, tokens)) ReadField(action, *field, chunk, tokens);
}
} // namespace

HRESULT ReadFieldScript(SPPS_ACTION_BASE& action, CDataChunk& chunk, ActionFieldList fields)
{
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "BaseInfo")) {
            action.SPPS_ACTION_BASE::CreateFromScript(chunk);
            continue;
        }
        if (ScriptKeyIs(line, "}")) break;
        ReadLine(action, fields, chunk, line);
    }
    return 0;
}

namespace {
void WriteFlat(std::ostream& out, const ActionField& field, const void* member, const void* byDefault)
{
    if (field.type == FieldType::Vec3) {
        const auto& v = *static_cast<const D3DXVECTOR3*>(member);
        if (!SameVector(v, *static_cast<const D3DXVECTOR3*>(byDefault))) WriteFlatVector(out, field.key, v);
        return;
    }
    const auto& d = *static_cast<const SPPS_DOMAIN*>(member);
    if (!SameDomain(d, *static_cast<const SPPS_DOMAIN*>(byDefault))) WriteFlatDomain(out, field.key, d);
}

void WriteField(std::ostream& out, const ActionField& field, SPPS_ACTION_BASE& action, SPPS_ACTION_BASE& defaults)
{
    const void* member = field.member(action);
    switch (field.form) {
    case ScriptForm::Value: out << "\t" << field.key << "\t" << FieldValueText(field.type, member) << "\n"; return;
    case ScriptForm::Vector:
    case ScriptForm::VectorTab:
    case ScriptForm::VectorBare:
        out << "\t" << field.key << (field.form == ScriptForm::VectorTab ? "\t" : "");
        WriteVectorBlock(out, *static_cast<const D3DXVECTOR3*>(member));
        if (field.form != ScriptForm::VectorBare) out << "\n";
        return;
    case ScriptForm::Domain:
        out << "\tdomain\t" << field.key;
        WriteDomainBlock(out, *static_cast<const SPPS_DOMAIN*>(member));
        return;
    case ScriptForm::Flat: WriteFlat(out, field, member, field.member(defaults)); return;
    }
}
} // namespace

HRESULT WriteFieldScript(SPPS_ACTION_BASE& action, SPPS_ACTION_BASE& defaults, std::ostream& out,
                         ActionFieldList fields)
{
    action.SPPS_ACTION_BASE::WriteToScript(out);
    for (const ActionField& field : fields) WriteField(out, field, action, defaults);
    CloseActionBlock(out);
    return 0;
}
