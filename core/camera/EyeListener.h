// The one listener every camera tells about its changes. Core cannot name what
// follows the camera (the billboards' shared matrices live in a later folder),
// so that folder registers here while the library loads, before any client
// code can move a camera.
#pragma once

class CEye;

struct SEyeListener {
    void (*changed)(CEye* eye);   // after every change, before the camera's own OnChanged
    void (*destroyed)(CEye* eye); // when a camera goes away
};

// Replaces the listener; null tells nobody. The listener must outlive every camera.
void SetEyeListener(const SEyeListener* listener);
const SEyeListener* GetEyeListener();
