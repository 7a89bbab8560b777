// The 2D image model: VPaper, the abstract image, and DBUF, the image whose
// pixels lie in memory that a subclass supplies through Prepare.
#pragma once

#include <cstdint>

#include "kestu_export.h"
#include "kestu_painttypes.h"
#include "ou_geometry.h"
#include "windef.h"

class CPixelShade;
class CAlphaBuffer;
class DBUF;

class KESTU_API VPaper {
public:
    VPaper();
    VPaper(const VPaper& other);
    VPaper& operator=(const VPaper& other);
    virtual ~VPaper();

    virtual int IsCompressed();
    virtual int Build(void* data);
    // Paints the w x h part of this image starting at (sx, sy) to (x, y) of dest.
    virtual int Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip) = 0;
    virtual int Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip) = 0;
    // SBMP hides this slot with a paint of its own (see kestu_sbmp.h).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Woverloaded-virtual"
    virtual int PaintNoClip(DBUF* dest, int x, int y, PAINT_TYPE paintType);
#pragma GCC diagnostic pop
    virtual int RotatePaint(DBUF* dest, int x, int y, float angle, float spread, const GRECT* clip);
    virtual int StretchPaint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, int sw, int sh,
                             const GRECT* clip);
    virtual int InversePaint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType,
                             PAINT_DIRECTION direction, const GRECT* clip);
    virtual int GetTransColor();
    virtual void SetTransColor(int colour);
    virtual int GetBorderColor();
    virtual void SetBorderColor(int colour);
    virtual int WhoAmI() = 0;
    virtual void Convet565To555() = 0;
    virtual void Convet555To565() = 0;
    virtual HRESULT SaveToXBmpFile(const char* path);
    virtual int GetDataHead(unsigned short* buffer);

    CAlphaBuffer* GetAlphaBuffer() const { return m_alphaBuffer; }
    void SetAlphaBuffer(CAlphaBuffer* grid) { m_alphaBuffer = grid; }
    CPixelShade* GetPixelShade() const { return m_pixelShade; }
    void SetPixelShade(CPixelShade* shade) { m_pixelShade = shade; }
    int GetEnhanceGrade() const { return m_enhanceGrade; }
    void SetEnhanceGrade(int grade) { m_enhanceGrade = grade; }
    void* GetColorTable() const { return m_colorTable; }
    void SetColorTable(void* table) { m_colorTable = table; }
    int GetBackGroundColor() const { return m_backColor; }
    void SetBackGroundColor(int colour) { m_backColor = colour; }
    int GetForeGroundColor() const { return m_foreColor; }
    void SetForeGroundColor(int colour) { m_foreColor = colour; }
    uint8_t GetPixelFormat() const { return m_pixelFormat; }
    uint8_t GetPixelWidth() const { return m_pixelWidth; }
    int GetTransGrade() const { return m_transGrade; }
    void SetTransGrade(int grade) { m_transGrade = grade < 0 ? 0 : (grade > 16 ? 16 : grade); }
    int GetSourceFilterMask() const { return m_sourceFilterMask; }
    void SetSourceFilterMask(int mask) { m_sourceFilterMask = mask; }
    int GetAlphaIndex() const { return m_alphaIndex; }
    void SetAlphaIndex(int index) { m_alphaIndex = index; }
    int IsAlpha() const { return m_alphaData != nullptr ? 1 : 0; }
    int IsAlphaCompresse() const { return m_alphaCompressed; }
    void* GetAlphaData() const { return m_alphaData; }
    void SetAlpha(float) {}

    const GRECT& GetRect() const { return m_rect; }
    int GetWidth() const { return m_rect.width; }
    int GetHeight() const { return m_rect.height; }

protected:
    GRECT m_rect;
    CPixelShade* m_pixelShade;
    CAlphaBuffer* m_alphaBuffer;
    int m_transColor;
    int m_borderColor;
    int m_backColor;
    int m_foreColor;
    int m_alphaIndex;
    int m_transGrade;
    int m_enhanceGrade;
    int m_sourceFilterMask;
    uint8_t m_pixelWidth;  // bits per pixel: 8, 16, 24 or 32
    uint8_t m_pixelFormat; // 8, 15 (555), 16 (565), 24, 32
    void* m_colorTable;    // 256 16-bit colours for 8-bit indexes
    void* m_alphaData;
    int m_alphaCompressed;
};

class KESTU_API DBUF : public VPaper {
public:
    DBUF();
    DBUF(const DBUF& other) = default;
    DBUF& operator=(const DBUF& other) = default;
    ~DBUF() override;

    int Build(void* data) override;
    int Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip) override;
    int Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip) override;
    int StretchPaint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, int sw, int sh,
                     const GRECT* clip) override;
    void Convet565To555() override;
    void Convet555To565() override;
    HRESULT SaveToXBmpFile(const char* path) override;

    // Makes the pixels reachable: the base address, or null when they cannot be reached.
    virtual void* Prepare(GRECT* rect) = 0;
    virtual void Unprepare() = 0;
    virtual void SetPixel(int colour, const GPOINT& p);
    virtual void SetPixel(int colour, int x, int y);
    virtual void Clear(int colour, int x, int y, int w, int h, GRECT* clip);
    virtual void Clear(int colour, int x, int y, int w, int h);
    virtual void Clear(int colour);
    virtual void FastClear16(int value, int x, int y, int w, int h, GRECT* clip);
    virtual void FastClear16(int value, int x, int y, int w, int h);
    virtual void FastClear16(int value);
    virtual void Decline(int x, int y, int w, int h, int level);
    virtual void DeclineFast(int x, int y, int h, int level);
    virtual void Rectangle(int colour, int x, int y, int w, int h, int filled, const GRECT* clip);
    virtual void Line(int colour, int x1, int y1, int x2, int y2, const GRECT* clip);
    virtual void Flat3232(int x, int y, void* levels);
    virtual void Flat(int x, int y, int mapX, int mapY, int w, int h, void* levels, const GRECT* clip);

    int PitchCx() const { return m_pitch; }
    int PitchCy() const { return m_rows; }
    int GetOrientation() const { return m_orientation; }
    int GetPixel(int x, int y);
    void DeclineByPixelShade(int x, int y, int w, int h);

protected:
    // Address of pixel (x, y) from a base returned by Prepare.
    uint8_t* PixelAddress(void* base, int x, int y) const
    {
        return static_cast<uint8_t*>(base) + static_cast<intptr_t>(m_orientation) * m_pitch * y +
               (static_cast<intptr_t>(x) * m_pixelWidth) / 8;
    }
    intptr_t RowStep() const { return static_cast<intptr_t>(m_orientation) * m_pitch; }

    int16_t m_orientation; // row direction: +1 top-down, -1 bottom-up
    int m_pitch;           // bytes per row
    int m_rows;            // rows of the underlying memory
};
