// Reads arbitrary bytes as a particle action: either its binary record (a
// 52-byte header, then the rest) or an action script block, and runs the
// action read over a small group.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "kestu_datachunk.h"
#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "kestu_ppsmethod.h"
#include "effects/particles/actions/ActionIO.h"

namespace {

class PooledMethod : public CPPS_METHOD_BASE {
public:
    LONG AddRef(CParticleGroup* g) override { return AddRes(g); }
    HRESULT Build(IDirect3DDevice8*, CParticleGroup* g) override { return 0; }
    void Release(CParticleGroup* g) override { EraseRes(g); }
    HRESULT Render(IDirect3DDevice8*, CParticleGroup* g) override { return 0; }
    HRESULT Update(CParticleGroup* g, float) override { return 0; }
    CParticleBase* New(CParticleGroup*, int) override { return NewPooledParticle(); }
    void Delete(CParticleGroup*, CParticleBase* p) override { DeletePooledParticle(p); }
};

std::unique_ptr<SPPS_ACTION_BASE> FromRecord(const uint8_t* data, size_t size)
{
    std::stringstream record(std::string(reinterpret_cast<const char*>(data), size));
    SPPS_ACTION_DATA header;
    if (!ReadActionHeader(record, header)) return nullptr;
    std::unique_ptr<SPPS_ACTION_BASE> action(NewPPSAction(&header));
    if (!action) return nullptr;
    if (action->Serialize(record, 0) < 0) return nullptr;
    return action;
}

std::unique_ptr<SPPS_ACTION_BASE> FromScript(uint8_t which, const uint8_t* data, size_t size)
{
    std::unique_ptr<SPPS_ACTION_BASE> action(NewPPSAction(PPS_ACTION_AVOID + which % 17));
    CDataChunk chunk;
    chunk.allocate(static_cast<int>(size), data);
    action->CreateFromScript(chunk);
    chunk.clear();
    return action;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1u << 20)) return 0;
    std::unique_ptr<SPPS_ACTION_BASE> action =
        data[0] & 1 ? FromScript(data[1], data + 2, size - 2) : FromRecord(data + 1, size - 1);
    if (!action) return 0;

    std::stringstream again;
    action->Serialize(again, 1);
    std::ostringstream script;
    action->WriteToScript(script);

    PooledMethod method;
    CParticleGroup group;
    group.SetMaxParticleNumber(48);
    group.SetMethod(&method);
    group.Spawn(16);
    for (int step = 0; step < 3; ++step) {
        action->fDeltaTime = 0.05f;
        action->Update(&group);
        group.Update(0.05f);
    }
    group.Release();
    return 0;
}
