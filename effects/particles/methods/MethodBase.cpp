#include <algorithm>
#include <iostream>
#include <vector>

#include "kestu_bytes.h"
#include "kestu_datachunk.h"
#include "kestu_particle.h"
#include "kestu_ppsmethod.h"
#include "effects/particles/script/ScriptValues.h"

namespace {
// The longest method name the particle files hold.
constexpr uint32_t kMethodNameMax = 19;
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
        const uint32_t n = static_cast<uint32_t>(std::min<size_t>(m_strName.size(), kMethodNameMax));
        uint8_t lengthBytes[4];
        kestu::PutU32(lengthBytes, n);
        stream.write(reinterpret_cast<const char*>(lengthBytes), 4);
        stream.write(m_strName.data(), n);
        return stream ? 0 : E_FAIL;
    }
    uint8_t lengthBytes[4];
    char name[kMethodNameMax + 1] = {};
    if (!stream.read(reinterpret_cast<char*>(lengthBytes), 4)) return E_FAIL;
    const uint32_t n = kestu::GetU32(lengthBytes);
    if (n > kMethodNameMax || !stream.read(name, n)) {
        stream.setstate(std::ios::failbit);
        return E_FAIL;
    }
    m_strName = name;
    return 0;
}

HRESULT CPPS_METHOD_BASE::CreateFromScript(CDataChunk& chunk)
{
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        // The search stays inside the method's block.
        if (ScriptKeyIs(line, "}")) return 1;
        if (!ScriptKeyIs(line, "Method")) continue;
        const std::vector<std::string> tokens = SplitTokens(line);
        if (tokens.size() < 2) continue;
        m_strName = tokens[1];
        return 0;
    }
    return 1;
}

HRESULT CPPS_METHOD_BASE::WriteToScript(std::ostream& out)
{
    out << "{" << "\n" << "Method" << "\t" << m_strName << "\n";
    return 0;
}
