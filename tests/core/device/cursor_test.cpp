#include <cstring>

#include "core/device/D3DUtilCursor.h"
#include "engine_fixture.h"

namespace {

// Pixel of a locked image with rows `pitch` bytes apart.
DWORD At(const std::vector<BYTE>& bits, INT pitch, DWORD x, DWORD y)
{
    DWORD v;
    std::memcpy(&v, bits.data() + y * pitch + x * 4, 4);
    return v;
}

TEST(CursorImage, BlackAndWhiteMaskHonoursThePitch)
{
    const DWORD w = 32, srcH = 64, dstH = 32;
    // Bottom-up rows: rows 0..31 hold the XOR (colour) half, rows 32..63 the AND mask.
    std::vector<DWORD> mask(w * srcH, 0);
    for (DWORD row = 0; row < dstH; ++row)
        for (DWORD x = 0; x < w; ++x) mask[row * w + x] = 0x00010000u * row + x;
    // Transparent where the AND mask is set: the top image row's right half.
    for (DWORD x = 16; x < w; ++x) mask[(srcH - 1) * w + x] = 0xFFFFFFu;

    const INT pitch = w * 4 + 24;
    std::vector<BYTE> bits(pitch * dstH, 0xAB);
    D3DUtil_FillCursorImage(bits.data(), pitch, w, dstH, srcH, mask.data(), nullptr, FALSE);
    for (DWORD y = 0; y < dstH; ++y) {
        for (DWORD x = 0; x < w; ++x) {
            const DWORD colour = 0x00010000u * (dstH - 1 - y) + x;
            const DWORD expected = (y == 0 && x >= 16) ? 0u : (0xFF000000u | colour);
            ASSERT_EQ(At(bits, pitch, x, y), expected) << x << "," << y;
        }
        for (INT pad = w * 4; pad < pitch; ++pad) ASSERT_EQ(bits[y * pitch + pad], 0xAB) << "row " << y;
    }
}

TEST(CursorImage, ColourCursorAndMark)
{
    const DWORD w = 16, h = 8;
    std::vector<DWORD> mask(w * h, 0), color(w * h, 0x00102030u);
    mask[(h - 1) * w + 13] = 1; // transparent at (13, 0)
    std::vector<BYTE> bits(w * 4 * h);
    D3DUtil_FillCursorImage(bits.data(), w * 4, w, h, h, mask.data(), color.data(), TRUE);
    static const WORD kMark[5] = {0xCCC0, 0xA2A0, 0xA4A0, 0xA2A0, 0xCCC0};
    for (DWORD y = 0; y < h; ++y) {
        for (DWORD x = 0; x < w; ++x) {
            DWORD expected = (x == 13 && y == 0) ? 0u : 0xFF102030u;
            if (x < 12 && y < 5 && (kMark[y] & (1u << (15 - x)))) expected |= 0xFF808080u;
            EXPECT_EQ(At(bits, w * 4, x, y), expected) << x << "," << y;
        }
    }
    // Without the mark the corner is the cursor alone.
    D3DUtil_FillCursorImage(bits.data(), w * 4, w, h, h, mask.data(), color.data(), FALSE);
    EXPECT_EQ(At(bits, w * 4, 0, 0), 0xFF102030u);
}

TEST_F(EngineTest, SetDeviceCursorFromAWindowsCursor)
{
    ASSERT_EQ(Build(FALSE), 0);
    IDirect3DDevice8* device = Kestu_GetDevice();
    EXPECT_EQ(D3DUtil_SetDeviceCursor(device, LoadCursorA(nullptr, IDC_ARROW), TRUE), S_OK);
    host::D3D8CursorState state;
    ASSERT_TRUE(host::D3D8GetCursorState(device, state));
    EXPECT_TRUE(state.hasImage);
    EXPECT_EQ(D3DUtil_SetDeviceCursor(device, nullptr, FALSE), E_FAIL);
    EXPECT_EQ(D3DUtil_SetDeviceCursor(nullptr, LoadCursorA(nullptr, IDC_ARROW), FALSE), E_FAIL);
}

} // namespace
