// Reads arbitrary bytes as a billboard animation buffer: the whole group, a
// range of it, and a multi-directional billboard over it; plays what was
// built through every mode.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "kestu_bbanimation.h"
#include "kestu_billboard.h"

namespace {

void Play(CAnimation* ani, ENUM_ANIPLAY_MODE mode, int forward)
{
    ani->Play(0.0f, mode, forward, 0.0f);
    for (float now : {0.05f, 0.5f, 3.0f, 1.0e6f, 1.0e30f}) {
        ani->FrameMove(now);
        (void)ani->GetCurrentFrame()->m_Init.dwTextureID;
    }
}

void Exercise(CAnimation** group, DWORD count)
{
    for (DWORD i = 0; i < count; ++i) {
        auto* ani = static_cast<CBBAni*>(group[i]);
        for (ENUM_ANIPLAY_MODE mode : {ANIPLAY_ONCE, ANIPLAY_LOOP, ANIPLAY_PINGPONG_ONCE, ANIPLAY_PINGPONG})
            for (int forward : {0, 1}) Play(ani, mode, forward);
        ani->GetNextFrameCyclic(1.0e7f);
        ani->GetPreviousFrameCyclic(2.0e7f);
        ani->SetCycle(1, 2);
        ani->SetCurrentFrame(3);
        ani->SetPosition(0.5f);
        float w = 0.0f;
        ani->GetMaxWidth(w);
        ani->GetMinHeight(w);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const DWORD length = static_cast<DWORD>(size);
    CAnimation** group = nullptr;
    const DWORD count = BuildBBAnimationGroup(group, data, length);
    Exercise(group, count);
    DeleteBBAnimationGroup(group, count);

    const DWORD first = size > 0 ? data[0] % 4 : 0;
    const DWORD n = BuildBBAnimationGroup(group, data, length, first, 2);
    Exercise(group, n);
    DeleteBBAnimationGroup(group, n);

    SBBMultiDirInit init;
    init.dwValid = 1;
    init.pAniBuffer = data;
    init.dwAniBufferSize = length;
    init.dwMultiDirAniNumber = 2;
    init.dwDirectionNumber = size > 1 ? data[1] % 8 : 4;
    CBBMultiDir billboard;
    if (billboard.Build(&init) == S_OK) {
        billboard.PlayAni(1, 0.0f, ANIPLAY_LOOP, 1, 0.0f);
        billboard.FrameMove(0.5f);
        billboard.FrameMove(7.0f);
    }
    return 0;
}
