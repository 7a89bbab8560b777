#include <memory>
#include <ostream>

#include "kestu_datachunk.h"
#include "kestu_particlesystem.h"
#include "kestu_ppsactions.h"
#include "kestu_ppsmethod.h"
#include "effects/particles/file/SystemFieldList.h"
#include "effects/particles/script/ScriptBlocks.h"
#include "effects/particles/script/ScriptValues.h"

namespace {

// The action an "Action" block describes, or null when its first line is no
// "ActionID" line with a known id.
SPPS_ACTION_BASE* ReadAction(CDataChunk& block, const std::string& name)
{
    const std::string first = NextContentLine(block);
    std::string idText;
    if (!ScriptKeyIs(first, "ActionID") || !ScriptValueOf(first, idText)) return nullptr;
    uint32_t id;
    ScriptStringToValue(idText, id);
    std::unique_ptr<SPPS_ACTION_BASE> action(NewPPSAction(id));
    if (!action) return nullptr;
    action->SetName(name.c_str());
    action->CreateFromScript(block);
    return action.release();
}
} // namespace

HRESULT CParticleSystem::CreateFromScript(CDataChunk& chunk)
{
    // What the system held is freed, not handed on: nobody takes it over.
    Release();
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "}")) break;
        if (ReadScriptField(chunk, line, this, ParticleFieldList<CParticleSystem>::kFields) != ScriptLine::Other)
            continue;
        std::string value;
        const bool valued = ScriptValueOf(line, value);
        if (ScriptKeyIs(line, "MapMethodName")) {
            if (valued) {
                m_strMethodName = value;
                SetMethod(m_pMethodMng ? m_pMethodMng->GetMethodByName(value.c_str()) : nullptr);
            } else {
                // A system written without a method name keeps the blocks
                // that follow.
                SetMethod(m_pMethodMng ? m_pMethodMng->FirstMethod() : nullptr);
            }
        } else if (ScriptKeyIs(line, "Group")) {
            ScriptBlock block;
            if (!TakeBlock(chunk, block) || !valued) continue;
            CParticleGroup* group = MakeGroup();
            group->SetName(value.c_str());
            group->CreateFromScript(block.chunk);
            group->SetMethod(m_pMethod);
            m_Groups.push_back(group);
        } else if (ScriptKeyIs(line, "Action") && !ScriptKeyIs(line, "ActionSize")) {
            // An action block, broken or not, is read by itself, so that none
            // of its lines reaches the system's keys.
            if (!valued && !BlockFollows(chunk)) continue;
            ScriptBlock block;
            if (!TakeBlock(chunk, block)) continue;
            if (SPPS_ACTION_BASE* action = ReadAction(block.chunk, value)) m_Actions.push_back(action);
        }
    }
    return 0;
}

HRESULT CParticleSystem::WriteToScript(std::ostream& out)
{
    out << "\nParticleSystem\t" << ScriptName(m_strName, m_dwID) << "\n{\n";
    m_dwGroupCount = GetGroupCount();
    WriteScriptFields(out, this, ParticleFieldList<CParticleSystem>::kFields, "");
    for (CParticleGroup* group : m_Groups)
        if (HRESULT hr = group->WriteToScript(out)) return hr;
    for (SPPS_ACTION_BASE* action : m_Actions)
        if (HRESULT hr = action->WriteToScript(out)) return hr;
    out << "}\n";
    return out ? 0 : E_FAIL;
}
