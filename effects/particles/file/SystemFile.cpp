#include <memory>

#include "kestu_particlesystem.h"
#include "kestu_ppsactions.h"
#include "kestu_ppsmethod.h"
#include "effects/particles/actions/ActionIO.h"
#include "effects/particles/file/FileFields.h"
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
    if (bWrite) {
        WriteString(stream, m_strName, kNameMax);
        WriteBytes(stream, m_szHeader, sizeof m_szHeader);
        WriteU32(stream, m_dwMajorVer);
        // The first form, which every reader of these files knows, unless
        // one of the actions holds what only the second form keeps.
        bool shortRecords = true;
        for (SPPS_ACTION_BASE* action : m_Actions) shortRecords = shortRecords && FitsShortActionRecord(*action);
        const DWORD minor = shortRecords ? kPPSMinorVerShortActions : kPPSMinorVerFullActions;
        const RecordForm form(stream, minor);
        WriteU32(stream, minor);
        WriteF32(stream, fStartTime);
        WriteF32(stream, fLifeTime);
        WriteF32(stream, fRepeatTime);
        WriteF32(stream, fExecuteTime);
        WriteString(stream, m_strMethodName, kNameMax);
        m_dwGroupCount = static_cast<DWORD>(m_Groups.size());
        WriteU32(stream, m_dwGroupCount);
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
    std::string name, methodName;
    char header[8];
    uint32_t major, minor, groups, actions;
    float times[4];
    if (!ReadString(stream, kNameMax, name) || !ReadBytes(stream, header, sizeof header) || !ReadU32(stream, major) ||
        !ReadU32(stream, minor) || !ReadF32(stream, times[0]) || !ReadF32(stream, times[1]) ||
        !ReadF32(stream, times[2]) || !ReadF32(stream, times[3]) || !ReadString(stream, kNameMax, methodName) ||
        !ReadU32(stream, groups))
        return fail();
    m_strName = name;
    std::copy(header, header + sizeof header, m_szHeader);
    m_szHeader[sizeof m_szHeader - 1] = '\0';
    m_dwMajorVer = major;
    m_dwMinorVer = minor;
    fStartTime = times[0];
    fLifeTime = times[1];
    fRepeatTime = times[2];
    fExecuteTime = times[3];
    m_strMethodName = methodName;
    m_pMethod = m_pMethodMng ? m_pMethodMng->GetMethodByName(methodName.c_str()) : nullptr;
    m_dwGroupCount = groups;
    for (uint32_t i = 0; i < groups; ++i) {
        auto* group = new CParticleGroup;
        if (group->Serialize(stream, 0) != 0) {
            group->Release();
            delete group;
            return fail();
        }
        group->SetMethod(m_pMethod);
        m_Groups.push_back(group);
    }
    if (!ReadU32(stream, actions)) return fail();
    const RecordForm form(stream, minor);
    for (uint32_t i = 0; i < actions; ++i) {
        SPPS_ACTION_BASE* action = ReadAction(stream);
        if (!action) return fail();
        m_Actions.push_back(action);
    }
    return 0;
}
