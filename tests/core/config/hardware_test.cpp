#include <gtest/gtest.h>

#include "kestu_config.h"

namespace {

TEST(PixelFormat, HardwareDefaultsAndWholeRecordAssignment)
{
    EXPECT_EQ(hardware.PixelFormat(), 16);
    EXPECT_EQ(hardware.IsCDDevice(), 1);
    EXPECT_EQ(hardware.IsSurfaceLost(), 0);
    EXPECT_EQ(hardware.m_bReserved1, 1);
    EXPECT_EQ(hardware.m_bReserved2, 1);
    EXPECT_EQ(hardware.m_bPrimaryInVideoMemory, 0);

    const SHardware saved = hardware;
    SHardware other;
    other.m_nPixelFormat = 15;
    other.m_bIsCDDevice = 0;
    other.m_bIsSurfaceLost = 1;
    other.m_bReserved1 = 5;
    other.m_bReserved2 = 6;
    other.m_bPrimaryInVideoMemory = 1;
    hardware = other;
    EXPECT_EQ(hardware.PixelFormat(), 15);
    EXPECT_EQ(hardware.IsCDDevice(), 0);
    EXPECT_EQ(hardware.IsSurfaceLost(), 1);
    EXPECT_EQ(hardware.m_bReserved1, 5);
    EXPECT_EQ(hardware.m_bReserved2, 6);
    EXPECT_EQ(hardware.m_bPrimaryInVideoMemory, 1);
    hardware = saved;
}

} // namespace
