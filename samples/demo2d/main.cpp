// 2D sample: run-length sprites painted into a 16-bit buffer with the
// engine's effects (alpha, grades, brightness, grey, turned, stretched and
// rotated paints, and the light grid), saved as out/demo2d.png.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "host/host_win32.h"
#include "kestu.h"

namespace {

constexpr int kWidth = 480, kHeight = 320;
constexpr uint16_t kKey = 0xF81F;

uint16_t Rgb(int r, int g, int b) { return uint16_t((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3); }

// A shaded ball with a soft alpha rim, encoded with compressed runs and alpha.
std::vector<uint8_t> BallImage(int size, bool packedAlpha)
{
    std::vector<_WORD24> px(size_t(size) * size);
    const float c = (size - 1) / 2.0f, r = size / 2.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = x - c, dy = y - c, d = std::sqrt(dx * dx + dy * dy);
            const float light = std::max(0.0f, 1.0f - std::hypot(dx + r / 3, dy + r / 3) / (1.6f * r));
            const int a = d > r ? 0 : d > r - 2.5f ? int(255 * (r - d) / 2.5f) : 255;
            px[size_t(y) * size + x] =
                a == 0 ? _WORD24{kKey, 0} : _WORD24{Rgb(60 + int(190 * light), 90 + int(140 * light), 230), uint8_t(a)};
        }
    XBMFILEHEADER h;
    h.width = h.height = uint32_t(size);
    h.bitsPerPixel = 16;
    h.pixelFormat = 16;
    h.compressed = 1;
    h.transColor = kKey;
    h.alpha = 1;
    h.alphaCompressed = packedAlpha ? 1 : 0;
    XBmpBase enc;
    enc.SetxbmpFileHead(px.data(), h);
    enc.Convert16BIT(px.data(), size);
    return std::vector<uint8_t>(enc.GetData(), enc.GetData() + enc.GetSize());
}

// A keyed arrow-like figure: useful to show mirroring and rotation.
std::vector<uint8_t> FlagImage(int w, int h)
{
    std::vector<uint16_t> px(size_t(w) * h, kKey);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool pole = x < 3;
            const bool cloth = x >= 3 && y < h / 2 && x - 3 < (h / 2 - y) * 2 + 6;
            if (pole) px[size_t(y) * w + x] = Rgb(120, 80, 40);
            if (cloth) px[size_t(y) * w + x] = ((x / 4 + y / 4) % 2) ? Rgb(230, 40, 40) : Rgb(250, 220, 60);
        }
    XBMFILEHEADER hd;
    hd.width = uint32_t(w);
    hd.height = uint32_t(h);
    hd.bitsPerPixel = 16;
    hd.pixelFormat = 16;
    hd.compressed = 1;
    hd.transColor = kKey;
    XBmpBase enc;
    enc.SetxbmpFileHead(px.data(), hd);
    enc.Convert16BIT(px.data(), w);
    return std::vector<uint8_t>(enc.GetData(), enc.GetData() + enc.GetSize());
}

} // namespace

int main()
{
    hardware.m_nPixelFormat = 16;
    std::unique_ptr<SBMP> screen(CreateSbmp(kWidth, kHeight));
    // Background: a vertical gradient with a checker floor.
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint16_t c = Rgb(20 + y / 4, 30 + y / 3, 70 + y / 3);
            if (y > 200) c = ((x / 20 + y / 20) % 2) ? Rgb(70, 110, 60) : Rgb(50, 90, 45);
            screen->SetPixel(c, x, y);
        }

    auto ballImage = BallImage(40, false);
    auto packedBallImage = BallImage(40, true);
    auto flagImage = FlagImage(32, 40);
    RTBMP ball, packedBall, flag;
    ball.Build(ballImage.data());
    packedBall.Build(packedBallImage.data());
    flag.Build(flagImage.data());

    // Row 1: copy, alpha (raw and packed planes), half, grey, grey half.
    const DWORD row1[] = {PT_COPY, PT_ALPHA, PT_ALPHA, PT_HALF, PT_GRAY, PT_GRAYHALF};
    for (int i = 0; i < 6; ++i) (i == 2 ? packedBall : ball).Paint(screen.get(), 16 + i * 76, 12, row1[i], nullptr);

    // Row 2: translucency grades and brightness levels.
    for (int i = 0; i < 6; ++i) {
        if (i < 3) {
            ball.SetTransGrade(4 + i * 5);
            ball.Paint(screen.get(), 16 + i * 76, 66, PT_TRANSGRADE, nullptr);
        } else {
            ball.SetEnhanceGrade(6 + (i - 3) * 10);
            ball.Paint(screen.get(), 16 + i * 76, 66, PT_ENHANCE, nullptr);
        }
    }

    // Row 3: the flag plain, mirrored, flipped, stretched and rotated; clipped at the right edge.
    flag.Paint(screen.get(), 16, 124, PT_KEY, nullptr);
    flag.InversePaint(screen.get(), 64, 124, 32, 40, 0, 0, PT_KEY, PD_MIRROR_H, nullptr);
    flag.InversePaint(screen.get(), 112, 124, 32, 40, 0, 0, PT_KEY, PD_FLIP_V, nullptr);
    flag.StretchPaint(screen.get(), 160, 118, 64, 52, 0, 0, PT_COPY, 32, 40, nullptr);
    for (int i = 0; i < 4; ++i) flag.RotatePaint(screen.get(), 262 + i * 48, 146, 0.4f * float(i + 1), 0.25f, nullptr);
    flag.Paint(screen.get(), kWidth - 14, 124, PT_KEY, nullptr);

    // Row 4: a light grid over the floor; sprites painted through it.
    CPixelShade shade;
    shade.Build(static_cast<PIXELFORMAT>(16), 32, 16, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR);
    CABLightModeManger models;
    models.Build(1);
    models.GetModel(0)->Build(KESTU_ABLIGHT_2DPOINT, 9, 8, 4, 28);
    SAlphaBufferInit2D init;
    init.area = GRECT(0, 0, kWidth, kHeight);
    init.fillLevel = 8;
    init.maxLights = 2;
    init.modelManager = &models;
    CAlphaBuffer2D grid;
    grid.Build(&init);
    SABLight2DPoint lights[2];
    lights[0].x = 120, lights[0].y = 260, lights[0].model = 0;
    lights[1].x = 360, lights[1].y = 250, lights[1].model = 0;
    grid.AddLights(lights, 2);
    grid.UpdateData();
    screen->SetAlphaBuffer(&grid);
    ball.SetPixelShade(&shade);
    flag.SetPixelShade(&shade);
    for (int i = 0; i < 10; ++i) {
        (i % 2 ? flag : ball).Paint(screen.get(), 10 + i * 46, 226 + (i % 3) * 14, PT_ABLIGHT, nullptr);
    }
    screen->SetAlphaBuffer(nullptr);

    // 565 to X8R8G8B8 for the PNG.
    host::WindowPixels out;
    out.width = kWidth;
    out.height = kHeight;
    out.pixels.resize(size_t(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t p = uint32_t(screen->GetPixel(x, y));
            const uint32_t r = (p >> 11) & 0x1F, g = (p >> 5) & 0x3F, b = p & 0x1F;
            out.pixels[size_t(y) * kWidth + x] = (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
        }
    mkdir("out", 0755);
    if (!host::SavePixelsPng(out, "out/demo2d.png")) {
        std::fprintf(stderr, "demo2d: cannot write out/demo2d.png\n");
        return 1;
    }
    std::printf("demo2d: wrote out/demo2d.png\n");
    return 0;
}
