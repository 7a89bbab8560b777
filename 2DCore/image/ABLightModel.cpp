#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "kestu_log.h"
#include "kestu_ablight.h"

CABLightModel::CABLightModel()
    : m_type(KESTU_ABLIGHT_2DPOINT), m_size(0), m_aspect(16), m_min(0), m_max(0), m_map(nullptr)
{
}

CABLightModel::~CABLightModel() { Release(); }

void CABLightModel::Release()
{
    delete[] m_map;
    m_map = nullptr;
}

int CABLightModel::GetMapHeight() const
{
    if (m_aspect == 8) return m_size;
    const int64_t h = int64_t(m_size) * 8 / m_aspect;
    return h < 1 ? 1 : static_cast<int>(h);
}

HRESULT CABLightModel::Build(ENUM_KESTU_ABLIGHT_TYPE type, int size, int aspect, int min, int max)
{
    if (!(aspect > 0 && aspect <= 256 && size > 0 && min >= 0 && min <= max && type == KESTU_ABLIGHT_2DPOINT))
        return KESTUERR_INVALIDPARAM;
    Release();

    const int r = size / 2 > 1 ? size / 2 : 1;
    const bool odd = (size & 1) != 0;
    const uint8_t minByte = static_cast<uint8_t>(min);
    uint8_t* map;
    if (aspect == 8) {
        map = new (std::nothrow) uint8_t[size_t(size) * size_t(size)];
        if (map == nullptr) return E_OUTOFMEMORY;
        std::memset(map, minByte, size_t(size) * size_t(size));
        auto cell = [&](int col, int row) -> uint8_t& { return map[size_t(row) * size_t(size) + size_t(col)]; };
        // The ramp lies in the centre row, right of the centre.
        uint8_t* ramp = new (std::nothrow) uint8_t[size_t(r)];
        if (ramp == nullptr) {
            delete[] map;
            return E_OUTOFMEMORY;
        }
        for (int i = 0; i < r; ++i)
            ramp[i] = static_cast<uint8_t>(static_cast<int>(double(r - i) * double(max - min) / r + min));
        const int c = odd ? r : r - 1;
        for (int i = 0; i < r && r + i < size; ++i) cell(r + i, c) = ramp[i];
        const int quarter = r + (odd ? 1 : 0);
        for (int j = 0; j < quarter && j < size; ++j) {
            for (int i = 0; i < quarter && i < size; ++i) {
                const double dx = i - r, dy = j - r;
                const int d = static_cast<int>(std::lround(std::sqrt(dx * dx + dy * dy)));
                if (d < r) cell(i, j) = ramp[d];
            }
        }
        delete[] ramp;
        for (int j = 0; j < r && j < size; ++j)
            for (int i = 0; i < r; ++i) cell(size - 1 - i, j) = cell(i, j);
        for (int j = 0; j < r && j < size; ++j) std::memcpy(&cell(0, size - 1 - j), &cell(0, j), size_t(size));
    } else {
        const int64_t tall = int64_t(size) * 8 / aspect;
        const int H = tall > 1 ? static_cast<int>(tall) : 1;
        map = new (std::nothrow) uint8_t[size_t(size) * size_t(H)];
        if (map == nullptr) return E_OUTOFMEMORY;
        std::memset(map, minByte, size_t(size) * size_t(H));
        auto cell = [&](int col, int row) -> uint8_t& { return map[size_t(row) * size_t(size) + size_t(col)]; };
        const int half = size / 2, halfH = H / 2;
        const int rowsEnd = std::max(halfH + (H & 1), 1);
        const int colsEnd = std::max(half + (size & 1), 1);
        for (int j = 0; j < rowsEnd && j < H; ++j) {
            for (int i = 0; i < colsEnd && i < size; ++i) {
                const int64_t dx = i - half, dy = j - halfH;
                int64_t d;
                if (aspect > 8) {
                    const int64_t k = aspect / 8;
                    d = std::lround(std::sqrt(double(dx * dx + dy * dy * k * k)));
                } else {
                    const int64_t q = 8 / aspect;
                    d = std::lround(std::sqrt(double(dx * dx + (dy * dy / q) / q)));
                }
                if (d <= r) cell(i, j) = static_cast<uint8_t>(min + (r - d) * (int64_t(max) - min) / r);
            }
        }
        const int mirrorCols = std::max(half, 1);
        const int mirrorRows = std::max(halfH, 1);
        for (int j = 0; j < rowsEnd && j < H; ++j)
            for (int i = 0; i < mirrorCols && i < size; ++i) cell(size - 1 - i, j) = cell(i, j);
        for (int j = 0; j < mirrorRows && j < H; ++j) std::memcpy(&cell(0, H - 1 - j), &cell(0, j), size_t(size));
    }
    m_type = type;
    m_size = size;
    m_aspect = aspect;
    m_min = min;
    m_max = max;
    m_map = map;
    return S_OK;
}

void CABLightModel::CopyData(SABRectData& view, GPOINT& centre, ENUM_ABLM_COPY_FLAG flag)
{
    if (m_map == nullptr || view.firstCell == nullptr || view.cellWidth <= 0 || view.cellHeight <= 0) return;
    const int cx = centre.x / view.cellWidth;
    const int cy = centre.y / view.cellHeight;
    const int h = static_cast<int>(int64_t(m_size) * 8 / m_aspect);
    const int64_t px64 = int64_t(cx) - m_size / 2, py64 = int64_t(cy) - h / 2;
    if (px64 < INT32_MIN || py64 < INT32_MIN || px64 + m_size > INT32_MAX || py64 + h > INT32_MAX) return;
    const int px = static_cast<int>(px64), py = static_cast<int>(py64);
    GRECT p(px, py, m_size, h);
    const GRECT v(view.rect.x / view.cellWidth, view.rect.y / view.cellHeight, view.rect.width / view.cellWidth,
                  view.rect.height / view.cellHeight);
    if (!p.Intersect(v)) return;
    const uint8_t* src = m_map + size_t(m_size) * size_t(p.y - py) + size_t(p.x - px);
    uint8_t* dst = view.firstCell + intptr_t(view.columns) * (p.y - v.y) + (p.x - v.x);
    for (int j = 0; j < p.height; ++j, src += m_size, dst += view.columns) {
        if (flag == ABLM_COPY_MAX) {
            for (int i = 0; i < p.width; ++i)
                if (src[i] > dst[i]) dst[i] = src[i];
        } else {
            std::memcpy(dst, src, size_t(p.width));
        }
    }
}

CABLightModeManger::CABLightModeManger() : m_count(0), m_models(nullptr) {}

CABLightModeManger::~CABLightModeManger() { Release(); }

HRESULT CABLightModeManger::Build(int count)
{
    if (count <= 0) return KESTUERR_INVALIDPARAM;
    CABLightModel* models = new (std::nothrow) CABLightModel[size_t(count)];
    if (models == nullptr) return E_OUTOFMEMORY;
    Release();
    m_models = models;
    m_count = count;
    return S_OK;
}

void CABLightModeManger::Release()
{
    delete[] m_models;
    m_models = nullptr;
    m_count = 0;
}

int CABLightModeManger::FindFreeModel() const
{
    for (int i = 0; i < m_count; ++i)
        if (!m_models[i].IsBuilt()) return i;
    return -1;
}
