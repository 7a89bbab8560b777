// Any bytes read as a GMA file: what reads must write back byte for byte, and
// a playing mesh built from the same bytes plays in every mode.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "kestu_gmafile.h"
#include "kestu_meshani.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CGmaFile file;
    if (SUCCEEDED(file.Read(data, size))) {
        std::vector<BYTE> out;
        if (FAILED(file.Write(out)) || out.size() != size || !std::equal(out.begin(), out.end(), data)) std::abort();
        for (DWORD list = 0; list < file.GetNumMaterialLists(); ++list)
            for (const SGmaMaterial& m : file.GetMaterials(list)) {
                char name[GMA_TEXNAME_SIZE];
                m.head.GetTextureName(name);
            }
        SMeshAniHeader h = file.header;
        h.AutoFixSpecialAttribID();
    }
    CMeshAni player;
    if (FAILED(player.BuildFromFileInMemory(data, DWORD(size), 1))) return 0;
    const ENUM_ANIPLAY_MODE modes[] = {ANIPLAY_ONCE, ANIPLAY_LOOP, ANIPLAY_PINGPONG_ONCE, ANIPLAY_PINGPONG};
    for (ENUM_ANIPLAY_MODE mode : modes)
        for (BOOL forward : {TRUE, FALSE}) {
            player.Play(0.0f, mode, forward, 0.0f);
            for (int step = 1; step < 12; ++step) {
                player.FrameMove(0.37f * float(step));
                if (player.GetCurrentFrame() >= player.GetNumFrames()) std::abort();
            }
        }
    player.SetSpeed(-2.5f);
    player.SetCycle(1, player.GetNumFrames() - 1);
    player.SetAbsPosOfFrame(1, 0.5f);
    CMeshAni copy(player);
    while (SUCCEEDED(copy.RemoveFrame(0))) copy.FrameMove(100.0f);
    copy.Rewind(TRUE);
    return 0;
}
