// The frame every GMA file tool runs in: the version gate, decoding, the
// change, encoding as version 1.4, and writing back into the caller's buffer
// or the file.
#pragma once
#include <functional>
#include <vector>

#include "kestu_gmafile.h"

namespace gmatool {

// What a change does to a decoded file: S_OK changed, 1 nothing to do, or a failure.
using Change = std::function<HRESULT(CGmaFile&)>;

// The version gate: S_OK to go on; 1 for a version newer than 1.4; E_FAIL for
// a short buffer or a 1.0 to 1.3 file (with the message box).
HRESULT CheckVersion(const BYTE* data, DWORD size);

// Runs change on the bytes; on S_OK out holds the new file (version 1.4).
HRESULT Run(const BYTE* data, DWORD size, const Change& change, std::vector<BYTE>& out);
// The in-memory form: the result goes back into buffer when it fits capacity.
HRESULT RunInMemory(BYTE* buffer, DWORD& size, DWORD capacity, const Change& change);
// The file form: read whole, changed, written whole.
HRESULT RunOnFile(const char* path, const Change& change);

} // namespace gmatool
