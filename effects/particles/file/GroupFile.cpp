#include <algorithm>

#include "kestu_particlegroup.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/GroupFieldList.h"

HRESULT CParticleGroup::Serialize(std::iostream& stream, int bWrite)
{
    using namespace ppsfile;
    using Fields = ParticleFieldList<CParticleGroup>;
    if (bWrite) {
        WriteRecord(stream, this, Fields::kFields);
        return StreamResult(stream);
    }
    RecordValues values(Fields::kFields);
    if (!values.Read(stream)) return E_FAIL;
    const bool specified = values.Word(Fields::kSpecified) != 0;
    const uint32_t count = values.Word(Fields::kListSize);
    long& loaded = LoadedParticles(stream);
    if (!specified &&
        (count > std::max<uint32_t>(values.Word(Fields::kMax), 1) || count > kLoadedParticlesTotal - loaded)) {
        Refuse(stream);
        return E_FAIL;
    }
    values.Store(this);
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
