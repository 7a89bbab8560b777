// The exported entry points let no exception escape: an exception thrown deep
// inside one (a failed allocation in a container, say) becomes the entry's
// failure result, after `undo` has put back what the entry had half built.
#pragma once
#include <utility>

template <class R, class Body, class Undo>
R KestuGuarded(R failure, Body&& body, Undo&& undo) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        try {
            std::forward<Undo>(undo)();
        } catch (...) {
        }
        return failure;
    }
}

template <class R, class Body>
R KestuGuarded(R failure, Body&& body) noexcept
{
    return KestuGuarded(failure, std::forward<Body>(body), [] {});
}
