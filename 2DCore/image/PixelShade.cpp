#include "kestu_pixelshade.h"

#include <cstdlib>
#include <cstring>

#include "kestu_log.h"

namespace {

struct Channels {
    uint32_t r, g, b;
};

// Channel split and channel maxima at a table's own precision.
Channels Split(int format, uint32_t p)
{
    switch (format) {
    case 16: return {(p >> 11) & 31, (p >> 5) & 63, p & 31};
    case 15: return {(p >> 10) & 31, (p >> 5) & 31, p & 31};
    default: return {(p >> 16) & 255, (p >> 8) & 255, p & 255};
    }
}

Channels Maxima(int format)
{
    switch (format) {
    case 16: return {31, 63, 31};
    case 15: return {31, 31, 31};
    default: return {255, 255, 255};
    }
}

uint32_t Pack(int format, uint32_t r, uint32_t g, uint32_t b)
{
    switch (format) {
    case 16: return r * 2048 + g * 32 + b;
    case 15: return r * 1024 + g * 32 + b;
    default: return r * 65536 + g * 256 + b;
    }
}

// Entries allocated per table. A 555 table covers every 16-bit value, so a
// pixel with its unused top bit set still looks up inside the table.
uint32_t EntriesFor(int format) { return format == 32 ? 16777216u : 65536u; }

// The entry width follows from the table size, never from a field that a
// refused Build may already have changed.
size_t TableBytes(uint32_t entries) { return size_t(entries) * (entries == 16777216u ? 4 : 2); }

uint32_t ShadeChannel(uint32_t c, double s, float q, float f, uint32_t max)
{
    const float cp = static_cast<float>((c / s - q) * f + q);
    const double v = static_cast<double>(cp) * (s * f);
    if (v > max) return max;
    if (!(v > 0.0)) return 0; // a share below the partial colour's, brightened past zero
    return static_cast<uint32_t>(v) & 0xFF;
}

} // namespace

CPixelShade::CPixelShade()
    : m_formula(KESTU_PIXELSHADE_FORMULA_LINEAR), m_format(static_cast<PIXELFORMAT>(16)), m_normalLevel(16),
      m_totalLevel(0), m_tables{}, m_params{}, m_tableCount(0), m_entriesPerTable(0), m_bitsPerEntry(0), m_symmetric(0)
{
    for (uint32_t& c : m_partialColors) c = 0x00FFFFFF;
}

CPixelShade::CPixelShade(const CPixelShade& other) : m_tables{} { CopyFrom(other); }

CPixelShade& CPixelShade::operator=(const CPixelShade& other)
{
    if (this != &other) {
        FreeTables();
        CopyFrom(other);
    }
    return *this;
}

CPixelShade::~CPixelShade() { Release(); }

void CPixelShade::CopyFrom(const CPixelShade& other)
{
    m_formula = other.m_formula;
    m_format = other.m_format;
    m_normalLevel = other.m_normalLevel;
    m_totalLevel = other.m_totalLevel;
    std::memcpy(m_params, other.m_params, sizeof m_params);
    std::memcpy(m_partialColors, other.m_partialColors, sizeof m_partialColors);
    m_entriesPerTable = other.m_entriesPerTable;
    m_bitsPerEntry = other.m_bitsPerEntry;
    m_symmetric = other.m_symmetric;
    m_tableCount = 0;
    for (void*& t : m_tables) t = nullptr;
    const size_t bytes = TableBytes(other.m_entriesPerTable);
    for (uint32_t i = 0; i < other.m_tableCount; ++i) {
        if (other.m_tables[i] == nullptr) continue;
        m_tables[i] = std::malloc(bytes);
        if (m_tables[i] == nullptr) {
            FreeTables(); // an unfinished copy stays not built
            return;
        }
        std::memcpy(m_tables[i], other.m_tables[i], bytes);
    }
    m_tableCount = other.m_tableCount;
}

void CPixelShade::FreeTables()
{
    for (void*& t : m_tables) {
        std::free(t);
        t = nullptr;
    }
    m_tableCount = 0;
}

void CPixelShade::Release() { FreeTables(); }

int CPixelShade::GetInvertedTableIndexByLevel(int level) const
{
    if (m_symmetric && level < static_cast<int>(m_normalLevel)) return static_cast<int>(m_normalLevel) - level;
    return -4;
}

int32_t CPixelShade::Build(PIXELFORMAT format, unsigned long totalLevel, unsigned long normalLevel,
                           unsigned long* partialColor, int linear, ENUM_KESTU_PIXELSHADE_FORMULA formula)
{
    const int fmt = static_cast<int>(format);
    if (fmt != 15 && fmt != 16 && fmt != 32) return KESTUERR_FORMATNOTSUPPORTED;
    if (totalLevel > 256 || totalLevel == 0 || totalLevel < normalLevel) return KESTUERR_INVALIDPARAM;

    const uint32_t total = static_cast<uint32_t>(totalLevel);
    const uint32_t normal = static_cast<uint32_t>(normalLevel);
    m_normalLevel = normal;

    if (linear != 0) {
        if (formula != KESTU_PIXELSHADE_FORMULA_LINEAR) return KESTUERR_INVALIDPARAM;
        for (uint32_t i = 0; i < uint32_t(kMaxLevels); ++i) {
            double f;
            if (i == normal)
                f = 1.0;
            else if (i < normal)
                f = i * (1.0 / normal);
            else if (i < total)
                f = (i - normal) * (1.0 / (total - normal)) + 1.0;
            else if (i == total)
                f = 10000.0;
            else
                f = 0.0;
            m_params[i][0] = static_cast<float>(f);
            m_params[i][1] = m_params[i][2] = m_params[i][3] = 0.0f;
        }
    }
    if (partialColor != nullptr)
        for (uint32_t i = 0; i <= total; ++i) m_partialColors[i] = static_cast<uint32_t>(*partialColor);

    m_bitsPerEntry = fmt == 32 ? 32 : 16;
    m_totalLevel = total;
    if (formula != KESTU_PIXELSHADE_FORMULA_LINEAR) return KESTUERR_INVALIDPARAM;

    const uint32_t count = total + 1;
    const uint32_t entries = EntriesFor(fmt);
    if (count != m_tableCount || entries != m_entriesPerTable) {
        FreeTables();
        m_entriesPerTable = entries;
        const size_t bytes = TableBytes(entries);
        for (uint32_t i = 0; i < count; ++i) {
            m_tables[i] = std::malloc(bytes);
            if (m_tables[i] == nullptr) {
                // Never leave a "built" object with missing tables behind.
                FreeTables();
                return E_OUTOFMEMORY;
            }
        }
        m_tableCount = count;
    }

    m_format = format;
    for (uint32_t i = 0; i < count; ++i) MakeTable(static_cast<int>(i));
    TestSymmetry();
    return S_OK;
}

int32_t CPixelShade::ResetLevel(int level, unsigned long* partialColor)
{
    if (!IsBuilt()) return KESTUERR_SHADENOTBUILT;
    if (level < 0 || level > static_cast<int>(m_totalLevel)) return KESTUERR_INVALIDPARAM;
    if (partialColor != nullptr) m_partialColors[level] = static_cast<uint32_t>(*partialColor);
    MakeTable(level);
    return S_OK;
}

int32_t CPixelShade::ResetAllLevel(unsigned long* partialColor)
{
    if (!IsBuilt()) return KESTUERR_SHADENOTBUILT;
    for (int level = 0; level <= static_cast<int>(m_totalLevel); ++level) {
        if (partialColor != nullptr) m_partialColors[level] = static_cast<uint32_t>(*partialColor);
        MakeTable(level);
    }
    return S_OK;
}

void CPixelShade::MakeTable(int level)
{
    const int fmt = static_cast<int>(m_format);
    void* table = m_tables[level];
    if (table == nullptr || (fmt != 15 && fmt != 16 && fmt != 32)) return;

    const float f = m_params[level][0];
    const Channels max = Maxima(fmt);
    const uint32_t colour = m_partialColors[level];
    const Channels pc = Split(fmt, fmt == 32 ? colour : (colour & 0xFFFF));
    float qr, qg, qb;
    const uint32_t psum = pc.r + pc.g + pc.b;
    if (psum == 0) {
        // A black partial colour has no hue: take it as neutral grey.
        qr = qg = qb = static_cast<float>(1.0 / 3.0);
    } else {
        const double inv = 1.0 / psum;
        qr = static_cast<float>(inv * pc.r);
        qg = static_cast<float>(inv * pc.g);
        qb = static_cast<float>(inv * pc.b);
    }

    // 555 tables fill their low half and mirror it into the top-bit half.
    const uint32_t built = fmt == 15 ? 32768u : m_entriesPerTable;
    auto entry = [&](uint32_t p) -> uint32_t {
        const Channels c = Split(fmt, p);
        const uint32_t s = c.r + c.g + c.b;
        if (s == 0) return 0;
        const double sd = s;
        return Pack(fmt, ShadeChannel(c.r, sd, qr, f, max.r), ShadeChannel(c.g, sd, qg, f, max.g),
                    ShadeChannel(c.b, sd, qb, f, max.b));
    };
    if (m_entriesPerTable == 16777216u) {
        uint32_t* t = static_cast<uint32_t*>(table);
        t[0] = 0;
        for (uint32_t p = 1; p < built; ++p) t[p] = entry(p);
    } else {
        uint16_t* t = static_cast<uint16_t*>(table);
        t[0] = 0;
        for (uint32_t p = 1; p < built; ++p) t[p] = static_cast<uint16_t>(entry(p));
        if (built < m_entriesPerTable) std::memcpy(t + built, t, (m_entriesPerTable - built) * sizeof(uint16_t));
    }
}

void CPixelShade::TestSymmetry()
{
    m_symmetric = 1;
    const int n = static_cast<int>(m_normalLevel);
    for (int i = n / 2; i >= 0; --i) {
        for (int e = 0; e < 4; ++e) {
            const long double x =
                static_cast<long double>(m_params[n - i][e]) + static_cast<long double>(m_params[i][e]) - 1.0L;
            const bool pass = x <= -0.999L || x >= 0.999L || (x >= -0.001L && x <= 0.001L);
            if (!pass) {
                m_symmetric = 0;
                return;
            }
        }
    }
}
