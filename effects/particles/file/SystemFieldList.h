// The stored fields of a particle system, for its record (SystemFile.cpp)
// and its script block (SystemScript.cpp). Its groups and actions follow
// them.
#pragma once
#include "kestu_particlesystem.h"
#include "effects/particles/actions/ActionIO.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/RecordFieldList.h"
#include "effects/particles/file/SystemVersions.h"

template <>
struct ParticleFieldList<CParticleSystem> {
    enum Slot : int8_t { kName, kHeader, kMajor, kMinor, kStart, kLife, kRepeat, kExecute, kMethodName, kGroups };

    // The first form, which every reader of these files knows, unless one of
    // the actions holds what only the second form keeps.
    static uint32_t RecordMinorVer(const void* owner)
    {
        for (SPPS_ACTION_BASE* action : static_cast<const CParticleSystem*>(owner)->m_Actions)
            if (!FitsShortActionRecord(*action)) return kPPSMinorVerFullActions;
        return kPPSMinorVerShortActions;
    }
    // The script's records have one form whatever the system was read with.
    static uint32_t ScriptMajorVer(const void*) { return kPPSMajorVer; }
    static uint32_t ScriptMinorVer(const void*) { return kPPSMinorVerShortActions; }

    static constexpr RecordField kFields[] = {
        Stored<&CParticleSystem::m_strName>(nullptr, kName, LineRead::Value, ppsfile::kNameMax),
        StoredBytes<&CParticleSystem::m_szHeader>("Header", kHeader, LineRead::Owner),
        Stored<&CParticleSystem::m_dwMajorVer>(nullptr, kMajor),
        WrittenAs(Stored<&CParticleSystem::m_dwMinorVer>(nullptr, kMinor), &RecordMinorVer),
        Derived("//MajorVer", -1, &ScriptMajorVer),
        Derived("//MinorVer", -1, &ScriptMinorVer),
        Stored<&CParticleSystem::fStartTime>("fStartTime", kStart),
        Stored<&CParticleSystem::fLifeTime>("fLifeTime", kLife),
        Stored<&CParticleSystem::fRepeatTime>("fRepeatTime", kRepeat),
        Stored<&CParticleSystem::fExecuteTime>("fExecuteTime", kExecute),
        // Read by the system, which binds the method of that name.
        Stored<&CParticleSystem::m_strMethodName>("MapMethodName", kMethodName, LineRead::Owner, ppsfile::kNameMax),
        Stored<&CParticleSystem::m_dwGroupCount>("GroupSize", kGroups, LineRead::ValueOrSkip),
    };
};
