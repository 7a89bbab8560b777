// The stored fields of a particle group, for its record (GroupFile.cpp) and
// its script block (GroupScript.cpp).
#pragma once
#include "kestu_particlegroup.h"
#include "effects/particles/file/FileFields.h"
#include "effects/particles/file/RecordFieldList.h"

template <>
struct ParticleFieldList<CParticleGroup> {
    enum Slot : int8_t { kID, kSpecified, kMax, kInWorld, kName, kListSize };

    // A group without a maximum is written with its one particle.
    static uint32_t ListSize(const void* owner)
    {
        const auto& group = *static_cast<const CParticleGroup*>(owner);
        return group.m_bSpecifiedParticles ? group.m_dwCount : 1;
    }

    static constexpr RecordField kFields[] = {
        Stored<&CParticleGroup::m_dwGroupID>("GroupID", kID, LineRead::ValueOrStop),
        StoredBool<&CParticleGroup::m_bSpecifiedParticles>("bSpecifiedParticles", kSpecified, LineRead::ValueOrStop),
        StoredBool<&CParticleGroup::m_bInWorldSpace>("bInWorldSpace", kInWorld, LineRead::ValueOrStop),
        Stored<&CParticleGroup::m_dwMaxParticleNumber>("MaxParticleNumber", kMax, LineRead::ValueOrStop),
        Stored<&CParticleGroup::m_strName>(nullptr, kName, LineRead::Value, ppsfile::kNameMax),
        Derived("ParticleListSize", kListSize, &ListSize),
    };
};
