// FVF sizes and the conversions between FVF codes and vertex declarations.
#include "d3dx8fvf.h"

namespace {
constexpr DWORD kInvalidBits = D3DFVF_RESERVED0 | D3DFVF_RESERVED2;

bool IsValidFVF(DWORD fvf)
{
    if (fvf & kInvalidBits) return false;
    if (((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) > 8) return false;
    return true;
}

DWORD TexCount(DWORD fvf) { return (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT; }

// Floats in texture set i.
DWORD TexCoordFloats(DWORD fvf, DWORD i)
{
    switch ((fvf >> (16 + i * 2)) & 3) {
    case D3DFVF_TEXTUREFORMAT1: return 1;
    case D3DFVF_TEXTUREFORMAT3: return 3;
    case D3DFVF_TEXTUREFORMAT4: return 4;
    default: return 2;
    }
}

// Betas (blend weights, the last possibly holding indices) of the position type.
DWORD BetaCount(DWORD fvf)
{
    const DWORD pos = fvf & D3DFVF_POSITION_MASK;
    if (pos < D3DFVF_XYZB1) return 0;
    return (pos - D3DFVF_XYZB1) / 2 + 1;
}

DWORD FloatType(DWORD floats) { return D3DVSDT_FLOAT1 + (floats - 1); }
} // namespace

UINT D3DXGetFVFVertexSize(DWORD fvf)
{
    if (!IsValidFVF(fvf)) return 0;
    UINT size = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: size += 12; break;
    case D3DFVF_XYZRHW: size += 16; break;
    case 0: break;
    default: size += 12 + 4 * BetaCount(fvf); break;
    }
    if (fvf & D3DFVF_NORMAL) size += 12;
    if (fvf & D3DFVF_PSIZE) size += 4;
    if (fvf & D3DFVF_DIFFUSE) size += 4;
    if (fvf & D3DFVF_SPECULAR) size += 4;
    for (DWORD i = 0; i < TexCount(fvf); ++i) size += 4 * TexCoordFloats(fvf, i);
    return size;
}

HRESULT D3DXDeclaratorFromFVF(DWORD fvf, DWORD declaration[MAX_FVF_DECL_SIZE])
{
    if (!declaration || !IsValidFVF(fvf)) return D3DERR_INVALIDCALL;
    const DWORD pos = fvf & D3DFVF_POSITION_MASK;
    const DWORD betas = BetaCount(fvf);
    const bool ubyte4 = (fvf & D3DFVF_LASTBETA_UBYTE4) != 0;
    if (ubyte4 && betas == 0) return D3DERR_INVALIDCALL;

    DWORD out[MAX_FVF_DECL_SIZE];
    int n = 0;
    out[n++] = D3DVSD_STREAM(0);
    if (pos == D3DFVF_XYZRHW) {
        out[n++] = D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT4);
    } else if (pos != 0) {
        out[n++] = D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3);
        // The last beta carries the matrix indices when flagged as UBYTE4; five
        // plain betas leave the fifth as a float index.
        DWORD weights = betas;
        DWORD indexType = 0xFFFFFFFFu;
        if (ubyte4) {
            weights = betas - 1;
            indexType = D3DVSDT_UBYTE4;
        } else if (betas == 5) {
            weights = 4;
            indexType = D3DVSDT_FLOAT1;
        }
        if (weights) out[n++] = D3DVSD_REG(D3DVSDE_BLENDWEIGHT, FloatType(weights));
        if (indexType != 0xFFFFFFFFu) out[n++] = D3DVSD_REG(D3DVSDE_BLENDINDICES, indexType);
    }
    if (fvf & D3DFVF_NORMAL) out[n++] = D3DVSD_REG(D3DVSDE_NORMAL, D3DVSDT_FLOAT3);
    if (fvf & D3DFVF_PSIZE) out[n++] = D3DVSD_REG(D3DVSDE_PSIZE, D3DVSDT_FLOAT1);
    if (fvf & D3DFVF_DIFFUSE) out[n++] = D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR);
    if (fvf & D3DFVF_SPECULAR) out[n++] = D3DVSD_REG(D3DVSDE_SPECULAR, D3DVSDT_D3DCOLOR);
    for (DWORD i = 0; i < TexCount(fvf); ++i)
        out[n++] = D3DVSD_REG(D3DVSDE_TEXCOORD0 + i, FloatType(TexCoordFloats(fvf, i)));
    out[n++] = D3DVSD_END();
    for (int i = 0; i < n; ++i) declaration[i] = out[i];
    return S_OK;
}

namespace {
DWORD TexFormatBits(DWORD set, DWORD floats)
{
    switch (floats) {
    case 1: return D3DFVF_TEXCOORDSIZE1(set);
    case 3: return D3DFVF_TEXCOORDSIZE3(set);
    case 4: return D3DFVF_TEXCOORDSIZE4(set);
    default: return 0;
    }
}
} // namespace

HRESULT D3DXFVFFromDeclarator(const DWORD* declaration, DWORD* fvf)
{
    if (!declaration || !fvf) return D3DERR_INVALIDCALL;
    // A declaration longer than this cannot be a stream-0 FVF layout plus its
    // constants; stopping keeps a missing end token from running away.
    constexpr DWORD kMaxTokens = 4096;

    DWORD result = 0;
    bool streamSeen = false;
    bool positionFloat3 = false;
    DWORD weights = 0;
    DWORD nextRegister = 0; // registers must come in FVF order
    DWORD texSets = 0;
    for (DWORD i = 0; i < kMaxTokens; ++i) {
        const DWORD token = declaration[i];
        if (token == D3DVSD_END()) {
            *fvf = result | (texSets << D3DFVF_TEXCOUNT_SHIFT);
            return S_OK;
        }
        const DWORD type = (token & D3DVSD_TOKENTYPEMASK) >> D3DVSD_TOKENTYPESHIFT;
        switch (type) {
        case D3DVSD_TOKEN_NOP: continue;
        case D3DVSD_TOKEN_STREAM:
            if (streamSeen || (token & D3DVSD_STREAMTESSMASK) || (token & D3DVSD_STREAMNUMBERMASK) != 0)
                return D3DERR_INVALIDCALL;
            streamSeen = true;
            continue;
        case D3DVSD_TOKEN_CONSTMEM: i += 4 * ((token & D3DVSD_CONSTCOUNTMASK) >> D3DVSD_CONSTCOUNTSHIFT); continue;
        case D3DVSD_TOKEN_EXT: i += (token & D3DVSD_EXTCOUNTMASK) >> D3DVSD_EXTCOUNTSHIFT; continue;
        case D3DVSD_TOKEN_STREAMDATA: break;
        default: return D3DERR_INVALIDCALL;
        }
        if (!streamSeen || (token & D3DVSD_DATALOADTYPEMASK)) return D3DERR_INVALIDCALL;
        const DWORD reg = token & D3DVSD_VERTEXREGMASK;
        const DWORD dt = (token & D3DVSD_DATATYPEMASK) >> D3DVSD_DATATYPESHIFT;
        if (reg < nextRegister || reg > D3DVSDE_TEXCOORD7) return D3DERR_INVALIDCALL;
        nextRegister = reg + 1;
        switch (reg) {
        case D3DVSDE_POSITION:
            if (dt == D3DVSDT_FLOAT3) {
                result |= D3DFVF_XYZ;
                positionFloat3 = true;
            } else if (dt == D3DVSDT_FLOAT4) {
                result |= D3DFVF_XYZRHW;
            } else {
                return D3DERR_INVALIDCALL;
            }
            break;
        case D3DVSDE_BLENDWEIGHT:
            if (!positionFloat3 || dt > D3DVSDT_FLOAT4) return D3DERR_INVALIDCALL;
            weights = dt - D3DVSDT_FLOAT1 + 1;
            result = (result & ~D3DFVF_POSITION_MASK) | (D3DFVF_XYZB1 + 2 * (weights - 1));
            break;
        case D3DVSDE_BLENDINDICES: {
            if (!positionFloat3) return D3DERR_INVALIDCALL;
            if (dt == D3DVSDT_UBYTE4)
                result |= D3DFVF_LASTBETA_UBYTE4;
            else if (dt != D3DVSDT_FLOAT1)
                return D3DERR_INVALIDCALL;
            const DWORD betas = weights + 1;
            result = (result & ~D3DFVF_POSITION_MASK) | (D3DFVF_XYZB1 + 2 * (betas - 1));
            break;
        }
        case D3DVSDE_NORMAL:
            if (dt != D3DVSDT_FLOAT3) return D3DERR_INVALIDCALL;
            result |= D3DFVF_NORMAL;
            break;
        case D3DVSDE_PSIZE:
            if (dt != D3DVSDT_FLOAT1) return D3DERR_INVALIDCALL;
            result |= D3DFVF_PSIZE;
            break;
        case D3DVSDE_DIFFUSE:
            if (dt != D3DVSDT_D3DCOLOR) return D3DERR_INVALIDCALL;
            result |= D3DFVF_DIFFUSE;
            break;
        case D3DVSDE_SPECULAR:
            if (dt != D3DVSDT_D3DCOLOR) return D3DERR_INVALIDCALL;
            result |= D3DFVF_SPECULAR;
            break;
        default: {
            const DWORD set = reg - D3DVSDE_TEXCOORD0;
            if (set != texSets || dt > D3DVSDT_FLOAT4) return D3DERR_INVALIDCALL;
            result |= TexFormatBits(set, dt - D3DVSDT_FLOAT1 + 1);
            ++texSets;
            break;
        }
        }
    }
    return D3DERR_INVALIDCALL;
}
