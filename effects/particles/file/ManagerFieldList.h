// The stored fields of the particle-system manager and of its method set,
// for their records (ManagerFile.cpp, MethodSetFile.cpp) and their script
// blocks (ManagerScript.cpp). The set's methods follow its fields; the
// manager's method set comes after its own first fields, its systems after
// the rest.
#pragma once
#include "kestu_particlesystemmng.h"
#include "kestu_ppsmethod.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/RecordFieldList.h"
#include "effects/particles/file/SystemVersions.h"

template <>
struct ParticleFieldList<CParticleMethodMng> {
    static constexpr RecordField kFields[] = {
        Stored<&CParticleMethodMng::m_dwMethodCount>("MethodNum", 0, LineRead::ValueOrSkip),
    };
};

template <>
struct ParticleFieldList<CParticleSystemMng> {
    static uint32_t ScriptMajorVer(const void*) { return kPPSMajorVer; }
    static uint32_t ScriptMinorVer(const void*) { return kPPSMinorVerShortActions; }

    static constexpr RecordField kFields[] = {
        StoredBytes<&CParticleSystemMng::m_szHeader>("//Header", 0, LineRead::Owner),
        Stored<&CParticleSystemMng::m_dwMajorVer>(nullptr, 1),
        Stored<&CParticleSystemMng::m_dwMinorVer>(nullptr, 2),
        Derived("//MajorVer", -1, &ScriptMajorVer),
        Derived("//MinorVer", -1, &ScriptMinorVer),
        // Read by the manager, which hands the path to its texture manager.
        Stored<&CParticleSystemMng::m_strTextureIDXPath>("TextureIDXPath", 3, LineRead::Owner, ppsfile::kPathMax),
        // The method set comes here; the count is written before the systems.
        Stored<&CParticleSystemMng::m_dwSystemCount>("SystemNum", -1, LineRead::ValueOrSkip),
    };
    // The entries before the method set, and the rest.
    static constexpr RecordFieldList kBeforeMethods = RecordFieldList(kFields).first(6);
    static constexpr RecordFieldList kAfterMethods = RecordFieldList(kFields).subspan(6);
};
