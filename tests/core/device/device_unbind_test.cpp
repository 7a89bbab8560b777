// Letting the device go of one resource: every stream, the indices and every
// stage that hold it are cleared; what else is bound stays.
#include <gtest/gtest.h>

#include "core/device/DeviceUnbind.h"
#include "support/device.h"

namespace {

using DeviceUnbind = testdevice::DeviceSuite<16, 16, false>;

// What the device holds (no reference kept).
IDirect3DVertexBuffer8* Stream(IDirect3DDevice8* device, UINT n)
{
    IDirect3DVertexBuffer8* vb = nullptr;
    UINT stride = 0;
    EXPECT_EQ(device->GetStreamSource(n, &vb, &stride), D3D_OK);
    if (vb) vb->Release();
    return vb;
}

IDirect3DIndexBuffer8* Indices(IDirect3DDevice8* device, UINT* base)
{
    IDirect3DIndexBuffer8* ib = nullptr;
    EXPECT_EQ(device->GetIndices(&ib, base), D3D_OK);
    if (ib) ib->Release();
    return ib;
}

IDirect3DBaseTexture8* Stage(IDirect3DDevice8* device, DWORD stage)
{
    IDirect3DBaseTexture8* t = nullptr;
    EXPECT_EQ(device->GetTexture(stage, &t), D3D_OK);
    if (t) t->Release();
    return t;
}

TEST_F(DeviceUnbind, ClearsOnlyTheBindingsOfTheGivenResource)
{
    IDirect3DVertexBuffer8 *mine = nullptr, *other = nullptr;
    IDirect3DIndexBuffer8 *indices = nullptr, *otherIndices = nullptr;
    IDirect3DTexture8 *texture = nullptr, *otherTexture = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &mine), D3D_OK);
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &other), D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &indices), D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &otherIndices), D3D_OK);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture), D3D_OK);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &otherTexture), D3D_OK);
    device->SetStreamSource(0, mine, 12);
    device->SetStreamSource(1, other, 12);
    device->SetStreamSource(3, mine, 12);
    device->SetIndices(indices, 5);
    device->SetTexture(1, texture);
    device->SetTexture(2, otherTexture);
    device->SetTexture(7, texture);

    UnbindFromDevice(mine);
    UnbindFromDevice(otherIndices); // not bound: the indices stay
    UnbindFromDevice(texture);
    UnbindFromDevice(static_cast<IDirect3DVertexBuffer8*>(nullptr));

    for (UINT n : {0u, 3u}) EXPECT_EQ(Stream(device, n), nullptr) << n;
    EXPECT_EQ(Stream(device, 1), other);
    UINT base = 0;
    EXPECT_EQ(Indices(device, &base), indices);
    EXPECT_EQ(base, 5u);
    UnbindFromDevice(indices);
    EXPECT_EQ(Indices(device, &base), nullptr);
    EXPECT_EQ(Stage(device, 1), nullptr);
    EXPECT_EQ(Stage(device, 7), nullptr);
    EXPECT_EQ(Stage(device, 2), otherTexture);

    device->SetStreamSource(1, nullptr, 0);
    device->SetTexture(2, nullptr);
    for (IUnknown* u : std::initializer_list<IUnknown*>{mine, other, indices, otherIndices, texture, otherTexture})
        EXPECT_EQ(u->Release(), 0u);
}

} // namespace
