#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "kestu_log.h"
#include "kestu_ablight.h"

CAlphaBuffer::CAlphaBuffer() : m_area(), m_cellWidth(8), m_cellHeight(8) {}
CAlphaBuffer::~CAlphaBuffer() = default;

void CAlphaBuffer::FillValue(int, GPOINT&) {}
void CAlphaBuffer::FillValue(int, GRECT*) {}
void CAlphaBuffer::AddLights(SABLight*, unsigned long) {}
SABLight* CAlphaBuffer::GetLight(int) { return nullptr; }
void CAlphaBuffer::AddImpedients(SABImpedient*, unsigned long) {}
SABImpedient* CAlphaBuffer::GetImpedient(int) { return nullptr; }
void CAlphaBuffer::UpdateData() {}
void CAlphaBuffer::GetRectData(SABRectData&, GRECT*) {}

CAlphaBuffer2D::CAlphaBuffer2D()
    : m_grid(nullptr), m_modelManager(nullptr), m_maxLights(0), m_maxImpedients(0), m_lights(nullptr), m_lightCount(0),
      m_impedients(nullptr), m_impedientCount(0), m_dirty(0), m_fillLevel(0), m_columns(0), m_rows(0)
{
}

CAlphaBuffer2D::~CAlphaBuffer2D() { Release(); }

HRESULT CAlphaBuffer2D::Build(SAlphaBufferInit* init)
{
    const SAlphaBufferInit2D* in = dynamic_cast<SAlphaBufferInit2D*>(init);
    // A zero or negative cell size would divide by zero or walk backwards.
    if (in == nullptr || in->cellWidth <= 0 || in->cellHeight <= 0) return KESTUERR_INVALIDPARAM;
    const int columns = in->area.width / in->cellWidth;
    const int rows = in->area.height / in->cellHeight;
    if (columns < 1 || rows < 1 || in->maxImpedients < 0 || in->maxLights < 0 || in->modelManager == nullptr)
        return KESTUERR_INVALIDPARAM;

    SABLight2DPoint* lights = nullptr;
    SABImpedient2DLine* impedients = nullptr;
    uint8_t* grid = nullptr;
    if (in->maxLights > 0) lights = new (std::nothrow) SABLight2DPoint[size_t(in->maxLights)];
    if (in->maxLights <= 0 || lights != nullptr) {
        if (in->maxImpedients >= 1) impedients = new (std::nothrow) SABImpedient2DLine[size_t(in->maxImpedients)];
        if (in->maxImpedients < 1 || impedients != nullptr)
            grid = new (std::nothrow) uint8_t[size_t(columns) * size_t(rows)];
    }
    if (grid == nullptr) {
        delete[] lights;
        delete[] impedients;
        return E_OUTOFMEMORY;
    }

    Release(); // an earlier build is replaced, never leaked
    m_area = in->area;
    m_cellWidth = in->cellWidth;
    m_cellHeight = in->cellHeight;
    m_fillLevel = in->fillLevel;
    m_maxLights = in->maxLights;
    m_maxImpedients = in->maxImpedients;
    m_modelManager = in->modelManager;
    m_lights = lights;
    m_impedients = impedients;
    m_grid = grid;
    m_columns = columns;
    m_rows = rows;
    m_lightCount = 0;
    m_impedientCount = 0;
    FillValue();
    return S_OK;
}

void CAlphaBuffer2D::Release()
{
    m_dirty = 0;
    m_fillLevel = 0;
    m_columns = 0;
    m_rows = 0;
    m_maxLights = 0;
    m_maxImpedients = 0;
    m_lightCount = 0;
    m_impedientCount = 0;
    delete[] m_grid;
    m_grid = nullptr;
    delete[] m_lights;
    m_lights = nullptr;
    delete[] m_impedients;
    m_impedients = nullptr;
}

void CAlphaBuffer2D::FillValue()
{
    if (m_grid != nullptr) std::memset(m_grid, m_fillLevel, size_t(m_columns) * size_t(m_rows));
}

void CAlphaBuffer2D::FillValue(int level, GRECT* r)
{
    if (m_grid == nullptr) return;
    const uint8_t value = static_cast<uint8_t>(level);
    if (r == nullptr) {
        std::memset(m_grid, value, size_t(m_columns) * size_t(m_rows));
        return;
    }
    const int64_t x0 = std::max<int64_t>(r->x, 0), y0 = std::max<int64_t>(r->y, 0);
    const int64_t w = std::min<int64_t>(m_area.width - x0, r->width);
    const int64_t h = std::min<int64_t>(m_area.height - y0, r->height);
    if (w <= 0 || h <= 0) return;
    // Cells past the last whole cell are not part of the grid.
    const int64_t c0 = x0 / m_cellWidth, r0 = y0 / m_cellHeight;
    const int64_t cols = std::min<int64_t>(w / m_cellWidth, m_columns - c0);
    const int64_t rws = std::min<int64_t>(h / m_cellHeight, m_rows - r0);
    if (cols <= 0 || rws < 1) return;
    for (int64_t j = 0; j < rws; ++j) std::memset(m_grid + (r0 + j) * m_columns + c0, value, size_t(cols));
}

void CAlphaBuffer2D::FillValue(unsigned char level, GPOINT& p)
{
    if (m_grid == nullptr) return;
    if (p.x < 0 || p.y < 0 || p.x >= m_area.width || p.y >= m_area.height) return;
    const int c = p.x / m_cellWidth, rw = p.y / m_cellHeight;
    if (c >= m_columns || rw >= m_rows) return;
    m_grid[size_t(rw) * size_t(m_columns) + size_t(c)] = level;
}

void CAlphaBuffer2D::AddLights(SABLight* lights, unsigned long n)
{
    if (lights == nullptr || uint64_t(m_lightCount) + n > uint64_t(m_maxLights)) return;
    const SABLight2DPoint* in = static_cast<const SABLight2DPoint*>(lights);
    for (unsigned long i = 0; i < n; ++i) {
        SABLight2DPoint& slot = m_lights[m_lightCount + int(i)];
        slot.x = in[i].x;
        slot.y = in[i].y;
        slot.model = in[i].model;
        slot.Dirty(1);
    }
    m_lightCount += int(n);
    m_dirty = 1;
}

void CAlphaBuffer2D::AddImpedients(SABImpedient* impedients, unsigned long n)
{
    if (impedients == nullptr || uint64_t(m_impedientCount) + n > uint64_t(m_maxImpedients)) return;
    for (unsigned long i = 0; i < n; ++i) m_impedients[m_impedientCount + int(i)].Dirty(1);
    m_impedientCount += int(n);
    m_dirty = 1;
}

void CAlphaBuffer2D::UpdateData()
{
    if (m_grid == nullptr) return;
    for (int i = 0; i < m_lightCount; ++i) {
        SABLight2DPoint& light = m_lights[i];
        if (!light.IsDirty()) continue;
        if (m_modelManager != nullptr && light.model >= 0 && light.model < m_modelManager->GetModelNumber()) {
            CABLightModel* model = m_modelManager->GetModel(light.model);
            if (model->IsBuilt()) {
                SABRectData view;
                GetRectData(view, nullptr);
                GPOINT centre{light.x, light.y};
                model->CopyData(view, centre, ABLM_COPY_MAX);
            }
        }
        light.Dirty(0);
    }
    m_dirty = 0;
}

void CAlphaBuffer2D::GetRectData(SABRectData& view, GRECT* r)
{
    view.columns = m_columns;
    view.rows = m_rows;
    view.cellWidth = m_cellWidth;
    view.cellHeight = m_cellHeight;
    if (r == nullptr) {
        view.rect = m_area;
        view.firstCell = m_grid;
        return;
    }
    view.firstCell = nullptr;
    if (m_grid == nullptr || !m_area.IsContain(*r) || r->width <= 0 || r->height <= 0) return;
    // Cells are counted from the grid's own origin, and every cell that a
    // walk over the rectangle can reach must lie inside the grid.
    const int64_t rx = int64_t(r->x) - m_area.x, ry = int64_t(r->y) - m_area.y;
    const int64_t c0 = rx / m_cellWidth, r0 = ry / m_cellHeight;
    const int64_t lastCol =
        std::max((rx + r->width - 1) / m_cellWidth, c0 + (r->width + m_cellWidth - 1) / m_cellWidth - 1);
    const int64_t lastRow =
        std::max((ry + r->height - 1) / m_cellHeight, r0 + (r->height + m_cellHeight - 1) / m_cellHeight - 1);
    if (lastCol >= m_columns || lastRow >= m_rows) return;
    view.rect = *r;
    view.firstCell = m_grid + r0 * m_columns + c0;
}
