#include <ostream>

#include "kestu_datachunk.h"
#include "kestu_particlesystemmng.h"
#include "kestu_ppsmethods.h"
#include "effects/particles/ReadBounds.h"
#include "effects/particles/file/ManagerFieldList.h"
#include "effects/particles/script/ScriptBlocks.h"
#include "effects/particles/script/ScriptValues.h"

HRESULT CParticleMethodMng::CreateFromScript(CDataChunk& chunk)
{
    Clear();
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "}")) break;
        if (ReadScriptField(chunk, line, this, ParticleFieldList<CParticleMethodMng>::kFields) != ScriptLine::Other)
            continue;
        std::string value;
        const bool valued = ScriptValueOf(line, value);
        if (ScriptKeyIs(line, "MethodType")) {
            // The method's block is read by itself, so that a block that
            // ends early leaves the method set whole.
            ScriptBlock block;
            if (!TakeBlock(chunk, block) || !valued) continue;
            uint32_t type;
            ScriptStringToValue(value, type);
            CPPS_METHOD_BASE* method = NewMethod(type);
            if (!method) continue;
            method->CreateFromScript(block.chunk);
            if (type == PPS_METHOD_POINTSPRITE && m_pDevice)
                static_cast<CMethodPointSprite*>(method)->LoadTexture(m_pDevice);
        }
    }
    return 0;
}

HRESULT CParticleMethodMng::WriteToScript(std::ostream& out)
{
    m_dwMethodCount = GetMethodCount();
    out << "{\n\n\n";
    out << "MethodSet\t\n";
    WriteScriptFields(out, this, ParticleFieldList<CParticleMethodMng>::kFields, "");
    out << "\n";
    for (auto& entry : m_Methods) {
        out << "MethodType\t" << ValueToScriptString(uint32_t{entry.dwType}) << "\n";
        if (HRESULT hr = entry.pMethod->WriteToScript(out)) return hr;
        out << "\n\n";
    }
    out << "}\n";
    return out ? 0 : E_FAIL;
}

HRESULT CParticleSystemMng::CreateFromScript(CDataChunk& chunk)
{
    Clear();
    if (!m_pMethodMng) m_pMethodMng = new CParticleMethodMng;
    ParticleReadTotals totals("script");
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (ScriptKeyIs(line, "}")) break;
        if (ReadScriptField(chunk, line, this, ParticleFieldList<CParticleSystemMng>::kFields) != ScriptLine::Other)
            continue;
        std::string value;
        const bool valued = ScriptValueOf(line, value);
        if (ScriptKeyIs(line, "TextureIDXPath")) {
            if (valued) SetTextureIDXPath(value.c_str());
        } else if (ScriptKeyIs(line, "MethodSet")) {
            // A set read after systems replaces the methods they hold: they
            // let go of them first and bind theirs again by name after.
            for (CParticleSystem* system : m_Systems) {
                system->ReleaseAllGroupInMethod();
                system->SetMethod(nullptr);
            }
            m_pMethodMng->CreateFromScript(chunk);
            for (CParticleSystem* system : m_Systems) {
                const std::string name = system->GetMethodName();
                if (!name.empty()) system->SetMethodName(name.c_str());
            }
        } else if (ScriptKeyIs(line, "ParticleSystem")) {
            // A system block is read by itself; one without a name is passed
            // over whole.
            ScriptBlock block;
            if (!TakeBlock(chunk, block) || !valued) continue;
            CParticleSystem* system = NewSystem();
            system->SetName(value.c_str());
            system->CreateFromScript(block.chunk);
            if (!totals.Add(*system)) {
                Clear();
                return E_FAIL;
            }
        }
    }
    return 0;
}

HRESULT CParticleSystemMng::WriteToScript(std::ostream& out)
{
    using Fields = ParticleFieldList<CParticleSystemMng>;
    out << "{\n";
    WriteScriptFields(out, this, Fields::kBeforeMethods, "");
    if (m_pMethodMng) {
        if (HRESULT hr = m_pMethodMng->WriteToScript(out)) return hr;
    } else {
        CParticleMethodMng empty;
        empty.WriteToScript(out);
    }
    m_dwSystemCount = GetSystemCount();
    WriteScriptFields(out, this, Fields::kAfterMethods, "");
    for (CParticleSystem* system : m_Systems) {
        if (HRESULT hr = system->WriteToScript(out)) return hr;
        out << "\n\n\n\n";
    }
    out << "}\n";
    return out ? 0 : E_FAIL;
}
