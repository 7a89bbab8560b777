// Skeleton files for the skeletal-model particle method, written with the
// engine's own Export: the sample character (untextured) walking as
// "hero.skl", ".msd", ".act", ".mtl", and action files of single clips over
// the same bones; and a particle-system manager that holds such a method.
#pragma once
#include <string>
#include <vector>

#include "kestu_particlesystemmng.h"
#include "kestu_ppsmethods.h"
#include "../../samples/common/sample_character.h"

namespace skltest {

// Clip kinds of the action files.
enum class Clip { Walk, Wave, Lie };

inline samplechar::ClipDef ClipOf(Clip kind)
{
    const samplechar::Figure hero = samplechar::Character();
    switch (kind) {
    case Clip::Walk: return hero.clips[0];
    case Clip::Wave: return hero.clips[1];
    case Clip::Lie:
        // The whole figure turned on its side about the hips, arms hanging.
        return {8, 0.5f, [](int bone, float) {
                    if (bone == 0) return samplechar::Turn(0, 1.5707964f, 0);
                    if (bone == 4) return samplechar::Turn(0, 1.3f, 0);
                    if (bone == 6) return samplechar::Turn(0, -1.3f, 0);
                    return samplechar::Turn(0, 0, 0);
                }};
    }
    return hero.clips[0];
}

// The character with the clips given, without textures.
inline samplechar::Figure Hero(const std::vector<Clip>& clips)
{
    samplechar::Figure f = samplechar::Character();
    for (samplechar::SkinDef& skin : f.skins) skin.textures.clear();
    f.clips.clear();
    for (Clip c : clips) f.clips.push_back(ClipOf(c));
    return f;
}

// Writes the sections of the mask of the character with the clips as
// path.skl, .msd, .act, .mtl (as the mask asks); the Export's result.
inline long Write(const std::string& path, const std::vector<Clip>& clips, DWORD mask)
{
    Kestu::CSkeleton s;
    samplechar::Build(Hero(clips), s);
    const long hr = s.Export(path.c_str(), 0, mask);
    s.Release();
    return hr;
}

// "hero" (walking) and one action file per clip kind: "walk.act",
// "wave.act", "lie.act", in the working folder.
inline bool WriteFiles()
{
    return Write("hero", {Clip::Walk}, Kestu::KESTU_SKL_ALL) >= 0 &&
           Write("walk", {Clip::Walk}, Kestu::KESTU_SKL_ACTIONS) >= 0 &&
           Write("wave", {Clip::Wave}, Kestu::KESTU_SKL_ACTIONS) >= 0 &&
           Write("lie", {Clip::Lie}, Kestu::KESTU_SKL_ACTIONS) >= 0;
}

// A skeletal-model method "walkers" drawing "chars/hero" with the action
// paths, and a system "crowd" whose group "people" it serves.
inline CMethodSklAni* AddCrowd(CParticleSystemMng& mng, const std::vector<const char*>& actionPaths)
{
    auto* walkers = static_cast<CMethodSklAni*>(mng.GetParticleMethodMng()->NewMethod(PPS_METHOD_SKLANI));
    walkers->SetName("walkers");
    walkers->SetSkeletonPath("chars/hero");
    CParticleSystem* crowd = mng.NewSystem();
    crowd->SetName("crowd");
    crowd->NewGroup();
    crowd->FirstGroup()->SetName("people");
    crowd->FirstGroup()->SetID(1);
    crowd->FirstGroup()->SetMaxParticleNumber(8);
    crowd->SetMethodName("walkers");
    crowd->FirstGroup()->SetMethod(walkers);
    for (const char* path : actionPaths) walkers->AddActionPath(path);
    return walkers;
}

} // namespace skltest
