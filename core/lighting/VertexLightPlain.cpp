#include <cmath>

#include "core/lighting/VertexLightColor.h"

using namespace vertexlight;

DWORD GfxPackVertexColor(const D3DXCOLOR& c) { return Pack({c.r, c.g, c.b, c.a}); }

long CalcualateVertexGlobalAmbientLight(const D3DMATERIAL8* material, DWORD* colours, DWORD stride, DWORD count,
                                        const D3DXCOLOR* ambient)
{
    if (!material || !colours || !ambient) return 0;
    const DWORD value = GlobalAmbient(*material, *ambient);
    BYTE* slot = reinterpret_cast<BYTE*>(colours);
    for (DWORD i = 0; i < count; ++i, slot += stride) StoreColor(slot, value);
    return 0;
}

long CalcualateVertexGlobalAmbientLightEx(const D3DMATERIAL8* material, DWORD* colours, DWORD stride, DWORD count,
                                          const D3DXCOLOR* ambient, DWORD, PFN_VERTEXAMBIENTCALLBACK callback)
{
    if (!material || !colours || !ambient) return 0;
    // One working colour for the run: what the callback changes stays for later slots.
    DWORD working = GlobalAmbient(*material, *ambient);
    BYTE* slot = reinterpret_cast<BYTE*>(colours);
    for (DWORD i = 0; i < count; ++i, slot += stride) {
        if (callback) callback(material, ambient, LoadColor(slot), &working);
        StoreColor(slot, working);
    }
    return 0;
}

long CalcualateVertexGlobalAmbientLight_OneVertex(DWORD* colour, const D3DMATERIAL8* material, const D3DXCOLOR* ambient)
{
    if (colour && material && ambient) StoreColor(colour, GlobalAmbient(*material, *ambient));
    return 0;
}

namespace {

inline void Write(BYTE* slot, DWORD value, bool add)
{
    StoreColor(slot, add ? AddSaturate(LoadColor(slot), value) : value);
}

// A point or spot light at one vertex. Returns false when the vertex is out
// of range (or outside the spot cone).
inline bool PositionedLight(const D3DLIGHT8& light, const Color4& ambientProduct, const Color4& diffuseProduct,
                            const D3DXVECTOR3& position, const D3DXVECTOR3& normal, bool spot, DWORD* out)
{
    D3DXVECTOR3 l(light.Position.x - position.x, light.Position.y - position.y, light.Position.z - position.z);
    const float d2 = l.x * l.x + l.y * l.y + l.z * l.z;
    if (!(d2 < light.Range * light.Range)) return false;
    const float d = std::sqrt(d2);
    if (d > 0.0f) l /= d;
    if (spot) {
        const float rho = -(l.x * light.Direction.x + l.y * light.Direction.y + l.z * light.Direction.z);
        if (!(rho >= std::cos(light.Phi))) return false;
    }
    const float a = 1.0f / (light.Attenuation0 + light.Attenuation1 * d + light.Attenuation2 * d2);
    Color4 c = Scale(ambientProduct, a);
    const float nl = normal.x * l.x + normal.y * l.y + normal.z * l.z;
    if (nl > 0.0f) c = Add(c, Scale(diffuseProduct, nl * a));
    *out = Pack(c);
    return true;
}

inline DWORD DirectionalLight(const D3DLIGHT8& light, const Color4& ambientProduct, const Color4& diffuseProduct,
                              const D3DXVECTOR3& normal)
{
    const float k = normal.x * light.Direction.x + normal.y * light.Direction.y + normal.z * light.Direction.z;
    Color4 c = ambientProduct;
    if (k < 0.0f) c = Add(c, Scale(diffuseProduct, -k));
    return Pack(c);
}

} // namespace

long CalcualateVertexLight(const D3DMATERIAL8* material, const D3DLIGHT8* lights, DWORD lightCount, BYTE* vertices,
                           DWORD colourOffset, DWORD stride, DWORD count, const D3DXVECTOR3* normal, int add,
                           const D3DXCOLOR* ambient)
{
    if (!material || !vertices) return 0;
    if (ambient) {
        const DWORD value = GlobalAmbient(*material, *ambient);
        for (DWORD i = 0; i < count; ++i) StoreColor(vertices + size_t(i) * stride + colourOffset, value);
    }
    if (!lights || !normal) return 0;
    const D3DXVECTOR3 n = *normal;
    bool adding = add != 0;
    for (DWORD li = 0; li < lightCount; ++li, adding = true) {
        const D3DLIGHT8& light = lights[li];
        const Color4 ambientProduct = Mul(light.Ambient, material->Ambient);
        const Color4 diffuseProduct = Mul(light.Diffuse, material->Diffuse);
        if (light.Type == D3DLIGHT_DIRECTIONAL) {
            const DWORD value = DirectionalLight(light, ambientProduct, diffuseProduct, n);
            for (DWORD i = 0; i < count; ++i) Write(vertices + size_t(i) * stride + colourOffset, value, adding);
        } else if (light.Type == D3DLIGHT_POINT || light.Type == D3DLIGHT_SPOT) {
            const bool spot = light.Type == D3DLIGHT_SPOT;
            for (DWORD i = 0; i < count; ++i) {
                BYTE* vertex = vertices + size_t(i) * stride;
                DWORD value;
                if (PositionedLight(light, ambientProduct, diffuseProduct, LoadVector(vertex), n, spot, &value))
                    Write(vertex + colourOffset, value, adding);
                else if (!adding)
                    StoreColor(vertex + colourOffset, 0);
            }
        }
    }
    return 0;
}

long CalcualateVertexLight_OneVertex(DWORD* colour, const D3DMATERIAL8* material, const D3DLIGHT8* lights,
                                     DWORD lightCount, const D3DXVECTOR3* position, const D3DXVECTOR3* normal, int add,
                                     const D3DXCOLOR* ambient)
{
    if (!colour || !material) return 0;
    BYTE* slot = reinterpret_cast<BYTE*>(colour);
    if (ambient) StoreColor(slot, GlobalAmbient(*material, *ambient));
    if (!lights || !position || !normal) return 0;
    bool adding = add != 0;
    for (DWORD li = 0; li < lightCount; ++li, adding = true) {
        const D3DLIGHT8& light = lights[li];
        const Color4 ambientProduct = Mul(light.Ambient, material->Ambient);
        const Color4 diffuseProduct = Mul(light.Diffuse, material->Diffuse);
        if (light.Type == D3DLIGHT_POINT || light.Type == D3DLIGHT_SPOT) {
            DWORD value;
            if (PositionedLight(light, ambientProduct, diffuseProduct, *position, *normal, light.Type == D3DLIGHT_SPOT,
                                &value))
                Write(slot, value, adding);
            else if (!adding)
                StoreColor(slot, 0);
        } else {
            Write(slot, DirectionalLight(light, ambientProduct, diffuseProduct, *normal), adding);
        }
    }
    return 0;
}
