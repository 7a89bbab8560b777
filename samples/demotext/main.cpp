// The text demo: HUD text drawn by both text devices over a small world.
// The 2D text device paints into a texture (colour codes, a shadow pass, a
// wrapped paragraph) that is drawn as a screen quad; the 3D text device draws
// marked-up text on the screen (colours, outline, the active link
// underlined) and a sign in the world. Fonts come from kestu-font:
//     demotext FONTFOLDER PNG
// where FONTFOLDER holds sans14.fnt, sans11.fnt, sans18.fnt and sans.tib.
#include <cmath>
#include <cstdio>
#include <string>

#include <kestu.h>

#include "host/host_win32.h"
#include "../common/sample_engine.h"

namespace {

const unsigned short* U(const char16_t* s) { return reinterpret_cast<const unsigned short*>(s); }
unsigned short* UW(std::u16string& s) { return reinterpret_cast<unsigned short*>(s.data()); }

class CTextDemo : public CKestuDevObjMng {
public:
    explicit CTextDemo(std::string folder) : m_folder(std::move(folder)) {}

    HRESULT InitDeviceObjects(IDirect3DDevice8* device) override
    {
        m_device = device;
        const char* names[] = {"sans14.fnt", "sans11.fnt", "sans18.fnt"};
        if (!g_FontBuffer.Build(m_folder.c_str(), names, 3, "sans.tib", nullptr)) return E_FAIL;
        if (!m_glyphs.Build(m_folder.c_str(), names, 3, "sans.tib", nullptr)) return E_FAIL;
        HRESULT hr = m_text.Create(device, &m_glyphs, 8, 0, D3DFMT_A8R8G8B8, 0);
        if (FAILED(hr)) return hr;
        hr = m_hud.Build(device, 512, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, CTexture::GenID(), 0);
        if (FAILED(hr)) return hr;
        PaintHud();
        return S_OK;
    }
    HRESULT ActivateDeviceObjects() override { return m_text.IsBuilt() ? m_text.Restore() : S_OK; }
    HRESULT InvalidateDeviceObjects() override { return m_text.IsBuilt() ? m_text.Invalidate() : S_OK; }

    void Release()
    {
        m_text.Release();
        m_hud.Release();
        m_glyphs.Release();
        g_FontBuffer.Release();
    }

    // The 2D text device paints 565 pixels into the texture; untouched texels stay clear.
    void PaintHud()
    {
        m_hud.ColorFill(0x00000000, nullptr, 0);
        CTextDevice& t = g_TextDevice;
        t.SetFont(FONT_TYPE_2);
        t.SetForeGround(0xFFFF);
        std::u16string title = u"KESTU &103TEXT&199 DEVICES";
        t.SetShowShadowMood(1);
        t.Out(&m_hud, UW(title), 9, 7, -1);
        t.Out(&m_hud, UW(title), 8, 6, -1);
        t.SetFont(FONT_TYPE_0);
        std::u16string status = u"HP &11330000&199/30000   MP &1051200&199/2000   Gold &1011948";
        t.SetShowShadowMood(1);
        t.Out(&m_hud, UW(status), 9, 35, -1);
        t.Out(&m_hud, UW(status), 8, 34, -1);
        t.SetFont(FONT_TYPE_1);
        t.SetForeGround(0xCE79);
        const GRECT view(8, 60, 300, 190);
        t.SetView(&view);
        t.AutoNewLine(1);
        std::u16string paragraph =
            u"A wrapped paragraph from the 2D text device: words move whole to the next line when they reach "
            u"the edge of the view, &113highlighted words&199 keep their colour codes, and a new line\n"
            u"starts where the text asks for one.";
        t.Out(&m_hud, UW(paragraph), 8, 60, -1);
        t.AutoNewLine(0);
        t.SetView(nullptr);
    }

    HRESULT Render(int frame)
    {
        IDirect3DDevice8* d = m_device;
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        m_text.PrepareRender();

        // The world: a sign of 3D text seen by a perspective camera.
        D3DXMATRIX world, view, projection;
        D3DXMatrixIdentity(&world);
        const D3DXVECTOR3 eye(0.0f, 2.0f, 14.0f), at(0.0f, 1.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, 0.8f, 800.0f / 600.0f, 0.5f, 100.0f);
        d->SetTransform(D3DTS_WORLD, &world);
        d->SetTransform(D3DTS_VIEW, &view);
        d->SetTransform(D3DTS_PROJECTION, &projection);
        SGfxTextAttri3D& a = m_text.TextAttri();
        a = SGfxTextAttri3D();
        a.nFontType = 2;
        a.dwColor = 0xFFFFD040;
        a.dwBkColor = 0xC0203050;
        a.SetFormat(GFXTF_OUTLINE, 1);
        a.dwOutlineColor = 0xFF000000;
        a.nPadLeft = a.nPadRight = a.nPadTop = a.nPadBottom = 4;
        const float swing = 0.15f * float(frame);
        const D3DXVECTOR3 position(4.0f, -4.0f, 0.0f), direction(std::sin(swing), 0.0f, std::cos(swing));
        HRESULT hr = m_text.DrawTextTo3D(U(u"WORLD SIGN &2120255120in 3D"), -1, &position, &direction, &up, 0, 0,
                                         a.dwFormat, 0.05f, 0.05f);
        if (FAILED(hr)) return hr;

        // The HUD texture of the 2D text device.
        RECT hudArea{16, 16, 528, 272};
        m_hud.Paint(nullptr, &hudArea);

        // Screen text of the 3D text device: colours, outline, links.
        a = SGfxTextAttri3D();
        a.nFontType = 0;
        a.dwColor = 0xFFFFFFFF;
        a.dwFormat = GFXTF_NOWRAP | GFXTF_LINK | GFXTF_ACTIVELINK;
        a.nActiveLinkID = 2;
        a.nUnderlineOffset = -2; // on the cell's last rows: the measured text ends at the cell
        hr = m_text.DrawTextTo2D(U(u"Quests: &<0001Find the well&>, &<0002Return the lamp&> (active link)"), -1, 24,
                                 300);
        if (FAILED(hr)) return hr;
        a.dwFormat = GFXTF_NOWRAP | GFXTF_OUTLINE;
        a.dwOutlineColor = 0xFF400000;
        a.nFontType = 2;
        hr = m_text.DrawTextTo2D(U(u"&1033D text device: &2255200080outlined &5000000160blue rim&199 and back"), -1, 24,
                                 330);
        if (FAILED(hr)) return hr;
        // A wrapped, framed paragraph with a background, laid out inside its rectangle.
        a = SGfxTextAttri3D();
        a.nFontType = 1;
        a.dwColor = 0xFFE0E8FF;
        a.dwBkColor = 0xA0101828;
        a.dwFrameColor = 0xFF8090C0;
        a.dwFormat = GFXTF_WORDWRAP | GFXTF_FRAME;
        a.rcLayout = {24, 370, 380, 560};
        a.nPadLeft = a.nPadTop = 2;
        return m_text.DrawTextTo2D(U(u"The texture text wraps by words with the East Asian no-break rules, "
                                     u"keeps &113colour codes&199 and frames its rectangle. Strings are cached "
                                     u"by text and attributes and rendered once."),
                                   -1, 26, 372);
    }

private:
    std::string m_folder;
    IDirect3DDevice8* m_device = nullptr;
    CGfxFont m_glyphs;
    CGfxTextDevice3D m_text;
    CTexture m_hud;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: demotext FONTFOLDER PNG\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!folder.empty() && folder.back() != '/') folder += '/';
    CTextDemo demo(folder);
    if (FAILED(sample::BuildEngine(&demo, "demotext", "Kestu Text"))) return 1;
    int status = 0;
    for (int frame = 0; frame < 3 && status == 0; ++frame)
        if (FAILED(sample::Frame("demotext", frame, 0xFF283848u, [&] { return demo.Render(frame); }))) status = 1;
    if (status == 0 && !sample::SavePicture("demotext", argv[2])) status = 1;
    demo.Release();
    Kestu_Release();
    if (status == 0) std::printf("demotext: wrote %s\n", argv[2]);
    return status;
}
