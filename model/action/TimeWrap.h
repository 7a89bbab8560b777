// Wrapping a time into (0, length] as repeated subtraction of the length
// would, in one step, so that no step or clip length makes a loop endless.
#pragma once
#include <cmath>

namespace Kestu::timewrap {

// t when it does not exceed the length or the length is not positive.
inline float Wrap(float t, float length)
{
    if (!(length > 0.0f) || !(t > length)) return t;
    const float r = std::fmod(t, length);
    return r > 0.0f ? r : length;
}

// How many lengths Wrap took away (for direction flips).
inline double Laps(float t, float length)
{
    if (!(length > 0.0f) || !(t > length)) return 0.0;
    return std::round((double(t) - double(Wrap(t, length))) / double(length));
}

} // namespace Kestu::timewrap
