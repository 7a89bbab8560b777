#include "kestu_object.h"

namespace Kestu {

CBaseObject::CBaseObject()
{
    D3DXMatrixIdentity(&m_matOffset);
    D3DXMatrixIdentity(&m_matRoot);
    D3DXMatrixIdentity(&m_matTransform);
}

} // namespace Kestu
