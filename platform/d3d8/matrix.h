// Small 4x4 helpers for Direct3D's row-major, row-vector matrices.
#pragma once
#include "d3d8types.h"

namespace kestu::d3d8 {

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b);
D3DMATRIX Transpose(const D3DMATRIX& m);
// False (and identity) when the matrix is singular.
bool Invert(const D3DMATRIX& m, D3DMATRIX& out);

} // namespace kestu::d3d8
