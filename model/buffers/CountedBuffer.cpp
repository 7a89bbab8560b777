#include "kestu_meshbuffer.h"

namespace Kestu {

DWORD CCountedBuffer::Release()
{
    if (m_dwRef > 0) --m_dwRef;
    if (m_dwRef > 0) return m_dwRef;
    delete this;
    return 0;
}

} // namespace Kestu
