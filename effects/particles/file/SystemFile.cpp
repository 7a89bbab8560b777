#include <memory>

#include "kestu_particlesystem.h"
#include "kestu_ppsactions.h"
#include "kestu_ppsmethod.h"
#include "effects/particles/actions/ActionIO.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/SystemFieldList.h"
#include "effects/particles/file/SystemVersions.h"

namespace {
// An action from its record: the 52-byte header makes the action of its id,
// which reads the rest. Null for an unknown id or a record cut short.
SPPS_ACTION_BASE* ReadAction(std::iostream& stream)
{
    SPPS_ACTION_DATA header;
    if (!ReadActionHeader(stream, header)) return nullptr;
    std::unique_ptr<SPPS_ACTION_BASE> action(NewPPSAction(&header));
    if (!action) {
        ppsfile::Refuse(stream);
        return nullptr;
    }
    if (action->Serialize(stream, 0) != 0) return nullptr;
    action->CheckSum();
    return action.release();
}

// The stream's action-record form for the length of a system record.
class RecordForm {
public:
    RecordForm(std::ios& stream, DWORD minorVer) : m_Stream(stream), m_nSaved(stream.iword(ActionRecordFormSlot()))
    {
        // Only our own minor version holds the long records; every other
        // value, whoever wrote it, holds the short ones.
        m_Stream.iword(ActionRecordFormSlot()) = minorVer == kPPSMinorVerFullActions ? 0 : kShortActionRecords;
    }
    ~RecordForm() { m_Stream.iword(ActionRecordFormSlot()) = m_nSaved; }

private:
    std::ios& m_Stream;
    long m_nSaved;
};
} // namespace

HRESULT CParticleSystem::Serialize(std::iostream& stream, int bWrite)
{
    using namespace ppsfile;
    using Fields = ParticleFieldList<CParticleSystem>;
    if (bWrite) {
        m_dwGroupCount = GetGroupCount();
        WriteRecord(stream, this, Fields::kFields);
        const RecordForm form(stream, Fields::RecordMinorVer(this));
        for (CParticleGroup* group : m_Groups)
            if (group->Serialize(stream, 1) != 0) return E_FAIL;
        WriteU32(stream, static_cast<uint32_t>(m_Actions.size()));
        for (SPPS_ACTION_BASE* action : m_Actions)
            if (action->Serialize(stream, 1) != 0) return E_FAIL;
        return StreamResult(stream);
    }

    Release();
    const auto fail = [this] {
        Release();
        return E_FAIL;
    };
    if (!ReadRecord(stream, this, Fields::kFields)) return fail();
    m_pMethod = m_pMethodMng ? m_pMethodMng->GetMethodByName(m_strMethodName.c_str()) : nullptr;
    for (uint32_t i = 0; i < m_dwGroupCount; ++i) {
        auto* group = new CParticleGroup;
        if (group->Serialize(stream, 0) != 0) {
            group->Release();
            delete group;
            return fail();
        }
        group->SetMethod(m_pMethod);
        m_Groups.push_back(group);
    }
    uint32_t actions;
    if (!ReadU32(stream, actions)) return fail();
    const RecordForm form(stream, m_dwMinorVer);
    for (uint32_t i = 0; i < actions; ++i) {
        SPPS_ACTION_BASE* action = ReadAction(stream);
        if (!action) return fail();
        m_Actions.push_back(action);
    }
    return 0;
}
