// The skeletal object model as far as the mesh data reads it: every part of
// a model carries an offset (bind) matrix, a root matrix (its matrix in the
// model, which the animation writes) and the world transform. Bones are
// rigid objects; a skin deforms its mesh data by its bones' offset and root
// matrices.
#pragma once
#include "kestu_export.h"
#include <d3dx8.h>

namespace Kestu {

class KESTU_API CBaseObject {
public:
    CBaseObject();
    virtual ~CBaseObject() {}

    virtual void SetTransform(const D3DXMATRIX* m) { m_matTransform = *m; }

    const D3DXMATRIX* GetOffsetMatrix() const { return &m_matOffset; }
    void SetOffsetMatrix(const D3DXMATRIX* m) { m_matOffset = *m; }
    const D3DXMATRIX* GetRootMatrix() const { return &m_matRoot; }
    void SetRootMatrix(const D3DXMATRIX* m) { m_matRoot = *m; }
    const D3DXMATRIX* GetTransform() const { return &m_matTransform; }

protected:
    D3DXMATRIX m_matOffset;
    D3DXMATRIX m_matRoot;
    D3DXMATRIX m_matTransform;
};

class KESTU_API CRigidObject : public CBaseObject {
public:
    // The root matrix becomes m.
    virtual long Transform(const D3DXMATRIX* m)
    {
        SetRootMatrix(m);
        return 0;
    }
};

class KESTU_API CSkAniBone : public CRigidObject {};

} // namespace Kestu
