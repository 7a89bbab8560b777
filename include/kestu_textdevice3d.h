// CGfxTextDevice3D: text laid out into textures and drawn as screen quads
// or world quads, with one shared text texture or a cache of them kept by
// string, and numbered inner buffers the client fills itself.
#pragma once

#include <d3d8.h>
#include <d3dx8math.h>

#include <list>
#include <map>
#include <string>
#include <vector>

#include "kestu_export.h"
#include "kestu_texture.h"
#include "kestu_textlayout.h"

struct KESTU_API SGfxTextAttri3D : public SGfxTextAttriBase {
    D3DXVECTOR3 vPosition{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 vDirection{1.0f, 0.0f, 0.0f};
    D3DXVECTOR3 vUp{0.0f, 1.0f, 0.0f};
    DWORD dwTexWidth = 0; // layout size in texels; 0 fits the text
    DWORD dwTexHeight = 0;
    float fScale2DX = 1.0f; // screen pixels per texel
    float fScale2DY = 1.0f;
    float fSize3DX = 1.0f; // world units per texel
    float fSize3DY = 1.0f;

    bool operator==(const SGfxTextAttri3D& other) const;
    bool operator!=(const SGfxTextAttri3D& other) const { return !(*this == other); }
};

class KESTU_API CGfxTextDevice3D : public CGfxTextDeviceBase {
public:
    // A text rendered into a texture.
    struct TCN {
        std::u16string text;
        SGfxTextAttri3D attri;
        int x = 0, y = 0, width = 0, height = 0;
        CTexture* texture = nullptr;
        DWORD lastUse = 0;
    };

    explicit CGfxTextDevice3D(CGfxFont* font = nullptr);
    ~CGfxTextDevice3D() override;
    CGfxTextDevice3D(const CGfxTextDevice3D&) = delete;
    CGfxTextDevice3D& operator=(const CGfxTextDevice3D&) = delete;

    HRESULT Create(IDirect3DDevice8* device, CGfxFont* font, DWORD cacheCapacity, int innerBuffers, D3DFORMAT format,
                   DWORD lifeTime);
    void Release();
    HRESULT Restore();
    HRESULT Invalidate();

    int IsBuilt() const { return m_bBuilt; }
    int IsTextCaching() const { return m_dwCacheCapacity > 0 ? 1 : 0; }
    DWORD GetTextCaching() const { return m_dwCacheCapacity; }
    SGfxTextAttri3D& TextAttri() { return m_Attri; }
    void SetCacheNodeLifeTime(DWORD ms) { m_dwLifeTime = ms; }
    void SetMipFilter(DWORD filter) { m_dwMipFilter = filter; }
    CTexture* GetInnerBuffer(int i) const;
    void ClearCommonTex();
    void ClearCache();
    void PrepareRender();
    DWORD GetTextureCacheSize() const;
    HRESULT GetTextureSize(CTexture* texture, int level, DWORD& width, DWORD& height) const;

    HRESULT DrawTextTo2D(const unsigned short* text, int length, int x, int y);
    HRESULT DrawTextTo2D(const unsigned short* text, int length, int x, int y, const D3DRECT* rect, unsigned int format,
                         float scaleX, float scaleY);
    HRESULT DrawTextTo3D(const unsigned short* text, int length);
    HRESULT DrawTextTo3D(const unsigned short* text, int length, const D3DXVECTOR3* position,
                         const D3DXVECTOR3* direction, const D3DXVECTOR3* up, DWORD width, DWORD height,
                         unsigned int format, float sizeX, float sizeY);
    HRESULT DrawTextToSur(IDirect3DSurface8* surface, const unsigned short* text, int length, int x, int y, int clear);
    HRESULT DrawTextToSur(IDirect3DSurface8* surface, const unsigned short* text, int length, int x, int y,
                          const D3DRECT* rect, unsigned int format, int clear);

    // Inner buffers in any pool come back with their text after a lost
    // device: a DEFAULT-pool buffer keeps what DrawTextToInnerBuf draws in
    // its system-memory copy, and Restore makes the device texture from it.
    // What a client writes straight into the device texture is not kept:
    // it writes again after Restore.
    HRESULT CreateInnerBuf(int i, DWORD width, DWORD height, unsigned int levels, DWORD usage, D3DFORMAT format,
                           D3DPOOL pool);
    HRESULT ReleaseInnerBuf(int i);
    HRESULT DrawTextToInnerBuf(int i, const unsigned short* text, int length, int x, int y, int clear);
    HRESULT DrawTextToInnerBuf(int i, const unsigned short* text, int length, int x, int y, const D3DRECT* rect,
                               unsigned int format, int clear);
    HRESULT DrawInnerBufTo2D(int i, int x, int y, float scaleX, float scaleY);
    HRESULT DrawInnerBufTo2D(int i, int srcX, int srcY, int srcWidth, int srcHeight, int x, int y, float scaleX,
                             float scaleY);
    HRESULT DrawInnerBufTo3D(int i, const D3DXVECTOR3* position, const D3DXVECTOR3* direction, const D3DXVECTOR3* up,
                             float sizeX, float sizeY);
    HRESULT DrawInnerBufTo3D(int i, int srcX, int srcY, int srcWidth, int srcHeight, const D3DXVECTOR3* position,
                             const D3DXVECTOR3* direction, const D3DXVECTOR3* up, float sizeX, float sizeY);

    HRESULT PutTexTo2D(IDirect3DTexture8* texture, float tu0, float tv0, float tu1, float tv1, float left, float top,
                       float right, float bottom);
    HRESULT PutTexTo3D(IDirect3DTexture8* texture, float tu0, float tv0, float tu1, float tv1,
                       const D3DXVECTOR3* position, const D3DXVECTOR3* direction, const D3DXVECTOR3* up, float width,
                       float height);

protected:
    using NodeList = std::list<TCN>;
    using Cache = std::map<std::u16string, NodeList>;

    // The node of a string drawn with the current attributes at (x, y, w, h).
    enum class Found { None, NoEntry, EntryWithoutMatch };
    Found FindCacheNode(const std::u16string& text, int x, int y, int w, int h, TCN*& node);
    bool NodeMatches(const TCN& node, int x, int y, int w, int h) const;
    void AddCacheNode(const std::u16string& text, int x, int y, int w, int h, CTexture* texture, bool newEntry);
    void DiscardCacheNodes();
    void ReleaseNode(TCN& node);
    HRESULT DrawTextOnTexture(CTexture*& texture, const unsigned short* text, int length, int width, int height, int x,
                              int y, int keepPosition, DWORD mipLevels);
    // The cached texture of the text at (x, y, w, h), rendered at (drawX, drawY) when new.
    HRESULT CachedTexture(const unsigned short* text, int length, int x, int y, int w, int h, int drawX, int drawY,
                          bool for3D, CTexture*& texture);
    HRESULT DrawTextToLevel0(CTexture* texture, const unsigned short* text, int length, int x, int y,
                             const D3DRECT* rect, int clear);
    HRESULT RenderShared(const unsigned short* text, int length, int x, int y, int w, int h, bool for3D);
    HRESULT NewTexture(CTexture*& texture, DWORD width, DWORD height, DWORD levels);
    static void FreeTexture(CTexture*& texture);

    int m_bBuilt = 0;
    IDirect3DDevice8* m_pDevice = nullptr;
    SGfxTextAttri3D m_Attri;
    IDirect3DVertexBuffer8* m_pVB2D = nullptr;
    IDirect3DVertexBuffer8* m_pVB3D = nullptr;
    D3DFORMAT m_TextFormat = D3DFMT_A8R8G8B8;
    DWORD m_dwMipFilter = 0x80005;
    TCN m_Shared;
    DWORD m_dwCacheCapacity = 0;
    Cache m_Cache;
    DWORD m_dwLifeTime = 2000;
    int m_nInnerBufs = 0;
    std::vector<CTexture*> m_InnerBufs;
    std::vector<DWORD> m_InnerWidth;
    std::vector<DWORD> m_InnerHeight;
};
