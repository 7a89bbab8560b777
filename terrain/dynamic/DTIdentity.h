// The identity matrix that every streamed terrain's draws share: the world of
// a draw the caller gives none for.
#pragma once
#include "d3dx8.h"

extern const D3DXMATRIX g_DTIdentity;
