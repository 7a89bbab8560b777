// Taking a shared COM object: a reference on the new one, the old one let go.
#pragma once

namespace Kestu {

template <class T>
void ShareCom(T*& held, T* taken)
{
    if (taken) taken->AddRef();
    if (held) held->Release();
    held = taken;
}

} // namespace Kestu
