#include "kestu_ppsmethod.h"
#include "kestu_ppsmethods.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/ManagerFieldList.h"

HRESULT CParticleMethodMng::Serialize(std::iostream& stream, int bWrite)
{
    using namespace ppsfile;
    if (bWrite) {
        m_dwMethodCount = GetMethodCount();
        WriteRecord(stream, this, ParticleFieldList<CParticleMethodMng>::kFields);
        for (auto& entry : m_Methods) {
            WriteU32(stream, entry.dwType);
            if (entry.pMethod->Serialize(stream, 1) != 0) return E_FAIL;
        }
        return StreamResult(stream);
    }
    Clear();
    if (!ReadRecord(stream, this, ParticleFieldList<CParticleMethodMng>::kFields)) return E_FAIL;
    const uint32_t count = m_dwMethodCount;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t type;
        if (!ReadU32(stream, type)) break;
        CPPS_METHOD_BASE* method = NewMethod(type);
        if (!method) {
            Refuse(stream);
            break;
        }
        if (method->Serialize(stream, 0) != 0) break;
        if (type == PPS_METHOD_POINTSPRITE && m_pDevice)
            static_cast<CMethodPointSprite*>(method)->LoadTexture(m_pDevice);
    }
    if (stream) return 0;
    Clear();
    return E_FAIL;
}
