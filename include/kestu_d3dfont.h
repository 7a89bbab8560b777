// A glyph-atlas font: GDI renders the printable characters into an alpha
// texture once, then strings are drawn as textured quads on the screen, scaled
// to the viewport, or flat in the world.
#pragma once
#include "d3d8.h"
#include "d3dx8.h"
#include "kestu_export.h"

// Creation flags.
#define D3DFONT_BOLD 0x0001
#define D3DFONT_ITALIC 0x0002
#define D3DFONT_ZENABLE 0x0004

// Draw flags.
#define D3DFONT_CENTERED_X 0x0001
#define D3DFONT_CENTERED_Y 0x0002
#define D3DFONT_TWOSIDED 0x0004
#define D3DFONT_FILTERED 0x0008

class KESTU_API CD3DFont {
public:
    CD3DFont(const char* fontName, DWORD height, DWORD flags = 0);
    ~CD3DFont();

    HRESULT InitDeviceObjects(IDirect3DDevice8* device);
    HRESULT RestoreDeviceObjects();
    HRESULT InvalidateDeviceObjects();
    HRESULT DeleteDeviceObjects();

    HRESULT GetTextExtent(const char* text, SIZE* extent);
    HRESULT DrawTextA(float x, float y, DWORD colour, const char* text, DWORD flags = 0);
    HRESULT DrawTextScaled(float x, float y, float z, float xScale, float yScale, DWORD colour, const char* text,
                           DWORD flags = 0);
    HRESULT Render3DText(const char* text, DWORD flags = 0);

    static constexpr int kStateCount = 29;
    // Texels kept free on each side of a glyph, from the height of "x".
    static DWORD GlyphSpacing(LONG xHeight);

private:
    HRESULT CreateGDIFont(HDC dc, HFONT* font);
    HRESULT PaintAlphabet(HDC dc, int measureOnly);
    void ApplyDrawTextStatus();
    void RestoreDrawTextStatus();
    DWORD DrawingValue(int entry) const;
    bool BeginBatch(BYTE** vertices);
    HRESULT FlushBatch(BYTE** vertices, DWORD* triangles, bool relock);
    bool BeginDraw(const char* text, DWORD fvf, UINT stride, DWORD flags);
    template <class Size, class Put>
    HRESULT DrawGlyphs(const char* text, float x, float y, float lineStep, float gap, Size size, Put put);

    char m_strFontName[80];
    DWORD m_dwFontHeight;
    DWORD m_dwFontFlags;
    IDirect3DDevice8* m_pd3dDevice;
    IDirect3DTexture8* m_pTexture;
    IDirect3DVertexBuffer8* m_pVB;
    DWORD m_dwTexWidth = 0;
    DWORD m_dwTexHeight = 0;
    float m_fTextScale = 1.0f;
    float m_fTexCoords[128 - 32][4] = {};
    DWORD m_dwSpacing;
    BOOL m_bBlendingUsable;
    DWORD m_dwSavedStates[kStateCount] = {};
    BOOL m_bStatesSaved;
};
