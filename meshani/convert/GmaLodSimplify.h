// The greedy edge-collapse simplification of one material's vertex range.
#pragma once
#include <array>
#include <vector>

#include <windows.h>
#include <d3dx8.h>

namespace gmalod {

struct Result {
    std::vector<DWORD> order;        // per vertex: its place, collapsed vertices last
    std::vector<DWORD> target;       // per vertex: the order of the vertex it collapses into, or 0xFFFFFFFF
    std::vector<DWORD> facesRemoved; // per vertex: faces that go when it collapses
    std::vector<DWORD> faceOrder;    // per face: its place, removed faces last
    DWORD collapsible = 0;           // vertices that collapse
};

// Vertices are the range's positions and normals; faces hold indices into
// them. False when an index is out of range or there are no faces.
bool Simplify(const std::vector<D3DXVECTOR3>& positions, const std::vector<D3DXVECTOR3>& normals,
              const std::vector<std::array<DWORD, 3>>& faces, Result& out);

} // namespace gmalod
