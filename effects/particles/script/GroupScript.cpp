#include <ostream>

#include "kestu_datachunk.h"
#include "kestu_particlegroup.h"
#include "effects/particles/script/ScriptValues.h"

HRESULT CParticleGroup::CreateFromScript(CDataChunk& chunk)
{
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "}")) break;
        const bool id = ScriptKeyIs(line, "GroupID");
        const bool specified = !id && ScriptKeyIs(line, "bSpecifiedParticles");
        const bool inWorld = !id && !specified && ScriptKeyIs(line, "bInWorldSpace");
        const bool max = !id && !specified && !inWorld && ScriptKeyIs(line, "MaxParticleNumber");
        if (!id && !specified && !inWorld && !max) continue;
        const std::vector<std::string> tokens = SplitTokens(line);
        if (tokens.size() < 2) break;
        bool flag;
        if (id) {
            ScriptStringToValue(tokens[1], m_dwGroupID);
        } else if (max) {
            ScriptStringToValue(tokens[1], m_dwMaxParticleNumber);
        } else {
            ScriptStringToValue(tokens[1], flag);
            (specified ? m_bSpecifiedParticles : m_bInWorldSpace) = flag ? 1 : 0;
        }
    }
    return 0;
}

HRESULT CParticleGroup::WriteToScript(std::ostream& out)
{
    out << "\n\tGroup\t" << ScriptName(m_strName, m_dwGroupID) << "\n\t{\n";
    out << "\tGroupID\t" << ValueToScriptString(uint32_t{m_dwGroupID}) << "\n";
    out << "\tbSpecifiedParticles\t" << ValueToScriptString(m_bSpecifiedParticles != 0) << "\n";
    out << "\tbInWorldSpace\t" << ValueToScriptString(m_bInWorldSpace != 0) << "\n";
    out << "\tMaxParticleNumber\t" << ValueToScriptString(uint32_t{m_dwMaxParticleNumber}) << "\n";
    out << "\tParticleListSize\t" << ValueToScriptString(uint32_t{m_bSpecifiedParticles ? m_dwCount : 1}) << "\n";
    out << "\t}\n";
    return out ? 0 : E_FAIL;
}
