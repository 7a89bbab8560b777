// The exported state guards: set for their life, put back wherever the value
// differs at their end, inert without a device or with a state the device
// cannot read.
#include "water_fixture.h"

namespace watertest {
namespace {

using StateGuards = WaterDevice;
using testdevice::RenderState;
using testdevice::StageState;

TEST_F(StateGuards, SetForTheirLifeAndPutBackWhateverHappenedMeanwhile)
{
    ArmGuards();
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    device->SetTextureStageState(3, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    {
        Kestu::RenderStateGuard blend(D3DRS_DESTBLEND, D3DBLEND_ONE);
        Kestu::TextureStageStateGuard address(3, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        EXPECT_EQ(RenderState(device, D3DRS_DESTBLEND), DWORD(D3DBLEND_ONE));
        EXPECT_EQ(StageState(device, 3, D3DTSS_ADDRESSU), DWORD(D3DTADDRESS_WRAP));
    }
    EXPECT_EQ(RenderState(device, D3DRS_DESTBLEND), DWORD(D3DBLEND_ZERO));
    EXPECT_EQ(StageState(device, 3, D3DTSS_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
    {
        // Already wanted, then changed by the caller: still put back.
        Kestu::RenderStateGuard blend(D3DRS_DESTBLEND, D3DBLEND_ZERO);
        Kestu::TextureStageStateGuard address(3, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        device->SetTextureStageState(3, D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR);
    }
    EXPECT_EQ(RenderState(device, D3DRS_DESTBLEND), DWORD(D3DBLEND_ZERO));
    EXPECT_EQ(StageState(device, 3, D3DTSS_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
    device->SetTextureStageState(3, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
}

TEST_F(StateGuards, InertWithoutADeviceOrOnAStageNoDeviceHas)
{
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    {
        Kestu::RenderStateGuard cull(D3DRS_CULLMODE, D3DCULL_NONE);
        EXPECT_EQ(RenderState(device, D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
    }
    ArmGuards();
    const uint64_t before = host::D3D8GetCounters().stateChanges;
    {
        // Read as a signed number this stage would be -1; its type's number is a render state's.
        Kestu::TextureStageStateGuard far(0xFFFFFFFFu, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR);
        Kestu::TextureStageStateGuard ninth(8, D3DTSS_COLOROP, D3DTOP_ADD);
    }
    EXPECT_EQ(host::D3D8GetCounters().stateChanges, before);
}

} // namespace
} // namespace watertest
