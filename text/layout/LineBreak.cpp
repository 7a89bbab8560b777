// Where lines may break: Latin text at spaces, East Asian text after every
// character, never after an opening or before a closing character.
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "kestu_textlayout.h"

namespace {

constexpr unsigned short kOpening[] = {0x0022, 0x0027, 0x0028, 0x003C, 0x005B, 0x0060, 0x007B, 0x2018,
                                       0x201C, 0x3008, 0x300A, 0x3014, 0xFF08, 0xFF3B, 0xFF5B};
constexpr unsigned short kClosing[] = {
    0x0021, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x003A, 0x003B,
    0x003D, 0x003E, 0x003F, 0x0040, 0x005C, 0x005D, 0x005E, 0x005F, 0x007C, 0x007D, 0x007E, 0x00B1, 0x00B7, 0x00D7,
    0x00F7, 0x2014, 0x2019, 0x201D, 0x2026, 0x2236, 0x3002, 0x3009, 0x300B, 0x3015, 0xFF01, 0xFF03, 0xFF05, 0xFF09,
    0xFF0A, 0xFF0B, 0xFF0C, 0xFF0F, 0xFF1A, 0xFF1B, 0xFF1F, 0xFF3D, 0xFF5C, 0xFF5D, 0xFF5E, 0xFFE5};
static_assert(std::size(kOpening) == 15 && std::size(kClosing) == 54);

// Word wrap asks at every character: codes below 256 are looked up in a
// table, the rest searched.
constexpr uint8_t kOpens = 1, kCloses = 2;
constexpr std::array<uint8_t, 256> kLatin = [] {
    std::array<uint8_t, 256> t{};
    for (unsigned short c : kOpening)
        if (c < 256) t[c] |= kOpens;
    for (unsigned short c : kClosing)
        if (c < 256) t[c] |= kCloses;
    return t;
}();

} // namespace

int CGfxTextDeviceBase::IsNoBreakAfter(unsigned short c)
{
    if (c < 256) return kLatin[c] & kOpens ? 1 : 0;
    return std::binary_search(std::begin(kOpening), std::end(kOpening), c) ? 1 : 0;
}

int CGfxTextDeviceBase::IsNoBreakBefore(unsigned short c)
{
    if (c < 256) return kLatin[c] & kCloses ? 1 : 0;
    return std::binary_search(std::begin(kClosing), std::end(kClosing), c) ? 1 : 0;
}

int CGfxTextDeviceBase::CanBreakBetween(unsigned short prev, unsigned short next)
{
    if (prev == 0) return 0;
    if (next == 0 || next == '\n' || next == '\r' || next == ' ') return 1;
    if (IsNoBreakBefore(next)) return IsNoBreakBefore(prev);
    if (!IsNoBreakAfter(prev)) return prev > 255 ? 1 : 0;
    return IsNoBreakAfter(next);
}
