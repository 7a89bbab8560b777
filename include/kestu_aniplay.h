// Play modes of every animation: skeletons, GMA meshes, billboard animations.
#pragma once
#include <cstdint>

enum ENUM_ANIPLAY_MODE : uint32_t {
    ANIPLAY_ONCE = 0, // play once and stop
    ANIPLAY_LOOP = 1,
    ANIPLAY_PINGPONG_ONCE = 2, // forth and back once
    ANIPLAY_PINGPONG = 3,      // forth and back forever
};
