// Vertex shader declarations: stream layouts, constant loads and the FVF
// that fixed-function vertex processing uses for them.
#include <algorithm>
#include <cstring>

#include "d3d8/shader_translate.h"

namespace kestu::d3d8 {
namespace {

DWORD FvfFromElements(const std::vector<VertexElement>& elements)
{
    const VertexElement* byReg[17] = {};
    for (const VertexElement& e : elements)
        if (e.reg < 17) byReg[e.reg] = &e;
    const VertexElement* pos = byReg[D3DVSDE_POSITION];
    if (!pos || (pos->type != D3DVSDT_FLOAT3 && pos->type != D3DVSDT_FLOAT4)) return 0;
    DWORD fvf = D3DFVF_XYZ;
    unsigned betas = 0;
    if (const VertexElement* w = byReg[D3DVSDE_BLENDWEIGHT]; w && w->type <= D3DVSDT_FLOAT4) betas = w->type + 1;
    if (const VertexElement* i = byReg[D3DVSDE_BLENDINDICES]; i && i->type == D3DVSDT_UBYTE4) {
        ++betas;
        fvf |= D3DFVF_LASTBETA_UBYTE4;
    }
    if (betas) fvf = (fvf & ~DWORD(D3DFVF_POSITION_MASK)) | (D3DFVF_XYZB1 + 2 * (std::min(betas, 5u) - 1));
    if (byReg[D3DVSDE_NORMAL]) fvf |= D3DFVF_NORMAL;
    if (byReg[D3DVSDE_PSIZE]) fvf |= D3DFVF_PSIZE;
    if (byReg[D3DVSDE_DIFFUSE]) fvf |= D3DFVF_DIFFUSE;
    if (byReg[D3DVSDE_SPECULAR]) fvf |= D3DFVF_SPECULAR;
    unsigned tex = 0;
    for (unsigned i = 0; i < 8; ++i) {
        const VertexElement* t = byReg[D3DVSDE_TEXCOORD0 + i];
        if (!t) continue;
        tex = i + 1;
        static const DWORD kFormat[4] = {D3DFVF_TEXTUREFORMAT1, D3DFVF_TEXTUREFORMAT2, D3DFVF_TEXTUREFORMAT3,
                                         D3DFVF_TEXTUREFORMAT4};
        if (t->type <= D3DVSDT_FLOAT4) fvf |= kFormat[t->type] << (16 + 2 * i);
    }
    fvf |= tex << D3DFVF_TEXCOUNT_SHIFT;
    return fvf;
}

} // namespace

unsigned VertexElementSize(DWORD type)
{
    switch (type) {
    case D3DVSDT_FLOAT1: return 4;
    case D3DVSDT_FLOAT2: return 8;
    case D3DVSDT_FLOAT3: return 12;
    case D3DVSDT_FLOAT4: return 16;
    case D3DVSDT_D3DCOLOR: return 4;
    case D3DVSDT_UBYTE4: return 4;
    case D3DVSDT_SHORT2: return 4;
    case D3DVSDT_SHORT4: return 8;
    default: return 0;
    }
}

std::vector<VertexElement> ElementsFromFvf(DWORD fvf, bool indexedBlend)
{
    std::vector<VertexElement> out;
    DWORD at = 0;
    auto add = [&](DWORD reg, DWORD type) {
        out.push_back({0, reg, type, at});
        at += VertexElementSize(type);
    };
    const DWORD pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == D3DFVF_XYZRHW) {
        add(D3DVSDE_POSITION, D3DVSDT_FLOAT4);
    } else if (pos != 0) {
        add(D3DVSDE_POSITION, D3DVSDT_FLOAT3);
        if (pos >= D3DFVF_XYZB1) {
            const DWORD betas = (pos - D3DFVF_XYZB1) / 2 + 1;
            const bool lastIndices = indexedBlend || (fvf & D3DFVF_LASTBETA_UBYTE4);
            const DWORD weights = std::min<DWORD>(betas - (lastIndices ? 1 : 0), 4);
            const DWORD start = at;
            if (weights) add(D3DVSDE_BLENDWEIGHT, D3DVSDT_FLOAT1 + weights - 1);
            at = start + 4 * (betas - 1);
            if (lastIndices) add(D3DVSDE_BLENDINDICES, D3DVSDT_UBYTE4);
            at = start + 4 * betas;
        }
    }
    if (fvf & D3DFVF_NORMAL) add(D3DVSDE_NORMAL, D3DVSDT_FLOAT3);
    if (fvf & D3DFVF_PSIZE) add(D3DVSDE_PSIZE, D3DVSDT_FLOAT1);
    if (fvf & D3DFVF_DIFFUSE) add(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR);
    if (fvf & D3DFVF_SPECULAR) add(D3DVSDE_SPECULAR, D3DVSDT_D3DCOLOR);
    const DWORD tex = std::min<DWORD>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT, 8);
    for (DWORD i = 0; i < tex; ++i) add(D3DVSDE_TEXCOORD0 + i, D3DVSDT_FLOAT1 + FvfTexCoordSize(fvf, i) - 1);
    return out;
}

bool ParseDeclaration(const DWORD* tokens, VertexDeclaration& out)
{
    out = VertexDeclaration();
    if (!tokens) return false;
    bool haveStream = false;
    DWORD stream = 0, offset = 0;
    uint32_t regsSeen = 0;
    size_t i = 0;
    for (;;) {
        if (i >= kMaxDeclarationTokens) return false;
        const DWORD t = tokens[i];
        if (t == D3DVSD_END()) {
            ++i;
            break;
        }
        const DWORD kind = (t & D3DVSD_TOKENTYPEMASK) >> D3DVSD_TOKENTYPESHIFT;
        switch (kind) {
        case D3DVSD_TOKEN_NOP:
            if (t != D3DVSD_NOP()) return false;
            ++i;
            break;
        case D3DVSD_TOKEN_STREAM:
            if ((t & D3DVSD_STREAMTESSMASK) || (t & ~(D3DVSD_TOKENTYPEMASK | D3DVSD_STREAMNUMBERMASK))) return false;
            stream = t & D3DVSD_STREAMNUMBERMASK;
            if (stream >= D3DMAXSTREAMS) return false;
            haveStream = true;
            offset = 0;
            ++i;
            break;
        case D3DVSD_TOKEN_STREAMDATA: {
            if (!haveStream) return false;
            if (t & D3DVSD_DATALOADTYPEMASK) {
                offset += 4 * ((t & D3DVSD_SKIPCOUNTMASK) >> D3DVSD_SKIPCOUNTSHIFT);
            } else {
                VertexElement e;
                e.stream = stream;
                e.reg = t & D3DVSD_VERTEXREGMASK;
                e.type = (t & D3DVSD_DATATYPEMASK) >> D3DVSD_DATATYPESHIFT;
                e.offset = offset;
                const unsigned size = VertexElementSize(e.type);
                if (size == 0 || e.reg >= 16 || (regsSeen & (1u << e.reg))) return false;
                regsSeen |= 1u << e.reg;
                offset += size;
                out.elements.push_back(e);
            }
            ++i;
            break;
        }
        case D3DVSD_TOKEN_CONSTMEM: {
            const DWORD count = (t & D3DVSD_CONSTCOUNTMASK) >> D3DVSD_CONSTCOUNTSHIFT;
            const DWORD reg = t & D3DVSD_CONSTADDRESSMASK;
            if (reg + count > kVertexShaderConstants) return false;
            if (i + 1 + 4 * static_cast<size_t>(count) > kMaxDeclarationTokens) return false;
            VertexDeclaration::ConstantLoad load;
            load.reg = reg;
            load.values.resize(count);
            for (DWORD r = 0; r < count; ++r) std::memcpy(load.values[r].data(), tokens + i + 1 + 4 * r, 16);
            out.constants.push_back(std::move(load));
            i += 1 + 4 * static_cast<size_t>(count);
            break;
        }
        case D3DVSD_TOKEN_EXT: {
            const DWORD count = (t & D3DVSD_EXTCOUNTMASK) >> D3DVSD_EXTCOUNTSHIFT;
            i += 1 + count;
            break;
        }
        default: return false; // tessellator tokens and unknown kinds
        }
    }
    out.tokens.assign(tokens, tokens + i);
    out.fvf = FvfFromElements(out.elements);
    return true;
}

} // namespace kestu::d3d8
