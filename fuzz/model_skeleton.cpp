// Any bytes as a skeletal archive. The first byte's high four bits are the
// section mask (none set: all sections); the rest is the archive. What loads
// is played (every action's frames, a playing instance), written back, and
// what is written reads again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kestu.h"
#include "ou_archive.h"
#include "ou_file.h"

namespace {

using namespace Kestu;

long Read(CSkeleton& s, const uint8_t* data, size_t size, DWORD mask)
{
    COUMemFile file(data, size);
    file.Open(nullptr, OU_FILE_READ);
    COUArchive ar(&file, OU_ARCHIVE_LOAD);
    DWORD count = 0;
    const long hr = s.Serialize(ar, count, 0, 0, mask);
    if (hr >= 0 && count > size) __builtin_trap();
    return hr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    DWORD mask = data[0] & 0xF0;
    if (mask == 0) mask = 0xF0;
    CMeshDataMng::EnableCache(data[0] & 1);
    CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_SOFTWARE, nullptr);
    CMeshDataMng manager;
    CSkeleton s;
    s.SetMeshManager(&manager);
    if (Read(s, data + 1, size - 1, mask) < 0) {
        // A failed load leaves the skeleton releasable and reusable.
        s.Release();
        return 0;
    }

    CSkeleton::ActionMap::const_iterator it;
    for (IActionAdapter* adapter = s.FirstAction(it); adapter; adapter = s.NextAction(it)) {
        s.UseAction(adapter->GetID());
        for (DWORD f = 0; f < adapter->GetFrameNum() && f < 4; ++f) s.Transform(adapter->GetID(), f, nullptr);
        s.SetCurrentRef(adapter->GetID(), 0xFFFFFFFF, nullptr);
        s.UnuseAction(adapter->GetID());
    }
    CSkeletonAni ani;
    if (ani.BuildFromSkeleton(&s) == 0) {
        for (int i = 0; i < 4; ++i) ani.FrameMoveE(0.37f);
        ani.SetPlayMode(ANIPLAY_PINGPONG);
        ani.FrameMoveE(1e6f);
    }

    COUMemFile out;
    out.Open(nullptr, OU_FILE_CREATE);
    DWORD count = 0;
    long written = 0;
    {
        COUArchive ar(&out, OU_ARCHIVE_STORE);
        written = s.Serialize(ar, count, 0, 1, mask);
        ar.Close();
    }
    if (written >= 0) {
        if (count != out.GetBuffer().size()) __builtin_trap();
        CSkeleton again;
        if (Read(again, out.GetBuffer().data(), out.GetBuffer().size(), mask) < 0) __builtin_trap();
    }
    s.Release();
    manager.Release();
    return 0;
}
