#include <algorithm>
#include <iostream>
#include <vector>

#include "kestu_datachunk.h"
#include "kestu_particle.h"
#include "kestu_ppsmethod.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/RecordFieldList.h"
#include "effects/particles/script/ScriptValues.h"

template <>
struct ParticleFieldList<CPPS_METHOD_BASE> {
    static constexpr RecordField kFields[] = {
        Stored<&CPPS_METHOD_BASE::m_strName>("Method", 0, LineRead::Value, ppsfile::kNameMax),
    };
};

namespace {
constexpr RecordFieldList kFields = ParticleFieldList<CPPS_METHOD_BASE>::kFields;
} // namespace

CPPS_METHOD_BASE::~CPPS_METHOD_BASE()
{
    for (auto& entry : m_Res) delete entry.second;
    m_Res.clear();
}

SPPS_METHOD_RES* CPPS_METHOD_BASE::GetRes(CParticleGroup* group) const
{
    const auto found = m_Res.find(group);
    return found == m_Res.end() ? nullptr : found->second;
}

LONG CPPS_METHOD_BASE::AddRes(CParticleGroup* group)
{
    if (GetRes(group)) return 1;
    m_Res[group] = new SPPS_METHOD_RES();
    return 0;
}

void CPPS_METHOD_BASE::EraseRes(CParticleGroup* group)
{
    const auto found = m_Res.find(group);
    if (found == m_Res.end()) return;
    delete found->second;
    m_Res.erase(found);
}

CParticleBase* CPPS_METHOD_BASE::NewPooledParticle()
{
    CParticleBase* p = AllocParticle();
    if (p) p->Clear();
    return p;
}

void CPPS_METHOD_BASE::DeletePooledParticle(CParticleBase* particle) { FreeParticle(particle); }

HRESULT CPPS_METHOD_BASE::Serialize(std::iostream& stream, int bWrite)
{
    if (bWrite) {
        WriteRecord(stream, this, kFields);
        return ppsfile::StreamResult(stream);
    }
    return ReadRecord(stream, this, kFields) ? 0 : E_FAIL;
}

HRESULT CPPS_METHOD_BASE::CreateFromScript(CDataChunk& chunk)
{
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        // The search stays inside the method's block.
        if (ScriptKeyIs(line, "}")) return 1;
        if (!ScriptKeyIs(line, kFields[0].key)) continue;
        const std::vector<std::string> tokens = SplitTokens(line);
        if (tokens.size() < 2) continue;
        m_strName = tokens[1];
        return 0;
    }
    return 1;
}

HRESULT CPPS_METHOD_BASE::WriteToScript(std::ostream& out)
{
    out << "{\n";
    WriteScriptFields(out, this, kFields, "");
    return 0;
}
