// CGfxTerrainWater: building the water blocks over the terrains, the waves,
// visibility by line and the draw.
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "kestu_terrainwater.h"
#include "terrain/TerrainTextures.h"

namespace {

constexpr double kTwoPi = 6.2831854820251465;
constexpr float kTwoPiF = 6.2831855f;
constexpr WORD kBlockGrid[5] = {12, 0, 20, 24, 4}; // centre, then corners 0, 3, 2, 1
constexpr ENUM_OU_CORNER kBlockCorner[4] = {OU_CORNER_LEFTBOTTOM, OU_CORNER_LEFTTOP, OU_CORNER_RIGHTTOP,
                                            OU_CORNER_RIGHTBOTTOM};

struct WaterVertex {
    float x, y, z;
    DWORD diffuse;
    float u, v;
};
static_assert(sizeof(WaterVertex) == CGfxTerrainWater::kVertexSize, "the water vertex is 24 bytes");

// The shore fades out over the first 1.5 units of depth.
DWORD DepthColour(DWORD colour, float depth)
{
    const DWORD rgb = colour & 0x00FFFFFFu;
    if (depth <= 0.1f) return rgb;
    if (depth > 1.6f) return colour;
    const float alpha = static_cast<float>(colour >> 24);
    return rgb | (static_cast<DWORD>((depth - 0.1f) * 0.6666667f * alpha) << 24);
}

template <class T>
void ReleaseCom(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

} // namespace

CGfxTerrainWater::CGfxTerrainWater()
    : m_pTerrains(nullptr), m_byTerrainCount(0), m_fAltitude(0.0f), m_pVB(nullptr), m_pIB(nullptr), m_dwVertexCount(0),
      m_dwIndexCount(0), m_pBlocks(nullptr), m_wBlockCount(0), m_pTexture(nullptr), m_bWave(0), m_pSinTable(nullptr),
      m_fXWaveNumber(0.0f), m_fZWaveNumber(0.0f), m_pXTable(nullptr), m_pZTable(nullptr), m_nXTableSize(0),
      m_nZTableSize(0), m_fHalfBlockWidth(0.0f), m_fHalfBlockDepth(0.0f), m_dwColor(0)
{
    D3DXMatrixIdentity(&m_matRoot);
}

CGfxTerrainWater::~CGfxTerrainWater() { Release(); }

void CGfxTerrainWater::Release()
{
    m_pTerrains = nullptr;
    m_byTerrainCount = 0;
    ReleaseCom(m_pVB);
    ReleaseCom(m_pIB);
    m_dwVertexCount = m_dwIndexCount = 0;
    delete[] m_pBlocks;
    m_pBlocks = nullptr;
    m_wBlockCount = 0;
    delete[] m_pXTable;
    delete[] m_pZTable;
    m_pXTable = m_pZTable = nullptr;
    m_nXTableSize = m_nZTableSize = 0;
    D3DXMatrixIdentity(&m_matRoot);
}

HRESULT CGfxTerrainWater::SetAltitude(float altitude)
{
    m_fAltitude = altitude;
    D3DXMatrixIdentity(&m_matRoot);
    m_matRoot._42 = altitude;
    return S_OK;
}

void CGfxTerrainWater::SetWave(const SWaterWave& wave)
{
    m_Wave = wave;
    m_fXWaveNumber = wave.fXLength == 0.0f ? 0.0f : kTwoPiF * wave.fXFrequency / wave.fXLength;
    m_fZWaveNumber = wave.fZLength == 0.0f ? 0.0f : kTwoPiF * wave.fZFrequency / wave.fZLength;
}

CTerrainBlock* CGfxTerrainWater::GetTerrBlock(int index) const
{
    const SWaterBlock& b = m_pBlocks[index];
    return m_pTerrains[b.byTerrain].GetBlock(DWORD(b.wBlock));
}

BOOL CGfxTerrainWater::IsBlockVisible(DWORD index) const
{
    const SWaterBlock& b = m_pBlocks[index];
    return b.byVisible && m_pTerrains[b.byTerrain].IsBlockVisible(b.wBlock);
}

DWORD CGfxTerrainWater::GetVisibleFaceNum() const
{
    DWORD faces = 0;
    for (DWORD b = 0; b < m_wBlockCount; ++b)
        if (IsBlockVisible(b)) faces += 4;
    return faces;
}

HRESULT CGfxTerrainWater::Build(const STerrainWaterInit* init)
{
    if (!init || !init->IsValid()) return E_INVALIDARG;
    if (m_pVB) return E_FAIL;
    // Water blocks stand on terrain blocks: every terrain must be built.
    for (BYTE t = 0; t < init->byTerrainCount; ++t)
        if (!init->pTerrains[t].IsBuilt()) return E_INVALIDARG;
    const CTerrain& first = init->pTerrains[0];
    const float hbw = first.GetBlockWidth() * 0.5f;
    const float hbd = first.GetBlockHeight() * 0.5f;
    if (!(hbw > 0.0f && hbd > 0.0f)) return E_INVALIDARG;

    m_pTerrains = init->pTerrains;
    m_byTerrainCount = init->byTerrainCount;
    m_wBlockCount = init->wBlockCount;
    m_pTexture = init->pTexture;
    m_bWave = init->bWave;
    m_pSinTable = init->pSinTable;
    m_dwColor = init->dwColor;
    SetAltitude(init->fAltitude);

    KESTURECT2 rect = *first.GetRect();
    for (BYTE t = 1; t < m_byTerrainCount; ++t) rect.UnionRect(rect, *m_pTerrains[t].GetRect());
    m_fHalfBlockWidth = hbw;
    m_fHalfBlockDepth = hbd;

    std::vector<SWaterBlockInit> found;
    const SWaterBlockInit* list = init->pBlocks;
    DWORD count = init->wBlockCount;
    if (!list) {
        try {
            for (BYTE t = 0; t < m_byTerrainCount; ++t) {
                const CTerrain& terrain = m_pTerrains[t];
                for (DWORD i = 0; i < terrain.GetBlockNum(); ++i) {
                    const CTerrainBlock* block = terrain.GetBlock(i);
                    bool under = false;
                    for (WORD k = 0; k < 25 && !under; ++k) under = block->GetAtitude(k) < init->fAltitude;
                    if (under) found.push_back({t, static_cast<WORD>(i), 1});
                }
            }
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        // Five vertices per block must stay addressable by 16-bit indices.
        if (found.size() > 13107) return E_INVALIDARG;
        list = found.data();
        count = static_cast<DWORD>(found.size());
    } else {
        for (DWORD b = 0; b < count; ++b) {
            if (list[b].byTerrain >= m_byTerrainCount || list[b].wBlock >= m_pTerrains[list[b].byTerrain].GetBlockNum())
                return E_INVALIDARG;
        }
        if (count > 13107) return E_INVALIDARG;
    }
    if (count == 0) {
        m_wBlockCount = 0;
        return S_OK;
    }

    m_pBlocks = new (std::nothrow) SWaterBlock[count];
    if (!m_pBlocks) return E_OUTOFMEMORY;
    m_wBlockCount = static_cast<WORD>(count);
    for (DWORD b = 0; b < count; ++b) {
        m_pBlocks[b].byTerrain = list[b].byTerrain;
        m_pBlocks[b].wBlock = list[b].wBlock;
        m_pBlocks[b].byVisible = list[b].bVisible ? 1 : 0;
    }

    m_nXTableSize = static_cast<int32_t>((rect.right - rect.left) / hbw + 1.5f);
    m_nZTableSize = static_cast<int32_t>((rect.top - rect.bottom) / hbd + 1.5f);
    if (m_nXTableSize < 3 || m_nZTableSize < 3) return E_INVALIDARG;
    m_pXTable = new (std::nothrow) float[m_nXTableSize]();
    m_pZTable = new (std::nothrow) float[m_nZTableSize]();
    if (!m_pXTable || !m_pZTable) return E_OUTOFMEMORY;
    return FillBuffers(init, rect);
}

HRESULT CGfxTerrainWater::FillBuffers(const STerrainWaterInit* init, const KESTURECT2& rect)
{
    IDirect3DDevice8* device = init->pDevice;
    m_dwVertexCount = 5u * m_wBlockCount;
    m_dwIndexCount = 6u * m_wBlockCount;
    HRESULT hr = device->CreateVertexBuffer(m_dwVertexCount * kVertexSize, m_bWave ? D3DUSAGE_WRITEONLY : 0, kFVF,
                                            m_bWave ? D3DPOOL_SYSTEMMEM : D3DPOOL_MANAGED, &m_pVB);
    if (FAILED(hr)) return hr;
    hr = device->CreateIndexBuffer(m_dwIndexCount * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &m_pIB);
    if (FAILED(hr)) return hr;
    BYTE* vbytes = nullptr;
    BYTE* ibytes = nullptr;
    const HRESULT vlock = m_pVB->Lock(0, 0, &vbytes, 0);
    const HRESULT ilock = m_pIB->Lock(0, 0, &ibytes, 0);
    HRESULT result = vlock | ilock;
    if (SUCCEEDED(vlock) && SUCCEEDED(ilock)) {
        auto* vertices = reinterpret_cast<WaterVertex*>(vbytes);
        auto* indices = reinterpret_cast<WORD*>(ibytes);
        for (DWORD b = 0; b < m_wBlockCount; ++b) {
            const CTerrainBlock* block = GetTerrBlock(static_cast<int>(b));
            WaterVertex* v = vertices + 5 * b;
            for (int k = 0; k < 5; ++k) {
                const D3DXVECTOR3* p = k == 0 ? block->GetCenter() : block->GetCorner(kBlockCorner[k - 1]);
                const float depth = m_fAltitude - block->GetAtitude(kBlockGrid[k]);
                v[k] = {p->x, 0.0f, p->z, DepthColour(m_dwColor, depth), init->TexCoords[k].x, init->TexCoords[k].y};
            }
            const WORD base = static_cast<WORD>(5 * b);
            const WORD fan[6] = {base, WORD(base + 1), WORD(base + 2), WORD(base + 3), WORD(base + 4), WORD(base + 1)};
            std::memcpy(indices + 6 * b, fan, sizeof fan);
            SWaterBlock& wb = m_pBlocks[b];
            const float xi = (v[1].x - rect.left) / m_fHalfBlockWidth + 0.5f;
            const float zi = (v[1].z - rect.bottom) / m_fHalfBlockDepth + 0.5f;
            // The wave tables hold corner 0 to corner 2 of every block inside the water's rectangle.
            const int32_t i = xi >= 0.0f && xi < float(m_nXTableSize) ? static_cast<int32_t>(xi) : m_nXTableSize;
            const int32_t j = zi >= 0.0f && zi < float(m_nZTableSize) ? static_cast<int32_t>(zi) : m_nZTableSize;
            if (i + 2 >= m_nXTableSize || j + 2 >= m_nZTableSize) result = E_INVALIDARG;
            wb.wXIndex = static_cast<WORD>(i + 2 < m_nXTableSize ? i : 0);
            wb.wZIndex = static_cast<WORD>(j + 2 < m_nZTableSize ? j : 0);
        }
    }
    if (SUCCEEDED(vlock)) m_pVB->Unlock();
    if (SUCCEEDED(ilock)) m_pIB->Unlock();
    if (FAILED(result)) return result;
    if (m_bWave) SetWave({120.0f, 130.0f, 1.0f, 2.5f, 0.2f, 0.15f});
    return result;
}

int CGfxTerrainWater::UpdateDyTable(float time)
{
    const float xPhase = static_cast<float>(std::fmod(double(time) * m_Wave.fXFrequency, kTwoPi));
    const float zPhase = static_cast<float>(std::fmod(double(time) * m_Wave.fZFrequency, kTwoPi));
    auto sine = [this](float a) { return m_pSinTable ? m_pSinTable->Query(a) : std::sin(a); };
    const float xStep = m_fXWaveNumber * m_fHalfBlockWidth;
    const float zStep = m_fZWaveNumber * m_fHalfBlockDepth;
    for (int32_t i = 0; i < m_nXTableSize; ++i) m_pXTable[i] = m_Wave.fXAmplitude * sine(float(i) * xStep + xPhase);
    for (int32_t j = 0; j < m_nZTableSize; ++j) m_pZTable[j] = m_Wave.fZAmplitude * sine(float(j) * zStep + zPhase);
    return 1;
}

void CGfxTerrainWater::UpdateFrame(float time)
{
    if (!m_wBlockCount || !m_bWave || !m_pVB) return;
    if (!UpdateDyTable(time)) return;
    BYTE* bytes = nullptr;
    if (FAILED(m_pVB->Lock(0, 0, &bytes, 0))) return;
    auto* vertices = reinterpret_cast<WaterVertex*>(bytes);
    const float* X = m_pXTable;
    const float* Z = m_pZTable;
    for (DWORD b = 0; b < m_wBlockCount; ++b) {
        if (!IsBlockVisible(b)) continue;
        const int i = m_pBlocks[b].wXIndex, j = m_pBlocks[b].wZIndex;
        WaterVertex* v = vertices + 5 * b;
        v[0].y = X[i + 1] + Z[j + 1];
        v[1].y = X[i] + Z[j];
        v[2].y = X[i] + Z[j + 2];
        v[3].y = X[i + 2] + Z[j + 2];
        v[4].y = X[i + 2] + Z[j];
    }
    m_pVB->Unlock();
}

HRESULT CGfxTerrainWater::Render(IDirect3DDevice8* device)
{
    if (!m_pVB) return E_FAIL;
    if (!m_wBlockCount) return S_OK;
    if (!device) return E_INVALIDARG;
    HRESULT hr = device->SetVertexShader(kFVF);
    hr |= device->SetStreamSource(0, m_pVB, kVertexSize);
    hr |= device->SetIndices(m_pIB, 0);
    hr |= device->SetTransform(D3DTS_WORLD, &m_matRoot);
    hr |= device->SetTexture(0, TerrainTextureOf(m_pTexture));
    if (FAILED(hr)) return hr;
    for (DWORD b = 0; b < m_wBlockCount; ++b)
        if (IsBlockVisible(b)) hr |= device->DrawIndexedPrimitive(D3DPT_TRIANGLEFAN, 5 * b, 5, 6 * b, 4);
    return hr;
}

WORD CGfxTerrainWater::ChangeWithLine(const KESTULINE2& line, BYTE from)
{
    WORD changed = 0;
    for (DWORD b = 0; b < m_wBlockCount; ++b) {
        SWaterBlock& wb = m_pBlocks[b];
        if (wb.byVisible != from) continue;
        // Corner 0 sits wXIndex half blocks in; the centre one half block further.
        const float x = (wb.wXIndex + 1) * m_fHalfBlockWidth;
        const float z = (wb.wZIndex + 1) * m_fHalfBlockDepth;
        if (line.a * x + line.b * z + line.c < 0.0f) {
            wb.byVisible = from ? 0 : 1;
            ++changed;
        }
    }
    return changed;
}

WORD CGfxTerrainWater::ClipWithLine(const KESTULINE2& line) { return ChangeWithLine(line, 1); }

WORD CGfxTerrainWater::SpreadWithLine(const KESTULINE2& line) { return ChangeWithLine(line, 0); }

void CGfxTerrainWater::InquireWave(float& height, float& slopeX, float& slopeZ, float x, float z) const
{
    height = m_fAltitude;
    slopeX = slopeZ = 0.0f;
    if (!m_pXTable || !m_pZTable || m_nXTableSize < 2 || m_nZTableSize < 2) return;
    // Outside the tables the nearest entries answer.
    auto clampIndex = [](float v, int32_t size) {
        if (!(v > 0.0f)) return 0;
        return v >= float(size - 2) ? size - 2 : static_cast<int>(v);
    };
    const int i = clampIndex(x / m_fHalfBlockWidth, m_nXTableSize);
    const int j = clampIndex(z / m_fHalfBlockDepth, m_nZTableSize);
    height = m_fAltitude + m_pXTable[i] + m_pZTable[j];
    slopeX = (m_pXTable[i + 1] - m_pXTable[i]) / m_fHalfBlockWidth;
    slopeZ = (m_pZTable[j + 1] - m_pZTable[j]) / m_fHalfBlockDepth;
}
