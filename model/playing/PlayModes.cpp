// The play time after a step in each play mode.
#include "kestu_skeletonani.h"
#include "model/action/TimeWrap.h"

namespace Kestu {

void CSkeletonAni::Advance(float step)
{
    const float length = m_fIntervalLength, start = m_fIntervalStart, end = m_fIntervalEnd;
    float& t = m_fPlayTime;
    switch (m_eMode) {
    case ANIPLAY_LOOP:
        step = timewrap::Wrap(step, length);
        if (m_bForward) {
            t += step;
            if (t >= end) t = start;
        } else {
            t -= step;
            if (t <= start) t = end;
        }
        return;
    case ANIPLAY_PINGPONG_ONCE:
    case ANIPLAY_PINGPONG: {
        const bool once = m_eMode == ANIPLAY_PINGPONG_ONCE;
        if (once && step > length) {
            t = m_bForward ? end : start;
            m_bPlaying = 0;
            return;
        }
        if (!once) {
            if (std::fmod(timewrap::Laps(step, length), 2.0) != 0.0) m_bForward = !m_bForward;
            step = timewrap::Wrap(step, length);
        }
        bool turned = false;
        if (m_bForward) {
            t += step;
            if (t >= end) {
                m_bForward = 0;
                t = 2 * end - t;
                turned = true;
            }
        } else {
            t -= step;
            if (t <= start) {
                m_bForward = 1;
                t = 2 * start - t;
                turned = true;
            }
        }
        if (turned && once) {
            if (m_bBounced) m_bPlaying = 0;
            m_bBounced = 1;
        }
        return;
    }
    default:
        if (step > length) {
            t = m_bForward ? end : start;
            m_bPlaying = 0;
        } else if (m_bForward) {
            t += step;
            if (t >= end) {
                t = end;
                m_bPlaying = 0;
            }
        } else {
            t -= step;
            if (t <= start) {
                t = start;
                m_bPlaying = 0;
            }
        }
        return;
    }
}

} // namespace Kestu
