// SBMP, the uncompressed sprite: a DBUF over raw XBM pixel rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "kestu_export.h"
#include "kestu_paper.h"
#include "kestu_xbm.h"

class KESTU_API SBMP : public DBUF {
public:
    SBMP();
    explicit SBMP(const XBMFILEHEADER* header);
    // Wraps caller memory; pitch -1 means packed rows.
    SBMP(const XBMFILEHEADER* header, unsigned char* data, int pitch);
    SBMP(const SBMP& other);
    SBMP& operator=(const SBMP& other);
    ~SBMP() override;

    int Build(void* image) override;
    int Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip) override;
    int Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip) override;
    int GetTransColor() override;
    int WhoAmI() override;
    HRESULT SaveToXBmpFile(const char* path) override;
    void* Prepare(GRECT* rect) override;
    void Unprepare() override;
    virtual int Type();
    virtual int PaintToTexture(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip);
    // A sprite's own unclipped paint. It hides the base slot on purpose: any
    // integer or PAINT_TYPE argument reaches it when called through an SBMP,
    // while a call through a VPaper keeps the base's do-nothing paint.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Woverloaded-virtual"
    virtual int PaintNoClip(DBUF* dest, int x, int y, unsigned long paintType);
    template <class T>
    requires(std::is_integral_v<T> || std::is_enum_v<T>) int PaintNoClip(DBUF* dest, int x, int y, T paintType)
    {
        return PaintNoClip(dest, x, y, static_cast<unsigned long>(paintType));
    }
#pragma GCC diagnostic pop

    unsigned char* GetPointer() const { return m_buffer; }
    uint32_t GetBmpBitsSize() const { return m_header.dataSize; }
    const XBMFILEHEADER& GetHeader() const { return m_header; }
    // Keeps the image memory alive as long as this sprite (or a copy) lives.
    void KeepImage(std::shared_ptr<uint8_t[]> image) { m_image = std::move(image); }

private:
    void CreateBuffer(const XBMFILEHEADER* header);
    void CleanUp();

    BOOL m_ownsBuffer;
    unsigned char* m_buffer;
    XBMFILEHEADER m_header;
    // Copies share an own buffer, so it is freed once, by the last holder.
    std::shared_ptr<uint8_t[]> m_ownedBuffer;
    std::shared_ptr<uint8_t[]> m_image;
};

// A new sprite with its own 16-bit buffer in the display's pixel format.
KESTU_API SBMP* CreateSbmp(int width, int height);
