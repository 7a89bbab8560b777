// Building trail channels for the tests.
#pragma once
#include <vector>

#include "kestu_trail.h"

namespace trailtest {

struct ColorElement {
    float key;
    DWORD color;
};
struct FloatElement {
    float key;
    float value;
};
struct TexElement {
    float key;
    float unused;
    float v;
};

// One slot of key 1 holding the elements: it covers every frame parameter.
template <class Element>
Kestu::CStrategyData Channel(const std::vector<Element>& elements)
{
    Kestu::CStrategyData data;
    data.AddSlot(1.0f, static_cast<unsigned long>(elements.size() * sizeof(Element)), sizeof(Element), elements.data());
    return data;
}

// The strategy's 24-byte vertex.
struct Vertex {
    float x, y, z;
    DWORD color;
    float u, v;
};

inline const Vertex* Vertices(const Kestu::ITrail_Context& ctx)
{
    return reinterpret_cast<const Vertex*>(static_cast<Kestu::STrailBlock*>(ctx.GetPositionCntx())->pVertices);
}

} // namespace trailtest
