// Any bytes loaded as an XBM sprite file; a loaded sprite is painted in every
// mode, clipped and turned, decoded, converted and saved.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sprites_common.h"
#include "kestu_rtbmp.h"
#include "kestu_sbmp.h"
#include "kestu_xbmfile.h"

namespace {

// A sprite that allocates its own buffer without copying the rows into it
// holds undefined pixels, and so does every load of its file.
bool UnfilledBuffer(VPaper& sprite)
{
    const auto* s = dynamic_cast<SBMP*>(&sprite);
    return s != nullptr && s->GetHeader().ownBuffer != 0 && s->GetHeader().copyRows == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace sprites_fuzz;
    const std::string path = WriteInput("xbm", data, size);
    if (path.empty()) return 0;
    VPaper* sprite = nullptr;
    if (KestuXLoadXBmpFromFile(path.c_str(), sprite) != 0) {
        if (sprite != nullptr) std::abort(); // a refused file leaves no sprite
        return 0;
    }
    static std::vector<uint16_t> table(256, 0x1234);
    if (sprite->GetColorTable() == nullptr) sprite->SetColorTable(table.data());
    sprite->SetEnhanceGrade(20);
    const DWORD modes[] = {0, 1, 4, 8, 16, 17, 18, 32, 64, 128, 160, 192, 256, 260, 320, 388, 640, 768, 1280};
    const GRECT clip(2, 1, 9, 7);
    for (int format : {16, 15, 32, 8}) {
        Canvas c(13, 11, format);
        for (DWORD m : modes) {
            sprite->Paint(&c, -3, -2, m, nullptr);
            sprite->Paint(&c, 5, 4, m, &clip);
            sprite->Paint(&c, 1, 1, 6, 5, 1, 2, m, nullptr);
            sprite->InversePaint(&c, 4, -1, 7, 9, 0, 0, m, PD_MIRROR_H, nullptr);
            sprite->InversePaint(&c, -2, 6, 7, 9, 1, 0, m, PD_FLIP_V, &clip);
        }
        sprite->StretchPaint(&c, -4, 2, 20, 9, 0, 0, 0, 5, 4, nullptr);
        sprite->StretchPaint(&c, 3, -1, 7, 30, 1, 1, 256, 9, 3, &clip);
        sprite->RotatePaint(&c, 6, 5, 0.6f, 0.25f, nullptr);
    }
    if (sprite->IsCompressed()) {
        std::vector<unsigned short> out(size_t(sprite->GetWidth()) * size_t(sprite->GetHeight()) + 1);
        sprite->GetDataHead(out.data());
    }
    sprite->Convet565To555();
    sprite->Convet555To565();
    const std::string saved = path + ".out";
    if (sprite->SaveToXBmpFile(saved.c_str()) == 0) {
        // What was saved loads again and paints as the sprite did.
        VPaper* again = nullptr;
        if (KestuXLoadXBmpFromFile(saved.c_str(), again) != 0) std::abort();
        if (again->GetColorTable() == nullptr) again->SetColorTable(table.data());
        if (!UnfilledBuffer(*sprite)) {
            const int w = std::min(sprite->GetWidth(), 256), h = std::min(sprite->GetHeight(), 256);
            for (int format : {16, 32}) {
                Canvas before(w, h, format), after(w, h, format);
                sprite->Paint(&before, 0, 0, PT_COPY, nullptr);
                again->Paint(&after, 0, 0, PT_COPY, nullptr);
                if (before.mem != after.mem) std::abort();
            }
        }
        delete again;
    }
    std::remove(saved.c_str());
    delete sprite;
    return 0;
}
