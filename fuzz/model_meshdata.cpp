// Any bytes as a "MESHDATA" chunk. The first byte picks how the chunk is
// read (bit 0: the archive has a version, bit 1: the bone-batch section,
// bit 2: texture coordinates are expanded); the rest is the chunk from its
// tag on. A chunk the reader takes must write back and read again to the
// same bytes, deform, cut into batches, build on a device and draw on the
// software and the shader path.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kestu.h"
#include "ou_archive.h"
#include "ou_file.h"
#include "support/device.h"

namespace {

using namespace Kestu;

IDirect3DDevice8* Device()
{
    static IDirect3D8* d3d = nullptr;
    static IDirect3DDevice8* device = nullptr;
    if (!device) {
        const D3DPRESENT_PARAMETERS pp =
            testdevice::DefaultParameters(16, 16, testdevice::FakeWindow(0xF025), true, false);
        testdevice::CreateShared(pp, d3d, device);
    }
    return device;
}

CMeshDataBase* Read(const uint8_t* data, size_t size, DWORD version, DWORD flags, CMeshDataMng* mng)
{
    COUMemFile file(data, size);
    file.Open(nullptr, OU_FILE_READ);
    COUArchive ar(&file, OU_ARCHIVE_LOAD);
    DWORD count = 0;
    CMeshDataBase* mesh = ReadMeshDataChunk(ar, count, version, flags, 1, 0, mng);
    if (mesh && count > size) __builtin_trap();
    return mesh;
}

std::vector<BYTE> Write(CMeshDataBase& mesh, DWORD version, DWORD flags)
{
    COUMemFile file;
    file.Open(nullptr, OU_FILE_CREATE);
    DWORD count = 0;
    COUArchive ar(&file, OU_ARCHIVE_STORE);
    if (mesh.Serialize(version, flags, ar, count, 1, 1, 0) != 1) __builtin_trap();
    ar.Close();
    if (count != file.GetBuffer().size()) __builtin_trap();
    return file.GetBuffer();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const DWORD version = (data[0] & 1) ? 2 : 0xFFFFFFFF;
    const DWORD flags = (data[0] & 2) ? 5 : 1;
    CMeshDataMng manager;
    CMeshDataMng::EnableTexCoordExpand((data[0] & 4) ? 1 : 0);
    CMeshDataMng::EnableCache(0);
    CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_SOFTWARE, nullptr);
    CMeshDataBase* mesh = Read(data + 1, size - 1, version, flags, &manager);
    if (!mesh) return 0;
    mesh->AddRef();

    // What was read writes back and reads again to the same bytes.
    CMeshDataMng::EnableTexCoordExpand(0);
    const std::vector<BYTE> once = Write(*mesh, version, flags);
    CMeshDataBase* again = Read(once.data(), once.size(), version, flags, nullptr);
    if (!again) __builtin_trap();
    again->AddRef();
    if (Write(*again, version, flags) != once) __builtin_trap();
    again->Release();

    // Deform with a few bones, some past the palette.
    std::vector<CSkAniBone> bones(8);
    std::vector<CSkAniBone*> pointers(8);
    std::vector<D3DXMATRIX> offsets(8), palette(8);
    for (int b = 0; b < 8; ++b) {
        D3DXMATRIX m;
        D3DXMatrixRotationZ(&m, 0.1f * float(b));
        bones[b].SetRootMatrix(&m);
        D3DXMatrixIdentity(&offsets[b]);
        pointers[b] = &bones[b];
    }
    mesh->EnableNormalCalc(1);
    mesh->Deform(pointers.data(), 8, offsets.data(), nullptr, nullptr);
    mesh->UpdateVertexNormal(mesh->GetVertexData());

    IDirect3DDevice8* device = Device();
    if (device) {
        manager.Build(device);
        CMeshDataRef ref;
        ref.Build(device, mesh);
        mesh->SetMeshDataMng(&manager);
        device->BeginScene();
        ref.Render(nullptr);
        if (manager.SetSkeletonRenderPath(KESTU_SKLPATH_VS_LIGHT) == 1) {
            mesh->BuildVsVertexBuffer(device, pointers.data(), 8);
            mesh->Deform(pointers.data(), 8, offsets.data(), palette.data(), ref.GetVertexBuffer());
            ref.Render(palette.data());
        }
        device->EndScene();
        CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_SOFTWARE, nullptr);
        mesh->SetMeshDataMng(nullptr);
    }
    mesh->SplitIdxToLimitBones(1);
    mesh->RecalculateInflunece(0.2f);
    mesh->Release();
    return 0;
}
