// COM methods that allocate let no exception escape: their bodies are
// function-try-blocks whose handler returns ExceptionResult() — E_OUTOFMEMORY
// for a failed allocation, E_FAIL for anything else.
#pragma once
#include <new>

#include "windows.h"

namespace kestu::platform {

// Only valid inside a catch handler.
inline HRESULT ExceptionResult() noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace kestu::platform
