#include <ostream>

#include "kestu_datachunk.h"
#include "kestu_particlegroup.h"
#include "effects/particles/file/GroupFieldList.h"
#include "effects/particles/script/ScriptValues.h"

HRESULT CParticleGroup::CreateFromScript(CDataChunk& chunk)
{
    ReadScriptFields(chunk, this, ParticleFieldList<CParticleGroup>::kFields);
    return 0;
}

HRESULT CParticleGroup::WriteToScript(std::ostream& out)
{
    out << "\n\tGroup\t" << ScriptName(m_strName, m_dwGroupID) << "\n\t{\n";
    WriteScriptFields(out, this, ParticleFieldList<CParticleGroup>::kFields, "\t");
    out << "\t}\n";
    return out ? 0 : E_FAIL;
}
