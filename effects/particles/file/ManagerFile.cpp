#include <algorithm>

#include "kestu_particlesystemmng.h"
#include "kestu_log.h"
#include "effects/particles/ReadBounds.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/ManagerFieldList.h"

HRESULT CParticleSystemMng::Serialize(std::iostream& stream, int bWrite)
{
    using namespace ppsfile;
    using Fields = ParticleFieldList<CParticleSystemMng>;
    if (bWrite) {
        static const char kHeader[12] = "PPS_DAT_MNG";
        std::copy(kHeader, kHeader + sizeof kHeader, m_szHeader);
        WriteRecord(stream, this, Fields::kFields);
        if (m_pMethodMng) {
            if (m_pMethodMng->Serialize(stream, 1) != 0) return E_FAIL;
        } else {
            WriteU32(stream, 0);
        }
        m_dwSystemCount = GetSystemCount();
        WriteU32(stream, m_dwSystemCount);
        for (CParticleSystem* system : m_Systems)
            if (system->Serialize(stream, 1) != 0) return E_FAIL;
        return StreamResult(stream);
    }

    Clear();
    if (!m_pMethodMng) m_pMethodMng = new CParticleMethodMng;
    LoadedParticles(stream) = 0;
    const auto fail = [this] {
        Clear();
        KestuSaveLog(KESTU_LOG_ERROR, "Error: particle file refused: it breaks off or holds what the format cannot\n");
        return E_FAIL;
    };
    if (!ReadRecord(stream, this, Fields::kFields)) return fail();
    uint32_t count;
    if (m_pMethodMng->Serialize(stream, 0) != 0 || !ReadU32(stream, count)) return fail();
    m_dwSystemCount = count;
    ParticleReadTotals totals("file");
    for (uint32_t i = 0; i < count; ++i) {
        CParticleSystem* system = NewSystem();
        if (system->Serialize(stream, 0) != 0) return fail();
        if (!totals.Add(*system)) {
            Clear();
            return E_FAIL;
        }
    }
    return 0;
}
