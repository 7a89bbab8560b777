// Texture sample client, in two steps around kestu-pack:
//   demotex images FOLDER      writes stone.bmp, badge.tga and atlas.bmp into FOLDER
//   demotex render LIB PNG     builds the engine, loads the textures of the
//                              library LIB by id through a texture manager,
//                              paints into the stone texture with the 2D
//                              painters and draws the textures as screen quads;
//                              saves the presented frame as PNG
// scripts/demo.sh packs the images into a library with kestu-pack in between.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <host/host.h>
#include <kestu.h>

#include "../common/sample_engine.h"
#include <kestu_safefile.h>

namespace {

constexpr DWORD kStoneId = 100, kBadgeId = 101, kAtlasId = 102;
constexpr uint16_t kKey = 0xF81F;

void Put16(std::vector<uint8_t>& out, uint32_t v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

// Replaces the file at path with the bytes, safely.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return kestu::SafeReplaceFile(path.c_str(), bytes.data(), bytes.size());
}

// A 24-bit bottom-up BMP of the pixel function (0xRRGGBB).
template <class F>
std::vector<uint8_t> Bmp(int w, int h, F pixel)
{
    const uint32_t row = (uint32_t(w) * 3 + 3) & ~3u, size = row * uint32_t(h);
    std::vector<uint8_t> out{'B', 'M'};
    Put32(out, 54 + size);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, uint32_t(w));
    Put32(out, uint32_t(h));
    Put16(out, 1);
    Put16(out, 24);
    for (int i = 0; i < 6; ++i) Put32(out, i == 1 ? size : 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t c = pixel(x, y);
            out.insert(out.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
        }
        out.resize(out.size() + (row - uint32_t(w) * 3));
    }
    return out;
}

// A 32-bit top-down TGA of the pixel function (0xAARRGGBB).
template <class F>
std::vector<uint8_t> Tga(int w, int h, F pixel)
{
    std::vector<uint8_t> out{0, 0, 2};
    out.resize(12);
    Put16(out, uint16_t(w));
    Put16(out, uint16_t(h));
    out.insert(out.end(), {32, 8 | 0x20});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) Put32(out, pixel(x, y));
    return out;
}

uint32_t Stone(int x, int y)
{
    const int course = y / 16, shift = (course % 2) * 16;
    const bool mortar = y % 16 < 2 || (x + shift) % 32 < 2;
    const int grain = ((x * 7 + y * 13) ^ (x * y)) & 15;
    if (mortar) return 0x9A9488;
    const int r = 150 + grain + course * 3, g = 88 + grain, b = 60 + grain / 2;
    return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

uint32_t Badge(int x, int y)
{
    const float dx = x - 31.5f, dy = y - 31.5f, d = std::sqrt(dx * dx + dy * dy);
    if (d > 30.0f) return 0;
    const uint32_t a = d > 27.0f ? uint32_t(255 * (30.0f - d) / 3.0f) : 230;
    const bool ring = d > 22.0f && d < 26.0f;
    const uint32_t rgb = ring ? 0xFFE070u : (((x / 8) + (y / 8)) % 2 ? 0x2C7BE5u : 0x1B4F9Cu);
    return a << 24 | rgb;
}

// An atlas of 8 x 8 cells of 32 texels, each cell its own hue with a frame.
uint32_t Atlas(int x, int y)
{
    const int col = x / 32, row = y / 32, cx = x % 32, cy = y % 32;
    if (cx < 2 || cy < 2) return 0x101010;
    const int k = row * 8 + col;
    const uint32_t r = uint32_t(80 + (k * 37) % 176), g = uint32_t(80 + (k * 71) % 176);
    const uint32_t b = uint32_t(80 + (k * 113) % 176);
    const bool dot = (cx - 16) * (cx - 16) + (cy - 16) * (cy - 16) < 36;
    return dot ? 0xFFFFFF : r << 16 | g << 8 | b;
}

int WriteImages(const std::string& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const bool ok = WriteFile(folder + "/stone.bmp", Bmp(128, 128, Stone)) &&
                    WriteFile(folder + "/badge.tga", Tga(64, 64, Badge)) &&
                    WriteFile(folder + "/atlas.bmp", Bmp(256, 256, Atlas));
    if (!ok) std::fprintf(stderr, "demotex: cannot write the images into %s\n", folder.c_str());
    return ok ? 0 : 1;
}

uint16_t Rgb565(int r, int g, int b) { return uint16_t((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3); }

// A keyed 16-bit sprite: a small flag on a pole.
struct Flag {
    static constexpr int kW = 24, kH = 28;
    std::vector<uint16_t> pixels = std::vector<uint16_t>(size_t(kW) * kH, kKey);
    XBMFILEHEADER header;
    Flag()
    {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                uint16_t& p = pixels[size_t(y) * kW + x];
                if (x < 2)
                    p = Rgb565(90, 60, 30);
                else if (y < kH / 2 && x - 2 < (kH / 2 - y) * 2 + 4)
                    p = ((x / 4 + y / 4) % 2) ? Rgb565(230, 40, 40) : Rgb565(250, 220, 60);
            }
        header.width = kW;
        header.height = kH;
        header.bitsPerPixel = 16;
        header.pixelFormat = 16;
        header.transColor = kKey;
    }
};

// The 2D painters draw into the locked texture: a darkened band, outlined
// and filled rectangles, lines and keyed sprites.
void PaintInto(CTexture& stone)
{
    const int w = stone.GetWidth(), h = stone.GetHeight();
    stone.Decline(0, h - 24, w, 24, 2);
    stone.Rectangle(Rgb565(255, 255, 255), 6, 6, w - 12, h - 12, 0, nullptr);
    stone.Rectangle(Rgb565(30, 160, 70), 12, 12, 40, 20, 1, nullptr);
    stone.Line(Rgb565(255, 230, 0), 12, h - 12, w - 12, 40, nullptr);
    stone.Line(Rgb565(0, 200, 255), 12, 40, w - 12, h - 12, nullptr);
    Flag flag;
    SBMP sprite(&flag.header, reinterpret_cast<unsigned char*>(flag.pixels.data()), Flag::kW * 2);
    for (int i = 0; i < 3; ++i) sprite.Paint(&stone, 60 + i * 20, 10 + i * 6, PT_KEY, nullptr);
    stone.Unprepare();
}

class CTexDemo : public CKestuDevObjMng {
public:
    explicit CTexDemo(std::string library) : m_library(std::move(library)) {}

    HRESULT InitDeviceObjects(IDirect3DDevice8* device) override
    {
        HRESULT hr = m_textures.Build(device, m_library.c_str(), nullptr, 0, 0, 0, 1, 4);
        if (FAILED(hr)) return hr;
        m_stone = m_textures.QueryTexture(kStoneId);
        m_badge = m_textures.QueryTexture(kBadgeId);
        m_atlas = m_textures.QueryTexture(kAtlasId);
        if (!m_stone || !m_badge || !m_atlas) return E_FAIL;
        PaintInto(*m_stone);
        return S_OK;
    }
    HRESULT InvalidateDeviceObjects() override { return m_textures.IsBuilt() ? m_textures.Invalidate() : S_OK; }
    HRESULT ActivateDeviceObjects() override { return m_textures.IsBuilt() ? m_textures.Restore() : S_OK; }

    void Release()
    {
        for (DWORD id : {kStoneId, kBadgeId, kAtlasId}) m_textures.ReleaseTexture(id, 1);
        m_textures.Release();
    }

    void Render(int frame)
    {
        RECT stoneArea{24, 24, 408, 408};
        m_stone->Paint(nullptr, &stoneArea);
        // The badge over the stone, plain and tinted through the vector colour.
        const BYTE tints[4][3] = {{255, 255, 255}, {255, 120, 120}, {120, 255, 140}, {140, 170, 255}};
        for (int i = 0; i < 4; ++i) {
            m_badge->SetVectorColor(255, tints[i][0], tints[i][1], tints[i][2]);
            RECT at{60 + i * 80, 300 - (i % 2) * 30 + frame, 124 + i * 80, 364 - (i % 2) * 30 + frame};
            m_badge->Paint(nullptr, &at);
        }
        m_badge->SetVectorColor(255, 255, 255, 255);
        // Cells of the atlas by their sub-texture coordinates, and the whole atlas small.
        for (DWORD k = 0; k < 12; ++k) {
            SSubTexInfo cell;
            cell.Set(kAtlasId, (k * 3 + k / 4) % 8, (k * 5 + 2 * (k / 4)) % 8, SUBTEXINFO_32);
            FRECT uv;
            cell.CalcTexCoordinate(uv);
            const float side = float(m_atlas->GetTexWidth());
            RECT src{LONG(uv.left * side), LONG(uv.top * side), LONG(uv.right * side), LONG(uv.bottom * side)};
            RECT dst{440 + LONG(k % 4) * 84, 24 + LONG(k / 4) * 84, 440 + LONG(k % 4) * 84 + 76,
                     24 + LONG(k / 4) * 84 + 76};
            m_atlas->Paint(&src, &dst);
        }
        RECT small{440, 300, 696, 556};
        m_atlas->Paint(nullptr, &small);
    }

private:
    std::string m_library;
    CTextureMng m_textures;
    CTexture* m_stone = nullptr;
    CTexture* m_badge = nullptr;
    CTexture* m_atlas = nullptr;
};

int Render(const std::string& library, const std::string& png)
{
    KESTU_CONFIG cfg;
    cfg.eResolution = KESTU_RES_800X600;
    cfg.bWindowed = 1;
    cfg.eLogLevel = 4;
    cfg.hInstance = GetModuleHandleA(nullptr);
    std::snprintf(cfg.szWindowTitle, sizeof cfg.szWindowTitle, "Kestu Textures");
    std::snprintf(cfg.szLogFile, sizeof cfg.szLogFile, "out/demotex.log");
    CTexDemo demo(library);
    cfg.pDevObjMng = &demo;
    HRESULT hr = Kestu_Build(&cfg, nullptr);
    if (FAILED(hr)) {
        std::fprintf(stderr, "demotex: Kestu_Build failed: 0x%08X\n", static_cast<unsigned>(hr));
        return 1;
    }
    IDirect3DDevice8* device = Kestu_GetDevice();
    int status = 0;
    for (int frame = 0; frame < 3 && status == 0; ++frame) {
        // The second frame begins with a lost device (see sample::Frame).
        if (frame == 1 && FAILED(sample::LoseDevice("demotex"))) {
            status = 1;
            break;
        }
        if (FAILED(hr = Kestu_PrepareForRender())) {
            std::fprintf(stderr, "demotex: frame %d not prepared: 0x%08X\n", frame, static_cast<unsigned>(hr));
            status = 1;
            break;
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202830u, 1.0f, 0);
        device->BeginScene();
        demo.Render(frame);
        device->EndScene();
        if (FAILED(hr = Kestu_Present())) {
            std::fprintf(stderr, "demotex: present failed: 0x%08X\n", static_cast<unsigned>(hr));
            status = 1;
        }
    }
    if (status == 0 && !sample::SavePicture("demotex", png.c_str())) status = 1;
    demo.Release();
    Kestu_Release();
    if (status == 0) std::printf("demotex: wrote %s\n", png.c_str());
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "images" && argc == 3) return WriteImages(argv[2]);
    if (mode == "render" && argc == 4) return Render(argv[2], argv[3]);
    std::fprintf(stderr, "usage: demotex images FOLDER | demotex render LIBRARY PNG\n");
    return 2;
}
