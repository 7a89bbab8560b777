#include "kestu_ppsaction.h"
#include "effects/particles/actions/ActionFieldList.h"

SPPS_ACTION_BASE::SPPS_ACTION_BASE() : SPPS_ACTION_DATA{} {}

SPPS_ACTION_BASE::SPPS_ACTION_BASE(const SPPS_ACTION_DATA* data) : SPPS_ACTION_DATA(*data) {}

SPPS_ACTION_BASE::SPPS_ACTION_BASE(DWORD id, DWORD size) : SPPS_ACTION_DATA{}
{
    dwActionID = id;
    dwSize = size;
}

void SPPS_ACTION_BASE::InitAction()
{
    fStartTime = fLifeTime = fRepeatTime = fExecuteTime = 0.0f;
    m_fElapsedTime = m_fCycleTime = 0.0f;
}

HRESULT SPPS_ACTION_BASE::Execute(CParticleGroup* group)
{
    const float dt = fDeltaTime;
    if (fLifeTime > 0.0f) {
        m_fElapsedTime += dt;
        if (!(m_fElapsedTime < fStartTime + fLifeTime)) return 0;
        if (m_fElapsedTime <= fStartTime) return 0;
    }
    if (fRepeatTime > 0.0f && fExecuteTime > 0.0f) {
        m_fCycleTime += dt;
        if (m_fCycleTime > fRepeatTime + fExecuteTime) m_fCycleTime = 0.0f;
        if (!(m_fCycleTime < fExecuteTime)) return 0;
    }
    switch (validity.nValidity) {
    case 1: validity.nValidity = 0; return Update(group);
    case 2: return Update(group);
    case 4: return RandUniform() > 0.5f ? Update(group) : 0;
    default: return 0;
    }
}

HRESULT SPPS_ACTION_BASE::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeFields(*this, stream, bWrite, RecordFieldList());
}

namespace {
// Reads a scope or validity block: the mode key, whose accepted values
// accept() decides, and three parameters. A key line without a value ends
// the block's reading at once.
template <class Accept>
void ReadFourWordBlock(CDataChunk& chunk, const char* modeKey, int32_t& mode, Accept accept,
                       const char* const* paramKeys, DWORD* const* params)
{
    CDataChunk::skipToNextOpenBrace(chunk);
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "}")) return;
        const bool isMode = ScriptKeyIs(line, modeKey);
        int index = -1;
        for (int i = 0; i < 3 && !isMode && index < 0; ++i)
            if (ScriptKeyIs(line, paramKeys[i])) index = i;
        if (!isMode && index < 0) continue;
        const std::vector<std::string> tokens = SplitTokens(line);
        if (tokens.size() < 2) return;
        if (isMode) {
            int32_t value;
            ScriptStringToValue(tokens[1], value);
            if (accept(value)) mode = value;
        } else {
            ScriptStringToValue(tokens[1], *params[index]);
        }
    }
}
} // namespace

HRESULT SPPS_ACTION_BASE::CreateFromScript(CDataChunk& chunk)
{
    static const char* const kScopeKeys[3] = {"dwParam1", "dwParam2", "dwParam3"};
    static const char* const kValidityKeys[3] = {"nParam1", "nParam2", "nParam3"};
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "}")) break;
        if (ScriptKeyIs(line, "scope")) {
            DWORD* params[3] = {&scope.dwParam1, &scope.dwParam2, &scope.dwParam3};
            ReadFourWordBlock(
                chunk, "nscope", scope.nscope, [](int32_t v) { return v == 0 || v == 1 || v == 2 || v == 4; },
                kScopeKeys, params);
            continue;
        }
        if (ScriptKeyIs(line, "validity")) {
            DWORD* params[3] = {&validity.nParam1, &validity.nParam2, &validity.nParam3};
            // The modes keep the numbers they run under, so that a written
            // mode reads back as written.
            ReadFourWordBlock(
                chunk, "nValidity", validity.nValidity, [](int32_t v) { return v >= 0 && v <= 4; }, kValidityKeys,
                params);
            continue;
        }
        ReadKeyValue(line, "fDeltaTime", fDeltaTime) || ReadKeyValue(line, "dwCRCNum", dwCRCNum) ||
            ReadKeyValue(line, "dwSize", dwSize) || ReadKeyValue(line, "dwFPFFlags", dwFPFFlags) ||
            ReadKeyValue(line, "fStartTime", fStartTime) || ReadKeyValue(line, "fLifeTime", fLifeTime) ||
            ReadKeyValue(line, "fRepeatTime", fRepeatTime) || ReadKeyValue(line, "fExecuteTime", fExecuteTime);
    }
    return 0;
}

HRESULT SPPS_ACTION_BASE::WriteToScript(std::ostream& out)
{
    out << "\n\tAction\t" << ScriptText(m_strName) << "\n\t{\n";
    WriteValueLine(out, "\tActionID\t", static_cast<int32_t>(dwActionID));
    out << "\tBaseInfo"
        << "\n\t{\n";
    out << "\t\tscope"
        << "\n\t\t{\n";
    WriteValueLine(out, "\t\tnscope\t", scope.nscope);
    WriteValueLine(out, "\t\tdwParam1\t", scope.dwParam1);
    WriteValueLine(out, "\t\tdwParam2\t", scope.dwParam2);
    WriteValueLine(out, "\t\tdwParam3\t", scope.dwParam3);
    out << "\t\t}\n";
    out << "\t\tvalidity"
        << "\n\t\t{\n";
    WriteValueLine(out, "\t\tnValidity\t", validity.nValidity);
    WriteValueLine(out, "\t\tnParam1\t", validity.nParam1);
    WriteValueLine(out, "\t\tnParam2\t", validity.nParam2);
    WriteValueLine(out, "\t\tnParam3\t", validity.nParam3);
    out << "\t\t}\n";
    WriteValueLine(out, "\tfDeltaTime\t", fDeltaTime);
    WriteValueLine(out, "\tdwCRCNum\t", dwCRCNum);
    WriteValueLine(out, "\tdwSize\t", dwSize);
    WriteValueLine(out, "\tdwFPFFlags\t", dwFPFFlags);
    WriteValueLine(out, "\tfStartTime\t", fStartTime);
    WriteValueLine(out, "\tfLifeTime\t", fLifeTime);
    WriteValueLine(out, "\tfRepeatTime\t", fRepeatTime);
    WriteValueLine(out, "\tfExecuteTime\t", fExecuteTime);
    out << "\n\t}\n";
    return 0;
}
