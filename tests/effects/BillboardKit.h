// Shared pieces of the billboard tests: a camera looking down +z from
// (0, 0, -10), and a guard that forgets the camera afterwards.
#pragma once
#include <gtest/gtest.h>

#include "kestu_billboard.h"
#include "kestu_eye.h"

namespace bbtest {

// Every CEye change registers itself with the billboards; a test that makes
// one forgets it again when it ends.
struct EyeScope {
    CEye eye;
    explicit EyeScope(D3DXVECTOR3 pos = D3DXVECTOR3(0.0f, 0.0f, -10.0f), D3DXVECTOR3 dir = D3DXVECTOR3(0, 0, 1))
    {
        eye.SetPos(&pos, 0);
        eye.SetDirection(&dir, nullptr, 1);
    }
    void MoveTo(D3DXVECTOR3 pos, D3DXVECTOR3 dir)
    {
        eye.SetPos(&pos, 0);
        eye.SetDirection(&dir, nullptr, 1);
    }
    ~EyeScope() { CBillboard::SetEye(nullptr); }
};

template <class Init>
Init Valid(Init init)
{
    init.dwValid = 1;
    return init;
}

inline void ExpectCorner(const SKESTUBBVERTEX& v, float x, float y, float u, float vv)
{
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.u, u, 1e-6f);
    EXPECT_NEAR(v.v, vv, 1e-6f);
}

} // namespace bbtest
