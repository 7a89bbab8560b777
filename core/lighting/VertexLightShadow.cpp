#include <algorithm>
#include <cmath>
#include <vector>

#include "core/lighting/VertexLightColor.h"

using namespace vertexlight;

namespace {

// The faces that may cast a shadow for one light, in the input's index width.
class FaceSubset {
public:
    FaceSubset(const SFacesList& source) : m_source(source), m_wide(source.format != D3DFMT_INDEX16) {}

    DWORD Index(DWORD face, int corner) const
    {
        const size_t i = size_t(face) * 3 + corner;
        return m_wide ? static_cast<const DWORD*>(m_source.indices)[i] : static_cast<const WORD*>(m_source.indices)[i];
    }
    void Keep(DWORD face)
    {
        for (int k = 0; k < 3; ++k) {
            if (m_wide)
                m_wide32.push_back(Index(face, k));
            else
                m_narrow16.push_back(static_cast<WORD>(Index(face, k)));
        }
    }
    DWORD Count() const { return DWORD((m_wide ? m_wide32.size() : m_narrow16.size()) / 3); }
    // The kept faces from `first` on, as a face list.
    SFacesList Tail(DWORD first) const
    {
        SFacesList list;
        list.format = m_wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16;
        list.count = Count() - first;
        list.indices = m_wide ? static_cast<const void*>(m_wide32.data() + size_t(first) * 3)
                              : static_cast<const void*>(m_narrow16.data() + size_t(first) * 3);
        return list;
    }
    DWORD KeptIndex(DWORD face, int corner) const
    {
        const size_t i = size_t(face) * 3 + corner;
        return m_wide ? m_wide32[i] : m_narrow16[i];
    }
    // Reorders the kept faces by `order` (indices into the kept faces).
    void Permute(const std::vector<DWORD>& order)
    {
        if (m_wide) {
            std::vector<DWORD> out;
            out.reserve(m_wide32.size());
            for (DWORD f : order) out.insert(out.end(), m_wide32.begin() + f * 3, m_wide32.begin() + f * 3 + 3);
            m_wide32.swap(out);
        } else {
            std::vector<WORD> out;
            out.reserve(m_narrow16.size());
            for (DWORD f : order) out.insert(out.end(), m_narrow16.begin() + f * 3, m_narrow16.begin() + f * 3 + 3);
            m_narrow16.swap(out);
        }
    }

private:
    SFacesList m_source;
    bool m_wide;
    std::vector<DWORD> m_wide32;
    std::vector<WORD> m_narrow16;
};

struct Positions {
    const BYTE* base;
    DWORD stride;
    DWORD count;
    D3DXVECTOR3 operator[](DWORD i) const { return LoadVector(base + size_t(i) * stride); }
};

inline float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return D3DXVECTOR3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

inline D3DXVECTOR3 ToVector(const D3DVECTOR& v) { return D3DXVECTOR3(v.x, v.y, v.z); }

// Calls fn(face, v0, v1, v2) for every face whose indices lie inside the position array.
template <class Fn>
void ForEachFace(const SFacesList& faces, const FaceSubset& reader, const Positions& p, Fn fn)
{
    for (DWORD f = 0; f < faces.count; ++f) {
        const DWORD i0 = reader.Index(f, 0), i1 = reader.Index(f, 1), i2 = reader.Index(f, 2);
        if (i0 >= p.count || i1 >= p.count || i2 >= p.count) continue;
        fn(f, p[i0], p[i1], p[i2]);
    }
}

// Share of the lift unit a vertex would have to rise to see the light:
// 0 lit, 1 fully shadowed, found by bisection over `steps` segment tests.
float LiftedShadow(const D3DXVECTOR3& p, const D3DXVECTOR3& u, DWORD steps, float scale, float t0, float t1,
                   const Positions& positions, const SFacesList& faces)
{
    if (faces.count == 0) return 0.0f;
    const float horizontal = std::sqrt(u.x * u.x + u.z * u.z);
    // Straight above or below: lifting only slides along the segment, so it cannot help.
    const float k = horizontal > 0.0f ? scale * std::fabs(u.y) / horizontal : 0.0f;
    const D3DXVECTOR3 segment = u * (t1 - t0);
    const D3DXVECTOR3 start = p + u * t0;
    float s = 0.0f, h = 1.0f;
    for (DWORD i = 0; i < steps; ++i) {
        const D3DXVECTOR3 origin(start.x, start.y + s * k, start.z);
        if (GfxLineIntersectTriList(nullptr, nullptr, nullptr, nullptr, &origin, &segment,
                                    reinterpret_cast<const D3DXVECTOR3*>(positions.base), positions.stride, &faces,
                                    D3DCULL_CW, 0.1f))
            s += h;
        else
            s -= h;
        if (s > 1.0f || s < 0.0f) break;
        h *= 0.5f;
    }
    return std::clamp(s, 0.0f, 1.0f);
}

inline void Combine(BYTE* slot, const Color4& c, DWORD mode, bool keepAlpha)
{
    if (mode != VERTEXLIGHT_ADD && mode != VERTEXLIGHT_MODULATE) {
        StoreColor(slot, Pack(c));
        return;
    }
    const Color4 e = Unpack(LoadColor(slot));
    Color4 out = mode == VERTEXLIGHT_ADD ? Add(e, c) : Color4{e.r * c.r, e.g * c.g, e.b * c.b, e.a * c.a};
    if (keepAlpha) out.a = e.a;
    StoreColor(slot, Pack(out));
}

struct LightJob {
    const D3DLIGHT8& light;
    Color4 ambientProduct;
    Color4 diffuseProduct;
    DWORD steps;
    float scale;
};

struct Vertices {
    BYTE* colours;
    DWORD colourStride;
    Positions positions;
    const BYTE* normals;
    DWORD normalStride;
    DWORD count;
    BYTE* Colour(DWORD i) const { return colours + size_t(i) * colourStride; }
    D3DXVECTOR3 Normal(DWORD i) const { return LoadVector(normals + size_t(i) * normalStride); }
};

void PositionedPath(const LightJob& job, const Vertices& v, const SFacesList* faces, DWORD mode, bool spot)
{
    const D3DLIGHT8& light = job.light;
    const D3DXVECTOR3 lightPos = ToVector(light.Position);
    const D3DXVECTOR3 dir = ToVector(light.Direction);
    const float range2 = light.Range * light.Range;
    const float cosPhi = std::cos(light.Phi);
    const float cosTheta = std::cos(light.Theta);

    const bool shadows = job.steps != 0 && faces && faces->indices;
    FaceSubset casters(shadows ? *faces : SFacesList{});
    if (shadows) {
        auto reaches = [&](const D3DXVECTOR3& p) {
            D3DXVECTOR3 l = lightPos - p;
            const float d2 = Dot(l, l);
            if (!(d2 < range2)) return false;
            if (!spot) return true;
            const float d = std::sqrt(d2);
            if (d > 0.0f) l /= d;
            return -Dot(l, dir) >= cosPhi;
        };
        ForEachFace(*faces, casters, v.positions,
                    [&](DWORD f, const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c) {
                        if (!reaches(a) && !reaches(b) && !reaches(c)) return;
                        if (Dot(a - lightPos, Cross(b - a, c - b)) < 0.0f) casters.Keep(f);
                    });
    }
    const SFacesList casterList = shadows ? casters.Tail(0) : SFacesList{};

    for (DWORD i = 0; i < v.count; ++i) {
        const D3DXVECTOR3 p = v.positions[i];
        D3DXVECTOR3 l = lightPos - p;
        const float d2 = Dot(l, l);
        if (!(d2 < range2)) continue;
        const float d = std::sqrt(d2);
        if (d > 0.0f) l /= d;
        float factor = 1.0f;
        if (spot) {
            const float rho = -Dot(l, dir);
            if (rho < cosPhi) {
                Combine(v.Colour(i), Color4{0, 0, 0, 0}, mode, false);
                continue;
            }
            // With Theta >= Phi there is no penumbra: the whole cone is lit fully.
            const float width = cosTheta - cosPhi;
            if (rho <= cosTheta && width > 0.0f) {
                factor = (rho - cosPhi) / width;
                if (light.Falloff != 1.0f) factor = std::pow(factor, light.Falloff);
            }
        }
        float s = 0.0f;
        if (shadows)
            s = d >= 0.1f ? LiftedShadow(p, l, job.steps, job.scale, 0.1f, d, v.positions, casterList)
                          : LiftedShadow(p, l, job.steps, job.scale, d, 0.1f, v.positions, casterList);
        Color4 c{0, 0, 0, 0};
        if (s < 1.0f) {
            const float a = factor / (light.Attenuation0 + light.Attenuation1 * d + light.Attenuation2 * d2);
            c = Scale(job.ambientProduct, a);
            const float nl = Dot(v.Normal(i), l);
            if (nl > 0.0f) c = Add(c, Scale(job.diffuseProduct, nl * a));
            c = Scale(c, 1.0f - s);
        }
        Combine(v.Colour(i), c, mode, false);
    }
}

void DirectionalPath(const LightJob& job, const Vertices& v, const SFacesList* faces, DWORD mode)
{
    const D3DXVECTOR3 dir = ToVector(job.light.Direction);
    const bool shadows = job.steps != 0 && faces && faces->indices;
    FaceSubset casters(shadows ? *faces : SFacesList{});
    std::vector<float> lowest; // per kept face, sorted highest first
    if (shadows) {
        std::vector<float> low;
        ForEachFace(*faces, casters, v.positions,
                    [&](DWORD f, const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c) {
                        if (Dot(Cross(b - a, c - b), dir) < 0.0f) {
                            casters.Keep(f);
                            low.push_back(std::min({Dot(a, dir), Dot(b, dir), Dot(c, dir)}));
                        }
                    });
        if (low.empty()) return;
        std::vector<DWORD> order(low.size());
        for (DWORD i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](DWORD x, DWORD y) { return low[x] > low[y]; });
        casters.Permute(order);
        lowest.resize(low.size());
        for (size_t i = 0; i < order.size(); ++i) lowest[i] = low[order[i]];
    }

    D3DXVECTOR3 u = -dir;
    const float len = std::sqrt(Dot(u, u));
    if (len > 0.0f) u /= len;

    for (DWORD i = 0; i < v.count; ++i) {
        const D3DXVECTOR3 p = v.positions[i];
        float s = 0.0f;
        if (shadows) {
            // Only faces reaching below the vertex's own projection lie between it and the light.
            const float own = Dot(p, dir);
            const auto tail = std::partition_point(lowest.begin(), lowest.end(), [own](float x) { return x >= own; });
            const DWORD first = DWORD(tail - lowest.begin());
            if (first < lowest.size())
                s = LiftedShadow(p, u, job.steps, job.scale, 0.1f, 1.0e10f, v.positions, casters.Tail(first));
        }
        Color4 c{0, 0, 0, 0};
        if (s < 1.0f) {
            const float k = Dot(v.Normal(i), dir);
            c = job.ambientProduct;
            if (k < 0.0f) c = Add(c, Scale(job.diffuseProduct, -k));
            c = Scale(c, 1.0f - s);
        }
        Combine(v.Colour(i), c, mode, true);
    }
}

} // namespace

long GfxCalcVertexLight(DWORD* colours, DWORD colourStride, const D3DXVECTOR3* positions, DWORD positionStride,
                        const D3DXVECTOR3* normals, DWORD normalStride, DWORD count, const D3DLIGHT8* lights,
                        DWORD lightCount, const D3DMATERIAL8* material, DWORD mode, const DWORD* steps,
                        const float* scales, const SFacesList* faces)
{
    if (!colours || !positions || !normals || !lights || !material) return 0;
    const Vertices v{reinterpret_cast<BYTE*>(colours),
                     colourStride,
                     {reinterpret_cast<const BYTE*>(positions), positionStride, count},
                     reinterpret_cast<const BYTE*>(normals),
                     normalStride,
                     count};
    for (DWORD li = 0; li < lightCount; ++li) {
        const D3DLIGHT8& light = lights[li];
        const LightJob job{light, Mul(light.Ambient, material->Ambient), Mul(light.Diffuse, material->Diffuse),
                           steps ? steps[li] : 0u, steps && scales ? scales[li] : 0.0f};
        if (light.Type == D3DLIGHT_POINT)
            PositionedPath(job, v, faces, mode, false);
        else if (light.Type == D3DLIGHT_DIRECTIONAL)
            DirectionalPath(job, v, faces, mode);
        else
            PositionedPath(job, v, faces, mode, true);
    }
    return 0;
}
