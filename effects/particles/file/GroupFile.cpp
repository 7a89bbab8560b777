#include <algorithm>

#include "kestu_particlegroup.h"
#include "effects/particles/file/FileFields.h"

HRESULT CParticleGroup::Serialize(std::iostream& stream, int bWrite)
{
    using namespace ppsfile;
    if (bWrite) {
        WriteU32(stream, m_dwGroupID);
        WriteI32(stream, m_bSpecifiedParticles);
        WriteU32(stream, m_dwMaxParticleNumber);
        WriteI32(stream, m_bInWorldSpace);
        WriteString(stream, m_strName, kNameMax);
        WriteU32(stream, m_bSpecifiedParticles ? m_dwCount : 1);
        return StreamResult(stream);
    }
    uint32_t id, max, count;
    int32_t specified, inWorld;
    std::string name;
    if (!ReadU32(stream, id) || !ReadI32(stream, specified) || !ReadU32(stream, max) || !ReadI32(stream, inWorld) ||
        !ReadString(stream, kNameMax, name) || !ReadU32(stream, count))
        return E_FAIL;
    // A group without a maximum is still written with its one particle.
    long& loaded = LoadedParticles(stream);
    if (!specified && (count > std::max<uint32_t>(max, 1) || count > kLoadedParticlesTotal - loaded)) {
        Refuse(stream);
        return E_FAIL;
    }
    m_dwGroupID = id;
    m_bSpecifiedParticles = specified;
    m_dwMaxParticleNumber = max;
    m_bInWorldSpace = inWorld;
    m_strName = name;
    if (!specified) {
        loaded += count;
        for (uint32_t i = 0; i < count; ++i) {
            CParticleBase* p = AllocParticle();
            if (!p) return E_OUTOFMEMORY;
            Append(p);
        }
    }
    return 0;
}
