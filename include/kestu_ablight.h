// The 2D light grid: a coarse map of light levels over a destination buffer,
// stamped by point lights through precomputed falloff patterns.
#pragma once

#include <cstdint>

#include "kestu_export.h"
#include "ou_geometry.h"
#include "windef.h"

enum ENUM_KESTU_ABLIGHT_TYPE : int32_t { KESTU_ABLIGHT_2DPOINT = 0 };
enum ENUM_KESTU_ABIMPEDIENT_TYPE : int32_t { KESTU_ABIMPEDIENT_2DLINE = 0 };
enum ENUM_ABLM_COPY_FLAG : int32_t { ABLM_COPY_PLAIN = 0, ABLM_COPY_MAX = 1 };

struct KESTU_API SABLight {
    int dirty = 0;
    virtual ~SABLight() = default;
    virtual int GetType() const { return -1; }
    void Dirty(int d) { dirty = d; }
    int IsDirty() const { return dirty; }
};

struct KESTU_API SABLight2DPoint : SABLight {
    int x = 0;
    int y = 0;
    int model = 8; // index into the model manager
    int GetType() const override { return KESTU_ABLIGHT_2DPOINT; }
};

struct KESTU_API SABImpedient {
    int dirty = 0;
    virtual ~SABImpedient() = default;
    virtual int GetType() const { return -1; }
    void Dirty(int d) { dirty = d; }
    int IsDirty() const { return dirty; }
};

struct KESTU_API SABImpedient2DLine : SABImpedient {
    int GetType() const override { return KESTU_ABIMPEDIENT_2DLINE; }
};

// A view of part of a grid, in pixels, with the cell under its top-left corner.
struct KESTU_API SABRectData {
    GRECT rect;
    int columns = 0; // cells per grid row: the byte distance between grid rows
    int rows = 0;
    int cellWidth = 8;
    int cellHeight = 8;
    uint8_t* firstCell = nullptr; // null: the view is not valid
};

class KESTU_API CABLightModel {
public:
    CABLightModel();
    CABLightModel(const CABLightModel&) = delete;
    CABLightModel& operator=(const CABLightModel&) = delete;
    ~CABLightModel();

    HRESULT Build(ENUM_KESTU_ABLIGHT_TYPE type, int size, int aspect, int min, int max);
    void CopyData(SABRectData& view, GPOINT& centre, ENUM_ABLM_COPY_FLAG flag);
    void Release();
    int IsBuilt() const { return m_map != nullptr; }

    ENUM_KESTU_ABLIGHT_TYPE GetType() const { return m_type; }
    int GetSize() const { return m_size; }
    int GetAspect() const { return m_aspect; }
    // Rows of the pattern, in cells.
    int GetMapHeight() const;
    int GetMin() const { return m_min; }
    int GetMax() const { return m_max; }
    const uint8_t* GetMap() const { return m_map; }

private:
    ENUM_KESTU_ABLIGHT_TYPE m_type;
    int m_size;
    int m_aspect; // 8: circle; otherwise an ellipse of height size * 8 / aspect
    int m_min;
    int m_max;
    uint8_t* m_map;
};

// (The name is spelled so.)
class KESTU_API CABLightModeManger {
public:
    CABLightModeManger();
    CABLightModeManger(const CABLightModeManger&) = delete;
    CABLightModeManger& operator=(const CABLightModeManger&) = delete;
    ~CABLightModeManger();

    HRESULT Build(int count);
    void Release();
    int FindFreeModel() const;
    CABLightModel* GetModel(int i) { return &m_models[i]; }
    int GetModelNumber() const { return m_count; }
    int IsBuilt() const { return m_models != nullptr; }

private:
    int m_count;
    CABLightModel* m_models;
};

struct KESTU_API SAlphaBufferInit {
    GRECT area; // pixels
    int cellWidth = 8;
    int cellHeight = 8;
    virtual ~SAlphaBufferInit() = default;
};

struct KESTU_API SAlphaBufferInit2D : SAlphaBufferInit {
    uint8_t fillLevel = 0;
    int maxLights = 0;
    int maxImpedients = 0;
    CABLightModeManger* modelManager = nullptr;
};

class KESTU_API CAlphaBuffer {
public:
    CAlphaBuffer();
    virtual ~CAlphaBuffer();

    virtual HRESULT Build(SAlphaBufferInit* init) = 0;
    virtual void Release() = 0;
    virtual int IsBuild() = 0;
    virtual void FillValue(int level, GPOINT& p);
    virtual void FillValue(int level, GRECT* r);
    virtual void AddLights(SABLight* lights, unsigned long n);
    virtual SABLight* GetLight(int i);
    virtual void AddImpedients(SABImpedient* impedients, unsigned long n);
    virtual SABImpedient* GetImpedient(int i);
    virtual void UpdateData();
    virtual void GetRectData(SABRectData& view, GRECT* r);

    const GRECT& GetArea() const { return m_area; }
    int GetCellWidth() const { return m_cellWidth; }
    int GetCellHeight() const { return m_cellHeight; }

protected:
    GRECT m_area; // pixels
    int m_cellWidth;
    int m_cellHeight;
};

class KESTU_API CAlphaBuffer2D : public CAlphaBuffer {
public:
    CAlphaBuffer2D();
    CAlphaBuffer2D(const CAlphaBuffer2D&) = delete;
    CAlphaBuffer2D& operator=(const CAlphaBuffer2D&) = delete;
    ~CAlphaBuffer2D() override;

    HRESULT Build(SAlphaBufferInit* init) override; // init is an SAlphaBufferInit2D
    void Release() override;
    int IsBuild() override { return m_grid != nullptr; }
    using CAlphaBuffer::FillValue;
    void FillValue(int level, GRECT* r) override;
    // lights is read as an array of n SABLight2DPoint records.
    void AddLights(SABLight* lights, unsigned long n) override;
    SABLight* GetLight(int i) override { return &m_lights[i]; }
    void AddImpedients(SABImpedient* impedients, unsigned long n) override;
    SABImpedient* GetImpedient(int i) override { return &m_impedients[i]; }
    void UpdateData() override;
    void GetRectData(SABRectData& view, GRECT* r) override;
    virtual void FillValue(unsigned char level, GPOINT& p);
    virtual void FillValue();

    int IsDirty() const { return m_dirty; }
    void Dirty(int d) { m_dirty = d; }
    unsigned char GetCurrFillLevel() const { return m_fillLevel; }
    void SetCurrFillLevel(unsigned char level) { m_fillLevel = level; }

    int GetColumns() const { return m_columns; }
    int GetRows() const { return m_rows; }
    int GetLightNumber() const { return m_lightCount; }
    int GetImpedientNumber() const { return m_impedientCount; }
    uint8_t* GetGrid() const { return m_grid; }

private:
    uint8_t* m_grid; // columns x rows level bytes, row-major
    CABLightModeManger* m_modelManager;
    int m_maxLights;
    int m_maxImpedients;
    SABLight2DPoint* m_lights;
    int m_lightCount;
    SABImpedient2DLine* m_impedients;
    int m_impedientCount;
    int m_dirty;
    uint8_t m_fillLevel;
    int m_columns;
    int m_rows;
};
