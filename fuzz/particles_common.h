// What the particle-file fuzz targets do with a manager they have read: write
// it in both forms, read those back, and run its systems a few steps on
// small groups.
#pragma once
#include <sstream>
#include <string>

#include "kestu_datachunk.h"
#include "kestu_particlesystemmng.h"

namespace ppsfuzz {

inline void Exercise(CParticleSystemMng& mng)
{
    std::stringstream binary;
    mng.Serialize(binary, 1);
    std::ostringstream script;
    mng.WriteToScript(script);

    CParticleSystemMng fromBinary;
    std::stringstream again(binary.str());
    fromBinary.Serialize(again, 0);
    CParticleSystemMng fromScript;
    const std::string text = script.str();
    CDataChunk chunk;
    chunk.allocate(static_cast<int>(text.size()), text.data());
    fromScript.CreateFromScript(chunk);
    chunk.clear();

    // The groups' maximum bounds what SOURCE may add.
    CParticleSystemMng::iterator it = mng.FirstSystemPosition();
    while (CParticleSystem* system = mng.NextSystem(it)) {
        CParticleSystem::group_iterator g = system->FirstGroupPosition();
        while (CParticleGroup* group = system->NextGroup(g))
            if (group->GetMaxParticleNumber() > 64) group->SetMaxParticleNumber(64);
    }
    for (int step = 0; step < 3; ++step) mng.Logic(0.05f);
    mng.Clear();
}

} // namespace ppsfuzz
