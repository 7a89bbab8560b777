// A small headless device shared by the shader tests of this folder.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "support/device.h"
#include "d3d8.h"
#include "host/host.h"

class ShaderDevice : public testdevice::DeviceSuite<32, 32> {
protected:
    static std::array<float, 4> VS(DWORD reg)
    {
        std::array<float, 4> v{};
        EXPECT_EQ(device->GetVertexShaderConstant(reg, v.data(), 1), D3D_OK) << reg;
        return v;
    }
    static std::array<float, 4> PS(DWORD reg)
    {
        std::array<float, 4> v{};
        EXPECT_EQ(device->GetPixelShaderConstant(reg, v.data(), 1), D3D_OK) << reg;
        return v;
    }
    static void Poison()
    {
        std::vector<float> junk(96 * 4, -77.0f);
        device->SetVertexShaderConstant(0, junk.data(), 96);
    }
    static DWORD Stage(DWORD stage, D3DTEXTURESTAGESTATETYPE type)
    {
        DWORD v = 0;
        device->GetTextureStageState(stage, type, &v);
        return v;
    }
};

using Vec4 = std::array<float, 4>;

inline Vec4 V4(float x, float y, float z, float w) { return {x, y, z, w}; }

// Four registers read back as the matrix they hold, row by row.
inline void ExpectRegistersEqual(IDirect3DDevice8* device, DWORD reg, const float* expected, DWORD count,
                                 float tolerance = 1e-5f)
{
    std::vector<float> got(count * 4);
    ASSERT_EQ(device->GetVertexShaderConstant(reg, got.data(), count), D3D_OK);
    for (DWORD i = 0; i < count * 4; ++i)
        EXPECT_NEAR(got[i], expected[i], tolerance) << "c" << reg + i / 4 << "[" << i % 4 << "]";
}
