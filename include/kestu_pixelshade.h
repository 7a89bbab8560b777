// Shade tables: per brightness level, the shaded value of every pixel.
#pragma once

#include <cstdint>

#include "kestu_export.h"
#include "kestu_pixelformat.h"

enum ENUM_KESTU_PIXELSHADE_FORMULA : int32_t {
    KESTU_PIXELSHADE_FORMULA_LINEAR = 0,
};

class KESTU_API CPixelShade {
public:
    // Levels run from 0 to the total level, and a total of 256 is allowed,
    // so the per-level arrays carry 257 slots.
    static constexpr int kMaxLevels = 257;

    CPixelShade();
    CPixelShade(const CPixelShade& other); // deep copy: each object owns its tables
    CPixelShade& operator=(const CPixelShade& other);
    virtual ~CPixelShade();

    int32_t Build(PIXELFORMAT format, unsigned long totalLevel, unsigned long normalLevel, unsigned long* partialColor,
                  int linear, ENUM_KESTU_PIXELSHADE_FORMULA formula);
    int32_t ResetLevel(int level, unsigned long* partialColor);
    int32_t ResetAllLevel(unsigned long* partialColor);
    void Release();

    int IsBuilt() const { return m_tableCount > 0; }
    unsigned long GetTableNumber() const { return m_tableCount; }
    unsigned long GetTotalLevel() const { return m_totalLevel; }
    unsigned long GetNormalLevel() const { return m_normalLevel; }
    PIXELFORMAT GetPixelFormat() const { return m_format; }
    ENUM_KESTU_PIXELSHADE_FORMULA GetFormula() const { return m_formula; }
    int IsSymmetry() const { return m_symmetric; }
    void* GetTable(int level) const { return m_tables[level]; }
    void** GetTables() { return m_tables; }
    void* GetInvertedTable(int level) const { return m_tables[int(m_normalLevel) - level]; }
    int GetInvertedTableIndexByLevel(int level) const;
    float* GetParameterTable(int level) { return m_params[level]; }
    float GetParameter(int level, int i) const { return m_params[level][i]; }
    void SetParameter(int level, int i, float value) { m_params[level][i] = value; }
    unsigned long GetPartialColor(int level) const { return m_partialColors[level]; }
    void SetPartialColor(int level, unsigned long colour) { m_partialColors[level] = static_cast<uint32_t>(colour); }

private:
    void FreeTables();
    void CopyFrom(const CPixelShade& other);
    void MakeTable(int level);
    void TestSymmetry();

    ENUM_KESTU_PIXELSHADE_FORMULA m_formula;
    PIXELFORMAT m_format;
    uint32_t m_normalLevel;
    uint32_t m_totalLevel;
    void* m_tables[kMaxLevels];
    float m_params[kMaxLevels][4];
    uint32_t m_partialColors[kMaxLevels];
    uint32_t m_tableCount;
    uint32_t m_entriesPerTable;
    uint32_t m_bitsPerEntry;
    int32_t m_symmetric;
};
