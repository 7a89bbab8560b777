// The text palette as 16-bit pixels of the screen's format.
#include "kestu_pixelformat.h"
#include "kestu_textdevice.h"

namespace {
constexpr uint16_t k555[16] = {0x7FFF, 0x7FE0, 0x7183, 0x7C00, 0x0421, 0x001F, 0x000D, 0x4A5F,
                               0x42DC, 0x0DB7, 0x3400, 0x7D4A, 0x1C62, 0x03E0, 0x05E1, 0x35AD};
constexpr uint16_t k565[16] = {0xFFFF, 0xFFE0, 0xE323, 0xF800, 0x0861, 0x001F, 0x002D, 0x94BF,
                               0x859C, 0x1B57, 0x6820, 0xFA8A, 0x38E2, 0x07E0, 0x0BC1, 0x6B4D};
} // namespace

int TextColourByIndex(int index)
{
    if (index < 0 || index > 15) index = 0;
    return hardware.PixelFormat() == 15 ? k555[index] : k565[index];
}
