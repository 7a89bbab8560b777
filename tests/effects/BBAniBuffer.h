// Billboard animation buffers written field by field, as a client stores them.
#pragma once
#include <cstdint>
#include <vector>

#include "kestu_bbanimation.h"
#include "kestu_bytes.h"

namespace bbtest {

struct Frame {
    DWORD texture = 0;
    float time = 0.1f;
    float hotX = 0.5f, hotY = 1.0f;
    float offX = 0.0f, offY = 0.0f;
    float w = 1.0f, h = 1.0f;
    float left = 0.0f, top = 0.0f, right = 1.0f, bottom = 1.0f;
};

struct Animation {
    std::vector<Frame> frames;
    DWORD recordSize = KESTU_BBANI_FRAME_SIZE;
};

inline void WriteFrame(kestu::ByteWriter& w, const Frame& f)
{
    w.U32(f.texture);
    for (float v : {f.time, f.hotX, f.hotY, f.offX, f.offY, f.w, f.h, f.left, f.top, f.right, f.bottom}) w.F32(v);
}

inline std::vector<uint8_t> Buffer(const std::vector<Animation>& animations, uint16_t version = 1,
                                   uint16_t reserved = 0)
{
    std::vector<uint8_t> out;
    kestu::ByteWriter w(out);
    w.U16(version);
    w.U16(reserved);
    w.U32(static_cast<uint32_t>(animations.size()));
    w.Zeros(28);
    for (const Animation& a : animations) {
        w.U32(static_cast<uint32_t>(a.frames.size()));
        w.U32(a.recordSize);
        // Frames follow each other by 48 bytes; the animation spans its
        // record size per frame.
        for (const Frame& f : a.frames) WriteFrame(w, f);
        if (a.recordSize > KESTU_BBANI_FRAME_SIZE)
            w.Zeros(size_t(a.recordSize - KESTU_BBANI_FRAME_SIZE) * a.frames.size());
    }
    return out;
}

// One animation of frames ending at the given times, texture ids from `firstTexture` up.
inline Animation Timed(std::initializer_list<float> times, DWORD firstTexture = 0)
{
    Animation a;
    for (float t : times) {
        Frame f;
        f.time = t;
        f.texture = firstTexture++;
        a.frames.push_back(f);
    }
    return a;
}

} // namespace bbtest
