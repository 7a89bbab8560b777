// The two reference counts every device resource keeps: the one the
// application sees and the one the device keeps on what is bound to it.
#pragma once
#include "d3d8.h"

namespace kestu::d3d8 {

class Device;

class Tracked {
public:
    Tracked(const Tracked&) = delete;
    Tracked& operator=(const Tracked&) = delete;

    // The application's references. While there is one, the resource holds
    // a reference on its device, so the device outlives what it made.
    ULONG AddPublic();
    ULONG ReleasePublic();
    ULONG publicRefs() const { return public_; }

    // The device's own references (bindings, implicit surfaces). They keep
    // the object alive without showing in the application's count.
    void Hold() { ++internal_; }
    void Drop();

    // The device is going while the resource lives on: drop GL objects.
    void Detach();

    D3DPOOL trackedPool = D3DPOOL_MANAGED;

protected:
    // A resource starts with one public reference (made by the application)
    // or with one internal one (made by the device for itself).
    Tracked(Device* device, bool internal);
    virtual ~Tracked() = default;
    virtual void Orphan() = 0;

private:
    Device* holder_;
    ULONG public_;
    ULONG internal_;
};

} // namespace kestu::d3d8
