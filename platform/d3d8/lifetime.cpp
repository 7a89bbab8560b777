// Public and internal reference counts of device resources.
#include "d3d8/lifetime.h"

#include "d3d8/device.h"

namespace kestu::d3d8 {

Tracked::Tracked(Device* device, bool internal)
    : holder_(device), public_(internal ? 0 : 1), internal_(internal ? 1 : 0)
{
    if (public_ && holder_) holder_->AddRef();
}

ULONG Tracked::AddPublic()
{
    if (public_++ == 0 && holder_) holder_->AddRef();
    return public_;
}

ULONG Tracked::ReleasePublic()
{
    if (public_ == 0) return 0;
    if (--public_ != 0) return public_;
    Device* device = holder_;
    if (internal_ == 0) delete this;
    // Last, as the device may go now and drop its own references on this.
    if (device) device->Release();
    return 0;
}

void Tracked::Drop()
{
    if (internal_ == 0) return;
    if (--internal_ == 0 && public_ == 0) delete this;
}

void Tracked::Detach()
{
    holder_ = nullptr;
    Orphan();
}

} // namespace kestu::d3d8
