// RTBMP, the run-length sprite: rows of transparent and opaque runs in an
// XBM image held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "kestu_export.h"
#include "kestu_paper.h"
#include "kestu_xbm.h"

class KESTU_API RTBMP : public VPaper {
public:
    RTBMP();
    RTBMP(const RTBMP& other) = default;
    RTBMP& operator=(const RTBMP& other) = default;
    ~RTBMP() override;

    int IsCompressed() override;
    int Build(void* image) override;
    int Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip) override;
    int Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip) override;
    int PaintNoClip(DBUF* dest, int x, int y, PAINT_TYPE paintType) override;
    int RotatePaint(DBUF* dest, int x, int y, float angle, float spread, const GRECT* clip) override;
    int StretchPaint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, int sw, int sh,
                     const GRECT* clip) override;
    int InversePaint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, PAINT_DIRECTION direction,
                     const GRECT* clip) override;
    int WhoAmI() override;
    void Convet565To555() override;
    void Convet555To565() override;
    HRESULT SaveToXBmpFile(const char* path) override;
    int GetDataHead(unsigned short* buffer) override;
    virtual int Type();

    uint32_t* GetLineIndex() const { return m_rowOffsets; }
    uint32_t GetBmpBitsSize() const { return m_header.dataSize; }
    const XBMFILEHEADER& GetHeader() const { return m_header; }
    void KeepImage(std::shared_ptr<uint8_t[]> image) { m_image = std::move(image); }

private:
    // The visible part of a paint, computed by the clip step.
    struct Visible {
        GRECT dst;    // destination rectangle
        int firstRow; // first sprite row painted
        int leftSkip; // bytes of the sprite row left of the visible part
    };
    bool ClipSub(DBUF* dest, int x, int y, int w, int h, int sx, int sy, const GRECT* clip, Visible& v) const;
    int Dispatch(DBUF* dest, void* destBase, const Visible& v, DWORD paintType, bool subRect);
    int RowBytes() const { return m_rect.width * m_pixelWidth / 8; }

    uint32_t* m_rowOffsets;
    uint8_t* m_runs;
    XBMFILEHEADER m_header;
    std::shared_ptr<uint8_t[]> m_image;
};
